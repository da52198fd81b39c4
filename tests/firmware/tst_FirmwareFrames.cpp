// The frames a firmware file travels in: what each call of the sequence queues, byte for byte.
#include "firmware/FirmwareUpdate.h"
#include "support/FirmwareContent.h"
#include "support/FirmwareRig.h"
#include "support/ReplyFrames.h"
#include "support/TestFile.h"

#include <QtTest>

using Call = QList<QByteArray>; // whole frames queued by one call, in order
using Calls = QList<Call>;
Q_DECLARE_METATYPE(Calls)

namespace {

// 0x12 XOR the bytes from `from` on.
unsigned char Check(const QByteArray& b, int from) {
    unsigned char x = 0x12;
    for (int i = from; i < b.size(); ++i)
        x ^= static_cast<unsigned char>(b[i]);
    return x;
}

QByteArray FirmwareFrame(int stage, const QByteArray& payload) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(payload.constData());
    const auto f = ReplyFrames::Make(0xB3, 0, 4, static_cast<std::uint8_t>(stage), 0,
                                     std::span(p, static_cast<std::size_t>(payload.size())));
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<qsizetype>(f.size()));
}

} // namespace

class TestFirmwareFrames : public QObject {
    Q_OBJECT

private slots:
    void sequence_data();
    void sequence();
    void loadingStartsTheSequenceAgain();
};

void TestFirmwareFrames::sequence_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Calls>("calls"); // from the second call on; the first queues nothing

    const QByteArray zeros16 = Fill(16, 0);
    {
        const QByteArray f = FirmwareContent(592);
        const QByteArray check(1, static_cast<char>(Check(f, 4)));
        QTest::newRow("DSP 592 bytes: two whole chunks, no padding")
            << "fw.MVA" << f
            << Calls{{FirmwareFrame(176, zeros16), FirmwareFrame(177, f.left(4)),
                      FirmwareFrame(178, f.mid(0, 296))},
                     {FirmwareFrame(178, f.mid(296, 296)), FirmwareFrame(179, check)}};
    }
    {
        const QByteArray f = FirmwareContent(300);
        const QByteArray check(1, static_cast<char>(Check(f, 4)));
        QTest::newRow("DSP 300 bytes: final chunk of 4 and 292 bytes FF")
            << "fw.MVA" << f
            << Calls{{FirmwareFrame(176, zeros16), FirmwareFrame(177, f.left(4)),
                      FirmwareFrame(178, f.mid(0, 296))},
                     {FirmwareFrame(178, f.mid(296, 4) + Fill(292, 0xFF)), FirmwareFrame(179, check)}};
    }
    {
        const QByteArray f = FirmwareContent(296);
        const QByteArray check(1, static_cast<char>(Check(f, 4)));
        QTest::newRow("DSP of exactly one chunk: 179 in the same call")
            << "fw.MVA" << f
            << Calls{{FirmwareFrame(176, zeros16), FirmwareFrame(177, f.left(4)), FirmwareFrame(178, f),
                      FirmwareFrame(179, check)}};
    }
    {
        const QByteArray f = FirmwareContent(3);
        QTest::newRow("DSP of 3 bytes: head and chunk padded with FF")
            << "fw.MVA" << f
            << Calls{{FirmwareFrame(176, zeros16), FirmwareFrame(177, f + Fill(1, 0xFF)),
                      FirmwareFrame(178, f + Fill(293, 0xFF)), FirmwareFrame(179, QByteArray(1, 0x12))}};
    }
    {
        const QByteArray f = FirmwareContent(100);
        const QByteArray check(1, static_cast<char>(Check(f, 0)));
        QTest::newRow("controller 100 bytes: 48, 48, 4 and 44 bytes FF")
            << "remote.contr" << f
            << Calls{{FirmwareFrame(224, zeros16), FirmwareFrame(225, zeros16),
                      FirmwareFrame(226, f.mid(0, 48))},
                     {FirmwareFrame(226, f.mid(48, 48))},
                     {FirmwareFrame(226, f.mid(96, 4) + Fill(44, 0xFF)), FirmwareFrame(227, check)}};
    }
}

void TestFirmwareFrames::sequence() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(Calls, calls);

    QTemporaryDir dir;
    CFirmwareRig rig;
    CFirmwareUpdate update(rig, rig.store, TimingProfile::Fast());
    rig.store.SetFirmwareFile(WriteTestFile(dir, name, content));
    QVERIFY(update.LoadFirmware().status.ok());

    std::lock_guard lock(rig.command.LinkLock());
    SendDataQueue& queue = rig.command.Queue();
    update.NextFirmwareFrames();
    QCOMPARE(queue.Count(), 0); // the first call queues nothing

    int progressIndex = 0;
    for (int c = 0; c < calls.size(); ++c) {
        update.NextFirmwareFrames();
        QCOMPARE(queue.Count(), calls[c].size());
        for (int i = 0; i < calls[c].size(); ++i) {
            const SendData* packet = queue.At(i);
            const QByteArray frame(reinterpret_cast<const char*>(packet->Data()), packet->Length());
            QCOMPARE(frame.toHex(' '), calls[c][i].toHex(' '));
            QCOMPARE(packet->firmwareStage, int(static_cast<unsigned char>(calls[c][i][8])));
            QCOMPARE(packet->progressIndex, ++progressIndex);
        }
        queue.Clear(); // acknowledged
    }
    update.NextFirmwareFrames();
    QCOMPARE(queue.Count(), 0); // the file has gone out
}

void TestFirmwareFrames::loadingStartsTheSequenceAgain() {
    QTemporaryDir dir;
    CFirmwareRig rig;
    CFirmwareUpdate update(rig, rig.store, TimingProfile::Fast());
    rig.store.SetFirmwareFile(WriteTestFile(dir, "fw.MVA", FirmwareContent(300)));
    QVERIFY(update.LoadFirmware().status.ok());
    std::lock_guard lock(rig.command.LinkLock());
    SendDataQueue& queue = rig.command.Queue();
    update.NextFirmwareFrames();
    update.NextFirmwareFrames();
    queue.Clear();

    QVERIFY(update.LoadFirmware().status.ok());
    update.NextFirmwareFrames();
    QCOMPARE(queue.Count(), 0);
    update.NextFirmwareFrames();
    QCOMPARE(queue.Count(), 3);
    QCOMPARE(queue.At(0)->firmwareStage, 176);
    QCOMPARE(queue.At(0)->progressIndex, 1);
    QCOMPARE(queue.At(2)->Frame()[14], std::uint8_t{3}); // the first file byte again
}

QTEST_GUILESS_MAIN(TestFirmwareFrames)
#include "tst_FirmwareFrames.moc"
