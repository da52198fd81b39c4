// Connecting to the simulated device end to end: identify, read back, adopt, close, and every way it fails.
#include "control/DeviceController.h"
#include "link/DeviceMonitor.h"
#include "link/FirmwareHook.h"
#include "link/LinkWorker.h"
#include "link/Notifier.h"
#include "model/SystemSettings.h"
#include "sim/SimDevice.h"
#include "support/ControllerRig.h"
#include "support/RecordingView.h"
#include "support/TempSettings.h"

#include <QtTest>

#include <cstring>
#include <functional>
#include <memory>

#include <unistd.h>

namespace {

constexpr int kLimit = CControllerRig::kLimitMs;

// The device's settings differ from the program's start-up values wherever a test looks.
constexpr int kDeviceVolume = 33;
constexpr int kDeviceGain3 = 42;
constexpr int kDeviceSource = 2;

void PrepareDevice(SimState& s) {
    s.system[0] = kDeviceSource;
    s.system[2] = kDeviceVolume;
    s.system[3] = 0;
    s.live.outputs[3].gainCode = kDeviceGain3;
    s.live.outputs[0].gainCode = 50;
    std::memcpy(s.Preset(1).name, "Rock", 4);
}

// Requests of a whole connection up to the first status poll, written out from the protocol tables.
QStringList ConnectionRequests() {
    QStringList out{QStringLiteral("R 4/136 s0 p0"), QStringLiteral("R 4/144 s0 p0"),
                    QStringLiteral("R 4/146 s0 p0"), QStringLiteral("R 4/145 s0 p0"),
                    QStringLiteral("R 4/64 s0 p0"),  QStringLiteral("R 4/48 s0 p0")};
    for (int p = 1; p <= 6; ++p)
        out << QStringLiteral("R 4/134 s0 p%1").arg(p);
    for (int c = 0; c < 8; ++c)
        out << QStringLiteral("R 3/%1 sAB p0").arg(c);
    return out;
}

// The device as these tests find it, on the controller rig.
struct Rig : CControllerRig {
    explicit Rig(const std::function<void(SessionOptions&)>& adjust = {}) : CControllerRig(adjust) {
        sim->ModifyState(PrepareDevice);
    }
    int Volume() { return CSystemSettings(G()).MasterVolume(); }
};

// The device monitor fed with made-up events, deciding on the controller's link as the application wires it.
struct MonitoredRig : Rig {
    CDeviceMonitor monitor{[this] { return C().Snapshot(); }};

