// The staged firmware update: queues the loaded file as firmware frames and runs the worker's firmware cycle.
#pragma once

#include "firmware/FirmwareFile.h"
#include "link/FirmwareHook.h"
#include "link/TimingProfile.h"
#include "model/Status.h"
#include "model/SysText.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

class CFirmwareHost;
class CSettingsStore;
class KTVCommand;

// UI thread: loading, starting, finishing and the guards. I/O worker: NextFirmwareFrames, FirmwareCycle and
// OnFirmwareReply (the last under the link lock). The sequence state belongs to the worker while an update
// runs and to the UI thread otherwise; flags and progress shared by both are atomics.
//
// While it owns the link the update is installed as the command's firmware hook, so the worker runs firmware
// cycles: one frame written, its acknowledgement read, the next frame. Progress goes out as
// UM_FIRMWARE_PROGRESS (wParam = position, range 0..ProgressRange()); the last acknowledgement posts
// UM_FIRMWARE_STATUS with lParam 179, which the controller hands to OnUpdateFinished. A failure posts
// UM_LINK_LOST once; the controller's link-lost path then calls EndUpdate.
class CFirmwareUpdate : public CFirmwareHook {
public:
    static constexpr SysText kUpdateDone{"Update successfully!", "固件更新完成!"};
    static constexpr SysText kUpdateBusy{"Don't close up the update!", "更新中 请勿关闭!"};
    static constexpr SysText kConnectFailure{"unable to connect", "无法连接设备"};
    static constexpr std::intptr_t kStatusFinished = 179; // lParam of UM_FIRMWARE_STATUS at the end
    static constexpr int kMaxWrites = 2;                  // a frame written this often unanswered ends it

    // `timing` paces the device-open attempts of StartUpdate; the worker's own profile paces its cycles.
    CFirmwareUpdate(CFirmwareHost& host, CSettingsStore& store, const TimingProfile& timing);
    ~CFirmwareUpdate() override;
    CFirmwareUpdate(const CFirmwareUpdate&) = delete;
    CFirmwareUpdate& operator=(const CFirmwareUpdate&) = delete;

    // --- UI thread ----------------------------------------------------------------------------------------
    // The file dialog's choice; refused with kUpdateBusy while an update runs.
    Status BrowseFirmware(const QString& path);
    // Loads the file named by the firmware path and puts the frame sequence back to its start; refused with
    // kUpdateBusy while an update runs.
    FirmwareLoad LoadFirmware();
    // The start button, with the path field's text: loads it (the controller-file warning is shown through
    // the host before the device is touched), closes an open link, opens the device (retrying up to the
    // firmware limit) and starts the worker in firmware cycles. Nothing happens while an update runs. On
    // failure the caller shows the text and puts the firmware path (cleared when the file could not be read)
    // back into the field.
    Status StartUpdate(const QString& path);
    // UM_FIRMWARE_STATUS: with lParam 179 while an update runs, closes the link, ends the update and returns
    // the success text to show; nothing otherwise.
    std::optional<SysText> OnUpdateFinished(std::intptr_t status);
    // The controller ended the update on its link-lost or removal path, after stopping the worker.
    void EndUpdate();
    // kUpdateBusy while an update runs: closing the update dialog, its browse button and the factory reset
    // show it instead of acting.
    Status GuardWhileUpdating() const;

    bool InProgress() const { return m_inProgress.load(); }
    const CFirmwareFile& File() const { return m_file; }
    int ProgressRange() const { return m_file.FrameCount(); }
    int ProgressPosition() const { return m_progress.load(); }
    // Stage of the frame last written while an update runs, 0 otherwise (the device re-enumerates after 176).
    int LastStage() const;

    // --- I/O worker ---------------------------------------------------------------------------------------
    // With the queue empty: the next frames of the loaded file, ending with one data chunk (or the check
    // frame after the final chunk). The first call after a load queues nothing. The caller holds the link
    // lock.
    void NextFirmwareFrames();

    bool UpdateInProgress() const override { return m_inProgress.load(); }
    // Also once a failure was reported: the worker then waits for the controller to stop it.
    bool UpdateFinished() const override { return m_done.load() || m_halted.load(); }
    void FirmwareCycle(CLinkWorker& worker) override;
    void OnFirmwareReply(const SendData* head, bool finishesHead) override;

private:
    enum class DspStep { Start, Head, Chunks, Check, Finished };
    enum class ControllerStep { Start, Chunks, Check, Finished };

    void ResetSequence();
    void QueueFrame(int stage, std::span<const std::uint8_t> bytes = {});
    void NextDspFrames();
    void NextControllerFrames();
    void ReadReply(CLinkWorker& worker, int stage, std::chrono::steady_clock::time_point start);
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

    std::atomic<bool> m_inProgress{false};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_halted{false};     // a failure was reported
    std::atomic<bool> m_restartDue{false}; // stage 176 acknowledged: the device is restarting
    std::atomic<int> m_progress{0};
    std::atomic<int> m_lastStage{0};
};
