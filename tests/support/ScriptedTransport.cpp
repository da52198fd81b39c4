// A report transport for tests: records every output report and answers from a script instead of a device.
#include "support/ScriptedTransport.h"

#include <algorithm>

namespace {

// Counts a write or read as running for as long as it lasts.
class RunningCall {
public:
    explicit RunningCall(std::atomic<int>& running) : m_running(running) { ++m_running; }
    ~RunningCall() { --m_running; }
    RunningCall(const RunningCall&) = delete;
    RunningCall& operator=(const RunningCall&) = delete;

private:
    std::atomic<int>& m_running;
};

} // namespace

bool CScriptedTransport::Open() {
    m_open.store(true);
    return true;
}

void CScriptedTransport::Close() {
    if (m_callsRunning.load() > 0)
        m_closedUnderACall.store(true);
    ++m_closes;
    m_open.store(false);
}

bool CScriptedTransport::WriteReport(const Report& report) {
    const RunningCall running(m_callsRunning);
    if (m_failing.load())
        return false;
    Responder responder;
    {
        std::lock_guard lock(m_mutex);
        m_written.push_back(report);
        responder = m_responder;
    }
    if (!responder)
        return true;
    const std::vector<Report> replies = responder(report);
    std::lock_guard lock(m_mutex);
    m_input.insert(m_input.end(), replies.begin(), replies.end());
    return true;
}

bool CScriptedTransport::ReadReport(Report& report) {
    const RunningCall running(m_callsRunning);
    std::unique_lock lock(m_mutex);
    if (m_holdReads) {
        m_readHeld = true;
        m_holdChanged.notify_all();
        m_holdChanged.wait(lock, [this] { return !m_holdReads; });
        m_readHeld = false;
    }
    if (m_failing.load())
        return false;
    ++m_reads;
    if (m_input.empty()) {
        report.fill(0);
        return true;
    }
    report = m_input.front();
    m_input.pop_front();
    return true;
}

void CScriptedTransport::HoldReads() {
    std::lock_guard lock(m_mutex);
    m_holdReads = true;
}

void CScriptedTransport::ReleaseReads() {
    std::lock_guard lock(m_mutex);
    m_holdReads = false;
    m_holdChanged.notify_all();
}

bool CScriptedTransport::WaitForHeldRead(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_holdChanged.wait_for(lock, limit, [this] { return m_readHeld; });
}

void CScriptedTransport::SetResponder(Responder responder) {
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

void CScriptedTransport::QueueInput(const Report& report) {
    std::lock_guard lock(m_mutex);
    m_input.push_back(report);
}

std::vector<Report> CScriptedTransport::Written() const {
    std::lock_guard lock(m_mutex);
    return m_written;
}

Report CScriptedTransport::InputReport(std::span<const std::uint8_t> bytes) {
    Report r{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), r.size() - 1), r.begin() + 1);
    return r;
}

std::vector<std::uint8_t> CScriptedTransport::Payload(const Report& report, std::size_t length) {
    const std::size_t n = std::min(length, report.size() - 1);
    return {report.begin() + 1, report.begin() + 1 + static_cast<std::ptrdiff_t>(n)};
}
