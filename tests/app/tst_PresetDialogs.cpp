// The Source Load, Source Save and name-entry dialogs against the simulated device: what the buttons show,
// what a click, the context menu and the file button send and write, the texts in both languages and the
// keyboard.
#include "app/ChannelStrip.h"
#include "app/FileChooser.h"
#include "app/FormDialogs.h"
#include "app/InputSourceNameDlg.h"
#include "app/SourceLoadDlg.h"
#include "app/SourceSaveDlg.h"
#include "app/TavelApp.h"
#include "app/TopMenu.h"
#include "controls/BitmapButton.h"
#include "controls/SkinStatic.h"
#include "editors/NumEdit.h"
#include "model/KTV_Data.h"
#include "support/ControllerRig.h"
#include "support/GoldenImage.h"
#include "support/PresetFileContent.h"
#include "support/TestFile.h"

#include "app/FormRig.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>

#include <cstring>

using Kind = CSourceSaveDlg::FileKind;
using PresetDialog = CDeviceController::PresetDialog;
Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(PresetDialog)

namespace {

constexpr int kWire = 296;   // bytes of an output block that travel
constexpr int kMasterOn = 5; // system block byte

const QString kSystemWrite = QStringLiteral("W 4/144 s0 p0");

QByteArray Bytes(const void* data, int size) {
    return QByteArray(static_cast<const char*>(data), size);
}

QByteArray Wire(const OutputBlock& block) {
    return Bytes(&block, kWire);
}

// Gain code of channel c of device preset p: every block of every preset differs.
int PresetGain(int p, int c) {
    return 10 * p + c;
}

void PrepareDevice(SimState& s) {
    for (int p = 1; p <= 6; ++p)
        for (int c = 0; c < 8; ++c)
            s.Preset(p).outputs[c].gainCode = static_cast<std::uint16_t>(PresetGain(p, c));
    std::memcpy(s.Preset(4).name, "Jazz", 4);
    s.currentPreset = 5;
}

QStringList OutputBlocks(const char* direction, int preset) {
    QStringList out;
    for (int c = 0; c < 8; ++c)
        out << QStringLiteral("%1 3/%2 s0 p%3").arg(QLatin1String(direction)).arg(c).arg(preset);
    return out;
}

// The form on the simulated device, its file dialogs answered by the test: each request is written down and
// answered at once with `answer` (empty: the user cancelled).
struct DialogRig : FormRig {
    QTemporaryDir dir;
    QList<FileRequest> requests;
    QString answer;
    // The transfer popup's bar (position, range) each time a transfer ended.
    QList<QPair<int, int>> ends;
    QObject watcher;

    explicit DialogRig(int lang = 0) : FormRig(lang, CControllerRig::Timing()) {
        Sim().ModifyState(PrepareDevice);
        View().Dialogs().Files().SetChooser([this](const FileRequest& request, CFileChooser::Answer reply) {
            requests << request;
            reply(answer);
        });
        // After the form's own handler, which hides the popup and leaves its bar as it was.
        QObject::connect(session.get(), &CSession::transferFinished, &watcher, [this] {
            ends << qMakePair(View().TransferPopup().Position(), View().TransferPopup().Range());
        });
        // A backup before a destructive step is complete here: the trace and the ends show the step alone
        // (the backups themselves: tst_Backups).
        QObject::connect(&View().Backup(), &CDeviceBackup::backupWritten, &watcher, [this] {
            Sim().ClearTrace();
            ends.clear();
        });
    }

