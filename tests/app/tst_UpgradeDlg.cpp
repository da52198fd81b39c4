// The firmware update dialog end to end on the simulated device: the bar, the texts, the closing guard, a
// device that fails the update, refused files, the remembered location, both languages and the keyboard.
#include "app/FileChooser.h"
#include "app/FormDialogs.h"
#include "app/TavelApp.h"
#include "app/TopMenu.h"
#include "app/UpgradeDlg.h"
#include "controls/BitmapButton.h"
#include "controls/SkinProgress.h"
#include "controls/SkinStatic.h"
#include "link/SettingsStore.h"
#include "support/ControllerRig.h"
#include "support/FirmwareContent.h"
#include "support/TestFile.h"

#include "app/FormRig.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalSpy>

using namespace std::chrono_literals;

namespace {

const QString kDone = QStringLiteral("Update successfully!");
const QString kBusy = QStringLiteral("Don't close up the update!");
const QString kNoLink = QStringLiteral("unable to connect");

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

TimingProfile WithFirmwareLimit(std::chrono::milliseconds limit) {
    TimingProfile t = CControllerRig::Timing();
    t.firmwareLimit = limit;
    return t;
}

// Counts the paintings of a widget.
class PaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// The form on the simulated device with the firmware dialog opened from the settings menu; file dialogs
// are answered by the test.
struct UpgradeRig : FormRig {
    QTemporaryDir dir;
    QList<FileRequest> requests;
    QString answer;

    explicit UpgradeRig(int lang = 0, const TimingProfile& timing = WithFirmwareLimit(2000ms))
        : FormRig(lang, timing) {
        Sim().SetRestartTime(20ms);
        View().Dialogs().Files().SetChooser([this](const FileRequest& request, CFileChooser::Answer reply) {
            requests << request;
            reply(answer);
        });
    }

    CUpgradeDlg* Open() {
        View().RunCommand(TopCommand::FirmwareUpdate);
        return View().Dialogs().Upgrade();
    }
    QString Write(const QString& name, const QByteArray& content) {
        return WriteTestFile(dir, name, content);
    }
    // Types the path into field 1882 and presses Start (1881), as the user does.
    static void Start(CUpgradeDlg* dialog, const QString& path) {
        QLineEdit* field = dialog->PathField();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, path);
        QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
    }
    bool WaitForBox(const QString& text) {
        return QTest::qWaitFor([&] { return BoxSaying(text) != nullptr; }, kLimit);
    }
    void Answer(const QString& text, QMessageBox::StandardButton button = QMessageBox::Ok) {
        if (QMessageBox* box = BoxSaying(text))
            QTest::mouseClick(box->button(button), Qt::LeftButton);
    }
    // The link is back to idle and the dialog can start again.
    bool IdleAgain(CUpgradeDlg* dialog) {
        return QTest::qWaitFor(
            [&] {
                return Controller().Idle() && !Controller().FirmwareUpdating() && !dialog->Busy() &&
                       dialog->StartButton()->isEnabled() && !dialog->PathField()->isReadOnly();
            },
            kLimit);
    }
    QStringList Writes() {
        QStringList out;
        for (const QString& line : TraceLines(Sim()))
            if (line.startsWith(QLatin1Char('W')))
                out << line;
        return out;
    }
};

// Where Tab goes from `w`.
QWidget* NextTabStop(QWidget* w) {
    do
        w = w->nextInFocusChain();
    while (w && !((w->focusPolicy() & Qt::TabFocus) && w->isVisible()));
    return w;
}

QList<int> Positions(const QSignalSpy& spy) {
    QList<int> out;
    for (const QList<QVariant>& args : spy)
        out << args.at(0).toInt();
    return out;
}

} // namespace

class TestUpgradeDlg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void updatesTheDevice_data();
    void updatesTheDevice();
    void closingIsRefusedWhileItRuns();
    void failedUpdateLeavesTheDialogUsable_data();
    void failedUpdateLeavesTheDialogUsable();
    void refusedFileSendsNothing_data();
    void refusedFileSendsNothing();
    void browseStartsAtTheRememberedFile();
    void texts_data();
    void texts();
};

void TestUpgradeDlg::initTestCase() {
    CTavelApp::SetUpApplication(*qApp);
}

void TestUpgradeDlg::cleanup() {
    for (QMessageBox* box : VisibleBoxes())
        box->done(QMessageBox::Cancel);
}

