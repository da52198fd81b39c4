// Response graph: drags of band, bandwidth and crossover handles, number alignment, the rate of the owner's
// notifications, wheel, double-click and keys through the edit entry point with a linked channel, repaint
// regions, accessibility, the drawn look, and a drag that reaches the simulated device.
#include "ManualTimeline.h"

#include "control/DeviceController.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "editors/FStatic.h"
#include "link/Notifier.h"
#include "link/QtNotifier.h"
#include "model/KTV_Data.h"
#include "sim/SimDevice.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPaintEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <functional>
#include <memory>

namespace {

constexpr int kW = 692 - 45; // plot size of a graph at its size hint
constexpr int kH = 348 - 30;
constexpr int kLimitMs = 10000;
constexpr int kHighPass = CFStatic::kHighPassPoint;
constexpr int kLowPass = CFStatic::kLowPassPoint;

SessionOptions OnSimulatedDevice() {
    SessionOptions options;
    options.device = DeviceOption{DeviceOption::Kind::Sim, {}};
    options.timing = TimingProfile::Fast();
    return options;
}

int GridHz(int index) {
    return static_cast<int>(g_freqGrid[static_cast<std::size_t>(index)]);
}

bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > kLimitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Window coordinates of a plot pixel.
QPoint Window(QPoint plot) {
    return plot + QPoint(CFStatic::kPlotLeft, CFStatic::kPlotTop);
}

QPoint Centre(const QRect& r) {
    return {r.x() + r.width() / 2, r.y() + r.height() / 2};
}

// The 0.1 dB step nearest to the gain of plot row y.
int CodeOfRow(int y) {
    return static_cast<int>(std::lround((20.0 - y * 40.0 / kH) * 10.0)) + kEqGainCodeZero;
}

// Counts the graph's posted notifications.
class Owner : public QObject {
public:
    int count = 0;
    std::intptr_t wParam = -1;
    std::intptr_t lParam = -1;

protected:
    bool event(QEvent* event) override {
        if (event->type() == static_cast<QEvent::Type>(UM_GRAPH_POINT_MOVED)) {
            auto* message = static_cast<CQtNotifier::MessageEvent*>(event);
            ++count;
            wParam = message->WParam();
            lParam = message->LParam();
            return true;
        }
        return QObject::event(event);
    }
};

// A session (not connected unless a test connects it) and the graph on it, shown at its size hint, its
// notification timer on a hand-driven clock. Channels 0 and 1 are one link group.
struct Rig {
    CSession session{OnSimulatedDevice()};
    CManualTimeline clock;
    Owner owner;
    CFStatic graph;

    explicit Rig(bool linked = true) {
        graph.SetNotifyTimer(clock.NewTimer());
        graph.SetOwner(&owner);
        graph.resize(graph.sizeHint());
        graph.Attach(session);
        graph.show();
        Editor().ResetEq(0); // bands at the third-octave centres (the factory block has others)
        if (linked)
            Editor().CopyIntoGroup(1, 0);
    }

    CModelEditor& Editor() { return session.Editor(); }
    CFilter& Filter(int index, int channel = 0) {
        return session.Data().Channel(channel).Filters().Filter(index);
    }

    // The pointer over `at` with no button held. (QTest moves the system cursor for that, which the
    // offscreen platform does not turn into events.)
    void Hover(QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, graph.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&graph, &move);
    }

    // Presses at `from`, moves in `steps` even steps and releases at `to` (window coordinates).
    void Drag(QPoint from, QPoint to, int steps = 8) {
        Hover(from);
        QTest::mousePress(&graph, Qt::LeftButton, Qt::NoModifier, from);
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(&graph, from + (to - from) * i / steps);
        QTest::mouseRelease(&graph, Qt::LeftButton, Qt::NoModifier, to);
    }

