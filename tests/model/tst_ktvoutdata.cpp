// One output channel: setters and pending marks, link propagation, slice encoders, apply and collect.
#include "model/KTV_OutData.h"
#include "support/GoldenImage.h"
#include "support/ModelFixture.h"

#include <QTest>

#include <functional>

namespace {

using Golden::PutU16;
using Golden::PutU8;

constexpr std::array<int, 12> kMix{80, 0, 25, 0, 0, 50, 9, 9, 9, 9, 9, 9};

// The bytes of channel c's block at [from, to) in the live image.
QByteArray Slice(ModelFixture& m, int c, int from, int to) {
    return m.BlockBytes(c).mid(from, to - from);
}

std::uint8_t* BlockAt(ModelFixture& m, int c) {
    return reinterpret_cast<std::uint8_t*>(&m.g->liveImage.outputs[c]);
}

struct Marks {
    int name, gain, mixA, mixB, lim, xover, band;
};

Marks MarksOf(const CKTV_OutData& ch) {
    return {ch.GetNamePending(), ch.GetGainPending(), ch.GetMixPendingA(),  ch.GetMixPendingB(),
            ch.GetLimPending(),  ch.XoverPending(),   ch.FirstPendingBand()};
}

bool NothingPending(const CKTV_OutData& ch) {
    const Marks m = MarksOf(ch);
    return !m.name && !m.gain && !m.mixA && !m.mixB && !m.lim && !m.xover && m.band == -1;
}

using Edit = std::function<void(CKTV_OutData&)>;

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestKtvOutData : public QObject {
    Q_OBJECT

private slots:
    // ---- Gain
    // ------------------------------------------------------------------------------------------------

    void gainCodeZeroSwitchesTheGainOff() {
        ModelFixture m;
        CKTV_OutData& ch = m.Channel(0);
        ch.SetChannelGain(0);
        QCOMPARE(ch.GetChannelGain(), 0);
        QCOMPARE(ch.GetGainOff(), 1);
        ch.EncodeGainGroup();
        QCOMPARE(Slice(m, 0, 250, 252), QByteArray("\0\0", 2));

        ch.SetChannelGain(45);
        QCOMPARE(ch.GetGainOff(), 0);
        QCOMPARE(ch.GetChannelGain(), 45);
        ch.EncodeGainGroup();
        QCOMPARE(Slice(m, 0, 250, 252), QByteArray("\x2D\0", 2));
    }

    // ---- Bands
    // -----------------------------------------------------------------------------------------------

    void bandGainField_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("bypass");
        QTest::newRow("0 dB is bypassed and written as 600") << 200 << 600 << 1;
        QTest::newRow("-20 dB") << 0 << 400 << 0;
        QTest::newRow("+20 dB") << 400 << 800 << 0;
        QTest::newRow("+6 dB") << 260 << 660 << 0;
    }

    void bandGainField() {
        QFETCH(int, code);
        QFETCH(int, field);
        QFETCH(int, bypass);
        ModelFixture m;
        CKTV_OutData& ch = m.Channel(3);
        ch.Band(7).SetGainCode(code);
        QCOMPARE(ch.Band(7).GetEffectiveBypass(), bypass);
        QCOMPARE(ch.EncodeBand(7), 7);
        QByteArray expected = m.BlockBytes(3);
        PutU16(expected, 8 * 7 + 2, field);
        QCOMPARE(m.BlockBytes(3), expected);

        // And back: the field read from an image gives the same band.
        OutputBlock block = m.g->liveImage.outputs[3];
        ModelFixture other;
        other.Channel(3).ApplyChannel(block);
        QCOMPARE(other.Channel(3).Band(7).GetEffectiveBypass(), bypass);
        QCOMPARE(other.Channel(3).Band(7).GetGainCode(), code);
    }

