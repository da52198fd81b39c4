// The main window against the simulated device: start-up, the transfer popup, the top-level commands,
// a lost link, the language switch, keys, dragging and closing.
#include "app/AboutSoftDlg.h"
#include "app/DisplayDlg.h"
#include "app/FormActions.h"
#include "app/MainFrame.h"
#include "app/MsgBox.h"
#include "app/TavelApp.h"
#include "app/TavelView.h"
#include "app/TitleBar.h"
#include "app/TitleButton.h"
#include "app/TopMenu.h"
#include "control/DeviceBackup.h"
#include "control/DeviceController.h"
#include "control/Session.h"
#include "firmware/FirmwareUpdate.h"
#include "link/FirmwareHook.h"
#include "link/LinkWorker.h"
#include "sim/SimDevice.h"
#include "support/TempSettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

constexpr int kLimit = 10000; // generous; the fast profile needs a fraction of it

const QString kFactoryQuestion = QStringLiteral(
    "After restoring the factory settings, all your data will be lost. This process is not recoverable!  "
    "Choose 'YES' to clear the data, and choose 'NO' to do nothing.");
const QString kFactoryQuestionZh = QStringLiteral(
    "恢复出厂设置后，您的数据会全部丢失，这个过程是不可恢复的！ 选择'是'则清除数据，选择'否'则不进行操作");

// The device differs from its factory state wherever the factory-reset tests look.
void TuneDevice(SimState& s) {
    s.system[2] = 33; // master volume
    s.live.outputs[3].gainCode = 42;
    std::memcpy(s.Preset(1).name, "Rock", 4);
}

// The program as it starts on `--device sim`, in its own settings folder, made but not yet started.
struct Window {
    CTempSettings settings;
    CTavelApp app;

    // Automatic backups go to the temporary folder, never to the user's data folder.
    explicit Window(int language = 0) : app(Options(language)) { View().Backup().SetFolder(BackupFolder()); }
    QString BackupFolder() const { return settings.path() + QStringLiteral("/backups"); }

    static AppOptions Options(int language) {
        AppOptions o;
        o.device = DeviceOption{DeviceOption::Kind::Sim, {}};
        o.language = language;
        return o;
    }

    CTavelView& View() { return app.Frame().View(); }
    CDeviceController& Controller() { return app.Session().Controller(); }
    CSimDevice& Sim() { return *app.Session().Sim(); }
    CDisplayDlg& Popup() { return View().TransferPopup(); }
    CTitleButton* Button(int id) { return View().findChild<CTitleButton*>(QString::number(id)); }
    QLabel* Field() { return View().findChild<QLabel*>(QStringLiteral("deviceField")); }

    bool StartConnected() {
        app.Start();
        return QTest::qWaitFor([this] { return Controller().Connected() && !Popup().isVisible(); }, kLimit);
    }
    // Opens a menu by its button and chooses the item numbered `id`, as the user clicks it.
    bool Choose(int menuButton, int id) { return ChooseMenuItem(View(), menuButton, id); }
    bool WaitForPolls(int n) {
        const int until = Sim().Counters().statusPolls + n;
        return QTest::qWaitFor([&] { return Sim().Counters().statusPolls >= until; }, kLimit);
    }
};

// The texts of the window that follow the language: title bar, popup, both menus.
QStringList WindowTexts(Window& w) {
    QStringList texts;
    for (const int id : {CTitleBar::kConnect, CTitleBar::kSettingsMenu, CTitleBar::kPresetMenu,
                         CTitleBar::kMinimise, CTitleBar::kClose})
        texts << w.Button(id)->text() << w.Button(id)->accessibleName() << w.Button(id)->toolTip();
    texts << w.Field()->text() << w.Popup().windowTitle()
          << w.Popup().findChild<QLabel*>(QStringLiteral("text"))->text();
    for (const int button : {CTitleBar::kSettingsMenu, CTitleBar::kPresetMenu}) {
        QTest::mouseClick(w.Button(button), Qt::LeftButton);
        for (QMenu* menu : w.View().findChildren<QMenu*>()) {
            if (!menu->isVisible())
                continue;
            for (const QAction* a : menu->actions())
                texts << a->objectName() + u' ' + a->text();
            menu->close();
        }
    }
    return texts;
}