    // Where a band's value sits on the graph (window coordinates).
    QPoint ValuePoint(int band) {
        const CFilter& f = Filter(band);
        const double gain = f.GetEffectiveBypass() ? 0.0 : f.GetGain();
        return Window({GraphXOfFreq(f.GetFreq(), kW), GraphYOfGain(gain, kH)});
    }
};

void ExpectSameBand(Rig& rig, int band) {
    const CFilter& a = rig.Filter(band, 0);
    const CFilter& b = rig.Filter(band, 1);
    QCOMPARE(b.GetFreq(), a.GetFreq());
    QCOMPARE(b.GetGainCode(), a.GetGainCode());
    QCOMPARE(b.GetQIndex(), a.GetQIndex());
    QCOMPARE(b.GetEffectiveBypass(), a.GetEffectiveBypass());
}

} // namespace

class TestFStatic : public QObject {
    Q_OBJECT

private slots:
    void geometry();
    void bandDrag_data();
    void bandDrag();
    void graphicBandMovesOnlyVertically();
    void bandwidthDrag_data();
    void bandwidthDrag();
    void crossoverDrag_data();
    void crossoverDrag();
    void grabbingOffCentreMakesNoJumpWithHandCursors();
    void numberAlignment_data();
    void numberAlignment();
    void notificationsAtMostEvery50ms();
    void wheel_data();
    void wheel();
    void doubleClickTogglesBypass();
    void keys_data();
    void keys();
    void tabSelectsTheNextFilter();
    void hoverRepaintsOnlyAroundTheHandle();
    void partialRepaintsAddUpToTheWholePicture();
    void accessibility();
    void drawnLook();
    void dragReachesTheDevice();
};

void TestFStatic::geometry() {
    Rig rig;
    QCOMPARE(rig.graph.sizeHint(), QSize(692, 348));
    QCOMPARE(rig.graph.PlotRect(), QRect(35, 10, kW, kH));
    QCOMPARE(rig.Filter(17).GetGraphWidth(), kW);
    rig.graph.ShowChannel(3);
    QCOMPARE(rig.graph.SourceId(), 768 + 3);
    QCOMPARE(rig.graph.Mode(), 4);
}

void TestFStatic::bandDrag_data() {
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("startCode");
    QTest::addColumn<QPoint>("target"); // plot pixel the value is dragged to
    QTest::addColumn<int>("freq");
    QTest::addColumn<int>("code");

    const auto x = [](int f) { return GraphXOfFreq(f, kW); };
    const auto y = [](double g) { return GraphYOfGain(g, kH); };
    QTest::newRow("boost") << 17 << int(CFilter::Peak) << 200 << QPoint(x(3000), y(8.0))
                           << FreqOfGraphX(x(3000), kW) << CodeOfRow(y(8.0));
    QTest::newRow("cut") << 10 << int(CFilter::Peak) << 260 << QPoint(x(80), y(-12.5))
                         << FreqOfGraphX(x(80), kW) << CodeOfRow(y(-12.5));
    QTest::newRow("to 0 dB bypasses")
        << 20 << int(CFilter::Peak) << 260 << QPoint(x(2000), kH / 2) << FreqOfGraphX(x(2000), kW) << 200;
    QTest::newRow("beyond the top left") << 12 << int(CFilter::Peak) << 220 << QPoint(-60, -60) << 20 << 400;
    QTest::newRow("beyond the bottom right")
        << 12 << int(CFilter::Peak) << 220 << QPoint(kW + 60, kH + 60) << 20000 << 0;
    QTest::newRow("low shelf stops at 2 kHz")
        << 3 << int(CFilter::LowShelf) << 250 << QPoint(x(5000), y(5.0)) << 2000 << CodeOfRow(y(5.0));
    QTest::newRow("high shelf stops at 2 kHz")
        << 27 << int(CFilter::HighShelf) << 250 << QPoint(x(500), y(-5.0)) << 2000 << CodeOfRow(y(-5.0));
}

