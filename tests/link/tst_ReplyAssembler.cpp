// The reply side: finding frames in received bytes, acting on their command and storing data replies.
#include "link/FirmwareHook.h"
#include "link/KTVCommand.h"
#include "support/CollectingNotifier.h"
#include "support/ReplyFrames.h"

#include <QtTest>

#include <cstring>

using Bytes = std::vector<std::uint8_t>;
Q_DECLARE_METATYPE(Bytes)

namespace {

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// An acknowledge frame without its leading sync bytes: start byte onwards.
Bytes AckBody(std::uint8_t start = 0xA3) {
    Bytes f = ReplyFrames::Make(ReplyFrames::kAck, 0, 0, 0, 0, {}, start);
    return Bytes(f.begin() + 3, f.end());
}

Bytes Filled(std::size_t n, std::uint8_t first) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(first + i);
    return b;
}

struct Rig {
    ModelGlobals g;
    CCollectingNotifier notifier;
    KTVCommand command{g, notifier};

    // Queues `count` status polls, each marked as completely written.
    void QueueWritten(int count = 1) {
        for (int i = 0; i < count; ++i) {
            auto p = command.BuildSliceWrite(KTVCommand::kStatusPollType, 0, 0);
            p->readPosition = p->Length();
            command.Push(std::move(p));
        }
    }
    bool Feed(const Bytes& b) { return command.FeedBytes(b.data(), b.size()); }
};

} // namespace

class TestReplyAssembler : public QObject {
    Q_OBJECT

private slots:
    void sync_data();
    void sync();
    void frameSplitOverChunks();
    void oversizedReplyIsDroppedAndSyncRecovers();
    void reportSkipsItsId();
    void commands_data();
    void commands();
    void outputBlocks_data();
    void outputBlocks();
    void inputAndEffectBlocks();
    void systemFields();
    void presetNameKeepsThirteenCharacters_data();
    void presetNameKeepsThirteenCharacters();
    void emptyDataReplyStopsTheLink();
    void statusPollCounter();
    void statusPollOrder_data();
    void statusPollOrder();
    void statusPollIgnoredWhileALocalChangeWaits_data();
    void statusPollIgnoredWhileALocalChangeWaits();
    void batchReplySide_data();
    void batchReplySide();
    void clearDropsAHalfFrame();
    void firmwareHookSeesTheHeadBeforeTheCommandActs();
};

void TestReplyAssembler::sync_data() {
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<bool>("valid");

    const Bytes a2x3{0xA2, 0xA2, 0xA2};
    Bytes badCheck = ReplyFrames::Ack();
    badCheck[14] ^= 0x01;
    Bytes badEnd = ReplyFrames::Ack();
    badEnd[15] = 0xAB;

    QTest::newRow("three A2 then A3") << Concat({a2x3, AckBody()}) << true;
    QTest::newRow("three A2 then another start byte") << Concat({a2x3, AckBody(0x5A)}) << true;
    QTest::newRow("EE without sync") << AckBody(0xEE) << true;
    QTest::newRow("EE after stray bytes") << Concat({{0x00, 0x17, 0xA2}, AckBody(0xEE)}) << true;
    QTest::newRow("four A2 spoil the sync") << Concat({{0xA2}, a2x3, AckBody()}) << false;
    QTest::newRow("two A2 are not enough") << Concat({{0xA2, 0xA2}, AckBody()}) << false;
    QTest::newRow("noise before the sync") << Concat({{0x01, 0x02, 0xAA, 0xA3}, a2x3, AckBody()}) << true;
    QTest::newRow("wrong check byte") << badCheck << false;
    QTest::newRow("wrong end byte") << badEnd << false;
    QTest::newRow("bad frame, then a good one") << Concat({badCheck, ReplyFrames::Ack()}) << true;
}

void TestReplyAssembler::sync() {
    QFETCH(Bytes, bytes);
    QFETCH(bool, valid);
    Rig rig;
    rig.QueueWritten(2);
    QCOMPARE(rig.Feed(bytes), valid);
    QCOMPARE(rig.command.Count(), valid ? 1 : 2);
}

