// Firmware files: which files load, the messages of those that do not, the check byte, the frame count and
// the remembered location.
#include "firmware/FirmwareFile.h"
#include "link/SettingsStore.h"
#include "support/TempSettings.h"
#include "support/TestFile.h"

#include <QtTest>

using Bytes = QByteArray;
Q_DECLARE_METATYPE(CFirmwareFile::Kind)

namespace {

const SysText kNone{};

Bytes Zeros(int n) {
    return Bytes(n, '\0');
}

// `n` zero bytes with the given bytes set.
Bytes With(int n, std::initializer_list<std::pair<int, unsigned char>> set) {
    Bytes b = Zeros(n);
    for (const auto& [at, value] : set)
        b[at] = static_cast<char>(value);
    return b;
}

} // namespace

class TestFirmwareFile : public QObject {
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void missingFileClearsThePath();
    void failedLoadForgetsTheFileBefore();
    void textsInBothLanguages();
    void browseStoresPathAndDataFolderPattern();
};

void TestFirmwareFile::load_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Bytes>("content");
    QTest::addColumn<CFirmwareFile::Kind>("kind");
    QTest::addColumn<int>("frameCount");
    QTest::addColumn<int>("check");
    QTest::addColumn<bool>("notice");
    QTest::addColumn<QString>("error"); // English text of the error, empty on success

    using K = CFirmwareFile::Kind;
    const QString typeError = QStringLiteral("升级文件类型错误！");

    // The first four bytes of a DSP file stay out of the check byte: 0x12 alone.
    QTest::newRow("fw.MVA 1000 bytes, head excluded")
        << "fw.MVA" << With(1000, {{0, 0xFF}, {1, 0x0F}, {2, 0xF0}, {3, 0x55}}) << K::Dsp << 9 << 0x12
        << false << QString();
    QTest::newRow("fw.MVA 1000 bytes, byte 4 and the last count")
        << "fw.MVA" << With(1000, {{4, 0x01}, {999, 0x80}}) << K::Dsp << 9 << 0x93 << false << QString();
    QTest::newRow("592 bytes: two whole chunks")
        << "fw.MVA" << Zeros(592) << K::Dsp << 8 << 0x12 << false << QString();
    QTest::newRow("295 bytes: less than a chunk")
        << "fw.MVA" << Zeros(295) << K::Dsp << 6 << 0x12 << false << QString();
    QTest::newRow("dsp.new.MVA judged by the last dot")
        << "dsp.new.MVA" << With(300, {{5, 0x21}}) << K::Dsp << 7 << 0x33 << false << QString();
    // A controller file's check byte takes every byte, the first included.
    QTest::newRow("remote.contr 96 bytes: warning first")
        << "remote.contr" << With(96, {{0, 0x40}}) << K::Controller << 8 << 0x52 << true << QString();
    QTest::newRow("controller 100 bytes")
        << "hand.contr" << With(100, {{99, 0x01}}) << K::Controller << 8 << 0x13 << true << QString();

    QTest::newRow("fw.mva: case counts")
        << "fw.mva" << Zeros(1000) << K::None << 0 << 0 << false << typeError;
    QTest::newRow("fw.MVA1") << "fw.MVA1" << Zeros(1000) << K::None << 0 << 0 << false << typeError;
    QTest::newRow("remote.CONTR") << "remote.CONTR" << Zeros(96) << K::None << 0 << 0 << false << typeError;
    QTest::newRow("no extension") << "firmware" << Zeros(96) << K::None << 0 << 0 << false << typeError;
    QTest::newRow("MVA before the last dot")
        << "fw.MVA.bak" << Zeros(96) << K::None << 0 << 0 << false << typeError;
    QTest::newRow("empty DSP file") << "fw.MVA" << Bytes() << K::None << 0 << 0 << false << typeError;
    QTest::newRow("empty controller file: no warning")
        << "remote.contr" << Bytes() << K::None << 0 << 0 << false << typeError;
}

