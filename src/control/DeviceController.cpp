// The widget-free controller of the main window: owns the device link and runs the connection lifecycle.
#include "control/DeviceController.h"

#include "control/ControllerView.h"
#include "firmware/FirmwareUpdate.h"
#include "link/DeviceAccess.h"
#include "link/FirmwareHook.h"
#include "link/Notifier.h"
#include "link/QtNotifier.h"
#include "model/KTV_Data.h"
#include "model/SystemSettings.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kReopenPause{50};
// How often a close looks whether the worker has left its loop: short against a cycle of the device
// profile, long enough not to keep the UI thread busy.
constexpr std::chrono::milliseconds kStopPoll{2};

bool SamePath(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

bool ValidChannel(int channel) {
    return channel >= 0 && channel < Layout::kChannels;
}

// The worker's own traffic while nothing is pending; no command waits for its reply.
bool IsStatusPoll(const SendData& packet) {
    return packet.Command() == Frame::kCmdRead && packet.Type() == KTVCommand::kTypeSystem &&
           packet.Index() == KTVCommand::kSubStatus;
}

// Counts the notification handlers running on this controller's thread.
class HandlerScope {
public:
    explicit HandlerScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~HandlerScope() { --m_depth; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    int& m_depth;
};

} // namespace

CNotifier& CDeviceController::ChooseNotifier(CNotifier* given, std::unique_ptr<CQtNotifier>& own,
                                             CDeviceController* self) {
    if (given)
        return *given;
    own = std::make_unique<CQtNotifier>([self](int message, std::intptr_t wParam, std::intptr_t lParam) {
        self->HandleMessage(message, wParam, lParam);
    });
    return *own;
}

CDeviceController::CDeviceController(ModelGlobals& globals, CKTV_Data& data, CDeviceAccess& access,
                                     CControllerView& view, const TimingProfile& timing, CNotifier* notifier)
    : m_g(globals), m_data(data), m_access(access), m_view(view), m_timing(timing),
      m_command(globals, ChooseNotifier(notifier, m_ownNotifier, this)), m_batches(m_command),
      m_worker(MakeWorker()) {
    m_savedSwitch.fill(1);
    m_stepTimer.setSingleShot(true);
    QObject::connect(&m_stepTimer, &QTimer::timeout, &m_stepTimer, [this] { RunStep(); });
    m_textTimer.setSingleShot(true);
    m_textTimer.setInterval(0);
    QObject::connect(&m_textTimer, &QTimer::timeout, &m_textTimer, [this] { FlushTexts(); });
}

CDeviceController::~CDeviceController() {
    StopForExit();
}

std::unique_ptr<CLinkWorker> CDeviceController::MakeWorker() {
    TimingProfile worker = m_timing;
    worker.stopLimit = std::chrono::milliseconds{0}; // see RequestWorkerStop
    return std::make_unique<CLinkWorker>(m_command, m_access.Transport(), worker);
}

std::string CDeviceController::CurrentPath() const {
    return m_access.CurrentPath();
}

bool CDeviceController::DeviceOpen() const {
    return m_access.IsOpen();
}

LinkSnapshot CDeviceController::Snapshot() const {
    return {!Idle(), m_access.CurrentPath(), m_firmwareUpdate ? m_firmwareStage.load() : 0,
            m_access.CurrentInstance()};
}

// ---- Notifications ---------------------------------------------------------------------------------------

void CDeviceController::HandleMessage(int message, std::intptr_t wParam, std::intptr_t lParam) {
    {
        const HandlerScope scope(m_handlerDepth);
        if (m_observer)
            m_observer(message, wParam, lParam);
        switch (message) {
        case UM_AUTO_CONNECT:
            AutoConnect();
            break;
        case UM_DEVICE_ID_READ:
            CheckIdentity();
            break;
        case UM_IMAGE_READ_DONE:
            ImageReadDone(static_cast<int>(wParam));
            break;
        case UM_EFFECT_BLOCK_READ:
            m_data.Effect().Apply(m_g.liveImage);
            break;
        case UM_TRANSFER_PROGRESS:
            m_view.SetTransferPosition(static_cast<int>(wParam));
            break;
        case UM_TRANSFER_DONE:
            m_view.HideTransferPopup();
            break;
        case UM_LINK_LOST:
            LinkLost();
            break;
        case UM_FIRMWARE_TOO_OLD:
            FirmwareTooOld();
            break;
        case UM_FIRMWARE_STATUS:
            FirmwareStatus(static_cast<int>(lParam));
            break;
        case UM_PRESETS_READ_DONE:
            if (m_presetsRead)
                m_presetsRead();
            break;
        case UM_NAME_READ:
            m_view.RefreshPresetList();
            break;
        case UM_DEVICE_SOURCE:
        case UM_DEVICE_VOLUME:
        case UM_DEVICE_MUTE:
            AdoptDeviceValue(message, static_cast<int>(wParam));
            break;
        default:
            break;
        }
    }
    if (m_handlerDepth == 0 && !m_texts.empty())
        m_textTimer.start();
}

// ---- Connection lifecycle ------------------------------------------------------------------------------

bool CDeviceController::ToggleConnection() {
    switch (State()) {
    case LinkState::Open:
        BeginClose(true, false);
        return false;
    case LinkState::Closing:
    case LinkState::Opening:
        return false; // a second press while the link settles changes nothing
    case LinkState::Idle:
        break;
    }
    if (!m_access.OpenFirstDevice()) {
        ReportConnectFailure();
        return false;
    }
    BeginLink(false);
    return true;
}

bool CDeviceController::AutoConnect() {
    m_command.SetPollCompareCounter(kAutoConnectPollCount);
    if (!Idle())
        return LinkOpen();
    if (!m_access.OpenFirstDevice())
        return false; // nothing there at start-up is no error
    BeginLink(true);
    return true;
}

void CDeviceController::PostAutoConnect() {
    m_command.Notifier().Post(UM_AUTO_CONNECT, 0, 0);
}

bool CDeviceController::ConnectArrived(const std::string& path) {
    if (!Idle())
        return false;
    if (!m_access.OpenDevicePath(path))
        return false;
    BeginLink(true);
    return true;
}

void CDeviceController::DeviceRemoved(const std::string& path) {
    if (!LinkOpen() || !m_access.IsOpen() || !SamePath(path, m_access.CurrentPath()))
        return;
    if (m_firmwareUpdate && IsReenumeratingStage(m_firmwareStage))
        return;
    EndFirmwareLink();
    BeginClose(false, false);
    ReportConnectFailure();
}

void CDeviceController::BeginLink(bool underLock) {
    m_command.Clear();
    m_linkImageRead = false;
    // Edits made before the image is applied are neither marked nor sent: the device's image replaces them.
    m_g.connected = 0;
    m_data.ClearPending(0);
    m_g.systemPending = 0;
    m_state = LinkState::Open;
    if (underLock) {
        std::lock_guard lock(m_command.LinkLock());
        m_batches.ReadDeviceIdentifier();
    } else {
        m_batches.ReadDeviceIdentifier(); // the worker is not running yet
    }
    m_view.SetConnectLook(true);
    m_worker->StartLinkIO();
}

void CDeviceController::CheckIdentity() {
    if (!LinkOpen() || m_firmwareUpdate)
        return;
    const bool match = std::memcmp(m_g.deviceId.data(), kExpectedIdentifier, kComparedIdentifierChars) == 0;
    if (!match) {
        // Another model: leave it alone without a word (as the Connect button would), and show its
        // identifier as blanks.
        BeginClose(true, true);
        std::lock_guard lock(m_command.LinkLock());
        m_g.deviceId.fill(' ');
        return;
    }
    ReadDeviceState();
}

void CDeviceController::ReadDeviceState() {
    PopupRequest popup;
    {
        std::lock_guard lock(m_command.LinkLock());
        m_batches.SystemReads();
        popup = m_batches.ReadPresetIntoLive(0, false);
    }
    m_linkImageRead = true;
    m_view.ShowTransferPopup(popup);
}

void CDeviceController::ImageReadDone(int preset) {
    // A read that ends after the link began to close brings nothing the user should see as the device's.
    if (!LinkOpen())
        return;
    {
        // The worker stores replies into the image and encodes from the objects under the same lock.
        std::lock_guard lock(m_command.LinkLock());
        m_data.ApplyAll(m_g.liveImage, preset);
    }
    RefreshAll();
    m_g.connected = 1;
    if (std::exchange(m_linkImageRead, false))
        m_view.DeviceImageRead();
}

void CDeviceController::CloseLink() {
    if (LinkOpen())
        BeginClose(false, false);
}

void CDeviceController::BeginClose(bool settle, bool clearQueue) {
    m_state = LinkState::Closing;
    // From now on edits stay in the model, and what is still on its way is not adopted.
    m_g.connected = 0;
    m_closeSettles = settle;
    m_closeClearsQueue = clearQueue;
    RequestWorkerStop();
    m_step = Step::AwaitStop;
    m_stepTimer.start(0);
}

void CDeviceController::RunStep() {
    switch (std::exchange(m_step, Step::None)) {
    case Step::AwaitStop:
        if (!WorkerStopped()) {
            m_step = Step::AwaitStop; // still inside a cycle or a transport call
            m_stepTimer.start(kStopPoll);
            return;
        }
        m_worker->StopLinkIO(); // joins the thread, which has left its loop
        if (m_closeSettles && m_timing.closeSettle.count() > 0) {
            m_step = Step::Settle;
            m_stepTimer.start(m_timing.closeSettle);
            return;
        }
        FinishClose();
        return;
    case Step::Settle:
        FinishClose();
        return;
    case Step::Reopen:
        TryReopen();
        return;
    case Step::None:
        return;
    }
}

void CDeviceController::FinishClose() {
    m_access.CloseDevice(); // also gives up the claim of the path
    m_command.SetFirmwareHook(nullptr);
    m_firmwareUpdate = false;
    m_firmwareStage = 0;
    if (std::exchange(m_closeClearsQueue, false))
        m_command.Clear();
    m_g.connected = 0;
    m_data.ClearPending(0);
    m_g.systemPending = 0;
    m_state = LinkState::Idle;
    m_view.HideTransferPopup();
    m_view.SetConnectLook(false);
    if (std::exchange(m_reopenAfterClose, false)) {
        m_state = LinkState::Opening;
        m_reopenDeadline = Clock::now() + m_reopenLimit;
        TryReopen();
    }
    FlushTexts();
}

void CDeviceController::StopForExit() {
    m_stepTimer.stop();
    m_step = Step::None;
    m_textTimer.stop();
    m_texts.clear(); // nothing is shown any more
    m_reopenAfterClose = false;
    m_reopenDone = nullptr;
    m_worker.reset(); // joins the thread once it has left its transport call
    m_worker = MakeWorker();
    m_command.SetFirmwareHook(nullptr);
    m_access.CloseDevice();
    m_firmwareUpdate = false;
    m_firmwareStage = 0;
    m_g.connected = 0;
    m_state = LinkState::Idle;
}

void CDeviceController::ReportConnectFailure() {
    ShowMessage(kConnectFailure);
}

void CDeviceController::LinkLost() {
    if (!LinkOpen())
        return; // also a second loss while the first one's text is showing
    EndFirmwareLink();
    BeginClose(true, true);
    ReportConnectFailure();
}

void CDeviceController::FirmwareTooOld() {
    if (LinkOpen())
        BeginClose(false, false);
    ShowMessage(kFirmwareTooOld);
}

void CDeviceController::FirmwareStatus(int status) {
    if (status != kFirmwareUpdateDone)
        return;
    if (m_firmware) {
        m_firmware->OnUpdateFinished(status);
        return;
    }
    EndFirmwareLink();
    CloseLink();
    ShowMessage(CFirmwareUpdate::kUpdateDone);
}

void CDeviceController::AdoptDeviceValue(int message, int value) {
    // Changes made at the box are taken over silently: nothing is sent back. Before the device's image is
    // applied the system reads are still to come (and the box may yet prove to be another model).
    if (!m_g.connected)
        return;
    auto& system = m_g.systemBlock;
    std::unique_lock lock(m_command.LinkLock()); // the worker compares status replies with these bytes
    switch (message) {
    case UM_DEVICE_SOURCE:
        system[SystemLayout::kSource] = static_cast<std::uint8_t>(value);
        break;
    case UM_DEVICE_VOLUME:
        WriteU16(&system[SystemLayout::kMasterVolume], static_cast<std::uint16_t>(value));
        break;
    case UM_DEVICE_MUTE:
        system[SystemLayout::kMasterOutput] = static_cast<std::uint8_t>(value);
        break;
    default:
        return;
    }
    lock.unlock();
    m_view.RefreshSystemControls();
}

// ---- Texts -----------------------------------------------------------------------------------------------

void CDeviceController::ShowMessage(const SysText& text) {
    m_texts.push_back(text);
    FlushTexts();
}

void CDeviceController::FlushTexts() {
    if (m_handlerDepth > 0) {
        m_textTimer.start(); // HandleMessage's caller returns first
        return;
    }
    // A close shows its texts once it is done; a text on screen shows the next one once it is dismissed.
    if (State() == LinkState::Closing || m_showingText)
        return;
    m_showingText = true;
    while (!m_texts.empty() && State() != LinkState::Closing) {
        const SysText text = m_texts.front();
        m_texts.pop_front();
        m_view.ShowMessage(text); // may run an event loop of its own
    }
    m_showingText = false;
}

// ---- Firmware update -------------------------------------------------------------------------------------

void CDeviceController::OpenDeviceWithRetries(std::chrono::milliseconds limit,
                                              std::function<void(bool)> done) {
    m_reopenLimit = limit;
    m_reopenDone = std::move(done);
    if (LinkOpen())
        BeginClose(false, false);
    if (State() == LinkState::Closing) {
        m_reopenAfterClose = true;
        return;
    }
    m_state = LinkState::Opening;
    m_reopenDeadline = Clock::now() + limit;
    TryReopen();
}

void CDeviceController::TryReopen() {
    if (State() != LinkState::Opening)
        return;
    const bool opened = m_access.OpenFirstDevice();
    if (!opened && Clock::now() < m_reopenDeadline) {
        // The box may be re-enumerating; the window stays live between the attempts.
        m_step = Step::Reopen;
        m_stepTimer.start(std::min(kReopenPause, m_reopenLimit));
        return;
    }
    m_state = LinkState::Idle;
    auto done = std::exchange(m_reopenDone, nullptr);
    if (done)
        done(opened); // a success starts the firmware link at once
}

void CDeviceController::CancelOpenRetries() {
    m_reopenAfterClose = false;
    m_reopenDone = nullptr;
    if (State() == LinkState::Opening) {
        m_stepTimer.stop();
        m_step = Step::None;
        m_state = LinkState::Idle;
        m_access.CloseDevice();
    }
}

void CDeviceController::StartFirmwareLink(CFirmwareHook& hook) {
    m_command.Clear();
    m_g.connected = 0;
    m_command.SetFirmwareHook(&hook);
    m_firmwareUpdate = true;
    m_state = LinkState::Open;
    m_worker->StartLinkIO();
}

void CDeviceController::EndFirmwareLink() {
    m_command.SetFirmwareHook(nullptr);
    m_firmwareUpdate = false;
    m_firmwareStage = 0;
}

// ---- Commands --------------------------------------------------------------------------------------------

bool CDeviceController::FactoryReset() {
    if (FirmwareUpdating() || (m_firmware && m_firmware->Starting())) {
        ShowMessage(CFirmwareUpdate::kUpdateBusy);
        return false;
    }
    if (!LinkOpen()) {
        ShowMessage(kNotConnected);
        return false;
    }
    m_batches.FactoryReset();
    return true;
}

// ---- Sending ---------------------------------------------------------------------------------------------

void CDeviceController::SendNow(int code, int argument) {
    if (!LinkOpen())
        return; // the value stays in the model and goes out with the next bulk write
    m_batches.SingleSystemWrite(code, argument);
}

void CDeviceController::QueueChannelBlock(int channel) {
    if (!SendsBlocks() || !ValidChannel(channel))
        return;
    std::lock_guard lock(m_command.LinkLock());
    m_data.Channel(channel).EncodeChannelBlock();
    m_batches.ResetChannel(channel, CompletesOnLinkButton(channel));
}

void CDeviceController::SoundOff(int channel) {
    CKTV_OutData& out = m_data.Channel(channel);
    m_savedSwitch[static_cast<std::size_t>(channel)] = out.GetOutputOn();
    out.SetOutputOn(0);
    out.EncodeGainGroup(); // clears the mark the setter may have set: this message carries it now
    m_command.Push(m_command.BuildSliceWrite(KTVCommand::kTypeOutput, channel, OutputSlice::kGainGroup));
}

void CDeviceController::SoundBack(int channel) {
    CKTV_OutData& out = m_data.Channel(channel);
    out.SetOutputOn(m_savedSwitch[static_cast<std::size_t>(channel)]);
    out.EncodeGainGroup();
    m_command.Push(m_command.BuildSliceWrite(KTVCommand::kTypeOutput, channel, OutputSlice::kGainGroup));
}

void CDeviceController::ForLinkGroup(int channel, void (CDeviceController::*step)(int)) {
    if (!SendsBlocks() || !ValidChannel(channel))
        return;
    std::lock_guard lock(m_command.LinkLock());
    const auto& groups = m_g.g_linkGroup;
    for (int c = 0; c < Layout::kChannels; ++c)
        if (groups[static_cast<std::size_t>(c)] == groups[static_cast<std::size_t>(channel)])
            (this->*step)(c);
}

void CDeviceController::BeginGroupWrite(int channel) {
    ForLinkGroup(channel, &CDeviceController::SoundOff);
}

void CDeviceController::EndGroupWrite(int channel) {
    ForLinkGroup(channel, &CDeviceController::SoundBack);
}

void CDeviceController::QueueChannelBlockMuted(int channel) {
    if (!SendsBlocks() || !ValidChannel(channel))
        return;
    std::lock_guard lock(m_command.LinkLock());
    SoundOff(channel);
    QueueChannelBlock(channel);
    SoundBack(channel);
}

void CDeviceController::CopyChannel(int source, int target) {
    if (!ValidChannel(source) || !ValidChannel(target))
        return;
    m_data.Channel(target).CopyEqFrom(m_data.Channel(source));
    if (!SendsBlocks())
        return;
    PopupRequest popup;
    {
        std::lock_guard lock(m_command.LinkLock());
        m_data.Channel(target).EncodeChannelBlock();
        popup = m_batches.CopyChannel(target, CompletesOnLinkButton(target));
    }
    if (popup.show)
        m_view.ShowTransferPopup(popup);
}

bool CDeviceController::SetMasterVolumeFromSlider(int value) {
    m_command.SetPollCompareCounter(0);
    CSystemSettings system(m_g);
    {
        // The worker compares status replies with the system block.
        std::lock_guard lock(m_command.LinkLock());
        if (system.MasterVolume() == value)
            return false;
        system.SetMasterVolume(value);
    }
    m_worker->Wake(); // the mark goes out in the next cycle, not after an idle rest
    return true;
}

// ---- Bulk transfers --------------------------------------------------------------------------------------

void CDeviceController::StoreLiveIntoPreset(int preset, const std::function<void()>& refreshImage) {
    m_view.ShowTransferPopup(m_batches.StoreLiveIntoPreset(preset, refreshImage));
}

void CDeviceController::WriteAll() {
    m_view.ShowTransferPopup(m_batches.WriteAll());
}

void CDeviceController::ReadPresetIntoLive(int preset, bool masterOff) {
    m_view.ShowTransferPopup(m_batches.ReadPresetIntoLive(preset, masterOff));
}

void CDeviceController::ReadForFileSave() {
    m_view.ShowTransferPopup(m_batches.ReadForFileSave());
}

bool CDeviceController::Settled() const {
    // Seen on this thread before the lock is taken: the worker may hold it for a whole cycle, and a cycle
    // that ends in a lost link posts the loss, which this thread has not handled yet. A loss that came after
    // the last packet of the work (while a status poll went unanswered) does not undo its acknowledgements.
    if (!LinkOpen())
        return false;
    std::lock_guard lock(m_command.LinkLock()); // the worker clears marks and pops packets under it
    if (m_g.systemPending.load() != 0)
        return false;
    for (int c = 0; c < Layout::kChannels; ++c) {
        const CKTV_OutData& ch = m_data.Channel(c);
        if (ch.GetNamePending() || ch.GetGainPending() || ch.GetMixPendingA() || ch.GetMixPendingB() ||
            ch.GetLimPending() || ch.XoverPending() || ch.FirstPendingBand() >= 0)
            return false;
    }
    const SendDataQueue& queue = m_command.Queue();
    for (int i = 0; i < queue.Count(); ++i)
        if (!IsStatusPoll(*queue.At(i)))
            return false;
    return true;
}

void CDeviceController::RefreshAll() {
    // The worker reads the link groups while it encodes (the link flag of a frame, the pending search).
    std::unique_lock lock(m_command.LinkLock());
    for (int c = 0; c < Layout::kChannels; ++c) {
        m_g.g_linkGroup[static_cast<std::size_t>(c)] = c;
        m_g.g_channelObj[static_cast<std::size_t>(c)] = &m_data.Channel(c);
    }
    lock.unlock();
    m_view.RefreshAll();
}

void CDeviceController::SetCaption(const QString& caption) {
    m_view.SetCaption(caption);
}
