// Bulk transfers: which frames each batch queues, in which order, with which progress numbers and marks.
#include "link/KTVCommand.h"
#include "link/TransferBatches.h"
#include "support/CollectingNotifier.h"
#include "support/ReplyFrames.h"

#include <QtTest>

#include <cstring>
#include <functional>

using Run = std::function<PopupRequest(CTransferBatches&)>;
Q_DECLARE_METATYPE(Run)
Q_DECLARE_METATYPE(PopupRequest)

namespace {

// One packet as text: direction, type/index, byte 9, preset, then " #n" for a progress index and the marks
// EW / ER (ends a write / read batch) and C (completion).
QString Describe(const SendData& p) {
    QString s = QStringLiteral("%1 %2/%3 s%4 p%5")
                    .arg(p.Command() == 0xB3 ? 'W' : 'R')
                    .arg(p.Type())
                    .arg(p.Index())
                    .arg(p.Slice() == 0xAB ? QStringLiteral("AB") : QString::number(p.Slice()))
                    .arg(p.Preset());
    if (p.progressIndex != 0)
        s += QStringLiteral(" #%1").arg(p.progressIndex);
    if (p.endsWriteBatch)
        s += QStringLiteral(" EW");
    if (p.endsReadBatch)
        s += QStringLiteral(" ER");
    if (p.completion)
        s += QStringLiteral(" C");
    return s;
}

QString W(int type, int index, int slice, int preset) {
    return QStringLiteral("W %1/%2 s%3 p%4").arg(type).arg(index).arg(slice).arg(preset);
}
QString R(int type, int index, bool intoPreset, int preset) {
    return QStringLiteral("R %1/%2 s%3 p%4")
        .arg(type)
        .arg(index)
        .arg(intoPreset ? QStringLiteral("AB") : QStringLiteral("0"))
        .arg(preset);
}

// Appends progress numbers from `first` on, one per packet.
QStringList Numbered(const QStringList& packets, int first = 1) {
    QStringList out;
    for (int i = 0; i < packets.size(); ++i)
        out << packets[i] + QStringLiteral(" #%1").arg(first + i);
    return out;
}

QStringList SoundSwitches() {
    QStringList out;
    for (int c = 0; c < 8; ++c)
        out << W(3, c, 31, 0);
    return out;
}

QStringList OutputBlockWrites(int preset) {
    QStringList out;
    for (int c = 0; c < 8; ++c)
        out << W(3, c, 0, preset);
    return out;
}

QStringList OutputBlockReads(int preset, bool intoPreset) {
    QStringList out;
    for (int c = 0; c < 8; ++c)
        out << R(3, c, intoPreset, preset);
    return out;
}

struct Rig {
    ModelGlobals g;
    CCollectingNotifier notifier;
    KTVCommand command{g, notifier};
    CTransferBatches batches{command};

    Rig() {
        ResetModelGlobals(g);
        for (int c = 0; c < 8; ++c)
            g.liveImage.outputs[c].outputOn = c % 3 == 0 ? 0 : 1; // some channels already muted
        g.systemBlock[5] = 1;
    }

    QStringList Queued() {
        QStringList out;
        for (int i = 0; i < command.Queue().Count(); ++i)
            out << Describe(*command.Queue().At(i));
        return out;
    }

    // Answers the head packet as the device would, after the worker has written it whole.
    void AcknowledgeHead() {
        SendData* head = command.Queue().Head();
        head->readPosition = head->Length();
        const auto ack = ReplyFrames::Ack();
        QVERIFY(command.FeedBytes(ack.data(), ack.size()));
    }
};

} // namespace

class TestTransferBatches : public QObject {
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void batchEndsWithItsLastAcknowledgement_data();
    void batchEndsWithItsLastAcknowledgement();
    void soundOffAndBackCarryTheRememberedSwitch();
    void masterOffAndBackAroundAPresetRead();
    void storeWithRefreshRefreshesFirst();
    void liveReadContinuesTheSystemReads();
};

