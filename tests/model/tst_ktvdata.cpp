// The object model as a whole: construction, collect and apply of the full image, carried records.
#include "model/KTV_Data.h"
#include "support/GoldenImage.h"
#include "support/ModelFixture.h"

#include <QTest>

namespace {

using Golden::Out;
using Golden::PutBand;
using Golden::PutU16;
using Golden::PutU8;

// Every mark of every record and filter of the model.
bool AnyPending(const CKTV_Data& data) {
    auto filters = [](const CKTVEQ& set) {
        for (int i = 0; i < set.Count(); ++i)
            if (set.Filter(i).GetPending())
                return true;
        return false;
    };
    if (filters(data.Effect().Filters()) || filters(data.InputA().Filters()) ||
        filters(data.InputB().Filters()))
        return true;
    for (int c = 0; c < 8; ++c) {
        const CKTV_OutData& ch = data.Channel(c);
        if (ch.GetNamePending() || ch.GetGainPending() || ch.GetMixPendingA() || ch.GetMixPendingB() ||
            ch.GetLimPending() || filters(ch.Filters()))
            return true;
    }
    return false;
}

// A set of edits over several channels, a link group and every kind of setter.
void MakeEdits(ModelFixture& m) {
    m.g->g_linkGroup[3] = 2;
    CKTV_OutData& ch0 = m.Channel(0);
    ch0.SetChannelGain(48);
    ch0.SetPolarity(1);
    ch0.SetDelay(96);
    ch0.Band(5).SetGainCode(260);
    ch0.HighPass().SetFreq(80, 1);
    ch0.HighPass().SetFamily(0, 1);
    ch0.HighPass().SetSlope(3, 1);
    ch0.SetMix(std::array<int, 12>{100, 50, 0, 0, 0, 25, 0, 0, 0, 0, 0, 0});
    QVERIFY(ch0.SetName(QStringLiteral("Tweeter")).ok());

    CKTV_OutData& ch2 = m.Channel(2);
    ch2.SetChannelGain(0);
    ch2.SetEqMode(1);
    ch2.Band(0).SetFreq(30, 1);
    ch2.Band(0).SetBandwidthIndex(40);
    ch2.LowPass().SetFreq(12000, 1);

    CKTV_OutData& ch7 = m.Channel(7);
    ch7.SetOutputOn(0);
    QVERIFY(ch7.SetName(QStringLiteral("CH8")).ok());
}

} // namespace

