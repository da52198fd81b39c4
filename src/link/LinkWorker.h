// The I/O worker: one thread that writes the head packet to the device, reads until its reply, and keeps the
// link busy with pending changes and status polls.
#pragma once

#include "link/TimingProfile.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class CReportTransport;
class KTVCommand;

// Three events wake the thread, in priority order stop, firmware cycle, normal cycle; each stays signalled
// until reset, so a signalled normal event makes the worker run normal cycles back to back. The link lock is
// held only while the queue, the image or the reply storage is read or changed, never across a transport
// call or a pause, so the UI thread waits for it at most for one such step. The worker never waits for the
// UI thread; it only posts notifications.
class CLinkWorker {
public:
    // How writing the head packet ended: all of it went out; a stop was requested or the head is no longer
    // that packet (nothing more of it goes out); the transport failed.
    enum class HeadWrite { Written, Interrupted, Failed };

    CLinkWorker(KTVCommand& command, CReportTransport& transport, const TimingProfile& timing);
    ~CLinkWorker(); // stops and joins the thread
    CLinkWorker(const CLinkWorker&) = delete;
    CLinkWorker& operator=(const CLinkWorker&) = delete;

    // Called after the transport was opened: clears the stop flag, marks the link open and starts (or wakes)
    // the thread with the firmware-cycle event while an update is in progress, the normal-cycle event
    // otherwise.
    void StartLinkIO();
    // Asks the thread to stop and returns at once; the link counts as closed from now on. The thread stops at
    // its next check: pauses are cut short, a transport call under way is left to finish, and no other call
    // follows it.
    void RequestStop();
    // True while no thread is in its loop: never started, or it has left it, and with it its last transport
    // call. Only then may the transport be closed (with hidapi a close frees what a running call uses).
    bool HasStopped() const;
    // RequestStop, then waits at most the profile's stop limit for the thread to leave and joins it. False
    // when it is still inside a transport call by then; the next start or the destructor joins it.
    bool StopLinkIO();
    // Something was queued or marked pending: the rest between idle status polls ends at once. The queue
    // calls this on every push; the UI calls it after it marks a change pending.
    void Wake();

    // Marks the link open without starting the thread, so that a caller may drive cycles itself.
    void OpenLink();
    bool LinkOpen() const { return m_linkOpen.load(); }
    bool IsRunning() const;

    // One normal cycle: queue the next pending change when the queue is empty, otherwise write the head
    // packet and read until its reply or the reply limit.
    void RunNormalCycle();

    // Building blocks for the firmware cycle.
    KTVCommand& Command() const { return m_command; }
    CReportTransport& Transport() const { return m_transport; }
    const TimingProfile& Timing() const { return m_timing; }
    // Writes what is left of the head packet, numbered `serial`, in 313-byte reports, pausing after each. The
    // link lock is taken only to take each report's bytes; the caller does not hold it.
    HeadWrite WriteHeadPacket(std::uint64_t serial, std::chrono::milliseconds pauseAfterReport);
    // Sleeps up to `pause`; returns false at once when a stop is requested.
    bool Pause(std::chrono::milliseconds pause);
    bool StopRequested() const { return m_stopRequested.load(); }
    // Posts the link loss (when the link is still open) and halts normal cycles until the next start.
    void ReportLinkLost();

private:
    enum class Event { Stop, Firmware, Normal, Timeout };

    void Run();
    Event WaitForEvent();
    void NormalCycle();
    // The idle pace: sleeps up to the profile's idle poll, ended early by a wake or a stop.
    void Rest();
    void JoinLeftoverThread();

    KTVCommand& m_command;
    CReportTransport& m_transport;
    const TimingProfile m_timing;

    // Guards the events and the running flag; never held while the link lock is being taken.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopEvent = false;
    bool m_firmwareEvent = false;
    bool m_normalEvent = false;
    bool m_wakeEvent = false; // set by Wake, cleared as the worker looks for pending changes
    bool m_running = false;   // the thread is inside its loop
    std::thread m_thread;

    // Owned by the thread running the cycles.
    std::uint64_t m_idlePollSerial = 0; // the status poll queued last because nothing was pending
    bool m_lastCycleIdle = false;       // the last cycle exchanged that poll and left the queue empty

    std::atomic<bool> m_stopRequested{false}; // mirror of the stop event for cheap checks inside a cycle
    std::atomic<bool> m_linkOpen{false};
};
