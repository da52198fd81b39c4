// One connection of the companion to a device: a session, the terminal that shows it, and the waits on it.
#include "cli/DeviceSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> g_interrupt{0}; // the signal that asked the companion to stop; 0 while none did

extern "C" void OnStopSignal(int signal) {
    g_interrupt.store(signal);
}

constexpr int kEventSliceMs = 5;

} // namespace

SessionOptions CDeviceSession::OptionsFor(const CliOptions& options) {
    SessionOptions s;
    s.device = options.device;
    s.timing = options.Timing();
    s.language = options.language;
    s.sim = options.sim;
    return s;
}

CDeviceSession::CDeviceSession(const CliOptions& options, QTextStream& err)
    : m_err(err), m_session(OptionsFor(options)), m_view(m_session, err, options.language) {
    g_interrupt = 0;
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

CDeviceSession::~CDeviceSession() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool CDeviceSession::Interrupted() const {
    return g_interrupt.load() != 0;
}

bool CDeviceSession::WaitFor(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    QTimer tick; // some conditions change without a notification (the worker pops an acknowledged packet)
    tick.start(kEventSliceMs);
    while (!condition()) {
        const CDeviceController::LinkState state = Controller().State();
        const bool linked =
            state == CDeviceController::LinkState::Open || state == CDeviceController::LinkState::Opening;
        if (Interrupted() || !linked || timer.elapsed() > limitMs)
            return false;
        // Sleeps until a notification, a step of the controller or the tick: the worker keeps the CPU.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

bool CDeviceSession::WaitClosed() {
    QElapsedTimer timer;
    timer.start();
    while (Controller().State() == CDeviceController::LinkState::Closing) {
        if (timer.elapsed() > kCloseLimitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); // the close's own timer wakes it
    }
    return true;
}

int CDeviceSession::Fail(const char* what) {
    const bool open = Controller().LinkOpen();
    Controller().CloseLink();
    WaitClosed(); // a lost link's text comes at the end of its close
    if (Interrupted())
        m_err << "selvano-ctl: interrupted; link closed\n";
    else if (open)
        m_err << "selvano-ctl: " << what << ": no answer in time\n";
    else if (m_view.Messages() == 0)
        m_err << "selvano-ctl: " << what << ": link lost\n";
    m_err.flush();
    return CliExit::kDevice;
}

int CDeviceSession::Connect() {
    if (!Controller().ToggleConnection())
        return CliExit::kDevice; // "unable to connect" is already printed
    if (!WaitFor([this] { return Controller().Connected(); }))
        return Fail("connecting");
    return CliExit::kOk;
}

int CDeviceSession::WaitTransfer() {
    // The popup also goes when a close ends the link; only with the link still open did the device end it.
    if (!WaitFor([this] { return !m_view.TransferActive() && Controller().LinkOpen(); }))
        return Fail("transfer");
    return CliExit::kOk;
}

int CDeviceSession::WaitSettled() {
    Controller().WakeLink(); // the edits just made are marked pending: no idle rest before them
    if (!WaitFor([this] { return Controller().Settled(); }))
        return Fail("sending");
    return CliExit::kOk;
}
