// CFilter: responses against independently evaluated transfer functions, setters, ramp, texts, geometry.
#include "response/Filter.h"

#include <QTest>

#include <array>
#include <atomic>
#include <cmath>
#include <complex>
#include <functional>
#include <vector>

namespace {

using cd = std::complex<double>;

// The display's constants: grid frequencies use 2 pi = 6.2831852, filter frequencies 2 pi / 96000 =
// 6.544985e-05, both at 96 kHz.
double GridW(double f) {
    return 6.2831852 * f / 96000.0;
}
double CornerW(double f) {
    return f * 6.544985e-05;
}

// Every section the display draws is the bilinear image of an analogue prototype H(s) with s scaled so
// that the corner lands on w0; on the unit circle that s is j tan(w/2) / tan(w0/2). Evaluating the
// prototype there is a route to |H(e^jw)| that shares nothing with the code under test.
cd S(double f, double w0) {
    return cd(0.0, std::tan(GridW(f) / 2.0) / std::tan(w0 / 2.0));
}

double Db(cd h) {
    return 20.0 * std::log10(std::abs(h));
}

// Analogue prototypes, corner at s = j.
cd HighPass2(cd s, double d) {
    return s * s / (s * s + 2.0 * d * s + 1.0);
} // 1/(2Q) = d
cd LowPass2(cd s, double d) {
    return 1.0 / (s * s + 2.0 * d * s + 1.0);
}
cd HighPass1(cd s, double p) {
    return s / (s + p);
}
cd LowPass1(cd s, double p) {
    return 1.0 / (1.0 + p * s);
}
cd BesselPair(cd s, double c1, double c2) {
    return 1.0 / (c2 * s * s + c1 * s + 1.0);
}

double PeakDb(double f, double f0, double gainDb, double octaves) {
    const double w0 = CornerW(f0);
    const double a = std::pow(10.0, gainDb / 40.0);
    const double alpha = std::sin(w0) * std::sinh(0.69314718 * octaves * w0 / std::sin(w0));
    const double invQ = 2.0 * alpha / std::sin(w0);
    const cd s = S(f, w0);
    return Db((s * s + invQ * a * s + 1.0) / (s * s + invQ / a * s + 1.0));
}

double ShelfDb(bool low, double f, double fc, double gainDb, double shelfS, double k) {
    const double w0 = CornerW(fc) * k;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double invQ = std::sqrt((a + 1.0 / a) * (1.0 / shelfS - 1.0) + 2.0);
    const double ra = std::sqrt(a);
    const cd s = S(f, w0);
    if (low) {
        return Db(a * (s * s + ra * invQ * s + a) / (a * s * s + ra * invQ * s + 1.0));
    }
    return Db(a * (a * s * s + ra * invQ * s + 1.0) / (s * s + ra * invQ * s + a));
}

// A crossover as written in its design table: corner divisor, optional first-order pole p, biquad d's.
struct Design {
    double divisor = 1.0;
    double p = 0.0; // 0: no first-order section
    std::vector<double> d;
    std::vector<std::pair<double, double>> besselPairs; // Bessel low-pass instead of p and d
};

double XoverDb(bool highPass, const Design& design, double f, double fc) {
    const double w0 = CornerW(fc / design.divisor);
    const cd s = S(f, w0);
    cd h = 1.0;
    if (design.p != 0.0) {
        h *= highPass ? HighPass1(s, design.p) : LowPass1(s, design.p);
    }
    for (double d : design.d) {
        h *= highPass ? HighPass2(s, d) : LowPass2(s, d);
    }
    for (auto [c1, c2] : design.besselPairs) {
        h *= BesselPair(s, c1, c2);
    }
    return Db(h);
}

// Relative to the magnitude, so that the deep stop band of a steep filter is held as tightly as the pass
// band.
void CompareToGrid(const CFilter& filter, const std::function<double(double)>& expected, double tolerance) {
    for (std::size_t i = 0; i < g_freqGrid.size(); ++i) {
        const double want = expected(g_freqGrid[i]);
        const double got = filter.Response()[i];
        if (std::abs(got - want) > tolerance * std::max(1.0, std::abs(want))) {
            QFAIL(qPrintable(QStringLiteral("grid %1 (%2 Hz): got %3 dB, expected %4 dB")
                                 .arg(i)
                                 .arg(g_freqGrid[i])
                                 .arg(got, 0, 'g', 12)
                                 .arg(want, 0, 'g', 12)));
        }
    }
}

bool IsFlat(const CFilter& filter) {
    for (double v : filter.Response()) {
        if (v != 0.0) {
            return false;
        }
    }
    return true;
}

class RecordingSlider : public CLinkedSlider {
public:
    void MoveTo(int value) override { moves.push_back(value); }
    std::vector<int> moves;
};

constexpr int kGridIndex125 = 64;
constexpr int kGridIndex250 = 88;
constexpr int kGridIndex1000 = 136;

} // namespace

Q_DECLARE_METATYPE(Design)

class TestFilter : public QObject {
    Q_OBJECT

private slots:
    void defaults();

    void peakResponse_data();
    void peakResponse();
    void peakSnapsToGridShelfDoesNot();
    void shelfResponse_data();
    void shelfResponse();
    void crossoverResponse_data();
    void crossoverResponse();
    void crossoverOffPositions_data();
    void crossoverOffPositions();
    void butterworthCornerAndSlope_data();
    void butterworthCornerAndSlope();
    void bypassedBandsAreFlat();
    void deadFilterStaysFinite();