void TestReplyAssembler::frameSplitOverChunks() {
    Rig rig;
    rig.QueueWritten(2);
    const Bytes payload = Filled(20, 1);
    const Bytes frame = ReplyFrames::Data(0, 4, 136, 0, payload);
    const Bytes head(frame.begin(), frame.begin() + 9);
    const Bytes tail(frame.begin() + 9, frame.end());
    QVERIFY(!rig.Feed(head));
    QVERIFY(rig.Feed(Concat({tail, ReplyFrames::Ack()}))); // the trailing acknowledge is dropped
    QCOMPARE(rig.command.Count(), 1);
    QCOMPARE(rig.g.deviceId[16], std::uint8_t{17});
}

void TestReplyAssembler::oversizedReplyIsDroppedAndSyncRecovers() {
    Rig rig;
    rig.QueueWritten(2);
    // Declares 400 payload bytes: more than the assembly buffer holds.
    Bytes huge = ReplyFrames::Data(0, 3, 0, 0xAB, Bytes(400, 0x55));
    QVERIFY(!rig.Feed(huge));
    QCOMPARE(rig.command.Count(), 2);
    QVERIFY(std::all_of(rig.g.liveImage.Bytes(), rig.g.liveImage.Bytes() + Layout::kImageSize,
                        [](std::uint8_t b) { return b == 0; }));
    // Within the same chunk, too.
    QVERIFY(rig.Feed(Concat({Bytes(huge.begin(), huge.begin() + 40), ReplyFrames::Ack()})));
    QCOMPARE(rig.command.Count(), 1);
}

void TestReplyAssembler::reportSkipsItsId() {
    Rig rig;
    rig.QueueWritten(1);
    Report report{};
    report[0] = 0xEE; // the report id is never a start byte
    const Bytes ack = ReplyFrames::Ack();
    std::copy(ack.begin(), ack.end(), report.begin() + 1);
    QVERIFY(rig.command.FeedReport(report));
    QCOMPARE(rig.command.Count(), 0);
}

void TestReplyAssembler::commands_data() {
    QTest::addColumn<Bytes>("reply");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("headReadPosition"); // -1: the head is unchanged (fully written)

    QTest::newRow("acknowledge removes exactly one") << ReplyFrames::Ack() << 2 << -1;
    QTest::newRow("repeat removes none and rewinds") << ReplyFrames::Repeat() << 3 << 0;
    QTest::newRow("unknown command keeps the head") << ReplyFrames::Make(0x70, 0, 0, 0, 0, {}) << 3 << -1;
    QTest::newRow("data reply removes one") << ReplyFrames::Data(0, 4, 64, 0, Bytes{3}) << 2 << -1;
    QTest::newRow("data of an unknown type keeps the head")
        << ReplyFrames::Data(0, 9, 0, 0, Bytes{3}) << 3 << -1;
}

void TestReplyAssembler::commands() {
    QFETCH(Bytes, reply);
    QFETCH(int, left);
    QFETCH(int, headReadPosition);
    Rig rig;
    rig.QueueWritten(3);
    SendData* head = rig.command.Queue().Head();
    QVERIFY(rig.Feed(reply));
    QCOMPARE(rig.command.Count(), left);
    if (left == 3)
        QCOMPARE(rig.command.Queue().Head()->readPosition,
                 headReadPosition < 0 ? head->Length() : headReadPosition);
    else
        QVERIFY(rig.command.Queue().Head() != head);
}

void TestReplyAssembler::outputBlocks_data() {
    QTest::addColumn<int>("preset");
    QTest::addColumn<int>("byte9");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("destination"); // 0 the live image, p the copy of preset p
    QTest::addColumn<int>("message");     // 0 none
    QTest::addColumn<int>("wParam");

    QTest::newRow("preset 3 block 7 into its copy, silent") << 3 << 0xAB << 7 << 3 << 0 << 0;
    QTest::newRow("preset 6 block 7 ends the preset read")
        << 6 << 0xAB << 7 << 6 << int(UM_PRESETS_READ_DONE) << 6;
    QTest::newRow("live block 7 ends the image read") << 0 << 0xAB << 7 << 0 << int(UM_IMAGE_READ_DONE) << 0;
    QTest::newRow("preset 3 read into the live image") << 3 << 0 << 7 << 0 << int(UM_IMAGE_READ_DONE) << 3;
    QTest::newRow("live block 2, silent") << 0 << 0xAB << 2 << 0 << 0 << 0;
    QTest::newRow("preset 6 block 6 into its copy, silent") << 6 << 0xAB << 6 << 6 << 0 << 0;
}

