// The firmware update cycle by cycle against the simulated device, and what it asks of the controller:
// the first cycle, the restart after stage 176, frames that go unanswered, starting, finishing and guarding,
// and the link lock left free while a frame goes out.
#include "firmware/FirmwareUpdate.h"
#include "support/FirmwareContent.h"
#include "support/FirmwareRig.h"
#include "support/TempSettings.h"
#include "support/TestFile.h"

#include <QtTest>

#include <thread>

using namespace std::chrono_literals;
using Stages = QList<int>;
using Calls = std::vector<std::string>;

namespace {

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

Stages StagesOf(const std::vector<SimFrame>& trace) {
    Stages s;
    for (const SimFrame& f : trace)
        s.append(f.header.index);
    return s;
}

TimingProfile ShortLimit() {
    TimingProfile t = TimingProfile::Fast();
    t.firmwareLimit = 200ms;
    return t;
}

// The update and the controller stand-in it talks to; the test runs the worker's cycles.
struct Harness {
    explicit Harness(const TimingProfile& timing = TimingProfile::Fast())
        : rig(timing), update(rig, rig.store, timing) {}

    QString Write(const QString& name, const QByteArray& content) {
        return WriteTestFile(dir, name, content);
    }
    void Cycle() { update.FirmwareCycle(rig.worker); }
    // Cycles until the update has finished or failed; false when it goes on beyond `limit` cycles.
    bool RunOut(int limit = 100) {
        for (int i = 0; i < limit; ++i) {
            if (update.UpdateFinished())
                return true;
            Cycle();
        }
        return update.UpdateFinished();
    }

    QTemporaryDir dir;
    CFirmwareRig rig;
    CFirmwareUpdate update;
};

} // namespace

class TestFirmwareUpdate : public QObject {
    Q_OBJECT

private slots:
    void firstCycleWritesNothingAndTheRestartKeepsGoing();
    void frameWrittenTwiceWithoutAcknowledgementEndsIt();
    void unansweredFrameEndsIt_data();
    void unansweredFrameEndsIt();
    void deviceNotBackAfterRestartEndsIt();
    void startAfterTheWarningClosesAnOpenLink();
    void loadedFileStartsOnItsOwn();
    void noDeviceWithinTheLimit();
    void fileErrorsSendNothing_data();
    void fileErrorsSendNothing();
    void finishingAndGuards();
    void linkLockIsFreeWhileAFrameGoesOut();
};

void TestFirmwareUpdate::firstCycleWritesNothingAndTheRestartKeepsGoing() {
    Harness h;
    h.rig.device->SetRestartTime(100ms); // longer than the (zero) wait before reopening
    QVERIFY(h.update.StartUpdate(h.Write("fw.MVA", FirmwareContent(300))));
    QVERIFY(h.update.InProgress());
    QCOMPARE(h.update.ProgressRange(), 7);

    h.Cycle();
    QVERIFY(h.rig.device->Trace().empty());
    QCOMPARE(h.rig.command.Count(), 0);

    h.Cycle(); // 176 is acknowledged, the device restarts and is opened again once it is back
    QCOMPARE(StagesOf(h.rig.device->Trace()), Stages{176});
    QCOMPARE(h.rig.device->Counters().restarts, 1);
    QVERIFY(h.rig.transport.IsOpen());
    QCOMPARE(h.rig.FirmwareStage(), 176); // the controller ignores the device's removal meanwhile
    QCOMPARE(h.rig.command.Count(), 2);   // 177 and the first chunk wait
    QCOMPARE(h.update.ProgressPosition(), 1);

    h.Cycle();
    QCOMPARE(h.rig.FirmwareStage(), 177);
    QVERIFY(h.RunOut());
    QCOMPARE(StagesOf(h.rig.device->Trace()), (Stages{176, 177, 178, 178, 179}));
    QCOMPARE(h.rig.notifier.Of(UM_FIRMWARE_STATUS),
             (std::vector<Notification>{{UM_FIRMWARE_STATUS, 0, 179}}));
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 0);
    QCOMPARE(h.update.ProgressPosition(), 5);
}

void TestFirmwareUpdate::frameWrittenTwiceWithoutAcknowledgementEndsIt() {
    Harness h;
    h.rig.device->RequestRepeats(2); // answered, but never acknowledged
    QVERIFY(h.update.StartUpdate(h.Write("fw.MVA", FirmwareContent(300))));

    h.Cycle();
    h.Cycle();
    h.Cycle();
    QCOMPARE(StagesOf(h.rig.device->Trace()), (Stages{176, 176}));
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 0);
    h.Cycle(); // a third write is not made
    QCOMPARE(StagesOf(h.rig.device->Trace()), (Stages{176, 176}));
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 1);
    QVERIFY(h.update.UpdateFinished()); // the worker waits for the controller's stop
    QCOMPARE(h.rig.notifier.Count(UM_FIRMWARE_STATUS), 0);
    QCOMPARE(h.rig.notifier.Count(UM_FIRMWARE_PROGRESS), 0); // a repeat request is no progress
}

