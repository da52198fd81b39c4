// The I/O worker: one thread that writes the head packet to the device, reads until its reply, and keeps the
// link busy with pending changes and status polls.
#include "link/LinkWorker.h"

#include "link/FirmwareHook.h"
#include "link/KTVCommand.h"
#include "link/Notifier.h"
#include "link/ReportTransport.h"

#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;

bool IsEmptyReport(const Report& report) {
    return std::all_of(report.begin(), report.end(), [](std::uint8_t b) { return b == 0; });
}

} // namespace

CLinkWorker::CLinkWorker(KTVCommand& command, CReportTransport& transport, const TimingProfile& timing)
    : m_command(command), m_transport(transport), m_timing(timing) {
    m_command.SetWorker(this);
}

CLinkWorker::~CLinkWorker() {
    StopLinkIO();
    // A thread still inside a transport call must finish before the objects it uses go away.
    if (m_thread.joinable())
        m_thread.join();
    m_command.SetWorker(nullptr);
}

void CLinkWorker::OpenLink() {
    m_command.SetStopFlag(false);
    m_linkOpen.store(true);
}

bool CLinkWorker::IsRunning() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

bool CLinkWorker::HasStopped() const {
    return !IsRunning();
}

void CLinkWorker::JoinLeftoverThread() {
    bool leftover = false;
    {
        std::lock_guard lock(m_mutex);
        leftover = m_thread.joinable() && m_stopEvent;
    }
    if (leftover) {
        m_thread.join();
        std::lock_guard lock(m_mutex);
        m_stopEvent = m_firmwareEvent = m_normalEvent = false;
        m_running = false;
        m_stopRequested.store(false);
    }
}

void CLinkWorker::StartLinkIO() {
    JoinLeftoverThread();
    OpenLink();
    const CFirmwareHook* hook = m_command.FirmwareHook();
    const bool firmware = hook && hook->UpdateInProgress();
    std::lock_guard lock(m_mutex);
    if (firmware)
        m_firmwareEvent = true;
    else
        m_normalEvent = true;
    if (!m_thread.joinable()) {
        m_stopEvent = false;
        m_stopRequested.store(false);
        m_running = true;
        m_thread = std::thread(&CLinkWorker::Run, this);
    }
    m_wake.notify_all();
}

void CLinkWorker::RequestStop() {
    m_linkOpen.store(false);
    std::lock_guard lock(m_mutex);
    if (!m_thread.joinable())
        return;
    m_stopEvent = true;
    m_stopRequested.store(true);
    m_wake.notify_all();
}

bool CLinkWorker::StopLinkIO() {
    RequestStop();
    bool stopped = true;
    {
        std::unique_lock lock(m_mutex);
        if (m_thread.joinable())
            stopped = m_wake.wait_for(lock, m_timing.stopLimit, [this] { return !m_running; });
    }
    if (stopped) {
        if (m_thread.joinable())
            m_thread.join();
        std::lock_guard lock(m_mutex);
        m_stopEvent = m_firmwareEvent = m_normalEvent = false;
        m_stopRequested.store(false);
    }
    return stopped;
}

void CLinkWorker::Wake() {
    std::lock_guard lock(m_mutex);
    m_wakeEvent = true;
    m_wake.notify_all();
}

bool CLinkWorker::Pause(std::chrono::milliseconds pause) {
    if (pause.count() <= 0)
        return !m_stopRequested.load();
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, pause, [this] { return m_stopEvent; });
}

void CLinkWorker::Rest() {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, m_timing.idlePoll, [this] { return m_stopEvent || m_wakeEvent; });
}

CLinkWorker::Event CLinkWorker::WaitForEvent() {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, m_timing.workerWait,
                    [this] { return m_stopEvent || m_firmwareEvent || m_normalEvent; });
    if (m_stopEvent)
        return Event::Stop;
    if (m_firmwareEvent)
        return Event::Firmware;
    if (m_normalEvent)
        return Event::Normal;
    return Event::Timeout;
}