    void gainCodeAndBypass();
    void setBypassRules_data();
    void setBypassRules();
    void allBypassSavesAndRestores();
    void heldResponseIsComputedOnceAtTheEnd();
    void bandwidthIndex_data();
    void bandwidthIndex();
    void kindLowPassStartsAtTop();
    void pendingFollowsConnection_data();
    void pendingFollowsConnection();
    void resetBand();
    void copyParams();

    void rampUpWhileConnected();
    void rampDownAndSmallStepsAreImmediate_data();
    void rampDownAndSmallStepsAreImmediate();
    void crossoverRampAndSlider();

    void texts_data();
    void texts();
    void labels_data();
    void labels();

    void eqGeometry_data();
    void eqGeometry();
    void bandwidthHandles();
    void crossoverGeometry_data();
    void crossoverGeometry();
    void curvePolygon();
};

void TestFilter::defaults() {
    CFilter f;
    QCOMPARE(f.GetKind(), int(CFilter::Peak));
    QCOMPARE(f.GetFreq(), 1000);
    QCOMPARE(f.GetSentFreq(), 20);
    QCOMPARE(f.GetGain(), 0.0);
    QCOMPARE(f.GetBypass(), 1);
    QCOMPARE(f.GetAllBypass(), 0);
    QCOMPARE(f.GetBandwidth(), 0.2);
    QCOMPARE(f.GetFamily(), int(CFilter::Butterworth));
    QCOMPARE(f.GetSlope(), 2);
    QCOMPARE(f.GetIsEqBand(), 1);
    QCOMPARE(f.GetPending(), 0);
    QCOMPARE(f.GetGainCode(), 200);
    QCOMPARE(f.GetQIndex(), 15);
    QVERIFY(IsFlat(f));
}

void TestFilter::peakResponse_data() {
    QTest::addColumn<int>("freq");
    QTest::addColumn<int>("gainCode");
    QTest::addColumn<int>("bwIndex");
    QTest::addColumn<double>("centre"); // the grid frequency the band is computed at
    QTest::newRow("+6 dB at 1 kHz, 0.2 oct") << 1000 << 260 << 15 << 1000.0;
    QTest::newRow("-12 dB at 100 Hz, 1 oct") << 100 << 80 << 95 << 99.2;
    QTest::newRow("+20 dB at 20 Hz, narrowest") << 20 << 400 << 0 << 20.3;
    QTest::newRow("-20 dB at 20 kHz, 3 oct") << 20000 << 0 << 295 << 20000.0;
    QTest::newRow("+0.1 dB at 5040 Hz snaps to 5000") << 5040 << 201 << 40 << 5000.0;
}

void TestFilter::peakResponse() {
    QFETCH(int, freq);
    QFETCH(int, gainCode);
    QFETCH(int, bwIndex);
    QFETCH(double, centre);
    CFilter f;
    f.SetFreq(freq, 0);
    f.SetBandwidthIndex(bwIndex);
    f.SetGainCode(gainCode);
    const double gain = gainCode * 0.1 - 20.0;
    const double octaves = bwIndex < 4 ? 0.09 : 0.05 + 0.01 * bwIndex;
    CompareToGrid(
        f, [&](double hz) { return PeakDb(hz, centre, gain, octaves); }, 1e-7);

    // Hand check: at its centre a peak reaches its gain (the grid's 2 pi differs from the filter's in the
    // seventh digit, hence the small tolerance).
    const auto centreIndex = static_cast<std::size_t>(NearestGridIndex(centre));
    QVERIFY(std::abs(f.Response()[centreIndex] - gain) < 0.01);
}

void TestFilter::peakSnapsToGridShelfDoesNot() {
    auto peak = [](int freq) {
        auto f = std::make_unique<CFilter>();
        f->SetGainCode(300);
        f->SetFreq(freq, 0);
        return f;
    };
    QCOMPARE(peak(1010)->Response(), peak(1000)->Response());
    QCOMPARE(peak(1015)->Response(), peak(1030)->Response());
    QVERIFY(peak(1014)->Response() != peak(1030)->Response());

    auto shelf = [](int freq) {
        auto f = std::make_unique<CFilter>();
        f->SetKind(CFilter::LowShelf);
        f->SetSlope(0, 0);
        f->SetGainCode(300);
        f->SetFreq(freq, 0);
        return f;
    };
    QVERIFY(shelf(1010)->Response() != shelf(1000)->Response());
    CompareToGrid(
        *shelf(1010), [](double hz) { return ShelfDb(true, hz, 1010.0, 10.0, 0.5, 2.0); }, 1e-7);
}

void TestFilter::shelfResponse_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("slope");
    QTest::addColumn<int>("freq");
    QTest::addColumn<int>("gainCode");
    QTest::addColumn<double>("shelfS");
    QTest::addColumn<double>("k");
    QTest::newRow("low 6 dB/Oct +6 dB at 100 Hz") << 1 << 0 << 100 << 260 << 0.5 << 2.0;
    QTest::newRow("low 12 dB/Oct -9.5 dB at 300 Hz") << 1 << 1 << 300 << 105 << 1.3 << 1.2727272727;
    QTest::newRow("high 6 dB/Oct -3 dB at 8 kHz") << 2 << 0 << 8000 << 170 << 0.5 << 0.4545454546;
    QTest::newRow("high 12 dB/Oct +15 dB at 2 kHz") << 2 << 1 << 2000 << 350 << 1.3 << 0.76923076923;
}