void TestUpgradeDlg::updatesTheDevice_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("connectedBefore");
    QTest::addColumn<QList<int>>("stages");
    QTest::addColumn<int>("range"); // the frame count: size / chunk + 6
    const QList<int> dsp{176, 177, 178, 178, 179};
    QTest::newRow("DSP file, the link open before") << "fw.MVA" << FirmwareContent(592) << true << dsp << 8;
    QTest::newRow("DSP file, idle before") << "fw.MVA" << FirmwareContent(300) << false << dsp << 7;
    QTest::newRow("controller file, after its warning")
        << "remote.contr" << FirmwareContent(100) << false << QList<int>{224, 225, 226, 226, 226, 227} << 8;
}

// The file reaches the device frame by frame; the bar takes one step per acknowledged frame and is full at
// the end; "Update successfully!" is shown and the link is idle, the dialog ready for another file.
void TestUpgradeDlg::updatesTheDevice() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, connectedBefore);
    QFETCH(QList<int>, stages);
    QFETCH(int, range);
    UpgradeRig f;
    if (connectedBefore)
        QVERIFY(f.Connect());
    CUpgradeDlg* dialog = f.Open();
    QVERIFY(dialog && dialog->isVisible());
    QSignalSpy moved(dialog, &CUpgradeDlg::progressMoved);
    QSignalSpy ended(dialog, &CUpgradeDlg::updateEnded);

    UpgradeRig::Start(dialog, f.Write(name, content));
    const bool controller = name.endsWith(QLatin1String(".contr"));
    if (controller) {
        // The warning comes first and nothing is sent before the user has read it.
        QVERIFY(f.WaitForBox(CFirmwareFile::kControllerNotice.In(0)));
        QVERIFY(!dialog->Busy());
        QVERIFY(f.Sim().Firmware().stages.empty());
        f.Answer(CFirmwareFile::kControllerNotice.In(0));
    }
    QVERIFY(f.WaitForBox(kDone));
    QVERIFY(f.IdleAgain(dialog));

    QList<int> steps;
    for (int i = 1; i <= stages.size(); ++i)
        steps << i;
    steps << range; // full once the device has the whole file
    QCOMPARE(Positions(moved), steps);
    QCOMPARE(moved.last().at(1).toInt(), range);
    QCOMPARE(dialog->Progress()->Position(), range);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().at(0).toBool(), true);
    QCOMPARE(dialog->Status()->CurrentText(), kDone);

    const SimFirmwareLog log = f.Sim().Firmware();
    QCOMPARE(QList<int>(log.stages.begin(), log.stages.end()), stages);
    QCOMPARE(Bytes(controller ? log.controller : log.dsp).left(content.size()), content);
    QCOMPARE(f.Sim().Counters().restarts, controller ? 0 : 1);
    QCOMPARE(f.Sim().Counters().rejected, 0);

    // Closed now, the dialog gives the update up: the factory reset is no longer refused for it.
    QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!f.View().Dialogs().Upgrade(), FormRig::kLimit);
    f.Answer(kDone);
    QVERIFY(!f.Controller().FactoryReset());
    QVERIFY(f.WaitForBox(QStringLiteral("The device is not connected")));
}

// While the update runs, the dialog's close, Escape, its browse button and the factory reset only say
// "Don't close up the update!"; the window answers and repaints meanwhile, also while the device restarts
// after stage 176. Afterwards the dialog closes.
void TestUpgradeDlg::closingIsRefusedWhileItRuns() {
    UpgradeRig f(0, WithFirmwareLimit(20000ms));
    f.Sim().SetRestartTime(3000ms);
    CUpgradeDlg* dialog = f.Open();
    PaintCounter paints;
    dialog->Progress()->installEventFilter(&paints);
    UpgradeRig::Start(dialog, f.Write(QStringLiteral("fw.MVA"), FirmwareContent(300)));
    QTRY_VERIFY_WITH_TIMEOUT(f.Sim().Counters().restarts == 1, FormRig::kLimit);

    // The device is away restarting.
    QVERIFY(!f.Sim().IsPlugged());
    QVERIFY(dialog->Busy());
    QTRY_COMPARE_WITH_TIMEOUT(dialog->Progress()->Position(), 1, FormRig::kLimit); // stage 176 acknowledged
    const int painted = paints.count;
    dialog->Progress()->update();
    QTRY_VERIFY_WITH_TIMEOUT(paints.count > painted, FormRig::kLimit);
    QVERIFY(!dialog->close());
    QVERIFY(f.WaitForBox(kBusy));
    QVERIFY(!f.Sim().IsPlugged());
    QVERIFY(dialog->isVisible());
    f.Answer(kBusy);

    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(f.WaitForBox(kBusy));
    QVERIFY(dialog->isVisible());
    f.Answer(kBusy);
    QTest::mouseClick(dialog->BrowseButton(), Qt::LeftButton);
    QVERIFY(f.WaitForBox(kBusy));
    QVERIFY(f.requests.isEmpty());
    f.Answer(kBusy);
    f.View().FactoryReset();
    QVERIFY(f.WaitForBox(kBusy));
    f.Answer(kBusy);
    QVERIFY(!dialog->StartButton()->isEnabled());

    QVERIFY(f.WaitForBox(kDone));
    QVERIFY(f.IdleAgain(dialog));
    f.Answer(kDone);
    QVERIFY(dialog->close());
    QVERIFY(!dialog->isVisible());
}

