// The desktop program from start to end: the process's resolution and language, the session with the
// device, the window, the automatic connection at start-up.
#include "app/TavelApp.h"

#include "app/AppFont.h"
#include "app/DisplayDlg.h"
#include "app/FirstPaintReport.h"
#include "app/MainFrame.h"
#include "app/TavelView.h"
#include "control/DeviceController.h"
#include "control/Session.h"
#include "controls/SkinAccessibility.h"
#include "controls/SkinPalette.h"
#include "link/Notifier.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// The stand-in for the box rests between cycles where the build has a profile for that; the fast one
// (no pauses at all) otherwise.
template <typename Profile> Profile SimulatedOrFast() {
    if constexpr (requires { Profile::Simulated(); })
        return Profile::Simulated();
    else
        return Profile::Fast();
}

// The plain Qt windows (menus, message boxes, dialogs, the popup's bar) in the skin's colours.
constexpr char kStyleSheet[] = R"(
QMenu { background: #28282b; border: 1px solid #3e3e41; padding: 5px; }
QMenu::item { color: #e0e0e4; padding: 7px 28px 7px 14px; border-radius: 4px; }
QMenu::item:selected { background: #3da5f4; color: #ffffff; }
QMenu::item:disabled { color: #646468; }
QMenu::separator { height: 1px; background: #3e3e41; margin: 4px 6px; }
QDialog, QMessageBox { background: #232326; }
QMessageBox QLabel { color: #e0e0e4; }
QMessageBox QLabel#qt_msgbox_label { min-width: 280px; }
QPushButton { background: #2e2e32; color: #e0e0e4; border: 1px solid #46464a; border-radius: 5px;
              padding: 6px 18px; min-width: 64px; }
QPushButton:hover { background: #3a3a3f; border-color: #5c5c62; }
QPushButton:pressed { background: #242427; }
QPushButton:default, QPushButton:focus { border-color: #3da5f4; }
QProgressBar { background: #121214; border: 1px solid #2e2e32; border-radius: 4px; }
QProgressBar::chunk { background: #3da5f4; border-radius: 3px; }
QToolTip { background: #2e2e32; color: #e0e0e4; border: 1px solid #46464a; padding: 4px; }
QRadioButton::indicator { width: 12px; height: 12px; border-radius: 7px; border: 1px solid #6a6a70;
                          background: #121214; }
QRadioButton::indicator:hover { border-color: #8c8c92; }
QRadioButton::indicator:checked { border-color: #3da5f4;
    background: qradialgradient(cx: 0.5, cy: 0.5, radius: 0.5, fx: 0.5, fy: 0.5, stop: 0 #3da5f4,
                                stop: 0.5 #3da5f4, stop: 0.6 #121214, stop: 1 #121214); }
)";

// The exit code of a line that asks for a text instead of the window, after printing the text.
std::optional<int> EndsEarly(const AppOptions& o) {
    switch (o.outcome) {
    case AppOptions::Outcome::Help:
    case AppOptions::Outcome::Version:
        std::fputs(qPrintable(o.text), stdout);
        return 0;
    case AppOptions::Outcome::Error:
        std::fprintf(stderr, "selvano: %s\nTry 'selvano --help'.\n", qPrintable(o.text));
        return AppOptions::kUsageExit;
    case AppOptions::Outcome::Run:
        break;
    }
    return std::nullopt;
}

constexpr int kSettleCheckMs = 100;
constexpr int kSettleLeastMs = 400;   // the first paint and the automatic connection's first steps
constexpr int kSettleLimitMs = 15000; // a link that never settles is pictured as it is

} // namespace

void CTavelApp::PrepareProcess() {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_FONT_DPI", "96");
}

void CTavelApp::SetUpApplication(QApplication& application) {
    QCoreApplication::setApplicationName(QStringLiteral("selvano"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SELVANO_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("selvano"));
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QPalette palette = CSkinPalette::Palette();
    palette.setColor(QPalette::Window, QColor(35, 35, 38));
    palette.setColor(QPalette::ToolTipBase, QColor(46, 46, 50));
    palette.setColor(QPalette::ToolTipText, CSkinPalette::Text());
    QApplication::setPalette(palette);
    QApplication::setFont(CAppFont::Pixels(CAppFont::kBody));
    application.setStyleSheet(QString::fromLatin1(kStyleSheet));
    CSkinAccessibility::Install(); // screen readers learn the skinned controls' roles and values
}

TimingProfile CTavelApp::TimingFor(const DeviceOption& device) {
    return device.kind == DeviceOption::Kind::Usb ? TimingProfile::Device()
                                                  : SimulatedOrFast<TimingProfile>();
}

CTavelApp::CTavelApp(const AppOptions& options) : m_options(options) {
    const int language = options.language.value_or(CInterfaceLanguage::FromLocale(QLocale::system()));
    SessionOptions session;
    session.device = options.device;
    session.timing = TimingFor(options.device);
    session.language = language;
    m_session = std::make_unique<CSession>(session);
    m_language.Apply(language);
    m_frame = std::make_unique<CMainFrame>(*m_session, m_language);
}

CTavelApp::~CTavelApp() {
    m_frame.reset(); // the form shuts the link down before the session goes
    m_session.reset();
}

void CTavelApp::Start() {
    CFirstPaintReport::InstallIfAsked(*m_frame); // for the start-up benchmark
    m_frame->ShowCentred();
    // The controller's own notifier delivers it from the event loop, once the window is up.
    m_session->Controller().PostAutoConnect();
    if (!m_options.screenshot.isEmpty())
        ScreenshotWhenSettled(m_options.screenshot);
}

void CTavelApp::ScreenshotWhenSettled(const QString& path) {
    auto* timer = new QTimer(m_frame.get());
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, m_frame.get(), [this, timer, clock, path] {
        const CDeviceController& controller = m_session->Controller();
        const bool settled = !controller.LinkOpen() ||
                             (controller.Connected() && !m_frame->View().TransferPopup().isVisible());
        if ((!settled || clock->elapsed() < kSettleLeastMs) && clock->elapsed() < kSettleLimitMs)
            return;
        timer->stop();
        const bool saved = m_frame->grab().save(path, "PNG");
        if (!saved)
            std::fprintf(stderr, "selvano: cannot write the screenshot %s\n", qPrintable(path));
        QCoreApplication::exit(saved ? 0 : 1);
    });
    timer->start(kSettleCheckMs);
}

int CTavelApp::Main(int argc, char* argv[]) {
    PrepareProcess();
    {
        // The line is read once before a display is needed, so that --help, --version and a wrong value
        // need none. Options unknown to us may be Qt's own, which only the application object takes out.
        QCoreApplication probe(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("selvano"));
        QCoreApplication::setApplicationVersion(QStringLiteral(SELVANO_VERSION));
        const AppOptions early = AppOptions::Parse(QCoreApplication::arguments());
        const bool maybeQtOptions =
            early.outcome == AppOptions::Outcome::Error && !early.unknownOptions.isEmpty();
        if (!maybeQtOptions)
            if (const std::optional<int> code = EndsEarly(early))
                return *code;
    }

    QApplication application(argc, argv);
    SetUpApplication(application);
    const AppOptions options = AppOptions::Parse(QCoreApplication::arguments());
    if (const std::optional<int> code = EndsEarly(options))
        return *code;
    CTavelApp app(options);
    app.Start();
    return application.exec();
}
