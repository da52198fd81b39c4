// The command-line companion run as a program against the simulated device, in process and over a socket.
#include "control/DeviceBackup.h"
#include "model/KTV_OutData.h"
#include "presets/PresetFile.h"
#include "response/Filter.h"
#include "support/ModelFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kLimitMs = 60000; // generous: a loaded machine, the fast profile needs far less

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Result Run(const QStringList& args) {
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(QStringLiteral(SELVANO_CTL_PATH), args);
    Result r;
    if (!p.waitForFinished(kLimitMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QJsonObject Json(const QByteArray& text) {
    return QJsonDocument::fromJson(text).object();
}

// A setup file with CH2's band 10 as a +6 dB peak at 1 kHz; every other band stays bypassed.
QString WriteFixture(const QString& dir) {
    ModelFixture m;
    CFilter& band = m.Channel(1).Band(9);
    band.SetFreq(1000, 1);
    band.SetGainCode(260); // 6.0 dB
    band.SetBypass(0);
    const QString path = dir + QStringLiteral("/fixture.dsps");
    CPresetFile file(*m.g, *m.data);
    return file.SaveSetupFile(path) ? path : QString();
}

QString WriteText(const QString& path, const QByteArray& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size() ? path : QString();
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A headphone-correction set: preamp, both shelves, peaks, one switched off, and a high-pass no band takes.
const QByteArray kEqText = "Preamp: -6,6 dB\r\n"
                           "Filter 1: ON LSC Fc 105 Hz Gain 6.6 dB Q 0.70\r\n"
                           "Filter 2: ON PK Fc 209 Hz Gain -3.9 dB Q 3.943\r\n"
                           "Filter 3: OFF PK Fc 2870 Hz Gain 4.2 dB Q 1.7\r\n"
                           "Filter 4: ON HSC Fc 10000 Hz Gain -4.0 dB Q 0.70\r\n"
                           "Filter 5: ON HP Fc 30 Hz\r\n";

QJsonObject Channel(const Result& shown, int channel) {
    return Json(shown.out)[QStringLiteral("channels")][channel - 1].toObject();
}

} // namespace

class TestCompanion : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void exitCodes_data();
    void exitCodes();
    void inProcessTransfers();
    void showAndResponse();
    void overSocket();
    void eqTextAndAlignmentOnAFile();
    void automaticBackups();
    void failedBackupStopsTheReset();
    void cleanupTestCase();

private:
    QTemporaryDir m_dir;
    QString m_fixture;
    QString m_eqText;
    QString m_highPassOnly;
};

void TestCompanion::initTestCase() {
    QVERIFY(m_dir.isValid());
    // The companion keeps per-user settings (the firmware location): never the real user's.
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
    // Nor the real user's backups folder: the factory reset and the all-data load take backups there.
    qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toUtf8());
    m_fixture = WriteFixture(m_dir.path());
    QVERIFY(!m_fixture.isEmpty());
    m_eqText = WriteText(m_dir.filePath(QStringLiteral("ParametricEQ.txt")), kEqText);
    QVERIFY(!m_eqText.isEmpty());
    m_highPassOnly = WriteText(m_dir.filePath(QStringLiteral("hp.txt")), "Filter 1: ON HP Fc 30 Hz\n");
    QVERIFY(!m_highPassOnly.isEmpty());
}

void TestCompanion::cleanupTestCase() {}

// factory-reset and the load of an all-data file back the device up into the window's backups folder first
// (the backup's path on stdout); --no-backup leaves it out, a setup file needs none.
void TestCompanion::automaticBackups() {
    const QDir folder(m_dir.filePath(QStringLiteral("data/selvano/backups")));
    QStringList seen = folder.entryList({QStringLiteral("*.dspa")}, QDir::Files);
    // The backups that appeared since the last look.
    const auto added = [&] {
        QStringList now = folder.entryList({QStringLiteral("*.dspa")}, QDir::Files);
        QStringList fresh;
        for (const QString& name : now)
            if (!seen.contains(name))
                fresh << name;
        seen = now;
        return fresh;
    };
    const QStringList sim{"--device", "sim", "--timing", "fast"};

    Result r = Run(sim + QStringList{"factory-reset", "--yes"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QStringList fresh = added();
    QCOMPARE(fresh.size(), 1);
    const QString written = folder.filePath(fresh[0]);
    QVERIFY(CDeviceBackup::Parse(written) && CDeviceBackup::Parse(written)->reason == "factory-reset");
    QVERIFY2(QString::fromUtf8(r.err).contains(QStringLiteral("backup: ") + written), r.err.constData());
    QVERIFY(r.out.isEmpty()); // the note goes beside the command's output
    QCOMPARE(QFileInfo(written).size(), 58731);

    r = Run(sim + QStringList{"load", written});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    fresh = added();
    QCOMPARE(fresh.size(), 1);
    QCOMPARE(CDeviceBackup::Parse(fresh[0])->reason, QStringLiteral("load-all-data"));

    for (const QStringList& args :
         {QStringList{"load", written, "--no-backup"}, QStringList{"load", m_fixture},
          QStringList{"factory-reset", "--no-backup", "--yes"}}) {
        r = Run(sim + args);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(added().isEmpty());
        QVERIFY(!r.err.contains("backup: "));
    }
}

// A backups folder that cannot be made: exit code 3 with the reason, and the device is not reset.
void TestCompanion::failedBackupStopsTheReset() {
    const QString data = m_dir.filePath(QStringLiteral("blocked-data"));
    QVERIFY(QDir().mkpath(data + QStringLiteral("/selvano")));
    QFile blocker(data + QStringLiteral("/selvano/backups"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray kept = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.toUtf8());
    const Result r = Run({"--device", "sim", "--timing", "fast", "factory-reset", "--yes"});
    qputenv("XDG_DATA_HOME", kept);
    QCOMPARE(r.exitCode, 3);
    QVERIFY2(r.err.contains("The backup folder cannot be written."), r.err.constData());
}

void TestCompanion::exitCodes_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outContains");
    const QString missing = QStringLiteral("/nonexistent/setup.dsps");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "exit codes";
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << "";
    QTest::newRow("bad device") << QStringList{"--device", "nowhere", "info"} << 2 << "";
    QTest::newRow("preset out of range")
        << QStringList{"--device", "sim", "preset", "recall", "9"} << 2 << "";
    QTest::newRow("set names nothing")
        << QStringList{"--device", "sim", "set", "channel", "1", "colour", "red"} << 2 << "";
    QTest::newRow("factory reset unconfirmed on a pipe")
        << QStringList{"--device", "sim", "factory-reset"} << 2 << "";
    QTest::newRow("show missing file") << QStringList{"show", missing} << 3 << "";
    QTest::newRow("load missing file") << QStringList{"--device", "sim", "load", missing} << 3 << "";
    QTest::newRow("no socket device")
        << QStringList{"--device", "socket:/nonexistent/dev.sock", "info"} << 4 << "";
    QTest::newRow("set help") << QStringList{"set", "--help"} << 0 << "highpass|lowpass";
    QTest::newRow("show as text") << QStringList{"show", m_fixture} << 0 << "band 10: 1000 Hz 6.0 dB";
    QTest::newRow("factory response") << QStringList{"response"} << 0 << "frequency_hz,gain_db";
    QTest::newRow("info") << QStringList{"--device", "sim", "info"} << 0 << "PIRKAVO-31EQ-V3.0";
    QTest::newRow("info in Chinese") << QStringList{"--device", "sim", "--lang", "zh", "info"} << 0
                                     << "高电平";
    QTest::newRow("set delay in cm") << QStringList{"--device", "sim",   "set",   "channel",
                                                    "1",        "delay", "34.3cm"}
                                     << 0 << "";
    QTest::newRow("eq-import without a channel") << QStringList{"eq-import", m_eqText} << 2 << "";
    QTest::newRow("eq-import of a missing text")
        << QStringList{"eq-import", "--channel", "1", "--file", m_fixture, "/nonexistent/eq.txt"} << 3 << "";
    QTest::newRow("eq-import, output without a file")
        << QStringList{"eq-import", "--channel", "1", "-o", "x.dsps", m_eqText} << 2 << "";
    QTest::newRow("eq-import dry run") << QStringList{"eq-import", "--channel", "2", "--dry-run", m_eqText}
                                       << 0 << "line 3: band 2: peak 209 Hz, -3.9 dB, Q 3.997";
    QTest::newRow("eq-import dry run in Chinese")
        << QStringList{"--lang", "zh", "eq-import", "--channel", "2", "--dry-run", m_eqText} << 0
        << "第 6 行";
    QTest::newRow("eq-import of nothing a band takes")
        << QStringList{"eq-import", "--channel", "2", "--dry-run", m_highPassOnly} << 3
        << "HP is no EQ band type";
    QTest::newRow("eq-import onto the device")
        << QStringList{"--device", "sim", "eq-import", "--channel", "3", m_eqText} << 0
        << "3 filters on bands";
    QTest::newRow("eq-export from a file") << QStringList{"eq-export", "--channel", "2", "--file", m_fixture}
                                           << 0 << "\nFilter 10: ON PK Fc 1000 Hz Gain 6.0 dB Q 7.208\n";
    QTest::newRow("eq-export of a channel beyond 8")
        << QStringList{"eq-export", "--channel", "9", "--file", m_fixture} << 2 << "";
    QTest::newRow("eq-export from the device")
        << QStringList{"--device", "sim", "eq-export", "--channel", "1"} << 0 << "# CH1";
    QTest::newRow("align dry run") << QStringList{"align", "--dry-run", "1=212cm", "2=190cm", "6=160cm"} << 0
                                   << "CH2: 190.0 cm, delay 30 samples = 0.625 ms";
    QTest::newRow("align in inches") << QStringList{"align", "--dry-run", "--unit",
                                                    "inch",  "1=83.5",    "2=74,8"}
                                     << 0 << "CH2: 74.8 inch, delay 31 samples";
    QTest::newRow("align without a unit") << QStringList{"align", "--dry-run", "1=212", "2=190"} << 2 << "";
    QTest::newRow("align beyond 20 ms") << QStringList{"align", "--dry-run", "1=10cm", "2=800cm"} << 2 << "";
    QTest::newRow("align of a channel beyond 8") << QStringList{"align", "--dry-run", "9=10cm"} << 2 << "";
    QTest::newRow("align on the device") << QStringList{"--device", "sim", "align", "1=100cm", "3=80cm"} << 0
                                         << "CH3: 80.0 cm, delay 28 samples";
    QTest::newRow("factory reset confirmed")
        << QStringList{"--device", "sim", "factory-reset", "--yes"} << 0 << "";
}

void TestCompanion::exitCodes() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, outContains);
    const Result r = Run(args);
    QVERIFY2(r.exitCode == exitCode, r.err.constData());
    QVERIFY(QString::fromUtf8(r.out).contains(outContains));
}

void TestCompanion::inProcessTransfers() {
    const QString setup = m_dir.filePath(QStringLiteral("live.dsps"));
    const QString all = m_dir.filePath(QStringLiteral("all.dspa"));
    const QStringList sim{"--device", "sim", "--timing", "fast"};
    Result r = Run(sim + QStringList{"read", "-o", setup});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(QFileInfo(setup).size(), 2809);
    r = Run(sim + QStringList{"backup", "-o", all});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(QFileInfo(all).size(), 58731);
    r = Run(sim + QStringList{"load", m_fixture});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run(sim + QStringList{"--json", "info"});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject info = Json(r.out);
    QCOMPARE(info[QStringLiteral("identifier")].toString(), QStringLiteral("PIRKAVO-31EQ-V3.0"));
    QCOMPARE(info[QStringLiteral("presets")].toArray().size(), 6);

    // A DSP firmware file of 300 bytes: head, two chunks and the check frame, acknowledged one by one.
    QByteArray firmware;
    for (int i = 0; i < 300; ++i)
        firmware.append(static_cast<char>((i * 7 + 3) % 251));
    const QString fw = m_dir.filePath(QStringLiteral("fw.MVA"));
    QFile f(fw);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(firmware) == firmware.size());
    f.close();
    r = Run(sim + QStringList{"firmware", fw});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(r.err.contains("Update successfully!"));
    // Nothing but data on stdout, and no progress bar on a pipe.
    QVERIFY(!r.err.contains('#'));
}