void TestTransferBatches::frames_data() {
    QTest::addColumn<Run>("run");
    QTest::addColumn<QStringList>("packets");
    QTest::addColumn<PopupRequest>("popup");

    {
        QStringList all = SoundSwitches();
        all << W(2, 2, 0, 0) << OutputBlockWrites(0);
        for (int p = 1; p <= 6; ++p)
            all << W(4, 134, 0, p) << W(2, 2, 0, p) << OutputBlockWrites(p);
        all << SoundSwitches();
        QStringList expected = Numbered(all);
        expected[84] += " EW";
        QTest::newRow("write all") << Run([](CTransferBatches& b) { return b.WriteAll(); }) << expected
                                   << PopupRequest{true, true, 85};
    }
    {
        QStringList store;
        store << W(4, 144, 0, 0) << W(4, 134, 0, 2) << OutputBlockWrites(2) << W(4, 144, 0, 0);
        QStringList expected = Numbered(store);
        expected[10] += " EW";
        QTest::newRow("store live into preset 2")
            << Run([](CTransferBatches& b) { return b.StoreLiveIntoPreset(2); }) << expected
            << PopupRequest{true, true, 11};
    }
    {
        QStringList read;
        read << W(4, 144, 0, 0) << OutputBlockReads(3, false) << W(4, 144, 0, 0);
        QStringList expected = Numbered(read);
        expected[9] += " ER";
        QTest::newRow("load preset 3")
            << Run([](CTransferBatches& b) { return b.ReadPresetIntoLive(3, true); }) << expected
            << PopupRequest{true, true, 10};
    }
    {
        QStringList expected = Numbered(OutputBlockReads(5, false));
        expected[7] += " ER";
        QTest::newRow("load preset 5 keeping the outputs")
            << Run([](CTransferBatches& b) { return b.ReadPresetIntoLive(5, false); }) << expected
            << PopupRequest{true, true, 8};
    }
    {
        QStringList read;
        read << W(4, 144, 0, 0);
        for (int p = 1; p <= 6; ++p)
            read << R(2, 2, true, p) << OutputBlockReads(p, true);
        read << W(4, 144, 0, 0);
        QStringList expected = Numbered(read);
        expected[55] += " ER";
        QTest::newRow("read for file save") << Run([](CTransferBatches& b) { return b.ReadForFileSave(); })
                                            << expected << PopupRequest{true, true, 56};
    }
    {
        QStringList reads;
        reads << R(4, 144, false, 0) << R(4, 146, false, 0) << R(4, 145, false, 0) << R(4, 64, false, 0)
              << R(4, 48, false, 0);
        for (int p = 1; p <= 6; ++p)
            reads << R(4, 134, false, p);
        QTest::newRow("system reads") << Run([](CTransferBatches& b) {
            b.SystemReads();
            return PopupRequest{};
        }) << Numbered(reads) << PopupRequest{};
    }
    QTest::newRow("device identifier") << Run([](CTransferBatches& b) {
        b.ReadDeviceIdentifier();
        return PopupRequest{};
    }) << QStringList{R(4, 136, false, 0)}
                                       << PopupRequest{};
    QTest::newRow("mute link group of channel 2") << Run([](CTransferBatches& b) {
        b.MuteLinkGroup(2);
        return PopupRequest{};
    }) << QStringList{W(3, 0, 31, 0), W(3, 2, 31, 0), W(3, 5, 31, 0)}
                                                  << PopupRequest{};
    QTest::newRow("replace channel 4 closing the popup") << Run([](CTransferBatches& b) {
        b.ReplaceChannel(4, true);
        return PopupRequest{};
    }) << QStringList{W(3, 4, 31, 0), W(3, 4, 0, 0) + " C", W(3, 4, 31, 0)}
                                                         << PopupRequest{};
    QTest::newRow("copy into channel 1 closing the popup")
        << Run([](CTransferBatches& b) { return b.CopyChannel(1, true); })
        << QStringList{W(3, 1, 0, 0) + " C"} << PopupRequest{true, false, 1};
    QTest::newRow("copy into channel 3, no popup")
        << Run([](CTransferBatches& b) { return b.CopyChannel(3, false); }) << QStringList{W(3, 3, 0, 0)}
        << PopupRequest{};
    QTest::newRow("reset channel 0's EQ") << Run([](CTransferBatches& b) {
        b.ResetChannel(0, true);
        return PopupRequest{};
    }) << QStringList{W(3, 0, 0, 0) + " C"}
                                          << PopupRequest{};
    QTest::newRow("single system write") << Run([](CTransferBatches& b) {
        b.SingleSystemWrite(48, 0);
        return PopupRequest{};
    }) << QStringList{W(4, 48, 0, 0)} << PopupRequest{};
    QTest::newRow("factory reset") << Run([](CTransferBatches& b) {
        b.FactoryReset();
        return PopupRequest{};
    }) << QStringList{W(4, 137, 0, 0)}
                                   << PopupRequest{};
}

void TestTransferBatches::frames() {
    QFETCH(Run, run);
    QFETCH(QStringList, packets);
    QFETCH(PopupRequest, popup);
    Rig rig;
    rig.g.g_linkGroup = {0, 1, 0, 3, 4, 0, 6, 7};
    const PopupRequest shown = run(rig.batches);
    QCOMPARE(rig.Queued(), packets);
    QCOMPARE(shown.show, popup.show);
    QCOMPARE(shown.modal, popup.modal);
    QCOMPARE(shown.range, popup.range);
}

void TestTransferBatches::batchEndsWithItsLastAcknowledgement_data() {
    QTest::addColumn<Run>("run");
    QTest::addColumn<int>("packets");
    QTest::addColumn<qintptr>("ends"); // lParam of UM_TRANSFER_DONE: 1 a write batch, 0 a read batch
    QTest::newRow("write all, sound back last")
        << Run([](CTransferBatches& b) { return b.WriteAll(); }) << 85 << qintptr(1);
    QTest::newRow("store, master back last")
        << Run([](CTransferBatches& b) { return b.StoreLiveIntoPreset(2); }) << 11 << qintptr(1);
    QTest::newRow("store from the objects, block 7 last")
        << Run([](CTransferBatches& b) { return b.StoreLiveIntoPreset(0, [] {}); }) << 9 << qintptr(1);
    QTest::newRow("recall, master back last")
        << Run([](CTransferBatches& b) { return b.ReadPresetIntoLive(3, true); }) << 10 << qintptr(0);
    QTest::newRow("recall keeping the outputs, block 7 last")
        << Run([](CTransferBatches& b) { return b.ReadPresetIntoLive(3, false); }) << 8 << qintptr(0);
    QTest::newRow("read for file save, master back last")
        << Run([](CTransferBatches& b) { return b.ReadForFileSave(); }) << 56 << qintptr(0);
}

