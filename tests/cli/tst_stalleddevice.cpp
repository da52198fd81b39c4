// Every device command of the companion, run in this process, against a device that stops answering
// part-way: it exits 4 and writes no file whenever the device went silent before it had acknowledged all of
// the command's work, and exits 0 once it has.
#include "cli/CliOptions.h"
#include "cli/DeviceCommands.h"
#include "cli/FirmwareCommand.h"
#include "model/TavelDoc.h"
#include "presets/PresetFile.h"
#include "sim/SimDevice.h"
#include "support/FirmwareContent.h"
#include "support/TempSettings.h"
#include "support/TestFile.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <memory>

using namespace std::chrono_literals;

namespace {

using Run = int (*)(const CliOptions&, const QStringList&, QTextStream&, QTextStream&);

// The requests of a connection other than status polls: the identifier, the system reads and preset names,
// the eight blocks of the live image.
constexpr int kConnectionRequests = 1 + 5 + 6 + 8;
// Master off; for presets 1..6 the music-input block and eight output blocks; master back on.
constexpr int kBackupRead = 1 + 6 * 9 + 1;

struct Command {
    const char* name;
    Run run;
    QStringList args; // "%1" stands for the test's folder
    int work;         // requests of the command's own work (status polls not counted)
    bool connects;    // the connection comes first; for info and read it is the work itself
    const char* file; // what the command writes, in the test's folder; empty when nothing
    qint64 fileSize;
};

const std::array<Command, 15> kCommands{{
    {"info", RunInfoCommand, {}, kConnectionRequests, false, "", 0},
    {"read", RunReadCommand, {"-o", "%1/out.dsps"}, kConnectionRequests, false, "out.dsps", 2809},
    // Master off; for presets 1..6 the music-input block and eight output blocks; master back on.
    {"backup", RunBackupCommand, {"-o", "%1/out"}, kBackupRead, true, "out.dspa", 58731},
    // The name, then the eight output blocks of the working setup.
    {"load setup", RunLoadCommand, {"%1/in.dsps"}, 1 + 8, true, "", 0},
    // Sound off for eight channels, music-input and output blocks of the live image, name, music-input and
    // output blocks of presets 1..6, sound back.
    {"load all data", RunLoadCommand, {"%1/in.dspa", "--no-backup"}, 8 + 9 + 6 * 10 + 8, true, "", 0},
    // The automatic backup's read (as the backup command's) first.
    {"load all data after a backup",
     RunLoadCommand,
     {"%1/in.dspa"},
     kBackupRead + 8 + 9 + 6 * 10 + 8,
     true,
     "",
     0},
    {"preset store", RunPresetCommand, {"store", "2"}, 1 + 8, true, "", 0},
    {"preset store named", RunPresetCommand, {"store", "2", "Evening"}, 1 + 1 + 8 + 1, true, "", 0},
    {"preset recall", RunPresetCommand, {"recall", "2"}, 1 + 8 + 1, true, "", 0},
    {"preset delete", RunPresetCommand, {"delete", "2"}, 1, true, "", 0},
    {"set gain", RunSetCommand, {"channel", "1", "gain", "-10"}, 1, true, "", 0},
    // From 51 Hz the band's sent frequency doubles until it would pass 1000 Hz, then goes out once more
    // at the target.
    {"set band frequency", RunSetCommand, {"channel", "1", "band", "5", "freq", "1000"}, 6, true, "", 0},
    {"factory-reset", RunFactoryResetCommand, {"--yes", "--no-backup"}, 1, true, "", 0},
    {"factory-reset after a backup", RunFactoryResetCommand, {"--yes"}, kBackupRead + 1, true, "", 0},
    // A DSP file of 300 bytes: 176, 177, two chunks of 178, 179; no connection comes first.
    {"firmware", RunFirmwareCommand, {"%1/fw.MVA"}, 5, false, "", 0},
}};

// Short enough that some two hundred silent runs stay quick, long enough that a loaded machine answers.
TimingProfile ShortReplyLimit() {
    TimingProfile t = TimingProfile::Fast();
    t.replyLimit = 100ms;
    t.firmwareLimit = 100ms;
    return t;
}

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Result RunCommand(const Command& command, const QString& dir, const std::shared_ptr<CSimDevice>& sim) {
    CliOptions options;
    options.device.kind = DeviceOption::Kind::Sim;
    options.sim = sim;
    options.timing = ShortReplyLimit();
    options.backupFolder =
        dir + QStringLiteral("/backups"); // the automatic backups stay in the test's folder
    QStringList args;
    for (const QString& a : command.args)
        args << (a.contains(QLatin1String("%1")) ? a.arg(dir) : a);
    Result r;
    {
        QTextStream out(&r.out);
        QTextStream err(&r.err);
        r.exitCode = command.run(options, args, out, err);
    }
    return r;
}

// Valid input files from a document at start-up values.
bool WriteInputs(const QString& dir) {
    CTavelDoc doc;
    CPresetFile files(doc.Globals(), doc.Data());
    return files.SaveSetupFile(dir + QStringLiteral("/in.dsps")) &&
           files.SaveAllFile(dir + QStringLiteral("/in.dspa")) &&
           WriteFile(dir + QStringLiteral("/fw.MVA"), FirmwareContent(300));
}

} // namespace

