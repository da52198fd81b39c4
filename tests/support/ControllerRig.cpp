// A session on a simulated device in this process, for end-to-end tests with the fast profile.
#include "support/ControllerRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

QString DescribeFrame(const SimFrame& f) {
    const char direction = f.header.command == 0xB3 ? 'W' : f.header.command == 0xB4 ? 'R' : '?';
    return QStringLiteral("%1 %2/%3 s%4 p%5")
        .arg(direction)
        .arg(f.header.type)
        .arg(f.header.index)
        .arg(f.header.slice == 0xAB ? QStringLiteral("AB") : QString::number(f.header.slice))
        .arg(f.header.preset);
}

QStringList TraceLines(const CSimDevice& sim) {
    QStringList out;
    for (const SimFrame& f : sim.Trace())
        out << DescribeFrame(f);
    return out;
}

int CountWrites(const QStringList& trace) {
    int n = 0;
    for (const QString& line : trace)
        n += line.startsWith(QLatin1Char('W')) ? 1 : 0;
    return n;
}

TimingProfile CControllerRig::Timing() {
    TimingProfile t = TimingProfile::Fast();
    t.betweenCycles = std::chrono::milliseconds{1};
    return t;
}

namespace {

SessionOptions RigOptions(const std::shared_ptr<CSimDevice>& sim,
                          const std::function<void(SessionOptions&)>& adjust) {
    SessionOptions o;
    o.device.kind = DeviceOption::Kind::Sim;
    o.sim = sim;
    o.timing = CControllerRig::Timing();
    if (adjust)
        adjust(o);
    return o;
}

} // namespace

CControllerRig::CControllerRig(const std::function<void(SessionOptions&)>& adjust)
    : session(RigOptions(sim, adjust)) {}

bool CControllerRig::WaitFor(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    QTimer tick; // wakes the loop for conditions that change without an event (the device's counters)
    tick.start(5);
    while (!condition()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

bool CControllerRig::Connect() {
    return C().ToggleConnection() && WaitFor([this] { return C().Connected(); });
}

bool CControllerRig::WaitForPolls(int n) {
    const int target = sim->Counters().statusPolls + n;
    return WaitFor([&] { return sim->Counters().statusPolls >= target; });
}

void CControllerRig::ClearTrace() {
    sim->ClearTrace();
    m_writesBefore = sim->Counters().writes;
}

int CControllerRig::WriteCount() const {
    return sim->Counters().writes - m_writesBefore;
}