void TestFirmwareUpdate::unansweredFrameEndsIt_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("stage");

    // The controller's first stage gets no answer within the limit; the DSP's restarts the device without
    // one.
    QTest::newRow("224 unanswered") << "remote.contr" << 224;
    QTest::newRow("176 unanswered, device restarting") << "fw.MVA" << 176;
}

void TestFirmwareUpdate::unansweredFrameEndsIt() {
    QFETCH(QString, name);
    QFETCH(int, stage);

    Harness h(ShortLimit());
    h.rig.device->DropReplies(1);
    QVERIFY(h.update.StartUpdate(h.Write(name, FirmwareContent(100))));
    QVERIFY(h.RunOut(3));
    QCOMPARE(StagesOf(h.rig.device->Trace()), Stages{stage});
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 1);
    QCOMPARE(h.rig.notifier.Count(UM_FIRMWARE_STATUS), 0);
}

void TestFirmwareUpdate::deviceNotBackAfterRestartEndsIt() {
    Harness h(ShortLimit());
    h.rig.device->SetRestartTime(1h);
    QVERIFY(h.update.StartUpdate(h.Write("fw.MVA", FirmwareContent(100))));
    QVERIFY(h.RunOut(3));
    QCOMPARE(StagesOf(h.rig.device->Trace()), Stages{176});
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 1);
}

void TestFirmwareUpdate::startAfterTheWarningClosesAnOpenLink() {
    Harness h;
    QVERIFY(h.rig.transport.Open());
    h.rig.StartFirmwareLink(h.update); // stands for any open link
    h.rig.EndFirmwareLink();
    h.rig.calls.clear();

    QVERIFY(h.update.StartUpdate(h.Write("remote.contr", FirmwareContent(100))));
    const std::string warning = "message " + CFirmwareFile::kControllerNotice.In(0).toStdString();
    QCOMPARE(h.rig.calls, (Calls{warning, "close", "open", "firmware link"}));
    QVERIFY(h.RunOut());
    const SimFirmwareLog log = h.rig.device->Firmware();
    QCOMPARE(Stages(log.stages.begin(), log.stages.end()), (Stages{224, 225, 226, 226, 226, 227}));
    QCOMPARE(h.rig.notifier.Of(UM_FIRMWARE_STATUS),
             (std::vector<Notification>{{UM_FIRMWARE_STATUS, 0, 179}}));
}

// The update dialog loads first and starts once the warning has been read: the load shows nothing itself,
// the start sends the loaded file from its first frame, also a second time.
void TestFirmwareUpdate::loadedFileStartsOnItsOwn() {
    Harness h;
    QVERIFY(!h.update.StartLoadedUpdate()); // nothing loaded
    QVERIFY(h.rig.calls.empty());

    h.rig.store.SetFirmwareFile(h.Write("remote.contr", FirmwareContent(100)));
    const FirmwareLoad load = h.update.LoadFirmware();
    QVERIFY(load.status);
    QCOMPARE(load.notice, std::optional(CFirmwareFile::kControllerNotice));
    QVERIFY(h.rig.calls.empty());
    const Stages sequence{224, 225, 226, 226, 226, 227};
    QVERIFY(h.update.StartLoadedUpdate());
    QCOMPARE(h.rig.calls, (Calls{"open", "firmware link"}));
    QVERIFY(!h.update.StartLoadedUpdate()); // refused while it runs
    QVERIFY(h.RunOut());
    QVERIFY(h.update.OnUpdateFinished(179));

    QVERIFY(h.update.StartLoadedUpdate());
    QVERIFY(h.RunOut());
    const SimFirmwareLog log = h.rig.device->Firmware();
    QCOMPARE(Stages(log.stages.begin(), log.stages.end()), sequence + sequence);
    // The device starts its copy afresh with stage 224: the second run delivered the whole file again.
    QCOMPARE(Bytes(log.controller), FirmwareContent(100) + Fill(44, 0xFF));
}

void TestFirmwareUpdate::noDeviceWithinTheLimit() {
    Harness h;
    h.rig.refuseOpens = 1;
    QVERIFY(!h.update.StartUpdate(h.Write("fw.MVA", FirmwareContent(100))));
    QCOMPARE(h.rig.calls, (Calls{"open", "connect failure"}));
    QVERIFY(!h.update.InProgress());
    QCOMPARE(h.rig.command.FirmwareHook(), nullptr);
    QCOMPARE(h.rig.command.Count(), 0);

    // The next start tries again.
    h.rig.calls.clear();
    QVERIFY(h.update.StartUpdate(h.rig.store.FirmwareFile()));
    QCOMPARE(h.rig.calls, (Calls{"open", "firmware link"}));
}

