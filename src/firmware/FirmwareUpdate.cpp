// The staged firmware update: queues the loaded file as firmware frames and runs the worker's firmware cycle.
#include "firmware/FirmwareUpdate.h"

#include "link/FirmwareHost.h"
#include "link/KTVCommand.h"
#include "link/LinkWorker.h"
#include "link/Notifier.h"
#include "link/ReportTransport.h"
#include "link/SettingsStore.h"

#include <algorithm>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

// Pause after each input report while a stage awaits its reply.
struct StagePause {
    int first;
    int last;
    TimingProfile::ms TimingProfile::*pause;
};

constexpr StagePause kStagePauses[] = {
    {KTVCommand::kStageDspStart, KTVCommand::kStageDspCheck, &TimingProfile::firmwareDspStage},
    {KTVCommand::kStageControllerStart, KTVCommand::kStageControllerStart2,
     &TimingProfile::firmwareControllerStart},
    {KTVCommand::kStageControllerChunk, KTVCommand::kStageControllerChunk,
     &TimingProfile::firmwareControllerChunk},
    {KTVCommand::kStageControllerCheck, KTVCommand::kStageControllerCheck,
     &TimingProfile::firmwareControllerCheck},
};

TimingProfile::ms PauseFor(const TimingProfile& timing, int stage) {
    for (const StagePause& p : kStagePauses)
        if (stage >= p.first && stage <= p.last)
            return timing.*p.pause;
    return TimingProfile::ms{0};
}

bool IsEmptyReport(const Report& report) {
    return std::all_of(report.begin(), report.end(), [](std::uint8_t b) { return b == 0; });
}

// The next chunk of `data` from `sent` on, at most `size` bytes; `sent` moves past it.
std::span<const std::uint8_t> TakeChunk(const std::vector<std::uint8_t>& data, std::size_t& sent,
                                        std::size_t size) {
    const std::size_t n = std::min(size, data.size() - sent);
    const auto chunk = std::span(data).subspan(sent, n);
    sent += n;
    return chunk;
}

} // namespace

CFirmwareUpdate::CFirmwareUpdate(CFirmwareHost& host, CSettingsStore& store, const TimingProfile& timing)
    : m_host(host), m_command(host.Command()), m_store(store), m_file(store), m_timing(timing) {}

CFirmwareUpdate::~CFirmwareUpdate() {
    if (m_starting)
        m_host.CancelOpenRetries();
    if (m_command.FirmwareHook() == this)
        m_command.SetFirmwareHook(nullptr);
}

// --- UI thread --------------------------------------------------------------------------------------------

bool CFirmwareUpdate::InProgress() const {
    return m_host.FirmwareUpdating() && m_command.FirmwareHook() == this;
}

bool CFirmwareUpdate::RefuseWhileUpdating() {
    if (!InProgress() && !m_starting)
        return false;
    m_host.ShowMessage(kUpdateBusy);
    return true;
}

bool CFirmwareUpdate::BrowseFirmware(const QString& path) {
    if (RefuseWhileUpdating())
        return false;
    m_file.BrowseFirmware(path);
    return true;
}

void CFirmwareUpdate::ResetSequence() {
    m_dspStep = DspStep::Start;
    m_controllerStep = ControllerStep::Start;
    m_firstCall = true;
    m_dspSent = 0;
    m_controllerSent = 0;
    m_nextProgressIndex = 1;
    m_done.store(false);
    m_halted.store(false);
    m_restartDue.store(false);
    m_progress.store(0);
}

FirmwareLoad CFirmwareUpdate::LoadFirmware() {
    if (InProgress() || m_starting)
        return {Status::Error(kUpdateBusy), std::nullopt};
    std::lock_guard lock(m_command.LinkLock());
    ResetSequence();
    return m_file.LoadFirmware();
}

bool CFirmwareUpdate::StartUpdate(const QString& path) {
    if (InProgress() || m_starting)
        return false;
    m_store.SetFirmwareFile(path);
    const FirmwareLoad load = LoadFirmware();
    if (load.notice)
        m_host.ShowMessage(*load.notice);
    if (!load.status) {
        m_host.ShowMessage(load.status.error());
        return false;
    }
    return StartLoadedUpdate();
}

