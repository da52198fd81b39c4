// The device's preset memories and the preset files end to end, against the simulated device.
#include "control/DeviceController.h"
#include "control/PresetMemories.h"
#include "model/SystemSettings.h"
#include "sim/SimDevice.h"
#include "support/ControllerRig.h"
#include "support/GoldenImage.h"
#include "support/PresetFileContent.h"
#include "support/TestFile.h"

#include <QtTest>

#include <cstring>
#include <functional>

namespace {

constexpr int kLimit = CControllerRig::kLimitMs;
constexpr int kWire = 296; // bytes of an output block that travel
constexpr int kTagSize = 17;
constexpr int kMasterOn = 5; // system block byte

QByteArray Bytes(const std::uint8_t* data, int size) {
    return QByteArray(reinterpret_cast<const char*>(data), size);
}

// Gain code of channel c of device preset p: 10 * p + c, so every block of every preset differs.
int PresetGain(int p, int c) {
    return 10 * p + c;
}

void PrepareDevice(SimState& s) {
    for (int p = 1; p <= 6; ++p) {
        ParamImage& image = s.Preset(p);
        for (int c = 0; c < 8; ++c)
            image.outputs[c].gainCode = static_cast<std::uint16_t>(PresetGain(p, c));
        image.inputB[5] = static_cast<std::uint8_t>(0x40 + p);
    }
    std::memcpy(s.Preset(4).name, "Jazz", 4);
    s.live.outputs[2].gainCode = 44;
}

struct Rig : CControllerRig {
    CPresetMemories& memories = session.Presets();
    QTemporaryDir dir;

    Rig() { sim->ModifyState(PrepareDevice); }
    QString Path(const QString& name) const { return dir.filePath(name); }
    // Waits until every transfer has gone out: popup hidden and the queue back to status polls.
    bool WaitForTransfer() {
        return WaitFor([this] { return !view.PopupShown(); }) && WaitForPolls(1);
    }
    QStringList Writes() {
        QStringList out;
        for (const QString& line : TraceLines(*sim))
            if (line.startsWith(QLatin1Char('W')))
                out << line;
        return out;
    }
    std::vector<SimFrame> Frames(const QString& description) {
        std::vector<SimFrame> out;
        for (const SimFrame& f : sim->Trace())
            if (DescribeFrame(f) == description)
                out.push_back(f);
        return out;
    }
};

QStringList OutputBlockWrites(int preset) {
    QStringList out;
    for (int c = 0; c < 8; ++c)
        out << QStringLiteral("W 3/%1 s0 p%2").arg(c).arg(preset);
    return out;
}

QStringList OutputBlockReads(int preset, bool intoPreset) {
    QStringList out;
    for (int c = 0; c < 8; ++c)
        out << QStringLiteral("R 3/%1 s%2 p%3").arg(c).arg(intoPreset ? "AB" : "0").arg(preset);
    return out;
}

const QString kSystemWrite = QStringLiteral("W 4/144 s0 p0");

using PresetFileContent::AllDataFile;
using PresetFileContent::SetupFile;

} // namespace

class TestPresets : public QObject {
    Q_OBJECT

private slots:
    void saveWithName();
    void names_data();
    void names();
    void deletePreset();
    void labels();
    void recall_data();
    void recall();
    void notConnected();
    void writeAll();
    void saveAllData();
    void saveAllDataWithoutDevice();
    void saveSetup_data();
    void saveSetup();
    void loadSetupFile();
    void loadAllDataFile();
    void loadRefused_data();
    void loadRefused();
};

