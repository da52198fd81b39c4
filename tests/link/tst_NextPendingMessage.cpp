// Turning pending model changes into frames: the fixed search order and the sent-frequency ramps.
#include "link/KTVCommand.h"
#include "model/KTV_Data.h"
#include "support/CollectingNotifier.h"

#include <QtTest>

namespace {

// "144" for the system block, "c/s f" for slice s of channel c (f: the u16 at the start of the payload),
// "poll" for the status poll.
QString Describe(const SendData& p) {
    if (p.Type() == 4)
        return p.Index() == 3 ? QStringLiteral("poll") : QString::number(p.Index());
    const auto f = p.Frame();
    return QStringLiteral("%1/%2 %3").arg(p.Index()).arg(p.Slice()).arg(ReadU16(&f[14]));
}

struct Rig {
    ModelGlobals g;
    CCollectingNotifier notifier;
    KTVCommand command{g, notifier};
    CKTV_Data model{g};

    Rig() {
        ResetModelGlobals(g);
        for (int c = 0; c < 8; ++c)
            model.Channel(c).ApplyChannel(g.liveImage.outputs[c]);
        g.connected = 1;
    }

    // The frames the worker would queue, one per empty queue, until the status poll comes.
    QStringList Drain(int limit = 100) {
        QStringList out;
        while (limit-- > 0) {
            const auto packet = command.NextPendingMessage();
            if (!packet)
                return out << QStringLiteral("nothing");
            out << Describe(*packet);
            if (out.back() == QStringLiteral("poll"))
                break;
        }
        return out;
    }
};

} // namespace

class TestNextPendingMessage : public QObject {
    Q_OBJECT

private slots:
    void nothingPendingPollsTheStatus();
    void twoBandsThenAnotherChannelsLimiter();
    void bandAtEightTimesItsSentFrequencyGoesFourTimes();
    void fixedOrderWithinAChannel();
    void crossoverGoesUntilBothFiltersArrive();
    void editsWhileDisconnectedSendNothing();
    void encodedSliceIsTheModelsValue();
};

void TestNextPendingMessage::nothingPendingPollsTheStatus() {
    Rig rig;
    QCOMPARE(rig.Drain(), QStringList{"poll"});
    QCOMPARE(rig.Drain(), QStringList{"poll"});
}

void TestNextPendingMessage::twoBandsThenAnotherChannelsLimiter() {
    Rig rig;
    CKTV_OutData& ch0 = rig.model.Channel(0);
    ch0.Band(7).SetFreq(100, 0);
    ch0.Band(7).SetFreq(800, 1); // three octaves: ramps
    ch0.Band(3).SetFreq(45, 1);  // within an octave: at once
    rig.model.Channel(1).SetLimiter(300, 50, 2);
    QCOMPARE(rig.Drain(),
             (QStringList{"0/3 45", "0/7 200", "0/7 400", "0/7 800", "0/7 800", "1/35 0", "poll"}));
}

void TestNextPendingMessage::bandAtEightTimesItsSentFrequencyGoesFourTimes() {
    Rig rig;
    CFilter& band = rig.model.Channel(5).Band(20);
    band.SetFreq(250, 0);
    band.SetFreq(2000, 1);
    QCOMPARE(band.GetSentFreq(), 250);
    QCOMPARE(rig.Drain(), (QStringList{"5/20 500", "5/20 1000", "5/20 2000", "5/20 2000", "poll"}));
    QCOMPARE(band.GetPending(), 0);
}

void TestNextPendingMessage::fixedOrderWithinAChannel() {
    Rig rig;
    CKTV_OutData& ch = rig.model.Channel(2);
    std::array<int, 12> mix{50, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    // Marked in the reverse of the order they go out.
    ch.Band(30).SetFreq(18000, 1);
    ch.Band(4).SetFreq(55, 1);
    ch.SetLimiter(200, 10, 1);
    ch.SetMixB(mix);
    ch.SetMix(mix);
    ch.LowPass().SetFreq(15000, 1);
    ch.SetDelay(48);
    QVERIFY(ch.SetName(QStringLiteral("Door")).ok());
    rig.model.Channel(6).SetPolarity(1);
    rig.g.systemPending = 1;

    QCOMPARE(rig.Drain(), (QStringList{"144", "2/36 0", "2/31 1", "2/32 20", "2/33 50", "2/34 0", "2/35 0",
                                       "2/4 55", "2/30 18000", "6/31 257", "poll"}));
    QCOMPARE(rig.g.systemPending.load(), 0);
}

void TestNextPendingMessage::crossoverGoesUntilBothFiltersArrive() {
    Rig rig;
    CKTV_OutData& ch = rig.model.Channel(4);
    ch.HighPass().SetFreq(200, 1); // from 20 Hz: ramps up
    ch.LowPass().SetFreq(5000, 1); // down: at once
    QStringList frames;
    for (int i = 0; i < 10; ++i) {
        const auto p = rig.command.NextPendingMessage();
        if (p->Type() == 4)
            break;
        const auto f = p->Frame();
        QCOMPARE(p->Slice(), std::uint8_t{32});
        frames << QStringLiteral("%1-%2").arg(ReadU16(&f[14])).arg(ReadU16(&f[18]));
    }
    QCOMPARE(frames, (QStringList{"40-5000", "80-5000", "160-5000", "200-5000", "200-5000"}));
}

void TestNextPendingMessage::editsWhileDisconnectedSendNothing() {
    Rig rig;
    rig.g.connected = 0;
    CKTV_OutData& ch = rig.model.Channel(1);
    ch.SetChannelGain(30);
    ch.Band(2).SetFreq(4000, 1);
    ch.HighPass().SetFreq(80, 1);
    QCOMPARE(rig.Drain(), QStringList{"poll"});
}

void TestNextPendingMessage::encodedSliceIsTheModelsValue() {
    Rig rig;
    rig.g.g_linkGroup[3] = 2; // channel 3 shares channel 2's group
    CKTV_OutData& ch = rig.model.Channel(3);
    ch.Band(9).SetGainCode(260); // +6.0 dB
    const auto p = rig.command.NextPendingMessage();
    const auto f = p->Frame();
    QCOMPARE(p->Slice(), std::uint8_t{9});
    QCOMPARE(f[10], std::uint8_t{1}); // linked
    QCOMPARE(ReadU16(&f[16]), std::uint16_t{660});
    QCOMPARE(rig.g.liveImage.outputs[3].bands[9].gain, std::uint16_t{660});
}

QTEST_GUILESS_MAIN(TestNextPendingMessage)
#include "tst_NextPendingMessage.moc"