void TestFStatic::bandDrag() {
    QFETCH(int, band);
    QFETCH(int, kind);
    QFETCH(int, startCode);
    QFETCH(QPoint, target);
    QFETCH(int, freq);
    QFETCH(int, code);
    Rig rig;
    rig.Filter(band, 0).SetKind(kind);
    rig.Filter(band, 1).SetKind(kind);
    rig.Editor().SetBandGain(0, band, startCode);

    rig.Drag(rig.ValuePoint(band), Window(target));
    const CFilter& f = rig.Filter(band);
    QCOMPARE(f.GetFreq(), freq);
    QCOMPARE(f.GetGainCode(), code);
    QCOMPARE(f.GetEffectiveBypass(), code == 200 ? 1 : 0);
    ExpectSameBand(rig, band);
}

void TestFStatic::graphicBandMovesOnlyVertically() {
    Rig rig;
    rig.Editor().SetEqMode(0, 1);
    rig.Editor().SetBandGain(0, 17, 260);
    const QPoint start = rig.ValuePoint(17);
    rig.Drag(start, start + QPoint(120, 40));
    QCOMPARE(rig.Filter(17).GetFreq(), 1000);
    QCOMPARE(rig.Filter(17).GetGainCode(), CodeOfRow(start.y() + 40 - CFStatic::kPlotTop));

    // No bandwidth handles: a drag where the upper one would be moves the band's value instead, if anything.
    const int bandwidth = rig.Filter(17).GetQIndex();
    const QPoint wouldBe = Centre(rig.Filter(17).BwHighRect());
    rig.Drag(wouldBe, wouldBe + QPoint(80, 0));
    QCOMPARE(rig.Filter(17).GetQIndex(), bandwidth);
    QCOMPARE(rig.Filter(17).GetFreq(), 1000);
}

void TestFStatic::bandwidthDrag_data() {
    QTest::addColumn<bool>("upper");
    QTest::addColumn<int>("edgeX"); // plot column the bandwidth edge is dragged to
    QTest::addColumn<QString>("q");

    QTest::newRow("upper to one octave") << true << GraphXOfFreq(2000, kW) << "1.414";
    QTest::newRow("lower to one octave") << false << GraphXOfFreq(500, kW) << "1.414";
    QTest::newRow("upper past the centre") << true << GraphXOfFreq(200, kW) << "16.03"; // 0.09 octave
    QTest::newRow("upper beyond 3 octaves") << true << kW + 100 << "0.404";
}

void TestFStatic::bandwidthDrag() {
    QFETCH(bool, upper);
    QFETCH(int, edgeX);
    QFETCH(QString, q);
    Rig rig;
    rig.Editor().SetBandGain(0, 17, 260); // 1000 Hz, +6 dB, 0.2 octave
    rig.Hover(rig.ValuePoint(17));        // the hovered band shows its bandwidth handles
    const CFilter& f = rig.Filter(17);
    const QRect handle = upper ? f.BwHighRect() : f.BwLowRect();
    const int edge = GraphXOfFreq(upper ? f.GetFreq() * std::pow(2.0, f.GetBandwidth())
                                        : f.GetFreq() / std::pow(2.0, f.GetBandwidth()),
                                  kW);
    // The handle hangs 10 pixels outside the edge it sets; grabbed at its centre it keeps that distance.
    const QPoint from = Centre(handle);
    rig.Drag(from, from + QPoint(edgeX - edge, 0));
    QCOMPARE(f.QText(), q);
    if (q == "1.414")
        QCOMPARE(f.BandwidthText(), QString("1.00Oct"));
    QCOMPARE(f.GetFreq(), 1000);
    ExpectSameBand(rig, 17);
}

