// The I/O worker: what one cycle writes and reads, how replies and their absence end it, when it holds the
// link lock, idle rests and wakes, starting and stopping.
#include "link/FirmwareHook.h"
#include "link/KTVCommand.h"
#include "link/LinkWorker.h"
#include "link/TransferBatches.h"
#include "support/CollectingNotifier.h"
#include "support/ReplyFrames.h"
#include "support/ScriptedTransport.h"

#include <QScopeGuard>
#include <QtTest>

#include <condition_variable>
#include <mutex>
#include <thread>

using Bytes = std::vector<std::uint8_t>;
using Script = std::vector<Bytes>; // replies to the first write, in order; an empty entry is an empty report
Q_DECLARE_METATYPE(Script)

namespace {

using namespace std::chrono_literals;

TimingProfile ShortReplyLimit() {
    TimingProfile t = TimingProfile::Fast();
    t.replyLimit = 40ms;
    return t;
}

// Where the worker is while the test looks at the link lock.
enum class Inside { Write, Read, PauseAfterWrite, PauseAfterRead, PauseWhileEmpty };

// Takes the link lock unless another thread holds it past a generous limit (try_lock may fail spuriously),
// so that a worker holding it where it must not fails the test instead of hanging it.
bool TakeLock(std::recursive_mutex& lock) {
    QElapsedTimer clock;
    clock.start();
    while (!lock.try_lock()) {
        if (clock.elapsed() > 10000)
            return false;
        std::this_thread::yield();
    }
    return true;
}

bool LockFree(std::recursive_mutex& lock) {
    if (!TakeLock(lock))
        return false;
    lock.unlock();
    return true;
}

// A gate a responder waits at inside the transport's write until the test opens it (at the latest as the
// gate goes away).
class Gate {
public:
    Gate() = default;
    ~Gate() { Open(); }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

    void Arrive() {
        std::unique_lock lock(m_mutex);
        m_arrived = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
    }
    bool WaitArrived() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [this] { return m_arrived; });
    }
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_arrived = false;
    bool m_open = false;
};

Report In(const Bytes& bytes) {
    return CScriptedTransport::InputReport(bytes);
}

// Answers like a device would, with no state: writes are acknowledged, block reads get a block that echoes
// bytes 6 and 9, system reads get eight bytes, the status poll gets volume 60, output on, source 0.
std::vector<Report> AnswerEverything(const Report& written) {
    const std::uint8_t cmd = written[5];
    const std::uint8_t preset = written[7];
    const std::uint8_t type = written[8];
    const std::uint8_t index = written[9];
    const std::uint8_t byte9 = written[10];
    if (cmd == 0xB3)
        return {In(ReplyFrames::Ack())};
    if (type == 4 && index == 3)
        return {In(ReplyFrames::Data(0, 4, 3, 0, Bytes{60, 1, 0}))};
    const std::size_t n = type == 3 ? 296 : type == 2 ? 112 : 8;
    return {In(ReplyFrames::Data(preset, type, index, byte9, Bytes(n, index)))};
}

struct Rig {
    explicit Rig(const TimingProfile& timing = TimingProfile::Fast()) : worker(command, transport, timing) {}

    ModelGlobals g;
    CCollectingNotifier notifier;
    KTVCommand command{g, notifier};
    CScriptedTransport transport;
    CLinkWorker worker;
};

// A transport whose reads block until the test lets them go, as a wedged device would.
class BlockingTransport : public CReportTransport {
public:
    bool Open() override { return true; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    bool WriteReport(const Report&) override { return true; }
    bool ReadReport(Report& report) override {
        std::unique_lock lock(m_mutex);
        m_blocked = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
        report.fill(0);
        return true;
    }
    std::string DevicePath() const override { return "blocking"; }

    bool WaitBlocked() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [this] { return m_blocked; });
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_blocked = false;
    bool m_released = false;
};

} // namespace

Q_DECLARE_METATYPE(Inside)

