// The widget-free controller of the main window: owns the device link and runs the connection lifecycle.
#pragma once

#include "base/SysText.h"
#include "link/DeviceChange.h"
#include "link/FirmwareHost.h"
#include "link/KTVCommand.h"
#include "link/LinkWorker.h"
#include "link/TimingProfile.h"
#include "link/TransferBatches.h"
#include "model/ModelGlobals.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class CControllerView;
class CDeviceAccess;
class CFirmwareHook;
class CFirmwareUpdate;
class CKTV_Data;
class CNotifier;
class CQtNotifier;

// Runs on the UI thread (the thread it was created on); the I/O worker reaches it only through posted
// notifications, which arrive in HandleMessage.
//
// States: Idle (link closed), Identifying (device open, identifier requested), Reading (identity matched,
// read-back queued), Connected (image applied: the connected flag is 1 and edits are sent), Firmware (an
// update owns the link). The connected flag becomes 1 only when the device image has been applied, on every
// way in, so that edits made while connecting are neither sent nor lost in a half-read model.
class CDeviceController : public CFirmwareHost {
public:
    static constexpr char kExpectedIdentifier[] = "PIRKAVO-31EQ-V3.0";
    static constexpr std::size_t kComparedIdentifierChars = 15;
    static constexpr int kAutoConnectPollCount = 80; // status replies compared after 20 more polls
    static constexpr int kFirmwareUpdateDone = 179;  // UM_FIRMWARE_STATUS: the last stage acknowledged

    static constexpr SysText kConnectFailure{"unable to connect", "无法连接设备"};
    static constexpr SysText kFirmwareTooOld{"Please Update the Firmware!", "数据回传错误!"};
    static constexpr SysText kNotConnected{"The device is not connected", "设备未连接"};

    using MessageObserver = std::function<void(int message, std::intptr_t wParam, std::intptr_t lParam)>;

    // Without a notifier the controller posts to itself through Qt events delivered on this thread's event
    // loop; with one (tests), the caller delivers the notifications to HandleMessage.
    CDeviceController(ModelGlobals& globals, CKTV_Data& data, CDeviceAccess& access, CControllerView& view,
                      const TimingProfile& timing, CNotifier* notifier = nullptr);
    // Stops the worker (bounded) and closes the device, which gives up its claim.
    ~CDeviceController() override;
    CDeviceController(const CDeviceController&) = delete;
    CDeviceController& operator=(const CDeviceController&) = delete;

    // Every notification of the link: window messages 1134..1191 and UM_TRANSFER_PROGRESS.
    void HandleMessage(int message, std::intptr_t wParam, std::intptr_t lParam);
    // Sees every notification before the controller acts on it (the firmware dialog follows its stages so).
    void SetMessageObserver(MessageObserver observer) { m_observer = std::move(observer); }
    // Called on UM_PRESETS_READ_DONE, when presets 1..6 have been read for an all-data file.
    void SetPresetsReadHandler(std::function<void()> handler) { m_presetsRead = std::move(handler); }

    // ---- Connection lifecycle ----------------------------------------------------------------------------
    // The Connect button: closes an open link, otherwise opens the first device and asks for its identifier;
    // reports "unable to connect" when there is none. Returns whether a link is open afterwards.
    bool ToggleConnection();
    // At start-up (UM_AUTO_CONNECT): as the Connect button, but silent when no device is there.
    bool AutoConnect();
    // A device announced by the system while idle; the arrival decision (ours, unclaimed) is made before.
    bool ConnectArrived(const std::string& path);
    // A device went away: closes the link with the failure text when it was the linked device, unless a
    // firmware update expects it to re-enumerate (stages 176 and 255).
    void DeviceRemoved(const std::string& path);
    // Queues the system reads, the six preset names and the live image under one lock, with the popup.
    void ReadDeviceState();
    // Closes the device and returns to Idle; stops the worker first if it still runs.
    void CloseLink() override;
    // Bounded; false when the worker is still inside a transport call (it ends by itself).
    bool StopLinkIO();
    void ReportConnectFailure() override;

    // The link as the device monitor's arrival and removal decisions see it.
    LinkSnapshot Snapshot() const;

    bool LinkOpen() const override { return m_linkOpen.load(); }
    bool Connected() const { return m_g.connected.load() != 0; }
    std::string CurrentPath() const;