// An update that owns the link without sending anything.
class CIdleFirmware : public CFirmwareHook {
public:
    bool UpdateInProgress() const override { return true; }
    bool UpdateFinished() const override { return false; }
    void FirmwareCycle(CLinkWorker& worker) override { worker.Pause(std::chrono::milliseconds(1)); }
    void OnFirmwareReply(const SendData*, bool) override {}
};

enum class Answer { Yes, No };

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void startUpConnectsByItself_data();
    void startUpConnectsByItself();
    void readBackPopupIsModalAdvancesAndHides();
    void popupCannotBeClosedByHand();
    void factoryReset_data();
    void factoryReset();
    void factoryResetRefusedDuringFirmwareUpdate();
    void lostLinkReportsAndLeavesTheWindowIdle_data();
    void lostLinkReportsAndLeavesTheWindowIdle();
    void connectButtonDisconnectsAndReconnects();
    void connectButtonHasFourLooks();
    void menusOpenAtTheirAnchorsWithTheirItems_data();
    void menusOpenAtTheirAnchorsWithTheirItems();
    void languageSwitchedTwiceRestoresEveryText();
    void aboutNamesProgramVersionAndLibraries();
    void enterAndEscapeLeaveTheFormOpen_data();
    void enterAndEscapeLeaveTheFormOpen();
    void pressOnTheFormDragsTheWindow();
    void displayChangePutsTheWindowBack();
    void closeButtonShutsTheLinkDown();
};

void TestMainWindow::initTestCase() {
    CTavelApp::SetUpApplication(*qApp);
}

void TestMainWindow::cleanup() {
    // A box a failed check left open would be found by the next test.
    for (QMessageBox* box : VisibleBoxes())
        box->done(QMessageBox::Ok);
}

void TestMainWindow::startUpConnectsByItself_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("connectText");
    QTest::addColumn<QString>("field");
    QTest::newRow("English") << 0 << QStringLiteral("Disconnect")
                             << QStringLiteral("Connected to the simulated device");
    QTest::newRow("Chinese") << 1 << QStringLiteral("断开连接") << QStringLiteral("已连接模拟设备");
}

