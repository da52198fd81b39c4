// The firmware update against the simulated device: what the device receives, how the update ends, its
// progress, its failures and its guards.
#include "firmware/FirmwareUpdate.h"
#include "support/FirmwareRig.h"
#include "support/TempSettings.h"

#include <QtTest>

#include <numeric>

using namespace std::chrono_literals;
using Stages = QList<int>;
Q_DECLARE_METATYPE(Stages)

namespace {

QByteArray Content(int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(static_cast<char>((i * 7 + 3) % 251));
    return b;
}

QByteArray Fill(int n, unsigned char value) {
    return QByteArray(n, static_cast<char>(value));
}

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

// The update and the controller stand-in it talks to; the worker is stopped before either goes away.
struct Harness {
    explicit Harness(const TimingProfile& timing = TimingProfile::Fast(), bool runWorker = true)
        : rig(timing, runWorker), update(rig, rig.store, timing) {}
    ~Harness() { rig.worker.StopLinkIO(); }

    QString Write(const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            qFatal("cannot write the test file");
        return path;
    }

    QTemporaryDir dir;
    CFirmwareRig rig;
    CFirmwareUpdate update;
};

} // namespace

class TestFirmwareUpdate : public QObject {
    Q_OBJECT

private slots:
    void deliversTheFile_data();
    void deliversTheFile();
    void firstCycleWritesNothingAndTheRestartKeepsGoing();
    void frameRepeatedTwiceEndsTheUpdate();
    void unansweredFrameEndsTheUpdate_data();
    void unansweredFrameEndsTheUpdate();
    void deviceNotBackAfterRestartEndsTheUpdate();
    void deviceOpenRetriesUntilTheLimit();
    void startClosesAnOpenLinkAfterTheControllerWarning();
    void fileErrorsSendNothing_data();
    void fileErrorsSendNothing();
    void guardsWhileUpdating();
};

void TestFirmwareUpdate::deliversTheFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("range");
    QTest::addColumn<Stages>("stages");
    QTest::addColumn<QByteArray>("head");   // what stage 177 delivered
    QTest::addColumn<QByteArray>("chunks"); // stage 178 or 226 chunks, reassembled
    QTest::addColumn<int>("restarts");

    const QByteArray dsp592 = Content(592);
    QTest::newRow("DSP 592") << "fw.MVA" << dsp592 << 8 << Stages{176, 177, 178, 178, 179} << dsp592.left(4)
                             << dsp592 << 1;
    const QByteArray dsp300 = Content(300);
    QTest::newRow("DSP 300") << "fw.MVA" << dsp300 << 7 << Stages{176, 177, 178, 178, 179} << dsp300.left(4)
                             << dsp300 + Fill(292, 0xFF) << 1;
    const QByteArray contr = Content(100);
    QTest::newRow("controller 100") << "remote.contr" << contr << 8 << Stages{224, 225, 226, 226, 226, 227}
                                    << QByteArray() << contr + Fill(44, 0xFF) << 0;
}

void TestFirmwareUpdate::deliversTheFile() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, range);
    QFETCH(Stages, stages);
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, chunks);
    QFETCH(int, restarts);

    Harness h;
    QVERIFY(h.update.StartUpdate(h.Write(name, content)).ok());
    QVERIFY(h.update.InProgress());
    QCOMPARE(h.update.ProgressRange(), range);

    const auto status = h.rig.notifier.WaitFor(UM_FIRMWARE_STATUS);
    QVERIFY(status);
    QCOMPARE(status->lParam, std::intptr_t{179});
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 0);

    const SimFirmwareLog log = h.rig.device->Firmware();
    QCOMPARE(Stages(log.stages.begin(), log.stages.end()), stages);
    const bool dsp = h.update.File().DspLoaded();
    QCOMPARE(Bytes(log.dspHead), head);
    QCOMPARE(Bytes(dsp ? log.dsp : log.controller), chunks);
    QCOMPARE(dsp ? log.dspCheck : log.controllerCheck, std::optional(h.update.File().CheckByte()));
    QCOMPARE(h.rig.device->Counters().restarts, restarts);

    // One step per acknowledged frame.
    std::vector<std::intptr_t> positions;
    for (const Notification& n : h.rig.notifier.Of(UM_FIRMWARE_PROGRESS))
        positions.push_back(n.wParam);
    std::vector<std::intptr_t> expected(static_cast<std::size_t>(stages.size()));
    std::iota(expected.begin(), expected.end(), 1);
    QCOMPARE(positions, expected);
    QCOMPARE(h.update.ProgressPosition(), int(stages.size()));

    const std::optional<SysText> done = h.update.OnUpdateFinished(179);
    QVERIFY(done);
    QCOMPARE(done->In(0), QStringLiteral("Update successfully!"));
    QCOMPARE(done->In(1), QStringLiteral("固件更新完成!"));
    QVERIFY(!h.update.InProgress());
    QVERIFY(!h.rig.LinkOpen());
    QVERIFY(!h.rig.transport.IsOpen());
    QVERIFY(!h.rig.worker.IsRunning());
    QCOMPARE(h.rig.command.FirmwareHook(), nullptr);
    QCOMPARE(h.rig.device->Counters().rejected, 0);
}

