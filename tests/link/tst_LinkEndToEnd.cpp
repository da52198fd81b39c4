// The link against the simulated device: what the worker sends is what the device stores, and device faults
// end in the documented outcome.
#include "link/KTVCommand.h"
#include "link/LinkWorker.h"
#include "link/SocketTransport.h"
#include "link/TransferBatches.h"
#include "model/KTV_Data.h"
#include "sim/InProcessTransport.h"
#include "sim/SimDevice.h"
#include "sim/SimServer.h"
#include "support/CollectingNotifier.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

constexpr int kLimitMs = 20000;

std::uint8_t Pattern(std::size_t i, int seed) {
    return static_cast<std::uint8_t>((i * 13 + 5 + seed * 29) & 0xFF);
}

bool IsStatusPoll(const SimFrame& f) {
    return f.header.type == 4 && f.header.index == 3;
}

QByteArray Wire(const OutputBlock& block) {
    return QByteArray(reinterpret_cast<const char*>(&block), static_cast<qsizetype>(Layout::kOutputWireSize));
}

QByteArray Raw(const std::uint8_t* bytes, std::size_t n) {
    return QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(n));
}

struct Rig {
    explicit Rig(const TimingProfile& timing = TimingProfile::Fast()) : worker(command, transport, timing) {
        ResetModelGlobals(g);
        transport.Open();
    }
    ~Rig() { worker.StopLinkIO(); }

    // Every frame the device received except the status polls.
    std::vector<SimFrame> Requests() const {
        std::vector<SimFrame> out;
        for (const SimFrame& f : sim->Trace())
            if (!IsStatusPoll(f))
                out.push_back(f);
        return out;
    }
    int RequestCount() const { return static_cast<int>(Requests().size()); }

    std::shared_ptr<CSimDevice> sim = std::make_shared<CSimDevice>();
    CInProcessTransport transport{sim};
    ModelGlobals g;
    CCollectingNotifier notifier;
    KTVCommand command{g, notifier};
    CLinkWorker worker;
    CTransferBatches batches{command};
};

enum class Fault { DropReply, BadCheck, Repeat, EmptyReply };

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestLinkEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void connectionReadFillsTheModel();
    void writeAllLeavesTheDeviceEqualToTheProgram();
    void storeLiveIntoPreset();
    void faults_data();
    void faults();
    void statusPollFollowsTheBox();
    void pendingBandRampReachesTheDevice();
    void sameExchangeOverASocket();
};

void TestLinkEndToEnd::connectionReadFillsTheModel() {
    Rig rig;
    rig.sim->ModifyState([](SimState& s) {
        for (int c = 0; c < 8; ++c)
            for (std::size_t i = 0; i < Layout::kOutputWireSize; ++i)
                reinterpret_cast<std::uint8_t*>(&s.live.outputs[c])[i] = Pattern(i, c);
        s.system[0] = 2;
        s.system[2] = 33;
        s.system[8] = 24;
        s.system[24] = 150;
        s.sourceVolumes = {10, 20, 30, 40, 50, 0, 0, 0};
        s.currentPreset = 4;
        for (int p = 1; p <= 6; ++p)
            std::snprintf(reinterpret_cast<char*>(s.Preset(p).name), 16, "Preset number %d", p);
    });

    rig.worker.StartLinkIO();
    rig.batches.ReadDeviceIdentifier();
    QVERIFY(rig.notifier.WaitFor(UM_DEVICE_ID_READ).has_value());
    QCOMPARE(Raw(rig.g.deviceId.data(), 17), QByteArray("PIRKAVO-31EQ-V3.0"));

    {
        std::lock_guard lock(rig.command.LinkLock()); // one batch: nothing may come in between
        rig.batches.SystemReads();
        QCOMPARE(rig.batches.ReadPresetIntoLive(0, false).range, 19);
    }
    const auto done = rig.notifier.WaitFor(UM_IMAGE_READ_DONE);
    QVERIFY(done.has_value());
    QCOMPARE(done->wParam, qintptr(0));
    QVERIFY(rig.notifier.WaitFor(UM_TRANSFER_DONE).has_value());
    QCOMPARE(rig.notifier.Of(UM_TRANSFER_PROGRESS).back().wParam, qintptr(19));

    const SimState device = rig.sim->State();
    std::lock_guard lock(rig.command.LinkLock());
    for (int c = 0; c < 8; ++c)
        QCOMPARE(Wire(rig.g.liveImage.outputs[c]), Wire(device.live.outputs[c]));
    QCOMPARE(Raw(rig.g.systemBlock.data(), 20), Raw(device.system.data(), 20));
    QCOMPARE(Raw(rig.g.systemBlock.data() + 24, 8), Raw(device.system.data() + 24, 8));
    QCOMPARE(Raw(rig.g.sourceVolumes.data(), 5), Raw(device.sourceVolumes.data(), 5));
    QCOMPARE(rig.g.currentPreset, 4);
    QCOMPARE(rig.notifier.Count(UM_NAME_READ), 6);
    QCOMPARE(Raw(rig.g.Preset(3).name, 15), QByteArray("Preset number  "));
}

