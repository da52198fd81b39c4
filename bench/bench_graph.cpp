// The response graph at the main window's size on the offscreen platform: one drag frame (mouse move, the
// filter and the channel sum recomputed, the changed region repainted with eight curves shown), the same
// frame with the cached grid layer drawn anew, a whole-graph and a whole-window repaint, and the program's
// own main window (every region filled) repainted whole.
#include "app/DisplayDlg.h"
#include "app/InterfaceLanguage.h"
#include "app/MainFrame.h"
#include "app/TavelView.h"
#include "control/DeviceController.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "editors/FStatic.h"
#include "model/KTV_Data.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Widgets need an application; it lives until the process ends.
QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_graph";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        qputenv("QT_FONT_DPI", "96");
        return new QApplication(argc, argv);
    }();
    return *app;
}

SessionOptions Options() {
    SessionOptions options;
    options.device = DeviceOption{DeviceOption::Kind::Sim, {}};
    options.timing = TimingProfile::Fast();
    return options;
}

// Counts the graph's paint events, so a frame that painted nothing shows.
class PaintCounter : public QObject {
public:
    long long paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The window at 1284 x 702 with the graph at 308, 44; every channel tuned a little and shown; band 18 of
// channel 0 (1 kHz, one octave wide) held by the mouse. Linked: channel 1 is in channel 0's group, so its
// curve moves too (and the layer of the other channels' curves is drawn anew each frame).
struct Rig {
    CSession session{Options()};
    QWidget window;
    CFStatic* graph = new CFStatic(&window);
    PaintCounter counter;
    QPoint grabbed;

    explicit Rig(bool linked) {
        window.resize(1284, 702);
        graph->setGeometry(308, 44, 692, 348);
        graph->Attach(session);
        CModelEditor& e = session.Editor();
        for (int c = 0; c < 8; ++c) {
            e.SetXoverFreq(c, Xover::HighPass, 40 + 10 * c);
            e.SetXoverFreq(c, Xover::LowPass, 16000 - 500 * c);
            e.MoveBand(c, 5 + c, 60 + 20 * c, 230 + 5 * c);
            e.MoveBand(c, 20 + c, 2000 + 400 * c, 180 - 4 * c);
            graph->SetChannelShown(c, true);
        }
        e.MoveBand(0, 17, 1000, 260);
        e.SetBandBandwidth(0, 17, 95);
        if (linked)
            e.CopyIntoGroup(1, 0);
        graph->ShowChannel(0);
        window.show();
        QApplication::processEvents();
        graph->installEventFilter(&counter);
        const QRect handle = session.Data().Channel(0).Band(17).HandleRect();
        grabbed = handle.center();
        Mouse(QEvent::MouseMove, grabbed, Qt::NoButton);
        Mouse(QEvent::MouseButtonPress, grabbed, Qt::LeftButton);
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, graph->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(graph, &event);
    }

