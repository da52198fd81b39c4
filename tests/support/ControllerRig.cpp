// The controller wired to a simulated device in this process, for end-to-end tests with the fast profile.
#include "support/ControllerRig.h"

#include "sim/InProcessTransport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

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

TimingProfile CControllerRig::DefaultTiming() {
    TimingProfile t = TimingProfile::Fast();
    t.betweenCycles = std::chrono::milliseconds{1};
    return t;
}

CControllerRig::CControllerRig(const TimingProfile& timing)
    : access(std::make_unique<CInProcessTransport>(sim)) {
    model.g->language = 0;
    controller = std::make_unique<CDeviceController>(*model.g, *model.data, access, view, timing);
}

CControllerRig::~CControllerRig() {
    controller.reset();
}

bool CControllerRig::WaitFor(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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