void TestFirmwareUpdate::firstCycleWritesNothingAndTheRestartKeepsGoing() {
    Harness h(TimingProfile::Fast(), false);
    h.rig.device->SetRestartTime(100ms); // longer than the (zero) wait before reopening
    QVERIFY(h.update.StartUpdate(h.Write("fw.MVA", Content(300))).ok());

    h.update.FirmwareCycle(h.rig.worker);
    QVERIFY(h.rig.device->Trace().empty());
    QCOMPARE(h.rig.command.Count(), 0);

    h.update.FirmwareCycle(h.rig.worker); // 176, acknowledged; the device restarts and is opened again
    QCOMPARE(StagesOf(h.rig.device->Trace()), Stages{176});
    QCOMPARE(h.rig.device->Counters().restarts, 1);
    QVERIFY(h.rig.device->IsPlugged());
    QVERIFY(h.rig.transport.IsOpen());
    QCOMPARE(h.update.LastStage(), 176);
    QCOMPARE(h.rig.command.Count(), 2); // 177 and the first chunk wait
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 0);

    for (int cycle = 0; cycle < 10 && h.rig.notifier.Count(UM_FIRMWARE_STATUS) == 0; ++cycle)
        h.update.FirmwareCycle(h.rig.worker);
    QCOMPARE(StagesOf(h.rig.device->Trace()), (Stages{176, 177, 178, 178, 179}));
    QCOMPARE(h.rig.notifier.Of(UM_FIRMWARE_STATUS),
             (std::vector<Notification>{{UM_FIRMWARE_STATUS, 0, 179}}));
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 0);
    QVERIFY(h.update.UpdateFinished());
}

void TestFirmwareUpdate::frameRepeatedTwiceEndsTheUpdate() {
    Harness h;
    h.rig.device->RequestRepeats(2);
    QVERIFY(h.update.StartUpdate(h.Write("fw.MVA", Content(300))).ok());

    QVERIFY(h.rig.notifier.WaitFor(UM_LINK_LOST));
    QVERIFY(h.update.UpdateFinished()); // the worker waits for the controller
    h.rig.HandleLinkLost();
    h.update.EndUpdate();

    QCOMPARE(StagesOf(h.rig.device->Trace()), (Stages{176, 176})); // written twice, never a third time
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 1);
    QCOMPARE(h.rig.notifier.Count(UM_FIRMWARE_STATUS), 0);
    QCOMPARE(h.rig.notifier.Count(UM_FIRMWARE_PROGRESS), 0); // a repeat request is no progress
    QVERIFY(!h.update.InProgress());
    QCOMPARE(h.update.GuardWhileUpdating().ok(), true);
    QCOMPARE(h.rig.command.FirmwareHook(), nullptr);
}

void TestFirmwareUpdate::unansweredFrameEndsTheUpdate_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("stage");

    // The controller's first stage simply gets no answer; the DSP's restarts the device without one.
    QTest::newRow("224 unanswered") << "remote.contr" << 224;
    QTest::newRow("176 unanswered, device restarting") << "fw.MVA" << 176;
}

void TestFirmwareUpdate::unansweredFrameEndsTheUpdate() {
    QFETCH(QString, name);
    QFETCH(int, stage);

    Harness h(ShortLimit());
    h.rig.device->DropReplies(1);
    QVERIFY(h.update.StartUpdate(h.Write(name, Content(100))).ok());

    QVERIFY(h.rig.notifier.WaitFor(UM_LINK_LOST));
    h.rig.HandleLinkLost();
    h.update.EndUpdate();
    QCOMPARE(StagesOf(h.rig.device->Trace()), Stages{stage});
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 1);
    QCOMPARE(h.rig.notifier.Count(UM_FIRMWARE_STATUS), 0);
}

void TestFirmwareUpdate::deviceNotBackAfterRestartEndsTheUpdate() {
    Harness h(ShortLimit());
    h.rig.device->SetRestartTime(1h);
    QVERIFY(h.update.StartUpdate(h.Write("fw.MVA", Content(100))).ok());

    QVERIFY(h.rig.notifier.WaitFor(UM_LINK_LOST));
    h.rig.HandleLinkLost();
    h.update.EndUpdate();
    QCOMPARE(StagesOf(h.rig.device->Trace()), Stages{176});
    QCOMPARE(h.rig.notifier.Count(UM_LINK_LOST), 1);
    QCOMPARE(h.update.LastStage(), 0); // no update runs: removals count again
}