// The bar moves one step per acknowledged packet and reaches its range with the last one, whose reply alone
// ends the transfer: the popup never goes while the sound or the master output is still off.
void TestTransferBatches::batchEndsWithItsLastAcknowledgement() {
    QFETCH(Run, run);
    QFETCH(int, packets);
    QFETCH(qintptr, ends);
    Rig rig;
    const PopupRequest popup = run(rig.batches);
    QCOMPARE(popup.range, packets);
    QCOMPARE(rig.command.Count(), packets);
    QList<qintptr> positions;
    while (rig.command.Count() > 1) {
        rig.AcknowledgeHead();
        QCOMPARE(rig.notifier.Count(UM_TRANSFER_DONE), 0);
    }
    rig.AcknowledgeHead();
    QCOMPARE(rig.notifier.Of(UM_TRANSFER_DONE), (std::vector<Notification>{{UM_TRANSFER_DONE, 0, ends}}));
    for (const auto& n : rig.notifier.Of(UM_TRANSFER_PROGRESS))
        positions << n.wParam;
    QList<qintptr> expected;
    for (int i = 1; i <= packets; ++i)
        expected << i;
    QCOMPARE(positions, expected);
}

void TestTransferBatches::soundOffAndBackCarryTheRememberedSwitch() {
    Rig rig;
    std::memcpy(rig.g.Preset(4).outputs[2].name, "P4", 2);
    rig.batches.WriteAll();
    const SendDataQueue& q = rig.command.Queue();
    for (int c = 0; c < 8; ++c) {
        const std::uint8_t original = c % 3 == 0 ? 0 : 1;
        QCOMPARE(q.At(c)->Frame()[14], std::uint8_t{0});           // sound off
        QCOMPARE(q.At(77 + c)->Frame()[14], original);             // sound back
        QCOMPARE(q.At(9 + c)->Frame()[14 + 248], std::uint8_t{0}); // live blocks go out silent
        QCOMPARE(rig.g.liveImage.outputs[c].outputOn, original);   // and the image is as before
    }
    // Preset blocks come from the preset copies, the music block of a copy keeps its own marker byte.
    QCOMPARE(q.At(17 + 3 * 10 + 2 + 2)->Frame()[14 + 290], std::uint8_t{'P'});
    QCOMPARE(q.At(17 + 3 * 10 + 1)->Frame()[14 + 75], rig.g.Preset(4).inputB[75]);
}

void TestTransferBatches::masterOffAndBackAroundAPresetRead() {
    Rig rig;
    rig.g.systemBlock[5] = 1;
    rig.batches.ReadPresetIntoLive(3, true);
    const SendDataQueue& q = rig.command.Queue();
    QCOMPARE(q.At(0)->Frame()[14 + 5], std::uint8_t{0});
    QCOMPARE(q.At(9)->Frame()[14 + 5], std::uint8_t{1});
    QCOMPARE(rig.g.systemBlock[5], std::uint8_t{1});
}

void TestTransferBatches::storeWithRefreshRefreshesFirst() {
    Rig rig;
    rig.g.systemBlock[5] = 1;
    bool refreshed = false;
    const PopupRequest popup = rig.batches.StoreLiveIntoPreset(4, [&] {
        refreshed = true;
        rig.g.liveImage.outputs[6].delay = 480;
    });
    QVERIFY(refreshed);
    QCOMPARE(popup.range, 9);
    QStringList expected = Numbered(QStringList{W(4, 134, 0, 4)} << OutputBlockWrites(4));
    expected[8] += " EW";
    QCOMPARE(rig.Queued(), expected);
    const auto block6 = rig.command.Queue().At(7)->Frame();
    QCOMPARE(ReadU16(&block6[14 + 252]), std::uint16_t{480});
}

void TestTransferBatches::liveReadContinuesTheSystemReads() {
    Rig rig;
    rig.batches.ReadPresetIntoLive(4, false); // an earlier batch's numbers must not leak in
    rig.command.Clear();
    rig.batches.SystemReads();
    const PopupRequest popup = rig.batches.ReadPresetIntoLive(0, false);
    QCOMPARE(popup.range, 19);
    QVERIFY(!popup.modal);
    QStringList expected = Numbered(OutputBlockReads(0, true), 12);
    expected[7] += " ER";
    QCOMPARE(rig.Queued().mid(11), expected);
    QCOMPARE(rig.batches.ProgressCounter(), 19);
}

QTEST_APPLESS_MAIN(TestTransferBatches)
#include "tst_TransferBatches.moc"