    CFormDialogs& Dialogs() { return View().Dialogs(); }
    CSourceLoadDlg* OpenLoad() {
        View().RunCommand(TopCommand::PresetRecall);
        return Dialogs().SourceLoad();
    }
    CSourceSaveDlg* OpenSave() {
        View().RunCommand(TopCommand::PresetSave);
        return Dialogs().SourceSave();
    }
    // Connected, the read-back's popup gone, a status poll seen; the trace and the ends start afresh.
    bool ConnectQuietly() {
        if (!Connect() || !WaitForPolls(1))
            return false;
        Sim().ClearTrace();
        ends.clear();
        return true;
    }
    // No backup under way, everything sent has been acknowledged and the popup is gone.
    bool WaitIdle() {
        return QTest::qWaitFor(
            [this] {
                return !View().Backup().Running() && !View().TransferPopup().isVisible() &&
                       Controller().Settled();
            },
            kLimit);
    }
    QStringList Requests() {
        QStringList trace = TraceLines(Sim());
        trace.removeAll(kStatusPollLine);
        return trace;
    }
    QStringList Writes() {
        QStringList out;
        for (const QString& line : Requests())
            if (line.startsWith(QLatin1Char('W')))
                out << line;
        return out;
    }
    std::vector<SimFrame> Frames(const QString& description) {
        std::vector<SimFrame> out;
        for (const SimFrame& f : Sim().Trace())
            if (DescribeFrame(f) == description)
                out.push_back(f);
        return out;
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
};

// The context menu as a right click opens it.
QMenu* RightClick(CPresetDlg* dialog, int k) {
    CBitmapButton* button = dialog->PresetButton(k);
    const QPoint at = button->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, button->mapToGlobal(at));
    QApplication::sendEvent(button, &event);
    QMenu* menu = dialog->ContextMenu();
    return menu && QTest::qWaitFor([menu] { return menu->isVisible(); }, FormRig::kLimit) ? menu : nullptr;
}

bool Choose(QMenu* menu, const char* item) {
    for (QAction* action : menu->actions())
        if (action->objectName() == QLatin1String(item)) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return true;
        }
    return false;
}

// Types into the name-entry dialog the way the user does and presses OK.
bool EnterName(CPresetDlg* dialog, const QString& text) {
    if (!QTest::qWaitFor([dialog] { return dialog->NameDialog() && dialog->NameDialog()->isVisible(); },
                         FormRig::kLimit))
        return false;
    CInputSourceNameDlg* entry = dialog->NameDialog();
    entry->Field()->selectAll();
    QTest::keyClick(entry->Field(), Qt::Key_Backspace);
    QTest::keyClicks(entry->Field(), text);
    QTest::mouseClick(entry->OkButton(), Qt::LeftButton);
    return !entry->isVisible();
}

QStringList Labels(const CPresetDlg* dialog) {
    QStringList out;
    for (int k = 1; k <= CPresetDlg::kPresets; ++k)
        out << dialog->PresetButton(k)->text();
    return out;
}

int CheckedPreset(const CPresetDlg* dialog) {
    for (int k = 1; k <= CPresetDlg::kPresets; ++k)
        if (dialog->PresetButton(k)->isChecked())
            return k;
    return 0;
}

} // namespace

class TestPresetDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void saveWithName_data();
    void saveWithName();
    void blankNameIsRefused_data();
    void blankNameIsRefused();
    void nameEntryTakesNinetyNineCharacters();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void recall_data();
    void recall();
    void labelsAndTheOpenDialogRecord_data();
    void labelsAndTheOpenDialogRecord();
    void loadFile_data();
    void loadFile();
    void damagedFileChangesNothing_data();
    void damagedFileChangesNothing();
    void saveFile_data();
    void saveFile();
    void allDataNeedsTheDevice();
    void standardFileDialogs();
    void texts_data();
    void texts();
    void keyboard();
};

void TestPresetDialogs::initTestCase() {
    CTavelApp::SetUpApplication(*qApp);
}

void TestPresetDialogs::cleanup() {
    for (QMessageBox* box : VisibleBoxes())
        box->done(QMessageBox::Cancel);
}

void TestPresetDialogs::saveWithName_data() {
    QTest::addColumn<int>("preset");
    QTest::addColumn<bool>("secondIsBass");
    QTest::newRow("Bass into preset 2") << 2 << false;
    // No duplicate test: the same name goes into another preset as well.
    QTest::newRow("Bass into preset 3 while preset 2 is Bass") << 3 << true;
}