class TestKtvData : public QObject {
    Q_OBJECT

private slots:
    void constructionFillsTheChannelList() {
        auto g = std::make_unique<ModelGlobals>();
        ResetModelGlobals(*g);
        g->g_linkGroup = {0, 0, 0, 0, 0, 0, 0, 0};
        CKTV_Data data(*g);

        static const char* names[8] = {"FL", "FR", "SL", "SR", "Center", "ULF", "CH7", "CH8"};
        static const int colours[8][3] = {{100, 100, 100}, {255, 0, 0},     {255, 127, 39},  {255, 180, 0},
                                          {0, 255, 0},     {103, 146, 255}, {255, 128, 192}, {45, 244, 235}};
        static const int iso[31] = {20,   25,   32,   40,   50,   63,    80,    100,   125,  160,  200,
                                    250,  315,  400,  500,  630,  800,   1000,  1250,  1600, 2000, 2500,
                                    3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
        for (int c = 0; c < 8; ++c) {
            CKTV_OutData& ch = data.Channel(c);
            QCOMPARE(g->g_channelObj[static_cast<std::size_t>(c)], &ch);
            QCOMPARE(g->g_linkGroup[static_cast<std::size_t>(c)], c);
            QCOMPARE(ch.GetChannel(), c);
            QCOMPARE(ch.GetName(), QString::fromLatin1(names[c]));
            QCOMPARE(int(ch.GetColour().red), colours[c][0]);
            QCOMPARE(int(ch.GetColour().green), colours[c][1]);
            QCOMPARE(int(ch.GetColour().blue), colours[c][2]);
            QCOMPARE(ch.GetOutputOn(), 0);
            QCOMPARE(ch.GetGainCode(), 60);
            QCOMPARE(ch.GetLimThreshold(), 300);
            QCOMPARE(ch.GetLimAttack(), 106);
            QCOMPARE(ch.GetLimRelease(), 5);
            QCOMPARE(ch.Filters().Count(), 33);
            for (int k = 0; k < 31; ++k)
                QCOMPARE(ch.Band(k).GetFreq(), iso[k]);
            QCOMPARE(ch.HighPass().GetFreq(), 20);
            QCOMPARE(ch.LowPass().GetFreq(), 20000);
        }
        QVERIFY(!AnyPending(data));
    }

    void destructionForgetsTheChannels() {
        auto g = std::make_unique<ModelGlobals>();
        ResetModelGlobals(*g);
        { CKTV_Data data(*g); }
        for (CKTV_OutData* ch : g->g_channelObj)
            QCOMPARE(ch, nullptr);
    }

    // Every filter follows the model's connected flag, carried records included.
    void everyFilterSeesTheConnectedFlag() {
        ModelFixture m;
        m.g->connected = 1;
        m.data->Effect().Filters().Band(1).SetGainCode(250);
        m.data->InputA().Filters().LowPass().SetFamily(0, 1);
        m.data->InputB().Filters().Band(8).SetBandwidthIndex(30);
        m.Channel(6).LowPass().SetSlope(1, 1);
        QCOMPARE(m.data->Effect().Filters().Band(1).GetPending(), 1);
        QCOMPARE(m.data->InputA().Filters().LowPass().GetPending(), 1);
        QCOMPARE(m.data->InputB().Filters().Band(8).GetPending(), 1);
        QCOMPARE(m.Channel(6).LowPass().GetPending(), 1);

        m.data->ClearPending(0);
        QVERIFY(!AnyPending(*m.data));
    }

    // ---- Golden images
    // ---------------------------------------------------------------------------------------

    void collectAfterApplyingTheFactoryImage() {
        ModelFixture m;
        QVERIFY(m.data->CollectAll().ok());
        const QByteArray expected = Golden::CollectedFactoryImage();
        QVERIFY2(m.LiveBytes() == expected, Golden::FirstDifference(m.LiveBytes(), expected).constData());
    }

    void collectAfterKnownEdits() {
        ModelFixture m;
        MakeEdits(m);
        QVERIFY(m.data->CollectAll().ok());

        QByteArray expected = Golden::CollectedFactoryImage();
        PutU16(expected, Out(0, 250), 48);
        PutU8(expected, Out(0, 249), 1);
        PutU16(expected, Out(0, 252), 96);
        PutU16(expected, Out(0, 8 * 5 + 2), 660);
        PutU16(expected, Out(0, 256), 80);
        PutU8(expected, Out(0, 258), 0);
        PutU8(expected, Out(0, 259), 3);
        PutU8(expected, Out(0, 265), 50);
        PutU8(expected, Out(0, 269), 25);
        Golden::PutText(expected, Out(0, 290), "Tweeter");

        PutU16(expected, Out(2, 250), 0);
        PutU8(expected, Out(2, 254), 1);
        PutU16(expected, Out(2, 0), 30);
        PutU16(expected, Out(2, 4), 40);
        PutU16(expected, Out(2, 260), 12000);
        // Channel 3 is linked to channel 2: gain off and GEQ, nothing else.
        PutU16(expected, Out(3, 250), 0);
        PutU8(expected, Out(3, 254), 1);

        PutU8(expected, Out(7, 248), 0);
        Golden::PutText(expected, Out(7, 290), "CH8");

        QVERIFY2(m.LiveBytes() == expected, Golden::FirstDifference(m.LiveBytes(), expected).constData());
    }

    // Constructed objects (never applied) carry the carried records' own start values.
    void collectFromFreshObjects() {
        auto g = std::make_unique<ModelGlobals>();
        ResetModelGlobals(*g);
        CKTV_Data data(*g);
        (void)data.CollectAll();
        const QByteArray image = ImageBytes(g->liveImage);
        auto u16 = [&](int at) { return int(quint8(image[at])) | (int(quint8(image[at + 1])) << 8); };

        const int effectFreqs[3] = {100, 1000, 10000};
        for (int k = 0; k < 3; ++k)
            QCOMPARE(u16(Golden::kEffect + 8 * k), effectFreqs[k]);
        const int params[11][2] = {{128, 20}, {129, 84}, {130, 50}, {131, 68}, {134, 0}, {136, 18},
                                   {137, 50}, {138, 0},  {139, 40}, {140, 50}, {143, 0}};
        for (const auto& p : params)
            QCOMPARE(int(quint8(image[Golden::kEffect + p[0]])), p[1]);
        QCOMPARE(image.mid(Golden::kEffect + 144, 8), QByteArray("Effect\0\0", 8));
        QCOMPARE(u16(Golden::kEffect + 120), 20);
        QCOMPARE(u16(Golden::kEffect + 124), 20000);

        const int inputFreqs[9] = {40, 80, 160, 317, 632, 1261, 2515, 5018, 10000};
        for (int base : {Golden::kInputA, Golden::kInputB}) {
            for (int k = 0; k < 9; ++k) {
                QCOMPARE(u16(base + 8 * k), inputFreqs[k]);
                QCOMPARE(u16(base + 8 * k + 2), 600);
                QCOMPARE(int(image[base + 8 * k + 7]), k == 0 ? 1 : k == 8 ? 2 : 0);
            }
            QCOMPARE(int(image[base + 6]), 0); // the shelves are 6 dB/octave
            QCOMPARE(int(image[base + 8 * 8 + 6]), 0);
            QCOMPARE(u16(base + 80), 20);
            QCOMPARE(u16(base + 84), 20000);
        }
    }

    // ---- Apply
    // -----------------------------------------------------------------------------------------------

    // Channels 0..5 get their crossovers corrected in the image itself; 6 and 7 are applied as they are.
    void crossoverClamp_data() {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("highPass");
        QTest::addColumn<int>("lowPass");
        QTest::addColumn<int>("expectedHighPass");
        QTest::addColumn<int>("expectedLowPass");
        QTest::newRow("channel 2 high-pass 25000") << 2 << 25000 << 20000 << 20000 << 20000;
        QTest::newRow("channel 7 high-pass 25000") << 7 << 25000 << 20000 << 25000 << 20000;
        QTest::newRow("channel 5 low-pass 10") << 5 << 20 << 10 << 20 << 20;
        QTest::newRow("channel 6 low-pass 10") << 6 << 20 << 10 << 20 << 10;
        QTest::newRow("channel 0 in range") << 0 << 20000 << 20 << 20000 << 20;
    }

    void crossoverClamp() {
        QFETCH(int, channel);
        QFETCH(int, highPass);
        QFETCH(int, lowPass);
        QFETCH(int, expectedHighPass);
        QFETCH(int, expectedLowPass);
        ModelFixture m;
        OutputBlock& block = m.g->liveImage.outputs[channel];
        block.highPass.freq = static_cast<std::uint16_t>(highPass);
        block.lowPass.freq = static_cast<std::uint16_t>(lowPass);
        m.data->ApplyAll(m.g->liveImage, CKTV_Data::kApplyFromFile);
        QCOMPARE(int(block.highPass.freq), expectedHighPass);
        QCOMPARE(int(block.lowPass.freq), expectedLowPass);
        QCOMPARE(m.Channel(channel).HighPass().GetFreq(), expectedHighPass);
        QCOMPARE(m.Channel(channel).HighPass().GetSentFreq(), expectedHighPass);
        QCOMPARE(m.Channel(channel).LowPass().GetFreq(), expectedLowPass);
    }

    // The effect object follows an image only for the working setup (0) and device preset 6.
    void applyAllTakesTheEffectOnlyForModes0And6_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("takesEffect");
        QTest::newRow("file load") << -1 << false;
        QTest::newRow("working setup") << 0 << true;
        QTest::newRow("preset 1") << 1 << false;
        QTest::newRow("preset 5") << 5 << false;
        QTest::newRow("preset 6") << 6 << true;
    }