    MonitoredRig() {
        QObject::connect(&monitor, &CDeviceMonitor::ArrivalConnection,
                         [this](const QString& path) { C().ConnectArrived(path.toStdString()); });
        QObject::connect(&monitor, &CDeviceMonitor::RemovalClose,
                         [this](const QString& path) { C().DeviceRemoved(path.toStdString()); });
    }
    DeviceDecision Arrive(const std::string& node, std::optional<DeviceIds> ids = kDeviceIds) {
        return monitor.HandleEvent({DeviceAction::Arrival, node, ids, {}});
    }
    DeviceDecision Remove(const std::string& node) {
        return monitor.HandleEvent({DeviceAction::Removal, node, {}, {}});
    }
};

// An update that owns the link without sending anything: its cycles only wait a moment.
class CIdleFirmware : public CFirmwareHook {
public:
    bool UpdateInProgress() const override { return true; }
    bool UpdateFinished() const override { return false; }
    void FirmwareCycle(CLinkWorker& worker) override { worker.Pause(std::chrono::milliseconds(1)); }
    void OnFirmwareReply(const SendData*, bool) override {}
};

enum class Way { Button, Auto, Arrival };

bool Open(Rig& rig, Way way) {
    switch (way) {
    case Way::Button:
        return rig.C().ToggleConnection();
    case Way::Auto:
        return rig.C().AutoConnect();
    case Way::Arrival:
        return rig.C().ConnectArrived("sim");
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Way)
Q_DECLARE_METATYPE(std::optional<DeviceIds>)

class TestConnection : public QObject {
    Q_OBJECT

private slots:
    void readBackOrderAndAdoption();
    void connectedOnlyAfterImageApplied_data();
    void connectedOnlyAfterImageApplied();
    void disconnectByButton();
    void linkEnds_data();
    void linkEnds();
    void identity_data();
    void identity();
    void noDevice();
    void arrivalWhileOpenIsIgnored();
    void arrivalDecisions_data();
    void arrivalDecisions();
    void removalAndReconnect();
    void removalDuringFirmwareRestart();
    void deviceChangesAreAdopted();
    void masterVolumeSlider();
    void sliderWakesARestingLink();
    void sendNowOnlyWhileOpen();
    void groupWriteSilencesTheGroup();
    void copyChannel();
    void factoryReset_data();
    void factoryReset();
};

void TestConnection::readBackOrderAndAdoption() {
    Rig rig;
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    QVERIFY(rig.WaitForPolls(1));

    // The worker polls while the identifier reply waits for the controller, never inside the read-back.
    QStringList trace = TraceLines(*rig.sim);
    const QStringList expected = ConnectionRequests();
    QVERIFY(!trace.isEmpty());
    QCOMPARE(trace.takeFirst(), expected.first());
    while (!trace.isEmpty() && trace.first() == kStatusPollLine)
        trace.removeFirst();
    QCOMPARE(trace.mid(0, expected.size() - 1), expected.mid(1));
    QCOMPARE(trace.at(expected.size() - 1), kStatusPollLine);

    // What the window saw: connected look, the popup over 11 system reads and 8 blocks, each step, the end.
    QStringList lines{QStringLiteral("look connected"), QStringLiteral("popup show modal=0 range=19")};
    for (int i = 1; i <= 19; ++i)
        lines << QStringLiteral("position %1").arg(i);
    QStringList seen = rig.view.Lines();
    seen.removeAll(QStringLiteral("refresh presets"));
    lines << QStringLiteral("popup hide") << QStringLiteral("refresh all");
    QCOMPARE(seen, lines);
    QCOMPARE(rig.view.Count(QStringLiteral("refresh presets")), 6);

    // The model holds the device's image and system values.
    QCOMPARE(rig.model.Channel(3).GetGainCode(), kDeviceGain3);
    QCOMPARE(rig.Volume(), kDeviceVolume);
    QCOMPARE(int(rig.G().systemBlock[0]), kDeviceSource);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(rig.G().Preset(1).name), 15),
             QByteArray("Rock         \x20\x20", 15));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(rig.G().deviceId.data()), 17),
             QByteArray("PIRKAVO-31EQ-V3.0"));
    QVERIFY(!rig.view.PopupShown());
    QVERIFY(rig.view.Messages().isEmpty());
    QCOMPARE(rig.WriteCount(), 0);
}

void TestConnection::connectedOnlyAfterImageApplied_data() {
    QTest::addColumn<Way>("way");
    QTest::newRow("Connect button") << Way::Button;
    QTest::newRow("start-up") << Way::Auto;
    QTest::newRow("arrival") << Way::Arrival;
}