void TestFStatic::crossoverDrag_data() {
    QTest::addColumn<int>("highPass");
    QTest::addColumn<int>("lowPass");
    QTest::addColumn<int>("dragged");
    QTest::addColumn<int>("targetX"); // plot column
    QTest::addColumn<int>("expectHighPass");
    QTest::addColumn<int>("expectLowPass");

    const auto x = [](int f) { return GraphXOfFreq(f, kW); };
    QTest::newRow("high-pass to a pixel")
        << 100 << 20000 << kHighPass << x(300) << FreqOfGraphX(x(300), kW) << 20000;
    QTest::newRow("high-pass far left is 20 Hz") << 200 << 20000 << kHighPass << -100 << 20 << 20000;
    QTest::newRow("high-pass stops at the low-pass") << 100 << 1000 << kHighPass << x(5000) << 1000 << 1000;
    QTest::newRow("low-pass stops at the high-pass") << 1000 << 10000 << kLowPass << x(100) << 1000 << 1000;
    QTest::newRow("low-pass far right is 20 kHz") << 20 << 5000 << kLowPass << kW + 50 << 20 << 20000;
}

void TestFStatic::crossoverDrag() {
    QFETCH(int, highPass);
    QFETCH(int, lowPass);
    QFETCH(int, dragged);
    QFETCH(int, targetX);
    QFETCH(int, expectHighPass);
    QFETCH(int, expectLowPass);
    Rig rig;
    rig.Editor().SetXoverFreq(0, Xover::LowPass, lowPass);
    rig.Editor().SetXoverFreq(0, Xover::HighPass, highPass);
    const CFilter& f = rig.Filter(dragged);
    const QPoint from(GraphXOfFreq(f.GetFreq(), kW) + CFStatic::kPlotLeft, Centre(f.HandleRect()).y());
    rig.Drag(from, QPoint(targetX + CFStatic::kPlotLeft, from.y() + 30)); // the height does not matter

    QCOMPARE(rig.Filter(kHighPass).GetFreq(), expectHighPass);
    QCOMPARE(rig.Filter(kLowPass).GetFreq(), expectLowPass);
    QCOMPARE(rig.Filter(kHighPass, 1).GetFreq(), expectHighPass);
    QCOMPARE(rig.Filter(kLowPass, 1).GetFreq(), expectLowPass);
    for (int i : {kHighPass, kLowPass}) {
        const int off = i == kHighPass ? 20 : 20000;
        if (rig.Filter(i).GetFreq() == off) {
            const auto& response = rig.Filter(i).Response();
            QVERIFY(std::all_of(response.begin(), response.end(), [](double db) { return db == 0.0; }));
        }
    }
}

void TestFStatic::grabbingOffCentreMakesNoJumpWithHandCursors() {
    Rig rig;
    rig.Editor().SetBandGain(0, 30, 300); // 20 kHz: the handle is pulled inside, away from the value
    const QPoint handle = Centre(rig.Filter(30).HandleRect());
    QVERIFY(handle != rig.ValuePoint(30));
    rig.Hover(handle + QPoint(5, 4));
    QCOMPARE(rig.graph.cursor().shape(), Qt::OpenHandCursor);
    QTest::mousePress(&rig.graph, Qt::LeftButton, Qt::NoModifier, handle + QPoint(5, 4));
    QCOMPARE(rig.graph.cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseMove(&rig.graph, handle + QPoint(5, 5)); // down by one pixel row only
    QCOMPARE(rig.Filter(30).GetFreq(), 20000);
    QVERIFY(rig.Filter(30).GetGainCode() < 300);
    QTest::mouseMove(&rig.graph, handle + QPoint(5 - 40, 5));
    QTest::mouseRelease(&rig.graph, Qt::LeftButton, Qt::NoModifier, handle + QPoint(5 - 40, 5));
    QCOMPARE(rig.Filter(30).GetFreq(), FreqOfGraphX(GraphXOfFreq(20000, kW) - 40, kW));
    QCOMPARE(rig.graph.cursor().shape(), Qt::OpenHandCursor); // still over the handle
    rig.Hover(QPoint(5, 5));
    QCOMPARE(rig.graph.cursor().shape(), Qt::ArrowCursor);
}

void TestFStatic::numberAlignment_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("freq"); // 0: where the set puts it
    QTest::addColumn<int>("alignment");

    QTest::newRow("band at 20 Hz") << 0 << 0 << int(Qt::AlignRight);
    QTest::newRow("band at 20 kHz") << 30 << 0 << int(Qt::AlignLeft);
    QTest::newRow("band touching the right edge") << 29 << 19000 << int(Qt::AlignLeft);
    QTest::newRow("band at 1 kHz") << 17 << 0 << int(Qt::AlignHCenter);
    QTest::newRow("high-pass at 20 Hz") << kHighPass << 0 << int(Qt::AlignRight);
    QTest::newRow("low-pass at 20 kHz") << kLowPass << 0 << int(Qt::AlignLeft);
    QTest::newRow("low-pass at 5 kHz") << kLowPass << 5000 << int(Qt::AlignHCenter);
}