    // One drag frame: the pointer moves up or down by `dy` from the grab point and the result is painted.
    void DragFrame(int dy) {
        Mouse(QEvent::MouseMove, grabbed + QPoint(dy / 3, dy), Qt::LeftButton);
        QApplication::processEvents();
    }
};

Rig& TheRig(bool linked = false) {
    App();
    static Rig* rig = new Rig(false);
    static Rig* linkedRig = new Rig(true);
    return linked ? *linkedRig : *rig;
}

// Paint events of the graph per iteration, so a frame that painted nothing shows.
void CountPaints(benchmark::State& state, const Rig& rig, long long before) {
    state.counters["paints"] = benchmark::Counter(static_cast<double>(rig.counter.paints - before),
                                                  benchmark::Counter::kAvgIterations);
}

void BM_DragFrame(benchmark::State& state) {
    Rig& rig = TheRig();
    const long long before = rig.counter.paints;
    int i = 0;
    for (auto _ : state)
        rig.DragFrame((++i & 1) ? 30 : -30);
    CountPaints(state, rig, before);
}
BENCHMARK(BM_DragFrame)->Unit(benchmark::kMicrosecond);

void BM_DragFrameLinked(benchmark::State& state) {
    Rig& rig = TheRig(true);
    const long long before = rig.counter.paints;
    int i = 0;
    for (auto _ : state)
        rig.DragFrame((++i & 1) ? 30 : -30);
    CountPaints(state, rig, before);
}
BENCHMARK(BM_DragFrameLinked)->Unit(benchmark::kMicrosecond);

// The same frame when the grid, axes, labels and watermark are drawn anew each time (no cached layer).
void BM_DragFrameGridRedrawn(benchmark::State& state) {
    Rig& rig = TheRig();
    const long long before = rig.counter.paints;
    int i = 0;
    for (auto _ : state) {
        rig.graph->InvalidateLayers();
        rig.DragFrame((++i & 1) ? 30 : -30);
    }
    CountPaints(state, rig, before);
}
BENCHMARK(BM_DragFrameGridRedrawn)->Unit(benchmark::kMicrosecond);

void BM_GraphRepaint(benchmark::State& state) {
    Rig& rig = TheRig();
    const long long before = rig.counter.paints;
    for (auto _ : state) {
        rig.graph->update();
        QApplication::processEvents();
    }
    CountPaints(state, rig, before);
}
BENCHMARK(BM_GraphRepaint)->Unit(benchmark::kMicrosecond);

void BM_GraphRepaintGridRedrawn(benchmark::State& state) {
    Rig& rig = TheRig();
    const long long before = rig.counter.paints;
    for (auto _ : state) {
        rig.graph->InvalidateLayers();
        rig.graph->update();
        QApplication::processEvents();
    }
    CountPaints(state, rig, before);
}
BENCHMARK(BM_GraphRepaintGridRedrawn)->Unit(benchmark::kMicrosecond);

void BM_WindowRepaint(benchmark::State& state) {
    Rig& rig = TheRig();
    const long long before = rig.counter.paints;
    // An update of the window alone leaves its opaque children alone: every widget is marked.
    const QList<QWidget*> children = rig.window.findChildren<QWidget*>();
    for (auto _ : state) {
        rig.window.update();
        for (QWidget* child : children)
            child->update();
        QApplication::processEvents();
    }
    CountPaints(state, rig, before);
}
BENCHMARK(BM_WindowRepaint)->Unit(benchmark::kMicrosecond);

// The program's main window as it starts: connected to the simulated device at its own pace, every region
// filled (car picture, graph, master and crossover panels, routing and Link, strips, EQ page).
struct MainWindowRig {
    CSession session{[] {
        SessionOptions options = Options();
        options.timing = TimingProfile::Simulated();
        return options;
    }()};
    CInterfaceLanguage language;
    CMainFrame frame{session, language};
    PaintCounter counter;

    MainWindowRig() {
        frame.move(0, 0);
        frame.show();
        session.Controller().ToggleConnection();
        QElapsedTimer waited;
        waited.start();
        while (!(session.Controller().Connected() && !frame.View().TransferPopup().isVisible()) &&
               waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        for (QWidget* w : frame.findChildren<QWidget*>())
            w->installEventFilter(&counter);
    }
};

void BM_MainWindowRepaint(benchmark::State& state) {
    App();
    QStandardPaths::setTestModeEnabled(true);      // the form's settings store stays out of the user's own
    static MainWindowRig* rig = new MainWindowRig; // lives until the process ends, like the application
    if (!rig->session.Controller().Connected()) {
        state.SkipWithError("the simulated device did not connect");
        return;
    }
    const QList<QWidget*> widgets = rig->frame.findChildren<QWidget*>();
    const long long before = rig->counter.paints;
    for (auto _ : state) {
        for (QWidget* w : widgets)
            w->update();
        QApplication::processEvents();
    }
    state.counters["paints"] = benchmark::Counter(static_cast<double>(rig->counter.paints - before),
                                                  benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_MainWindowRepaint)->Unit(benchmark::kMicrosecond);

} // namespace