void TestLinkEndToEnd::writeAllLeavesTheDeviceEqualToTheProgram() {
    Rig rig;
    for (std::size_t i = 0; i < Layout::kImageSize; ++i) {
        rig.g.liveImage.Bytes()[i] = Pattern(i, 0);
        for (int p = 1; p <= 6; ++p)
            rig.g.Preset(p).Bytes()[i] = Pattern(i, p);
    }
    for (int p = 1; p <= 6; ++p)
        std::snprintf(reinterpret_cast<char*>(rig.g.Preset(p).name), 16, "Stored set %d   ", p);

    rig.worker.StartLinkIO();
    rig.batches.WriteAll();
    const auto done = rig.notifier.WaitFor(UM_TRANSFER_DONE);
    QVERIFY(done.has_value());
    QCOMPARE(done->lParam, qintptr(1));
    // The eight sound-back frames follow the end of the batch.
    QTRY_VERIFY_WITH_TIMEOUT(rig.RequestCount() >= 85, kLimitMs);
    QCOMPARE(rig.RequestCount(), 85);
    QCOMPARE(rig.sim->Counters().rejected, 0);

    const SimState device = rig.sim->State();
    std::lock_guard lock(rig.command.LinkLock());
    for (int p = 1; p <= 6; ++p) {
        const ParamImage& mine = rig.g.Preset(p);
        const ParamImage& theirs = device.Preset(p);
        QCOMPARE(Raw(theirs.name, 15), Raw(mine.name, 15));
        QCOMPARE(theirs.name[15], std::uint8_t{0});
        QCOMPARE(Raw(theirs.inputB, 112), Raw(mine.inputB, 112));
        for (int c = 0; c < 8; ++c)
            QCOMPARE(Wire(theirs.outputs[c]), Wire(mine.outputs[c]));
    }
    QCOMPARE(Raw(device.live.inputB, 112), Raw(rig.g.liveImage.inputB, 112));
    for (int c = 0; c < 8; ++c)
        QCOMPARE(Wire(device.live.outputs[c]), Wire(rig.g.liveImage.outputs[c])); // sound back restored 248
}

void TestLinkEndToEnd::storeLiveIntoPreset() {
    Rig rig;
    for (int c = 0; c < 8; ++c)
        rig.g.liveImage.outputs[c].delay = static_cast<std::uint16_t>(100 + c);
    std::memcpy(rig.g.Preset(2).name, "Bass\0\0\0\0\0\0\0\0\0\0\0\0", 16);
    rig.g.systemBlock[5] = 1;

    rig.worker.StartLinkIO();
    rig.batches.StoreLiveIntoPreset(2);
    QVERIFY(rig.notifier.WaitFor(UM_TRANSFER_DONE).has_value());
    QTRY_VERIFY_WITH_TIMEOUT(rig.RequestCount() >= 11, kLimitMs);

    const auto requests = rig.Requests();
    QCOMPARE(requests.front().payload[5], std::uint8_t{0}); // master off first
    QCOMPARE(requests.back().payload[5], std::uint8_t{1});  // and back on last
    const SimState device = rig.sim->State();
    QCOMPARE(Raw(device.Preset(2).name, 16), Raw(rig.g.Preset(2).name, 16));
    for (int c = 0; c < 8; ++c)
        QCOMPARE(device.Preset(2).outputs[c].delay, std::uint16_t(100 + c));
    QCOMPARE(device.system[5], std::uint8_t{1});
}

void TestLinkEndToEnd::faults_data() {
    QTest::addColumn<Fault>("fault");
    QTest::newRow("dropped reply") << Fault::DropReply;
    QTest::newRow("bad check byte") << Fault::BadCheck;
    QTest::newRow("repeat request") << Fault::Repeat;
    QTest::newRow("empty data reply") << Fault::EmptyReply;
}