// Saving Bass into preset 2 from the Source Save dialog.
void TestPresets::saveWithName() {
    Rig rig;
    QVERIFY(rig.Connect());
    QVERIFY(rig.WaitForPolls(1));
    rig.ClearTrace();
    rig.view.Clear();

    QVERIFY(rig.memories.SaveWithName(2, QStringLiteral("Bass")));
    const QByteArray name("Bass\0\0\0\0\0\0\0\0\0\0\0\0", 16);
    QCOMPARE(Bytes(rig.G().Preset(2).name, 16), name);
    QCOMPARE(Bytes(rig.G().liveImage.name, 16), name);
    QCOMPARE(rig.view.Lines(QStringLiteral("caption")), QStringList{QStringLiteral("caption Bass")});
    QVERIFY(rig.WaitForTransfer());

    QCOMPARE(rig.Writes(), QStringList{kSystemWrite} << QStringLiteral("W 4/134 s0 p2")
                                                     << OutputBlockWrites(2) << kSystemWrite);
    const auto system = rig.Frames(kSystemWrite);
    QCOMPARE(int(system[0].payload[kMasterOn]), 0);
    QCOMPARE(int(system[1].payload[kMasterOn]), 1);
    QCOMPARE(Bytes(rig.Frames(QStringLiteral("W 4/134 s0 p2"))[0].payload.data(), 16), name);

    const SimState device = rig.sim->State();
    QCOMPARE(Bytes(device.Preset(2).name, 16), name);
    for (int c = 0; c < 8; ++c)
        QCOMPARE(Bytes(reinterpret_cast<const std::uint8_t*>(&device.Preset(2).outputs[c]), kWire),
                 Bytes(reinterpret_cast<const std::uint8_t*>(&rig.G().liveImage.outputs[c]), kWire));
    QCOMPARE(int(device.Preset(2).outputs[2].gainCode), 44);
    QCOMPARE(int(device.system[kMasterOn]), 1);
    QCOMPARE(rig.view.Lines(QStringLiteral("popup show")),
             QStringList{QStringLiteral("popup show modal=1 range=11")});

    // The dialog makes no duplicate test: the same name into preset 3 goes out as well.
    QVERIFY(rig.memories.SaveWithName(3, QStringLiteral("Bass")));
    QVERIFY(rig.WaitForTransfer());
    QCOMPARE(Bytes(rig.sim->State().Preset(3).name, 16), name);
}

void TestPresets::names_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("empty") << QString() << false << QByteArray();
    QTest::newRow("spaces") << QStringLiteral("    ") << false << QByteArray();
    QTest::newRow("fifteen characters")
        << QStringLiteral("ABCDEFGHIJKLMNO") << true << QByteArray("ABCDEFGHIJKLMNO\0", 16);
    QTest::newRow("longer, cut to fifteen")
        << QStringLiteral("ABCDEFGHIJKLMNOPQRST") << true << QByteArray("ABCDEFGHIJKLMNO\0", 16);
}

void TestPresets::names() {
    QFETCH(QString, text);
    QFETCH(bool, stored);
    QFETCH(QByteArray, field);
    Rig rig;
    QVERIFY(rig.Connect());
    const QByteArray before = Bytes(rig.G().Preset(5).name, 16);
    QVERIFY(rig.WaitForPolls(1));
    rig.ClearTrace();

    QCOMPARE(rig.memories.SaveWithName(5, text), stored);
    if (!stored) {
        QCOMPARE(rig.view.Messages().last(), QStringLiteral("The name can not be all spaces!"));
        QCOMPARE(CPresetMemories::kBlankName.In(1), QStringLiteral("组名不能全为空格!"));
        QCOMPARE(Bytes(rig.G().Preset(5).name, 16), before);
        QVERIFY(rig.WaitForPolls(2));
        QCOMPARE(rig.WriteCount(), 0);
        return;
    }
    QCOMPARE(Bytes(rig.G().Preset(5).name, 16), field);
    QVERIFY(rig.WaitForTransfer());
    QCOMPARE(Bytes(rig.sim->State().Preset(5).name, 16), field);
    QCOMPARE(rig.memories.PresetLabel(5), QString::fromLatin1(field.left(15)));
}

// Deleting preset 4: its memory's name becomes 16 zero bytes, on the device too, and its label is "4".
void TestPresets::deletePreset() {
    Rig rig;
    QVERIFY(rig.Connect());
    QCOMPARE(rig.memories.PresetLabel(4), QStringLiteral("Jazz"));

    rig.memories.DeletePresetName(4);
    QCOMPARE(Bytes(rig.G().Preset(4).name, 16), QByteArray(16, '\0'));
    QCOMPARE(rig.memories.PresetLabel(4), QStringLiteral("4"));
    QVERIFY(rig.WaitFor([&] { return Bytes(rig.sim->State().Preset(4).name, 16) == QByteArray(16, '\0'); }));
    QCOMPARE(rig.Writes(), QStringList{QStringLiteral("W 4/134 s0 p4")});
}

void TestPresets::labels() {
    Rig rig;
    // Without a device every button shows its number, whatever the memories hold.
    std::memcpy(rig.G().Preset(1).name, "Stale", 5);
    for (int k = 1; k <= 6; ++k)
        QCOMPARE(rig.memories.PresetLabel(k), QString::number(k));

    QVERIFY(rig.Connect());
    const QStringList expected{"1", "2", "3", "Jazz", "5", "6"};
    for (int k = 1; k <= 6; ++k)
        QCOMPARE(rig.memories.PresetLabel(k), expected[k - 1]);

    // A name reply refreshes the open dialog's list.
    QCOMPARE(rig.view.Count(QStringLiteral("refresh presets")), 6);
}

