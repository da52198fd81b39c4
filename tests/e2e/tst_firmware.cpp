// The firmware update end to end: the device controller, the update and the simulated device on the fast
// timing profile, as the update dialog drives them.
#include "control/DeviceController.h"
#include "control/Session.h"
#include "firmware/FirmwareUpdate.h"
#include "link/Notifier.h"
#include "link/SettingsStore.h"
#include "sim/SimDevice.h"
#include "support/FirmwareContent.h"
#include "support/RecordingView.h"
#include "support/TestFile.h"

#include <QElapsedTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <numeric>

using namespace std::chrono_literals;
using Stages = QList<int>;
using Fault = std::function<void(CSimDevice&)>;
Q_DECLARE_METATYPE(Stages)
Q_DECLARE_METATYPE(Fault)

namespace {

constexpr int kLimit = 10000; // ms; generous, the fast profile needs a fraction of it

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

QString English(const SysText& text) {
    return text.In(0);
}

SessionOptions OnSim(const std::shared_ptr<CSimDevice>& sim, const TimingProfile& timing) {
    SessionOptions o;
    o.device.kind = DeviceOption::Kind::Sim;
    o.sim = sim;
    o.timing = timing;
    return o;
}

// A session on the simulated device with a recording view and the update attached to its controller; the
// update dialog's progress bar is stood for by the positions the controller sees go by.
struct Rig {
    explicit Rig(const TimingProfile& timing = TimingProfile::Fast())
        : session(OnSim(sim, timing)), view(session), update(C().FirmwareHost(), store, timing) {
        C().SetFirmwareUpdate(&update);
        C().SetMessageObserver([this](int message, std::intptr_t wParam, std::intptr_t) {
            if (message == UM_FIRMWARE_PROGRESS)
                positions.push_back(static_cast<int>(wParam));
        });
    }
    ~Rig() {
        C().StopForExit(); // the worker leaves the update before it goes
        C().SetMessageObserver({});
        C().SetFirmwareUpdate(nullptr);
    }

    QString Write(const QString& name, const QByteArray& content) {
        return WriteTestFile(dir, name, content);
    }
    CDeviceController& C() { return session.Controller(); }
    bool WaitFor(const std::function<bool()>& condition) {
        QElapsedTimer timer;
        timer.start();
        QTimer tick; // wakes the loop for conditions that change without an event
        tick.start(5);
        while (!condition()) {
            if (timer.elapsed() > kLimit)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }
    // The link is back to idle with nothing of the update left on it (an idle controller keeps no hook).
    bool Idle() {
        return C().Idle() && !C().FirmwareUpdating() && !C().DeviceOpen() && !update.InProgress() &&
               !update.Starting();
    }

    QTemporaryDir dir;
    std::shared_ptr<CSimDevice> sim = std::make_shared<CSimDevice>();
    CSession session;
    CRecordingView view;
    CSettingsStore store;
    CFirmwareUpdate update;
    std::vector<int> positions;
};

TimingProfile ShortLimit() {
    TimingProfile t = TimingProfile::Fast();
    t.firmwareLimit = 200ms;
    return t;
}

} // namespace

class TestFirmware : public QObject {
    Q_OBJECT

private slots:
    void deliversTheFile_data();
    void deliversTheFile();
    void takesOverAConnectedLinkAndGuardsTheFactoryReset();
    void failureEndsWithTheConnectionError_data();
    void failureEndsWithTheConnectionError();
    void noDevice();
};

void TestFirmware::deliversTheFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("range");
    QTest::addColumn<Stages>("stages");
    QTest::addColumn<QByteArray>("head");   // what stage 177 delivered
    QTest::addColumn<QByteArray>("chunks"); // stage 178 or 226 chunks as the device put them together
    QTest::addColumn<int>("restarts");

    const QByteArray dsp592 = FirmwareContent(592);
    QTest::newRow("DSP 592") << "fw.MVA" << dsp592 << 8 << Stages{176, 177, 178, 178, 179} << dsp592.left(4)
                             << dsp592 << 1;
    const QByteArray dsp300 = FirmwareContent(300);
    QTest::newRow("DSP 300") << "fw.MVA" << dsp300 << 7 << Stages{176, 177, 178, 178, 179} << dsp300.left(4)
                             << dsp300 + Fill(292, 0xFF) << 1;
    const QByteArray contr = FirmwareContent(100);
    QTest::newRow("controller 100") << "remote.contr" << contr << 8 << Stages{224, 225, 226, 226, 226, 227}
                                    << QByteArray() << contr + Fill(44, 0xFF) << 0;
}

void TestFirmware::deliversTheFile() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, range);
    QFETCH(Stages, stages);
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, chunks);
    QFETCH(int, restarts);

    Rig rig;
    rig.sim->SetRestartTime(20ms);
    QVERIFY(rig.update.StartUpdate(rig.Write(name, content)));
    QVERIFY(rig.C().FirmwareUpdating());
    QCOMPARE(rig.update.ProgressRange(), range);

    QStringList messages;
    if (rig.update.File().ControllerLoaded())
        messages << English(CFirmwareFile::kControllerNotice);
    messages << QStringLiteral("Update successfully!");
    QTRY_COMPARE_WITH_TIMEOUT(rig.view.Messages(), messages, kLimit);
    QVERIFY(rig.Idle());

    const SimFirmwareLog log = rig.sim->Firmware();
    QCOMPARE(Stages(log.stages.begin(), log.stages.end()), stages);
    QCOMPARE(Bytes(log.dspHead), head);
    const bool dsp = rig.update.File().DspLoaded();
    QCOMPARE(Bytes(dsp ? log.dsp : log.controller), chunks);
    QCOMPARE(dsp ? log.dspCheck : log.controllerCheck, std::optional(rig.update.File().CheckByte()));
    QCOMPARE(rig.sim->Counters().restarts, restarts);
    QCOMPARE(rig.sim->Counters().rejected, 0);

    // One step per acknowledged frame.
    std::vector<int> expected(static_cast<std::size_t>(stages.size()));
    std::iota(expected.begin(), expected.end(), 1);
    QCOMPARE(rig.positions, expected);

    // The box connects as usual afterwards.
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
}