void TestLinkEndToEnd::faults() {
    QFETCH(Fault, fault);
    Rig rig;
    for (std::size_t i = 0; i < Layout::kOutputWireSize; ++i)
        reinterpret_cast<std::uint8_t*>(&rig.g.liveImage.outputs[5])[i] = Pattern(i, 5);

    // The faulty exchange is the first one: the frame is queued before the worker starts.
    if (fault == Fault::EmptyReply)
        rig.command.Push(rig.command.BuildSystemRead(KTVCommand::kSubSystemBlock, 0));
    else
        rig.command.Push(rig.command.BuildBlockWrite(0, 3, 5, true));
    switch (fault) {
    case Fault::DropReply:
        rig.sim->DropReplies(1);
        break;
    case Fault::BadCheck:
        rig.sim->CorruptChecks(1);
        break;
    case Fault::Repeat:
        rig.sim->RequestRepeats(1);
        break;
    case Fault::EmptyReply:
        rig.sim->AnswerEmpty(1);
        break;
    }
    rig.worker.StartLinkIO();

    switch (fault) {
    case Fault::DropReply:
    case Fault::BadCheck: {
        // Nothing valid comes back: the link is reported lost once and the frame is not sent again.
        QVERIFY(rig.notifier.WaitFor(UM_LINK_LOST).has_value());
        QVERIFY(rig.worker.StopLinkIO());
        QCOMPARE(rig.notifier.Count(UM_LINK_LOST), 1);
        QCOMPARE(rig.RequestCount(), 1);
        QCOMPARE(rig.sim->Trace().size(), std::size_t{1});
        QCOMPARE(rig.command.Count(), 1);
        break;
    }
    case Fault::Repeat: {
        // The same 312 bytes go out again and are then acted on.
        QTRY_VERIFY_WITH_TIMEOUT(rig.sim->State().live.outputs[5].delay == rig.g.liveImage.outputs[5].delay &&
                                     rig.RequestCount() == 2,
                                 kLimitMs);
        const auto requests = rig.Requests();
        QCOMPARE(requests[0], requests[1]);
        QCOMPARE(requests[0].payload.size(), std::size_t{296});
        QCOMPARE(Wire(rig.sim->State().live.outputs[5]), Wire(rig.g.liveImage.outputs[5]));
        QVERIFY(rig.worker.StopLinkIO());
        QCOMPARE(rig.notifier.Count(UM_LINK_LOST), 0);
        break;
    }
    case Fault::EmptyReply: {
        // The device's firmware predates the read: reported, and the worker sends nothing more.
        QVERIFY(rig.notifier.WaitFor(UM_FIRMWARE_TOO_OLD).has_value());
        QVERIFY(rig.command.StopFlag());
        QVERIFY(rig.worker.StopLinkIO());
        QCOMPARE(rig.sim->Trace().size(), std::size_t{1});
        QCOMPARE(rig.command.Count(), 1);
        QCOMPARE(rig.notifier.Count(UM_LINK_LOST), 0);
        break;
    }
    }
}

void TestLinkEndToEnd::statusPollFollowsTheBox() {
    Rig rig;
    {
        std::lock_guard lock(rig.command.LinkLock());
        rig.g.systemBlock[0] = 0;
        WriteU16(&rig.g.systemBlock[2], 60);
        rig.g.systemBlock[5] = 1;
        rig.command.SetPollCompareCounter(80);
    }
    rig.worker.StartLinkIO();
    rig.sim->UserSelectSource(3);
    const auto source = rig.notifier.WaitFor(UM_DEVICE_SOURCE);
    QVERIFY(source.has_value());
    QCOMPARE(source->wParam, qintptr(3));
    QCOMPARE(rig.notifier.Count(UM_DEVICE_VOLUME), 0);

    {
        std::lock_guard lock(rig.command.LinkLock()); // the controller adopts the source
        rig.g.systemBlock[0] = 3;
    }
    rig.sim->UserSetVolume(25);
    const auto volume = rig.notifier.WaitFor(UM_DEVICE_VOLUME);
    QVERIFY(volume.has_value());
    QCOMPARE(volume->wParam, qintptr(25));
}