void TestFStatic::numberAlignment() {
    QFETCH(int, index);
    QFETCH(int, freq);
    QFETCH(int, alignment);
    Rig rig;
    if (freq != 0 && index < Layout::kBands)
        rig.Editor().SetBandFreq(0, index, freq);
    else if (freq != 0)
        rig.Editor().SetXoverFreq(0, Xover::LowPass, freq);
    QCOMPARE(int(rig.graph.NumberAlignment(index) & Qt::AlignHorizontal_Mask), alignment);
}

void TestFStatic::notificationsAtMostEvery50ms() {
    Rig rig;
    QSignalSpy moved(&rig.graph, &CFStatic::pointMoved);
    rig.Editor().SetBandGain(0, 14, 300);
    const QPoint start = rig.ValuePoint(14);
    rig.Hover(start);
    QTest::mousePress(&rig.graph, Qt::LeftButton, Qt::NoModifier, start);
    // One second of moves every 5 ms, each changing the gain.
    for (int t = 0; t < 1000; t += 5) {
        QTest::mouseMove(&rig.graph, start + QPoint(0, t / 5));
        rig.clock.Advance(5);
    }
    QTest::mouseRelease(&rig.graph, Qt::LeftButton, Qt::NoModifier, start + QPoint(0, 199));
    QCoreApplication::sendPostedEvents(&rig.owner);
    QVERIFY2(rig.owner.count <= 20, qPrintable(QString::number(rig.owner.count)));
    QVERIFY(rig.owner.count >= 19);
    QCOMPARE(moved.count(), rig.owner.count);
    QCOMPARE(rig.owner.wParam, 14);
    QCOMPARE(rig.owner.lParam, 768);

    // Nothing more once the changes stop.
    rig.clock.Advance(500);
    QCoreApplication::sendPostedEvents(&rig.owner);
    const int settled = rig.owner.count;
    rig.clock.Advance(500);
    QCoreApplication::sendPostedEvents(&rig.owner);
    QCOMPARE(rig.owner.count, settled);
}

void TestFStatic::wheel_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("notches");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<int>("expected"); // bandwidth index of a band, slope of a crossover

    QTest::newRow("up narrows") << 17 << 1 << false << 15 - 5;
    QTest::newRow("down widens") << 17 << -2 << false << 15 + 10;
    QTest::newRow("ctrl is finer") << 17 << -1 << true << 15 + 1;
    QTest::newRow("never below 0.09 octave") << 17 << 5 << false << 4;
    QTest::newRow("high-pass steeper") << kHighPass << 1 << false << 3;
    QTest::newRow("low-pass gentler") << kLowPass << -1 << false << 1;
    QTest::newRow("below 6 dB/Oct is off") << kLowPass << -4 << false << 6;
}