// The normal link closes first; while the update waits for the device, the window stays live and the
// update refuses the factory reset, its own close and a second start.
void TestFirmware::takesOverAConnectedLinkAndGuardsTheFactoryReset() {
    Rig rig;
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    rig.view.Clear();

    QVERIFY(rig.update.StartUpdate(rig.Write("fw.MVA", FirmwareContent(300))));
    rig.sim->Unplug(); // before the close has finished: the update's first attempts find nothing
    QVERIFY(rig.update.Starting());
    QVERIFY(rig.WaitFor([&] { return rig.C().State() == CDeviceController::LinkState::Opening; }));
    QCOMPARE(rig.view.Lines(), (QStringList{QStringLiteral("popup hide"), QStringLiteral("look idle")}));
    QVERIFY(!rig.C().Connected());
    QVERIFY(!rig.C().FactoryReset());
    QVERIFY(rig.update.RefuseWhileUpdating());
    const QString busy = QStringLiteral("Don't close up the update!");
    QCOMPARE(rig.view.Messages(), (QStringList{busy, busy}));
    QVERIFY(!rig.update.StartUpdate(rig.Write("other.MVA", FirmwareContent(10)))); // ignored while it starts

    rig.sim->PlugIn();
    QTRY_VERIFY_WITH_TIMEOUT(rig.view.Messages().contains(QStringLiteral("Update successfully!")), kLimit);
    QVERIFY(rig.Idle());
    QCOMPARE(Bytes(rig.sim->Firmware().dsp), FirmwareContent(300) + Fill(292, 0xFF));
    // Afterwards the link is closed: the factory reset finds no device.
    QVERIFY(!rig.C().FactoryReset());
    QCOMPARE(rig.view.Messages().last(), QStringLiteral("The device is not connected"));
}

void TestFirmware::failureEndsWithTheConnectionError_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<Stages>("stages");

    QTest::newRow("frame written twice without acknowledgement")
        << "fw.MVA" << Fault([](CSimDevice& d) { d.RequestRepeats(2); }) << Stages{176, 176};
    QTest::newRow("reply lost") << "remote.contr" << Fault([](CSimDevice& d) { d.DropReplies(1); })
                                << Stages{224};
    QTest::newRow("device not back after its restart")
        << "fw.MVA" << Fault([](CSimDevice& d) { d.SetRestartTime(1h); }) << Stages{176};
}

void TestFirmware::failureEndsWithTheConnectionError() {
    QFETCH(QString, name);
    QFETCH(Fault, fault);
    QFETCH(Stages, stages);

    Rig rig(ShortLimit());
    fault(*rig.sim);
    QVERIFY(rig.update.StartUpdate(rig.Write(name, FirmwareContent(100))));
    QTRY_VERIFY_WITH_TIMEOUT(rig.view.Messages().contains(QStringLiteral("unable to connect")), kLimit);
    QVERIFY(rig.Idle());
    Stages written;
    for (const SimFrame& f : rig.sim->Trace())
        written << f.header.index;
    QCOMPARE(written, stages);
    QVERIFY(!rig.view.Messages().contains(QStringLiteral("Update successfully!")));
    QCOMPARE(rig.view.Messages().count(QStringLiteral("unable to connect")), 1);
}

// The open retries are steps on the event loop; when the limit passes without a device the update ends with
// the connection error, and a device that comes back in time is updated.
void TestFirmware::noDevice() {
    Rig rig(ShortLimit());
    rig.sim->Unplug();
    QVERIFY(rig.update.StartUpdate(rig.Write("fw.MVA", FirmwareContent(100))));
    bool liveWhileStarting = false;
    QTimer::singleShot(0, &rig.view, [&] { liveWhileStarting = rig.update.Starting(); });
    QTRY_COMPARE_WITH_TIMEOUT(rig.view.Messages(), QStringList{QStringLiteral("unable to connect")}, kLimit);
    QVERIFY(liveWhileStarting);
    QVERIFY(rig.Idle());
    QVERIFY(rig.sim->Trace().empty());

    // Back during the retries of the next start.
    QVERIFY(rig.update.StartUpdate(rig.store.FirmwareFile()));
    QTimer::singleShot(0, &rig.view, [&] { rig.sim->PlugIn(); });
    QTRY_VERIFY_WITH_TIMEOUT(rig.view.Messages().contains(QStringLiteral("Update successfully!")), kLimit);
    QVERIFY(rig.Idle());
    QCOMPARE(Bytes(rig.sim->Firmware().dsp), FirmwareContent(100) + Fill(196, 0xFF));
}

QTEST_GUILESS_MAIN(TestFirmware)
#include "tst_firmware.moc"
