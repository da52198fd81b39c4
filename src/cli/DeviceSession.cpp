// One connection of the companion to a device: model, controller and terminal view, and the waits on them.
#include "cli/DeviceSession.h"

#include "link/HidTransport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> g_interrupt{0}; // the signal that asked the companion to stop; 0 while none did

extern "C" void OnStopSignal(int signal) {
    g_interrupt.store(signal);
}

constexpr int kEventSliceMs = 5;

} // namespace

CDeviceSession::CDeviceSession(const CliOptions& options, QTextStream& err)
    : m_err(err), m_view(err, options.language), m_g(std::make_unique<ModelGlobals>()) {
    ResetModelGlobals(*m_g);
    m_g->language = options.language;
    m_data = std::make_unique<CKTV_Data>(*m_g);
    m_data->ApplyAll(m_g->liveImage, 0);
    const TimingProfile timing = options.Timing();
    if (options.device.kind == DeviceOption::Kind::Usb)
        CHidTransport::InitLibrary();
    m_access = options.device.MakeAccess(nullptr, timing.readWait);
    m_controller = std::make_unique<CDeviceController>(*m_g, *m_data, *m_access, m_view, timing);
    m_editor = std::make_unique<CModelEditor>(*m_controller);
    m_presets = std::make_unique<CPresetMemories>(*m_controller);
    g_interrupt = 0;
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

CDeviceSession::~CDeviceSession() {
    m_presets.reset();
    m_editor.reset();
    if (m_controller->LinkOpen())
        m_controller->CloseLink();
    m_controller.reset();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool CDeviceSession::Interrupted() const {
    return g_interrupt.load() != 0;
}

bool CDeviceSession::WaitFor(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        const bool linked = m_controller->LinkOpen() || m_controller->FirmwareUpdating();
        if (Interrupted() || !linked || timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, kEventSliceMs);
    }
    return true;
}

int CDeviceSession::Fail(const char* what) {
    if (Interrupted())
        m_err << "selvano-ctl: interrupted; link closed\n";
    else if (m_controller->LinkOpen())
        m_err << "selvano-ctl: " << what << ": no answer in time\n";
    else if (m_view.Messages() == 0)
        m_err << "selvano-ctl: " << what << ": link lost\n";
    m_err.flush();
    if (m_controller->LinkOpen())
        m_controller->CloseLink();
    return CliExit::kDevice;
}

int CDeviceSession::Connect() {
    if (!m_controller->ToggleConnection())
        return CliExit::kDevice; // "unable to connect" is already printed
    if (!WaitFor([this] { return m_controller->Connected(); }))
        return Fail("connecting");
    return CliExit::kOk;
}

int CDeviceSession::WaitTransfer() {
    if (!WaitFor([this] { return !m_view.TransferActive(); }))
        return Fail("transfer");
    return CliExit::kOk;
}

bool CDeviceSession::NothingPending() {
    if (m_g->systemPending.load() != 0)
        return false;
    for (int c = 0; c < Layout::kChannels; ++c) {
        const CKTV_OutData& ch = m_data->Channel(c);
        if (ch.GetNamePending() || ch.GetGainPending() || ch.GetMixPendingA() || ch.GetMixPendingB() ||
            ch.GetLimPending() || ch.XoverPending() || ch.FirstPendingBand() >= 0)
            return false;
    }
    std::lock_guard lock(m_controller->Command().LinkLock());
    return m_controller->Command().Queue().Count() == 0;
}

int CDeviceSession::WaitSettled() {
    m_controller->Worker().Wake(); // the edits just made are marked pending: no idle rest before them
    if (!WaitFor([this] { return NothingPending(); }))
        return Fail("sending");
    return CliExit::kOk;
}