// Started on the simulated device, the window is connected without a click and says so.
void TestMainWindow::startUpConnectsByItself() {
    QFETCH(int, language);
    QFETCH(QString, connectText);
    QFETCH(QString, field);
    Window w(language);
    QVERIFY(!w.Controller().LinkOpen());
    QVERIFY(!w.Button(CTitleBar::kConnect)->IsLit());

    QVERIFY(w.StartConnected());
    QVERIFY(w.app.Frame().isVisible());
    QCOMPARE(w.app.Frame().windowTitle(), QStringLiteral("TALMO-QR-PRO"));
    QCOMPARE(w.app.Frame().size(), QSize(1284, 702));
    QVERIFY(w.app.Frame().windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(w.Button(CTitleBar::kConnect)->IsLit());
    QCOMPARE(w.Button(CTitleBar::kConnect)->text(), connectText);
    QCOMPARE(w.Field()->text(), field);
    QVERIFY(w.View().isEnabled());
    QVERIFY(VisibleBoxes().isEmpty());
    QCOMPARE(w.app.Session().Globals().language.load(), language);
}

// The read-back of a connection shows the popup over a disabled form with the batch's range, moves it one
// step per acknowledged item and hides it when the batch is done.
void TestMainWindow::readBackPopupIsModalAdvancesAndHides() {
    Window w;
    struct Shown {
        bool visible;
        bool modal;
        bool formEnabled;
        int range;
        int position;
    };
    std::optional<Shown> shown;
    QList<int> positions;
    bool hiddenAtEnd = false;
    bool enabledAtEnd = false;
    // Connected after the window's own handlers, so these see what the window made of each report; gone
    // before the window, whose closing link reports too.
    QObject watcher;
    CSession& s = w.app.Session();
    QObject::connect(&s, &CSession::transferStarted, &watcher, [&](const PopupRequest&) {
        shown = Shown{w.Popup().isVisible(), w.Popup().IsModalTransfer() && w.Popup().isModal(),
                      w.View().isEnabled(), w.Popup().Range(), w.Popup().Position()};
    });
    QObject::connect(&s, &CSession::transferProgress, &watcher,
                     [&](int) { positions << w.Popup().Position(); });
    QObject::connect(&s, &CSession::transferFinished, &watcher, [&] {
        hiddenAtEnd = !w.Popup().isVisible();
        enabledAtEnd = w.View().isEnabled();
    });

    QVERIFY(w.StartConnected());
    QVERIFY(shown.has_value());
    QVERIFY(shown->visible);
    QVERIFY(shown->modal);
    QVERIFY(!shown->formEnabled);
    // Five system reads, six preset names and eight output blocks, one step each.
    QCOMPARE(shown->range, 19);
    QCOMPARE(shown->position, 0);
    QList<int> steps;
    for (int i = 1; i <= 19; ++i)
        steps << i;
    QCOMPARE(positions, steps);
    QVERIFY(hiddenAtEnd);
    QVERIFY(enabledAtEnd);
}

// Neither the window's close request nor Escape takes the popup away; only the end of the transfer does.
void TestMainWindow::popupCannotBeClosedByHand() {
    Window w;
    QVERIFY(w.StartConnected());
    w.Popup().ShowTransfer(5, true);
    QVERIFY(!w.View().isEnabled());
    QVERIFY(!w.Popup().close());
    QTest::keyClick(&w.Popup(), Qt::Key_Escape);
    QVERIFY(w.Popup().isVisible());
    w.Popup().SetPosition(3);
    QCOMPARE(w.Popup().Position(), 3);
    w.Popup().HideTransfer();
    QVERIFY(!w.Popup().isVisible());
    QVERIFY(w.View().isEnabled());
}

void TestMainWindow::factoryReset_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("language");
    QTest::newRow("connected, yes") << true << Answer::Yes << 0;
    QTest::newRow("connected, no") << true << Answer::No << 0;
    QTest::newRow("not connected, yes") << false << Answer::Yes << 0;
    QTest::newRow("Chinese, connected, yes") << true << Answer::Yes << 1;
    QTest::newRow("Chinese, not connected, yes") << false << Answer::Yes << 1;
}