    // ---- Firmware update ---------------------------------------------------------------------------------
    // Tries OpenFirstDevice until it succeeds or `limit` has passed (the box re-enumerates after stage 176).
    bool OpenDeviceWithRetries(std::chrono::milliseconds limit) override;
    // Hands the open link to an update: clears the queue, installs the hook and starts the worker, which runs
    // firmware cycles while the hook says the update is in progress.
    void StartFirmwareLink(CFirmwareHook& hook) override;
    // Takes the hook off the link and clears the update flag and stage (also done by a close).
    void EndFirmwareLink() override;
    bool FirmwareUpdating() const override { return m_firmwareUpdate.load(); }
    // Code of the firmware frame last written; removals during the re-enumerating stages are ignored.
    void SetFirmwareStage(int stage) override { m_firmwareStage.store(stage); }
    int FirmwareStage() const { return m_firmwareStage.load(); }
    // The update of the firmware dialog: it finishes the update on UM_FIRMWARE_STATUS 179 and guards the
    // factory reset. Without one, status 179 just closes the link with the success text.
    void SetFirmwareUpdate(CFirmwareUpdate* update) { m_firmware = update; }
    // The factory reset asks this first: during an update it shows "Don't close up the update!" and refuses.
    bool FactoryResetRefused();
    void ShowMessage(const SysText& text) override;

    // ---- Sending -----------------------------------------------------------------------------------------
    // System message `code` (144, 48, 134, ...) at once while the link is open; otherwise nothing.
    void SendNow(int code, int argument);
    // The channel's whole output block, re-encoded from its object, as one block write. This and the group
    // writes below send only once the device's image is applied (Connected), not while it is being read.
    void QueueChannelBlock(int channel);
    // Silences every channel of the link group of `channel` (sound switch off, gain-group message), to be
    // followed by block writes and EndGroupWrite, all under the link lock held by the caller.
    void BeginGroupWrite(int channel);
    void EndGroupWrite(int channel);
    // The same silencing for one channel around its block write.
    void QueueChannelBlockMuted(int channel);
    // The target takes the source's settings; the target's block follows while connected.
    void CopyChannel(int source, int target);
    // The Link button: while it is on, the block of channel 1 carries the completion mark.
    void SetLinkButton(bool on) { m_linkButton = on; }
    // Master volume from the slider: marks the system block pending (one message per worker cycle) and keeps
    // the device's value from being adopted for the next 100 polls. Returns whether the value changed.
    bool SetMasterVolumeFromSlider(int value);
    // The lock under which the I/O worker reads the queue, the image and the objects it encodes from.
    std::recursive_mutex& LinkLock() const { return m_command.LinkLock(); }
    // Something was marked pending or queued: the worker need not finish its rest before it looks.
    void WakeLink() {}
    // A local master-volume change: the device's volume is not adopted for the next 100 status polls.
    void ResetPollCompare() { m_command.SetPollCompareCounter(0); }
    // Number of progress items of the batch queued last; the popup's range.
    int ProgressCounter() const { return m_batches.ProgressCounter(); }

    // The model is re-read by every control; channel links end (each channel in a group of its own).
    void RefreshAll();

    ModelGlobals& Globals() const { return m_g; }
    CKTV_Data& Data() const { return m_data; }
    KTVCommand& Command() override { return m_command; }
    CTransferBatches& Batches() { return m_batches; }
    CLinkWorker& Worker() { return m_worker; }
    CDeviceAccess& Access() const { return m_access; }
    CControllerView& View() const { return m_view; }
    const TimingProfile& Timing() const { return m_timing; }

private:
    static CNotifier& ChooseNotifier(CNotifier* given, std::unique_ptr<CQtNotifier>& own,
                                     CDeviceController* self);
    // After a device was opened: fresh queue and marks, identifier request, worker started.
    void BeginLink(bool underLock);
    void CheckIdentity();
    void ImageReadDone(int preset);
    void LinkLost();
    void FirmwareTooOld();
    void FirmwareStatus(int status);
    void AdoptDeviceValue(int message, int value);
    void SettleBeforeClose();
    void SoundOff(int channel);
    void SoundBack(int channel);
    // Runs step on every channel of channel's link group, under the link lock, while the link is open.
    void ForLinkGroup(int channel, void (CDeviceController::*step)(int));
    bool CompletesOnLinkButton(int channel) const { return m_linkButton && channel == 1; }
    // Whole blocks and group writes are encoded from the channel objects, which hold the device's settings
    // only once its image is applied: while the device is still being read they would write the settings
    // from before the connection into it (and the image applied next would not show them).
    bool SendsBlocks() const { return m_linkOpen.load() && Connected(); }

    ModelGlobals& m_g;
    CKTV_Data& m_data;
    CDeviceAccess& m_access;
    CControllerView& m_view;
    const TimingProfile m_timing;

    std::unique_ptr<CQtNotifier> m_ownNotifier;
    KTVCommand m_command;
    CTransferBatches m_batches;
    CLinkWorker m_worker;

    std::atomic<bool> m_linkOpen{false};
    std::atomic<bool> m_firmwareUpdate{false};
    std::atomic<int> m_firmwareStage{0};
    bool m_linkButton = false;
    std::array<int, Layout::kChannels> m_savedSwitch{}; // sound switches remembered by a group write
    MessageObserver m_observer;
    std::function<void()> m_presetsRead;
    CFirmwareUpdate* m_firmware = nullptr;
};