void TestFirmwareFile::load() {
    QFETCH(QString, name);
    QFETCH(Bytes, content);
    QFETCH(CFirmwareFile::Kind, kind);
    QFETCH(int, frameCount);
    QFETCH(int, check);
    QFETCH(bool, notice);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, name, content);
    CSettingsStore store;
    store.SetFirmwareFile(path);
    CFirmwareFile file(store);

    const FirmwareLoad load = file.LoadFirmware();

    QCOMPARE(load.status.ok(), error.isEmpty());
    if (!error.isEmpty())
        QCOMPARE(load.status.error().In(0), error);
    QCOMPARE(load.notice.value_or(kNone), notice ? CFirmwareFile::kControllerNotice : kNone);
    QCOMPARE(file.Loaded(), kind);
    QCOMPARE(file.FrameCount(), frameCount);
    QCOMPARE(store.FirmwareFile(), path); // only an unreadable file clears the path
    const std::vector<std::uint8_t> bytes(content.begin(), content.end());
    QCOMPARE(file.DspData(), kind == CFirmwareFile::Kind::Dsp ? bytes : std::vector<std::uint8_t>{});
    QCOMPARE(file.ControllerData(),
             kind == CFirmwareFile::Kind::Controller ? bytes : std::vector<std::uint8_t>{});
    if (kind != CFirmwareFile::Kind::None)
        QCOMPARE(int(file.CheckByte()), check);
}

void TestFirmwareFile::missingFileClearsThePath() {
    QTemporaryDir dir;
    CSettingsStore store;
    store.SetFirmwareFile(dir.filePath("gone.MVA"));
    CFirmwareFile file(store);

    const FirmwareLoad load = file.LoadFirmware();

    QVERIFY(!load.status);
    QCOMPARE(load.status.error(), CFirmwareFile::kHexFileError);
    QVERIFY(!load.notice);
    QCOMPARE(store.FirmwareFile(), QString());
    QCOMPARE(file.Loaded(), CFirmwareFile::Kind::None);

    // A folder cannot be read as a file either.
    store.SetFirmwareFile(dir.path() + "/sub.MVA");
    QVERIFY(QDir(dir.path()).mkdir("sub.MVA"));
    QCOMPARE(file.LoadFirmware().status.error(), CFirmwareFile::kHexFileError);
    QCOMPARE(store.FirmwareFile(), QString());
}

void TestFirmwareFile::failedLoadForgetsTheFileBefore() {
    QTemporaryDir dir;
    CSettingsStore store;
    CFirmwareFile file(store);
    store.SetFirmwareFile(WriteTestFile(dir, "remote.contr", Zeros(96)));
    QVERIFY(file.LoadFirmware().status.ok());
    QCOMPARE(file.Loaded(), CFirmwareFile::Kind::Controller);

    // A DSP file after a controller file leaves only the DSP data.
    store.SetFirmwareFile(WriteTestFile(dir, "fw.MVA", Zeros(10)));
    QVERIFY(file.LoadFirmware().status.ok());
    QCOMPARE(file.Loaded(), CFirmwareFile::Kind::Dsp);
    QCOMPARE(file.DspData().size(), std::size_t{10});
    QVERIFY(file.ControllerData().empty());

    store.SetFirmwareFile(WriteTestFile(dir, "fw.mva", Zeros(96)));
    QVERIFY(!file.LoadFirmware().status);
    QCOMPARE(file.Loaded(), CFirmwareFile::Kind::None);
    QVERIFY(file.DspData().empty());
    QCOMPARE(file.FrameCount(), 0);
}

void TestFirmwareFile::textsInBothLanguages() {
    QCOMPARE(CFirmwareFile::kHexFileError.In(0), QStringLiteral("Hex File error!"));
    QCOMPARE(CFirmwareFile::kHexFileError.In(1), QStringLiteral("固件文件错误!"));
    QCOMPARE(CFirmwareFile::kFileTypeError.In(0), QStringLiteral("升级文件类型错误！"));
    QCOMPARE(CFirmwareFile::kFileTypeError.In(1), QStringLiteral("升级文件类型错误！"));
    const QString warning = QStringLiteral("          手控器升级之前请断开蓝牙、退出U盘，\n"
                                           "    并且升级过程中请勿触碰任何设备防止断电！！！");
    QCOMPARE(CFirmwareFile::kControllerNotice.In(0), warning);
    QCOMPARE(CFirmwareFile::kControllerNotice.In(1), warning);
}

void TestFirmwareFile::browseStoresPathAndDataFolderPattern() {
    CTempSettings settings;
    QVERIFY(settings.isValid());
    QTemporaryDir dir;
    const QString chosen = WriteTestFile(dir, "fw.MVA", Zeros(8));
    {
        CSettingsStore store;
        store.LoadFirmwareLocation(); // creates the key
        CFirmwareFile file(store);
        file.BrowseFirmware(chosen);
        QCOMPARE(store.FirmwareFile(), chosen);
    }

    // What the next start finds.
    CSettingsStore next;
    next.LoadFirmwareLocation();
    QCOMPARE(next.FirmwareFile(), chosen);
    QCOMPARE(next.DialogPath(), QDir::currentPath() + "/DataFile/*.bin");
}

QTEST_GUILESS_MAIN(TestFirmwareFile)
#include "tst_FirmwareFile.moc"