class TestLinkWorker : public QObject {
    Q_OBJECT

private slots:
    void idleLinkAlternatesPollAndReply();
    void systemFlagGoesFirst();
    void wholeBlockTravelsInOneReportAndAgainOnRepeat();
    void replies_data();
    void replies();
    void transportFailureIsALostLink();
    void emptyDataReplyHaltsNormalCycles();
    void closedLinkRunsNothing();
    void threadRunsABatchToItsEnd();
    void stopReturnsWhileTheTransportBlocks();
    void stopWithoutStartIsHarmless();
    void noCycleAfterAStopRequestedUnderTheLinkLock();
    void firmwareUpdateRunsFirmwareCyclesUntilFinished();
    void linkLockIsFreeOutsideQueueWork_data();
    void linkLockIsFreeOutsideQueueWork();
    void replyToAClearedPacketCompletesNoOther();
    void requestStopLeavesTheCallToFinish();
    void idleRestEndsOnWake_data();
    void idleRestEndsOnWake();
};

void TestLinkWorker::idleLinkAlternatesPollAndReply() {
    Rig rig;
    rig.transport.SetResponder(AnswerEverything);
    rig.worker.OpenLink();
    for (int cycle = 1; cycle <= 6; ++cycle) {
        rig.worker.RunNormalCycle();
        QCOMPARE(rig.command.Count(), cycle % 2);                 // queued, then answered and removed
        QCOMPARE(int(rig.transport.Written().size()), cycle / 2); // the queuing cycle writes nothing
    }
    for (const Report& r : rig.transport.Written()) {
        QCOMPARE(r[5], std::uint8_t{0xB4});
        QCOMPARE(r[8], std::uint8_t{4});
        QCOMPARE(r[9], std::uint8_t{3});
    }
    QVERIFY(rig.notifier.All().empty());
}

void TestLinkWorker::systemFlagGoesFirst() {
    Rig rig;
    rig.transport.SetResponder(AnswerEverything);
    rig.worker.OpenLink();
    rig.g.systemPending = 1;
    rig.worker.RunNormalCycle();
    QCOMPARE(rig.g.systemPending.load(), 0);
    QCOMPARE(rig.command.Queue().Head()->Index(), std::uint8_t{144});
    rig.worker.RunNormalCycle();
    rig.worker.RunNormalCycle();
    QCOMPARE(rig.command.Queue().Head()->Index(), std::uint8_t{3});
}

void TestLinkWorker::wholeBlockTravelsInOneReportAndAgainOnRepeat() {
    Rig rig;
    int writes = 0;
    rig.transport.SetResponder([&writes](const Report&) {
        return std::vector<Report>{In(++writes == 1 ? ReplyFrames::Repeat() : ReplyFrames::Ack())};
    });
    rig.worker.OpenLink();
    rig.command.Push(rig.command.BuildBlockWrite(0, 3, 4, true));
    rig.worker.RunNormalCycle();
    QCOMPARE(rig.transport.Written().size(), std::size_t{1});
    QCOMPARE(rig.command.Count(), 1);
    rig.worker.RunNormalCycle();
    const auto written = rig.transport.Written();
    QCOMPARE(written.size(), std::size_t{2});
    QCOMPARE(written[1], written[0]);
    QCOMPARE(written[0][312], std::uint8_t{0xAA});
    QCOMPARE(rig.command.Count(), 0);
}

void TestLinkWorker::replies_data() {
    QTest::addColumn<Script>("script");
    QTest::addColumn<bool>("answered");

    Bytes badCheck = ReplyFrames::Ack();
    badCheck[14] ^= 0x40;
    QTest::newRow("acknowledged at once") << Script{ReplyFrames::Ack()} << true;
    QTest::newRow("empty reports, then the acknowledge") << Script{{}, {}, {}, ReplyFrames::Ack()} << true;
    QTest::newRow("bad check byte, then the acknowledge") << Script{badCheck, ReplyFrames::Ack()} << true;
    QTest::newRow("no reply") << Script{} << false;
    QTest::newRow("only a bad check byte") << Script{badCheck} << false;
}

void TestLinkWorker::replies() {
    QFETCH(Script, script);
    QFETCH(bool, answered);
    Rig rig(ShortReplyLimit());
    for (const Bytes& b : script)
        rig.transport.QueueInput(b.empty() ? Report{} : In(b));
    rig.worker.OpenLink();
    rig.command.Push(rig.command.BuildSliceWrite(3, 0, 31));
    rig.worker.RunNormalCycle();

    QCOMPARE(rig.transport.Written().size(), std::size_t{1});
    QCOMPARE(rig.command.Count(), answered ? 0 : 1);
    QCOMPARE(rig.notifier.Count(UM_LINK_LOST), answered ? 0 : 1);
    if (answered) {
        QCOMPARE(rig.transport.ReadCount(), int(script.size()));
        return;
    }
    // A lost link runs no further normal cycle: nothing is written again and the loss is posted once.
    QVERIFY(rig.command.StopFlag());
    rig.worker.RunNormalCycle();
    QCOMPARE(rig.transport.Written().size(), std::size_t{1});
    QCOMPARE(rig.notifier.Count(UM_LINK_LOST), 1);
}

