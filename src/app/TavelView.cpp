// The main form: the title bar and its commands, the connection as the user sees it, and the regions that
// hold the channel, master, graph and EQ controls.
#include "app/TavelView.h"

#include "app/AboutSoftDlg.h"
#include "app/AppFont.h"
#include "app/CarPicture.h"
#include "app/ChannelStrip.h"
#include "app/CrossoverPanel.h"
#include "app/DisplayDlg.h"
#include "app/EditHistory.h"
#include "app/EqTextActions.h"
#include "app/FileChooser.h"
#include "app/FormDialogs.h"
#include "app/GraphExport.h"
#include "app/InterfaceLanguage.h"
#include "app/LinkRow.h"
#include "app/MasterPanel.h"
#include "app/MeasurementDlg.h"
#include "app/MsgBox.h"
#include "app/OutputDlg.h"
#include "app/SvolumeDLG.h"
#include "app/TimeAlignDlg.h"
#include "app/TitleBar.h"
#include "app/TitleButton.h"
#include "control/DeviceBackup.h"
#include "control/DeviceController.h"
#include "control/ModelEditor.h"
#include "control/PresetMemories.h"
#include "control/Session.h"
#include "controls/BitmapButton.h"
#include "controls/SkinLanguage.h"
#include "controls/SkinPalette.h"
#include "editors/FStatic.h"
#include "firmware/FirmwareUpdate.h"
#include "link/DeviceMonitor.h"
#include "link/QtNotifier.h"
#include "link/TransferBatches.h"
#include "presets/PresetFile.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace {

constexpr char kEqResetQuestion[] = QT_TRANSLATE_NOOP("CTavelView", "Whether the reset all EQ?");
constexpr char kFactoryResetQuestion[] = QT_TRANSLATE_NOOP(
    "CTavelView", "After restoring the factory settings, all your data will be lost. This process is not "
                  "recoverable!  Choose 'YES' to clear the data, and choose 'NO' to do nothing.");

// Where the menus open, from the settings button's lower left corner (both anchor there).
constexpr int kSettingsMenuDx = -10;
constexpr int kPresetMenuDx = 50;
constexpr int kMenuDy = 5;

// The strips band (strip host coordinates): six strips side by side, the two EQ buttons at the right end.
constexpr int kStripsLeft = 4;
constexpr QRect kEqResetRect{1188, 8, 88, 26};
constexpr QRect kAllBypassRect{1188, 40, 88, 26};

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
      m_presetMenu(new CTopMenu(CTopMenu::Which::Presets, this)), m_backup(new CDeviceBackup(session, this)),
      m_dialogs(new CFormDialogs(*this, session, *m_msgBox, m_settings, *m_backup, frame)),
      m_history(new CEditHistory(session, this)) {
    setObjectName(QStringLiteral("form"));
    setFixedSize(kSize);
    // The skinned controls draw in the language of the session's flag from here on.
    CSkinLanguage::SetFlag(&session.Globals().language);
    setFocusPolicy(Qt::ClickFocus);
    m_titleBar->move(0, 0);
    for (std::size_t i = 0; i < kRegions.size(); ++i) {
        auto* host = new QWidget(this);
        host->setObjectName(QLatin1String(kRegions[i].name));
        host->setGeometry(kRegions[i].rect);
        m_hosts[i] = host;
    }
    RebuildBackground();
    BuildChannelControls();
    BuildGraphAndEqPage();

    ConnectSession();
    ConnectTitleBar();
    ConnectHistory();
    ConnectEditor();
    connect(m_settingsMenu, &CTopMenu::chosen, this, &CTavelView::RunCommand);
    m_settingsMenu->SetCheckedState(
        [this](TopCommand command) { return command == TopCommand::AutoBackup && m_backup->Enabled(); });
    connect(m_presetMenu, &CTopMenu::chosen, this, &CTavelView::RunCommand);
    connect(this, &CTavelView::sourceVolumeRequested, this,
            [this] { CSvolumeDLG::Open(m_session, m_frame); });
    SetTabOrder();
    Retranslate();
    RefreshAll();
    // The form itself holds the focus at first: no control wears a focus ring until the user moves there.
    setFocus(Qt::OtherFocusReason);

    m_settings.LoadFirmwareLocation();
    m_settings.LoadAutoBackup();
    m_backup->SetEnabled(m_settings.AutoBackup());
    m_backup->SetAsker([this](const SysText& reason, CDeviceBackup::Answer answer) {
        const int lang = m_session.Globals().language.load();
        m_msgBox->Ask(reason.In(lang) + QLatin1Char('\n') + CDeviceBackup::kGoOnQuestion.In(lang),
                      std::move(answer));
    });
    StartDeviceMonitor();
}

