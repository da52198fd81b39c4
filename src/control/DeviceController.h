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

#include <QTimer>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
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

// Runs on the UI thread (the thread it was created on), whose event loop must run: closing the link and the
// firmware update's open retries are steps driven by timers, so the window stays live meanwhile. The I/O
// worker reaches the controller only through posted notifications, which arrive in HandleMessage.
//
// Link states: Idle (no device open, nothing under way), Open (a device is open and the worker runs:
// identifying, reading, connected or a firmware update), Closing (the worker is asked to stop; the device is
// closed once the worker has left its last transport call, after the settle time where one applies),
// Opening (a firmware update tries to open the device until its limit). The connected flag becomes 1 only
// when the device image has been applied, on every way in, so that edits made while connecting are neither
// sent nor lost in a half-read model.
//
// Texts for the user never run inside a notification handler, nor while a close is under way: they are
// queued and shown once the handler has returned and the link has settled, one at a time, so that a message
// box with its own event loop never meets a half-done step.
class CDeviceController : private CFirmwareHost {
public:
    static constexpr char kExpectedIdentifier[] = "PIRKAVO-31EQ-V3.0";
    static constexpr std::size_t kComparedIdentifierChars = 15;
    static constexpr int kAutoConnectPollCount = 80; // status replies compared after 20 more polls
    static constexpr int kFirmwareUpdateDone = 179;  // UM_FIRMWARE_STATUS: the last stage acknowledged

    static constexpr SysText kConnectFailure{"unable to connect", "无法连接设备"};
    static constexpr SysText kFirmwareTooOld{"Please Update the Firmware!", "数据回传错误!"};
    static constexpr SysText kNotConnected{"The device is not connected", "设备未连接"};

    enum class LinkState { Idle, Opening, Open, Closing };

    using MessageObserver = std::function<void(int message, std::intptr_t wParam, std::intptr_t lParam)>;

    // Without a notifier the controller posts to itself through Qt events delivered on this thread's event
    // loop; with one (tests), the caller delivers the notifications to HandleMessage.
    CDeviceController(ModelGlobals& globals, CKTV_Data& data, CDeviceAccess& access, CControllerView& view,
                      const TimingProfile& timing, CNotifier* notifier = nullptr);
    // StopForExit: waits for the worker and closes the device, which gives up its claim.
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
    // The Connect button: while the link is open, starts closing it (the worker stops, then the settle time,
    // then the device is closed); while idle, opens the first device and asks for its identifier, or reports
    // "unable to connect" when there is none. Ignored while a close or an open is under way. Returns whether
    // a link is open afterwards.
    bool ToggleConnection();
    // At start-up (UM_AUTO_CONNECT): as the Connect button, but silent when no device is there.
    bool AutoConnect();
    // Posts UM_AUTO_CONNECT to the controller's own notifications: the start-up connect runs from the event
    // loop, once the window is up.
    void PostAutoConnect();
    // A device announced by the system while idle; the arrival decision (ours, unclaimed) is made before.
    bool ConnectArrived(const std::string& path);
    // A device went away: closes the link with the failure text when it was the linked device, unless a
    // firmware update expects it to re-enumerate (stages 176 and 255).
    void DeviceRemoved(const std::string& path);
    // Queues the system reads, the six preset names and the live image under one lock, with the popup.
    void ReadDeviceState();
    // Starts closing an open link without a text (no settle time); returns at once. Nothing otherwise.
    void CloseLink() override;
    // Program close: cancels every step under way and drops the texts not yet shown, waits until the worker
    // has left its loop (the one wait on this thread, made when nothing is shown any more) and closes the
    // device.
    void StopForExit();
    void ReportConnectFailure() override;

    // The link as the device monitor's arrival and removal decisions see it: open unless idle.
    LinkSnapshot Snapshot() const;

    LinkState State() const { return m_state.load(); }
    bool LinkOpen() const override { return State() == LinkState::Open; }
    bool Idle() const { return State() == LinkState::Idle; }
    bool Connected() const { return m_g.connected.load() != 0; }
    // The device handle is open (also while a close waits for the worker).
    bool DeviceOpen() const;
    std::string CurrentPath() const;

    // ---- Firmware update ---------------------------------------------------------------------------------
    // The firmware update's way in: the command it fills, the device opened with retries, the worker in
    // firmware cycles.
    CFirmwareHost& FirmwareHost() { return *this; }
    bool FirmwareUpdating() const override { return m_firmwareUpdate.load(); }
    int FirmwareStage() const { return m_firmwareStage.load(); }
    // The update of the firmware dialog: it finishes the update on UM_FIRMWARE_STATUS 179 and guards the
    // factory reset. Without one, status 179 just closes the link with the success text.
    void SetFirmwareUpdate(CFirmwareUpdate* update) { m_firmware = update; }
    // A system text for the user: at once, or queued while a handler runs or a close is under way.
    void ShowMessage(const SysText& text) override;

    // ---- Preset dialogs ----------------------------------------------------------------------------------
    // Which preset dialog is open, so that a preset name read from the device refreshes it.
    enum class PresetDialog { None = 0, SourceLoad = 1, SourceSave = 2 };
    void SetOpenPresetDialog(PresetDialog dialog) { m_openPresetDialog = dialog; }
    PresetDialog OpenPresetDialog() const { return m_openPresetDialog; }

    // ---- Commands ----------------------------------------------------------------------------------------
    // The factory reset, once the user has confirmed it: during a firmware update (also while it opens the
    // device) only "Don't close up the update!"; with the link open, message 137 is queued; otherwise
    // "The device is not connected". Returns whether it was queued.
    bool FactoryReset();

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

