// Automatic backups before destructive steps, on the in-process simulated device.
#include "control/DeviceBackup.h"
#include "control/PresetMemories.h"
#include "presets/PresetFile.h"
#include "support/ControllerRig.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <optional>

namespace {

// A distinct byte in every output block of stored presets 1..6, so that the device's presets differ from
// what a factory reset leaves.
constexpr std::size_t kMarkedByte = offsetof(ParamImage, outputs) + 20;

std::uint8_t MarkOf(int preset, int channel) {
    return static_cast<std::uint8_t>(0x40 + preset * 8 + channel);
}

void MarkPresets(CSimDevice& sim) {
    sim.ModifyState([](SimState& s) {
        for (int p = 1; p <= CPresetMemories::kDialogPresets; ++p)
            for (int c = 0; c < Layout::kChannels; ++c)
                s.Preset(p).Bytes()[kMarkedByte + c * Layout::kOutputBlockSize] = MarkOf(p, c);
    });
}

bool PresetsMarked(const SimState& s) {
    for (int p = 1; p <= CPresetMemories::kDialogPresets; ++p)
        for (int c = 0; c < Layout::kChannels; ++c)
            if (s.Preset(p).Bytes()[kMarkedByte + c * Layout::kOutputBlockSize] != MarkOf(p, c))
                return false;
    return true;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A session on the simulated device with a backup over it whose folder is a fresh temporary one.
struct BackupRig {
    QTemporaryDir dir;
    CControllerRig rig;
    CDeviceBackup backup{rig.session};

    BackupRig() {
        MarkPresets(*rig.sim);
        backup.SetFolder(Folder());
    }
    QString Folder() const { return dir.filePath(QStringLiteral("backups")); }
    QStringList Files() const { return QDir(Folder()).entryList(QDir::Files, QDir::Name); }
    CPresetMemories& Presets() { return rig.session.Presets(); }

    // What an all-data save of the device writes now.
    QByteArray AllDataSave() {
        const QString path = dir.filePath(QStringLiteral("reference.dspa"));
        if (!Presets().SaveAllData(path))
            return {};
        if (!rig.WaitFor([&] { return Presets().PendingAllDataPath().isEmpty() && QFile::exists(path); }))
            return {};
        // The read's transfer ends after the file is written; the next transfer waits for that.
        rig.WaitFor([&] { return !rig.view.PopupShown(); });
        const QByteArray bytes = ReadAll(path);
        QFile::remove(path);
        return bytes;
    }
};

} // namespace

class TestDeviceBackup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void defaultFolderIsTheUsersDataFolder();
    void namesTellTimeAndReason_data();
    void namesTellTimeAndReason();
    void factoryResetRunsOnlyAfterTheBackupIsWritten();
    void failedBackupHoldsTheStepUntilAnswered_data();
    void failedBackupHoldsTheStepUntilAnswered();
    void secondRequestWhileRunningIsRefused();
    void backupAndAllDataSaveNeverTakeEachOthersPlace();
    void lostSaveDoesNotBlockLaterBackups();
    void onlyTheNewestBackupsAreKept();
    void quickBackupsKeepTheirOrder();
    void backupLeavesTheProgramsImageAsItWas();
    void noBackupWhenOffOrUnlinked_data();
    void noBackupWhenOffOrUnlinked();
};

void TestDeviceBackup::defaultFolderIsTheUsersDataFolder() {
    QCOMPARE(CDeviceBackup::DefaultFolder(),
             QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/backups"));
}

void TestDeviceBackup::namesTellTimeAndReason_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("backup");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("sequence");
    QTest::newRow("factory reset") << "2026-12-10_19-40-05_factory-reset.dspa" << true << "factory-reset"
                                   << 0;
    QTest::newRow("same second") << "2026-12-10_19-40-05_store-preset-2.dspa" << true << "store-preset" << 2;
    QTest::newRow("no month 13") << "2026-13-10_19-40-05_load-all-data.dspa" << false << "" << 0;
    QTest::newRow("other reason") << "2026-12-10_19-40-05_other.dspa" << false << "" << 0;
    QTest::newRow("setup file") << "2026-12-10_19-40-05_firmware-update.dsps" << false << "" << 0;
    QTest::newRow("user's own file") << "my car.dspa" << false << "" << 0;
}