void TestReplyAssembler::outputBlocks() {
    QFETCH(int, preset);
    QFETCH(int, byte9);
    QFETCH(int, index);
    QFETCH(int, destination);
    QFETCH(int, message);
    QFETCH(int, wParam);

    Rig rig;
    rig.QueueWritten();
    const Bytes block = Filled(298, 9); // two bytes more than the wire block: they must not land
    QVERIFY(rig.Feed(
        ReplyFrames::Data(std::uint8_t(preset), 3, std::uint8_t(index), std::uint8_t(byte9), block)));
    QCOMPARE(rig.command.Count(), 0);

    ParamImage& target = destination == 0 ? rig.g.liveImage : rig.g.Preset(destination);
    ParamImage& other = destination == 0 ? rig.g.Preset(preset == 0 ? 1 : preset) : rig.g.liveImage;
    const std::uint8_t* stored = reinterpret_cast<const std::uint8_t*>(&target.outputs[index]);
    QVERIFY(std::equal(block.begin(), block.begin() + 296, stored));
    QCOMPARE(stored[296], std::uint8_t{0});
    QCOMPARE(stored[297], std::uint8_t{0});
    QCOMPARE(other.outputs[index].bands[0].freq, std::uint16_t{0});

    const auto all = rig.notifier.All();
    if (message == 0) {
        QVERIFY(all.empty());
    } else {
        QCOMPARE(all.size(), std::size_t{1});
        QCOMPARE(all[0], (Notification{message, wParam, 0}));
    }
}

void TestReplyAssembler::inputAndEffectBlocks() {
    Rig rig;
    rig.QueueWritten(6);
    const Bytes input = Filled(112, 40);
    const Bytes effect = Filled(96, 80);

    QVERIFY(rig.Feed(ReplyFrames::Data(4, 2, 2, 0xAB, input)));
    QVERIFY(std::equal(input.begin(), input.end(), rig.g.Preset(4).inputB));
    QVERIFY(rig.Feed(ReplyFrames::Data(0, 1, 0, 0xAB, input)));
    QVERIFY(std::equal(input.begin(), input.end(), rig.g.liveImage.inputA));

    QVERIFY(rig.Feed(ReplyFrames::Data(25, 10, 0, 0xAB, effect))); // record 25 - 21, after its name
    QVERIFY(std::equal(effect.begin(), effect.end(), rig.g.effectRecords[4].data() + 16));
    QCOMPARE(rig.g.effectRecords[4][15], std::uint8_t{0});
    QVERIFY(rig.Feed(ReplyFrames::Data(3, 10, 0, 0xAB, effect)));
    QVERIFY(std::equal(effect.begin(), effect.end(), rig.g.Preset(3).effect));
    QVERIFY(rig.notifier.All().empty());

    QVERIFY(rig.Feed(ReplyFrames::Data(22, 10, 0, 0, effect)));
    QVERIFY(std::equal(effect.begin(), effect.end(), rig.g.liveImage.effect));
    QCOMPARE(rig.notifier.All(), (std::vector<Notification>{{UM_EFFECT_BLOCK_READ, 22, 0}}));
    QCOMPARE(rig.command.Count(), 1);
}

void TestReplyAssembler::systemFields() {
    Rig rig;
    rig.QueueWritten(7);
    rig.g.systemBlock.fill(0xEE);
    rig.g.sourceVolumes.fill(0xEE);

    QVERIFY(rig.Feed(ReplyFrames::Data(0, 4, 144, 0, Filled(10, 1))));  // cut to 8
    QVERIFY(rig.Feed(ReplyFrames::Data(0, 4, 145, 0, Filled(14, 21)))); // cut to 12
    QVERIFY(rig.Feed(ReplyFrames::Data(0, 4, 146, 0, Filled(9, 41))));  // cut to 8
    QVERIFY(rig.Feed(ReplyFrames::Data(0, 4, 48, 0, Filled(8, 61))));   // five volumes kept
    QVERIFY(rig.Feed(ReplyFrames::Data(0, 4, 64, 0, Bytes{4, 9})));
    QVERIFY(rig.Feed(ReplyFrames::Data(0, 4, 136, 0, Filled(20, 0x30))));

    // clang-format off
    const std::array<std::uint8_t, 32> system{
        1, 2, 3, 4, 5, 6, 7, 8,                         // 144
        21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, // 145
        0xEE, 0xEE, 0xEE, 0xEE,                         // never sent or read
        41, 42, 43, 44, 45, 46, 47, 48};                // 146
    // clang-format on
    QCOMPARE(rig.g.systemBlock, system);
    QCOMPARE(rig.g.sourceVolumes, (std::array<std::uint8_t, 8>{61, 62, 63, 64, 65, 0xEE, 0xEE, 0xEE}));
    QCOMPARE(rig.g.currentPreset, 4);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(rig.g.deviceId.data()), 17),
             QByteArray("0123456789:;<=>?@"));
    QCOMPARE(rig.notifier.All(), (std::vector<Notification>{{UM_DEVICE_ID_READ, 0, 0}}));

    // A sub-code without a field is ignored, but its reply still finishes the packet.
    QVERIFY(rig.Feed(ReplyFrames::Data(0, 4, 99, 0, Filled(8, 1))));
    QCOMPARE(rig.command.Count(), 0);
    QCOMPARE(rig.g.systemBlock, system);
}