// Source Save, button k, "Bass": master output off, the name, the eight blocks to preset k, master output
// back; the device holds them and the button shows the name.
void TestPresetDialogs::saveWithName() {
    QFETCH(int, preset);
    QFETCH(bool, secondIsBass);
    DialogRig f;
    if (secondIsBass)
        f.Sim().ModifyState([](SimState& s) { std::memcpy(s.Preset(2).name, "Bass", 4); });
    QVERIFY(f.ConnectQuietly());
    CSourceSaveDlg* dialog = f.OpenSave();
    QVERIFY(dialog);
    QCOMPARE(dialog->PresetButton(2)->text(), secondIsBass ? QStringLiteral("Bass") : QStringLiteral("2"));

    QTest::mouseClick(dialog->PresetButton(preset), Qt::LeftButton);
    QVERIFY(dialog->NameDialog());
    QCOMPARE(dialog->NameDialog()->Field()->text(), QString::number(preset)); // pre-filled with the label
    QVERIFY(EnterName(dialog, QStringLiteral("Bass")));
    QVERIFY(f.WaitIdle());

    const QString name = QStringLiteral("W 4/134 s0 p%1").arg(preset);
    QCOMPARE(f.Writes(), QStringList{kSystemWrite} << name << OutputBlocks("W", preset) << kSystemWrite);
    const auto system = f.Frames(kSystemWrite);
    QCOMPARE(int(system[0].payload[kMasterOn]), 0);
    QCOMPARE(int(system[1].payload[kMasterOn]), 1);
    const QByteArray field("Bass\0\0\0\0\0\0\0\0\0\0\0\0", 16);
    QCOMPARE(Bytes(f.Frames(name)[0].payload.data(), 16), field);

    const SimState device = f.Sim().State();
    QCOMPARE(Bytes(device.Preset(preset).name, 16), field);
    for (int c = 0; c < 8; ++c)
        QCOMPARE(Wire(device.Preset(preset).outputs[c]), Wire(f.G().liveImage.outputs[c]));
    QCOMPARE(int(device.system[kMasterOn]), 1);
    QCOMPARE(Bytes(f.G().Preset(preset).name, 16), field);

    QCOMPARE(dialog->PresetButton(preset)->text(), QStringLiteral("Bass"));
    QCOMPARE(dialog->PresetButton(2)->text(), QStringLiteral("Bass"));
    // The popup's bar reached its end with the last acknowledgement.
    QCOMPARE(f.ends.value(0), qMakePair(11, 11));
}

void TestPresetDialogs::blankNameIsRefused_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    const QString english = QStringLiteral("The name can not be all spaces!");
    QTest::newRow("empty") << 0 << QString() << english;
    QTest::newRow("spaces") << 0 << QStringLiteral("    ") << english;
    QTest::newRow("spaces, Chinese") << 1 << QStringLiteral("  ") << QStringLiteral("组名不能全为空格!");
}

void TestPresetDialogs::blankNameIsRefused() {
    QFETCH(int, language);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    DialogRig f(language);
    QVERIFY(f.ConnectQuietly());
    CSourceSaveDlg* dialog = f.OpenSave();
    QTest::mouseClick(dialog->PresetButton(5), Qt::LeftButton);
    QVERIFY(EnterName(dialog, typed));
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(text), FormRig::kLimit);
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(f.Writes(), QStringList{});
    QCOMPARE(dialog->PresetButton(5)->text(), QStringLiteral("5"));
    QVERIFY(f.ends.isEmpty());
}

// The context menu's Save of the Source Load dialog runs the same flow; the field takes at most 99
// characters and the memory keeps 15 of them.
void TestPresetDialogs::nameEntryTakesNinetyNineCharacters() {
    DialogRig f;
    QVERIFY(f.ConnectQuietly());
    CSourceLoadDlg* dialog = f.OpenLoad();
    QMenu* menu = RightClick(dialog, 4);
    QVERIFY(menu);
    QVERIFY(Choose(menu, "save"));
    QTRY_VERIFY_WITH_TIMEOUT(dialog->NameDialog(), FormRig::kLimit);
    QLineEdit* field = dialog->NameDialog()->Field();
    QCOMPARE(field->text(), QStringLiteral("Jazz"));
    QCOMPARE(field->maxLength(), 99);
    field->selectAll();
    QTest::keyClicks(field, QString(120, QLatin1Char('a')));
    QCOMPARE(field->text().size(), 99);
    QTest::keyClick(field, Qt::Key_Return); // Enter is OK
    QVERIFY(f.WaitIdle());
    const QByteArray kept = QByteArray(15, 'a') + QByteArray(1, '\0');
    QCOMPARE(Bytes(f.Sim().State().Preset(4).name, 16), kept);
    QCOMPARE(dialog->PresetButton(4)->text(), QString(15, QLatin1Char('a')));
}

void TestPresetDialogs::deleteAsksFirst_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