// The question first; Yes sends the factory reset (message 137) while a link is open and says "The device
// is not connected" otherwise; No sends nothing.
void TestMainWindow::factoryReset() {
    QFETCH(bool, connected);
    QFETCH(Answer, answer);
    QFETCH(int, language);
    Window w(language);
    w.Sim().ModifyState(TuneDevice);
    QVERIFY(w.StartConnected());
    if (!connected) {
        QTest::mouseClick(w.Button(CTitleBar::kConnect), Qt::LeftButton);
        QVERIFY(!w.Controller().LinkOpen());
        // The close runs in steps from the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(w.Controller().Idle(), kLimit);
        QVERIFY(!w.Button(CTitleBar::kConnect)->IsLit());
    }
    const SimState before = w.Sim().State();
    SimCounters counted = w.Sim().Counters();
    // The backup before the reset reads the device (the master output off and back around it); what the
    // reset sends is counted from the written backup on.
    QObject context;
    QObject::connect(&w.View().Backup(), &CDeviceBackup::backupWritten, &context,
                     [&] { counted = w.Sim().Counters(); });

    QVERIFY(w.Choose(CTitleBar::kSettingsMenu, language == 1 ? 32828 : 32829));
    const QString question = language == 1 ? kFactoryQuestionZh : kFactoryQuestion;
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(question) != nullptr, kLimit);
    QMessageBox* box = BoxSaying(question);
    QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    QVERIFY(box->isModal());
    QTest::mouseClick(box->button(answer == Answer::Yes ? QMessageBox::Yes : QMessageBox::No),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(question) == nullptr, kLimit);

    if (!connected) {
        const QString text = CDeviceController::kNotConnected.In(language);
        QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(text) != nullptr, kLimit);
        QCOMPARE(w.Sim().Counters().accepted, counted.accepted); // nothing reached the device
        return;
    }
    if (answer == Answer::No) {
        // Whatever the answer had queued would have gone out before these polls.
        QVERIFY(w.WaitForPolls(50));
        QCOMPARE(w.Sim().Counters().writes, counted.writes);
        QCOMPARE(w.Sim().State().system, before.system);
        QVERIFY(VisibleBoxes().isEmpty());
        return;
    }
    const CSimDevice factory;
    QTRY_VERIFY_WITH_TIMEOUT(w.Sim().State().system == factory.State().system, kLimit);
    QCOMPARE(w.View().Backup().Backups().size(), 1);
    QCOMPARE(w.Sim().State().live.outputs[3].gainCode, factory.State().live.outputs[3].gainCode);
    QCOMPARE(w.Sim().State().Preset(1).name[0], factory.State().Preset(1).name[0]);
    QCOMPARE(w.Sim().Counters().writes, counted.writes + 1);
    QVERIFY(w.Controller().LinkOpen());
    QVERIFY(VisibleBoxes().isEmpty());
}

// While a firmware update owns the link, the factory reset is refused before the question.
void TestMainWindow::factoryResetRefusedDuringFirmwareUpdate() {
    CIdleFirmware firmware;
    Window w;
    QVERIFY(w.StartConnected());
    w.Controller().FirmwareHost().StartFirmwareLink(firmware);
    QVERIFY(w.Controller().FirmwareUpdating());

    QVERIFY(w.Choose(CTitleBar::kSettingsMenu, 32829));
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(CFirmwareUpdate::kUpdateBusy.In(0)) != nullptr, kLimit);
    QCOMPARE(VisibleBoxes().size(), 1);
    QVERIFY(BoxSaying(kFactoryQuestion) == nullptr);
    w.Controller().FirmwareHost().EndFirmwareLink();
}

void TestMainWindow::lostLinkReportsAndLeavesTheWindowIdle_data() {
    QTest::addColumn<bool>("duringReadBack");
    QTest::addColumn<int>("language");
    QTest::newRow("connected") << false << 0;
    QTest::newRow("connected, Chinese") << false << 1;
    QTest::newRow("during the read-back") << true << 0;
}

// Unplugging the device shows "unable to connect"; the window is usable again and shows the idle looks.
void TestMainWindow::lostLinkReportsAndLeavesTheWindowIdle() {
    QFETCH(bool, duringReadBack);
    QFETCH(int, language);
    Window w(language);
    QObject watcher; // gone before the window
    if (duringReadBack) {
        QObject::connect(&w.app.Session(), &CSession::transferStarted, &watcher,
                         [&w](const PopupRequest&) { w.Sim().Unplug(); });
        w.app.Start();
        QTRY_VERIFY_WITH_TIMEOUT(!w.Sim().IsPlugged(), kLimit);
    } else {
        QVERIFY(w.StartConnected());
        w.Sim().Unplug();
    }
    const QString text = CDeviceController::kConnectFailure.In(language);
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(text) != nullptr, kLimit);
    QCOMPARE(text, language == 1 ? QStringLiteral("无法连接设备") : QStringLiteral("unable to connect"));
    QVERIFY(!w.Controller().LinkOpen());
    QVERIFY(w.View().isEnabled());
    QVERIFY(!w.Popup().isVisible());
    QVERIFY(!w.Button(CTitleBar::kConnect)->IsLit());
    QCOMPARE(w.Button(CTitleBar::kConnect)->text(),
             language == 1 ? QStringLiteral("连接设备") : QStringLiteral("Connect"));
    QCOMPARE(w.Field()->text(), language == 1 ? QStringLiteral("未连接") : QStringLiteral("Not connected"));
    QCOMPARE(VisibleBoxes().size(), 1);

    QTest::mouseClick(BoxSaying(text)->button(QMessageBox::Ok), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(VisibleBoxes().isEmpty(), kLimit);
}