void TestFilter::shelfResponse() {
    QFETCH(int, kind);
    QFETCH(int, slope);
    QFETCH(int, freq);
    QFETCH(int, gainCode);
    QFETCH(double, shelfS);
    QFETCH(double, k);
    CFilter f;
    f.SetKind(kind);
    f.SetSlope(slope, 0);
    f.SetFreq(freq, 0);
    f.SetGainCode(gainCode);
    const double gain = gainCode * 0.1 - 20.0;
    CompareToGrid(
        f, [&](double hz) { return ShelfDb(kind == 1, hz, freq, gain, shelfS, k); }, 1e-7);

    // The shelf's far side reaches the full gain, the other side stays near 0 dB.
    const double shelfSide = kind == 1 ? f.Response().front() : f.Response().back();
    const double flatSide = kind == 1 ? f.Response().back() : f.Response().front();
    QVERIFY2(std::abs(shelfSide - gain) < 0.5, qPrintable(QString::number(shelfSide)));
    QVERIFY2(std::abs(flatSide) < 0.5, qPrintable(QString::number(flatSide)));
}

void TestFilter::crossoverResponse_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("slope");
    QTest::addColumn<int>("freq");
    QTest::addColumn<Design>("design");
    const int hp = CFilter::HighPass;
    const int lp = CFilter::LowPass;
    const int lr = CFilter::LinkwitzRiley;
    const int bes = CFilter::Bessel;
    const int bw = CFilter::Butterworth;

    // 6 dB/Oct: one first-order section at the corner in every family.
    QTest::newRow("LR HP 6dB") << hp << lr << 0 << 300 << Design{1.0, 1.0, {}, {}};
    QTest::newRow("BW LP 6dB") << lp << bw << 0 << 5000 << Design{1.0, 1.0, {}, {}};
    QTest::newRow("Bessel HP 6dB, no divisor") << hp << bes << 0 << 80 << Design{1.0, 1.0, {}, {}};
    QTest::newRow("Bessel LP 6dB, pair (1, 0)")
        << lp << bes << 0 << 2500 << Design{1.0, 0.0, {}, {{1.0, 0.0}}};

    QTest::newRow("LR HP 12dB") << hp << lr << 1 << 1000 << Design{1.0, 0.0, {1.0}, {}};
    QTest::newRow("BW LP 12dB") << lp << bw << 1 << 1000 << Design{1.0, 0.0, {0.70422535}, {}};
    QTest::newRow("Bessel HP 12dB") << hp << bes << 1 << 120 << Design{1.2683112435, 0.0, {0.70422535}, {}};
    QTest::newRow("Bessel LP 12dB") << lp << bes << 1 << 120
                                    << Design{1.3616541287, 0.0, {}, {{1.0, 0.3333333333}}};

    // 18 dB/Oct: the odd order, first-order pole followed by a biquad.
    QTest::newRow("BW HP 18dB = p 1.0 + d 0.5") << hp << bw << 2 << 63 << Design{1.0, 1.0, {0.5}, {}};
    QTest::newRow("BW LP 18dB") << lp << bw << 2 << 8000 << Design{1.0, 1.0, {0.5}, {}};
    QTest::newRow("LR LP 18dB") << lp << lr << 2 << 1500 << Design{1.0, 1.0, {0.70422535211}, {}};
    QTest::newRow("Bessel HP 18dB") << hp << bes << 2 << 200 << Design{1.2854981442, 0.756, {0.72463768}, {}};
    QTest::newRow("Bessel LP 18dB") << lp << bes << 2 << 3000
                                    << Design{1.75567236868,
                                              0.0,
                                              {},
                                              {{0.5693712514, 0.154812441}, {0.430628846, 0.0}}};

    QTest::newRow("LR HP 24dB") << hp << lr << 3 << 80
                                << Design{1.0, 0.0, {0.70422535211, 0.70422535211}, {}};
    QTest::newRow("BW LP 24dB") << lp << bw << 3 << 120 << Design{1.0, 0.0, {0.92592593, 0.38167939}, {}};
    QTest::newRow("Bessel LP 24dB") << lp << bes << 3 << 400
                                    << Design{2.1139176749,
                                              0.0,
                                              {},
                                              {{0.369, 0.087858766}, {0.6278294896, 0.109408}}};

    QTest::newRow("LR LP 36dB") << lp << lr << 4 << 250 << Design{1.0, 0.0, {1.0, 0.5, 0.5}, {}};
    QTest::newRow("BW HP 36dB") << hp << bw << 4 << 60
                                << Design{1.0, 0.0, {0.96153846, 0.70422535211, 0.2590673575}, {}};
    QTest::newRow("Bessel HP 36dB") << hp << bes << 4 << 90
                                    << Design{1.5554981442, 0.0, {0.980392156, 0.819672131, 0.490196}, {}};
    QTest::newRow("Bessel LP 36dB") << lp << bes << 4 << 1800
                                    << Design{1.0,
                                              0.0,
                                              {},
                                              {{1.2217, 0.3887}, {0.9686, 0.3505}, {0.5131, 0.2756}}};

    QTest::newRow("LR HP 48dB") << hp << lr << 5 << 2000
                                << Design{1.0,
                                          0.0,
                                          {0.92592592593, 0.373134315, 0.92592592593, 0.373134315},
                                          {}};
    QTest::newRow("BW LP 48dB") << lp << bw << 5 << 16000
                                << Design{1.0, 0.0, {0.98039216, 0.83333333, 0.55555556, 0.1953125}, {}};
    QTest::newRow("Bessel HP 48dB") << hp << bes << 5 << 40
                                    << Design{1.679120141,
                                              0.0,
                                              {0.98039216, 0.89285714, 0.70422535, 0.40650406},
                                              {}};
    QTest::newRow("Bessel LP 48dB") << lp << bes << 5 << 700
                                    << Design{3.17961723751,
                                              0.0,
                                              {},
                                              {{0.117235677, 0.02064747},
                                               {0.226516664, 0.0259273886},
                                               {0.3067559, 0.0294683265},
                                               {0.3494916166, 0.031272257}}};
}