// Delete asks first; on Yes the name is gone in the program and on the device and the button reads "4".
void TestPresetDialogs::deleteAsksFirst() {
    QFETCH(bool, yes);
    DialogRig f;
    QVERIFY(f.ConnectQuietly());
    CSourceLoadDlg* dialog = f.OpenLoad();
    QCOMPARE(dialog->PresetButton(4)->text(), QStringLiteral("Jazz"));
    QMenu* menu = RightClick(dialog, 4);
    QVERIFY(menu);
    QVERIFY(Choose(menu, "delete"));
    QMessageBox* box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((box = BoxSaying(QStringLiteral("Are you delete this Source Data?"))) != nullptr,
                             FormRig::kLimit);
    QVERIFY(f.Writes().isEmpty()); // nothing before the answer
    QTest::mouseClick(box->button(yes ? QMessageBox::Yes : QMessageBox::No), Qt::LeftButton);

    if (yes) {
        QVERIFY(f.WaitIdle());
        QCOMPARE(Bytes(f.Sim().State().Preset(4).name, 16), QByteArray(16, '\0'));
        QCOMPARE(Bytes(f.G().Preset(4).name, 16), QByteArray(16, '\0'));
        QCOMPARE(f.Writes(), QStringList{QStringLiteral("W 4/134 s0 p4")});
        QCOMPARE(dialog->PresetButton(4)->text(), QStringLiteral("4"));
    } else {
        QVERIFY(f.WaitForPolls(3));
        QVERIFY(f.Writes().isEmpty());
        QCOMPARE(dialog->PresetButton(4)->text(), QStringLiteral("Jazz"));
    }
}

void TestPresetDialogs::recall_data() {
    QTest::addColumn<bool>("fromButton");
    QTest::newRow("button: master output off during the read") << true;
    QTest::newRow("context menu Load: outputs left on") << false;
}

// Recalling preset 2: the live setup and the form become the device's preset 2; only the button silences
// the master output around the read and makes preset 2 the current one.
void TestPresetDialogs::recall() {
    QFETCH(bool, fromButton);
    DialogRig f;
    QVERIFY(f.ConnectQuietly());
    CSourceLoadDlg* dialog = f.OpenLoad();
    QCOMPARE(CheckedPreset(dialog), 5); // the device's current preset
    if (fromButton) {
        QTest::mouseClick(dialog->PresetButton(2), Qt::LeftButton);
    } else {
        QMenu* menu = RightClick(dialog, 2);
        QVERIFY(menu);
        QVERIFY(Choose(menu, "load"));
    }
    QVERIFY(f.WaitIdle());

    QStringList expected = OutputBlocks("R", 2);
    if (fromButton)
        expected = QStringList{kSystemWrite} << expected << kSystemWrite;
    QCOMPARE(f.Requests(), expected);
    if (fromButton) {
        const auto system = f.Frames(kSystemWrite);
        QCOMPARE(int(system[0].payload[kMasterOn]), 0);
        QCOMPARE(int(system[1].payload[kMasterOn]), 1);
    }
    const SimState device = f.Sim().State();
    for (int c = 0; c < 8; ++c) {
        QCOMPARE(f.session->Data().Channel(c).GetGainCode(), PresetGain(2, c));
        QCOMPARE(Wire(device.live.outputs[c]), Wire(f.G().liveImage.outputs[c])); // the device switched too
    }
    QCOMPARE(f.View().Strip(3)->GainEdit()->Code(), PresetGain(2, 3));
    QCOMPARE(CheckedPreset(dialog), fromButton ? 2 : 5);
    const int packets = expected.size();
    QCOMPARE(f.ends.value(0), qMakePair(packets, packets));
}

void TestPresetDialogs::labelsAndTheOpenDialogRecord_data() {
    QTest::addColumn<PresetDialog>("which");
    QTest::newRow("Source Load") << PresetDialog::SourceLoad;
    QTest::newRow("Source Save") << PresetDialog::SourceSave;
}