void TestReplyAssembler::presetNameKeepsThirteenCharacters_data() {
    QTest::addColumn<int>("preset");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("stored"); // 16 bytes of the name field afterwards

    QTest::newRow("preset 2, fifteen characters")
        << 2 << QByteArray("ABCDEFGHIJKLMNO") << QByteArray("ABCDEFGHIJKLM  Z");
    QTest::newRow("live name") << 0 << QByteArray("ABCDEFGHIJKLMNO") << QByteArray("ABCDEFGHIJKLM  Z");
    QTest::newRow("short reply") << 6 << QByteArray("Bass") << QByteArray("Bassxxxxxxxxx  Z");
}

void TestReplyAssembler::presetNameKeepsThirteenCharacters() {
    QFETCH(int, preset);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, stored);
    Rig rig;
    rig.QueueWritten();
    ParamImage& image = preset == 0 ? rig.g.liveImage : rig.g.Preset(preset);
    std::memcpy(image.name, "xxxxxxxxxxxxxxxZ", 16);
    const Bytes payload(sent.begin(), sent.end());
    QVERIFY(rig.Feed(ReplyFrames::Data(std::uint8_t(preset), 4, 134, 0, payload)));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.name), 16), stored);
    QCOMPARE(rig.notifier.All(), (std::vector<Notification>{{UM_NAME_READ, preset, 0}}));
}

void TestReplyAssembler::emptyDataReplyStopsTheLink() {
    Rig rig;
    rig.QueueWritten(2);
    QVERIFY(!rig.command.StopFlag());
    QVERIFY(rig.Feed(ReplyFrames::Data(0, 3, 7, 0xAB, {})));
    QVERIFY(rig.command.StopFlag());
    QCOMPARE(rig.command.Count(), 2);
    QCOMPARE(rig.notifier.All(), (std::vector<Notification>{{UM_FIRMWARE_TOO_OLD, 0, 0}}));
}

void TestReplyAssembler::statusPollCounter() {
    Rig rig;
    rig.g.systemBlock[0] = 1;
    WriteU16(&rig.g.systemBlock[2], 30);
    rig.g.systemBlock[5] = 1;
    rig.command.SetPollCompareCounter(0); // the user just moved the master volume
    const Bytes otherSourceAndVolume = ReplyFrames::Data(0, 4, 3, 0, Bytes{44, 1, 2});
    for (int reply = 1; reply <= 99; ++reply) {
        rig.QueueWritten();
        QVERIFY(rig.Feed(otherSourceAndVolume));
    }
    QVERIFY(rig.notifier.All().empty());
    QCOMPARE(rig.command.PollCompareCounter(), 99);

    rig.QueueWritten();
    QVERIFY(rig.Feed(otherSourceAndVolume));
    QCOMPARE(rig.notifier.All(), (std::vector<Notification>{{UM_DEVICE_SOURCE, 2, 0}}));
    QCOMPARE(rig.command.PollCompareCounter(), 100);

    rig.QueueWritten();
    QVERIFY(rig.Feed(otherSourceAndVolume));
    QCOMPARE(rig.notifier.Count(UM_DEVICE_SOURCE), 2);
    QCOMPARE(rig.command.PollCompareCounter(), 100); // saturates
}