void TestPresets::recall_data() {
    QTest::addColumn<bool>("fromButton");
    QTest::newRow("Source Load button") << true;
    QTest::newRow("context menu Load") << false;
}

// Recalling preset 2: the live image becomes the device's preset 2; only the button silences the master
// output around the read; the connected flag is 0 until the image is applied.
void TestPresets::recall() {
    QFETCH(bool, fromButton);
    Rig rig;
    QVERIFY(rig.Connect());
    QVERIFY(rig.WaitForPolls(1));
    rig.ClearTrace();
    rig.view.Clear();
    int connectedDuringRead = -1;
    rig.view.onLine = [&](const QString& line) {
        if (line.startsWith(QStringLiteral("popup show"))) {
            connectedDuringRead = rig.G().connected;
            rig.model.Channel(6).SetChannelGain(3); // an edit while the preset arrives is not sent
        }
    };

    QVERIFY(fromButton ? rig.memories.RecallFromButton(2) : rig.memories.RecallPreset(2, true));
    QCOMPARE(connectedDuringRead, 0);
    QVERIFY(rig.WaitFor([&] { return rig.C().Connected(); }));
    QVERIFY(rig.WaitForTransfer());

    QStringList expected = OutputBlockReads(2, false);
    if (fromButton)
        expected = QStringList{kSystemWrite} << expected << kSystemWrite;
    QStringList trace = TraceLines(*rig.sim);
    trace.removeAll(kStatusPollLine);
    QCOMPARE(trace, expected);
    if (fromButton) {
        const auto system = rig.Frames(kSystemWrite);
        QCOMPARE(int(system[0].payload[kMasterOn]), 0);
        QCOMPARE(int(system[1].payload[kMasterOn]), 1);
    }
    for (int c = 0; c < 8; ++c)
        QCOMPARE(rig.model.Channel(c).GetGainCode(), PresetGain(2, c));
    QCOMPARE(rig.memories.CurrentPreset(), fromButton ? 2 : 0);
    // One step per request, the last one ending the popup.
    QCOMPARE(rig.view.Lines(QStringLiteral("popup show")),
             QStringList{QStringLiteral("popup show modal=1 range=%1").arg(fromButton ? 10 : 8)});
}

void TestPresets::notConnected() {
    Rig rig;
    const QStringList report{QStringLiteral("The device is not connected")};
    QCOMPARE(CDeviceController::kNotConnected.In(1), QStringLiteral("设备未连接"));

    QVERIFY(!rig.memories.RecallFromButton(2)); // the Source Load buttons do nothing
    QVERIFY(!rig.memories.WriteAllToDevice());  // silent
    QVERIFY(rig.view.Messages().isEmpty());

    QVERIFY(!rig.memories.RecallPreset(2, true));
    QCOMPARE(rig.view.Messages(), report);
    QVERIFY(!rig.memories.SaveWithName(2, QStringLiteral("Bass")));
    QCOMPARE(rig.view.Messages(), report + report);
    // The name itself is kept in the program's memory.
    QCOMPARE(Bytes(rig.G().Preset(2).name, 4), QByteArray("Bass"));
    QVERIFY(rig.sim->Trace().empty());
}

// Write-all leaves the device's presets 1..6 equal to the program's memories, and its live setup to the
// program's image, with every sound switch back as it was.
void TestPresets::writeAll() {
    Rig rig;
    QVERIFY(rig.Connect());
    {
        std::lock_guard lock(rig.C().LinkLock());
        for (int p = 1; p <= 6; ++p) {
            ParamImage& memory = rig.G().Preset(p);
            std::memcpy(memory.name, "Mem", 3);
            memory.name[3] = static_cast<std::uint8_t>('0' + p);
            memory.inputB[9] = static_cast<std::uint8_t>(p);
            for (int c = 0; c < 8; ++c) {
                memory.outputs[c].gainCode = static_cast<std::uint16_t>(50 + p);
                memory.outputs[c].outputOn = 1;
            }
        }
    }
    QVERIFY(rig.WaitForPolls(1));
    rig.ClearTrace();
    rig.view.Clear();

    QVERIFY(rig.memories.WriteAllToDevice());
    QVERIFY(rig.WaitForTransfer());

    const SimState device = rig.sim->State();
    const ModelGlobals& g = rig.G();
    for (int p = 1; p <= 6; ++p) {
        QCOMPARE(Bytes(device.Preset(p).name, 15), Bytes(g.presets[p - 1].name, 15));
        QCOMPARE(Bytes(device.Preset(p).inputB, 112), Bytes(g.presets[p - 1].inputB, 112));
        for (int c = 0; c < 8; ++c)
            QCOMPARE(Bytes(reinterpret_cast<const std::uint8_t*>(&device.Preset(p).outputs[c]), kWire),
                     Bytes(reinterpret_cast<const std::uint8_t*>(&g.presets[p - 1].outputs[c]), kWire));
    }
    for (int c = 0; c < 8; ++c) {
        QCOMPARE(Bytes(reinterpret_cast<const std::uint8_t*>(&device.live.outputs[c]), kWire),
                 Bytes(reinterpret_cast<const std::uint8_t*>(&g.liveImage.outputs[c]), kWire));
        QCOMPARE(int(device.live.outputs[c].outputOn), 1);
    }
    const QStringList writes = rig.Writes();
    QCOMPARE(writes.size(), 8 + 1 + 8 + 6 * (1 + 1 + 8) + 8);
    QCOMPARE(rig.view.Lines(QStringLiteral("popup show")),
             QStringList{QStringLiteral("popup show modal=1 range=%1").arg(writes.size())});
}