void TestDeviceBackup::namesTellTimeAndReason() {
    QFETCH(QString, name);
    QFETCH(bool, backup);
    QFETCH(QString, reason);
    QFETCH(int, sequence);
    const std::optional<BackupEntry> entry = CDeviceBackup::Parse(QStringLiteral("/some/folder/") + name);
    QCOMPARE(entry.has_value(), backup);
    if (!entry)
        return;
    QCOMPARE(entry->reason, reason);
    QCOMPARE(entry->sequence, sequence);
    QCOMPARE(CDeviceBackup::FileName(entry->time,
                                     reason == QLatin1String("factory-reset")
                                         ? CDeviceBackup::Reason::FactoryReset
                                         : CDeviceBackup::Reason::StorePreset,
                                     sequence),
             name);
}

void TestDeviceBackup::factoryResetRunsOnlyAfterTheBackupIsWritten() {
    BackupRig r;
    QVERIFY(r.rig.Connect());
    const QByteArray before = r.AllDataSave();
    QCOMPARE(before.size(), qsizetype(PresetFileFormat::kAllFileSize));

    bool stepRan = false;
    QStringList filesAtStep;
    QByteArray backupAtStep;
    bool deviceUntouchedAtStep = false;
    const auto start = r.backup.Run(CDeviceBackup::Reason::FactoryReset, [&] {
        stepRan = true;
        filesAtStep = r.Files();
        if (!filesAtStep.isEmpty())
            backupAtStep = ReadAll(QDir(r.Folder()).filePath(filesAtStep.first()));
        deviceUntouchedAtStep = PresetsMarked(r.rig.sim->State());
        r.rig.C().FactoryReset();
    });
    QCOMPARE(start, CDeviceBackup::Start::Running);
    QVERIFY(!stepRan); // nothing waits inside Run
    QVERIFY(r.rig.WaitFor([&] { return stepRan; }));
    QVERIFY(r.rig.WaitFor([&] { return !PresetsMarked(r.rig.sim->State()); })); // the reset happened

    QVERIFY(deviceUntouchedAtStep);
    QCOMPARE(filesAtStep.size(), 1); // the complete file, no temporary one beside it
    const std::optional<BackupEntry> entry = CDeviceBackup::Parse(filesAtStep.first());
    QVERIFY(entry);
    QCOMPARE(entry->reason, QStringLiteral("factory-reset"));
    QVERIFY(qAbs(entry->time.secsTo(QDateTime::currentDateTime())) < 60);
    QCOMPARE(backupAtStep, before);
    // The file holds the presets as they were: memory p - 1 is device preset p.
    for (int p = 1; p <= CPresetMemories::kDialogPresets; ++p) {
        const std::size_t at = PresetFileFormat::kAllPresets + (p - 1) * Layout::kImageSize + kMarkedByte;
        QCOMPARE(std::uint8_t(backupAtStep.at(qsizetype(at))), MarkOf(p, 0));
    }
    QVERIFY(r.rig.WaitFor([&] { return !r.rig.view.PopupShown(); }));
    QVERIFY(r.AllDataSave() != before); // after the reset the device holds something else
    QCOMPARE(r.backup.Backups().size(), 1);
}

void TestDeviceBackup::failedBackupHoldsTheStepUntilAnswered_data() {
    QTest::addColumn<bool>("loseLink");
    QTest::addColumn<bool>("goOn");
    QTest::newRow("folder cannot be made, no") << false << false;
    QTest::newRow("folder cannot be made, yes") << false << true;
    QTest::newRow("link lost during the read, no") << true << false;
    QTest::newRow("link lost during the read, yes") << true << true;
}

