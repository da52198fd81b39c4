// Closing the link end to end: steps on the event loop, never under a running transport call, and texts
// that are never shown inside a notification handler.
#include "control/DeviceController.h"
#include "control/Session.h"
#include "link/Notifier.h"
#include "link/QtNotifier.h"
#include "link/ReportTransport.h"
#include "sim/InProcessTransport.h"
#include "sim/SimDevice.h"
#include "support/ControllerRig.h"
#include "support/RecordingView.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QtTest>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

using namespace std::chrono_literals;
using LinkState = CDeviceController::LinkState;
using Cause = std::function<void(CControllerRig&)>;
using Trigger = std::function<void(CControllerRig&, CNotifier&)>;
Q_DECLARE_METATYPE(Cause)
Q_DECLARE_METATYPE(Trigger)

namespace {

// Where the test holds the worker: while shut, every read waits at the gate. Counts the transport calls
// running and the closes that came while one was.
class CGate {
public:
    void Shut() {
        std::lock_guard lock(m_mutex);
        m_shut = true;
    }
    void Open() {
        {
            std::lock_guard lock(m_mutex);
            m_shut = false;
        }
        m_changed.notify_all();
    }
    // A read waits while the gate is shut; the call counts as running until Leave.
    void EnterRead() {
        std::unique_lock lock(m_mutex);
        ++m_calls;
        ++m_waiting;
        m_changed.wait(lock, [this] { return !m_shut; });
        --m_waiting;
    }
    void Enter() {
        std::lock_guard lock(m_mutex);
        ++m_calls;
    }
    void Leave() {
        std::lock_guard lock(m_mutex);
        --m_calls;
    }
    void NoteClose() {
        std::lock_guard lock(m_mutex);
        ++m_closes;
        if (m_calls > 0)
            ++m_closesDuringCall;
    }
    int Waiting() const {
        std::lock_guard lock(m_mutex);
        return m_waiting;
    }
    int Closes() const {
        std::lock_guard lock(m_mutex);
        return m_closes;
    }
    int ClosesDuringCall() const {
        std::lock_guard lock(m_mutex);
        return m_closesDuringCall;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_shut = false;
    int m_calls = 0;
    int m_waiting = 0;
    int m_closes = 0;
    int m_closesDuringCall = 0;
};

// The simulated device's transport behind the gate.
class CGatedTransport : public CReportTransport {
public:
    CGatedTransport(std::shared_ptr<CSimDevice> sim, std::shared_ptr<CGate> gate)
        : m_inner(std::move(sim)), m_gate(std::move(gate)) {}