void TestLinkWorker::transportFailureIsALostLink() {
    Rig rig;
    rig.worker.OpenLink();
    rig.transport.SetFailing(true);
    rig.command.Push(rig.command.BuildSliceWrite(3, 0, 31));
    rig.worker.RunNormalCycle();
    QCOMPARE(rig.notifier.All(), (std::vector<Notification>{{UM_LINK_LOST, 0, 0}}));
}

void TestLinkWorker::emptyDataReplyHaltsNormalCycles() {
    Rig rig;
    rig.transport.SetResponder(
        [](const Report&) { return std::vector<Report>{In(ReplyFrames::Data(0, 4, 136, 0, {}))}; });
    rig.worker.OpenLink();
    rig.command.Push(rig.command.BuildSystemRead(136, 0));
    rig.worker.RunNormalCycle();
    QCOMPARE(rig.notifier.All(), (std::vector<Notification>{{UM_FIRMWARE_TOO_OLD, 0, 0}}));
    QCOMPARE(rig.command.Count(), 1);
    const int reads = rig.transport.ReadCount();
    rig.worker.RunNormalCycle();
    rig.worker.RunNormalCycle();
    QCOMPARE(rig.transport.ReadCount(), reads);
    QCOMPARE(rig.transport.Written().size(), std::size_t{1});

    rig.worker.OpenLink(); // a new start clears the stop flag
    QVERIFY(!rig.command.StopFlag());
}

void TestLinkWorker::closedLinkRunsNothing() {
    Rig rig;
    rig.transport.SetResponder(AnswerEverything);
    rig.worker.RunNormalCycle();
    QCOMPARE(rig.command.Count(), 0);
    QVERIFY(rig.transport.Written().empty());
}

void TestLinkWorker::threadRunsABatchToItsEnd() {
    Rig rig;
    rig.transport.SetResponder(AnswerEverything);
    CTransferBatches batches(rig.command);
    rig.worker.StartLinkIO();
    QVERIFY(rig.worker.IsRunning());
    batches.SystemReads();
    const PopupRequest popup = batches.ReadPresetIntoLive(0, false);
    QCOMPARE(popup, (PopupRequest{true, false, 19}));

    QVERIFY(rig.notifier.WaitFor(UM_TRANSFER_DONE).has_value());
    QVERIFY(rig.notifier.WaitFor(UM_IMAGE_READ_DONE).has_value());
    QVERIFY(rig.worker.StopLinkIO());
    QVERIFY(!rig.worker.IsRunning());
    QVERIFY(!rig.worker.LinkOpen());

    // Each of the 19 progress items moved the bar once, the last one to its end.
    QList<qintptr> positions;
    for (const auto& n : rig.notifier.Of(UM_TRANSFER_PROGRESS))
        positions << n.wParam;
    QList<qintptr> expected;
    for (int i = 1; i <= 19; ++i)
        expected << i;
    QCOMPARE(positions, expected);
    QCOMPARE(rig.notifier.Of(UM_TRANSFER_DONE), (std::vector<Notification>{{UM_TRANSFER_DONE, 0, 0}}));
    QCOMPARE(rig.g.liveImage.outputs[7].bands[0].freq, std::uint16_t{0x0707});
    QCOMPARE(rig.notifier.Count(UM_NAME_READ), 6);
}

void TestLinkWorker::stopReturnsWhileTheTransportBlocks() {
    ModelGlobals g;
    CCollectingNotifier notifier;
    KTVCommand command(g, notifier);
    BlockingTransport transport;
    TimingProfile timing = TimingProfile::Fast();
    timing.stopLimit = 100ms;
    CLinkWorker worker(command, transport, timing);

    command.Push(command.BuildSliceWrite(7, 0, 0));
    worker.StartLinkIO();
    QVERIFY(transport.WaitBlocked());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!worker.StopLinkIO());
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(!worker.LinkOpen());

    transport.Release();
    QVERIFY(worker.StopLinkIO()); // the thread left as soon as its read returned
    QVERIFY(!worker.IsRunning());
    QVERIFY(notifier.All().empty());
}

