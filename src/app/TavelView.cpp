// The main form: the title bar and its commands, the connection as the user sees it, and the regions that
// hold the channel, master, graph and EQ controls.
#include "app/TavelView.h"

#include "app/AboutSoftDlg.h"
#include "app/DisplayDlg.h"
#include "app/InterfaceLanguage.h"
#include "app/MsgBox.h"
#include "app/TitleBar.h"
#include "app/TitleButton.h"
#include "control/DeviceController.h"
#include "control/Session.h"
#include "controls/SkinPalette.h"
#include "firmware/FirmwareUpdate.h"
#include "link/DeviceMonitor.h"
#include "link/TransferBatches.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <utility>

namespace {

constexpr char kFactoryResetQuestion[] = QT_TRANSLATE_NOOP(
    "CTavelView", "After restoring the factory settings, all your data will be lost. This process is not "
                  "recoverable!  Choose 'YES' to clear the data, and choose 'NO' to do nothing.");

// Where the menus open, from the settings button's lower left corner (both anchor there).
constexpr int kSettingsMenuDx = -10;
constexpr int kPresetMenuDx = 50;
constexpr int kMenuDy = 5;

const QColor kPanel{33, 33, 36};
const QColor kPanelEdge{48, 48, 52};

} // namespace

QRect CTavelView::RegionRect(Region region) {
    for (const RegionPlace& place : kRegions)
        if (place.region == region)
            return place.rect;
    return {};
}

CTavelView::CTavelView(CSession& session, CInterfaceLanguage& language, QMainWindow* frame)
    : QWidget(frame), m_session(session), m_language(language), m_frame(frame),
      m_settings(QCoreApplication::applicationDirPath()),
      m_titleBar(new CTitleBar(session.Options().device.kind, session.DeviceDescription(), this)),
      m_popup(new CDisplayDlg(this, frame)), m_msgBox(new CMsgBox(frame, session.Globals().language)),
      m_settingsMenu(new CTopMenu(CTopMenu::Which::Settings, this)),
      m_presetMenu(new CTopMenu(CTopMenu::Which::Presets, this)) {
    setObjectName(QStringLiteral("form"));
    setFixedSize(kSize);
    setFocusPolicy(Qt::ClickFocus);
    m_titleBar->move(0, 0);
    for (std::size_t i = 0; i < kRegions.size(); ++i) {
        auto* host = new QWidget(this);
        host->setObjectName(QLatin1String(kRegions[i].name));
        host->setGeometry(kRegions[i].rect);
        m_hosts[i] = host;
    }
    RebuildBackground();

    ConnectSession();
    ConnectTitleBar();
    connect(m_settingsMenu, &CTopMenu::chosen, this, &CTavelView::RunCommand);
    connect(m_presetMenu, &CTopMenu::chosen, this, &CTavelView::RunCommand);

    m_settings.LoadFirmwareLocation();
    StartDeviceMonitor();
}

CTavelView::~CTavelView() {
    ShutDownLink();
}

QWidget* CTavelView::RegionHost(Region region) const {
    for (std::size_t i = 0; i < kRegions.size(); ++i)
        if (kRegions[i].region == region)
            return m_hosts[i];
    return nullptr;
}

void CTavelView::ConnectSession() {
    connect(&m_session, &CSession::messageShown, this, [this](const SysText& text) { m_msgBox->Show(text); });
    connect(&m_session, &CSession::transferStarted, this,
            [this](const PopupRequest& r) { ShowTransfer(r.show, r.modal, r.range); });
    connect(&m_session, &CSession::transferProgress, m_popup, &CDisplayDlg::SetPosition);
    connect(&m_session, &CSession::transferFinished, m_popup, &CDisplayDlg::HideTransfer);
    connect(&m_session, &CSession::linkStateChanged, m_titleBar, &CTitleBar::SetLinkOpen);
}

void CTavelView::ConnectTitleBar() {
    CDeviceController& controller = m_session.Controller();
    connect(m_titleBar->Button(CTitleBar::kConnect), &QAbstractButton::clicked, this,
            [&controller] { controller.ToggleConnection(); });
    connect(m_titleBar->Button(CTitleBar::kSettingsMenu), &QAbstractButton::clicked, this,
            &CTavelView::ShowSettingsMenu);
    connect(m_titleBar->Button(CTitleBar::kPresetMenu), &QAbstractButton::clicked, this,
            &CTavelView::ShowPresetMenu);
    connect(m_titleBar->Button(CTitleBar::kMinimise), &QAbstractButton::clicked, m_frame,
            &QWidget::showMinimized);
    connect(m_titleBar->Button(CTitleBar::kClose), &QAbstractButton::clicked, this,
            &CTavelView::CloseProgram);
}