// Edits made while the image is on its way are not marked, not sent, and give way to the device's values.
void TestConnection::connectedOnlyAfterImageApplied() {
    QFETCH(Way, way);
    Rig rig;
    int connectedWhileReading = -1;
    int connectedAtRefresh = -1;
    int gainAtRefresh = -1;
    rig.view.onLine = [&](const QString& line) {
        if (line.startsWith(QStringLiteral("popup show"))) {
            connectedWhileReading = rig.G().connected;
            std::lock_guard lock(rig.C().LinkLock());
            CSystemSettings(rig.G()).SetMasterVolume(5);
            rig.model.Channel(0).SetChannelGain(7);
        } else if (line == QStringLiteral("refresh all")) {
            connectedAtRefresh = rig.G().connected;
            gainAtRefresh = rig.model.Channel(3).GetGainCode();
        }
    };
    QVERIFY(!rig.C().Connected());
    QVERIFY(Open(rig, way));
    QVERIFY(!rig.C().Connected());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    QCOMPARE(connectedWhileReading, 0);
    QCOMPARE(connectedAtRefresh, 0);
    QCOMPARE(gainAtRefresh, kDeviceGain3);

    // The popup shows once the batch is queued, so the worker may have read the system values before the
    // edit: then the device's volume comes back through the status poll, compared once the counter is full.
    QVERIFY(rig.WaitFor([&] { return rig.C().PollCompareCounter() >= KTVCommand::kPollCompareFull; }));
    QVERIFY(rig.WaitForPolls(3));
    QCOMPARE(rig.WriteCount(), 0);
    QCOMPARE(int(rig.sim->State().MasterVolume()), kDeviceVolume);
    QCOMPARE(rig.Volume(), kDeviceVolume);
    QCOMPARE(rig.model.Channel(0).GetGainCode(), 50);
    QCOMPARE(rig.G().systemPending.load(), 0);
    QCOMPARE(rig.model.Channel(0).GetGainPending(), 0);
}

void TestConnection::disconnectByButton() {
    Rig rig;
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    rig.view.Clear();

    QVERIFY(!rig.C().ToggleConnection());
    QVERIFY(!rig.C().LinkOpen());
    QVERIFY(!rig.C().Connected());
    QVERIFY(rig.WaitIdle()); // the worker has stopped
    QVERIFY(!rig.C().DeviceOpen());
    QCOMPARE(rig.view.Lines(), QStringList({QStringLiteral("popup hide"), QStringLiteral("look idle")}));

    // Edits while idle stay in the model; the device keeps its own.
    const int framesBefore = static_cast<int>(rig.sim->Trace().size());
    CSystemSettings(rig.G()).SetMasterVolume(9);
    rig.C().SendNow(144, 0);
    QCOMPARE(rig.G().systemPending.load(), 0);
    QCOMPARE(static_cast<int>(rig.sim->Trace().size()), framesBefore);

    // And the button connects again, reading the device afresh.
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    QCOMPARE(rig.Volume(), kDeviceVolume);
}

void TestConnection::linkEnds_data() {
    QTest::addColumn<std::function<void(Rig&)>>("cause");
    QTest::addColumn<QStringList>("messages");

    const QStringList failure{QStringLiteral("unable to connect")};
    QTest::newRow("device unplugged")
        << std::function<void(Rig&)>([](Rig& r) { r.sim->Unplug(); }) << failure;
    QTest::newRow("reply lost") << std::function<void(Rig&)>([](Rig& r) { r.sim->DropReplies(1); })
                                << failure;
    QTest::newRow("removal of the linked path, other case")
        << std::function<void(Rig&)>([](Rig& r) { r.C().DeviceRemoved("SIM"); }) << failure;
    QTest::newRow("empty data reply") << std::function<void(Rig&)>([](Rig& r) { r.sim->AnswerEmpty(1); })
                                      << QStringList{QStringLiteral("Please Update the Firmware!")};
    QTest::newRow("firmware finished")
        << std::function<void(Rig&)>([](Rig& r) { r.C().HandleMessage(UM_FIRMWARE_STATUS, 0, 179); })
        << QStringList{QStringLiteral("Update successfully!")};
}

void TestConnection::linkEnds() {
    QFETCH(std::function<void(Rig&)>, cause);
    QFETCH(QStringList, messages);
    Rig rig;
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    QVERIFY(rig.view.ConnectedLook());

    cause(rig);
    QVERIFY(rig.WaitIdle()); // the worker has stopped
    QCOMPARE(rig.view.Messages(), messages);
    QVERIFY(!rig.C().Connected());
    QVERIFY(!rig.view.ConnectedLook());
    QVERIFY(!rig.C().DeviceOpen());

    // Nothing more follows: one message, and a late notification of the closed link changes nothing.
    rig.C().HandleMessage(UM_LINK_LOST, 0, 0);
    rig.C().HandleMessage(UM_IMAGE_READ_DONE, 0, 0);
    QCoreApplication::processEvents();
    QCOMPARE(rig.view.Messages(), messages);
    QVERIFY(!rig.C().Connected());
}

