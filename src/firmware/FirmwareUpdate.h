// The staged firmware update: queues the loaded file as firmware frames and runs the worker's firmware cycle.
#pragma once

#include "base/Status.h"
#include "base/SysText.h"
#include "firmware/FirmwareFile.h"
#include "link/FirmwareHook.h"
#include "link/TimingProfile.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>

class CFirmwareHost;
class CSettingsStore;
class KTVCommand;

// UI thread: loading, starting, finishing and the guard; texts go to the user through the host. I/O worker:
// NextFirmwareFrames, FirmwareCycle and OnFirmwareReply (the last under the link lock). The sequence state
// belongs to the worker while an update runs and to the UI thread otherwise; what both read is atomic.
//
// An update runs while the host's firmware-update flag is set: the update is then the command's firmware
// hook and the worker runs firmware cycles, each writing one frame and reading its acknowledgement.
// Progress goes out as UM_FIRMWARE_PROGRESS (wParam = position, range 0..ProgressRange()); the last
// acknowledgement posts UM_FIRMWARE_STATUS with lParam 179, which the controller hands to OnUpdateFinished.
// A failure posts UM_LINK_LOST once and the controller's link-lost path ends the update.
class CFirmwareUpdate : public CFirmwareHook {
public:
    static constexpr SysText kUpdateDone{"Update successfully!", "固件更新完成!"};
    static constexpr SysText kUpdateBusy{"Don't close up the update!", "更新中 请勿关闭!"};
    static constexpr std::intptr_t kStatusFinished = 179; // lParam of UM_FIRMWARE_STATUS at the end
    static constexpr int kMaxWrites = 2;                  // a frame written this often unanswered ends it

    // `timing` limits the device-open attempts of StartUpdate; the worker's own profile paces its cycles.
    CFirmwareUpdate(CFirmwareHost& host, CSettingsStore& store, const TimingProfile& timing);
    ~CFirmwareUpdate() override;
    CFirmwareUpdate(const CFirmwareUpdate&) = delete;
    CFirmwareUpdate& operator=(const CFirmwareUpdate&) = delete;

    // --- UI thread ----------------------------------------------------------------------------------------
    // While an update runs or is starting, shows "Don't close up the update!" and returns true: closing the
    // update dialog and its browse button ask this first.
    bool RefuseWhileUpdating();
    // The file dialog's choice: stores and saves the firmware location. Refused while an update runs.
    bool BrowseFirmware(const QString& path);
    // Loads the file named by the firmware path and puts the frame sequence back to its start. Refused with
    // kUpdateBusy while an update runs.
    FirmwareLoad LoadFirmware();
    // The start button, with the path field's text. Loads the file (showing the controller-file warning
    // before the device is touched), closes an open link and has the host open the device, retrying up to
    // the firmware limit while the window stays live; once it is open the worker runs firmware cycles, and
    // when it never opens the connection error is shown. File errors are shown at once; then the caller puts
    // the firmware path (cleared when the file could not be read) back into the field. Ignored while an
    // update runs or starts. Returns whether the update is starting or has started.
    bool StartUpdate(const QString& path);
    // StartUpdate's steps after the load, for the file loaded last (LoadFirmware): the update dialog loads
    // first and starts once the user has read the controller-file warning. Refused (false) while an update
    // runs or starts, and when no file is loaded.
    bool StartLoadedUpdate();
    // UM_FIRMWARE_STATUS: with lParam 179 closes the link, ends the update and shows "Update successfully!";
    // other values are ignored. Returns whether it acted.
    bool OnUpdateFinished(std::intptr_t status);

    // The update owns the link (the host's firmware-update flag with this update as the hook).
    bool InProgress() const;
    // Between StartUpdate and the host's answer to its open retries.
    bool Starting() const { return m_starting; }
    const CFirmwareFile& File() const { return m_file; }
    int ProgressRange() const { return m_file.FrameCount(); }
    int ProgressPosition() const { return m_progress.load(); }

    // --- I/O worker ---------------------------------------------------------------------------------------
    // With the queue empty: the next frames of the loaded file, ending with one data chunk (or the check
    // frame after the final chunk). The first call after a load queues nothing. The caller holds the link
    // lock.
    void NextFirmwareFrames();

    bool UpdateInProgress() const override { return InProgress(); }
    // Also once a failure was reported: the worker then waits for the controller to stop it.
    bool UpdateFinished() const override { return m_done.load() || m_halted.load(); }
    void FirmwareCycle(CLinkWorker& worker) override;
    void OnFirmwareReply(const SendData* head, bool finishesHead) override;

private:
    enum class DspStep { Start, Head, Chunks, Check, Finished };
    enum class ControllerStep { Start, Chunks, Check, Finished };

    void DeviceOpened(bool opened);
    void ResetSequence();
    void QueueFrame(int stage, std::span<const std::uint8_t> bytes = {});
    void NextDspFrames();
    void NextControllerFrames();
    void ReadReply(CLinkWorker& worker, int stage, std::uint64_t serial,
                   std::chrono::steady_clock::time_point start);
    void ReopenAfterRestart(CLinkWorker& worker);
    void Fail(CLinkWorker& worker);

    CFirmwareHost& m_host;
    KTVCommand& m_command;
    CSettingsStore& m_store; // holds the firmware path
    CFirmwareFile m_file;
    TimingProfile m_timing;

    DspStep m_dspStep = DspStep::Start;
    ControllerStep m_controllerStep = ControllerStep::Start;
    bool m_firstCall = true;
    std::size_t m_dspSent = 0;        // bytes of the DSP data already queued in chunks
    std::size_t m_controllerSent = 0; // bytes of the controller data already queued in chunks
    int m_nextProgressIndex = 1;
    bool m_starting = false;

    std::atomic<bool> m_done{false};
    std::atomic<bool> m_halted{false};     // a failure was reported
    std::atomic<bool> m_restartDue{false}; // stage 176 acknowledged: the device is restarting
    std::atomic<int> m_progress{0};
};