void CTavelView::StartDeviceMonitor() {
    // The simulated device and the socket have no arrivals to watch: they are there or the link fails.
    if (m_session.Options().device.kind != DeviceOption::Kind::Usb)
        return;
    CDeviceController& controller = m_session.Controller();
    m_monitor = std::make_unique<CDeviceMonitor>([&controller] { return controller.Snapshot(); });
    connect(m_monitor.get(), &CDeviceMonitor::ArrivalConnection, this,
            [&controller](const QString& path) { controller.ConnectArrived(path.toStdString()); });
    connect(m_monitor.get(), &CDeviceMonitor::RemovalClose, this,
            [&controller](const QString& path) { controller.DeviceRemoved(path.toStdString()); });
    m_monitor->Start();
}

void CTavelView::ShowTransfer(bool show, bool modal, int range) {
    if (!show)
        return;
    // The read-back of a connection is the one transfer the controller leaves non-modal; the form still
    // waits for it, since the device's settings replace everything it shows when it ends.
    const CDeviceController& controller = m_session.Controller();
    const bool readingBack = controller.LinkOpen() && !controller.Connected();
    m_popup->ShowTransfer(range, modal || readingBack);
}

// ---- Commands
// ----------------------------------------------------------------------------------------------

QPoint CTavelView::MenuAnchor(int dx) const {
    const QWidget* anchor = m_titleBar->Button(CTitleBar::kSettingsMenu);
    return anchor->mapToGlobal(QPoint(dx, anchor->height() + kMenuDy));
}

void CTavelView::ShowSettingsMenu() {
    m_settingsMenu->Open(m_session.Globals().language.load(), MenuAnchor(kSettingsMenuDx));
}

void CTavelView::ShowPresetMenu() {
    m_presetMenu->Open(m_session.Globals().language.load(), MenuAnchor(kPresetMenuDx));
}

void CTavelView::RunCommand(TopCommand command) {
    using Run = void (CTavelView::*)();
    static constexpr std::array<std::pair<TopCommand, Run>, 7> kCommands{{
        {TopCommand::FirmwareUpdate, &CTavelView::firmwareUpdateRequested},
        {TopCommand::FactoryReset, &CTavelView::FactoryReset},
        {TopCommand::Language, &CTavelView::ToggleLanguage},
        {TopCommand::SourceVolume, &CTavelView::sourceVolumeRequested},
        {TopCommand::About, &CTavelView::ShowAbout},
        {TopCommand::PresetRecall, &CTavelView::presetRecallRequested},
        {TopCommand::PresetSave, &CTavelView::presetSaveRequested},
    }};
    for (const auto& [which, run] : kCommands)
        if (which == command)
            (this->*run)();
}

void CTavelView::ToggleLanguage() {
    std::atomic<int>& flag = m_session.Globals().language;
    flag.store(flag.load() == CInterfaceLanguage::kChinese ? CInterfaceLanguage::kEnglish
                                                           : CInterfaceLanguage::kChinese);
    // Every widget re-reads its texts when the language-change event this posts arrives.
    m_language.Apply(flag.load());
}

void CTavelView::ShowAbout() {
    auto* about = new CAboutSoftDlg(m_frame);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

void CTavelView::FactoryReset() {
    CDeviceController& controller = m_session.Controller();
    if (controller.FirmwareUpdating()) {
        controller.FactoryReset(); // shows "Don't close up the update!" and does nothing else
        return;
    }
    m_msgBox->Ask(tr(kFactoryResetQuestion), [this](bool yes) { AnswerFactoryReset(yes); });
}

void CTavelView::AnswerFactoryReset(bool yes) {
    if (!yes)
        return;
    // The link may have gone while the question was open: the controller looks at it when the answer comes
    // and says "The device is not connected" then.
    m_session.Controller().FactoryReset();
}

void CTavelView::CloseProgram() {
    ShutDownLink();
    m_frame->close();
}

void CTavelView::ShutDownLink() {
    if (m_closing)
        return;
    m_closing = true;
    m_monitor.reset();
    // The program is going: closing the link hides the popup and shows the idle looks, but says nothing.
    disconnect(&m_session, &CSession::messageShown, this, nullptr);
    m_session.Controller().StopForExit(); // closing the device gives up its claim
}

// ---- Form --------------------------------------------------------------------------------------------

void CTavelView::RebuildBackground() {
    m_background = QPixmap(size());
    m_background.fill(CSkinPalette::Background());
    QPainter p(&m_background);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kPanelEdge, 1));
    p.setBrush(kPanel);
    for (const RegionPlace& place : kRegions) {
        const QRectF r = QRectF(place.rect).adjusted(0.5, 0.5, -0.5, -0.5);
        if (place.rect.width() < kSize.width()) {
            p.drawRoundedRect(r, 6, 6);
            continue;
        }
        // A region as wide as the window is a band: no side edges against the window's own.
        p.fillRect(place.rect, kPanel);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.bottomLeft(), r.bottomRight());
    }
}

void CTavelView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}

void CTavelView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    // The window manager moves the window where it can; elsewhere (offscreen, no manager) the form does.
    if (QWindow* handle = m_frame->windowHandle(); handle && handle->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - m_frame->pos();
}

void CTavelView::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        m_frame->move(event->globalPosition().toPoint() - m_dragOffset);
}

void CTavelView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

void CTavelView::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape never close the form; they only bring the focus back to it.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