CTavelView::~CTavelView() {
    delete m_history; // before the title bar it shows in, made earlier and so deleted before it
    m_history = nullptr;
    ShutDownLink();
    CSkinLanguage::SetFlag(nullptr); // the flag lives with the session, which may go after the form
}

QWidget* CTavelView::RegionHost(Region region) const {
    for (std::size_t i = 0; i < kRegions.size(); ++i)
        if (kRegions[i].region == region)
            return m_hosts[i];
    return nullptr;
}

void CTavelView::BuildChannelControls() {
    m_master = new CMasterPanel(m_session, this, RegionHost(Region::MasterPanel));
    m_crossover = new CCrossoverPanel(m_session, *this, RegionHost(Region::MasterPanel));
    m_car = new CCarPicture(m_session, *this, RegionHost(Region::CarPicture));
    m_linkRow = new CLinkRow(*this, RegionHost(Region::MasterPanel));
    QWidget* strips = RegionHost(Region::ChannelStrips);
    for (int c = 0; c < kShownChannels; ++c) {
        auto* strip = new CChannelStrip(c, m_session, this, strips);
        strip->move(kStripsLeft + c * CChannelStrip::kSize.width(), 0);
        connect(strip, &CChannelStrip::selectRequested, this, &CTavelView::SelectChannel);
        connect(strip, &CChannelStrip::curveToggleClicked, this, &CTavelView::CurveToggleClicked);
        m_strips[static_cast<std::size_t>(c)] = strip;
    }
    m_eqReset = new CBitmapButton(strips);
    m_eqReset->setObjectName(QString::number(kEqReset));
    m_eqReset->setGeometry(kEqResetRect);
    connect(m_eqReset, &QAbstractButton::clicked, this, &CTavelView::AskEqReset);
    m_allBypass = new CBitmapButton(strips);
    m_allBypass->setObjectName(QString::number(kAllBypass));
    m_allBypass->setCheckable(true);
    m_allBypass->setGeometry(kAllBypassRect);
    connect(m_allBypass, &QAbstractButton::clicked, this, &CTavelView::allBypassClicked);
}

void CTavelView::BuildGraphAndEqPage() {
    QWidget* graphHost = RegionHost(Region::Graph);
    m_graph = new CFStatic(graphHost);
    m_graph->setObjectName(QStringLiteral("graph"));
    m_graph->setGeometry(graphHost->rect());
    m_graph->Attach(m_session);
    m_graph->SetOwner(this);
    for (int c = 0; c < static_cast<int>(m_curveShown.size()); ++c)
        m_graph->SetChannelShown(c, CurveShown(c));
    for (int c = 0; c < Layout::kChannels; ++c)
        m_graph->SetMeasurement(c, &m_measurements[static_cast<std::size_t>(c)]);

    m_eqPage = new COutputDlg(m_session, *m_graph, *m_allBypass, RegionHost(Region::EqPage));
    m_eqText = new CEqTextActions(*this, m_session, *m_msgBox, m_dialogs->Files(), m_frame);

    connect(this, &CTavelView::channelSelected, m_graph, &CFStatic::ShowChannel);
    connect(this, &CTavelView::channelSelected, m_eqPage, &COutputDlg::LoadChannel);
    connect(this, &CTavelView::allRefreshed, m_eqPage, &COutputDlg::LoadChannel);
    connect(this, &CTavelView::curveShownChanged, m_graph, &CFStatic::SetChannelShown);
    connect(this, &CTavelView::allBypassClicked, m_eqPage, &COutputDlg::ToggleAllBypass);
    // The graph's moved bands go to the page; its crossover corners (31, 32) are the crossover panel's.
    RouteMessage(UM_GRAPH_POINT_MOVED, 0, COutputDlg::kBands - 1,
                 [this](int, std::intptr_t band, std::intptr_t source) {
                     // A notification that was on its way while the user chose another channel is dropped.
                     if (source == CFStatic::kSourceIdBase + m_eqPage->Channel())
                         m_eqPage->SyncBandFromFilter(static_cast<int>(band));
                 });
}