void TestConnection::identity_data() {
    QTest::addColumn<QByteArray>("identifier");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << QByteArray("PIRKAVO-31EQ-V3.0") << true;
    QTest::newRow("differs after 15 characters") << QByteArray("PIRKAVO-31EQ-V3.7") << true;
    QTest::newRow("differs in the 15th") << QByteArray("PIRKAVO-31EQ-V4.0") << false;
    QTest::newRow("lower case") << QByteArray("pirkavo-31eq-v3.0") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestConnection::identity() {
    QFETCH(QByteArray, identifier);
    QFETCH(bool, accepted);
    Rig rig;
    rig.sim->SetIdentifier(identifier.toStdString());
    QVERIFY(rig.C().ToggleConnection());
    if (accepted) {
        QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
        return;
    }
    QVERIFY(rig.WaitIdle());
    QVERIFY(rig.view.Messages().isEmpty());
    QVERIFY(!rig.C().Connected());
    QVERIFY(!rig.view.ConnectedLook());
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(rig.G().deviceId.data()), 17), QByteArray(17, ' '));
    // The identifier request and the status polls that fill the queue meanwhile; nothing is read.
    QStringList trace = TraceLines(*rig.sim);
    trace.removeAll(kStatusPollLine);
    QCOMPARE(trace, QStringList{QStringLiteral("R 4/136 s0 p0")});
    QCOMPARE(rig.Volume(), 60); // nothing of the device was adopted
}

void TestConnection::noDevice() {
    Rig rig;
    rig.sim->Unplug();
    QVERIFY(rig.C().SetMasterVolumeFromSlider(10)); // a local change holds the device's values off
    QCOMPARE(rig.C().PollCompareCounter(), 0);

    QVERIFY(!rig.C().AutoConnect());
    QVERIFY(rig.view.Lines().isEmpty()); // silent at start-up
    QCOMPARE(rig.C().PollCompareCounter(), 80);

    QVERIFY(!rig.C().ToggleConnection());
    QCOMPARE(rig.view.Lines(), QStringList{QStringLiteral("message unable to connect")});
    QVERIFY(!rig.C().LinkOpen());

    rig.G().language = 1;
    rig.view.Clear();
    rig.C().ReportConnectFailure();
    QCOMPARE(CDeviceController::kConnectFailure.In(1), QStringLiteral("无法连接设备"));

    // Back again: the start-up message connects.
    rig.sim->PlugIn();
    rig.C().HandleMessage(UM_AUTO_CONNECT, 0, 0);
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
}

void TestConnection::arrivalWhileOpenIsIgnored() {
    Rig rig;
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    const int frames = static_cast<int>(TraceLines(*rig.sim).count(QStringLiteral("R 4/136 s0 p0")));
    QVERIFY(!rig.C().ConnectArrived("sim"));
    QVERIFY(rig.C().Connected());
    QVERIFY(rig.WaitForPolls(2));
    QCOMPARE(static_cast<int>(TraceLines(*rig.sim).count(QStringLiteral("R 4/136 s0 p0"))), frames);

    // A removal of another device leaves the link alone.
    rig.C().DeviceRemoved("/dev/hidraw9");
    QVERIFY(rig.C().LinkOpen());
    QVERIFY(rig.view.Messages().isEmpty());
}

void TestConnection::arrivalDecisions_data() {
    QTest::addColumn<std::optional<DeviceIds>>("ids");
    QTest::addColumn<bool>("claimedByOther");
    QTest::addColumn<bool>("connects");
    QTest::newRow("our box") << std::optional<DeviceIds>(kDeviceIds) << false << true;
    QTest::newRow("another HID device")
        << std::optional<DeviceIds>(DeviceIds{0x046D, 0xC077, 0x0200}) << false << false;
    QTest::newRow("our ids, other release")
        << std::optional<DeviceIds>(DeviceIds{0x0483, 0x5750, 0x0100}) << false << false;
    QTest::newRow("ids unknown") << std::optional<DeviceIds>() << false << false;
    QTest::newRow("claimed by another instance") << std::optional<DeviceIds>(kDeviceIds) << true << false;
}