// Without a device the buttons show their numbers and the dialog says why; the names read from the device
// while the dialog is open relabel it; the controller knows which dialog is open until it ends.
void TestPresetDialogs::labelsAndTheOpenDialogRecord() {
    QFETCH(PresetDialog, which);
    DialogRig f;
    std::memcpy(f.G().Preset(4).name, "Stale", 5); // what the program held before: not shown
    CPresetDlg* dialog = which == PresetDialog::SourceLoad ? static_cast<CPresetDlg*>(f.OpenLoad())
                                                           : static_cast<CPresetDlg*>(f.OpenSave());
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(f.Controller().OpenPresetDialog(), which);
    QCOMPARE(Labels(dialog), (QStringList{"1", "2", "3", "4", "5", "6"}));
    QCOMPARE(dialog->Status()->CurrentText(), QStringLiteral("The device is not connected"));

    QVERIFY(f.Connect());
    QCOMPARE(Labels(dialog), (QStringList{"1", "2", "3", "Jazz", "5", "6"}));
    QCOMPARE(dialog->Status()->CurrentText(), QStringLiteral("Current: Preset 5"));
    QCOMPARE(CheckedPreset(dialog), 5);

    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(f.Controller().OpenPresetDialog(), PresetDialog::None);
    // A name arriving now has no dialog to refresh; the next opening reads the memories again.
    f.Sim().ModifyState([](SimState& s) { std::memcpy(s.Preset(1).name, "Rock", 4); });
    QVERIFY(f.Controller().ToggleConnection() == false);
    QTRY_VERIFY_WITH_TIMEOUT(f.Controller().Idle(), FormRig::kLimit);
    QVERIFY(f.Connect());
    dialog = which == PresetDialog::SourceLoad ? static_cast<CPresetDlg*>(f.OpenLoad())
                                               : static_cast<CPresetDlg*>(f.OpenSave());
    QCOMPARE(Labels(dialog), (QStringList{"Rock", "2", "3", "Jazz", "5", "6"}));
    QCOMPARE(f.Controller().OpenPresetDialog(), which);
    QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
    QCOMPARE(f.Controller().OpenPresetDialog(), PresetDialog::None);
}

void TestPresetDialogs::loadFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("setup file") << "mine.dsps" << PresetFileContent::SetupFile();
    QTest::newRow("all-data file") << "everything.dspa" << PresetFileContent::AllDataFile();
}

// The file button of Source Load opens either kind of file; the device ends up holding the file's blocks.
void TestPresetDialogs::loadFile() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    DialogRig f;
    QVERIFY(f.ConnectQuietly());
    CSourceLoadDlg* dialog = f.OpenLoad();
    f.answer = WriteTestFile(f.dir, name, content);
    QTest::mouseClick(dialog->FileButton(), Qt::LeftButton);
    QCOMPARE(f.requests.size(), 1);
    QCOMPARE(f.requests[0].mode, FileRequest::Mode::Open);
    QVERIFY(f.requests[0].filters.value(0).contains(QStringLiteral("(*.dsps *.dspa)")));
    QVERIFY(f.WaitIdle());
    QVERIFY(VisibleBoxes().isEmpty());

    const SimState device = f.Sim().State();
    for (int c = 0; c < 8; ++c)
        QCOMPARE(Wire(device.live.outputs[c]), Wire(f.G().liveImage.outputs[c]));
    if (name.endsWith(QLatin1String("dsps"))) {
        QCOMPARE(f.Writes(), QStringList{QStringLiteral("W 4/134 s0 p0")} << OutputBlocks("W", 0));
        QCOMPARE(int(device.live.outputs[2].gainCode), 21);
        QCOMPARE(Bytes(device.live.name, 8), QByteArray("FromFile"));
        QCOMPARE(f.ends.value(0), qMakePair(9, 9));
    } else {
        for (int p = 1; p <= 6; ++p) {
            const int at = PresetFileContent::kPresetsAt + (p - 1) * Golden::kImageSize;
            QCOMPARE(Bytes(device.Preset(p).name, 15), content.mid(at, 15));
            for (int c = 0; c < 8; ++c)
                QCOMPARE(Wire(device.Preset(p).outputs[c]), content.mid(at + Golden::Out(c, 0), kWire));
        }
        QCOMPARE(int(device.live.outputs[5].gainCode), 9);
        QCOMPARE(Labels(dialog), (QStringList{"File1", "File2", "File3", "File4", "File5", "File6"}));
        QCOMPARE(f.ends.value(0), qMakePair(85, 85));
    }
    QCOMPARE(f.View().Strip(2)->GainEdit()->Code(), f.session->Data().Channel(2).GetGainCode());
}

