// The automatic backups as the user meets them: before the factory reset, the firmware update, loading an
// all-data file and storing over a named preset; the failure question; restoring a backup from the settings
// menu; the menu's switch.
#include "app/FileChooser.h"
#include "app/FormDialogs.h"
#include "app/InputSourceNameDlg.h"
#include "app/SourceLoadDlg.h"
#include "app/SourceSaveDlg.h"
#include "app/TitleBar.h"
#include "app/TitleButton.h"
#include "app/TopMenu.h"
#include "app/UpgradeDlg.h"
#include "controls/BitmapButton.h"
#include "link/SettingsStore.h"
#include "presets/PresetFile.h"
#include "support/ControllerRig.h"
#include "support/FirmwareContent.h"
#include "support/PresetFileContent.h"
#include "support/TestFile.h"

#include "app/FormActions.h"
#include "app/FormRig.h"

#include <QDir>
#include <QLineEdit>
#include <QMenu>

#include <cstring>

namespace {

const QString kFactoryQuestion = QStringLiteral(
    "After restoring the factory settings, all your data will be lost. This process is not recoverable!  "
    "Choose 'YES' to clear the data, and choose 'NO' to do nothing.");
const QString kFactoryQuestionZh = QStringLiteral(
    "恢复出厂设置后，您的数据会全部丢失，这个过程是不可恢复的！ 选择'是'则清除数据，选择'否'则不进行操作");

// Gain code (0..60) of channel c of device preset p: every block of every preset differs.
std::uint16_t PresetGain(int p, int c) {
    return static_cast<std::uint16_t>(1 + 8 * p + c);
}

void MarkDevice(SimState& s) {
    for (int p = 1; p <= CPresetMemories::kDialogPresets; ++p)
        for (int c = 0; c < Layout::kChannels; ++c)
            s.Preset(p).outputs[c].gainCode = PresetGain(p, c);
    std::memcpy(s.Preset(4).name, "Jazz", 4);
}

bool DeviceMarked(const SimState& s) {
    for (int p = 1; p <= CPresetMemories::kDialogPresets; ++p)
        for (int c = 0; c < Layout::kChannels; ++c)
            if (s.Preset(p).outputs[c].gainCode != PresetGain(p, c))
                return false;
    return true;
}

// Gain code of channel c of memory p - 1 in an all-data file.
std::uint16_t FileGain(const QByteArray& file, int p, int c) {
    const std::size_t at = PresetFileFormat::kAllPresets + (p - 1) * Layout::kImageSize +
                           offsetof(ParamImage, outputs) + c * Layout::kOutputBlockSize +
                           offsetof(OutputBlock, gainCode);
    std::uint16_t gain = 0;
    std::memcpy(&gain, file.constData() + at, sizeof gain);
    return gain;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The form on the simulated device with marked presets; file dialogs answered by the test.
struct BackupRig : FormRig {
    QTemporaryDir dir;
    QList<FileRequest> requests;
    QString answer;

    static TimingProfile Timing() {
        TimingProfile t = CControllerRig::Timing();
        t.firmwareLimit = std::chrono::milliseconds(2000); // the device's restart within the update
        return t;
    }

    explicit BackupRig(int lang = 0) : FormRig(lang, Timing()) {
        Sim().ModifyState(MarkDevice);
        View().Dialogs().Files().SetChooser([this](const FileRequest& request, CFileChooser::Answer reply) {
            requests << request;
            reply(answer);
        });
    }
    CDeviceBackup& Backup() { return View().Backup(); }
    // The settings menu item `id`, chosen as the user clicks it.
    bool Choose(int id) { return ChooseMenuItem(View(), CTitleBar::kSettingsMenu, id); }
    bool Click(const QString& text, QMessageBox::StandardButton button) {
        if (!QTest::qWaitFor([&] { return BoxSaying(text) != nullptr; }, kLimit))
            return false;
        QTest::mouseClick(BoxSaying(text)->button(button), Qt::LeftButton);
        return QTest::qWaitFor([&] { return BoxSaying(text) == nullptr; }, kLimit);
    }
    bool ResetFromMenu(int lang = 0) {
        return Choose(lang == 1 ? 32828 : 32829) &&
               Click(lang == 1 ? kFactoryQuestionZh : kFactoryQuestion, QMessageBox::Yes);
    }
    bool WaitIdle() {
        return QTest::qWaitFor(
            [this] {
                return !Backup().Running() && !View().TransferPopup().isVisible() && Controller().Settled();
            },
            kLimit);
    }
    QStringList Reasons() {
        QStringList out;
        for (const BackupEntry& entry : Backup().Backups())
            out << entry.reason;
        return out;
    }
};

QString FailureText(const SysText& reason, int lang) {
    return reason.In(lang) + QLatin1Char('\n') + CDeviceBackup::kGoOnQuestion.In(lang);
}

} // namespace

class TestBackups : public QObject {
    Q_OBJECT

private slots:
    void factoryResetFromTheMenuWritesABackupFirst();
    void failedBackupAsksBeforeTheReset_data();
    void failedBackupAsksBeforeTheReset();
    void restoreFromTheMenuPutsABackupOntoTheDevice();
    void restoreWithoutADeviceAsksForNoFile();
    void menuSwitchTurnsBackupsOffAndIsRemembered();
    void storingOverANamedPresetBacksUpFirst_data();
    void storingOverANamedPresetBacksUpFirst();
    void loadingAnAllDataFileBacksUpFirst_data();
    void loadingAnAllDataFileBacksUpFirst();
    void firmwareUpdateStartsAfterTheBackup();
};

void TestBackups::factoryResetFromTheMenuWritesABackupFirst() {
    BackupRig f;
    QVERIFY(f.Connect());
    bool markedWhenWritten = false;
    QObject context;
    connect(&f.Backup(), &CDeviceBackup::backupWritten, &context,
            [&] { markedWhenWritten = DeviceMarked(f.Sim().State()); });
    QVERIFY(f.ResetFromMenu());
    QTRY_VERIFY_WITH_TIMEOUT(!DeviceMarked(f.Sim().State()), FormRig::kLimit); // reset
    QVERIFY(markedWhenWritten);                                                // not before the backup

    const QList<BackupEntry> backups = f.Backup().Backups();
    QCOMPARE(backups.size(), 1);
    QCOMPARE(backups[0].reason, QStringLiteral("factory-reset"));
    QCOMPARE(QFileInfo(backups[0].path).absolutePath(), QDir(f.BackupFolder()).absolutePath());
    const QByteArray file = ReadAll(backups[0].path);
    QCOMPARE(file.size(), qsizetype(PresetFileFormat::kAllFileSize));
    for (int p = 1; p <= CPresetMemories::kDialogPresets; ++p)
        QCOMPARE(FileGain(file, p, 3), PresetGain(p, 3));
    QVERIFY(VisibleBoxes().isEmpty());
}

void TestBackups::failedBackupAsksBeforeTheReset_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("goOn");
    QTest::newRow("no") << 0 << false;
    QTest::newRow("yes") << 0 << true;
    QTest::newRow("Chinese, no") << 1 << false;
}