void TestFStatic::wheel() {
    QFETCH(int, index);
    QFETCH(int, notches);
    QFETCH(bool, ctrl);
    QFETCH(int, expected);
    Rig rig;
    rig.Editor().SetBandGain(0, 17, 260);
    const QPoint at = Centre(rig.Filter(index).HandleRect());
    rig.Hover(at);
    QWheelEvent event(at, rig.graph.mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      ctrl ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&rig.graph, &event);
    for (int channel : {0, 1}) {
        const CFilter& f = rig.Filter(index, channel);
        QCOMPARE(index < Layout::kBands ? f.GetQIndex() : f.GetSlope(), expected);
    }
}

void TestFStatic::doubleClickTogglesBypass() {
    Rig rig;
    rig.Editor().SetBandGain(0, 8, 250);
    const QPoint at = Centre(rig.Filter(8).HandleRect());
    QTest::mouseDClick(&rig.graph, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(rig.Filter(8).GetEffectiveBypass(), 1);
    QCOMPARE(rig.Filter(8).GetGainCode(), 200);
    ExpectSameBand(rig, 8);
    QTest::mouseDClick(&rig.graph, Qt::LeftButton, Qt::NoModifier, Centre(rig.Filter(8).HandleRect()));
    QCOMPARE(rig.Filter(8).GetEffectiveBypass(), 0);
    QCOMPARE(rig.Filter(8).GetGainCode(), 250);
    ExpectSameBand(rig, 8);
}

void TestFStatic::keys_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("freq");
    QTest::addColumn<int>("code");

    // Band 17 at 1000 Hz (grid entry 136), 26.0 dB code 260.
    QTest::newRow("right") << 17 << int(Qt::Key_Right) << false << 1030 << 260;
    QTest::newRow("shift left") << 17 << int(Qt::Key_Left) << true << GridHz(126) << 260;
    QTest::newRow("up") << 17 << int(Qt::Key_Up) << false << 1000 << 261;
    QTest::newRow("shift down") << 17 << int(Qt::Key_Down) << true << 1000 << 250;
    QTest::newRow("band 1 left stays at 20 Hz") << 0 << int(Qt::Key_Left) << false << 20 << 260;
    QTest::newRow("band 1 right") << 0 << int(Qt::Key_Right) << false << 21 << 260;
}

void TestFStatic::keys() {
    QFETCH(int, index);
    QFETCH(int, key);
    QFETCH(bool, shift);
    QFETCH(int, freq);
    QFETCH(int, code);
    Rig rig;
    rig.Editor().SetBandGain(0, index, 260);
    rig.graph.SelectAndRedraw(index);
    rig.graph.setFocus();
    const int startFreq = rig.Filter(index).GetFreq();
    QTest::keyClick(&rig.graph, static_cast<Qt::Key>(key), shift ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(rig.Filter(index).GetFreq(), freq);
    QCOMPARE(rig.Filter(index).GetGainCode(), code);
    ExpectSameBand(rig, index);
    rig.clock.Advance(CFStatic::kNotifyPeriodMs);
    QCoreApplication::sendPostedEvents(&rig.owner);
    const bool changed = freq != startFreq || code != 260;
    QCOMPARE(rig.owner.count, changed ? 1 : 0);
    if (changed)
        QCOMPARE(rig.owner.wParam, index);
}

void TestFStatic::tabSelectsTheNextFilter() {
    Rig rig;
    QSignalSpy selected(&rig.graph, &CFStatic::selectionChanged);
    rig.graph.SelectAndRedraw(kHighPass - 1);
    rig.graph.setFocus();
    QTest::keyClick(&rig.graph, Qt::Key_Tab);
    QCOMPARE(rig.graph.SelectedIndex(), kHighPass);
    QTest::keyClick(&rig.graph, Qt::Key_Tab);
    QCOMPARE(rig.graph.SelectedIndex(), kLowPass);
    QTest::keyClick(&rig.graph, Qt::Key_Backtab);
    QCOMPARE(rig.graph.SelectedIndex(), kHighPass);
    QCOMPARE(selected.count(), 3);
    QCOMPARE(selected.last().at(0).toInt(), kHighPass);
}

// A hover over one handle repaints that handle and its small label, not the plot.
void TestFStatic::hoverRepaintsOnlyAroundTheHandle() {
    struct PaintSpy : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } spy;
    Rig rig;
    QVERIFY(QTest::qWaitForWindowExposed(&rig.graph));
    QCoreApplication::processEvents();
    rig.graph.installEventFilter(&spy);
    rig.Hover(Centre(rig.Filter(20).HandleRect()));
    QVERIFY(WaitFor([&] { return !spy.painted.isEmpty(); }));
    QCOMPARE(rig.graph.HandleTip(), QString("21   2000Hz   0.0dB   Q 7.208"));
    int area = 0;
    for (const QRect& r : spy.painted)
        area += r.width() * r.height();
    QVERIFY2(area < kW * kH / 20, qPrintable(QString::number(area)));
}

