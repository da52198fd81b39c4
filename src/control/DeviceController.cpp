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
#include <thread>

namespace {

constexpr std::chrono::milliseconds kReopenPause{50};

bool SamePath(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

bool ValidChannel(int channel) {
    return channel >= 0 && channel < Layout::kChannels;
}

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
      m_worker(m_command, access.Transport(), m_timing) {
    m_savedSwitch.fill(1);
}

CDeviceController::~CDeviceController() {
    m_worker.StopLinkIO();
    m_command.SetFirmwareHook(nullptr);
    m_access.CloseDevice();
    m_linkOpen = false;
}

std::string CDeviceController::CurrentPath() const {
    return m_access.CurrentPath();
}

LinkSnapshot CDeviceController::Snapshot() const {
    return {m_linkOpen.load(), m_access.CurrentPath(), m_firmwareUpdate ? m_firmwareStage.load() : 0};
}

// ---- Notifications ---------------------------------------------------------------------------------------

void CDeviceController::HandleMessage(int message, std::intptr_t wParam, std::intptr_t lParam) {
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

// ---- Connection lifecycle ------------------------------------------------------------------------------

bool CDeviceController::ToggleConnection() {
    if (m_linkOpen) {
        StopLinkIO();
        SettleBeforeClose();
        CloseLink();
        return false;
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
    if (m_linkOpen)
        return true;
    if (!m_access.OpenFirstDevice())
        return false; // nothing there at start-up is no error
    BeginLink(true);
    return true;
}

bool CDeviceController::ConnectArrived(const std::string& path) {
    if (m_linkOpen)
        return false;
    if (!m_access.OpenDevicePath(path))
        return false;
    BeginLink(true);
    return true;
}

void CDeviceController::DeviceRemoved(const std::string& path) {
    if (!m_linkOpen || !m_access.IsOpen() || !SamePath(path, m_access.CurrentPath()))
        return;
    if (m_firmwareUpdate && IsReenumeratingStage(m_firmwareStage))
        return;
    EndFirmwareLink();
    StopLinkIO();
    CloseLink();
    ReportConnectFailure();
}

void CDeviceController::BeginLink(bool underLock) {
    m_command.Clear();
    // Edits made before the image is applied are neither marked nor sent: the device's image replaces them.
    m_g.connected = 0;
    m_data.ClearPending(0);
    m_g.systemPending = 0;
    m_linkOpen = true;
    if (underLock) {
        std::lock_guard lock(m_command.LinkLock());
        m_batches.ReadDeviceIdentifier();
    } else {
        m_batches.ReadDeviceIdentifier(); // the worker is not running yet
    }
    m_view.SetConnectLook(true);
    m_worker.StartLinkIO();
}

void CDeviceController::CheckIdentity() {
    if (!m_linkOpen || m_firmwareUpdate)
        return;
    const bool match = std::memcmp(m_g.deviceId.data(), kExpectedIdentifier, kComparedIdentifierChars) == 0;
    if (!match) {
        // Another model: leave it alone without a word, and show its identifier as blanks.
        ToggleConnection();
        m_command.Clear();
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
    m_view.ShowTransferPopup(popup);
}

void CDeviceController::ImageReadDone(int preset) {
    // A read that ends after the link was closed brings nothing the user should see as the device's.
    if (!m_linkOpen)
        return;
    {
        // The worker stores replies into the image and encodes from the objects under the same lock.
        std::lock_guard lock(m_command.LinkLock());
        m_data.ApplyAll(m_g.liveImage, preset);
    }
    RefreshAll();
    m_g.connected = 1;
}

void CDeviceController::CloseLink() {
    if (m_worker.IsRunning())
        m_worker.StopLinkIO();
    m_access.CloseDevice(); // also gives up the claim of the path
    m_linkOpen = false;
    m_g.connected = 0;
    m_data.ClearPending(0);
    m_g.systemPending = 0;
    m_view.HideTransferPopup();
    m_view.SetConnectLook(false);
}

bool CDeviceController::StopLinkIO() {
    return m_worker.StopLinkIO();
}

void CDeviceController::ReportConnectFailure() {
    m_view.ShowMessage(kConnectFailure);
}

void CDeviceController::SettleBeforeClose() {
    if (m_timing.closeSettle.count() > 0)
        std::this_thread::sleep_for(m_timing.closeSettle);
}

void CDeviceController::LinkLost() {
    if (!m_linkOpen)
        return;
    StopLinkIO();
    SettleBeforeClose();
    EndFirmwareLink();
    CloseLink();
    m_command.Clear();
    ReportConnectFailure();
}

void CDeviceController::FirmwareTooOld() {
    if (m_linkOpen) {
        StopLinkIO();
        CloseLink();
    }
    m_view.ShowMessage(kFirmwareTooOld);
}

void CDeviceController::FirmwareStatus(int status) {
    if (status != kFirmwareUpdateDone)
        return;
    if (m_firmware) {
        m_firmware->OnUpdateFinished(status);
        return;
    }
    StopLinkIO();
    EndFirmwareLink();
    CloseLink();
    m_view.ShowMessage(CFirmwareUpdate::kUpdateDone);
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

// ---- Firmware update -------------------------------------------------------------------------------------

bool CDeviceController::OpenDeviceWithRetries(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (m_access.OpenFirstDevice())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::min(kReopenPause, limit));
    }
}

void CDeviceController::StartFirmwareLink(CFirmwareHook& hook) {
    m_command.Clear();
    m_g.connected = 0;
    m_command.SetFirmwareHook(&hook);
    m_firmwareUpdate = true;
    m_linkOpen = true;
    m_worker.StartLinkIO();
}

bool CDeviceController::FactoryResetRefused() {
    return m_firmware && m_firmware->RefuseWhileUpdating();
}

void CDeviceController::ShowMessage(const SysText& text) {
    m_view.ShowMessage(text);
}

void CDeviceController::EndFirmwareLink() {
    m_command.SetFirmwareHook(nullptr);
    m_firmwareUpdate = false;
    m_firmwareStage = 0;
}

// ---- Sending ---------------------------------------------------------------------------------------------

void CDeviceController::SendNow(int code, int argument) {
    if (!m_linkOpen)
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
    std::lock_guard lock(m_command.LinkLock()); // the worker compares status replies with the system block
    if (system.MasterVolume() == value)
        return false;
    system.SetMasterVolume(value);
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