bool CFirmwareUpdate::StartLoadedUpdate() {
    if (InProgress() || m_starting || m_file.Loaded() == CFirmwareFile::Kind::None)
        return false;
    {
        std::lock_guard lock(m_command.LinkLock());
        ResetSequence(); // from the first frame, also after an earlier attempt with the same file
    }
    if (m_host.LinkOpen())
        m_host.CloseLink();
    m_starting = true;
    m_host.OpenDeviceWithRetries(m_timing.firmwareLimit, [this](bool opened) { DeviceOpened(opened); });
    return m_starting || InProgress(); // a host may answer at once
}

void CFirmwareUpdate::DeviceOpened(bool opened) {
    m_starting = false;
    if (!opened) {
        m_command.Clear();
        m_host.ReportConnectFailure();
        return;
    }
    m_host.StartFirmwareLink(*this);
}

bool CFirmwareUpdate::OnUpdateFinished(std::intptr_t status) {
    if (status != kStatusFinished)
        return false;
    m_host.CloseLink();
    m_host.EndFirmwareLink();
    m_host.ShowMessage(kUpdateDone);
    return true;
}

// --- I/O worker -------------------------------------------------------------------------------------------

void CFirmwareUpdate::QueueFrame(int stage, std::span<const std::uint8_t> bytes) {
    auto packet = m_command.BuildFirmwareFrame(stage, bytes);
    packet->progressIndex = m_nextProgressIndex++;
    m_command.Queue().Push(std::move(packet));
}

void CFirmwareUpdate::NextFirmwareFrames() {
    if (m_firstCall) {
        m_firstCall = false;
        return;
    }
    if (m_controllerSent < m_file.ControllerData().size())
        NextControllerFrames();
    else if (m_dspSent < m_file.DspData().size())
        NextDspFrames();
}

void CFirmwareUpdate::NextDspFrames() {
    const std::vector<std::uint8_t>& data = m_file.DspData();
    if (m_dspStep == DspStep::Start) {
        QueueFrame(KTVCommand::kStageDspStart);
        m_dspStep = DspStep::Head;
    }
    if (m_dspStep == DspStep::Head) {
        // The first bytes of the file, which the first chunk carries again.
        QueueFrame(KTVCommand::kStageDspHead,
                   std::span(data).first(std::min(data.size(), CFirmwareFile::kDspHeadSize)));
        m_dspStep = DspStep::Chunks;
    }
    if (m_dspStep == DspStep::Chunks) {
        QueueFrame(KTVCommand::kStageDspChunk, TakeChunk(data, m_dspSent, KTVCommand::kDspChunkSize));
        if (m_dspSent == data.size())
            m_dspStep = DspStep::Check;
    }
    if (m_dspStep == DspStep::Check) {
        const std::uint8_t check = m_file.CheckByte();
        QueueFrame(KTVCommand::kStageDspCheck, std::span(&check, 1));
        m_dspStep = DspStep::Finished;
    }
}

void CFirmwareUpdate::NextControllerFrames() {
    const std::vector<std::uint8_t>& data = m_file.ControllerData();
    if (m_controllerStep == ControllerStep::Start) {
        QueueFrame(KTVCommand::kStageControllerStart);
        QueueFrame(KTVCommand::kStageControllerStart2);
        m_controllerStep = ControllerStep::Chunks;
    }
    if (m_controllerStep == ControllerStep::Chunks) {
        QueueFrame(KTVCommand::kStageControllerChunk,
                   TakeChunk(data, m_controllerSent, KTVCommand::kControllerChunkSize));
        if (m_controllerSent == data.size())
            m_controllerStep = ControllerStep::Check;
    }
    if (m_controllerStep == ControllerStep::Check) {
        const std::uint8_t check = m_file.CheckByte();
        QueueFrame(KTVCommand::kStageControllerCheck, std::span(&check, 1));
        m_controllerStep = ControllerStep::Finished;
    }
}

void CFirmwareUpdate::Fail(CLinkWorker& worker) {
    m_halted.store(true);
    worker.ReportLinkLost();
}