void TestLinkEndToEnd::pendingBandRampReachesTheDevice() {
    Rig rig;
    CKTV_Data model(rig.g);
    const auto stopFirst = qScopeGuard([&rig] { rig.worker.StopLinkIO(); }); // the worker reads the model
    for (int c = 0; c < 8; ++c)
        model.Channel(c).ApplyChannel(rig.g.liveImage.outputs[c]);
    CFilter& band = model.Channel(1).Band(7);
    band.SetFreq(100, 0);
    rig.g.connected = 1;
    rig.worker.StartLinkIO();

    band.SetFreq(800, 1); // three octaves up: the device sees every step
    // Wait until a status poll follows the ramp: then nothing of it is left to send.
    auto ramp = [&rig](bool& settled) {
        QList<int> freqs;
        settled = false;
        for (const SimFrame& f : rig.sim->Trace()) {
            if (f.header.type == 3 && f.header.index == 1 && f.header.slice == 7) {
                freqs << ReadU16(f.payload.data());
                settled = false;
            } else if (IsStatusPoll(f) && !freqs.isEmpty()) {
                settled = true;
            }
        }
        return freqs;
    };
    bool settled = false;
    QTRY_VERIFY_WITH_TIMEOUT((ramp(settled), settled), kLimitMs);
    QCOMPARE(ramp(settled), (QList<int>{200, 400, 800, 800}));
    QCOMPARE(rig.sim->State().live.outputs[1].bands[7].freq, std::uint16_t{800});
    QCOMPARE(rig.sim->State().live.outputs[1].bands[7].freq, rig.g.liveImage.outputs[1].bands[7].freq);
    QCOMPARE(band.GetPending(), 0);
}

void TestLinkEndToEnd::sameExchangeOverASocket() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("box.sock")).toStdString();
    auto sim = std::make_shared<CSimDevice>();
    sim->ModifyState([](SimState& s) {
        for (int c = 0; c < 8; ++c)
            s.live.outputs[c].delay = static_cast<std::uint16_t>(10 * c + 1);
    });
    CSimServer server(sim, path);
    std::string error;
    QVERIFY2(server.Start(&error), error.c_str());

    const TimingProfile timing = TimingProfile::Fast();
    CSocketTransport transport(path, timing.readWait);
    QVERIFY(transport.Open());
    ModelGlobals g;
    ResetModelGlobals(g);
    CCollectingNotifier notifier;
    KTVCommand command(g, notifier);
    CLinkWorker worker(command, transport, timing);
    CTransferBatches batches(command);

    // The connection read: identifier, system values, names and the live image.
    worker.StartLinkIO();
    batches.ReadDeviceIdentifier();
    QVERIFY(notifier.WaitFor(UM_DEVICE_ID_READ).has_value());
    QCOMPARE(Raw(g.deviceId.data(), 17), QByteArray("PIRKAVO-31EQ-V3.0"));
    {
        std::lock_guard lock(command.LinkLock());
        batches.SystemReads();
        batches.ReadPresetIntoLive(0, false);
    }
    QVERIFY(notifier.WaitFor(UM_IMAGE_READ_DONE).has_value());
    {
        std::lock_guard lock(command.LinkLock());
        for (int c = 0; c < 8; ++c)
            QCOMPARE(g.liveImage.outputs[c].delay, std::uint16_t(10 * c + 1));
    }

    // The write-all batch leaves the device's presets equal to the program's copies.
    {
        std::lock_guard lock(command.LinkLock());
        for (int p = 1; p <= 6; ++p)
            for (int c = 0; c < 8; ++c)
                g.Preset(p).outputs[c].delay = static_cast<std::uint16_t>(100 * p + c);
    }
    batches.WriteAll();
    QVERIFY(notifier.WaitForCount(UM_TRANSFER_DONE, 2));
    auto requests = [&sim] {
        const std::vector<SimFrame> trace = sim->Trace();
        return std::count_if(trace.begin(), trace.end(), [](const SimFrame& f) { return !IsStatusPoll(f); });
    };
    QTRY_COMPARE_WITH_TIMEOUT(requests(), std::ptrdiff_t{1 + 11 + 8 + 85}, kLimitMs);
    const SimState device = sim->State();
    {
        std::lock_guard lock(command.LinkLock());
        for (int p = 1; p <= 6; ++p)
            for (int c = 0; c < 8; ++c)
                QCOMPARE(Wire(device.Preset(p).outputs[c]), Wire(g.Preset(p).outputs[c]));
    }
    QCOMPARE(sim->Counters().rejected, 0);

    // Unplugging the device closes the socket: the link is lost, once.
    sim->Unplug();
    QVERIFY(notifier.WaitFor(UM_LINK_LOST).has_value());
    QVERIFY(worker.StopLinkIO());
    QCOMPARE(notifier.Count(UM_LINK_LOST), 1);
    transport.Close();
    server.Stop();
}

QTEST_GUILESS_MAIN(TestLinkEndToEnd)
#include "tst_LinkEndToEnd.moc"