    void applyAllTakesTheEffectOnlyForModes0And6() {
        QFETCH(int, mode);
        QFETCH(bool, takesEffect);
        ModelFixture m;
        const QString nameBefore = m.data->Effect().Name();
        ParamImage image = m.g->liveImage;
        image.effect[128] = 99;
        std::memcpy(image.effect + 144, "Hall\0\0\0\0", 8);
        image.inputB[78] = 0x34;
        image.outputs[1].gainCode = 12;
        m.data->ApplyAll(image, mode);
        QCOMPARE(m.data->Effect().Param(0), takesEffect ? 99 : 0);
        QCOMPARE(m.data->Effect().Name(), takesEffect ? QStringLiteral("Hall") : nameBefore);
        QCOMPARE(m.data->InputB().InputGain(), 0x34);
        QCOMPARE(m.Channel(1).GetGainCode(), 12);
    }

    // Reading an image never marks anything, even while connected.
    void applyLeavesNothingPending() {
        ModelFixture m;
        m.g->connected = 1;
        ParamImage image = m.g->liveImage;
        image.outputs[0].bands[3].gain = 700;
        image.outputs[0].bands[3].freq = 12000;
        image.outputs[4].highPass.freq = 300;
        image.inputA[0] = 0x10; // band 0 at 784 Hz
        m.data->ApplyAll(image, 0);
        QVERIFY(!AnyPending(*m.data));
        QCOMPARE(m.Channel(0).Band(3).GetSentFreq(), 12000);
    }

