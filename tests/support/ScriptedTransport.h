// A report transport for tests: records every output report and answers from a script instead of a device.
#pragma once

#include "link/ReportTransport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

// The responder sees each output report as it is written and returns the input reports that become readable
// (in order) afterwards; a read with nothing waiting returns an all-zero report. Reads can be held, as a
// wedged device holds them, and a close is checked against the calls running. Thread-safe, so the I/O worker
// may drive it while the test thread inspects it.
class CScriptedTransport : public CReportTransport {
public:
    using Responder = std::function<std::vector<Report>(const Report& written)>;

    bool Open() override;
    void Close() override;
    bool IsOpen() const override { return m_open.load(); }
    bool WriteReport(const Report& report) override;
    bool ReadReport(Report& report) override;
    std::string DevicePath() const override { return IsOpen() ? "scripted" : ""; }

    void SetResponder(Responder responder);
    void QueueInput(const Report& report);
    // Writes and reads fail from now on, as when the device is unplugged.
    void SetFailing(bool failing) { m_failing.store(failing); }
    // From now on every read waits until ReleaseReads, then goes on as usual.
    void HoldReads();
    void ReleaseReads();
    // Waits until a read is being held; false when none was within `limit`.
    bool WaitForHeldRead(std::chrono::milliseconds limit = std::chrono::seconds{10});

    int Closes() const { return m_closes.load(); }
    // Whether Close was ever called while a write or a read was running.
    bool ClosedUnderACall() const { return m_closedUnderACall.load(); }

    std::vector<Report> Written() const;
    int ReadCount() const { return m_reads.load(); }

    // An input report carrying `bytes` after the report id.
    static Report InputReport(std::span<const std::uint8_t> bytes);
    // The frame bytes of an output report (without the report id), cut to `length`.
    static std::vector<std::uint8_t> Payload(const Report& report, std::size_t length);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_holdChanged;
    bool m_holdReads = false;
    bool m_readHeld = false;
    Responder m_responder;
    std::deque<Report> m_input;
    std::vector<Report> m_written;
    std::atomic<bool> m_open{true};
    std::atomic<bool> m_failing{false};
    std::atomic<int> m_reads{0};
    std::atomic<int> m_callsRunning{0};
    std::atomic<int> m_closes{0};
    std::atomic<bool> m_closedUnderACall{false};
};
