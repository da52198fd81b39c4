// CKTVEQ: building a channel's filter set and summing its response for the graph.
#include "model/KTVEQ.h"

#include <QTest>

#include <atomic>
#include <cmath>
#include <vector>

class TestKTVEQ : public QObject {
    Q_OBJECT

private slots:
    void buildsSets_data();
    void buildsSets();
    void outputChannelBands();
    void connectedFlagReachesEveryFilter();
    void sumOfFilters();
    void singleFilterCurve();
    void factoryChannelIsFlat();
};

void TestKTVEQ::buildsSets_data() {
    QTest::addColumn<std::vector<int>>("bandFreqs");
    QTest::addColumn<int>("profile");
    const auto iso = std::vector<int>(kIsoThirdOctave.begin(), kIsoThirdOctave.end());
    QTest::newRow("output channel") << iso << 9;
    QTest::newRow("input record") << std::vector<int>(kNineBandFreqs.begin(), kNineBandFreqs.end()) << 7;
    QTest::newRow("effect record") << std::vector<int>(kThreeBandFreqs.begin(), kThreeBandFreqs.end()) << 8;
}

void TestKTVEQ::buildsSets() {
    QFETCH(std::vector<int>, bandFreqs);
    QFETCH(int, profile);
    const bool output = bandFreqs.size() == 31;
    const CKTVEQ eq = output ? CKTVEQ(profile) : CKTVEQ(bandFreqs, profile);
    const int bands = static_cast<int>(bandFreqs.size());
    QCOMPARE(eq.BandCount(), bands);
    QCOMPARE(eq.Count(), bands + 2);
    for (int k = 0; k < bands; ++k) {
        const CFilter& band = eq.Band(k);
        QCOMPARE(band.GetFreq(), bandFreqs[static_cast<std::size_t>(k)]);
        QCOMPARE(band.GetSentFreq(), band.GetFreq()); // built before any link: nothing to ramp
        QCOMPARE(band.GetIndex(), k);
        QCOMPARE(band.GetKind(), int(CFilter::Peak));
        QCOMPARE(band.GetIsEqBand(), 1);
        QCOMPARE(band.GetPending(), 0);
    }
    const CFilter& hp = eq.HighPass();
    const CFilter& lp = eq.LowPass();
    QCOMPARE(&hp, &eq.Filter(bands));
    QCOMPARE(&lp, &eq.Filter(bands + 1));
    QCOMPARE(hp.GetKind(), int(CFilter::HighPass));
    QCOMPARE(lp.GetKind(), int(CFilter::LowPass));
    QCOMPARE(hp.GetFreq(), 20);
    QCOMPARE(hp.GetSentFreq(), 20);
    QCOMPARE(lp.GetFreq(), 20000);
    QCOMPARE(lp.GetSentFreq(), 20000);
    for (const CFilter* x : {&hp, &lp}) {
        QCOMPARE(x->GetIsEqBand(), 0);
        QCOMPARE(x->GetIndex(), 32);
        QCOMPARE(x->GetRangeProfile(), profile);
        QCOMPARE(x->GetFamily(), int(CFilter::Butterworth));
        QCOMPARE(x->GetSlope(), 2);
        QCOMPARE(x->GetPending(), 0);
    }
}

void TestKTVEQ::outputChannelBands() {
    const CKTVEQ eq(8);
    QCOMPARE(eq.Band(0).GetFreq(), 20);
    QCOMPARE(eq.Band(17).GetFreq(), 1000);
    QCOMPARE(eq.Band(25).GetFreq(), 6300);
    QCOMPARE(eq.Band(30).GetFreq(), 20000);
}

void TestKTVEQ::connectedFlagReachesEveryFilter() {
    std::atomic<int> connected{1};
    CKTVEQ eq(9);
    eq.SetConnectedFlag(&connected);
    for (int i = 0; i < eq.Count(); ++i) {
        eq.Filter(i).SetFamily(CFilter::Bessel, 1);
        QCOMPARE(eq.Filter(i).GetPending(), 1);
    }
    connected = 0;
    eq.Band(3).SetGainCode(250);
    QCOMPARE(eq.Band(3).GetPending(), 0);
}

void TestKTVEQ::sumOfFilters() {
    CKTVEQ eq(9);
    eq.SetGraphSize(QRect(0, 0, 600, 400));
    eq.Band(17).SetGainCode(260); // +6 dB peak at 1 kHz
    eq.Band(5).SetGainCode(100);  // -10 dB peak at 63 Hz
    eq.HighPass().SetFreq(40, 0);
    eq.LowPass().SetFreq(8000, 0);
    eq.CalcSum();

    for (std::size_t i = 0; i < g_freqGrid.size(); ++i) {
        const double want = eq.Band(17).Response()[i] + eq.Band(5).Response()[i] +
                            eq.HighPass().Response()[i] + eq.LowPass().Response()[i];
        QVERIFY(std::abs(eq.SumDb()[i] - want) < 1e-9);
        QCOMPARE(eq.SumPoints()[i].x(), GraphXOfFreq(g_freqGrid[i], 600) + 35);
        QCOMPARE(eq.SumPoints()[i].y(), GraphYOfGain(want, 400) + 10);
        QVERIFY(std::abs(eq.SumPointsF()[i].x() - (GraphXOfFreqF(g_freqGrid[i], 600) + 35)) < 1e-9);
        QVERIFY(std::abs(eq.SumPointsF()[i].y() - (GraphYOfGainF(want, 400) + 10)) < 1e-9);
    }
    // 1 kHz sits at about +6 dB: y = 10 * (20 - 6) + 10.
    QCOMPARE(eq.SumPoints()[136], QPoint(339 + 35, 150));
}

void TestKTVEQ::singleFilterCurve() {
    CKTVEQ eq(9);
    eq.SetGraphSize(QRect(0, 0, 600, 400));
    eq.Band(17).SetGainCode(260);
    eq.Band(20).SetGainCode(100);
    eq.CalcSingle(eq.Band(20));
    QCOMPARE(eq.SumDb(), eq.Band(20).Response());
    QCOMPARE(eq.SumPoints()[160].y(), GraphYOfGain(eq.Band(20).Response()[160], 400) + 10);
}

void TestKTVEQ::factoryChannelIsFlat() {
    CKTVEQ eq(9);
    eq.SetGraphSize(QRect(0, 0, 600, 400));
    for (int k = 0; k < eq.BandCount(); ++k) {
        eq.Band(k).SetGainCode(200);
        eq.Band(k).SetBandwidthIndex(15);
        eq.Band(k).SetFreq(kFactoryBandFreqs[static_cast<std::size_t>(k)], 0);
    }
    eq.CalcSum();
    for (std::size_t i = 0; i < g_freqGrid.size(); ++i) {
        QCOMPARE(eq.SumDb()[i], 0.0);
        QCOMPARE(eq.SumPoints()[i].y(), 210);
    }
}

QTEST_APPLESS_MAIN(TestKTVEQ)
#include "tst_ktveq.moc"