void TestReplyAssembler::statusPollOrder_data() {
    QTest::addColumn<Bytes>("status"); // volume, output switch, source
    QTest::addColumn<int>("message");
    QTest::addColumn<int>("wParam");

    QTest::newRow("same state") << Bytes{30, 1, 1} << 0 << 0;
    QTest::newRow("everything differs: source only") << Bytes{31, 0, 4} << int(UM_DEVICE_SOURCE) << 4;
    QTest::newRow("volume and switch differ: volume") << Bytes{12, 0, 1} << int(UM_DEVICE_VOLUME) << 12;
    QTest::newRow("switch differs") << Bytes{30, 0, 1} << int(UM_DEVICE_MUTE) << 0;
    QTest::newRow("longer payload") << Bytes{30, 1, 1, 9, 9, 9, 9, 9} << 0 << 0;
    QTest::newRow("too short to compare") << Bytes{31, 0} << 0 << 0;
}

void TestReplyAssembler::statusPollOrder() {
    QFETCH(Bytes, status);
    QFETCH(int, message);
    QFETCH(int, wParam);
    Rig rig;
    rig.g.systemBlock[0] = 1;
    WriteU16(&rig.g.systemBlock[2], 30);
    rig.g.systemBlock[5] = 1;
    rig.command.SetPollCompareCounter(100);
    rig.QueueWritten();
    QVERIFY(rig.Feed(ReplyFrames::Data(0, 4, 3, 0, status)));
    QCOMPARE(rig.command.Count(), 0);
    if (message == 0)
        QVERIFY(rig.notifier.All().empty());
    else
        QCOMPARE(rig.notifier.All(), (std::vector<Notification>{{message, wParam, 0}}));
}

void TestReplyAssembler::statusPollIgnoredWhileALocalChangeWaits_data() {
    QTest::addColumn<bool>("marked");       // the system block is marked pending
    QTest::addColumn<bool>("queuedBehind"); // a system write waits behind the poll
    QTest::newRow("nothing waits") << false << false;
    QTest::newRow("marked") << true << false;
    QTest::newRow("queued behind the poll") << false << true;
}

// A poll queued before the user switched the output off answers with the old state; it must not take the
// user's change back while that change still waits to go out.
void TestReplyAssembler::statusPollIgnoredWhileALocalChangeWaits() {
    QFETCH(bool, marked);
    QFETCH(bool, queuedBehind);
    Rig rig;
    rig.g.systemBlock[0] = 1;
    WriteU16(&rig.g.systemBlock[2], 30);
    rig.command.SetPollCompareCounter(100);
    rig.QueueWritten();
    rig.g.systemBlock[5] = 0; // the user's change, after the poll was queued
    rig.g.systemPending = marked ? 1 : 0;
    if (queuedBehind)
        rig.command.Push(rig.command.BuildSystemWrite(KTVCommand::kSubSystemBlock, 0));
    QVERIFY(rig.Feed(ReplyFrames::Data(0, 4, 3, 0, Bytes{30, 1, 1}))); // the device still on
    if (marked || queuedBehind)
        QVERIFY(rig.notifier.All().empty());
    else
        QCOMPARE(rig.notifier.All(), (std::vector<Notification>{{UM_DEVICE_MUTE, 1, 0}}));
}

void TestReplyAssembler::batchReplySide_data() {
    QTest::addColumn<int>("progressIndex");
    QTest::addColumn<int>("ends"); // 0 none, 1 read, 2 write
    QTest::addColumn<bool>("completion");
    QTest::addColumn<int>("firmwareStage");
    QTest::addColumn<bool>("fullyWritten");
    QTest::addColumn<Bytes>("reply");
    QTest::addColumn<QList<int>>("posted"); // message, wParam, lParam triples

    const Bytes ack = ReplyFrames::Ack();
    const QList<int> none;
    QTest::newRow("plain packet") << 0 << 0 << false << 0 << true << ack << none;
    QTest::newRow("progress item") << 5 << 0 << false << 0 << true << ack
                                   << QList<int>{UM_TRANSFER_PROGRESS, 5, 0};
    QTest::newRow("ends a write batch") << 84 << 2 << false << 0 << true << ack
                                        << QList<int>{UM_TRANSFER_PROGRESS, 84, 0, UM_TRANSFER_DONE, 0, 1};
    QTest::newRow("ends a read batch (data reply)")
        << 18 << 1 << false << 0 << true << ReplyFrames::Data(0, 4, 64, 0, Bytes{1})
        << QList<int>{UM_TRANSFER_PROGRESS, 18, 0, UM_TRANSFER_DONE, 0, 0};
    QTest::newRow("batch end not yet written whole")
        << 18 << 1 << false << 0 << false << ack << QList<int>{UM_TRANSFER_PROGRESS, 18, 0};
    QTest::newRow("completion flag") << 0 << 0 << true << 0 << true << ack
                                     << QList<int>{UM_TRANSFER_DONE, 0, 0};
    QTest::newRow("firmware frame") << 3 << 0 << false << 178 << true << ack << none;
    QTest::newRow("repeat request for a batch end")
        << 84 << 2 << false << 0 << true << ReplyFrames::Repeat() << none;
    QTest::newRow("empty data reply for a batch end")
        << 18 << 1 << false << 0 << true << ReplyFrames::Data(0, 3, 7, 0xAB, {})
        << QList<int>{UM_FIRMWARE_TOO_OLD, 0, 0};
}