void TestUpgradeDlg::failedUpdateLeavesTheDialogUsable_data() {
    QTest::addColumn<bool>("deviceThere");
    QTest::newRow("a device that never answers") << true;
    QTest::newRow("no device at all") << false;
}

// A device that never answers (or none at all) ends the update with "unable to connect"; the dialog can
// start again, and with the device back the same file goes through.
void TestUpgradeDlg::failedUpdateLeavesTheDialogUsable() {
    QFETCH(bool, deviceThere);
    UpgradeRig f(0, WithFirmwareLimit(300ms));
    if (deviceThere)
        f.Sim().StopAnsweringAfter(0);
    else
        f.Sim().Unplug();
    CUpgradeDlg* dialog = f.Open();
    QSignalSpy ended(dialog, &CUpgradeDlg::updateEnded);
    const QString path = f.Write(QStringLiteral("fw.MVA"), FirmwareContent(300));
    UpgradeRig::Start(dialog, path);
    QVERIFY(dialog->Busy());
    QVERIFY(!dialog->StartButton()->isEnabled());
    QVERIFY(f.WaitForBox(kNoLink));
    QVERIFY(f.IdleAgain(dialog));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().at(0).toBool(), false);
    QCOMPARE(dialog->Status()->CurrentText(), QStringLiteral("The update did not finish."));
    QVERIFY(!BoxSaying(kDone));
    f.Answer(kNoLink);

    if (deviceThere)
        f.Sim().StopAnsweringAfter(-1);
    else
        f.Sim().PlugIn();
    QCOMPARE(dialog->PathField()->text(), path);
    QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
    QVERIFY(f.WaitForBox(kDone));
    QVERIFY(f.IdleAgain(dialog));
    QCOMPARE(Bytes(f.Sim().Firmware().dsp), FirmwareContent(300) + Fill(292, 0xFF));
}

void TestUpgradeDlg::refusedFileSendsNothing_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // null: no such file
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("pathKept");
    const QString type = QStringLiteral("升级文件类型错误！");
    QTest::newRow("empty DSP file") << 0 << "empty.MVA" << QByteArray("") << type << true;
    QTest::newRow("extension in lower case") << 0 << "fw.mva" << FirmwareContent(300) << type << true;
    QTest::newRow("no such file") << 0 << "gone.MVA" << QByteArray() << QStringLiteral("Hex File error!")
                                  << false;
    QTest::newRow("no such file, Chinese")
        << 1 << "gone.MVA" << QByteArray() << QStringLiteral("固件文件错误!") << false;
}

// A file the update cannot use is refused with its text before anything is sent: the open link stays as it
// was; a file that cannot be read is no longer the remembered one.
void TestUpgradeDlg::refusedFileSendsNothing() {
    QFETCH(int, language);
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, text);
    QFETCH(bool, pathKept);
    UpgradeRig f(language);
    QVERIFY(f.Connect());
    QVERIFY(f.WaitForPolls(1));
    f.Sim().ClearTrace();
    CUpgradeDlg* dialog = f.Open();
    const QString path = content.isNull() ? f.dir.filePath(name) : f.Write(name, content);
    UpgradeRig::Start(dialog, path);
    QVERIFY(f.WaitForBox(text));
    QVERIFY(!dialog->Busy());
    QVERIFY(f.WaitForPolls(3));
    QVERIFY(f.Writes().isEmpty());
    QVERIFY(f.Sim().Firmware().stages.empty());
    QVERIFY(f.Controller().Connected());
    QCOMPARE(dialog->PathField()->text(), pathKept ? path : QString());
    QCOMPARE(f.View().Settings().FirmwareFile(), pathKept ? path : QString());
}