void CFirmwareUpdate::FirmwareCycle(CLinkWorker& worker) {
    const auto start = Clock::now();
    if (!worker.LinkOpen() || worker.StopRequested())
        return;
    const TimingProfile& timing = worker.Timing();
    int stage = 0;
    std::uint64_t serial = 0; // the head to write; 0 = none
    {
        // Only the queue work runs under the link lock; the writes, the reads and their pauses run outside.
        std::lock_guard lock(m_command.LinkLock());
        if (worker.StopRequested())
            return; // the transport may be closing
        SendDataQueue& queue = m_command.Queue();
        if (!queue.Head())
            NextFirmwareFrames();
        SendData* head = queue.Head();
        if (head) {
            stage = head->firmwareStage;
            m_host.SetFirmwareStage(stage);
            if (++head->attempts > kMaxWrites) {
                Fail(worker);
                return;
            }
            head->readPosition = 0; // every attempt writes the whole frame
            serial = head->serial;
        }
    }
    if (serial != 0) {
        switch (worker.WriteHeadPacket(serial, timing.firmwareAfterReport)) {
        case CLinkWorker::HeadWrite::Failed:
            Fail(worker);
            return;
        case CLinkWorker::HeadWrite::Interrupted:
            return; // stopped, or the queue was cleared meanwhile
        case CLinkWorker::HeadWrite::Written:
            break;
        }
    }
    if (stage == 0) {
        // Nothing to send: the first cycle after the start, or the sequence has run out.
        worker.Pause(timing.firmwareRetry);
        return;
    }
    ReadReply(worker, stage, serial, start);
}

void CFirmwareUpdate::ReadReply(CLinkWorker& worker, int stage, std::uint64_t serial,
                                Clock::time_point start) {
    const TimingProfile& timing = worker.Timing();
    const auto pause = PauseFor(timing, stage);
    bool onlyEmpty = true;
    while (worker.LinkOpen() && !worker.StopRequested()) {
        Report report{};
        const bool read = worker.Transport().ReadReport(report);
        if (worker.StopRequested())
            return;
        if (!read) {
            Fail(worker); // the device went away without acknowledging
            return;
        }
        worker.Pause(pause);
        onlyEmpty = onlyEmpty && IsEmptyReport(report);
        if (onlyEmpty)
            worker.Pause(timing.firmwareWhileEmpty);
        if (m_command.FeedReply(report, serial)) {
            if (m_restartDue.exchange(false))
                ReopenAfterRestart(worker);
            return;
        }
        if (Clock::now() - start > timing.firmwareLimit) {
            worker.Pause(timing.linkLostSettle);
            Fail(worker);
            return;
        }
    }
}

void CFirmwareUpdate::ReopenAfterRestart(CLinkWorker& worker) {
    const TimingProfile& timing = worker.Timing();
    if (!worker.Pause(timing.firmwareRestartWait))
        return;
    CReportTransport& transport = worker.Transport();
    transport.Close();
    {
        std::lock_guard lock(m_command.LinkLock());
        m_command.ResetAssembler();
    }
    // The device may take longer than the wait to come back; give it up to the firmware limit.
    const auto deadline = Clock::now() + timing.firmwareLimit;
    // Polling faster than a millisecond would only burn the CPU the restarting device may share.
    const auto retry = std::max(timing.firmwareRetry, TimingProfile::ms{1});
    while (!transport.Open()) {
        if (Clock::now() >= deadline) {
            Fail(worker);
            return;
        }
        if (!worker.Pause(retry))
            return;
    }
}

void CFirmwareUpdate::OnFirmwareReply(const SendData* head, bool finishesHead) {
    if (!head || !finishesHead || head->firmwareStage == 0 || head->progressIndex == 0)
        return;
    const int position = m_progress.fetch_add(1) + 1;
    CNotifier& notifier = m_command.Notifier();
    notifier.Post(UM_FIRMWARE_PROGRESS, position, 0);
    const int stage = head->firmwareStage;
    if (stage == KTVCommand::kStageDspStart)
        m_restartDue.store(true);
    const bool last = stage == KTVCommand::kStageDspCheck ||
                      (stage == KTVCommand::kStageControllerCheck && !m_file.DspLoaded());
    if (last) {
        m_done.store(true);
        notifier.Post(UM_FIRMWARE_STATUS, 0, kStatusFinished);
    }
}