void TestPresetDialogs::damagedFileChangesNothing_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("text");
    using PresetFileContent::AllDataFile;
    using PresetFileContent::SetupFile;
    QTest::newRow("setup, tag in lower case")
        << 0 << "bad.dsps" << SetupFile("orven-xt-pro-1.0") << QStringLiteral("error for file!");
    QTest::newRow("setup, short") << 0 << "short.dsps" << SetupFile().left(2000)
                                  << QStringLiteral("error for file!");
    QTest::newRow("setup, short, Chinese")
        << 1 << "short.dsps" << SetupFile().left(2000) << QStringLiteral("文件错误!");
    QTest::newRow("all data, short") << 0 << "short.dspa" << AllDataFile().left(58730)
                                     << QStringLiteral("Read all MusicFile Error");
    QTest::newRow("all data, long, Chinese")
        << 1 << "long.dspa" << AllDataFile() + "x" << QStringLiteral("读所有音乐文件错误!");
}

// A damaged file is refused with its text; the program and the device keep what they held.
void TestPresetDialogs::damagedFileChangesNothing() {
    QFETCH(int, language);
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, text);
    DialogRig f(language);
    QVERIFY(f.ConnectQuietly());
    const QByteArray live = Bytes(f.G().liveImage.Bytes(), Layout::kImageSize);
    const QByteArray memories =
        Bytes(f.G().presets.data(), Layout::kImageSize * ModelGlobals::kPresetMemories);
    CSourceLoadDlg* dialog = f.OpenLoad();
    f.answer = WriteTestFile(f.dir, name, content);
    QTest::mouseClick(dialog->FileButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(text), FormRig::kLimit);
    QVERIFY(f.WaitForPolls(3));
    QVERIFY(f.Writes().isEmpty());
    QCOMPARE(Bytes(f.G().liveImage.Bytes(), Layout::kImageSize), live);
    QCOMPARE(Bytes(f.G().presets.data(), Layout::kImageSize * ModelGlobals::kPresetMemories), memories);
    QCOMPARE(Labels(dialog), (QStringList{"1", "2", "3", "Jazz", "5", "6"}));
}

void TestPresetDialogs::saveFile_data() {
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("all data") << Kind::AllData << "backup"
                              << "backup.dspa";
    QTest::newRow("all data, typed with its extension") << Kind::AllData << "backup.dspa"
                                                        << "backup.dspa";
    QTest::newRow("setup") << Kind::Setup << "mine"
                           << "mine.dsps";
}

// The file button of Source Save writes the chosen kind: all data holds the device's presets byte for byte
// (read from it first, master output off meanwhile); a setup holds the program's image.
void TestPresetDialogs::saveFile() {
    QFETCH(Kind, kind);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    DialogRig f;
    QVERIFY(f.ConnectQuietly());
    CSourceSaveDlg* dialog = f.OpenSave();
    QCOMPARE(dialog->ChosenKind(), Kind::AllData);
    QTest::mouseClick(kind == Kind::Setup ? dialog->SetupOption() : dialog->AllDataOption(), Qt::LeftButton);
    QCOMPARE(dialog->ChosenKind(), kind);
    QVERIFY(dialog->AllDataOption()->isChecked() != dialog->SetupOption()->isChecked());
    f.answer = f.Path(typed);
    QTest::mouseClick(dialog->FileButton(), Qt::LeftButton);
    QCOMPARE(f.requests.size(), 1);
    QCOMPARE(f.requests[0].mode, FileRequest::Mode::Save);
    QCOMPARE(f.requests[0].defaultSuffix,
             kind == Kind::Setup ? QStringLiteral("dsps") : QStringLiteral("dspa"));
    QVERIFY(f.WaitIdle());
    QTRY_VERIFY_WITH_TIMEOUT(f.session->Presets().PendingAllDataPath().isEmpty(), FormRig::kLimit);
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{written});

    QFile file(f.Path(written));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.left(17), QByteArray("\x10ORVEN-XT-PRO-1.0"));
    if (kind == Kind::Setup) {
        QCOMPARE(bytes.size(), 2809);
        QCOMPARE(bytes.mid(17), Bytes(f.G().liveImage.Bytes(), Layout::kImageSize));
        QVERIFY(f.Writes().isEmpty());
        return;
    }
    QCOMPARE(bytes.size(), 58731);
    const SimState device = f.Sim().State();
    for (int p = 1; p <= 6; ++p) {
        const int at = PresetFileContent::kPresetsAt + (p - 1) * Golden::kImageSize;
        QByteArray inputB = Bytes(device.Preset(p).inputB, 112);
        inputB[Golden::kMarker - Golden::kInputB] = 1; // every saved image is marked
        QCOMPARE(bytes.mid(at + Golden::kInputB, 112), inputB);
        for (int c = 0; c < 8; ++c)
            QCOMPARE(bytes.mid(at + Golden::Out(c, 0), kWire), Wire(device.Preset(p).outputs[c]));
    }
    const auto system = f.Frames(kSystemWrite);
    QCOMPARE(int(system.size()), 2);
    QCOMPARE(int(system[0].payload[kMasterOn]), 0);
    QCOMPARE(int(system[1].payload[kMasterOn]), 1);
    QCOMPARE(f.ends.value(0), qMakePair(56, 56));
}