// A device plugged in while idle connects by itself when it is ours and nobody else holds it.
void TestConnection::arrivalDecisions() {
    QFETCH(std::optional<DeviceIds>, ids);
    QFETCH(bool, claimedByOther);
    QFETCH(bool, connects);
    CTempSettings settings;
    QVERIFY(settings.isValid());
    if (claimedByOther) {
        // The process that started this test stands in for another running instance (no fork needed).
        const std::optional<ClaimOwner> other = ClaimOwner::Running(getppid());
        QVERIFY(other);
        CClaimList(*other).ClaimPath("sim");
    }

    MonitoredRig rig;
    rig.Arrive("sim", ids);
    if (connects) {
        QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
        QCOMPARE(rig.C().CurrentPath(), std::string("sim"));
        return;
    }
    QVERIFY(!rig.C().LinkOpen());
    QVERIFY(rig.view.Lines().isEmpty());
    QVERIFY(rig.sim->Trace().empty());
}

// Unplugging closes the link with the failure text; plugging back in reconnects and reads the device again.
void TestConnection::removalAndReconnect() {
    CTempSettings settings;
    MonitoredRig rig;
    QCOMPARE(rig.Arrive("sim"), DeviceDecision::Connect);
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);

    QCOMPARE(rig.Remove("/dev/hidraw7"), DeviceDecision::Ignore);
    QVERIFY(rig.C().Connected());

    rig.sim->Unplug();
    QCOMPARE(rig.Remove("SIM"), DeviceDecision::CloseLink);
    QVERIFY(!rig.C().LinkOpen());
    QVERIFY(rig.WaitIdle());
    QCOMPARE(rig.view.Messages(), QStringList{QStringLiteral("unable to connect")});
    QCoreApplication::processEvents(); // a link loss the worker may have posted meanwhile adds nothing
    QCOMPARE(rig.view.Messages(), QStringList{QStringLiteral("unable to connect")});

    rig.sim->ModifyState([](SimState& s) { s.live.outputs[3].gainCode = 17; });
    rig.sim->PlugIn();
    rig.ClearTrace();
    QCOMPARE(rig.Arrive("sim"), DeviceDecision::Connect);
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    QCOMPARE(rig.model.Channel(3).GetGainCode(), 17);
    QCOMPARE(TraceLines(*rig.sim).first(), QStringLiteral("R 4/136 s0 p0"));
}

// While an update waits for the restarted box (stages 176 and 255) its going away is expected.
void TestConnection::removalDuringFirmwareRestart() {
    CTempSettings settings;
    CIdleFirmware firmware; // outlives the rig, whose worker runs its cycles
    MonitoredRig rig;
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);

    rig.C().FirmwareHost().StartFirmwareLink(firmware);
    QVERIFY(rig.C().FirmwareUpdating());
    QVERIFY(!rig.C().Connected());
    for (int stage : {176, 255}) {
        rig.C().FirmwareHost().SetFirmwareStage(stage);
        QCOMPARE(rig.Remove("sim"), DeviceDecision::Ignore);
        rig.C().DeviceRemoved("sim");
        QVERIFY(rig.C().LinkOpen());
    }
    QCOMPARE(rig.Arrive("sim"), DeviceDecision::Ignore);

    rig.C().FirmwareHost().SetFirmwareStage(177);
    QCOMPARE(rig.Remove("sim"), DeviceDecision::CloseLink);
    QVERIFY(!rig.C().LinkOpen());
    QVERIFY(!rig.C().FirmwareUpdating());
    QVERIFY(rig.WaitIdle()); // a closed link keeps no firmware hook
    QCOMPARE(rig.view.Messages(), QStringList{QStringLiteral("unable to connect")});
}