    void bandwidthIndexFromImage_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("octaves");
        QTest::addColumn<int>("written");
        QTest::newRow("0 reads as 0.09") << 0 << 0.09 << 4;
        QTest::newRow("3 reads as 0.09") << 3 << 0.09 << 4;
        QTest::newRow("4") << 4 << 0.09 << 4;
        QTest::newRow("15") << 15 << 0.20 << 15;
        QTest::newRow("295") << 295 << 3.00 << 295;
    }

    void bandwidthIndexFromImage() {
        QFETCH(int, index);
        QFETCH(double, octaves);
        QFETCH(int, written);
        ModelFixture m;
        OutputBlock block = m.g->liveImage.outputs[1];
        block.bands[12].qIndex = static_cast<std::uint16_t>(index);
        m.Channel(1).ApplyChannel(block);
        QVERIFY(qAbs(m.Channel(1).Band(12).GetBandwidth() - octaves) < 1e-9);
        m.Channel(1).EncodeBand(12);
        QCOMPARE(int(m.g->liveImage.outputs[1].bands[12].qIndex), written);
    }

    // ---- Encoders
    // --------------------------------------------------------------------------------------------

    // Each encoder writes its own bytes and nothing else; the gain-group, mix, limiter and name encoders also
    // clear their mark, the band and crossover marks stay with their filters.
    void encodersWriteOnlyTheirSlice_data() {
        QTest::addColumn<int>("slice");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("markCleared");

        QByteArray band(8, '\0');
        PutU16(band, 0, 3151);
        PutU16(band, 2, 655); // 400 + code 255 (+5.5 dB)
        PutU16(band, 4, 95);
        QTest::newRow("band 22") << 22 << 176 << 184 << band << false;

        QByteArray gain(8, '\0');
        PutU8(gain, 0, 0);   // output muted
        PutU8(gain, 1, 1);   // inverted
        PutU16(gain, 2, 52); // gain code
        PutU16(gain, 4, 480);
        PutU8(gain, 6, 1); // GEQ
        QTest::newRow("gain group") << 31 << 248 << 256 << gain << true;

        QByteArray xover(8, '\0');
        PutU16(xover, 0, 35); // high-pass 35 Hz, already sent (not connected when set)
        PutU8(xover, 2, 0);
        PutU8(xover, 3, 3);
        PutU16(xover, 4, 20000);
        PutU8(xover, 6, 2);
        PutU8(xover, 7, 2);
        QTest::newRow("crossover") << 32 << 256 << 264 << xover << false;

        QByteArray mixA(8, '\0');
        for (int i = 0; i < 6; ++i)
            PutU8(mixA, i, kMix[static_cast<std::size_t>(i)]);
        QTest::newRow("mix A") << 33 << 264 << 272 << mixA << true;
        QTest::newRow("mix B") << 34 << 272 << 276 << QByteArray(4, '\0') << true;

        QByteArray limiter(4, '\0');
        PutU16(limiter, 0, 250);
        PutU8(limiter, 2, 12);
        PutU8(limiter, 3, 1);
        QTest::newRow("limiter") << 35 << 282 << 286 << limiter << true;
        QTest::newRow("name") << 36 << 290 << 298 << QByteArray("Tweeter\0", 8) << true;
    }

    void encodersWriteOnlyTheirSlice() {
        QFETCH(int, slice);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, markCleared);
        ModelFixture m;
        CKTV_OutData& ch = m.Channel(2);
        ch.HighPass().SetFreq(35, 1);
        ch.HighPass().SetFamily(0, 1);
        ch.HighPass().SetSlope(3, 1);
        m.g->connected = 1;
        ch.Band(22).SetGainCode(255);
        ch.Band(22).SetBandwidthIndex(95);
        ch.HighPass().SetSlope(3, 1); // marks the crossover pending
        ch.SetOutputOn(0);
        ch.SetPolarity(1);
        ch.SetChannelGain(52);
        ch.SetDelay(480);
        ch.SetEqMode(1);
        ch.SetMix(kMix);
        ch.SetMixB(kMix);
        ch.SetLimiter(250, 12, 1);
        QVERIFY(ch.SetName(QStringLiteral("Tweeter")).ok());

        std::memset(BlockAt(m, 2), 0xEE, sizeof(OutputBlock));
        const QByteArray imageBefore = m.LiveBytes();
        int returned = -1;
        switch (slice) {
        case 31:
            returned = ch.EncodeGainGroup();
            break;
        case 32:
            returned = ch.EncodeXover();
            break;
        case 33:
            returned = ch.EncodeMixA();
            break;
        case 34:
            returned = ch.EncodeMixB();
            break;
        case 35:
            returned = ch.EncodeLimiter();
            break;
        case 36:
            returned = ch.EncodeName();
            break;
        default:
            returned = ch.EncodeBand(slice);
            break;
        }
        QCOMPARE(returned, slice);

        QByteArray expected = imageBefore;
        const int base = Golden::Out(2, 0);
        expected.replace(base + from, to - from, bytes);
        QVERIFY2(m.LiveBytes() == expected, Golden::FirstDifference(m.LiveBytes(), expected).constData());

        const Marks marks = MarksOf(ch);
        const int mark = slice == 31   ? marks.gain
                         : slice == 32 ? int(marks.xover)
                         : slice == 33 ? marks.mixA
                         : slice == 34 ? marks.mixB
                         : slice == 35 ? marks.lim
                         : slice == 36 ? marks.name
                                       : int(marks.band == slice);
        QCOMPARE(mark, markCleared ? 0 : 1);
    }

    // The whole block takes a name cut to seven characters, even one that the name slice refuses.
    void channelBlockCutsTheName() {
        ModelFixture m;
        OutputBlock block = m.g->liveImage.outputs[4];
        std::memcpy(block.name, "Midrange", 8);
        m.Channel(4).ApplyChannel(block);
        QCOMPARE(m.Channel(4).GetName(), QStringLiteral("Midrange"));

        // The name slice refuses it and leaves the image's field as it was; so does collecting.
        const QByteArray factoryName("      \0\0", 8);
        m.Channel(4).EncodeName();
        QCOMPARE(Slice(m, 4, 290, 298), factoryName);
        QVERIFY(!m.Channel(4).CollectChannel().ok());
        QCOMPARE(Slice(m, 4, 290, 298), factoryName);

        m.Channel(4).EncodeChannelBlock();
        QCOMPARE(Slice(m, 4, 290, 298), QByteArray("Midrang\0", 8));
    }

    // ---- Names
    // -----------------------------------------------------------------------------------------------

    void names_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("seven characters keep one trailing 0")
            << "Tweeter" << true << QByteArray("Tweeter\0", 8);
        QTest::newRow("short") << "SUB" << true << QByteArray("SUB\0\0\0\0\0", 8);
        QTest::newRow("empty") << "" << true << QByteArray(8, '\0');
        QTest::newRow("eight characters are refused")
            << "Woofer-L" << false << QByteArray("FL\0\0\0\0\0\0", 8);
    }

    void names() {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QFETCH(QByteArray, field);
        ModelFixture m;
        CKTV_OutData& ch = m.Channel(0);
        QVERIFY(ch.SetName(QStringLiteral("FL")).ok());
        m.g->connected = 1;
        const Status status = ch.SetName(name);
        QCOMPARE(status.ok(), accepted);
        if (!accepted) {
            QCOMPARE(QByteArray(status.error().en), QByteArray("char Len error!"));
            QCOMPARE(status.error().In(1), QString::fromUtf8("字符长度错误!"));
        }
        QCOMPARE(ch.GetName(), accepted ? name : QStringLiteral("FL"));
        QCOMPARE(ch.GetNamePending(), accepted ? 1 : 0);
        ch.EncodeName();
        QCOMPARE(Slice(m, 0, 290, 298), field);
        // The device receives bytes 290..295 of the field: slice 36 ends there.
        QCOMPARE(Slice(m, 0, 288, 296).mid(2), field.left(6));
    }

    void applyTrimsTheName() {
        ModelFixture m;
        OutputBlock block = m.g->liveImage.outputs[5];
        std::memcpy(block.name, "  Sub  \0", 8);
        m.Channel(5).ApplyChannel(block);
        QCOMPARE(m.Channel(5).GetName(), QStringLiteral("Sub"));
    }

    // ---- Pending marks
    // ---------------------------------------------------------------------------------------

    void settersMarkTheirSlice_data() {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<int>("slice"); // 0..30 band, 31..36 as encoded
        QTest::newRow("gain") << Edit([](CKTV_OutData& c) { c.SetChannelGain(30); }) << 31;
        QTest::newRow("output on") << Edit([](CKTV_OutData& c) { c.SetOutputOn(0); }) << 31;
        QTest::newRow("polarity") << Edit([](CKTV_OutData& c) { c.SetPolarity(1); }) << 31;
        QTest::newRow("delay") << Edit([](CKTV_OutData& c) { c.SetDelay(960); }) << 31;
        QTest::newRow("EQ mode") << Edit([](CKTV_OutData& c) { c.SetEqMode(1); }) << 31;
        QTest::newRow("mix A") << Edit([](CKTV_OutData& c) { c.SetMix(kMix); }) << 33;
        QTest::newRow("mix B") << Edit([](CKTV_OutData& c) { c.SetMixB(kMix); }) << 34;
        QTest::newRow("limiter") << Edit([](CKTV_OutData& c) { c.SetLimiter(100, 1, 0); }) << 35;
        QTest::newRow("name") << Edit([](CKTV_OutData& c) { (void)c.SetName(QStringLiteral("Door")); }) << 36;
        QTest::newRow("band gain") << Edit([](CKTV_OutData& c) { c.Band(9).SetGainCode(150); }) << 9;
        QTest::newRow("band frequency") << Edit([](CKTV_OutData& c) { c.Band(30).SetFreq(18000, 1); }) << 30;
        QTest::newRow("high-pass") << Edit([](CKTV_OutData& c) { c.HighPass().SetFreq(60, 1); }) << 32;
        QTest::newRow("low-pass family") << Edit([](CKTV_OutData& c) { c.LowPass().SetFamily(1, 1); }) << 32;
    }

    void settersMarkTheirSlice() {
        QFETCH(Edit, edit);
        QFETCH(int, slice);
        for (int connected : {0, 1}) {
            ModelFixture m;
            m.g->connected = connected;
            CKTV_OutData& ch = m.Channel(1);
            edit(ch);
            const Marks marks = MarksOf(ch);
            QCOMPARE(marks.gain, slice == 31 ? connected : 0);
            QCOMPARE(int(marks.xover), slice == 32 ? connected : 0);
            QCOMPARE(marks.mixA, slice == 33 ? connected : 0);
            QCOMPARE(marks.mixB, slice == 34 ? connected : 0);
            QCOMPARE(marks.lim, slice == 35 ? connected : 0);
            QCOMPARE(marks.name, slice == 36 ? connected : 0);
            QCOMPARE(marks.band, slice < 31 && connected ? slice : -1);
            for (int c = 0; c < 8; ++c)
                if (c != 1)
                    QVERIFY(NothingPending(m.Channel(c)));
        }
    }

    void clearPendingSetsEveryMark() {
        ModelFixture m;
        CKTV_OutData& ch = m.Channel(6);
        ch.ClearPending(1);
        const Marks set = MarksOf(ch);
        QVERIFY(set.name && set.gain && set.mixA && set.mixB && set.lim && set.xover && set.band == 0);
        for (int i = 0; i < ch.Filters().Count(); ++i)
            QCOMPARE(ch.Filters().Filter(i).GetPending(), 1);
        ch.ClearPending(0);
        QVERIFY(NothingPending(ch));
    }

    // ---- Link propagation
    // ------------------------------------------------------------------------------------

    void linkedChannelsShareTheGainGroup_data() {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<bool>("propagates");
        QTest::newRow("gain") << Edit([](CKTV_OutData& c) { c.SetChannelGain(41); }) << true;
        QTest::newRow("gain off") << Edit([](CKTV_OutData& c) { c.SetChannelGain(0); }) << true;
        QTest::newRow("polarity") << Edit([](CKTV_OutData& c) { c.SetPolarity(1); }) << true;
        QTest::newRow("EQ mode") << Edit([](CKTV_OutData& c) { c.SetEqMode(1); }) << true;
        QTest::newRow("delay") << Edit([](CKTV_OutData& c) { c.SetDelay(300); }) << false;
        QTest::newRow("output on") << Edit([](CKTV_OutData& c) { c.SetOutputOn(0); }) << false;
    }

    // Linked channels take the gain code, gain-off flag, EQ mode and carried byte; polarity, output on and
    // delay stay per channel. Channel 2 is in a group of its own.
    void linkedChannelsShareTheGainGroup() {
        QFETCH(Edit, edit);
        QFETCH(bool, propagates);
        ModelFixture m;
        OutputBlock withAux = m.g->liveImage.outputs[0];
        withAux.auxByte = 7;
        m.Channel(0).ApplyChannel(withAux);
        m.g->g_linkGroup[1] = 0;
        m.g->connected = 1;

        edit(m.Channel(0));
        CKTV_OutData& partner = m.Channel(1);
        if (propagates) {
            QCOMPARE(partner.GetGainCode(), m.Channel(0).GetGainCode());
            QCOMPARE(partner.GetGainOff(), m.Channel(0).GetGainOff());
            QCOMPARE(partner.GetChannelGain(), m.Channel(0).GetChannelGain());
            QCOMPARE(partner.GetEqMode(), m.Channel(0).GetEqMode());
            for (int k = 0; k < 31; ++k)
                QCOMPARE(partner.Band(k).GetGeqMode(), m.Channel(0).GetEqMode());
            QCOMPARE(partner.GetAuxByte(), 7);
            QCOMPARE(partner.GetGainPending(), 1);
        } else {
            QCOMPARE(partner.GetGainPending(), 0);
            QCOMPARE(partner.GetAuxByte(), 0);
        }
        QCOMPARE(partner.GetPolarity(), 0);
        QCOMPARE(partner.GetDelay(), 0);
        QCOMPARE(partner.GetOutputOn(), 1);
        QVERIFY(NothingPending(m.Channel(2)));
        QCOMPARE(m.Channel(2).GetGainCode(), 60);
    }

    void linkedEditsWhileNotConnectedMarkNothing() {
        ModelFixture m;
        m.g->g_linkGroup[1] = 0;
        m.Channel(0).SetChannelGain(20);
        QCOMPARE(m.Channel(1).GetChannelGain(), 20);
        QVERIFY(NothingPending(m.Channel(0)));
        QVERIFY(NothingPending(m.Channel(1)));
    }

    // ---- Whole-channel operations
    // ----------------------------------------------------------------------------

    void copyEqTakesFiltersGainAndMode() {
        ModelFixture m;
        CKTV_OutData& from = m.Channel(0);
        from.Band(4).SetGainCode(300);
        from.Band(4).SetBandwidthIndex(40);
        from.Band(4).SetFreq(55, 1);
        from.HighPass().SetFreq(80, 1);
        from.LowPass().SetSlope(4, 1);
        from.SetChannelGain(33);
        from.SetEqMode(1);
        from.SetPolarity(1);
        from.SetDelay(48);

        CKTV_OutData& to = m.Channel(3);
        QVERIFY(to.SetName(QStringLiteral("RR")).ok());
        to.CopyEqFrom(from);
        from.CollectChannel();
        to.CollectChannel();
        const QByteArray a = m.BlockBytes(0);
        const QByteArray b = m.BlockBytes(3);
        QCOMPARE(b.left(248), a.left(248));             // bands
        QCOMPARE(b.mid(250, 2), a.mid(250, 2));         // gain
        QCOMPARE(b.mid(254, 1), a.mid(254, 1));         // EQ mode
        QCOMPARE(b.mid(256, 8), a.mid(256, 8));         // crossovers
        QCOMPARE(int(b[249]), 0);                       // polarity stays
        QCOMPARE(b.mid(252, 2), QByteArray("\0\0", 2)); // delay stays
        QCOMPARE(b.mid(290, 8), QByteArray("RR\0\0\0\0\0\0", 8));
        for (int k = 0; k < 31; ++k)
            QCOMPARE(to.Band(k).GetGeqMode(), 1);
    }

    void resetEqGivesIsoBandsBypassed() {
        ModelFixture m;
        CKTV_OutData& ch = m.Channel(2);
        ch.Band(10).SetGainCode(320);
        ch.Band(10).SetBandwidthIndex(200);
        ch.Band(10).SetSlope(1, 1);
        ch.Band(10).SetFreq(333, 1);
        ch.HighPass().SetFreq(100, 1);
        ch.ResetEq();
        ch.CollectChannel();

        static const int iso[31] = {20,   25,   32,   40,   50,   63,    80,    100,   125,  160,  200,
                                    250,  315,  400,  500,  630,  800,   1000,  1250,  1600, 2000, 2500,
                                    3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
        QByteArray expected = m.BlockBytes(2);
        for (int k = 0; k < 31; ++k)
            Golden::PutBand(expected, 8 * k, iso[k], 600, 15, k == 10 ? 1 : 0, 0);
        QCOMPARE(m.BlockBytes(2), expected);
        QCOMPARE(ch.HighPass().GetFreq(), 100); // crossovers are not part of the EQ
        QCOMPARE(ch.AllBandsBypassed(), 1);
    }

    void allBandsBypassed() {
        ModelFixture m;
        CKTV_OutData& ch = m.Channel(0);
        QCOMPARE(ch.AllBandsBypassed(), 1);
        ch.Band(30).SetGainCode(190);
        QCOMPARE(ch.AllBandsBypassed(), 0);
        QCOMPARE(ch.GetAllBandsBypassed(), 0);
        ch.Band(30).SetGainCode(200);
        QCOMPARE(ch.AllBandsBypassed(), 1);
    }
};

QTEST_APPLESS_MAIN(TestKtvOutData)
#include "tst_ktvoutdata.moc"