void TestLinkWorker::stopWithoutStartIsHarmless() {
    Rig rig;
    QVERIFY(rig.worker.StopLinkIO());
    QVERIFY(!rig.worker.IsRunning());
}

void TestLinkWorker::noCycleAfterAStopRequestedUnderTheLinkLock() {
    TimingProfile timing = TimingProfile::Fast();
    timing.stopLimit = 50ms;
    Rig rig(timing);
    Gate gate;
    rig.transport.SetResponder([&gate](const Report& written) {
        gate.Arrive();
        return AnswerEverything(written);
    });
    rig.worker.StartLinkIO();
    QVERIFY(gate.WaitArrived()); // the first poll is being written, outside the link lock
    // The worker goes on to read the reply and then waits for the lock to hand it to the assembler.
    QVERIFY(TakeLock(rig.command.LinkLock()));
    gate.Open();
    rig.worker.StopLinkIO(); // may time out: the worker cannot leave while it waits for the lock
    rig.command.LinkLock().unlock();
    QVERIFY(rig.worker.StopLinkIO());
    QCOMPARE(rig.transport.Written().size(), std::size_t{1});
}

void TestLinkWorker::firmwareUpdateRunsFirmwareCyclesUntilFinished() {
    // Stands in for the update: three cycles, then finished.
    struct Hook : CFirmwareHook {
        bool UpdateInProgress() const override { return true; }
        bool UpdateFinished() const override { return cycles.load() >= 3; }
        void FirmwareCycle(CLinkWorker& worker) override {
            QVERIFY(&worker.Command() != nullptr);
            ++cycles;
        }
        void OnFirmwareReply(const SendData*, bool) override {}
        std::atomic<int> cycles{0};
    } hook;
    Rig rig;
    rig.transport.SetResponder(AnswerEverything);
    rig.command.SetFirmwareHook(&hook);
    rig.worker.StartLinkIO();
    QTRY_COMPARE_WITH_TIMEOUT(hook.cycles.load(), 3, 10000);
    QVERIFY(rig.worker.StopLinkIO());
    QCOMPARE(hook.cycles.load(), 3);
    QVERIFY(rig.transport.Written().empty()); // no normal cycle ran meanwhile
}

void TestLinkWorker::linkLockIsFreeOutsideQueueWork_data() {
    QTest::addColumn<Inside>("inside");
    QTest::newRow("write") << Inside::Write;
    QTest::newRow("read") << Inside::Read;
    QTest::newRow("pause after the output report") << Inside::PauseAfterWrite;
    QTest::newRow("pause after an input report") << Inside::PauseAfterRead;
    QTest::newRow("pause while only empty reports came") << Inside::PauseWhileEmpty;
}

void TestLinkWorker::linkLockIsFreeOutsideQueueWork() {
    QFETCH(Inside, inside);
    TimingProfile timing = TimingProfile::Fast();
    if (inside == Inside::PauseAfterWrite)
        timing.afterOutputReport = 1h;
    if (inside == Inside::PauseAfterRead)
        timing.afterInputReport = 1h;
    if (inside == Inside::PauseWhileEmpty)
        timing.whileEmpty = 1h;
    Rig rig(timing);
    Gate gate;
    const auto release = qScopeGuard([&rig] { rig.transport.ReleaseReads(); });
    rig.transport.SetResponder([&](const Report& written) {
        if (inside == Inside::Write)
            gate.Arrive();
        // Without a reply every read is empty.
        return inside == Inside::PauseWhileEmpty ? std::vector<Report>{} : AnswerEverything(written);
    });
    if (inside == Inside::Read)
        rig.transport.HoldReads();
    rig.worker.StartLinkIO();

    switch (inside) {
    case Inside::Write:
        QVERIFY(gate.WaitArrived());
        break;
    case Inside::Read:
        QVERIFY(rig.transport.WaitForHeldRead());
        break;
    case Inside::PauseAfterWrite: // the write has returned: the worker pauses now or in a moment
        QTRY_VERIFY_WITH_TIMEOUT(!rig.transport.Written().empty(), 10000);
        break;
    case Inside::PauseAfterRead:
    case Inside::PauseWhileEmpty:
        QTRY_VERIFY_WITH_TIMEOUT(rig.transport.ReadCount() >= 1, 10000);
        break;
    }
    QVERIFY(LockFree(rig.command.LinkLock()));

    gate.Open();
    rig.transport.ReleaseReads();
    QVERIFY(rig.worker.StopLinkIO()); // pauses end at the stop
}