void TestReplyAssembler::batchReplySide() {
    QFETCH(int, progressIndex);
    QFETCH(int, ends);
    QFETCH(bool, completion);
    QFETCH(int, firmwareStage);
    QFETCH(bool, fullyWritten);
    QFETCH(Bytes, reply);
    QFETCH(QList<int>, posted);

    Rig rig;
    auto p = rig.command.BuildSystemRead(64, 0);
    p->progressIndex = progressIndex;
    p->countsForProgress = progressIndex != 0;
    p->endsReadBatch = ends == 1;
    p->endsWriteBatch = ends == 2;
    p->completion = completion;
    p->firmwareStage = firmwareStage;
    p->readPosition = fullyWritten ? p->Length() : p->Length() - 1;
    rig.command.Push(std::move(p));
    QVERIFY(rig.Feed(reply));

    QList<int> got;
    for (const auto& n : rig.notifier.All())
        got << n.message << int(n.wParam) << int(n.lParam);
    QCOMPARE(got, posted);
}

void TestReplyAssembler::clearDropsAHalfFrame() {
    Rig rig;
    const Bytes ack = ReplyFrames::Ack();
    rig.QueueWritten();
    QVERIFY(!rig.Feed(Bytes(ack.begin(), ack.begin() + 8)));
    rig.command.Clear();
    QCOMPARE(rig.command.Count(), 0);
    rig.QueueWritten();
    QVERIFY(!rig.Feed(Bytes(ack.begin() + 8, ack.end())));
    QCOMPARE(rig.command.Count(), 1);
    QVERIFY(rig.Feed(ack));
}

void TestReplyAssembler::firmwareHookSeesTheHeadBeforeTheCommandActs() {
    struct Hook : CFirmwareHook {
        bool UpdateInProgress() const override { return true; }
        bool UpdateFinished() const override { return false; }
        void FirmwareCycle(CLinkWorker&) override {}
        void OnFirmwareReply(const SendData* head, bool finishesHead) override {
            heads.push_back(head);
            finishes.push_back(finishesHead);
            counts.push_back(command->Queue().Count());
        }
        KTVCommand* command = nullptr;
        std::vector<const SendData*> heads;
        std::vector<bool> finishes;
        std::vector<int> counts;
    } hook;
    Rig rig;
    hook.command = &rig.command;
    rig.command.SetFirmwareHook(&hook);
    rig.QueueWritten();
    const SendData* head = rig.command.Queue().Head();
    QVERIFY(rig.Feed(ReplyFrames::Repeat())); // the packet stays to go out again
    QVERIFY(rig.Feed(ReplyFrames::Ack()));
    QVERIFY(rig.Feed(ReplyFrames::Ack())); // nothing queued any more
    Bytes bad = ReplyFrames::Ack();
    bad[14] ^= 1;
    QVERIFY(!rig.Feed(bad)); // invalid replies never reach the hook
    QCOMPARE(hook.heads, (std::vector<const SendData*>{head, head, nullptr}));
    QCOMPARE(hook.finishes, (std::vector<bool>{false, true, true}));
    QCOMPARE(hook.counts, (std::vector<int>{1, 1, 0}));
}

QTEST_APPLESS_MAIN(TestReplyAssembler)
#include "tst_ReplyAssembler.moc"