void TestFilter::crossoverResponse() {
    QFETCH(int, kind);
    QFETCH(int, family);
    QFETCH(int, slope);
    QFETCH(int, freq);
    QFETCH(Design, design);
    CFilter f;
    f.SetKind(kind);
    f.SetIsEqBand(0);
    f.SetFamily(family, 0);
    f.SetSlope(slope, 0);
    f.SetFreq(freq, 0);
    CompareToGrid(
        f, [&](double hz) { return XoverDb(kind == CFilter::HighPass, design, hz, freq); }, 1e-7);
}

void TestFilter::crossoverOffPositions_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("slope");
    QTest::addColumn<int>("freq");
    for (int family = 0; family < 3; ++family) {
        QTest::addRow("HP at 20 Hz, family %d", family) << 3 << family << 5 << 20;
        QTest::addRow("LP at 20000 Hz, family %d", family) << 4 << family << 5 << 20000;
        QTest::addRow("HP slope off, family %d", family) << 3 << family << 6 << 1000;
        QTest::addRow("LP slope off, family %d", family) << 4 << family << 6 << 1000;
    }
    QTest::newRow("slope beyond the list") << 3 << 2 << 7 << 1000;
}

void TestFilter::crossoverOffPositions() {
    QFETCH(int, kind);
    QFETCH(int, family);
    QFETCH(int, slope);
    QFETCH(int, freq);
    CFilter f;
    f.SetKind(kind);
    f.SetIsEqBand(0);
    f.SetFreq(1000, 0);
    f.SetSlope(3, 0);
    QVERIFY(!IsFlat(f));
    f.SetFamily(family, 0);
    f.SetSlope(slope, 0);
    f.SetFreq(freq, 0);
    QVERIFY(IsFlat(f));
}

// Hand-worked: a Butterworth crossover is 3 dB down at its corner whatever its order, and one octave
// further into the stop band it falls by its slope.
void TestFilter::butterworthCornerAndSlope_data() {
    QTest::addColumn<int>("slope");
    QTest::addColumn<double>("dbPerOctave");
    QTest::newRow("6dB/Oct") << 0 << 6.0;
    QTest::newRow("12dB/Oct") << 1 << 12.0;
    QTest::newRow("18dB/Oct") << 2 << 18.0;
    QTest::newRow("24dB/Oct") << 3 << 24.0;
    QTest::newRow("36dB/Oct") << 4 << 36.0;
    QTest::newRow("48dB/Oct") << 5 << 48.0;
}

void TestFilter::butterworthCornerAndSlope() {
    QFETCH(int, slope);
    QFETCH(double, dbPerOctave);
    CFilter f;
    f.SetKind(CFilter::HighPass);
    f.SetIsEqBand(0);
    f.SetFamily(CFilter::Butterworth, 0);
    f.SetSlope(slope, 0);
    f.SetFreq(1000, 0);
    QVERIFY2(std::abs(f.Response()[kGridIndex1000] + 3.01) < 0.1,
             qPrintable(QString::number(f.Response()[kGridIndex1000])));
    const double octave = f.Response()[kGridIndex250] - f.Response()[kGridIndex125];
    QVERIFY2(std::abs(octave - dbPerOctave) < 0.6, qPrintable(QString::number(octave)));
}

void TestFilter::bypassedBandsAreFlat() {
    for (int kind : {0, 1, 2}) {
        CFilter f;
        f.SetKind(kind);
        f.SetSlope(1, 0);
        f.SetGainCode(330);
        QVERIFY(!IsFlat(f));
        f.SetBypass(1);
        QVERIFY(IsFlat(f));
        f.SetBypass(0);
        QVERIFY(!IsFlat(f));
    }
}

// An image may carry a 0 Hz low-pass; its response is nothing but stop band and must still draw.
void TestFilter::deadFilterStaysFinite() {
    CFilter f;
    f.SetKind(CFilter::LowPass);
    f.SetIsEqBand(0);
    f.SetGraphSize(QRect(0, 0, 600, 400));
    f.SetFreq(0, 0);
    for (double v : f.Response()) {
        QVERIFY(std::isfinite(v));
        QVERIFY(v <= -100.0);
    }
    for (const QPoint& p : f.Points()) {
        QVERIFY(p.y() >= 0);
    }
}