void TestConnection::deviceChangesAreAdopted() {
    Rig rig;
    QVERIFY(rig.C().AutoConnect());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);

    rig.sim->UserSetVolume(21);
    QTRY_COMPARE_WITH_TIMEOUT(rig.Volume(), 21, kLimit);
    rig.sim->UserSelectSource(4);
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.G().systemBlock[0]), 4, kLimit);
    rig.sim->UserSetOutput(false);
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.G().systemBlock[5]), 0, kLimit);
    QVERIFY(rig.view.Count(QStringLiteral("refresh system")) >= 3);

    // Adopted silently: nothing was echoed to the device.
    QVERIFY(rig.WaitForPolls(2));
    QCOMPARE(rig.WriteCount(), 0);
}

void TestConnection::masterVolumeSlider() {
    Rig rig;
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    QVERIFY(rig.WaitForPolls(1));
    rig.ClearTrace();

    QVERIFY(!rig.C().SetMasterVolumeFromSlider(kDeviceVolume)); // unchanged: nothing to send
    int moves = 0;
    for (int v = 40; v <= 50; ++v, ++moves)
        QVERIFY(rig.C().SetMasterVolumeFromSlider(v));
    // Local changes keep the device's value from being adopted for the next 100 polls.
    QVERIFY(rig.C().PollCompareCounter() < KTVCommand::kPollCompareFull);
    QCOMPARE(
        rig.G().sourceVolumes[static_cast<std::size_t>(CSystemSettings::VolumeGroupOfSource(kDeviceSource))],
        std::uint8_t{50});
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim->State().MasterVolume()), 50, kLimit);

    const QStringList trace = TraceLines(*rig.sim);
    const int writes = static_cast<int>(trace.count(QStringLiteral("W 4/144 s0 p0")));
    QVERIFY(writes >= 1);
    QVERIFY(writes <= moves);
    QCOMPARE(CountWrites(trace), writes);
}

void TestConnection::sliderWakesARestingLink() {
    // An idle link would not poll again within the test.
    Rig rig([](SessionOptions& o) { o.timing.idlePoll = std::chrono::hours{1}; });
    QVERIFY(rig.Connect()); // the read-back batch woke it from the rest after the identifier's poll
    // The status poll after the read-back is answered: from here on the worker rests.
    QVERIFY(rig.WaitFor([&] {
        const QStringList trace = TraceLines(*rig.sim);
        return !trace.isEmpty() && trace.last() == kStatusPollLine && rig.C().Settled();
    }));

    QVERIFY(rig.C().SetMasterVolumeFromSlider(45));
    QVERIFY(rig.WaitFor([&] { return rig.sim->State().MasterVolume() == 45; }));
}

void TestConnection::sendNowOnlyWhileOpen() {
    Rig rig;
    rig.G().systemBlock[SystemLayout::kNoiseGate] = 4;
    rig.C().SendNow(144, 0);
    QVERIFY(rig.sim->Trace().empty());

    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    {
        std::lock_guard lock(rig.C().LinkLock());
        rig.G().systemBlock[SystemLayout::kNoiseGate] = 6;
    }
    rig.C().SendNow(144, 0);
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim->State().system[SystemLayout::kNoiseGate]), 6, kLimit);
}