// The backups folder cannot be made: the question says so in the window's language; No leaves the device
// as it was, Yes resets it without a backup.
void TestBackups::failedBackupAsksBeforeTheReset() {
    QFETCH(int, language);
    QFETCH(bool, goOn);
    BackupRig f(language);
    QVERIFY(WriteFile(f.BackupFolder(), "a file where the folder should be"));
    QVERIFY(f.Connect());
    QVERIFY(f.ResetFromMenu(language));
    const QString question = FailureText(CDeviceBackup::kFolderError, language);
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(question) != nullptr, FormRig::kLimit);
    QCOMPARE(BoxSaying(question)->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    QVERIFY(f.WaitForPolls(5));
    QVERIFY(DeviceMarked(f.Sim().State())); // held while the question is open

    QVERIFY(f.Click(question, goOn ? QMessageBox::Yes : QMessageBox::No));
    if (goOn) {
        QTRY_VERIFY_WITH_TIMEOUT(!DeviceMarked(f.Sim().State()), FormRig::kLimit);
    } else {
        QVERIFY(f.WaitForPolls(20));
        QVERIFY(DeviceMarked(f.Sim().State()));
    }
    QVERIFY(f.Controller().LinkOpen());
}

void TestBackups::restoreFromTheMenuPutsABackupOntoTheDevice() {
    BackupRig f;
    QVERIFY(f.Connect());
    QVERIFY(f.ResetFromMenu());
    QTRY_VERIFY_WITH_TIMEOUT(!DeviceMarked(f.Sim().State()) && f.Backup().Backups().size() == 1,
                             FormRig::kLimit);
    QVERIFY(f.WaitIdle());
    f.answer = f.Backup().Backups().first().path;

    QVERIFY(f.Choose(32850));
    QCOMPARE(f.requests.size(), 1);
    QCOMPARE(f.requests[0].mode, FileRequest::Mode::Open);
    QCOMPARE(QDir(f.requests[0].directory).absolutePath(), QDir(f.BackupFolder()).absolutePath());
    QVERIFY(f.requests[0].filters.value(0).contains(QStringLiteral("*.dspa")));
    QTRY_VERIFY_WITH_TIMEOUT(DeviceMarked(f.Sim().State()), FormRig::kLimit);
    QVERIFY(f.WaitIdle());
    // The reset device was backed up before the restore wrote over it.
    QCOMPARE(f.Reasons(), (QStringList{QStringLiteral("load-all-data"), QStringLiteral("factory-reset")}));
    QVERIFY(FileGain(ReadAll(f.Backup().Backups().first().path), 2, 0) != PresetGain(2, 0));
    QVERIFY(VisibleBoxes().isEmpty());
}