// Connect closes an open link silently and opens it again, with the read-back.
void TestMainWindow::connectButtonDisconnectsAndReconnects() {
    Window w;
    QVERIFY(w.StartConnected());
    QTest::mouseClick(w.Button(CTitleBar::kConnect), Qt::LeftButton);
    QVERIFY(!w.Controller().LinkOpen());
    QTRY_VERIFY_WITH_TIMEOUT(w.Controller().Idle(), kLimit); // the close runs in steps from the event loop
    QCOMPARE(w.Field()->text(), QStringLiteral("Not connected"));

    QTest::mouseClick(w.Button(CTitleBar::kConnect), Qt::LeftButton);
    QVERIFY(w.Controller().LinkOpen());
    QVERIFY(w.Button(CTitleBar::kConnect)->IsLit());
    QTRY_VERIFY_WITH_TIMEOUT(w.Controller().Connected() && !w.Popup().isVisible(), kLimit);
    QVERIFY(w.View().isEnabled());
    QVERIFY(VisibleBoxes().isEmpty());
}

// Idle and connected, each at rest and under the mouse: four different pictures.
void TestMainWindow::connectButtonHasFourLooks() {
    Window w;
    w.app.Start();
    CTitleButton* connect = w.Button(CTitleBar::kConnect);
    const auto look = [connect](bool lit, bool hovered) {
        connect->SetLit(lit);
        if (hovered) {
            QEnterEvent enter(QPointF(5, 5), connect->mapTo(connect->window(), QPointF(5, 5)),
                              connect->mapToGlobal(QPointF(5, 5)));
            QApplication::sendEvent(connect, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(connect, &leave);
        }
        return connect->grab().toImage();
    };
    const QList<QImage> looks{look(false, false), look(false, true), look(true, false), look(true, true)};
    for (int i = 0; i < looks.size(); ++i)
        for (int j = i + 1; j < looks.size(); ++j)
            QVERIFY2(looks[i] != looks[j],
                     qPrintable(QStringLiteral("looks %1 and %2 are alike").arg(i).arg(j)));
    QCOMPARE(look(false, false), looks[0]);
}

void TestMainWindow::menusOpenAtTheirAnchorsWithTheirItems_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("dx");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("settings, English") << 0 << int(CTitleBar::kSettingsMenu) << -10
                                       << QStringList{"32853 Undo\tCtrl+Z",
                                                      "32854 Redo\tCtrl+Y",
                                                      "--",
                                                      "32777 Firmware Update",
                                                      "32829 Rest Settings",
                                                      "32850 Restore backup...",
                                                      "32851 Automatic backups",
                                                      "--",
                                                      "32832 Chinese",
                                                      "32834 SourceVolume",
                                                      "--",
                                                      "32840 Copy EQ",
                                                      "32841 Paste EQ",
                                                      "32842 Import EQ from file...",
                                                      "32843 Export EQ to file...",
                                                      "32844 Time alignment...",
                                                      "32845 Export graph...",
                                                      "32846 Measurement...",
                                                      "--",
                                                      "32776 About"};
    QTest::newRow("settings, Chinese") << 1 << int(CTitleBar::kSettingsMenu) << -10
                                       << QStringList{"32853 撤销\tCtrl+Z",
                                                      "32854 重做\tCtrl+Y",
                                                      "--",
                                                      "32777 固件更新",
                                                      "32828 恢复出厂设置",
                                                      "32850 恢复备份...",
                                                      "32851 自动备份",
                                                      "--",
                                                      "32774 英文",
                                                      "32833 音源音量",
                                                      "--",
                                                      "32840 复制EQ",
                                                      "32841 粘贴EQ",
                                                      "32842 从文件导入EQ...",
                                                      "32843 导出EQ到文件...",
                                                      "32844 时间校准...",
                                                      "32845 导出曲线图...",
                                                      "32846 测量曲线...",
                                                      "--",
                                                      "32776 关于"};
    QTest::newRow("presets, English")
        << 0 << int(CTitleBar::kPresetMenu) << 50 << QStringList{"32827 Open", "32826 Save"};
    QTest::newRow("presets, Chinese")
        << 1 << int(CTitleBar::kPresetMenu) << 50 << QStringList{"32771 音效调用", "32772 音效保存"};
}