void TestFilter::gainCodeAndBypass() {
    CFilter f;
    f.SetGainCode(250);
    QCOMPARE(f.GetBypass(), 0);
    QCOMPARE(f.GetGainCode(), 250);
    f.SetGainCode(200);
    QCOMPARE(f.GetGain(), 0.0);
    QCOMPARE(f.GetBypass(), 1);
    QCOMPARE(f.GetGainCode(), 200);
    f.SetBypass(0); // a band at 0 dB stays bypassed
    QCOMPARE(f.GetBypass(), 1);
    f.SetGainCode(199);
    QCOMPARE(f.GetBypass(), 0);
    QCOMPARE(f.GetGainCode(), 199);
    QCOMPARE(f.GainText(), QString("-0.1dB"));
    f.SetBypass(1);
    QCOMPARE(f.GetGainCode(), 200); // bypassed bands go out as 0 dB
    QCOMPARE(f.GainText(), QString("0.0dB"));
}

void TestFilter::setBypassRules_data() {
    QTest::addColumn<int>("gainCode");
    QTest::addColumn<int>("allBypass");
    QTest::addColumn<int>("on");
    QTest::addColumn<int>("bypassAfter");
    QTest::addColumn<int>("allBypassAfter");
    QTest::addColumn<int>("pendingAfter");
    // Start: the band has gain code gainCode (bypass 0 unless 0 dB), then all-bypass, then SetBypass(on).
    QTest::newRow("switch off a cut band") << 150 << 0 << 1 << 1 << 0 << 1;
    QTest::newRow("same state does nothing") << 150 << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("0 dB band stays bypassed") << 200 << 0 << 0 << 1 << 0 << 0;
    QTest::newRow("all-bypass cleared, then applied") << 150 << 1 << 0 << 0 << 0 << 1;
    QTest::newRow("all-bypass cleared, bypass set") << 150 << 1 << 1 << 1 << 0 << 1;
    QTest::newRow("all-bypass on a 0 dB band only clears it") << 200 << 1 << 0 << 1 << 0 << 0;
}

void TestFilter::setBypassRules() {
    QFETCH(int, gainCode);
    QFETCH(int, allBypass);
    QFETCH(int, on);
    QFETCH(int, bypassAfter);
    QFETCH(int, allBypassAfter);
    QFETCH(int, pendingAfter);
    std::atomic<int> connected{1};
    CFilter f;
    f.SetConnectedFlag(&connected);
    f.SetGainCode(gainCode);
    if (allBypass) {
        f.SetAllBypass(1);
    }
    f.SetPending(0);
    f.SetBypass(on);
    QCOMPARE(f.GetBypass(), bypassAfter);
    QCOMPARE(f.GetAllBypass(), allBypassAfter);
    QCOMPARE(f.GetPending(), pendingAfter);
}

void TestFilter::allBypassSavesAndRestores() {
    CFilter f;
    f.SetGainCode(260);
    const auto live = f.Response();
    f.SetAllBypass(1);
    QCOMPARE(f.GetAllBypass(), 1);
    QCOMPARE(f.GetEffectiveBypass(), 1);
    QVERIFY(IsFlat(f));
    QCOMPARE(f.GetGainCode(), 200);
    f.SetAllBypass(0);
    QCOMPARE(f.GetAllBypass(), 0);
    QCOMPARE(f.Response(), live);

    // Switching on twice saves the on state, so switching off once keeps the band bypassed.
    f.SetAllBypass(1);
    f.SetAllBypass(1);
    QCOMPARE(f.GetSavedAllBypass(), 1);
    f.SetAllBypass(0);
    QCOMPARE(f.GetAllBypass(), 1);
}

void TestFilter::heldResponseIsComputedOnceAtTheEnd() {
    // The same parameters set one by one, once freely and once under nested holds.
    const auto setAll = [](CFilter& f) {
        f.SetGraphSize(QRect(0, 0, 600, 400));
        f.SetGainCode(150);
        f.SetBandwidthIndex(40);
        f.SetKind(CFilter::LowShelf);
        f.SetSlope(1, 0);
        f.SetFreq(250, 0);
    };
    CFilter free;
    setAll(free);
    QVERIFY(!IsFlat(free));

    CFilter held;
    {
        const CFilter::ResponseHold outer(held);
        {
            const CFilter::ResponseHold inner(held);
            setAll(held);
        }
        QVERIFY(IsFlat(held)); // still the response of the defaults: nothing computed yet
    }
    QCOMPARE(held.Response(), free.Response());
    QCOMPARE(held.Points(), free.Points());

    // A hold with no change computes nothing.
    { const CFilter::ResponseHold idle(held); }
    QCOMPARE(held.Response(), free.Response());
}

void TestFilter::bandwidthIndex_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("octaves");
    QTest::addColumn<QString>("qText");
    QTest::newRow("0 gives 0.09") << 0 << 0.09 << "16.03";
    QTest::newRow("3 gives 0.09") << 3 << 0.09 << "16.03";
    QTest::newRow("4") << 4 << 0.09 << "16.03";
    QTest::newRow("15 is 0.2 oct") << 15 << 0.2 << "7.208";
    QTest::newRow("95 is 1 oct") << 95 << 1.0 << "1.414";
    QTest::newRow("295 is 3 oct") << 295 << 3.0 << "0.404";
}

void TestFilter::bandwidthIndex() {
    QFETCH(int, index);
    QFETCH(double, octaves);
    QFETCH(QString, qText);
    CFilter f;
    f.SetBandwidthIndex(index);
    QVERIFY(std::abs(f.GetBandwidth() - octaves) < 1e-12);
    QCOMPARE(f.QText(), qText);
    QCOMPARE(f.GetQIndex(), std::max(index, 4));
}