// The browse button starts in the remembered file's folder with its name chosen; the choice goes into the
// field and is remembered across runs. Qt's own dialog lists both kinds of firmware file.
void TestUpgradeDlg::browseStartsAtTheRememberedFile() {
    UpgradeRig f;
    const QString old = f.Write(QStringLiteral("old.MVA"), FirmwareContent(10));
    f.View().Settings().SetFirmwareFile(old);
    CUpgradeDlg* dialog = f.Open();
    QCOMPARE(dialog->PathField()->text(), old);

    const QString chosen = f.Write(QStringLiteral("new.contr"), FirmwareContent(96));
    f.answer = chosen;
    QTest::mouseClick(dialog->BrowseButton(), Qt::LeftButton);
    QCOMPARE(f.requests.size(), 1);
    QCOMPARE(f.requests[0].mode, FileRequest::Mode::Open);
    QCOMPARE(QFileInfo(f.requests[0].directory), QFileInfo(f.dir.path()));
    QCOMPARE(f.requests[0].fileName, QStringLiteral("old.MVA"));
    QVERIFY(f.requests[0].filters.value(0).contains(QStringLiteral("(*.MVA *.contr)")));
    QCOMPARE(dialog->PathField()->text(), chosen);
    CSettingsStore next; // the program's next start
    next.LoadFirmwareLocation();
    QCOMPARE(next.FirmwareFile(), chosen);
    QVERIFY(QDir::fromNativeSeparators(next.DialogPath()).endsWith(QLatin1String("DataFile/*.bin")));

    // A cancelled choice changes nothing.
    f.answer.clear();
    QTest::mouseClick(dialog->BrowseButton(), Qt::LeftButton);
    QCOMPARE(dialog->PathField()->text(), chosen);

    f.View().Dialogs().Files().SetChooser({});
    QTest::mouseClick(dialog->BrowseButton(), Qt::LeftButton);
    QFileDialog* files = f.View().Dialogs().Files().OpenDialog();
    QVERIFY(files && files->isVisible());
    QCOMPARE(files->fileMode(), QFileDialog::ExistingFile);
    QVERIFY(files->nameFilters().value(0).contains(QStringLiteral("(*.MVA *.contr)")));
    QCOMPARE(QFileInfo(files->directory().absolutePath()), QFileInfo(f.dir.path()));
    files->reject();
    QCOMPARE(dialog->PathField()->text(), chosen);
}

void TestUpgradeDlg::texts_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("start");
    QTest::newRow("English") << 0 << "Device Firmware Update"
                             << "Start";
    QTest::newRow("Chinese") << 1 << "设备固件更新"
                             << "开始";
}

// Texts in the interface language, the controls under their numbers and names for a screen reader, Tab
// from the path field to Close, and Escape closes the idle dialog.
void TestUpgradeDlg::texts() {
    QFETCH(int, language);
    QFETCH(QString, title);
    QFETCH(QString, start);
    UpgradeRig f(language);
    CUpgradeDlg* dialog = f.Open();
    QCOMPARE(dialog->objectName(), QStringLiteral("270"));
    QCOMPARE(dialog->windowTitle(), title);
    QCOMPARE(dialog->StartButton()->text(), start);
    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("1882")), dialog->PathField());
    QCOMPARE(dialog->findChild<CBitmapButton*>(QStringLiteral("1883")), dialog->BrowseButton());
    QCOMPARE(dialog->findChild<CBitmapButton*>(QStringLiteral("1881")), dialog->StartButton());
    QCOMPARE(dialog->findChild<CSkinProgress*>(QStringLiteral("1414")), dialog->Progress());
    for (QWidget* w : QList<QWidget*>{dialog->PathField(), dialog->BrowseButton(), dialog->StartButton(),
                                      dialog->CloseButton(), dialog->Progress()}) {
        const auto* button = qobject_cast<QAbstractButton*>(w);
        QVERIFY2(!w->accessibleName().isEmpty() || (button && !button->text().isEmpty()),
                 qPrintable(w->objectName()));
    }
    QCOMPARE(NextTabStop(dialog->PathField()), dialog->BrowseButton());
    QCOMPARE(NextTabStop(dialog->BrowseButton()), dialog->StartButton());
    QCOMPARE(NextTabStop(dialog->StartButton()), dialog->CloseButton());
    QCOMPARE(NextTabStop(dialog->CloseButton()), dialog->PathField());
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!f.View().Dialogs().Upgrade(), FormRig::kLimit);
    QVERIFY(VisibleBoxes().isEmpty());
}

QTEST_MAIN(TestUpgradeDlg)
#include "tst_UpgradeDlg.moc"