// Both menus open below the settings button (left - 10 and left + 50, bottom + 5) with the items and
// numbers of the interface language.
void TestMainWindow::menusOpenAtTheirAnchorsWithTheirItems() {
    QFETCH(int, language);
    QFETCH(int, button);
    QFETCH(int, dx);
    QFETCH(QStringList, items);
    Window w(language);
    w.app.Start();
    // The offscreen screen is smaller than the window: move the buttons onto it so no menu is pushed back.
    w.app.Frame().move(-900, 0);
    QTest::mouseClick(w.Button(button), Qt::LeftButton);
    QMenu* menu = nullptr;
    for (QMenu* m : w.View().findChildren<QMenu*>())
        if (m->isVisible())
            menu = m;
    QVERIFY(menu);
    QStringList shown;
    for (const QAction* a : menu->actions())
        shown << (a->isSeparator() ? QStringLiteral("--") : a->objectName() + u' ' + a->text());
    QCOMPARE(shown, items);
    const QWidget* anchor = w.Button(CTitleBar::kSettingsMenu);
    QCOMPARE(menu->pos(), anchor->mapToGlobal(QPoint(dx, anchor->height() + 5)));
    menu->close();
}

// The language item switches every text of the window and back; the system texts follow the flag.
void TestMainWindow::languageSwitchedTwiceRestoresEveryText() {
    Window w;
    QVERIFY(w.StartConnected());
    const QStringList english = WindowTexts(w);
    QVERIFY(english.contains(QStringLiteral("Disconnect")));

    QVERIFY(w.Choose(CTitleBar::kSettingsMenu, 32832));
    QCOMPARE(w.app.Session().Globals().language.load(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(w.Button(CTitleBar::kConnect)->text(), QStringLiteral("断开连接"), kLimit);
    const QStringList chinese = WindowTexts(w);
    QCOMPARE(chinese.size(), english.size());
    for (const QString& text :
         {QStringLiteral("已连接模拟设备"), QStringLiteral("数据传输中"), QStringLiteral("数据正在传输中"),
          QStringLiteral("32774 英文"), QStringLiteral("32771 音效调用")})
        QVERIFY2(chinese.contains(text), qPrintable(text));

    QVERIFY(w.Choose(CTitleBar::kSettingsMenu, 32774));
    QCOMPARE(w.app.Session().Globals().language.load(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(w.Button(CTitleBar::kConnect)->text(), QStringLiteral("Disconnect"), kLimit);
    QCOMPARE(WindowTexts(w), english);
}

// About: a modal dialog with our picture, the program's name and version and each library's licence.
void TestMainWindow::aboutNamesProgramVersionAndLibraries() {
    Window w;
    w.app.Start();
    QVERIFY(w.Choose(CTitleBar::kSettingsMenu, 32776));
    CAboutSoftDlg* about = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((about = w.app.Frame().findChild<CAboutSoftDlg*>(QStringLiteral("528"))) &&
                                 about->isVisible(),
                             kLimit);
    QVERIFY(about->isModal());
    QCOMPARE(about->windowTitle(), QStringLiteral("About"));
    const QString lines = about->Lines().join(u'\n');
    QVERIFY(lines.contains(QStringLiteral("TALMO-QR-PRO")));
    QVERIFY(lines.contains(QCoreApplication::applicationVersion()));
    QVERIFY(lines.contains(QStringLiteral("Qt %1 \u2014 GNU LGPL version 3").arg(QLatin1String(qVersion()))));
    QVERIFY(lines.contains(QStringLiteral("hidapi ")));
    QVERIFY(lines.contains(
        QStringLiteral("BSD-style licence, GNU GPL version 3 or the original hidapi licence")));
    QVERIFY(lines.contains(QStringLiteral("GNU LGPL version 2.1 or later")));
    QTest::keyClick(about, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(w.app.Frame().findChild<CAboutSoftDlg*>() == nullptr, kLimit);
}

void TestMainWindow::enterAndEscapeLeaveTheFormOpen_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void TestMainWindow::enterAndEscapeLeaveTheFormOpen() {
    QFETCH(int, key);
    Window w;
    QVERIFY(w.StartConnected());
    QTest::keyClick(&w.View(), static_cast<Qt::Key>(key));
    QTest::keyClick(w.Button(CTitleBar::kConnect), static_cast<Qt::Key>(key));
    QTest::keyClick(&w.app.Frame(), static_cast<Qt::Key>(key));
    QVERIFY(w.app.Frame().isVisible());
    QVERIFY(w.View().isVisible());
    QVERIFY(w.Controller().LinkOpen());
    QVERIFY(VisibleBoxes().isEmpty());
}

// A press on the form, off every control, drags the whole window.
void TestMainWindow::pressOnTheFormDragsTheWindow() {
    Window w;
    w.app.Start();
    CMainFrame& frame = w.app.Frame();
    frame.move(100, 80);
    QWidget* form = &w.View();
    const QPoint at(640, 600); // the EQ region, empty here
    const auto send = [&](QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, local, form->mapToGlobal(local), button, held, Qt::NoModifier);
        QApplication::sendEvent(form, &event);
    };
    send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, at + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at + QPoint(30, 20), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(frame.pos(), QPoint(130, 100));
    QCOMPARE(frame.focusWidget(), form);

    // The same press on a button is the button's.
    QWidget* connect = w.Button(CTitleBar::kConnect);
    const QPoint onButton = connect->mapTo(form, connect->rect().center());
    QMouseEvent press(QEvent::MouseButtonPress, connect->rect().center(),
                      connect->mapToGlobal(connect->rect().center()), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(connect, &press);
    send(QEvent::MouseMove, onButton + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(frame.pos(), QPoint(130, 100));
}

// A change of the display's geometry puts the window at (0, 0) in its own size.
void TestMainWindow::displayChangePutsTheWindowBack() {
    Window w;
    w.app.Start();
    CMainFrame& frame = w.app.Frame();
    frame.move(200, 150);
    QScreen* screen = frame.screen();
    QVERIFY(screen);
    emit screen->geometryChanged(screen->geometry());
    QCOMPARE(frame.pos(), QPoint(0, 0));
    QCOMPARE(frame.size(), QSize(1284, 702));
    QVERIFY(frame.isVisible());
}

// The close button stops the worker and gives the device up before the window goes.
void TestMainWindow::closeButtonShutsTheLinkDown() {
    Window w;
    QVERIFY(w.StartConnected());
    QTest::mouseClick(w.Button(CTitleBar::kClose), Qt::LeftButton);
    QVERIFY(w.View().Closing());
    QVERIFY(!w.app.Frame().isVisible());
    QVERIFY(!w.Controller().LinkOpen());
    QVERIFY(w.Controller().Idle());
    QVERIFY(!w.Controller().DeviceOpen());
    QVERIFY(VisibleBoxes().isEmpty()); // closing says nothing
}

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