void TestCompanion::showAndResponse() {
    Result r = Run({"show", m_fixture, "--json"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QJsonObject shown = Json(r.out);
    const QJsonArray channels = shown[QStringLiteral("channels")].toArray();
    QCOMPARE(channels.size(), 8);
    const QJsonObject band = channels[1][QStringLiteral("bands")][9].toObject();
    QCOMPARE(band[QStringLiteral("freq_hz")].toInt(), 1000);
    QCOMPARE(band[QStringLiteral("gain_db")].toDouble(), 6.0);
    QCOMPARE(band[QStringLiteral("bypass")].toBool(), false);

    for (const QStringList& extra : {QStringList{}, QStringList{"--filter", "10"}}) {
        r = Run(QStringList{"response", m_fixture, "--channel", "2"} + extra);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 242);
        QCOMPARE(lines[0], QByteArray("frequency_hz,gain_db"));
        double peakHz = 0;
        double peakDb = -1e9;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> f = lines[i].split(',');
            if (f[1].toDouble() > peakDb) {
                peakDb = f[1].toDouble();
                peakHz = f[0].toDouble();
            }
        }
        QVERIFY2(peakDb > 5.5 && peakDb < 6.5, QByteArray::number(peakDb).constData());
        QVERIFY2(peakHz > 900 && peakHz < 1100, QByteArray::number(peakHz).constData());
    }
    // CH1 of the fixture is flat: every band bypassed.
    r = Run({"response", m_fixture, "--channel", "1", "--filter", "10"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains("1000,0.000") || r.out.count(",0.000") == 241);
}

void TestCompanion::overSocket() {
    const QString socket = m_dir.filePath(QStringLiteral("dev.sock"));
    // The trace goes to a file: a pipe nobody drains while a client runs would fill and stall the server.
    const QString traceFile = m_dir.filePath(QStringLiteral("trace.txt"));
    const auto readTrace = [&traceFile] {
        QFile f(traceFile);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    QProcess server;
    server.setStandardOutputFile(traceFile);
    server.start(QStringLiteral(SELVANO_CTL_PATH), {"simulate", "--listen", socket, "--trace"});
    QVERIFY(server.waitForStarted(kLimitMs));
    QByteArray trace;
    QTRY_VERIFY_WITH_TIMEOUT((trace = readTrace()).contains("listening"), kLimitMs);
    const QStringList dev{"--device", "socket:" + socket};

    const auto info = [&dev] {
        const Result r = Run(dev + QStringList{"info", "--json"});
        return r.exitCode == 0 ? Json(r.out) : QJsonObject();
    };
    Result r = Run(dev + QStringList{"preset", "store", "2", "Evening"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(info()[QStringLiteral("presets")][1][QStringLiteral("name")].toString(),
             QStringLiteral("Evening"));

    r = Run(dev + QStringList{"load", m_fixture});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QString back = m_dir.filePath(QStringLiteral("back.dsps"));
    r = Run(dev + QStringList{"read", "-o", back});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run({"show", back, "--json"});
    QCOMPARE(Json(r.out)[QStringLiteral("channels")][1][QStringLiteral("bands")][9][QStringLiteral("freq_hz")]
                 .toInt(),
             1000);

    r = Run(dev + QStringList{"preset", "recall", "2"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(info()[QStringLiteral("system")][QStringLiteral("current_preset")].toInt(), 2);
    r = Run(dev + QStringList{"preset", "delete", "2"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(info()[QStringLiteral("presets")][1][QStringLiteral("name")].toString(), QString());

    // A band frequency far from its old value goes out as a ramp: several writes of the band's slice, the
    // last one carrying the target (1000 Hz, little-endian e8 03).
    const qsizetype before = readTrace().size();
    r = Run(dev + QStringList{"set", "channel", "1", "band", "5", "freq", "1000"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QList<QByteArray> bandWrites;
    const auto collect = [&] {
        trace = readTrace();
        bandWrites.clear();
        for (const QByteArray& line : trace.mid(before).split('\n'))
            if (line.startsWith("write") && line.contains(" index=0 slice=4 "))
                bandWrites << line.mid(line.indexOf(':'));
        return !bandWrites.isEmpty() && bandWrites.last().startsWith(": e8 03");
    };
    QTRY_VERIFY_WITH_TIMEOUT(collect(), kLimitMs);
    QVERIFY2(bandWrites.size() >= 2, trace.mid(before).constData());
    QVERIFY(!bandWrites.first().startsWith(": e8 03"));

    // A channel name reaches the device, which keeps the first six of the field's seven characters; a name
    // too long for the field is refused before anything is sent.
    r = Run(dev + QStringList{"set", "channel", "2", "name", "Door"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run(dev + QStringList{"set", "channel", "2", "name", "Doorway"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run(dev + QStringList{"set", "channel", "2", "name", "Doorways"});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains("char Len error!"), r.err.constData());
    r = Run(dev + QStringList{"read", "-o", back});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run({"show", back, "--json"});
    QCOMPARE(Json(r.out)[QStringLiteral("channels")][1][QStringLiteral("name")].toString(),
             QStringLiteral("Doorwa"));

    // A filter text onto the device and out of it again, and delays from distances: what the device holds
    // afterwards is what was reported.
    r = Run(dev + QStringList{"eq-import", "--channel", "2", m_eqText});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run(dev + QStringList{"eq-export", "--channel", "2"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.out.contains("\nPreamp: -7 dB\n"), r.out.constData());
    QVERIFY(r.out.contains("\nFilter 2: ON PK Fc 209 Hz Gain -3.9 dB Q 3.997\n"));
    r = Run(dev + QStringList{"align", "--unit", "cm", "1=212", "2=190"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run(dev + QStringList{"read", "-o", back});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run({"show", back, "--json"});
    const QJsonObject ch2 = Channel(r, 2);
    QCOMPARE(ch2[QStringLiteral("delay_samples")].toInt(), 30);
    QCOMPARE(ch2[QStringLiteral("gain_db")].toInt(), -7);
    QCOMPARE(ch2[QStringLiteral("bands")][0][QStringLiteral("kind")].toString(), QStringLiteral("low_shelf"));
    QCOMPARE(ch2[QStringLiteral("bands")][0][QStringLiteral("freq_hz")].toInt(), 83);
    QCOMPARE(ch2[QStringLiteral("bands")][1][QStringLiteral("freq_hz")].toInt(), 209);
    QCOMPARE(Channel(r, 1)[QStringLiteral("delay_samples")].toInt(), 0);

    const QString all = m_dir.filePath(QStringLiteral("socket.dspa"));
    r = Run(dev + QStringList{"backup", "-o", all});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(QFileInfo(all).size(), 58731);

    server.terminate();
    QVERIFY(server.waitForFinished(kLimitMs));
}

void TestCompanion::eqTextAndAlignmentOnAFile() {
    const QByteArray fixture = ReadAll(m_fixture);
    const QString edited = m_dir.filePath(QStringLiteral("edited.dsps"));

    // Onto CH3 of a copy: the report on stdout, the fixture itself untouched.
    Result r = Run({"eq-import", "--channel", "3", "--file", m_fixture, "-o", edited, m_eqText});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.out.contains("line 1: preamp -6.6 dB → channel gain -7 dB"), r.out.constData());
    QVERIFY(r.out.contains("line 6: HP is no EQ band type"));
    QVERIFY(r.out.contains("line 4: switched off: dropped"));
    QVERIFY(r.out.contains("largest difference from the text's curve"));
    QCOMPARE(ReadAll(m_fixture), fixture);

    r = Run({"show", edited, "--json"});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject ch3 = Channel(r, 3);
    QCOMPARE(ch3[QStringLiteral("gain_db")].toInt(), -7);
    const QJsonArray bands = ch3[QStringLiteral("bands")].toArray();
    QCOMPARE(bands[0][QStringLiteral("kind")].toString(), QStringLiteral("low_shelf"));
    QCOMPARE(bands[0][QStringLiteral("slope")].toInt(), 1);
    QCOMPARE(bands[0][QStringLiteral("freq_hz")].toInt(), 83);
    QCOMPARE(bands[1][QStringLiteral("freq_hz")].toInt(), 209);
    QCOMPARE(bands[1][QStringLiteral("bandwidth_index")].toInt(), 31);
    QCOMPARE(bands[2][QStringLiteral("bypass")].toBool(), true); // switched off in the text: flat
    QCOMPARE(bands[2][QStringLiteral("gain_db")].toDouble(), 0.0);
    QCOMPARE(bands[3][QStringLiteral("kind")].toString(), QStringLiteral("high_shelf"));
    QCOMPARE(bands[4][QStringLiteral("bypass")].toBool(), true);
    QCOMPARE(Channel(r, 2)[QStringLiteral("bands")][9][QStringLiteral("gain_db")].toDouble(), 6.0);

    // Out as text, into CH4 of the same file in place: the same bands again.
    const QString exported = m_dir.filePath(QStringLiteral("exported.txt"));
    r = Run({"eq-export", "--channel", "3", "--file", edited, "-o", exported});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QByteArray text = ReadAll(exported);
    QVERIFY2(text.contains("\nPreamp: -7 dB\nFilter 1: ON LSC Fc "), text.constData());
    QVERIFY(text.contains("\nFilter 2: ON PK Fc 209 Hz Gain -3.9 dB Q 3.997\n"));
    QVERIFY(!text.contains("Filter 3:"));
    r = Run({"eq-import", "--channel", "4", "--file", edited, exported});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run({"show", edited, "--json"});
    const QJsonObject ch4 = Channel(r, 4);
    QCOMPARE(ch4[QStringLiteral("gain_db")].toInt(), -7);
    for (int k = 0; k < 31; ++k) {
        QJsonObject a = ch3[QStringLiteral("bands")][k].toObject();
        QJsonObject b = ch4[QStringLiteral("bands")][k].toObject();
        if (a[QStringLiteral("gain_db")].toDouble() == 0.0)
            continue; // flat: only its frequency may differ
        if (a[QStringLiteral("kind")].toString() != QLatin1String("peak")) {
            a.remove(QStringLiteral("bandwidth_index"));
            b.remove(QStringLiteral("bandwidth_index"));
        }
        QCOMPARE(b, a);
    }
    r = Run({"eq-export", "--channel", "4", "--file", edited});
    QCOMPARE(r.out.mid(r.out.indexOf('\n')), text.mid(text.indexOf('\n')));

    // Delays from distances; the channels not named keep theirs. Refused, the file stays as it was.
    r = Run({"align", "--file", edited, "1=212cm", "3=190cm", "6=160cm"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run({"show", edited, "--json"});
    QCOMPARE(Channel(r, 1)[QStringLiteral("delay_samples")].toInt(), 0);
    QCOMPARE(Channel(r, 3)[QStringLiteral("delay_samples")].toInt(), 30);
    QCOMPARE(Channel(r, 6)[QStringLiteral("delay_samples")].toInt(), 72);
    QCOMPARE(Channel(r, 2)[QStringLiteral("delay_samples")].toInt(), 0);
    const QByteArray before = ReadAll(edited);
    r = Run({"align", "--file", edited, "1=10cm", "3=800cm"});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains("more than the 960 samples"), r.err.constData());
    r = Run({"eq-import", "--channel", "5", "--file", edited, m_highPassOnly});
    QCOMPARE(r.exitCode, 3);
    QCOMPARE(ReadAll(edited), before);
}

QTEST_GUILESS_MAIN(TestCompanion)
#include "tst_companion.moc"