void TestFirmwareUpdate::fileErrorsSendNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // a null array: no file at all
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("pathKept");

    QTest::newRow("missing") << "fw.MVA" << QByteArray() << "Hex File error!" << false;
    QTest::newRow("lower-case extension") << "fw.mva" << FirmwareContent(100) << "升级文件类型错误！" << true;
    QTest::newRow("empty file") << "fw.MVA" << QByteArray("") << "升级文件类型错误！" << true;
    QTest::newRow("empty controller file") << "a.contr" << QByteArray("") << "升级文件类型错误！" << true;
}

void TestFirmwareUpdate::fileErrorsSendNothing() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QFETCH(bool, pathKept);

    Harness h;
    const QString path = content.isNull() ? h.dir.filePath(name) : h.Write(name, content);
    QVERIFY(!h.update.StartUpdate(path));
    QCOMPARE(h.rig.calls, Calls{"message " + error.toStdString()});
    QCOMPARE(h.rig.store.FirmwareFile(), pathKept ? path : QString());
    QVERIFY(!h.update.InProgress());
    QVERIFY(h.rig.device->Trace().empty());
}

void TestFirmwareUpdate::finishingAndGuards() {
    CTempSettings settings;
    Harness h;
    const QString path = h.Write("fw.MVA", FirmwareContent(100));
    QVERIFY(!h.update.RefuseWhileUpdating());
    QVERIFY(h.update.StartUpdate(path));
    h.rig.calls.clear();

    QVERIFY(h.update.RefuseWhileUpdating());
    const std::string busy = "message Don't close up the update!";
    QCOMPARE(h.rig.calls, Calls{busy});
    QCOMPARE(CFirmwareUpdate::kUpdateBusy.In(1), QStringLiteral("更新中 请勿关闭!"));

    const QString other = h.Write("other.MVA", FirmwareContent(600));
    QVERIFY(!h.update.BrowseFirmware(other));
    QCOMPARE(h.rig.store.FirmwareFile(), path);
    QCOMPARE(h.update.LoadFirmware().status.error(), CFirmwareUpdate::kUpdateBusy);
    QVERIFY(!h.update.StartUpdate(other)); // ignored, silently
    QCOMPARE(h.rig.calls, (Calls{busy, busy}));
    QCOMPARE(h.update.ProgressRange(), 6);

    QVERIFY(!h.update.OnUpdateFinished(0)); // other status values change nothing
    QVERIFY(h.update.InProgress());
    QVERIFY(h.update.OnUpdateFinished(179));
    QCOMPARE(h.rig.calls, (Calls{busy, busy, "close", "end firmware link", "message Update successfully!"}));
    QCOMPARE(CFirmwareUpdate::kUpdateDone.In(1), QStringLiteral("固件更新完成!"));
    QVERIFY(!h.update.InProgress());
    QVERIFY(!h.rig.LinkOpen());
    QCOMPARE(h.rig.command.FirmwareHook(), nullptr);

    QVERIFY(!h.update.RefuseWhileUpdating());
    QVERIFY(h.update.BrowseFirmware(other));
    QCOMPARE(h.rig.store.FirmwareFile(), other);
}

void TestFirmwareUpdate::linkLockIsFreeWhileAFrameGoesOut() {
    TimingProfile timing = TimingProfile::Fast();
    timing.firmwareAfterReport = 1h; // the worker stays in the pause after the first frame's report
    Harness h(timing);
    QVERIFY(h.update.StartUpdate(h.Write("fw.MVA", FirmwareContent(300))));
    h.rig.worker.StartLinkIO(); // the update's cycles on the worker's own thread
    QTRY_VERIFY_WITH_TIMEOUT(!h.rig.device->Trace().empty(), 10000);

    // Another thread gets the lock at once (allowing for a spurious try_lock failure).
    QElapsedTimer clock;
    clock.start();
    bool locked = false;
    while (!(locked = h.rig.command.LinkLock().try_lock()) && clock.elapsed() < 10000)
        std::this_thread::yield();
    QVERIFY(locked);
    h.rig.command.LinkLock().unlock();
    QVERIFY(h.rig.worker.StopLinkIO()); // the pause ends at the stop
    QCOMPARE(StagesOf(h.rig.device->Trace()), Stages{176});
}

QTEST_GUILESS_MAIN(TestFirmwareUpdate)
#include "tst_FirmwareUpdate.moc"