    bool Open() override { return m_inner.Open(); }
    void Close() override {
        m_gate->NoteClose();
        m_inner.Close();
    }
    bool IsOpen() const override { return m_inner.IsOpen(); }
    bool WriteReport(const Report& report) override {
        m_gate->Enter();
        const bool written = m_inner.WriteReport(report);
        m_gate->Leave();
        return written;
    }
    bool ReadReport(Report& report) override {
        m_gate->EnterRead();
        const bool read = m_inner.ReadReport(report);
        m_gate->Leave();
        return read;
    }
    std::string DevicePath() const override { return m_inner.DevicePath(); }

private:
    CInProcessTransport m_inner;
    std::shared_ptr<CGate> m_gate;
};

// Runs the event loop for `ms`: not a wait for something, but the time a wrong close would have taken to
// show itself.
void RunEventLoopFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

class TestClosing : public QObject {
    Q_OBJECT

private slots:
    void closeIsStepsOnTheEventLoop();
    void noCloseUnderARunningCall_data();
    void noCloseUnderARunningCall();
    void textsNeverInsideAHandler_data();
    void textsNeverInsideAHandler();
};

// The Connect button returns at once; stop, settle time and close follow on the event loop, which serves
// other events meanwhile, and a second press then changes nothing.
void TestClosing::closeIsStepsOnTheEventLoop() {
    CControllerRig rig([](SessionOptions& o) { o.timing.closeSettle = 200ms; });
    QVERIFY(rig.Connect());
    rig.view.Clear();

    QVERIFY(!rig.C().ToggleConnection());
    QCOMPARE(rig.C().State(), LinkState::Closing);
    QVERIFY(rig.C().DeviceOpen());
    std::optional<LinkState> stateAtPress;
    bool pressOpened = true;
    QTimer::singleShot(0, &rig.view, [&] {
        stateAtPress = rig.C().State();
        pressOpened = rig.C().ToggleConnection();
    });
    QVERIFY(rig.WaitIdle());
    QVERIFY(stateAtPress == LinkState::Closing);
    QVERIFY(!pressOpened);
    QCOMPARE(rig.view.Lines(), (QStringList{QStringLiteral("popup hide"), QStringLiteral("look idle")}));
    QVERIFY(!rig.C().DeviceOpen());

    // Idle again, the button connects.
    QVERIFY(rig.Connect());
}

void TestClosing::noCloseUnderARunningCall_data() {
    QTest::addColumn<Cause>("cause");
    QTest::addColumn<QStringList>("messages");
    const QStringList failure{QStringLiteral("unable to connect")};
    QTest::newRow("Connect button") << Cause([](CControllerRig& r) { r.C().ToggleConnection(); })
                                    << QStringList{};
    QTest::newRow("removal") << Cause([](CControllerRig& r) { r.C().DeviceRemoved("sim"); }) << failure;
    QTest::newRow("link lost") << Cause([](CControllerRig& r) { r.C().HandleMessage(UM_LINK_LOST, 0, 0); })
                               << failure;
}

// While the worker is inside a read that does not return, the device stays open however long that takes;
// it is closed once the read has returned.
void TestClosing::noCloseUnderARunningCall() {
    QFETCH(Cause, cause);
    QFETCH(QStringList, messages);
    constexpr std::chrono::milliseconds kStopLimit{20}; // how long a stop used to wait before closing anyway
    auto gate = std::make_shared<CGate>();
    CControllerRig rig([&](SessionOptions& o) {
        o.timing.stopLimit = kStopLimit;
        o.transport = [sim = o.sim, gate] { return std::make_unique<CGatedTransport>(sim, gate); };
    });
    // A failing check must not leave the worker held when the rig waits for it.
    struct OpenAtEnd {
        CGate& gate;
        ~OpenAtEnd() { gate.Open(); }
    } openAtEnd{*gate};
    QVERIFY(rig.Connect());
    rig.view.Clear();

    gate->Shut();
    QVERIFY(rig.WaitFor([&] { return gate->Waiting() > 0; }));
    const int closes = gate->Closes();
    cause(rig);
    QCOMPARE(rig.C().State(), LinkState::Closing);
    RunEventLoopFor(5 * static_cast<int>(kStopLimit.count()));
    QVERIFY(!rig.C().ToggleConnection()); // a press meanwhile changes nothing
    QCOMPARE(gate->Closes(), closes);
    QVERIFY(rig.C().DeviceOpen());
    QCOMPARE(rig.C().State(), LinkState::Closing);
    QVERIFY(rig.view.Lines().isEmpty()); // nothing shown before the close has finished

    gate->Open();
    QVERIFY(rig.WaitIdle());
    QCOMPARE(gate->ClosesDuringCall(), 0);
    QVERIFY(gate->Closes() > closes);
    QVERIFY(!rig.C().DeviceOpen());
    QCOMPARE(rig.view.Messages(), messages);
    QCOMPARE(rig.view.Count(QStringLiteral("look idle")), 1);
}

void TestClosing::textsNeverInsideAHandler_data() {
    QTest::addColumn<bool>("connectFirst");
    QTest::addColumn<Trigger>("trigger");
    QTest::addColumn<QString>("text");
    const QString failure = QStringLiteral("unable to connect");
    const QString tooOld = QStringLiteral("Please Update the Firmware!");
    QTest::newRow("no device on Connect") << false << Trigger([](CControllerRig& r, CNotifier&) {
        r.sim->Unplug();
        r.C().ToggleConnection();
    }) << failure;
    QTest::newRow("reply lost") << true
                                << Trigger([](CControllerRig& r, CNotifier&) { r.sim->DropReplies(1); })
                                << failure;
    QTest::newRow("device removed") << true << Trigger([](CControllerRig& r, CNotifier&) {
        r.C().DeviceRemoved("sim");
    }) << failure;
    QTest::newRow("empty data reply")
        << true << Trigger([](CControllerRig& r, CNotifier&) { r.sim->AnswerEmpty(1); }) << tooOld;
    QTest::newRow("empty data reply after the close")
        << false << Trigger([](CControllerRig&, CNotifier& n) { n.Post(UM_FIRMWARE_TOO_OLD, 0, 0); })
        << tooOld;
}

// The subscriber stands for a message box: it runs an event loop of its own, and meanwhile another loss of
// the link and a late end of the image read arrive. Neither changes anything a second time.
void TestClosing::textsNeverInsideAHandler() {
    QFETCH(bool, connectFirst);
    QFETCH(Trigger, trigger);
    QFETCH(QString, text);
    CQtNotifier notifier;
    CControllerRig rig([&](SessionOptions& o) { o.notifier = &notifier; });
    int handlers = 0;       // notification handlers running
    bool boxOpen = false;   // the subscriber's event loop runs
    int deliveredInBox = 0; // notifications handled while it did
    bool shownInHandler = false;
    int shown = 0;
    // The rig goes before the notifier: its handler must not outlive the rig.
    struct Detach {
        CQtNotifier& notifier;
        ~Detach() { notifier.SetHandler({}); }
    } detach{notifier};
    notifier.SetHandler([&](int message, std::intptr_t wParam, std::intptr_t lParam) {
        ++handlers;
        deliveredInBox += boxOpen ? 1 : 0;
        rig.C().HandleMessage(message, wParam, lParam);
        --handlers;
    });
    if (connectFirst)
        QVERIFY(rig.Connect());
    rig.view.Clear();
    QObject::connect(&rig.session, &CSession::messageShown, &rig.view, [&] {
        ++shown;
        shownInHandler = shownInHandler || handlers > 0;
        QEventLoop box;
        notifier.Post(UM_LINK_LOST, 0, 0);
        notifier.Post(UM_IMAGE_READ_DONE, 0, 0);
        QMetaObject::invokeMethod(&box, &QEventLoop::quit, Qt::QueuedConnection);
        boxOpen = true;
        box.exec();
        boxOpen = false;
    });

    trigger(rig, notifier);
    QVERIFY(rig.WaitFor([&] { return shown > 0 && rig.C().Idle(); }));
    QCoreApplication::processEvents();
    QVERIFY(!shownInHandler);
    QCOMPARE(deliveredInBox, 2);
    QCOMPARE(shown, 1);
    QCOMPARE(rig.view.Messages(), QStringList{text});
    QCOMPARE(rig.view.Count(QStringLiteral("look idle")), connectFirst ? 1 : 0);
    QVERIFY(rig.C().Idle());
    QVERIFY(!rig.C().Connected());
    QVERIFY(!rig.C().DeviceOpen());
}

QTEST_GUILESS_MAIN(TestClosing)
#include "tst_closing.moc"