void TestBackups::restoreWithoutADeviceAsksForNoFile() {
    BackupRig f;
    f.View().RestoreBackup();
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(CDeviceController::kNotConnected.In(0)) != nullptr, FormRig::kLimit);
    QVERIFY(f.requests.isEmpty());
}

void TestBackups::menuSwitchTurnsBackupsOffAndIsRemembered() {
    BackupRig f;
    QVERIFY(f.Connect());
    QVERIFY(f.Choose(32851));
    QVERIFY(!f.Backup().Enabled());
    CSettingsStore stored;
    stored.LoadAutoBackup();
    QVERIFY(!stored.AutoBackup());

    // The item shows the switch each time the menu opens.
    QTest::mouseClick(f.View().findChild<CTitleButton*>(QString::number(CTitleBar::kSettingsMenu)),
                      Qt::LeftButton);
    QAction* item = f.View().findChild<QAction*>(QStringLiteral("32851"));
    QVERIFY(item && item->isCheckable());
    QVERIFY(!item->isChecked());
    qobject_cast<QMenu*>(item->parent())->close();

    QVERIFY(f.ResetFromMenu());
    QTRY_VERIFY_WITH_TIMEOUT(!DeviceMarked(f.Sim().State()), FormRig::kLimit);
    QVERIFY(f.Backup().Backups().isEmpty());

    QVERIFY(f.Choose(32851));
    QVERIFY(f.Backup().Enabled());
    stored.LoadAutoBackup();
    QVERIFY(stored.AutoBackup());
}

void TestBackups::storingOverANamedPresetBacksUpFirst_data() {
    QTest::addColumn<int>("preset");
    QTest::addColumn<bool>("backedUp");
    QTest::newRow("named memory") << 4 << true;
    QTest::newRow("memory without a name") << 2 << false;
}