// Saving all data reads presets 1..6 from the device (master output off meanwhile) and writes a 58731-byte
// file whose presets are the device's.
void TestPresets::saveAllData() {
    Rig rig;
    QVERIFY(rig.dir.isValid());
    QVERIFY(rig.Connect());
    QVERIFY(rig.WaitForPolls(1));
    rig.ClearTrace();

    QVERIFY(rig.memories.SaveAllData(rig.Path(QStringLiteral("all.dspa"))));
    const QString path = rig.Path(QStringLiteral("all.dspa"));
    QCOMPARE(rig.memories.PendingAllDataPath(), path);
    QVERIFY(rig.WaitFor([&] { return rig.memories.PendingAllDataPath().isEmpty(); }));
    QVERIFY(rig.WaitForTransfer());
    QVERIFY(!QFile::exists(path + QStringLiteral(".dspa")));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), 58731);
    QCOMPARE(bytes.left(kTagSize), QByteArray("\x10ORVEN-XT-PRO-1.0"));
    const SimState device = rig.sim->State();
    for (int p = 1; p <= 6; ++p) {
        const int at = 49 + (p - 1) * 2792;
        QByteArray inputB = Bytes(device.Preset(p).inputB, 112);
        inputB[371 - 296] = 1; // every saved image is marked
        QCOMPARE(bytes.mid(at + 296, 112), inputB);
        for (int c = 0; c < 8; ++c)
            QCOMPARE(bytes.mid(at + Golden::Out(c, 0), kWire),
                     Bytes(reinterpret_cast<const std::uint8_t*>(&device.Preset(p).outputs[c]), kWire));
    }

    QStringList expected{kSystemWrite};
    for (int p = 1; p <= 6; ++p)
        expected << QStringLiteral("R 2/2 sAB p%1").arg(p) << OutputBlockReads(p, true);
    expected << kSystemWrite;
    QStringList trace = TraceLines(*rig.sim);
    trace.removeAll(kStatusPollLine);
    QCOMPARE(trace, expected);
    const auto system = rig.Frames(kSystemWrite);
    QCOMPARE(int(system[0].payload[kMasterOn]), 0);
    QCOMPARE(int(system[1].payload[kMasterOn]), 1);
    QVERIFY(rig.view.Messages().isEmpty());
}

void TestPresets::saveAllDataWithoutDevice() {
    Rig rig;
    QVERIFY(!rig.memories.SaveAllData(rig.Path(QStringLiteral("x"))));
    QCOMPARE(rig.view.Messages(), QStringList{QStringLiteral("The device is not connected")});
    QVERIFY(rig.memories.PendingAllDataPath().isEmpty());
    QVERIFY(QDir(rig.dir.path()).isEmpty());

    // A file that cannot be created gets the all-data save error once the presets are in.
    QVERIFY(rig.Connect());
    QVERIFY(rig.memories.SaveAllData(rig.Path(QStringLiteral("missing/x"))));
    QVERIFY(rig.WaitFor([&] { return rig.view.Messages().size() == 2; }));
    QCOMPARE(rig.view.Messages().last(), QStringLiteral("save File Error!"));
}

void TestPresets::saveSetup_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("caption");
    QTest::newRow("plain name") << "abc"
                                << "abc.dsps"
                                << "abc";
    QTest::newRow("already with the extension") << "abc.dsps"
                                                << "abc.dsps"
                                                << "abc";
    QTest::newRow("other letter case") << "abc.DSPS"
                                       << "abc.DSPS.dsps"
                                       << "abc.DSPS";
    QTest::newRow("long title, cut to 13") << "a-very-long-setup-name"
                                           << "a-very-long-setup-name.dsps"
                                           << "a-very-long-s";
}