// After drags, hovers and selections painted region by region, the window shows what one whole repaint
// draws: no stale handle, label or stretch of curve is left behind.
void TestFStatic::partialRepaintsAddUpToTheWholePicture() {
    Rig rig;
    rig.graph.SetChannelShown(1, true);
    rig.graph.SetChannelShown(2, true);
    rig.Editor().MoveBand(2, 9, 160, 300);
    QVERIFY(QTest::qWaitForWindowExposed(&rig.graph));
    const auto settle = [] { QCoreApplication::processEvents(); };
    settle();
    rig.Editor().SetBandGain(0, 17, 250);
    settle();
    const QPoint band = rig.ValuePoint(17);
    rig.Hover(band);
    settle();
    QTest::mousePress(&rig.graph, Qt::LeftButton, Qt::NoModifier, band);
    for (int i = 1; i <= 6; ++i) {
        QTest::mouseMove(&rig.graph, band + QPoint(9 * i, -7 * i));
        settle();
    }
    QTest::mouseRelease(&rig.graph, Qt::LeftButton, Qt::NoModifier, band + QPoint(54, -42));
    settle();
    const QPoint low = Centre(rig.Filter(kLowPass).HandleRect());
    rig.Drag(low, low - QPoint(120, 0), 3);
    settle();
    rig.graph.SelectAndRedraw(5);
    settle();
    rig.graph.ShowChannel(3); // same handle places, another colour
    settle();
    for (const int hovered : {20, 22, 12}) {
        rig.Hover(Centre(rig.Filter(hovered).HandleRect()));
        settle();
    }
    rig.Hover(QPoint(5, 5));
    settle();

    const QImage shown =
        rig.graph.screen()->grabWindow(rig.graph.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage whole = rig.graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), whole.size());
    // Antialiased edges blended inside a clip may round one step apart from those blended without.
    const auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
               std::abs(qBlue(a) - qBlue(b)) <= 2;
    };
    int differing = 0;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x)
            differing += !near(shown.pixel(x, y), whole.pixel(x, y));
    QCOMPARE(differing, 0);
}

void TestFStatic::accessibility() {
    Rig rig;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&rig.graph);
    QVERIFY(a != nullptr);
    QCOMPARE(a->role(), QAccessible::Chart);
    QCOMPARE(a->text(QAccessible::Name), QString("Response graph"));
    rig.Editor().SetBandGain(0, 17, 235);
    rig.graph.SelectAndRedraw(17);
    QCOMPARE(a->text(QAccessible::Description), QString("PEQ 18, 1000Hz, 3.5dB, Q 7.208"));
    rig.graph.SelectAndRedraw(kHighPass);
    QCOMPARE(a->text(QAccessible::Description), QString("High-Pass, 20Hz, Butter_W, 18dB/Oct"));

    rig.session.Globals().language = 1;
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&rig.graph, &change);
    QCOMPARE(a->text(QAccessible::Name), QString("频响曲线"));
    QCOMPARE(a->text(QAccessible::Description), QString("高通, 20Hz, 巴特沃斯, 18dB/Oct"));
}