    // Collect and apply of the carried records touch their listed fields and leave the other bytes alone.
    void carriedRecordsRoundTrip() {
        ModelFixture m;
        ParamImage source = m.g->liveImage;
        std::uint8_t* a = source.inputA;
        for (int i = 72; i < 80; ++i)
            a[i] = static_cast<std::uint8_t>(i);
        a[88] = 0x88;
        a[96] = 0x96;
        a[97] = 0x97;
        a[98] = 0x98;
        a[99] = 0x99;
        std::memcpy(a + 104, "Mic\0\0\0\0\0", 8);
        PutBandRaw(a + 8, 90, 650, 20, 0, 0);
        PutXoverRaw(a + 80, 45, 1, 3);
        std::uint8_t* e = source.effect;
        static const int paramBytes[11] = {128, 129, 130, 131, 134, 136, 137, 138, 139, 140, 143};
        for (int i = 0; i < 11; ++i)
            e[paramBytes[i]] = static_cast<std::uint8_t>(200 + i);
        PutXoverRaw(e + 124, 15000, 0, 1);
        m.data->ApplyAll(source, 0);

        std::memset(m.g->liveImage.effect, 0xEE, 152);
        std::memset(m.g->liveImage.inputA, 0xEE, 112);
        (void)m.data->CollectAll();

        QByteArray expectedA(112, '\xEE');
        for (int k = 0; k < 9; ++k)
            Golden::PutBand(expectedA, 8 * k, 1000, 600, 4, 0, 0);
        Golden::PutBand(expectedA, 8, 90, 650, 20, 0, 0);
        for (int i = 72; i < 80; ++i)
            PutU8(expectedA, i, i);
        PutU16(expectedA, 80, 45);
        PutU8(expectedA, 82, 1);
        PutU8(expectedA, 83, 3);
        PutU16(expectedA, 84, 0); // the reset image has no crossovers in the carried records
        PutU16(expectedA, 86, 0);
        PutU8(expectedA, 88, 0x88);
        PutU16(expectedA, 96, 0x9796);
        PutU8(expectedA, 98, 0x98);
        PutU8(expectedA, 99, 0x99);
        expectedA.replace(104, 8, QByteArray("Mic\0\0\0\0\0", 8));
        const QByteArray actualA(reinterpret_cast<const char*>(m.g->liveImage.inputA), 112);
        QVERIFY2(actualA == expectedA, Golden::FirstDifference(actualA, expectedA).constData());

        QByteArray expectedE(152, '\xEE');
        for (int k = 0; k < 3; ++k)
            Golden::PutBand(expectedE, 8 * k, 1000, 600, 4, 0, 0);
        PutU16(expectedE, 120, 0);
        PutU16(expectedE, 122, 0);
        PutU16(expectedE, 124, 15000);
        PutU8(expectedE, 126, 0);
        PutU8(expectedE, 127, 1);
        for (int i = 0; i < 11; ++i)
            PutU8(expectedE, paramBytes[i], 200 + i);
        expectedE.replace(144, 8, QByteArray(8, '\0'));
        const QByteArray actualE(reinterpret_cast<const char*>(m.g->liveImage.effect), 152);
        QVERIFY2(actualE == expectedE, Golden::FirstDifference(actualE, expectedE).constData());
    }

    // ---- Not connected
    // ---------------------------------------------------------------------------------------

    void editsWhileNotConnectedLeaveNothingPending() {
        ModelFixture m;
        MakeEdits(m);
        for (int c = 0; c < 8; ++c) {
            m.Channel(c).SetLimiter(1, 2, 3);
            m.Channel(c).SetMixB(std::array<int, 12>{});
            m.Channel(c).Band(c).SetGainCode(10);
            m.Channel(c).Band(30).SetFreq(10000, 1);
            m.Channel(c).LowPass().SetFreq(500, 1);
        }
        QVERIFY(!AnyPending(*m.data));
        // And they reach the image at once when collected: the sent frequencies follow without a link.
        QVERIFY(m.data->CollectAll().ok());
        QCOMPARE(int(m.g->liveImage.outputs[4].bands[30].freq), 10000);
        QCOMPARE(int(m.g->liveImage.outputs[4].lowPass.freq), 500);
    }

private:
    static void PutBandRaw(std::uint8_t* at, int freq, int gain, int q, int slope, int kind) {
        QByteArray bytes(8, '\0');
        PutBand(bytes, 0, freq, gain, q, slope, kind);
        std::memcpy(at, bytes.constData(), 8);
    }
    static void PutXoverRaw(std::uint8_t* at, int freq, int family, int slope) {
        at[0] = static_cast<std::uint8_t>(freq & 0xFF);
        at[1] = static_cast<std::uint8_t>(freq >> 8);
        at[2] = static_cast<std::uint8_t>(family);
        at[3] = static_cast<std::uint8_t>(slope);
    }
};

QTEST_APPLESS_MAIN(TestKtvData)
#include "tst_ktvdata.moc"