void TestDeviceBackup::failedBackupHoldsTheStepUntilAnswered() {
    QFETCH(bool, loseLink);
    QFETCH(bool, goOn);
    BackupRig r;
    if (!loseLink) {
        // A file where the folder should go: no folder can be made there, whoever runs the test.
        QFile blocker(r.Folder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    QVERIFY(r.rig.Connect());

    std::optional<SysText> asked;
    CDeviceBackup::Answer answer;
    r.backup.SetAsker([&](const SysText& reason, CDeviceBackup::Answer a) {
        asked = reason;
        answer = std::move(a);
    });
    bool stepRan = false;
    QCOMPARE(r.backup.Run(CDeviceBackup::Reason::FactoryReset,
                          [&] {
                              stepRan = true;
                              r.rig.C().FactoryReset();
                          }),
             CDeviceBackup::Start::Running);
    if (loseLink)
        r.rig.sim->Unplug();
    QVERIFY(r.rig.WaitFor([&] { return asked.has_value(); }));
    QCOMPARE(*asked, loseLink ? CDeviceBackup::kLinkLost : CDeviceBackup::kFolderError);
    QVERIFY(!r.backup.Running());
    // The question stays open: nothing goes ahead meanwhile.
    QTest::qWait(50);
    QVERIFY(!stepRan);
    QVERIFY(PresetsMarked(r.rig.sim->State()));

    answer(goOn);
    QCOMPARE(stepRan, goOn);
    if (loseLink) {
        r.rig.sim->PlugIn();
        QVERIFY(PresetsMarked(r.rig.sim->State())); // no link: the reset only says so
        QVERIFY(r.backup.Backups().isEmpty());
    } else if (goOn) {
        QVERIFY(r.rig.WaitFor([&] { return !PresetsMarked(r.rig.sim->State()); }));
    } else {
        QVERIFY(r.rig.WaitForPolls(5));
        QVERIFY(PresetsMarked(r.rig.sim->State()));
    }
}

void TestDeviceBackup::secondRequestWhileRunningIsRefused() {
    BackupRig r;
    QVERIFY(r.rig.Connect());
    int steps = 0;
    QCOMPARE(r.backup.Run(CDeviceBackup::Reason::StorePreset, [&] { ++steps; }),
             CDeviceBackup::Start::Running);
    QCOMPARE(r.backup.Run(CDeviceBackup::Reason::StorePreset, [&] { steps += 10; }),
             CDeviceBackup::Start::Refused);
    QVERIFY(r.rig.WaitFor([&] { return steps > 0 && !r.backup.Running(); }));
    QTest::qWait(20);
    QCOMPARE(steps, 1);
    QCOMPARE(r.rig.view.Messages(), QStringList{QString::fromUtf8(CDeviceBackup::kBusy.en)});
}

// Both wait for the same read of the device: the later one is refused with a text, the earlier one's file
// is written.
void TestDeviceBackup::backupAndAllDataSaveNeverTakeEachOthersPlace() {
    BackupRig r;
    QVERIFY(r.rig.Connect());
    const QString userFile = r.dir.filePath(QStringLiteral("mine.dspa"));
    QVERIFY(r.Presets().SaveAllData(userFile));
    bool stepRan = false;
    QCOMPARE(r.backup.Run(CDeviceBackup::Reason::FactoryReset, [&] { stepRan = true; }),
             CDeviceBackup::Start::Refused);
    QVERIFY(r.rig.WaitFor([&] { return QFile::exists(userFile) && !r.rig.view.PopupShown(); }));
    QVERIFY(!stepRan);

    QCOMPARE(r.backup.Run(CDeviceBackup::Reason::StorePreset, [&] { stepRan = true; }),
             CDeviceBackup::Start::Running);
    QVERIFY(!r.Presets().SaveAllData(r.dir.filePath(QStringLiteral("second.dspa"))));
    QVERIFY(r.rig.WaitFor([&] { return stepRan; }));
    QCOMPARE(r.backup.Backups().size(), 1);
    QVERIFY(!QFile::exists(r.dir.filePath(QStringLiteral("second.dspa"))));
    QCOMPARE(r.rig.view.Messages(), (QStringList{QString::fromUtf8(CDeviceBackup::kBusy.en),
                                                 QString::fromUtf8(CPresetMemories::kBackupReading.en)}));
}

// A read lost with the link leaves no all-data save waiting that would refuse the next backup.
void TestDeviceBackup::lostSaveDoesNotBlockLaterBackups() {
    BackupRig r;
    QVERIFY(r.rig.Connect());
    QVERIFY(r.Presets().SaveAllData(r.dir.filePath(QStringLiteral("mine.dspa"))));
    r.rig.sim->Unplug();
    QVERIFY(r.rig.WaitIdle());
    r.rig.sim->PlugIn();
    QVERIFY(r.rig.Connect());
    bool stepRan = false;
    QCOMPARE(r.backup.Run(CDeviceBackup::Reason::StorePreset, [&] { stepRan = true; }),
             CDeviceBackup::Start::Running);
    QVERIFY(r.rig.WaitFor([&] { return stepRan; }));
}

void TestDeviceBackup::onlyTheNewestBackupsAreKept() {
    BackupRig r;
    QVERIFY(QDir().mkpath(r.Folder()));
    const QDir folder(r.Folder());
    const QDateTime old(QDate(2020, 1, 1), QTime(8, 0));
    constexpr int kOld = CDeviceBackup::kKept + 5;
    for (int i = 0; i < kOld; ++i) {
        QFile file(folder.filePath(
            CDeviceBackup::FileName(old.addSecs(i * 3600), CDeviceBackup::Reason::LoadAllData)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // Not backups by their names: never removed.
    for (const char* other : {"my car.dspa", "2020-01-01_07-00-00_other.dspa", "notes.txt"}) {
        QFile file(folder.filePath(QLatin1String(other)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(r.rig.Connect());
    bool stepRan = false;
    r.backup.Run(CDeviceBackup::Reason::StorePreset, [&] { stepRan = true; });
    QVERIFY(r.rig.WaitFor([&] { return stepRan && !r.backup.Running(); }));

    const QList<BackupEntry> kept = r.backup.Backups();
    QCOMPARE(kept.size(), CDeviceBackup::kKept);
    QCOMPARE(kept.first().reason, QStringLiteral("store-preset")); // the new one, newest first
    // The new one and the newest 19 old ones: the oldest six went.
    QCOMPARE(kept.last().time, old.addSecs((kOld - (CDeviceBackup::kKept - 1)) * 3600));
    for (int i = 1; i < kept.size(); ++i)
        QVERIFY(kept[i - 1].time > kept[i].time);
    for (const char* other : {"my car.dspa", "2020-01-01_07-00-00_other.dspa", "notes.txt"})
        QVERIFY(folder.exists(QLatin1String(other)));
}

// Backups taken within one second (the fast device needs a fraction of it) neither replace each other nor
// lose their order, whatever their reasons.
void TestDeviceBackup::quickBackupsKeepTheirOrder() {
    BackupRig r;
    QVERIFY(r.rig.Connect());
    const QList<CDeviceBackup::Reason> reasons{CDeviceBackup::Reason::StorePreset,
                                               CDeviceBackup::Reason::FactoryReset,
                                               CDeviceBackup::Reason::StorePreset};
    for (const CDeviceBackup::Reason reason : reasons) {
        bool stepRan = false;
        QCOMPARE(r.backup.Run(reason, [&] { stepRan = true; }), CDeviceBackup::Start::Running);
        QVERIFY(r.rig.WaitFor([&] { return stepRan && !r.backup.Running(); }));
    }
    QStringList order;
    for (const BackupEntry& entry : r.backup.Backups())
        order << entry.reason;
    QCOMPARE(order, (QStringList{"store-preset", "factory-reset", "store-preset"}));
    QCOMPARE(r.Files().size(), 3);
}

// The device's blank channel name is spaces; the program reads it as an empty name. Saving collects the
// objects (zeros there), but the backup must not change the program's image, which mirrors the device.
void TestDeviceBackup::backupLeavesTheProgramsImageAsItWas() {
    BackupRig r;
    r.rig.sim->ModifyState([](SimState& s) { std::memset(s.live.outputs[0].name, ' ', 7); });
    QVERIFY(r.rig.Connect());
    const QByteArray before(reinterpret_cast<const char*>(r.rig.G().liveImage.Bytes()), Layout::kImageSize);
    QCOMPARE(before.at(qsizetype(offsetof(ParamImage, outputs) + offsetof(OutputBlock, name))), ' ');
    bool stepRan = false;
    r.backup.Run(CDeviceBackup::Reason::StorePreset, [&] { stepRan = true; });
    QVERIFY(r.rig.WaitFor([&] { return stepRan; }));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(r.rig.G().liveImage.Bytes()), Layout::kImageSize),
             before);
}

void TestDeviceBackup::noBackupWhenOffOrUnlinked_data() {
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("linked");
    QTest::newRow("backups off") << false << true;
    QTest::newRow("no device") << true << false;
}

void TestDeviceBackup::noBackupWhenOffOrUnlinked() {
    QFETCH(bool, enabled);
    QFETCH(bool, linked);
    BackupRig r;
    r.backup.SetEnabled(enabled);
    if (linked)
        QVERIFY(r.rig.Connect());
    r.rig.view.Clear();
    bool stepRan = false;
    QCOMPARE(r.backup.Run(CDeviceBackup::Reason::FactoryReset, [&] { stepRan = true; }),
             CDeviceBackup::Start::Skipped);
    QVERIFY(stepRan); // at once, as without backups
    QTest::qWait(50);
    QVERIFY(r.Files().isEmpty());
    QVERIFY(r.rig.view.Lines(QStringLiteral("popup show")).isEmpty()); // nothing read from the device
}

QTEST_GUILESS_MAIN(TestDeviceBackup)
#include "tst_DeviceBackup.moc"