void TestBackups::storingOverANamedPresetBacksUpFirst() {
    QFETCH(int, preset);
    QFETCH(bool, backedUp);
    BackupRig f;
    QVERIFY(f.Connect());
    f.View().RunCommand(TopCommand::PresetSave);
    CSourceSaveDlg* dialog = f.View().Dialogs().SourceSave();
    QVERIFY(dialog);
    QTest::mouseClick(dialog->PresetButton(preset), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(dialog->NameDialog() && dialog->NameDialog()->isVisible(), FormRig::kLimit);
    CInputSourceNameDlg* entry = dialog->NameDialog();
    entry->Field()->selectAll();
    QTest::keyClicks(entry->Field(), QStringLiteral("Rock"));
    QTest::mouseClick(entry->OkButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(
        QByteArray(reinterpret_cast<const char*>(f.Sim().State().Preset(preset).name), 4), QByteArray("Rock"),
        FormRig::kLimit);
    QVERIFY(f.WaitIdle());
    QCOMPARE(f.Reasons(), backedUp ? QStringList{QStringLiteral("store-preset")} : QStringList{});
    if (backedUp) // the name the store replaced is in the backup
        QCOMPARE(QByteArray(ReadAll(f.Backup().Backups().first().path)
                                .mid(qsizetype(PresetFileFormat::kAllPresets + 3 * Layout::kImageSize), 4)),
                 QByteArray("Jazz"));
}

void TestBackups::loadingAnAllDataFileBacksUpFirst_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("backedUp");
    QTest::newRow("all-data file") << "everything.dspa" << PresetFileContent::AllDataFile() << true;
    QTest::newRow("setup file") << "mine.dsps" << PresetFileContent::SetupFile() << false;
    QTest::newRow("damaged all-data file")
        << "short.dspa" << PresetFileContent::AllDataFile().left(100) << false;
}

void TestBackups::loadingAnAllDataFileBacksUpFirst() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, backedUp);
    BackupRig f;
    QVERIFY(f.Connect());
    f.View().RunCommand(TopCommand::PresetRecall);
    CSourceLoadDlg* dialog = f.View().Dialogs().SourceLoad();
    QVERIFY(dialog);
    f.answer = WriteTestFile(f.dir, name, content);
    QTest::mouseClick(dialog->FileButton(), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !f.Backup().Running(); }, FormRig::kLimit));
    QVERIFY(f.WaitIdle());
    QCOMPARE(f.Reasons(), backedUp ? QStringList{QStringLiteral("load-all-data")} : QStringList{});
    if (backedUp) {
        QVERIFY(!DeviceMarked(f.Sim().State())); // the file's presets are on the device now
        QCOMPARE(FileGain(ReadAll(f.Backup().Backups().first().path), 5, 1), PresetGain(5, 1));
    }
}

// The update takes the link over: the backup is written while the link is still the tool's, then the update
// starts and finishes.
void TestBackups::firmwareUpdateStartsAfterTheBackup() {
    BackupRig f;
    f.Sim().SetRestartTime(std::chrono::milliseconds(20));
    QVERIFY(f.Connect());
    f.View().RunCommand(TopCommand::FirmwareUpdate);
    CUpgradeDlg* dialog = f.View().Dialogs().Upgrade();
    QVERIFY(dialog);
    bool updateStartedBeforeBackup = false;
    QObject context;
    connect(&f.Backup(), &CDeviceBackup::backupWritten, &context,
            [&] { updateStartedBeforeBackup = dialog->Busy() || !f.Sim().Firmware().stages.empty(); });
    const QString path = WriteTestFile(f.dir, QStringLiteral("fw.MVA"), FirmwareContent(300));
    dialog->PathField()->setText(path);
    QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
    QVERIFY(dialog->BackingUp() || dialog->Busy());
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(CFirmwareUpdate::kUpdateDone.In(0)) != nullptr, FormRig::kLimit);
    QVERIFY(!updateStartedBeforeBackup);
    QCOMPARE(f.Reasons(), QStringList{QStringLiteral("firmware-update")});
}

QTEST_MAIN(TestBackups)
#include "tst_Backups.moc"