void TestFilter::kindLowPassStartsAtTop() {
    CFilter f;
    f.SetKind(CFilter::LowPass);
    QCOMPARE(f.GetSentFreq(), 20000);
    CFilter g;
    g.SetKind(CFilter::HighPass);
    QCOMPARE(g.GetSentFreq(), 20);
}

void TestFilter::pendingFollowsConnection_data() {
    QTest::addColumn<int>("connected");
    QTest::newRow("connected") << 1;
    QTest::newRow("not connected") << 0;
}

void TestFilter::pendingFollowsConnection() {
    QFETCH(int, connected);
    std::atomic<int> flag{connected};
    CFilter f;
    f.SetConnectedFlag(&flag);

    const std::vector<std::pair<const char*, std::function<void()>>> userEdits{
        {"SetFreq user", [&] { f.SetFreq(500, 1); }},
        {"SetGainCode", [&] { f.SetGainCode(220); }},
        {"SetBandwidthIndex", [&] { f.SetBandwidthIndex(30); }},
        {"SetKind", [&] { f.SetKind(1); }},
        {"SetSlope user", [&] { f.SetSlope(1, 1); }},
        {"SetFamily user", [&] { f.SetFamily(0, 1); }},
    };
    for (const auto& [name, edit] : userEdits) {
        f.SetPending(0);
        edit();
        QVERIFY2(f.GetPending() == connected, name);
    }
    const std::vector<std::pair<const char*, std::function<void()>>> quietEdits{
        {"SetFreq load", [&] { f.SetFreq(700, 0); }},   {"SetSlope load", [&] { f.SetSlope(0, 0); }},
        {"SetFamily load", [&] { f.SetFamily(2, 0); }}, {"ResetBand", [&] { f.ResetBand(800); }},
        {"SetAllBypass", [&] { f.SetAllBypass(1); }},
    };
    for (const auto& [name, edit] : quietEdits) {
        f.SetPending(0);
        edit();
        QVERIFY2(f.GetPending() == 0, name);
    }
}

void TestFilter::resetBand() {
    CFilter f;
    f.SetFreq(777, 0);
    f.SetBandwidthIndex(100);
    f.SetGainCode(320);
    f.ResetBand(250);
    QCOMPARE(f.GetFreq(), 250);
    QCOMPARE(f.GetSentFreq(), 250);
    QCOMPARE(f.GetBandwidth(), 0.2);
    QCOMPARE(f.GetGain(), 0.0);
    QCOMPARE(f.GetBypass(), 1);
    QVERIFY(IsFlat(f));
}

void TestFilter::copyParams() {
    CFilter a;
    a.SetKind(CFilter::HighShelf);
    a.SetSlope(1, 0);
    a.SetFreq(6000, 0);
    a.SetGainCode(150);
    a.SetBandwidthIndex(40);
    a.SetGraphSize(QRect(0, 0, 600, 400));
    CFilter b;
    b.SetIndex(7);
    b.SetGraphSize(QRect(0, 0, 600, 400));
    b.CopyParamsFrom(a);
    QCOMPARE(b.GetKind(), int(CFilter::HighShelf));
    QCOMPARE(b.GetFreq(), 6000);
    QCOMPARE(b.GetGainCode(), 150);
    QCOMPARE(b.GetQIndex(), 40);
    QCOMPARE(b.GetIndex(), 7);
    QCOMPARE(b.Response(), a.Response());
    QCOMPARE(b.HandleRect(), a.HandleRect());
}

void TestFilter::rampUpWhileConnected() {
    std::atomic<int> connected{1};
    CFilter f;
    f.SetFreq(20, 0);
    f.SetConnectedFlag(&connected);
    f.SetFreq(20000, 1);
    QCOMPARE(f.GetFreq(), 20000);
    QCOMPARE(f.GetSentFreq(), 20);
    QCOMPARE(f.GetPending(), 1);

    std::vector<int> sent;
    for (int visits = 0; f.GetPending() && visits < 100; ++visits) {
        f.StepSentFreq(0);
        if (f.GetPending()) {
            sent.push_back(f.GetSentFreq());
        }
    }
    const std::vector<int> expected{40, 80, 160, 320, 640, 1280, 2560, 5120, 10240, 20000};
    QCOMPARE(sent, expected);
    QCOMPARE(f.GetPending(), 0);
    QCOMPARE(f.GetSentFreq(), 20000);
}

void TestFilter::rampDownAndSmallStepsAreImmediate_data() {
    QTest::addColumn<int>("connected");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("sentAfter");
    QTest::newRow("connected, down all the way") << 1 << 20000 << 20 << 20;
    QTest::newRow("connected, up less than an octave") << 1 << 1000 << 1999 << 1999;
    QTest::newRow("connected, up one octave waits") << 1 << 1000 << 2000 << 1000;
    QTest::newRow("connected, never sent counts as 20") << 1 << 0 << 1000 << 20;
    QTest::newRow("connected, never sent, small step") << 1 << 0 << 30 << 30;
    QTest::newRow("not connected, up") << 0 << 20 << 20000 << 20000;
    QTest::newRow("not connected, down") << 0 << 20000 << 20 << 20;
}