void TestLinkWorker::replyToAClearedPacketCompletesNoOther() {
    Rig rig;
    const auto release = qScopeGuard([&rig] { rig.transport.ReleaseReads(); });
    rig.transport.SetResponder(AnswerEverything);
    rig.transport.HoldReads();
    rig.command.Push(rig.command.BuildSliceWrite(3, 0, 31));
    rig.worker.StartLinkIO();
    QVERIFY(rig.transport.WaitForHeldRead()); // its acknowledge is waiting to be read

    // The UI replaces the queue meanwhile.
    QVERIFY(TakeLock(rig.command.LinkLock()));
    rig.command.Clear();
    rig.command.Push(rig.command.BuildSliceWrite(3, 5, 31));
    rig.command.LinkLock().unlock();
    rig.transport.ReleaseReads();

    // The first acknowledge ended the first exchange only; the replacement went out and had its own.
    QTRY_VERIFY_WITH_TIMEOUT(rig.transport.Written().size() >= 2, 10000);
    const Report second = rig.transport.Written()[1];
    QCOMPARE(second[5], std::uint8_t{0xB3});
    QCOMPARE(second[8], std::uint8_t{3});
    QCOMPARE(second[9], std::uint8_t{5});
    QVERIFY(rig.worker.StopLinkIO());
    QCOMPARE(rig.notifier.Count(UM_LINK_LOST), 0);
}

void TestLinkWorker::requestStopLeavesTheCallToFinish() {
    Rig rig;
    const auto release = qScopeGuard([&rig] { rig.transport.ReleaseReads(); });
    rig.transport.SetResponder(AnswerEverything);
    rig.transport.HoldReads();
    rig.worker.StartLinkIO();
    QVERIFY(rig.transport.WaitForHeldRead());

    rig.worker.RequestStop(); // returns with the read still held
    QVERIFY(!rig.worker.LinkOpen());
    QVERIFY(!rig.worker.HasStopped());
    const std::size_t written = rig.transport.Written().size();

    rig.transport.ReleaseReads();
    QTRY_VERIFY_WITH_TIMEOUT(rig.worker.HasStopped(), 10000);
    QCOMPARE(rig.transport.Written().size(), written); // no call after the one under way
    QCOMPARE(rig.transport.ReadCount(), 1);
    QVERIFY(rig.worker.StopLinkIO());
    QVERIFY(rig.notifier.All().empty());
}

void TestLinkWorker::idleRestEndsOnWake_data() {
    QTest::addColumn<bool>("queued"); // a packet queued; otherwise the system block marked pending
    QTest::newRow("packet queued") << true;
    QTest::newRow("change marked pending") << false;
}

void TestLinkWorker::idleRestEndsOnWake() {
    QFETCH(bool, queued);
    TimingProfile timing = TimingProfile::Fast();
    timing.idlePoll = 1h;
    Rig rig(timing);
    rig.transport.SetResponder(AnswerEverything);
    rig.worker.StartLinkIO();
    // The first status poll is answered; nothing is pending, so the worker rests after it.
    QTRY_VERIFY_WITH_TIMEOUT(rig.transport.ReadCount() >= 1 && rig.command.Count() == 0, 10000);

    if (queued) {
        rig.command.Push(rig.command.BuildSliceWrite(3, 2, 31));
    } else {
        rig.g.systemPending = 1;
        rig.worker.Wake();
    }
    const std::uint8_t type = queued ? 3 : 4;
    const std::uint8_t index = queued ? 2 : 144;
    const auto sent = [&] {
        for (const Report& r : rig.transport.Written())
            if (r[5] == 0xB3 && r[8] == type && r[9] == index)
                return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(sent(), 10000);
    QVERIFY(rig.worker.StopLinkIO()); // the rest ends at the stop
}

QTEST_GUILESS_MAIN(TestLinkWorker)
#include "tst_LinkWorker.moc"