// Saving all data without a device is refused before a file dialog opens; a setup saves without one.
void TestPresetDialogs::allDataNeedsTheDevice() {
    DialogRig f;
    CSourceSaveDlg* dialog = f.OpenSave();
    QTest::mouseClick(dialog->FileButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(QStringLiteral("The device is not connected")), FormRig::kLimit);
    QVERIFY(f.requests.isEmpty());
    BoxSaying(QStringLiteral("The device is not connected"))->done(QMessageBox::Ok);

    dialog->ChooseKind(Kind::Setup);
    f.answer = f.Path(QStringLiteral("offline"));
    QTest::mouseClick(dialog->FileButton(), Qt::LeftButton);
    QCOMPARE(f.requests.size(), 1);
    QCOMPARE(QFileInfo(f.Path(QStringLiteral("offline.dsps"))).size(), qint64(2809));
}

// Without a chooser of the test's the file button opens Qt's own file dialog, window-modal over the preset
// dialog; the save dialog appends the extension, the next dialog starts in the folder used last, and
// cancelling changes nothing.
void TestPresetDialogs::standardFileDialogs() {
    DialogRig f;
    f.View().Dialogs().Files().SetChooser({});
    CFileChooser& files = f.View().Dialogs().Files();
    CSourceSaveDlg* save = f.OpenSave();
    save->ChooseKind(Kind::Setup);
    QTest::mouseClick(save->FileButton(), Qt::LeftButton);
    QFileDialog* dialog = files.OpenDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("Setup files (*.dsps)")});
    QCOMPARE(dialog->defaultSuffix(), QStringLiteral("dsps"));
    dialog->setDirectory(f.dir.path());
    dialog->selectFile(QStringLiteral("typed"));
    static_cast<QDialog*>(dialog)->accept(); // the Save button
    QTRY_VERIFY_WITH_TIMEOUT(!files.OpenDialog(), FormRig::kLimit);
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("typed.dsps")});
    QCOMPARE(files.Remembered(QStringLiteral("presets")), QFileInfo(f.dir.path()).absoluteFilePath());
    save->accept();

    CSourceLoadDlg* load = f.OpenLoad();
    QTest::mouseClick(load->FileButton(), Qt::LeftButton);
    dialog = files.OpenDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(QFileInfo(dialog->directory().absolutePath()), QFileInfo(f.dir.path()));
    QCOMPARE(dialog->nameFilters().size(), 3);
    const QByteArray live = Bytes(f.G().liveImage.Bytes(), Layout::kImageSize);
    dialog->reject();
    QTRY_VERIFY_WITH_TIMEOUT(!files.OpenDialog(), FormRig::kLimit);
    QVERIFY(VisibleBoxes().isEmpty());
    QCOMPARE(Bytes(f.G().liveImage.Bytes(), Layout::kImageSize), live);
    QVERIFY(load->isVisible());
}

void TestPresetDialogs::texts_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("titles");     // Source Load, Source Save
    QTest::addColumn<QStringList>("menu");       // Load, Save, Delete
    QTest::addColumn<QStringList>("nameEntry");  // label, OK, Cancel
    QTest::addColumn<QString>("accessibleJazz"); // preset button 4
    QTest::newRow("English") << 0 << QStringList{"Source Load", "Source Save"}
                             << QStringList{"Load", "Save", "Delete"}
                             << QStringList{"Source Name:", "OK", "Cancel"} << "Preset 4, Jazz";
    QTest::newRow("Chinese") << 1 << QStringList{"音效调用", "音效保存"}
                             << QStringList{"读取", "保存", "删除"}
                             << QStringList{"音效组名:", "确定", "取消"} << "第4组，Jazz";
}