// Linked channels 0 and 1 are silenced, written whole and switched back on, in this order on the wire.
void TestConnection::groupWriteSilencesTheGroup() {
    Rig rig;
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    QVERIFY(rig.WaitForPolls(1));
    rig.ClearTrace();
    {
        std::lock_guard lock(rig.C().LinkLock());
        rig.G().g_linkGroup[1] = 0;
        rig.model.Channel(1).SetDelay(77); // marks the gain group; the group write carries it
        rig.C().BeginGroupWrite(1);
        rig.C().QueueChannelBlock(0);
        rig.C().QueueChannelBlock(1);
        rig.C().EndGroupWrite(1);
    }
    QCOMPARE(rig.model.Channel(1).GetGainPending(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(rig.WriteCount(), 6, kLimit);

    QStringList writes;
    std::vector<SimFrame> frames;
    for (const SimFrame& f : rig.sim->Trace())
        if (f.header.command == 0xB3) {
            writes << DescribeFrame(f);
            frames.push_back(f);
        }
    QCOMPARE(writes, QStringList({QStringLiteral("W 3/0 s31 p0"), QStringLiteral("W 3/1 s31 p0"),
                                  QStringLiteral("W 3/0 s0 p0"), QStringLiteral("W 3/1 s0 p0"),
                                  QStringLiteral("W 3/0 s31 p0"), QStringLiteral("W 3/1 s31 p0")}));
    // Slice 31 starts with the output-on byte; in a whole block it is byte 248.
    QCOMPARE(int(frames[0].payload[0]), 0);
    QCOMPARE(int(frames[1].payload[0]), 0);
    QCOMPARE(int(frames[2].payload[248]), 0);
    QCOMPARE(int(frames[3].payload[248]), 0);
    QCOMPARE(int(frames[4].payload[0]), 1);
    QCOMPARE(int(frames[5].payload[0]), 1);
    const SimState device = rig.sim->State();
    QCOMPARE(int(device.live.outputs[1].outputOn), 1);
    QCOMPARE(int(device.live.outputs[1].delay), 77);
    QCOMPARE(int(device.live.outputs[0].gainCode), 50);
}

void TestConnection::copyChannel() {
    Rig rig;
    // While idle only the model changes.
    rig.model.Channel(2).SetChannelGain(12);
    rig.C().CopyChannel(2, 4);
    QCOMPARE(rig.model.Channel(4).GetGainCode(), 12);
    QVERIFY(rig.sim->Trace().empty());

    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    rig.view.Clear();
    rig.C().CopyChannel(3, 5);
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim->State().live.outputs[5].gainCode), kDeviceGain3, kLimit);
    QVERIFY(rig.view.Lines("popup").isEmpty()); // without the Link button no popup

    rig.C().SetLinkButton(true);
    rig.C().CopyChannel(3, 1);
    QCOMPARE(rig.view.Lines("popup"), QStringList{QStringLiteral("popup show modal=0 range=1")});
    QTRY_COMPARE_WITH_TIMEOUT(rig.view.Lines("popup").size(), 2, kLimit);
    QCOMPARE(rig.view.Lines("popup").last(), QStringLiteral("popup hide"));
    QCOMPARE(int(rig.sim->State().live.outputs[1].gainCode), kDeviceGain3);
}

void TestConnection::factoryReset_data() {
    QTest::addColumn<int>("link"); // 0 idle, 1 connected, 2 a firmware update owns the link
    QTest::addColumn<bool>("queued");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("idle") << 0 << false << QStringList{QStringLiteral("The device is not connected")};
    QTest::newRow("connected") << 1 << true << QStringList{};
    QTest::newRow("during a firmware update")
        << 2 << false << QStringList{QStringLiteral("Don't close up the update!")};
}

// The settings menu's factory reset after the user said yes: message 137 only with a link of its own.
void TestConnection::factoryReset() {
    QFETCH(int, link);
    QFETCH(bool, queued);
    QFETCH(QStringList, messages);
    CIdleFirmware firmware; // outlives the rig, whose worker may run its cycles
    Rig rig;
    if (link > 0)
        QVERIFY(rig.Connect());
    if (link == 2)
        rig.C().FirmwareHost().StartFirmwareLink(firmware);
    rig.ClearTrace();
    rig.view.Clear();

    QCOMPARE(rig.C().FactoryReset(), queued);
    QCOMPARE(rig.view.Messages(), messages);
    if (queued) {
        QVERIFY(rig.WaitFor([&] { return rig.C().Settled(); }));
        QCOMPARE(TraceLines(*rig.sim).filter(QStringLiteral("W ")),
                 QStringList{QStringLiteral("W 4/137 s0 p0")});
        QCOMPARE(int(rig.sim->State().live.outputs[3].gainCode), 60); // the factory image is back
    } else {
        QVERIFY(rig.sim->Trace().empty());
        QCOMPARE(int(rig.sim->State().live.outputs[3].gainCode), kDeviceGain3);
    }
}

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