void TestFilter::rampDownAndSmallStepsAreImmediate() {
    QFETCH(int, connected);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, sentAfter);
    std::atomic<int> flag{connected};
    CFilter f;
    f.SetFreq(from, 0);
    f.SetConnectedFlag(&flag);
    f.SetFreq(to, 1);
    QCOMPARE(f.GetFreq(), to);
    QCOMPARE(f.GetSentFreq(), sentAfter);
    QCOMPARE(f.GetPending(), connected);
}

void TestFilter::crossoverRampAndSlider() {
    std::atomic<int> connected{1};
    RecordingSlider slider;
    CFilter f;
    f.SetKind(CFilter::HighPass);
    f.SetIsEqBand(0);
    f.SetFreq(20, 0);
    f.SetLinkedSlider(&slider);
    f.SetConnectedFlag(&connected);
    QVERIFY(slider.moves.empty());

    f.SetFreq(100, 1);
    QCOMPARE(slider.moves, std::vector<int>{100});
    QCOMPARE(f.GetSentFreq(), 20);
    QCOMPARE(f.GetPending(), 1);
    f.StepSentFreq(0);
    QCOMPARE(f.GetSentFreq(), 40);
    f.StepSentFreq(0);
    QCOMPARE(f.GetSentFreq(), 80);
    f.StepSentFreq(0);
    QCOMPARE(f.GetSentFreq(), 100);
    QCOMPARE(f.GetPending(), 1);
    f.StepSentFreq(0);
    QCOMPARE(f.GetPending(), 0);

    // Without a link the image must still receive the chosen frequency: nothing would step the ramp.
    connected = 0;
    f.SetFreq(2000, 1);
    QCOMPARE(f.GetSentFreq(), 2000);
    QCOMPARE(f.GetPending(), 0);
    QCOMPARE(slider.moves, (std::vector<int>{100, 2000}));
}

void TestFilter::texts_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("geq");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("kindText");
    QTest::newRow("peak en") << 0 << 0 << 0 << "PEQ";
    QTest::newRow("peak zh") << 0 << 0 << 1 << "参量均衡";
    QTest::newRow("geq en") << 0 << 1 << 0 << "GEQ";
    QTest::newRow("geq zh") << 0 << 1 << 1 << "图示均衡";
    QTest::newRow("low shelf en") << 1 << 0 << 0 << "Lo_Shf";
    QTest::newRow("low shelf zh") << 1 << 0 << 1 << "低架";
    QTest::newRow("high shelf en") << 2 << 0 << 0 << "Hi_Shf";
    QTest::newRow("high shelf zh") << 2 << 0 << 1 << "高架";
    QTest::newRow("high-pass has none") << 3 << 0 << 0 << "";
}

void TestFilter::texts() {
    QFETCH(int, kind);
    QFETCH(int, geq);
    QFETCH(int, language);
    QFETCH(QString, kindText);
    CFilter f;
    f.SetKind(kind);
    f.SetGeqMode(geq);
    QCOMPARE(f.KindText(language), kindText);

    f.SetFreq(63, 0);
    f.SetBandwidthIndex(45);
    f.SetFamily(CFilter::Bessel, 0);
    f.SetSlope(4, 0);
    QCOMPARE(f.FreqText(), QString("63Hz"));
    QCOMPARE(f.BandwidthText(), QString("0.50Oct"));
    QCOMPARE(f.FamilyText(0), QString("Bessel"));
    QCOMPARE(f.FamilyText(1), QString("贝塞尔"));
    QCOMPARE(f.CrossoverSlopeText(language), QString("36dB/Oct"));
    QCOMPARE(f.ShelfSlopeText(language), QString());
    f.SetSlope(1, 0);
    QCOMPARE(f.ShelfSlopeText(language), QString("12dB/Oct"));
    QCOMPARE(f.CrossoverSlopeText(language), QString("12dB/Oct"));
}

void TestFilter::labels_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("freq");
    QTest::addColumn<int>("gainCode");
    QTest::addColumn<int>("slope");
    QTest::addColumn<QString>("label");
    QTest::newRow("bypassed peak") << 0 << 250 << 200 << 0 << "G:0.0-F:250-Q:7.208";
    QTest::newRow("peak") << 0 << 1000 << 235 << 0 << "G:3.5-F:1000-Q:7.208";
    QTest::newRow("low shelf") << 1 << 100 << 200 << 0 << "Lo 100-6dB/Oct G0.0";
    QTest::newRow("high shelf") << 2 << 8000 << 175 << 1 << "Hi F:8000-12dB/Oct G:-2.5";
    QTest::newRow("high-pass") << 3 << 80 << 200 << 2 << "F:80";
    QTest::newRow("low-pass") << 4 << 12000 << 200 << 5 << "F:12000";
}

void TestFilter::labels() {
    QFETCH(int, kind);
    QFETCH(int, freq);
    QFETCH(int, gainCode);
    QFETCH(int, slope);
    QFETCH(QString, label);
    CFilter f;
    f.SetKind(kind);
    f.SetFreq(freq, 0);
    f.SetBandwidthIndex(15);
    f.SetGainCode(gainCode);
    f.SetSlope(slope, 0);
    QCOMPARE(f.BuildLabel(), label);
    QCOMPARE(f.Label(), label);
}