void TestFirmwareUpdate::deviceOpenRetriesUntilTheLimit() {
    {
        Harness h(TimingProfile::Fast(), false);
        h.rig.refuseOpens = 3;
        QVERIFY(h.update.StartUpdate(h.Write("fw.MVA", Content(100))).ok());
        QCOMPARE(h.rig.calls, (std::vector<std::string>{"open", "open", "open", "open", "start"}));
        QVERIFY(h.update.InProgress());
    }
    Harness h(ShortLimit(), false);
    h.rig.device->Unplug();
    const Status started = h.update.StartUpdate(h.Write("fw.MVA", Content(100)));
    QVERIFY(!started);
    QCOMPARE(started.error().In(0), QStringLiteral("unable to connect"));
    QCOMPARE(started.error().In(1), QStringLiteral("无法连接设备"));
    QVERIFY(!h.update.InProgress());
    QVERIFY(std::find(h.rig.calls.begin(), h.rig.calls.end(), "start") == h.rig.calls.end());
    QCOMPARE(h.rig.command.FirmwareHook(), nullptr);
    QCOMPARE(h.rig.command.Count(), 0);
}

void TestFirmwareUpdate::startClosesAnOpenLinkAfterTheControllerWarning() {
    Harness h;
    QVERIFY(h.rig.OpenDevice());
    h.rig.StartLinkIO(); // a normal connection: status polls
    QVERIFY(QTest::qWaitFor([&] { return h.rig.device->Counters().accepted > 0; }, 10000));

    QVERIFY(h.update.StartUpdate(h.Write("remote.contr", Content(100))).ok());
    QCOMPARE(h.rig.calls, (std::vector<std::string>{"open", "start", "show", "close", "open", "start"}));
    QCOMPARE(h.rig.shown, std::vector<SysText>{CFirmwareFile::kControllerNotice});

    QVERIFY(h.rig.notifier.WaitFor(UM_FIRMWARE_STATUS));
    const SimFirmwareLog log = h.rig.device->Firmware();
    QCOMPARE(Stages(log.stages.begin(), log.stages.end()), (Stages{224, 225, 226, 226, 226, 227}));
    QVERIFY(h.update.OnUpdateFinished(179));
}

void TestFirmwareUpdate::fileErrorsSendNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // a null array: no file at all
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("pathKept");

    QTest::newRow("missing") << "fw.MVA" << QByteArray() << "Hex File error!" << false;
    QTest::newRow("lower-case extension") << "fw.mva" << Content(100) << "升级文件类型错误！" << true;
    QTest::newRow("empty file") << "fw.MVA" << QByteArray("") << "升级文件类型错误！" << true;
}

void TestFirmwareUpdate::fileErrorsSendNothing() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QFETCH(bool, pathKept);

    Harness h;
    const QString path = content.isNull() ? h.dir.filePath(name) : h.Write(name, content);
    const Status started = h.update.StartUpdate(path);
    QVERIFY(!started);
    QCOMPARE(started.error().In(0), error);
    QCOMPARE(h.rig.store.FirmwareFile(), pathKept ? path : QString());
    QVERIFY(h.rig.calls.empty());
    QVERIFY(!h.update.InProgress());
    QVERIFY(h.rig.device->Trace().empty());
}

void TestFirmwareUpdate::guardsWhileUpdating() {
    CTempSettings settings;
    Harness h(TimingProfile::Fast(), false);
    const QString path = h.Write("fw.MVA", Content(100));
    QVERIFY(h.update.GuardWhileUpdating().ok());
    QVERIFY(h.update.StartUpdate(path).ok());

    const Status busy = h.update.GuardWhileUpdating();
    QVERIFY(!busy);
    QCOMPARE(busy.error().In(0), QStringLiteral("Don't close up the update!"));
    QCOMPARE(busy.error().In(1), QStringLiteral("更新中 请勿关闭!"));

    const QString other = h.Write("other.MVA", Content(600));
    QCOMPARE(h.update.BrowseFirmware(other).error(), busy.error());
    QCOMPARE(h.rig.store.FirmwareFile(), path);
    QCOMPARE(h.update.LoadFirmware().status.error(), busy.error());
    const auto callsBefore = h.rig.calls;
    QVERIFY(h.update.StartUpdate(other).ok()); // ignored
    QCOMPARE(h.rig.calls, callsBefore);
    QCOMPARE(h.update.ProgressRange(), 6);

    QVERIFY(!h.update.OnUpdateFinished(0)); // other status values change nothing
    QVERIFY(h.update.InProgress());
    QVERIFY(h.update.OnUpdateFinished(179));
    QVERIFY(h.update.GuardWhileUpdating().ok());
    QVERIFY(h.update.BrowseFirmware(other).ok());
    QCOMPARE(h.rig.store.FirmwareFile(), other);
}

QTEST_GUILESS_MAIN(TestFirmwareUpdate)
#include "tst_FirmwareUpdate.moc"