// Every text in the interface language, every control named for a screen reader, and a language switch
// while a dialog is open re-reads them.
void TestPresetDialogs::texts() {
    QFETCH(int, language);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, menu);
    QFETCH(QStringList, nameEntry);
    QFETCH(QString, accessibleJazz);
    DialogRig f(language);
    QVERIFY(f.ConnectQuietly());

    CSourceLoadDlg* load = f.OpenLoad();
    QCOMPARE(load->windowTitle(), titles[0]);
    QCOMPARE(load->PresetButton(4)->accessibleName(), accessibleJazz);
    for (const CBitmapButton* button : {load->FileButton(), load->CloseButton()})
        QVERIFY(!button->text().isEmpty());
    QMenu* context = RightClick(load, 4);
    QVERIFY(context);
    QStringList items;
    for (QAction* action : context->actions())
        items << action->text();
    QCOMPARE(items, menu);
    QVERIFY(Choose(context, "save"));
    QTRY_VERIFY_WITH_TIMEOUT(load->NameDialog(), FormRig::kLimit);
    CInputSourceNameDlg* entry = load->NameDialog();
    QCOMPARE(entry->Field()->accessibleName(), nameEntry[0]);
    QCOMPARE(entry->OkButton()->text(), nameEntry[1]);
    QCOMPARE(entry->CancelButton()->text(), nameEntry[2]);
    QTest::mouseClick(entry->CancelButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!load->NameDialog(), FormRig::kLimit);
    QVERIFY(f.Writes().isEmpty()); // Cancel sends nothing
    load->accept();

    CSourceSaveDlg* save = f.OpenSave();
    QCOMPARE(save->windowTitle(), titles[1]);
    for (QWidget* w : {static_cast<QWidget*>(save->AllDataOption()),
                       static_cast<QWidget*>(save->SetupOption()), static_cast<QWidget*>(save->FileButton())})
        QVERIFY(!w->accessibleName().isEmpty());

    // The other language, while the dialog is open.
    f.View().ToggleLanguage();
    const int other = 1 - language;
    QTRY_COMPARE_WITH_TIMEOUT(save->windowTitle(),
                              other == 1 ? QStringLiteral("音效保存") : QStringLiteral("Source Save"),
                              FormRig::kLimit);
    QCOMPARE(save->PresetButton(4)->accessibleName(),
             other == 1 ? QStringLiteral("第4组，Jazz") : QStringLiteral("Preset 4, Jazz"));
}

// The keyboard alone: the focus starts on the current preset, Tab walks the buttons, the menu key opens the
// context menu of the focused preset, Space recalls it, Escape closes the dialog.
void TestPresetDialogs::keyboard() {
    DialogRig f;
    QVERIFY(f.ConnectQuietly());
    CSourceLoadDlg* dialog = f.OpenLoad();
    QCOMPARE(dialog->focusWidget(), dialog->PresetButton(5));

    QList<QWidget*> visited;
    QWidget* w = dialog->PresetButton(1);
    for (int i = 0; i < 8; ++i) {
        visited << w;
        w = w->nextInFocusChain();
        while (w && (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus)))
            w = w->nextInFocusChain();
    }
    QList<QWidget*> expected;
    for (int k = 1; k <= 6; ++k)
        expected << dialog->PresetButton(k);
    expected << dialog->FileButton() << dialog->CloseButton();
    QCOMPARE(visited, expected);

    dialog->PresetButton(2)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dialog->PresetButton(2), Qt::Key_Menu);
    QVERIFY(dialog->ContextMenu());
    QCOMPARE(dialog->ContextPreset(), 2);
    dialog->ContextMenu()->close();
    QTest::keyClick(dialog->PresetButton(3), Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(dialog->ContextMenu());
    QCOMPARE(dialog->ContextPreset(), 3);
    dialog->ContextMenu()->close();

    QTest::keyClick(dialog->PresetButton(2), Qt::Key_Space);
    QVERIFY(f.WaitIdle());
    QCOMPARE(f.Requests(), QStringList{kSystemWrite} << OutputBlocks("R", 2) << kSystemWrite);
    QCOMPARE(CheckedPreset(dialog), 2);

    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(f.Controller().OpenPresetDialog(), PresetDialog::None);
}

QTEST_MAIN(TestPresetDialogs)
#include "tst_PresetDialogs.moc"