// A 600 x 400 plot: 200 pixels per decade, 10 pixels per dB; window coordinates are shifted by (35, 10).
void TestFilter::eqGeometry_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("freq");
    QTest::addColumn<int>("gainCode");
    QTest::addColumn<QRect>("handle");
    QTest::addColumn<QRect>("label");
    // x(1000) = 339, y(0) = 200: label under the handle, 210 wider on the right.
    QTest::newRow("peak 1 kHz 0 dB") << 0 << 1000 << 200 << QRect(366, 202, 16, 16)
                                     << QRect(366, 227, 226, 16);
    // x = 600, y = 0: pulled inside on the right, top clamped to 0; label kept inside on the right.
    QTest::newRow("peak 20 kHz +20 dB")
        << 0 << 20000 << 400 << QRect(619, 10, 16, 16) << QRect(435, 35, 200, 16);
    // x = 0, y = 400: left clamped, pulled inside at the bottom; the label goes above the handle.
    QTest::newRow("peak 20 Hz -20 dB") << 0 << 20 << 0 << QRect(35, 394, 16, 16) << QRect(35, 369, 226, 16);
    QTest::newRow("low shelf 100 Hz +5 dB")
        << 1 << 100 << 250 << QRect(166, 152, 16, 16) << QRect(166, 177, 106, 16);
    QTest::newRow("high shelf 16 kHz")
        << 2 << 16000 << 150 << QRect(607, 252, 16, 16) << QRect(519, 277, 116, 16);
}

void TestFilter::eqGeometry() {
    QFETCH(int, kind);
    QFETCH(int, freq);
    QFETCH(int, gainCode);
    QFETCH(QRect, handle);
    QFETCH(QRect, label);
    CFilter f;
    f.SetKind(kind);
    f.SetFreq(freq, 0);
    f.SetGainCode(gainCode);
    f.SetGraphSize(QRect(35, 10, 600, 400));
    QCOMPARE(f.HandleRect(), handle);
    QCOMPARE(f.LabelRect(), label);
}

void TestFilter::bandwidthHandles() {
    CFilter f;
    f.SetFreq(1000, 0);
    f.SetGraphSize(QRect(0, 0, 600, 400));
    // N = 0.2: x(1148.7) = 351 -> centre 396; x(870.6) = 327 -> centre 352; handle centre y 210, +10.
    QCOMPARE(f.BwHighRect(), QRect(390, 214, 13, 12));
    QCOMPARE(f.BwLowRect(), QRect(345, 214, 13, 12));

    // A cut puts them above the handle's centre; bypass moves the handle to 0 dB and them with it.
    f.SetGainCode(100); // -10 dB: handle centre y = 300 + 10
    QCOMPARE(f.HandleRect(), QRect(366, 302, 16, 16));
    QCOMPARE(f.BwHighRect(), QRect(390, 294, 13, 12));
    f.SetBypass(1);
    QCOMPARE(f.HandleRect(), QRect(366, 202, 16, 16));
    QCOMPARE(f.BwHighRect().top(), 194);

    f.SetBandwidthIndex(95); // one octave: x(2000) = 400, x(500) = 279
    QCOMPARE(f.BwHighRect().left(), 400 + 45 - 6);
    QCOMPARE(f.BwLowRect().left(), 279 + 25 - 7);
}

void TestFilter::crossoverGeometry_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("freq");
    QTest::addColumn<QRect>("handle");
    QTest::addColumn<QRect>("label");
    // y(-12) = 320, y(-15) = 350.
    QTest::newRow("high-pass 100 Hz") << 3 << 100 << QRect(166, 322, 16, 16) << QRect(166, 337, 66, 26);
    QTest::newRow("high-pass off at 20 Hz") << 3 << 20 << QRect(27, 322, 16, 16) << QRect(27, 337, 66, 26);
    QTest::newRow("low-pass off at 20 kHz")
        << 4 << 20000 << QRect(627, 352, 16, 16) << QRect(569, 337, 66, 51);
    QTest::newRow("low-pass 1 kHz") << 4 << 1000 << QRect(366, 352, 16, 16) << QRect(366, 337, 66, 51);
}

void TestFilter::crossoverGeometry() {
    QFETCH(int, kind);
    QFETCH(int, freq);
    QFETCH(QRect, handle);
    QFETCH(QRect, label);
    CFilter f;
    f.SetKind(kind);
    f.SetIsEqBand(0);
    f.SetGraphSize(QRect(0, 0, 600, 400));
    f.SetFreq(freq, 0);
    QCOMPARE(f.HandleRect(), handle);
    QCOMPARE(f.LabelRect(), label);
}

void TestFilter::curvePolygon() {
    CFilter f;
    f.SetGraphSize(QRect(0, 0, 600, 400));
    f.SetFreq(1000, 0);
    f.SetGainCode(300); // +10 dB
    const auto& pts = f.Points();
    QCOMPARE(pts.size(), std::size_t(243));
    // Closed along the 0 dB line (y 200 + 10) under the first and last grid points.
    QCOMPARE(pts.front(), QPoint(pts[1].x(), 210));
    QCOMPARE(pts.back(), QPoint(pts[241].x(), 210));
    QCOMPARE(pts[1].x(), 34);             // 19.7 Hz lies just left of the 20 Hz edge
    QCOMPARE(pts[241].x(), 635);          // 20 kHz
    QCOMPARE(pts[137], QPoint(374, 110)); // 1 kHz at about +10 dB
    QCOMPARE(pts[2].y(), 210);            // far from the band
}

QTEST_APPLESS_MAIN(TestFilter)
#include "tst_filter.moc"