void TestPresets::saveSetup() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QFETCH(QString, caption);
    Rig rig;
    QVERIFY(rig.memories.SaveSetup(rig.Path(chosen)));
    QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files), QStringList{written});
    QCOMPARE(QFileInfo(rig.Path(written)).size(), qint64(2809));
    QCOMPARE(rig.view.Lines(), QStringList{QStringLiteral("caption ") + caption});

    QVERIFY(!rig.memories.SaveSetup(rig.Path(QStringLiteral("missing/abc"))));
    QCOMPARE(rig.view.Messages(), QStringList{QStringLiteral("Save MusicFile Error!")});
}

// A setup file goes to the device's working setup (preset 0) and shows its title.
void TestPresets::loadSetupFile() {
    Rig rig;
    const QString path = rig.Path(QStringLiteral("mine.dsps"));
    QVERIFY(WriteFile(path, SetupFile()));

    // Without a device the file is loaded and the sending step reports the missing device.
    QVERIFY(rig.memories.LoadFile(path));
    QCOMPARE(rig.model.Channel(2).GetGainCode(), 21);
    QCOMPARE(rig.view.Messages(), QStringList{QStringLiteral("The device is not connected")});
    QCOMPARE(rig.view.Lines(QStringLiteral("caption")), QStringList{QStringLiteral("caption mine")});

    QVERIFY(rig.Connect());
    QVERIFY(rig.WaitForPolls(1));
    rig.ClearTrace();
    QVERIFY(rig.memories.LoadFile(path));
    QCOMPARE(rig.model.Channel(2).GetGainCode(), 21);
    QVERIFY(rig.WaitForTransfer());
    QCOMPARE(rig.Writes(), QStringList{QStringLiteral("W 4/134 s0 p0")} << OutputBlockWrites(0));
    const SimState device = rig.sim->State();
    QCOMPARE(int(device.live.outputs[2].gainCode), 21);
    QCOMPARE(Bytes(device.live.name, 8), QByteArray("FromFile"));
}

// An all-data file replaces the memories and goes to the device whole; the position index is limited to 3.
void TestPresets::loadAllDataFile() {
    Rig rig;
    const QString path = rig.Path(QStringLiteral("everything.dspa"));
    QVERIFY(WriteFile(path, AllDataFile()));
    QVERIFY(rig.Connect());
    QVERIFY(rig.WaitForPolls(1));
    rig.ClearTrace();

    QVERIFY(rig.memories.LoadFile(path));
    QCOMPARE(int(rig.G().positionDelays[48]), 3);
    QCOMPARE(rig.model.Channel(5).GetGainCode(), 9);
    QVERIFY(rig.WaitForTransfer());
    const SimState device = rig.sim->State();
    for (int p = 1; p <= 6; ++p) {
        QCOMPARE(Bytes(device.Preset(p).name, 5), QByteArray("File").append(char('0' + p)));
        for (int c = 0; c < 8; ++c)
            QCOMPARE(int(device.Preset(p).outputs[c].gainCode), 30 + c);
    }
    QCOMPARE(int(device.live.outputs[5].gainCode), 9);
    QVERIFY(rig.view.Messages().isEmpty());
}

void TestPresets::loadRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("setup, tag in lower case")
        << "bad.dsps" << SetupFile("orven-xt-pro-1.0") << QStringList{QStringLiteral("error for file!")};
    QTest::newRow("setup, short") << "short.dsps" << SetupFile().left(2000)
                                  << QStringList{QStringLiteral("error for file!")};
    QTest::newRow("all data, short") << "short.dspa" << AllDataFile().left(58730)
                                     << QStringList{QStringLiteral("Read all MusicFile Error")};
    QTest::newRow("extension in capitals") << "setup.DSPS" << SetupFile() << QStringList{};
    QTest::newRow("other extension") << "setup.txt" << SetupFile() << QStringList{};
}

// A refused or ignored file changes nothing and sends nothing.
void TestPresets::loadRefused() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, messages);
    Rig rig;
    QVERIFY(rig.Connect());
    QVERIFY(rig.WaitForPolls(1));
    rig.ClearTrace();
    const QString path = rig.Path(name);
    QVERIFY(WriteFile(path, bytes));

    QVERIFY(!rig.memories.LoadFile(path));
    QCOMPARE(rig.view.Messages(), messages);
    QCOMPARE(rig.model.Channel(2).GetGainCode(), 44);
    QVERIFY(rig.WaitForPolls(2));
    QCOMPARE(rig.WriteCount(), 0);
}

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