class TestStalledDevice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void exitsFourUntilTheWorkIsAcknowledged_data();
    void exitsFourUntilTheWorkIsAcknowledged();

private:
    CTempSettings m_settings; // the firmware command remembers its file
    QTemporaryDir m_inputs;
};

void TestStalledDevice::initTestCase() {
    QVERIFY(m_settings.isValid());
    QVERIFY(m_inputs.isValid());
    QVERIFY(WriteInputs(m_inputs.path()));
}

void TestStalledDevice::exitsFourUntilTheWorkIsAcknowledged_data() {
    QTest::addColumn<int>("command");  // index into kCommands
    QTest::addColumn<int>("answered"); // requests of the work the device answers before it goes silent
    for (int c = 0; c < static_cast<int>(kCommands.size()); ++c)
        for (int n = 0; n <= kCommands[static_cast<std::size_t>(c)].work; ++n)
            QTest::addRow("%s, silent after %d of %d", kCommands[static_cast<std::size_t>(c)].name, n,
                          kCommands[static_cast<std::size_t>(c)].work)
                << c << n;
}

void TestStalledDevice::exitsFourUntilTheWorkIsAcknowledged() {
    QFETCH(int, command);
    QFETCH(int, answered);
    const Command& c = kCommands[static_cast<std::size_t>(command)];
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(
        QFile::copy(m_inputs.filePath(QStringLiteral("in.dsps")), dir.filePath(QStringLiteral("in.dsps"))));
    QVERIFY(
        QFile::copy(m_inputs.filePath(QStringLiteral("in.dspa")), dir.filePath(QStringLiteral("in.dspa"))));
    QVERIFY(QFile::copy(m_inputs.filePath(QStringLiteral("fw.MVA")), dir.filePath(QStringLiteral("fw.MVA"))));

    // The device goes silent once it has answered this many requests other than status polls: the
    // listener runs on the worker right after each request, before the worker writes the next one.
    auto sim = std::make_shared<CSimDevice>();
    const int silentAfter = (c.connects ? kConnectionRequests : 0) + answered;
    CSimDevice* device = sim.get();
    const auto requests = [device] {
        const SimCounters counters = device->Counters();
        return counters.accepted - counters.statusPolls;
    };
    const auto stopAtLimit = [device, requests, silentAfter] {
        if (requests() >= silentAfter)
            device->StopAnsweringAfter(0);
    };
    stopAtLimit();
    sim->SetListener([stopAtLimit](const std::string&) { stopAtLimit(); });

    const Result r = RunCommand(c, dir.path(), sim);
    sim->SetListener({});
    const bool acknowledged = answered == c.work;
    QVERIFY2(r.exitCode == (acknowledged ? 0 : 4), r.err.constData());
    if (acknowledged) {
        // The command's work is exactly what the table says: the runs above covered every request of it.
        QCOMPARE(requests() - (c.connects ? kConnectionRequests : 0), c.work);
        QVERIFY(!r.err.contains("unable to connect"));
    } else {
        QVERIFY2(r.err.contains("unable to connect"), r.err.constData());
        QVERIFY(r.out.isEmpty());
    }
    if (*c.file) {
        const QFileInfo written(dir.filePath(QString::fromLatin1(c.file)));
        QCOMPARE(written.exists(), acknowledged);
        if (acknowledged)
            QCOMPARE(written.size(), c.fileSize);
    }
}

QTEST_GUILESS_MAIN(TestStalledDevice)
#include "tst_stalleddevice.moc"