void CTavelView::ConnectEditor() {
    CModelEditor& editor = m_session.Editor();
    connect(&editor, &CModelEditor::channelChanged, this, [this](int channel, unsigned parts, int) {
        if (CChannelStrip* strip = Strip(channel))
            strip->Refresh(parts);
    });
    connect(&editor, &CModelEditor::systemChanged, m_master, &CMasterPanel::Refresh);
    connect(&editor, &CModelEditor::linkGroupsChanged, this, &CTavelView::ShowSelection);
    // The box's own knobs: shown, never sent back.
    connect(&m_session, &CSession::deviceSystemChanged, this, [this] {
        m_master->Refresh(SystemPart::kSource | SystemPart::kMasterVolume | SystemPart::kMasterOutput);
    });
    connect(&m_session, &CSession::modelReloaded, this, &CTavelView::RefreshAll);
}

void CTavelView::SetTabOrder() {
    // Title bar, the car picture's delays and units, graph, master panel, routing and Link, crossover, the
    // strips left to right, the EQ buttons, the EQ page band by band. Regions made later join by
    // QWidget::setTabOrder after the control they follow; hidden controls (delays of unused positions) are
    // passed over.
    QList<QWidget*> chain;
    for (const int id : {CTitleBar::kConnect, CTitleBar::kUndo, CTitleBar::kRedo, CTitleBar::kSlotA,
                         CTitleBar::kSlotB, CTitleBar::kAbCopy, CTitleBar::kSettingsMenu,
                         CTitleBar::kPresetMenu, CTitleBar::kMinimise, CTitleBar::kClose})
        chain << m_titleBar->Button(id);
    chain << m_car->TabStops();
    chain << m_graph;
    chain << m_master->TabStops() << m_linkRow->TabStops();
    chain << m_crossover->TabStops();
    for (const CChannelStrip* strip : m_strips)
        chain << strip->TabStops();
    chain << m_eqReset << m_allBypass;
    chain << m_eqPage->TabStops();
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void CTavelView::Retranslate() {
    m_eqReset->SetText({tr("Reset EQ"), {}});
    m_eqReset->SetAccessibleText({tr("Reset the EQ of the current channel"), {}});
    m_eqReset->setToolTip(tr("Every band of the current channel back to flat"));
    m_allBypass->SetText({tr("Bypass EQ"), {}});
    m_allBypass->SetAccessibleText({tr("Bypass every EQ band of the current channel"), {}});
    m_allBypass->setToolTip(tr("Bypass every band of the current channel"));
}

void CTavelView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

// ---- Channels
// ----------------------------------------------------------------------------------------------

CChannelStrip* CTavelView::Strip(int channel) const {
    return channel >= 0 && channel < kShownChannels ? m_strips[static_cast<std::size_t>(channel)] : nullptr;
}

int CTavelView::CurrentChannel() const {
    return std::clamp(m_session.Globals().g_currentChannel, 0, kShownChannels - 1);
}

void CTavelView::SelectChannel(int channel) {
    if (!Strip(channel))
        return;
    m_session.Globals().g_currentChannel = channel;
    ShowSelection();
    emit channelSelected(channel);
}

void CTavelView::ShowSelection() {
    const int current = CurrentChannel();
    const CModelEditor& editor = m_session.Editor();
    // While the Link button is on, the current channel's pair partner is edited with it.
    const int partner = editor.LinkOn() ? editor.PairPartner(current) : -1;
    for (int c = 0; c < kShownChannels; ++c) {
        CChannelStrip* strip = Strip(c);
        strip->ShowSelected(c == current || c == partner);
        strip->ShowCurve(c == current || m_curveShown[static_cast<std::size_t>(c)]);
    }
}

bool CTavelView::CurveShown(int channel) const {
    return channel >= 0 && channel < static_cast<int>(m_curveShown.size()) &&
           m_curveShown[static_cast<std::size_t>(channel)];
}

void CTavelView::SetCurveShown(int channel, bool shown) {
    if (channel < 0 || channel >= static_cast<int>(m_curveShown.size()) || CurveShown(channel) == shown)
        return;
    m_curveShown[static_cast<std::size_t>(channel)] = shown;
    ShowSelection();
    emit curveShownChanged(channel, shown);
}

void CTavelView::CurveToggleClicked(int channel) {
    // The current channel's curve is always drawn: its toggle cannot be switched off.
    if (channel == CurrentChannel())
        ShowSelection();
    else
        SetCurveShown(channel, !CurveShown(channel));
}

void CTavelView::RefreshAll() {
    m_master->Refresh(SystemPart::kMasterOutput | SystemPart::kDspSwitch | SystemPart::kMasterVolume |
                      SystemPart::kNoiseGate);
    for (CChannelStrip* strip : m_strips)
        strip->Refresh(ChannelPart::kOutputOn | ChannelPart::kPolarity | ChannelPart::kGain);
    m_master->Refresh(SystemPart::kSource);
    // The links have ended with the reload: only the current channel's CH button stays pressed.
    ShowSelection();
    emit allRefreshed();
    SelectChannel(CurrentChannel());
}

void CTavelView::AskEqReset() {
    m_msgBox->Ask(
        tr(kEqResetQuestion),
        [this](bool ok) {
            // The box is modal in the window: the current channel is the one the question was about.
            if (ok)
                m_session.Editor().ResetEq(CurrentChannel());
        },
        CMsgBox::Choice::OkCancel);
}

// ---- Control messages
// --------------------------------------------------------------------------------------

void CTavelView::RouteMessage(int message, std::intptr_t firstWParam, std::intptr_t lastWParam,
                              MessageHandler handler) {
    m_routes.push_back({message, firstWParam, lastWParam, std::move(handler)});
}

bool CTavelView::event(QEvent* event) {
    if (event->type() >= QEvent::User)
        if (const auto* message = dynamic_cast<const CQtNotifier::MessageEvent*>(event)) {
            HandleControlMessage(message->Message(), message->WParam(), message->LParam());
            return true;
        }
    return QWidget::event(event);
}

void CTavelView::HandleControlMessage(int message, std::intptr_t wParam, std::intptr_t lParam) {
    using Handler = void (CTavelView::*)(int, std::intptr_t, std::intptr_t);
    struct OwnRoute {
        int message;
        int first;
        int last;
        Handler handler;
    };
    // Gain sliders 8650..8657 (channels 6 and 7 have none on the form), the master-volume slider and the
    // two lists of the master panel.
    static constexpr int kLastGainSlider = CChannelStrip::kGainSliderBase + Layout::kChannels - 1;
    static constexpr std::array<OwnRoute, 6> kOwnRoutes{{
        {UM_SLIDER_CHANGING, CChannelStrip::kGainSliderBase, kLastGainSlider, &CTavelView::OnGainSlider},
        {UM_SLIDER_COMMITTED, CChannelStrip::kGainSliderBase, kLastGainSlider, &CTavelView::OnGainSlider},
        {UM_SLIDER_CHANGING, CMasterPanel::kVolumeSlider, CMasterPanel::kVolumeSlider,
         &CTavelView::OnMasterSlider},
        {UM_SLIDER_COMMITTED, CMasterPanel::kVolumeSlider, CMasterPanel::kVolumeSlider,
         &CTavelView::OnMasterSlider},
        {UM_LIST_SELECTED, CMasterPanel::kSourceListId, CMasterPanel::kSourceListId,
         &CTavelView::OnListSelected},
        {UM_LIST_SELECTED, CMasterPanel::kNoiseGateListId, CMasterPanel::kNoiseGateListId,
         &CTavelView::OnListSelected},
    }};
    for (const OwnRoute& route : kOwnRoutes)
        if (route.message == message && wParam >= route.first && wParam <= route.last) {
            (this->*route.handler)(message, wParam, lParam);
            return;
        }
    for (const Route& route : m_routes)
        if (route.message == message && wParam >= route.first && wParam <= route.last) {
            route.handler(message, wParam, lParam);
            return;
        }
}

void CTavelView::OnGainSlider(int message, std::intptr_t id, std::intptr_t position) {
    if (CChannelStrip* strip = Strip(static_cast<int>(id - CChannelStrip::kGainSliderBase)))
        strip->GainFromSlider(static_cast<int>(position), message == UM_SLIDER_COMMITTED);
}

void CTavelView::OnMasterSlider(int message, std::intptr_t, std::intptr_t position) {
    m_master->VolumeFromSlider(static_cast<int>(position), message == UM_SLIDER_COMMITTED);
}

void CTavelView::OnListSelected(int, std::intptr_t id, std::intptr_t index) {
    if (id == CMasterPanel::kSourceListId)
        m_master->SourceChosen(static_cast<int>(index));
    else
        m_master->NoiseGateChosen(static_cast<int>(index));
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

void CTavelView::ConnectHistory() {
    CEditHistory& history = *m_history;
    const auto show = [this, &history] {
        const QUndoStack& stack = history.Stack();
        m_titleBar->SetHistory(stack.canUndo(), stack.undoText(), stack.canRedo(), stack.redoText());
        m_titleBar->SetLiveSlot(history.Ab().Live());
    };
    connect(&history, &CEditHistory::changed, this, show);
    show();
    connect(m_titleBar->Button(CTitleBar::kUndo), &QAbstractButton::clicked, this, &CTavelView::Undo);
    connect(m_titleBar->Button(CTitleBar::kRedo), &QAbstractButton::clicked, this, &CTavelView::Redo);
    for (const auto& [id, slot] :
         {std::pair{CTitleBar::kSlotA, CAbCompare::A}, std::pair{CTitleBar::kSlotB, CAbCompare::B}})
        connect(m_titleBar->Button(id), &QAbstractButton::clicked, this, [&history, slot] {
            if (history.Ab().Live() != slot)
                history.SwitchAb();
        });
    connect(m_titleBar->Button(CTitleBar::kAbCopy), &QAbstractButton::clicked, this,
            &CTavelView::ShowAbCopyMenu);
    // Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y: a line edit with the focus keeps them for its own text.
    auto* undo = new QAction(this);
    undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    connect(undo, &QAction::triggered, this, &CTavelView::Undo);
    auto* redo = new QAction(this);
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(redo, &QAction::triggered, this, &CTavelView::Redo);
    for (QAction* action : {undo, redo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

void CTavelView::Undo() {
    m_history->Undo();
}

void CTavelView::Redo() {
    m_history->Redo();
}

void CTavelView::ShowAbCopyMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("abCopyMenu"));
    menu->setFont(CAppFont::Pixels(CAppFont::kBody));
    CEditHistory& history = *m_history;
    const QString live = history.Ab().Live() == CAbCompare::A ? QStringLiteral("A") : QStringLiteral("B");
    const QString other = history.Ab().Live() == CAbCompare::A ? QStringLiteral("B") : QStringLiteral("A");
    QAction* toOther = menu->addAction(tr("Copy %1 onto %2").arg(live, other));
    toOther->setObjectName(QStringLiteral("copyLiveToOther"));
    connect(toOther, &QAction::triggered, this, [&history] { history.CopyLiveToOther(); });
    QAction* toLive = menu->addAction(tr("Copy %1 onto %2").arg(other, live));
    toLive->setObjectName(QStringLiteral("copyOtherToLive"));
    connect(toLive, &QAction::triggered, this, [&history] { history.CopyOtherToLive(); });
    const QWidget* anchor = m_titleBar->Button(CTitleBar::kAbCopy);
    menu->popup(anchor->mapToGlobal(QPoint(0, anchor->height() + kMenuDy)));
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
    m_history->Flush();
    const QUndoStack& stack = m_history->Stack();
    // The Undo and Redo items say what they change and show their keys in the menu's shortcut column.
    m_settingsMenu->Open(
        m_session.Globals().language.load(), MenuAnchor(kSettingsMenuDx),
        [&stack](TopCommand command, QAction* action) {
            const bool undo = command == TopCommand::Undo;
            if (!undo && command != TopCommand::Redo)
                return;
            const bool can = undo ? stack.canUndo() : stack.canRedo();
            action->setEnabled(can);
            QString text = action->text();
            if (can)
                text = (undo ? tr("Undo %1") : tr("Redo %1")).arg(undo ? stack.undoText() : stack.redoText());
            const QKeySequence keys(undo ? Qt::CTRL | Qt::Key_Z : Qt::CTRL | Qt::Key_Y);
            action->setText(text + QLatin1Char('\t') + keys.toString(QKeySequence::NativeText));
        });
}

void CTavelView::ShowPresetMenu() {
    m_presetMenu->Open(m_session.Globals().language.load(), MenuAnchor(kPresetMenuDx));
}

void CTavelView::RunCommand(TopCommand command) {
    using Run = void (CTavelView::*)();
    static constexpr std::array<std::pair<TopCommand, Run>, 18> kCommands{{
        {TopCommand::Undo, &CTavelView::Undo},
        {TopCommand::Redo, &CTavelView::Redo},
        {TopCommand::FirmwareUpdate, &CTavelView::firmwareUpdateRequested},
        {TopCommand::FactoryReset, &CTavelView::FactoryReset},
        {TopCommand::RestoreBackup, &CTavelView::RestoreBackup},
        {TopCommand::AutoBackup, &CTavelView::ToggleAutoBackup},
        {TopCommand::Language, &CTavelView::ToggleLanguage},
        {TopCommand::SourceVolume, &CTavelView::sourceVolumeRequested},
        {TopCommand::About, &CTavelView::ShowAbout},
        {TopCommand::PresetRecall, &CTavelView::presetRecallRequested},
        {TopCommand::PresetSave, &CTavelView::presetSaveRequested},
        {TopCommand::CopyEq, &CTavelView::CopyEq},
        {TopCommand::PasteEq, &CTavelView::PasteEq},
        {TopCommand::ImportEq, &CTavelView::ImportEq},
        {TopCommand::ExportEq, &CTavelView::ExportEq},
        {TopCommand::TimeAlignment, &CTavelView::ShowTimeAlignment},
        {TopCommand::ExportGraph, &CTavelView::ExportGraph},
        {TopCommand::Measurement, &CTavelView::ShowMeasurement},
    }};
    for (const auto& [which, run] : kCommands)
        if (which == command)
            (this->*run)();
}

void CTavelView::CopyEq() {
    m_eqText->Copy();
}

void CTavelView::PasteEq() {
    m_eqText->Paste();
}

void CTavelView::ImportEq() {
    m_eqText->ImportFromFile();
}

void CTavelView::ExportEq() {
    m_eqText->ExportToFile();
}

CTimeAlignDlg* CTavelView::TimeAlignDialog() const {
    return m_timeAlign;
}

void CTavelView::ShowTimeAlignment() {
    if (m_timeAlign) {
        m_timeAlign->raise();
        m_timeAlign->activateWindow();
        return;
    }
    m_timeAlign = new CTimeAlignDlg(m_session, m_frame);
    m_timeAlign->setAttribute(Qt::WA_DeleteOnClose);
    m_timeAlign->open();
}

CMeasurementDlg* CTavelView::MeasurementDialog() const {
    return m_measurementDlg;
}

void CTavelView::ShowMeasurement() {
    if (m_measurementDlg) {
        m_measurementDlg->raise();
        m_measurementDlg->activateWindow();
        return;
    }
    m_measurementDlg = new CMeasurementDlg(*this, m_frame);
    m_measurementDlg->setAttribute(Qt::WA_DeleteOnClose);
    m_measurementDlg->show();
}

CMeasuredResponse& CTavelView::Measurement(int channel) {
    return m_measurements[static_cast<std::size_t>(std::clamp(channel, 0, Layout::kChannels - 1))];
}

void CTavelView::MeasurementChanged(int channel) {
    if (channel >= 0 && channel < Layout::kChannels)
        m_graph->SetMeasurement(channel, &m_measurements[static_cast<std::size_t>(channel)]);
}

std::vector<int> CTavelView::GraphChannels() const {
    std::vector<int> channels;
    for (int c = 0; c < kShownChannels; ++c)
        if (c == CurrentChannel() || CurveShown(c))
            channels.push_back(c);
    return channels;
}

void CTavelView::ExportGraph() {
    FileRequest request;
    request.mode = FileRequest::Mode::Save;
    request.title = tr("Export graph");
    request.filters = {tr("PNG pictures (*.png)"), tr("CSV tables of the curves (*.csv)")};
    request.defaultSuffix = QStringLiteral("png");
    request.memory = QStringLiteral("graph");
    request.fileName = QStringLiteral("graph.png");
    m_dialogs->Files().Choose(m_frame, request, [this](const QString& path) {
        if (path.isEmpty())
            return;
        const std::vector<int> channels = GraphChannels();
        if (!CGraphExport::Save(path, *m_graph, m_session.Data(), channels))
            m_msgBox->ShowText(tr("The file %1 cannot be written").arg(path));
    });
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
    // (or the backup is written) and says "The device is not connected" then. With a device the reset waits
    // for the backup of everything it clears.
    QPointer<CTavelView> self(this);
    m_backup->Run(CDeviceBackup::Reason::FactoryReset, [self] {
        if (self)
            self->m_session.Controller().FactoryReset();
    });
}

void CTavelView::RestoreBackup() {
    CDeviceController& controller = m_session.Controller();
    if (!controller.LinkOpen()) {
        controller.ShowMessage(CDeviceController::kNotConnected);
        return;
    }
    QDir().mkpath(m_backup->Folder()); // the chooser opens there even before the first backup
    FileRequest request;
    request.mode = FileRequest::Mode::Open;
    request.title = tr("Restore a backup to the device");
    request.filters = {tr("Backups (*.dspa)")};
    request.directory = m_backup->Folder();
    QPointer<CTavelView> self(this);
    m_dialogs->Files().Choose(m_frame, request, [self](const QString& path) {
        if (!self || path.isEmpty())
            return;
        if (!CPresetFile::CheckAllFile(path)) {
            self->m_session.Presets().LoadFile(path); // refuses it with its text, changing nothing
            return;
        }
        // Loading all data is destructive too: what the device holds now is backed up first.
        self->m_backup->Run(CDeviceBackup::Reason::LoadAllData, [self, path] {
            if (self)
                self->m_session.Presets().LoadFile(path);
        });
    });
}

void CTavelView::ToggleAutoBackup() {
    m_settings.SaveAutoBackup(!m_backup->Enabled());
    m_backup->SetEnabled(m_settings.AutoBackup());
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