    // ---- Bulk transfers ----------------------------------------------------------------------------------
    // Each queues its batch (CTransferBatches) under the link lock and shows the transfer popup; the caller
    // has made sure the link is open.
    void StoreLiveIntoPreset(int preset, const std::function<void()>& refreshImage);
    void WriteAll();
    void ReadPresetIntoLive(int preset, bool masterOff);
    void ReadForFileSave();

    // The device has acknowledged everything: the link is open, nothing is pending in the model and the queue
    // holds nothing but the worker's status poll. May wait for the link lock while the worker finishes a
    // cycle.
    bool Settled() const;
    // Status replies are compared with the system block once this has reached 100.
    int PollCompareCounter() const { return m_command.PollCompareCounter(); }
    // Taken by the worker while it reads the queue, the image and the objects it encodes from; callers that
    // change what it encodes from take it too.
    std::recursive_mutex& LinkLock() const { return m_command.LinkLock(); }
    // Something was marked pending or queued: the worker need not finish its rest before it looks.
    void WakeLink() { m_worker->Wake(); }
    // A local master-volume change: the device's volume is not adopted for the next 100 status polls.
    void ResetPollCompare() { m_command.SetPollCompareCounter(0); }

    // The model is re-read by every control; channel links end (each channel in a group of its own).
    void RefreshAll();
    // The file title or preset name of the caption field.
    void SetCaption(const QString& caption);

    ModelGlobals& Globals() const { return m_g; }
    CKTV_Data& Data() const { return m_data; }

private:
    enum class Step { None, AwaitStop, Settle, Reopen };

    // ---- CFirmwareHost: the update's own operations
    // --------------------------------------------------------
    KTVCommand& Command() override { return m_command; }
    void OpenDeviceWithRetries(std::chrono::milliseconds limit, std::function<void(bool)> done) override;
    void CancelOpenRetries() override;
    void StartFirmwareLink(CFirmwareHook& hook) override;
    void EndFirmwareLink() override;
    void SetFirmwareStage(int stage) override { m_firmwareStage.store(stage); }

    static CNotifier& ChooseNotifier(CNotifier* given, std::unique_ptr<CQtNotifier>& own,
                                     CDeviceController* self);
    std::unique_ptr<CLinkWorker> MakeWorker();
    // After a device was opened: fresh queue and marks, identifier request, worker started.
    void BeginLink(bool underLock);
    void CheckIdentity();
    void ImageReadDone(int preset);
    void LinkLost();
    void FirmwareTooOld();
    void FirmwareStatus(int status);
    void AdoptDeviceValue(int message, int value);

    // Closing: asks the worker to stop and returns; RunStep finishes the close once the worker has stopped.
    void BeginClose(bool settle, bool clearQueue);
    void FinishClose();
    void TryReopen();
    void RunStep();
    // Until the worker has a stop of its own that never waits: with a stop limit of zero, StopLinkIO asks
    // the thread to stop and returns at once, and a thread that has left its loop (and every transport call
    // in it) is no longer running.
    void RequestWorkerStop() { m_worker->RequestStop(); }
    // The thread has left its loop and every transport call: the device may be closed.
    bool WorkerStopped() const { return m_worker->HasStopped(); }

    void FlushTexts();

    void SoundOff(int channel);
    void SoundBack(int channel);
    // Runs step on every channel of channel's link group, under the link lock, while the link is open.
    void ForLinkGroup(int channel, void (CDeviceController::*step)(int));
    bool CompletesOnLinkButton(int channel) const { return m_linkButton && channel == 1; }
    // Whole blocks and group writes are encoded from the channel objects, which hold the device's settings
    // only once its image is applied: while the device is still being read they would write the settings
    // from before the connection into it (and the image applied next would not show them).
    bool SendsBlocks() const { return LinkOpen() && Connected(); }

    ModelGlobals& m_g;
    CKTV_Data& m_data;
    CDeviceAccess& m_access;
    CControllerView& m_view;
    const TimingProfile m_timing;

    std::unique_ptr<CQtNotifier> m_ownNotifier;
    KTVCommand m_command;
    CTransferBatches m_batches;
    std::unique_ptr<CLinkWorker> m_worker; // replaced after StopForExit, which joins its thread

    std::atomic<LinkState> m_state{LinkState::Idle};
    std::atomic<bool> m_firmwareUpdate{false};
    std::atomic<int> m_firmwareStage{0};
    bool m_linkButton = false;
    bool m_linkImageRead = false; // the image read under way is the one the link starts with
    PresetDialog m_openPresetDialog = PresetDialog::None;
    std::array<int, Layout::kChannels> m_savedSwitch{}; // sound switches remembered by a group write
    MessageObserver m_observer;
    std::function<void()> m_presetsRead;
    CFirmwareUpdate* m_firmware = nullptr;

    // Steps on the event loop.
    QTimer m_stepTimer; // single shot; RunStep does what `m_step` says
    Step m_step = Step::None;
    bool m_closeSettles = false;     // the close waits the settle time after the worker stopped
    bool m_closeClearsQueue = false; // the close clears the queue once the worker stopped
    bool m_reopenAfterClose = false; // the firmware update's open retries begin once the close is done
    std::chrono::milliseconds m_reopenLimit{0};
    std::chrono::steady_clock::time_point m_reopenDeadline;
    std::function<void(bool)> m_reopenDone;

    // Texts waiting to be shown.
    QTimer m_textTimer; // single shot, zero: the queued texts after the handler has returned
    std::deque<SysText> m_texts;
    int m_handlerDepth = 0;
    bool m_showingText = false;
};