// The colours of the skin where they must be; SELVANO_GRAPH_PNG names a file to keep the picture in.
void TestFStatic::drawnLook() {
    constexpr int kShown = 2; // orange
    Rig rig(false);
    CModelEditor& e = rig.Editor();
    e.ResetEq(kShown);
    e.SetXoverFreq(kShown, Xover::HighPass, 60);
    e.SetXoverSlope(kShown, Xover::HighPass, 3);
    e.SetXoverFreq(kShown, Xover::LowPass, 12000);
    e.MoveBand(kShown, 6, 90, 255);
    e.SetBandBandwidth(kShown, 6, 60);
    e.MoveBand(kShown, 14, 560, 150);
    e.MoveBand(kShown, 22, 3300, 238);
    e.SetBandBandwidth(kShown, 22, 40);
    e.MoveBand(0, 10, 200, 270);
    e.MoveBand(1, 25, 8000, 150);
    rig.graph.ShowChannel(kShown);
    rig.graph.SetChannelShown(0, true);
    rig.graph.SetChannelShown(1, true);
    rig.graph.SelectAndRedraw(14);
    rig.Hover(Centre(rig.Filter(22, kShown).HandleRect()));

    const QImage image = rig.graph.grab().toImage();
    if (const QByteArray path = qgetenv("SELVANO_GRAPH_PNG"); !path.isEmpty())
        image.save(QString::fromLocal8Bit(path));
    QCOMPARE(image.size(), QSize(692, 348));
    QCOMPARE(image.pixelColor(kW - 5, 14), QColor(28, 28, 30)); // plot background
    // The curve runs through the channel sum in the channel's colour (at 140 Hz, clear of every handle).
    const QPoint at =
        rig.session.Data().Channel(kShown).Filters().SumPointsF()[NearestGridIndex(140)].toPoint();
    const ChannelColour c = rig.session.Data().Channel(kShown).GetColour();
    bool found = false;
    for (int dy = -1; dy <= 1; ++dy)
        found = found || image.pixelColor(at + QPoint(0, dy)) == QColor(c.red, c.green, c.blue);
    QVERIFY(found);
    QCOMPARE(rig.graph.HandleTip(), QString("23   3300Hz   3.8dB   Q 3.193"));
}

// End to end: a band dragged while connected ends on the device as the model holds it, for the dragged and
// the linked channel.
void TestFStatic::dragReachesTheDevice() {
    Rig rig(false);
    QVERIFY(rig.session.Controller().ToggleConnection());
    QVERIFY(WaitFor([&] { return rig.session.Controller().Connected(); }));
    rig.Editor().CopyIntoGroup(1, 0);
    rig.Editor().SetBandBandwidth(0, 12, 40);

    rig.Drag(rig.ValuePoint(12), Window({GraphXOfFreq(2500, kW), GraphYOfGain(9.0, kH)}), 24);
    const CFilter& band = rig.Filter(12);
    QVERIFY(band.GetFreq() > 2000 && band.GetGainCode() > 280);
    ExpectSameBand(rig, 12);
    const auto onDevice = [&](int channel) {
        return rig.session.Sim()->State().live.outputs[channel].bands[12];
    };
    QVERIFY(WaitFor([&] {
        for (int channel : {0, 1}) {
            const BandRecord record = onDevice(channel);
            if (record.freq != band.GetFreq() || record.gain != band.GetGainCode() + 400 ||
                record.qIndex != band.GetQIndex())
                return false;
        }
        return true;
    }));
}

QTEST_MAIN(TestFStatic)
#include "tst_FStatic.moc"