void CLinkWorker::Run() {
    for (;;) {
        const Event event = WaitForEvent();
        if (event == Event::Stop)
            break;
        if (event == Event::Firmware) {
            CFirmwareHook* hook = m_command.FirmwareHook();
            if (!hook || hook->UpdateFinished()) {
                std::lock_guard lock(m_mutex);
                m_firmwareEvent = false;
            } else {
                hook->FirmwareCycle(*this);
            }
        } else if (event == Event::Normal) {
            RunNormalCycle();
            if (m_lastCycleIdle && m_timing.idlePoll.count() > 0)
                Rest();
            else if (m_timing.betweenCycles.count() > 0)
                Pause(m_timing.betweenCycles);
            else
                std::this_thread::yield(); // let a UI thread waiting for the link lock get in
        }
    }
    std::lock_guard lock(m_mutex);
    m_running = false;
    m_wake.notify_all();
}

void CLinkWorker::RunNormalCycle() {
    m_lastCycleIdle = false;
    // After a lost link or an empty data reply nothing goes out until the next start.
    if (m_command.StopFlag() || m_stopRequested.load())
        return;
    NormalCycle();
}

CLinkWorker::HeadWrite CLinkWorker::WriteHeadPacket(std::uint64_t serial,
                                                    std::chrono::milliseconds pauseAfterReport) {
    for (;;) {
        Report report{};
        {
            std::lock_guard lock(m_command.LinkLock());
            // The transport may be closing; or the queue changed while this thread was outside the lock.
            SendData* head = m_command.Queue().Head();
            if (m_stopRequested.load() || !head || head->serial != serial)
                return HeadWrite::Interrupted;
            if (!head->HasMoreToSend())
                return HeadWrite::Written;
            const auto frame = head->Frame();
            const std::size_t from = static_cast<std::size_t>(head->readPosition);
            const std::size_t n = std::min(frame.size() - from, static_cast<std::size_t>(kReportSize - 1));
            std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(from), n, report.begin() + 1);
            head->readPosition += static_cast<int>(n);
        }
        if (!m_transport.WriteReport(report))
            return HeadWrite::Failed;
        Pause(pauseAfterReport);
    }
}

void CLinkWorker::ReportLinkLost() {
    m_command.SetStopFlag(true);
    if (m_linkOpen.load() && !m_stopRequested.load())
        m_command.Notifier().Post(UM_LINK_LOST, 0, 0);
}

void CLinkWorker::NormalCycle() {
    const auto start = Clock::now();
    if (!m_linkOpen.load())
        return;
    std::uint64_t serial = 0;
    {
        std::lock_guard lock(m_command.LinkLock());
        // A stop may have been requested while this thread waited for the lock; the transport may be closing.
        if (m_command.StopFlag() || m_stopRequested.load())
            return;
        SendDataQueue& queue = m_command.Queue();
        if (!queue.Head()) {
            {
                // A change marked from now on is not in this frame: its wake must end the rest after it.
                std::lock_guard events(m_mutex);
                m_wakeEvent = false;
            }
            // Only while the queue is empty, and under the lock, so that a pending change never cuts into a
            // batch. The frame goes out in the next cycle.
            queue.Push(m_command.NextPendingMessage());
            if (const SendData* queued = queue.Head(); queued && KTVCommand::IsStatusPoll(*queued))
                m_idlePollSerial = queued->serial;
            return;
        }
        serial = queue.Head()->serial;
    }

    switch (WriteHeadPacket(serial, m_timing.afterOutputReport)) {
    case HeadWrite::Failed:
        ReportLinkLost();
        return;
    case HeadWrite::Interrupted:
        return;
    case HeadWrite::Written:
        break;
    }

    bool onlyEmpty = true;
    while (m_linkOpen.load() && !m_stopRequested.load()) {
        Report report{};
        if (!m_transport.ReadReport(report)) {
            ReportLinkLost(); // the device is gone
            return;
        }
        Pause(m_timing.afterInputReport);
        onlyEmpty = onlyEmpty && IsEmptyReport(report);
        if (onlyEmpty)
            Pause(m_timing.whileEmpty);
        {
            std::lock_guard lock(m_command.LinkLock());
            if (m_stopRequested.load())
                return;
            // Acts on the packet written only: a reply to a packet that has left the queue meanwhile ends
            // the exchange without touching another.
            if (m_command.FeedReply(report, serial)) {
                m_lastCycleIdle = serial == m_idlePollSerial && !m_command.Queue().Head();
                return;
            }
        }
        if (Clock::now() - start > m_timing.replyLimit) {
            Pause(m_timing.linkLostSettle);
            ReportLinkLost();
            return;
        }
    }
}
