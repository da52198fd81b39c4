// Filter texts in and out of a channel: every line shape, what is rounded, clamped and dropped, placement,
// the preamp, the curve difference against an evaluation of its own, and export then import.
#include "control/FilterText.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "model/KTV_Data.h"

#include <QLocale>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

SessionOptions Offline() {
    SessionOptions options;
    options.device = DeviceOption{DeviceOption::Kind::Sim, {}};
    options.timing = TimingProfile::Fast();
    return options;
}

using Kind = FilterTextNote::Kind;

bool HasNote(const FilterTextReading& r, int line, Kind kind) {
    return std::any_of(r.notes.begin(), r.notes.end(),
                       [&](const FilterTextNote& n) { return n.line == line && n.kind == kind; });
}

QString Notes(const FilterTextReading& r) {
    return CFilterText::Report(r, 0).join(u'\n');
}

// ---- An evaluation of its own: cookbook biquads at any rate, and the channel's drawing formulas ----------

double BiquadDb(double b0, double b1, double b2, double a0, double a1, double a2, double w) {
    const std::complex<double> z = std::polar(1.0, -w);
    return 20.0 * std::log10(std::abs((b0 + b1 * z + b2 * z * z) / (a0 + a1 * z + a2 * z * z)));
}

double PeakDb(double f0, double gain, double alpha, double w0, double w) {
    const double a = std::pow(10.0, gain / 40.0);
    return BiquadDb(1 + alpha * a, -2 * std::cos(w0), 1 - alpha * a, 1 + alpha / a, -2 * std::cos(w0),
                    1 - alpha / a, w);
    (void)f0;
}

double ShelfDb(bool low, double gain, double alpha, double w0, double w) {
    const double a = std::pow(10.0, gain / 40.0);
    const double c = std::cos(w0);
    const double t = 2 * std::sqrt(a) * alpha;
    if (low)
        return BiquadDb(a * ((a + 1) - (a - 1) * c + t), 2 * a * ((a - 1) - (a + 1) * c),
                        a * ((a + 1) - (a - 1) * c - t), (a + 1) + (a - 1) * c + t,
                        -2 * ((a - 1) + (a + 1) * c), (a + 1) + (a - 1) * c - t, w);
    return BiquadDb(a * ((a + 1) + (a - 1) * c + t), -2 * a * ((a - 1) + (a + 1) * c),
                    a * ((a + 1) + (a - 1) * c - t), (a + 1) - (a - 1) * c + t, 2 * ((a - 1) - (a + 1) * c),
                    (a + 1) - (a - 1) * c - t, w);
}

// A filter as a text asks for it (centre frequency, Q) at 48 kHz.
struct Asked {
    int kind; // CFilter::Peak, LowShelf, HighShelf
    double freq, gain, q;
};

double AskedDb(const Asked& f, double hz) {
    const double w0 = 2 * std::numbers::pi * f.freq / 48000.0;
    const double w = 2 * std::numbers::pi * hz / 48000.0;
    const double alpha = std::sin(w0) / (2 * f.q);
    return f.kind == CFilter::Peak ? PeakDb(f.freq, f.gain, alpha, w0, w)
                                   : ShelfDb(f.kind == CFilter::LowShelf, f.gain, alpha, w0, w);
}

// A band as the graph draws it: 96 kHz, a peak's centre on the nearest grid point and its bandwidth N
// octaves entering as sinh(ln 2 x N x w0 / sin w0); a shelf of S 0.5 or 1.3 centred at its frequency x k.
double DrawnDb(const BandSetting& b, double hz) {
    if (b.bypass || b.gainCode == 200)
        return 0.0;
    const double gain = b.gainCode * 0.1 - 20.0;
    const double w = 6.2831852 * hz / 96000.0;
    if (b.kind == CFilter::Peak) {
        double f0 = g_freqGrid[0];
        for (double g : g_freqGrid)
            if (std::abs(g - b.freq) <= std::abs(f0 - b.freq))
                f0 = g;
        const double w0 = f0 * 6.544985e-05;
        const double n = 0.05 + 0.01 * b.bandwidth;
        return PeakDb(f0, gain, std::sin(w0) * std::sinh(0.69314718 * n * w0 / std::sin(w0)), w0, w);
    }
    const bool low = b.kind == CFilter::LowShelf;
    const double s = b.slope == 0 ? 0.5 : 1.3;
    const double k =
        low ? (b.slope == 0 ? 2.0 : 1.2727272727) : (b.slope == 0 ? 0.4545454546 : 0.76923076923);
    const double w0 = b.freq * 6.544985e-05 * k;
    const double a = std::pow(10.0, gain / 40.0);
    const double alpha = std::sin(w0) / 2 * std::sqrt((a + 1 / a) * (1 / s - 1) + 2);
    return ShelfDb(low, gain, alpha, w0, w);
}

double LargestDifference(const std::vector<Asked>& asked, double preamp, const FilterTextReading& r,
                         double gain) {
    double largest = 0.0;
    for (double hz : g_freqGrid) {
        double want = preamp;
        for (const Asked& f : asked)
            want += AskedDb(f, hz);
        double got = gain;
        for (const BandSetting& b : r.bands)
            got += DrawnDb(b, hz);
        largest = std::max(largest, std::abs(want - got));
    }
    return largest;
}

QString BandOf(const CFilter& f) {
    return QStringLiteral("%1/%2/%3/%4/%5/%6")
        .arg(f.GetKind())
        .arg(f.GetKind() == CFilter::Peak ? 0 : f.GetSlope())
        .arg(f.GetFreq())
        .arg(f.GetKind() == CFilter::Peak ? f.GetQIndex() : 15)
        .arg(EqGainCode(f.GetGain()))
        .arg(f.GetEffectiveBypass());
}

} // namespace

class TestFilterText : public QObject {
    Q_OBJECT

private slots:
    void lineShapes_data();
    void lineShapes();
    void dropped_data();
    void dropped();
    void placement_data();
    void placement();
    void surplusFiltersDropped();
    void preamp_data();
    void preamp();
    void headersAndOtherCommands();
    void largestDifference_data();
    void largestDifference();
    void importThroughTheEditor();
    void nothingUsableChangesNothing();
    void graphicModeRefused();
    void exportThenImport();
    void reportInBothLanguages();
    void decimalPointsWhateverTheLocale();
};

void TestFilterText::lineShapes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("slope");
    QTest::addColumn<int>("freq");
    QTest::addColumn<int>("bandwidth");
    QTest::addColumn<int>("gainCode");
    QTest::addColumn<bool>("bypass");
    QTest::addColumn<QList<int>>("noteKinds"); // kinds of note on line 1 besides Placed

    const int rounded = static_cast<int>(Kind::Rounded);
    const int clamped = static_cast<int>(Kind::Clamped);
    const int mapped = static_cast<int>(Kind::Mapped);
    // Q 3.943 is nearest to index 31 (Q 3.997), Q 10 to 9 (10.301), Q 1.41 to 95 (1.414), Q 2 to 66 (2.012).
    QTest::newRow("measurement export's peak, gain beyond -20 dB")
        << "Filter  1: ON  PK       Fc     209 Hz  Gain -33.9 dB  Q 3.943" << 0 << 0 << 0 << 209 << 31 << 0
        << false << QList<int>{clamped, rounded};
    QTest::newRow("headphone set's low shelf with Q")
        << "Filter 2: ON LSC Fc 105 Hz Gain -6.6 dB Q 0.70" << 1 << 1 << 1 << 83 << 15 << 134 << false
        << QList<int>{mapped};
    QTest::newRow("unnumbered peak") << "Filter: ON PK Fc 50 Hz Gain -3.0 dB Q 10.00" << 0 << 0 << 0 << 50
                                     << 9 << 170 << false << QList<int>{rounded};
    // Without Q or slope a shelf has S 0.9: the 12 dB/Oct band slope, centre 300 Hz / 1.2727.
    QTest::newRow("shelf without Q") << "Filter: ON LS Fc 300 Hz Gain 5.0 dB" << 0 << 1 << 1 << 236 << 15
                                     << 250 << false << QList<int>{mapped};
    QTest::newRow("centre shelf with a slope in dB") << "Filter: ON LSC 12 dB Fc 100 Hz Gain 5 dB" << 0 << 1
                                                     << 1 << 79 << 15 << 250 << false << QList<int>{mapped};
    // A corner at 50 Hz with 7.2 dB and S 0.5 has its centre at 75.7 Hz; the 6 dB/Oct band draws it at 2 f.
    QTest::newRow("corner shelf of 6 dB") << "Filter: ON LS 6dB Fc 50 Hz Gain 7.2 dB" << 0 << 1 << 0 << 38
                                          << 15 << 272 << false << QList<int>{mapped};
    QTest::newRow("high shelf with Q") << "Filter 1: ON HSC Fc 8000 Hz Gain -4 dB Q 0.7" << 0 << 2 << 1
                                       << 10400 << 15 << 160 << false << QList<int>{mapped};
    QTest::newRow("high shelf without Q") << "Filter: ON HS Fc 1000 Hz Gain -3.0 dB" << 0 << 2 << 1 << 1300
                                          << 15 << 170 << false << QList<int>{mapped};
    // 0.167 octave is index 11.7, taken as 12 (0.17 octave).
    QTest::newRow("bandwidth in octaves") << "Filter 3: ON PEQ Fc 100 Hz Gain 1.0 dB BW Oct 0.167" << 2 << 0
                                          << 0 << 100 << 12 << 210 << false << QList<int>{rounded};
    QTest::newRow("decimal commas") << "Filter 1: ON PK Fc 1000,5 Hz Gain -3,25 dB Q 1,41" << 0 << 0 << 0
                                    << 1001 << 95 << 168 << false << QList<int>{rounded};
    QTest::newRow("kHz and a peak name of its own")
        << "Filter: ON Modal Fc 1.5 kHz Gain 2 dB Q 1.41" << 0 << 0 << 0 << 1500 << 95 << 220 << false
        << QList<int>{rounded};
    QTest::newRow("below the lowest frequency") << "Filter: ON PK Fc 12 Hz Gain 2 dB Q 1.414" << 0 << 0 << 0
                                                << 20 << 95 << 220 << false << QList<int>{clamped};
    QTest::newRow("Q beyond the narrowest band") << "Filter: ON PK Fc 4000 Hz Gain -6 dB Q 30" << 0 << 0 << 0
                                                 << 4000 << 4 << 140 << false << QList<int>{clamped};
}

void TestFilterText::lineShapes() {
    QFETCH(QString, text);
    QFETCH(int, band);
    QFETCH(int, kind);
    QFETCH(int, slope);
    QFETCH(int, freq);
    QFETCH(int, bandwidth);
    QFETCH(int, gainCode);
    QFETCH(bool, bypass);
    QFETCH(QList<int>, noteKinds);

    const FilterTextReading r = CFilterText::Read(text);
    QCOMPARE(r.placed, 1);
    const BandSetting& b = r.bands[static_cast<std::size_t>(band)];
    QCOMPARE(b.kind, kind);
    QCOMPARE(b.slope, slope);
    QCOMPARE(b.freq, freq);
    QCOMPARE(b.bandwidth, bandwidth);
    QCOMPARE(b.gainCode, gainCode);
    QCOMPARE(b.bypass, bypass);
    QVERIFY2(HasNote(r, 1, Kind::Placed), qPrintable(Notes(r)));
    for (int k : noteKinds)
        QVERIFY2(HasNote(r, 1, static_cast<Kind>(k)), qPrintable(Notes(r)));
    // Nothing is reported that did not happen.
    for (Kind k : {Kind::Rounded, Kind::Clamped, Kind::Mapped, Kind::Dropped})
        if (!noteKinds.contains(static_cast<int>(k)))
            QVERIFY2(!HasNote(r, 1, k), qPrintable(Notes(r)));
    // Every other band is flat at its third-octave centre.
    for (int k = 0; k < Layout::kBands; ++k) {
        if (k == band)
            continue;
        const BandSetting& flat = r.bands[static_cast<std::size_t>(k)];
        QCOMPARE(flat.gainCode, 200);
        QCOMPARE(flat.kind, static_cast<int>(CFilter::Peak));
        QCOMPARE(flat.freq, kIsoThirdOctave[static_cast<std::size_t>(k)]);
    }
}

void TestFilterText::dropped_data() {
    QTest::addColumn<QString>("line");
    QTest::newRow("high-pass") << "Filter 1: ON HP Fc 30 Hz";
    QTest::newRow("low-pass with Q") << "Filter 1: ON LPQ Fc 10000 Hz Q 0.400";
    QTest::newRow("notch") << "Filter: ON NO Fc 50 Hz";
    QTest::newRow("all-pass") << "Filter: ON AP Fc 900 Hz Q 0.707";
    QTest::newRow("unknown type") << "Filter: ON XYZ Fc 900 Hz Gain 3 dB Q 1";
    QTest::newRow("peak without Q") << "Filter: ON PK Fc 900 Hz Gain 3 dB";
    QTest::newRow("peak without gain") << "Filter: ON PK Fc 900 Hz Q 1";
    QTest::newRow("no frequency") << "Filter: ON PK Gain 3 dB Q 1";
    QTest::newRow("above half of 48 kHz") << "Filter: ON PK Fc 30000 Hz Gain 3 dB Q 1";
    QTest::newRow("Q of zero") << "Filter: ON PK Fc 300 Hz Gain 3 dB Q 0";
    QTest::newRow("neither ON nor OFF") << "Filter 1: PK Fc 100 Hz Gain 3 dB Q 1";
    QTest::newRow("switched off") << "Filter 4: OFF PK Fc 500 Hz Gain 3 dB Q 2";
    QTest::newRow("slope too steep for its gain") << "Filter: ON LSC 60 dB Fc 100 Hz Gain 15 dB";
}

void TestFilterText::dropped() {
    QFETCH(QString, line);
    const FilterTextReading r = CFilterText::Read(line);
    QVERIFY(!r.Usable());
    QVERIFY2(HasNote(r, 1, Kind::Dropped), qPrintable(Notes(r)));
    QVERIFY(!HasNote(r, 1, Kind::Placed));
}

void TestFilterText::placement_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("bands"); // the band of each filter line, in order; -1 none
    QTest::newRow("by their numbers") << "Filter 5: ON PK Fc 100 Hz Gain 3 dB Q 1\n"
                                         "Filter 9: ON PK Fc 200 Hz Gain 3 dB Q 1\n"
                                      << QList<int>{4, 8};
    QTest::newRow("unnumbered in the text's order") << "Filter: ON PK Fc 100 Hz Gain 3 dB Q 1\n"
                                                       "Filter: ON PK Fc 200 Hz Gain 3 dB Q 1\n"
                                                    << QList<int>{0, 1};
    QTest::newRow("a number twice") << "Filter 3: ON PK Fc 100 Hz Gain 3 dB Q 1\n"
                                       "Filter 3: ON PK Fc 200 Hz Gain 3 dB Q 1\n"
                                    << QList<int>{0, 1};
    QTest::newRow("a number beyond 31") << "Filter 2: ON PK Fc 100 Hz Gain 3 dB Q 1\n"
                                           "Filter 40: ON PK Fc 200 Hz Gain 3 dB Q 1\n"
                                        << QList<int>{0, 1};
    QTest::newRow("a switched-off filter takes no band") << "Filter: OFF PK Fc 100 Hz Gain 3 dB Q 1\n"
                                                            "Filter: ON PK Fc 200 Hz Gain 3 dB Q 1\n"
                                                         << QList<int>{-1, 0};
    QTest::newRow("nor its number") << "Filter 1: OFF PK Fc 100 Hz Gain 3 dB Q 1\n"
                                       "Filter 2: ON PK Fc 200 Hz Gain 3 dB Q 1\n"
                                    << QList<int>{-1, 1};
}

void TestFilterText::placement() {
    QFETCH(QString, text);
    QFETCH(QList<int>, bands);
    const FilterTextReading r = CFilterText::Read(text);
    QCOMPARE(r.placed, bands.size() - bands.count(-1));
    for (qsizetype i = 0; i < bands.size(); ++i)
        if (bands[i] >= 0)
            QCOMPARE(r.bands[static_cast<std::size_t>(bands[i])].freq, 100 * static_cast<int>(i + 1));
    for (qsizetype i = 0; i < bands.size(); ++i)
        if (bands[i] < 0)
            for (const BandSetting& b : r.bands)
                QVERIFY(b.freq != 100 * static_cast<int>(i + 1) || b.gainCode == 200);
}

void TestFilterText::surplusFiltersDropped() {
    QString text;
    for (int i = 0; i < 33; ++i)
        text += QStringLiteral("Filter: ON PK Fc %1 Hz Gain -2 dB Q 4\n").arg(100 + 10 * i);
    const FilterTextReading r = CFilterText::Read(text);
    QCOMPARE(r.placed, 31);
    QCOMPARE(r.bands[30].freq, 400);
    QVERIFY(HasNote(r, 32, Kind::Dropped));
    QVERIFY(HasNote(r, 33, Kind::Dropped));
    QVERIFY(!HasNote(r, 31, Kind::Dropped));
    // The two dropped filters are part of what the text asks for: the channel misses them.
    QVERIFY(r.largestDifferenceDb > 1.0);
}

void TestFilterText::preamp_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("gainCode"); // -1: none
    QTest::addColumn<int>("noteKind");
    const QString filter = QStringLiteral("Filter: ON PK Fc 100 Hz Gain 3 dB Q 1\n");
    QTest::newRow("rounded down") << "Preamp: -6.6 dB\n" + filter << 53 << static_cast<int>(Kind::Rounded);
    QTest::newRow("rounded down, not to the nearest")
        << "Preamp: -6.4 dB\n" + filter << 53 << static_cast<int>(Kind::Rounded);
    QTest::newRow("whole dB") << "Preamp: -6 dB\n" + filter << 54 << static_cast<int>(Kind::Placed);
    QTest::newRow("decimal comma") << "Preamp: -6,5 dB\n" + filter << 53 << static_cast<int>(Kind::Rounded);
    QTest::newRow("preamps add up") << "Preamp: -3 dB\nPreamp: -2.5 dB\n" + filter << 54
                                    << static_cast<int>(Kind::Rounded);
    QTest::newRow("positive: the gain goes no higher")
        << "Preamp: 3 dB\n" + filter << 60 << static_cast<int>(Kind::Clamped);
    QTest::newRow("below the lowest gain")
        << "Preamp: -80 dB\n" + filter << 1 << static_cast<int>(Kind::Clamped);
    QTest::newRow("no preamp") << filter << -1 << -1;
    QTest::newRow("not a preamp") << "Preamp: loud\n" + filter << -1 << static_cast<int>(Kind::Dropped);
}

void TestFilterText::preamp() {
    QFETCH(QString, text);
    QFETCH(int, gainCode);
    QFETCH(int, noteKind);
    const FilterTextReading r = CFilterText::Read(text);
    QCOMPARE(r.gainCode.value_or(-1), gainCode);
    if (noteKind >= 0) {
        const int line = text.startsWith(QLatin1String("Preamp: -3")) ? 2 : 1;
        QVERIFY2(HasNote(r, line, static_cast<Kind>(noteKind)), qPrintable(Notes(r)));
    }
}

void TestFilterText::headersAndOtherCommands() {
    // A room-measurement export: its header, its columns and empty slots.
    const QString text = QStringLiteral("Filter Settings file\n"
                                        "\n"
                                        "Room EQ V5.20.13\n"
                                        "Dated: 3 Mar 2024 10:31:22\n"
                                        "\n"
                                        "Notes:\n"
                                        "\n"
                                        "Equaliser: Generic\n"
                                        "Averages 1\n"
                                        "Filter  1: ON  PK       Fc   63.5 Hz  Gain  -8.20 dB  Q  4.770\r\n"
                                        "Filter  2: ON  None\n"
                                        "Filter unused: ON  None\n"
                                        "Channel: L\n"
                                        "Device: Speakers\n"
                                        "# Filter 3: ON PK Fc 100 Hz Gain 3 dB Q 1\n"
                                        "Filter  3: ON  PK       Fc   125 Hz  Gain  -3.10 dB  Q  2.000\n");
    const FilterTextReading r = CFilterText::Read(text);
    QCOMPARE(r.placed, 2);
    QCOMPARE(r.bands[0].freq, 64);
    QCOMPARE(r.bands[2].freq, 125);
    QVERIFY(HasNote(r, 13, Kind::Ignored)); // Channel:
    QVERIFY(HasNote(r, 14, Kind::Ignored)); // Device:
    QVERIFY(HasNote(r, 0, Kind::Summary));  // the empty slots
    for (int line : {1, 3, 4, 6, 8, 9, 11, 12, 15})
        for (Kind k : {Kind::Dropped, Kind::Ignored, Kind::Placed})
            QVERIFY2(!HasNote(r, line, k), qPrintable(Notes(r)));
    QVERIFY(Notes(r).contains(QStringLiteral("2 empty filter slots")));
}

void TestFilterText::largestDifference_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<double>>("filters"); // kind, freq, gain, q per filter (as asked)
    QTest::addColumn<double>("preamp");
    QTest::newRow("one peak") << "Filter 1: ON PK Fc 1000 Hz Gain 6 dB Q 1.0"
                              << QList<double>{0, 1000, 6, 1.0} << 0.0;
    QTest::newRow("a headphone set with preamp")
        << "Preamp: -6.6 dB\n"
           "Filter 1: ON LSC Fc 105 Hz Gain 6.6 dB Q 0.70\n"
           "Filter 2: ON PK Fc 209 Hz Gain -3.9 dB Q 3.943\n"
           "Filter 3: ON PK Fc 2870 Hz Gain 4.2 dB Q 1.7\n"
           "Filter 4: ON HSC Fc 10000 Hz Gain -4.0 dB Q 0.70\n"
        << QList<double>{1, 105, 6.6, 0.70, 0, 209, -3.9, 3.943, 0, 2870, 4.2, 1.7, 2, 10000, -4.0, 0.70}
        << -6.6;
}

void TestFilterText::largestDifference() {
    QFETCH(QString, text);
    QFETCH(QList<double>, filters);
    QFETCH(double, preamp);
    std::vector<Asked> asked;
    for (qsizetype i = 0; i + 3 < filters.size(); i += 4)
        asked.push_back({static_cast<int>(filters[i]), filters[i + 1], filters[i + 2], filters[i + 3]});

    const FilterTextReading r = CFilterText::Read(text);
    QCOMPARE(r.placed, static_cast<int>(asked.size()));
    const double gain = r.gainCode ? *r.gainCode - 60.0 : 0.0;
    const double own = LargestDifference(asked, preamp, r, gain);
    QVERIFY2(std::abs(own - r.largestDifferenceDb) < 1e-6,
             qPrintable(QStringLiteral("%1 against %2").arg(own).arg(r.largestDifferenceDb)));
    // The rounding alone costs far less than the curve as drawn differs.
    QVERIFY(r.roundingDifferenceDb < r.largestDifferenceDb);
    QVERIFY2(r.roundingDifferenceDb < (preamp != 0.0 ? 1.0 : 0.2), qPrintable(Notes(r)));
}

void TestFilterText::importThroughTheEditor() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    CKTV_Data& data = session.Data();
    editor.CopyIntoGroup(1, 0);
    editor.SetChannelGain(0, 57);
    data.ClearPending(0);
    session.Globals().connected = 1; // edits are marked for the device as by hand

    const QString text = QStringLiteral("Preamp: -6.6 dB\n"
                                        "Filter 2: ON LSC Fc 105 Hz Gain -6.6 dB Q 0.70\n"
                                        "Filter 3: ON PK Fc 209 Hz Gain -3.9 dB Q 3.943\n");
    FilterTextReading r;
    QVERIFY(CFilterText::Import(editor, data.Channel(0), text, &r));
    for (int c : {0, 1}) { // the linked channel follows
        const CKTV_OutData& ch = data.Channel(c);
        QCOMPARE(ch.GetGainCode(), 53);
        QCOMPARE(BandOf(ch.Band(1)), QStringLiteral("1/1/83/15/134/0"));
        QCOMPARE(BandOf(ch.Band(2)), QStringLiteral("0/0/209/31/161/0"));
        QCOMPARE(ch.Band(0).GetGainCode(), 200);
        QVERIFY(ch.Band(1).GetPending() != 0);
        QVERIFY(ch.GetGainPending() != 0);
    }
    QCOMPARE(data.Channel(2).Band(1).GetGainCode(), 200);
    // The reading's curve is the channel's own: its bands' responses and its gain.
    const CKTV_OutData& ch = data.Channel(0);
    for (std::size_t i = 0; i < kGridPoints; ++i) {
        double sum = ChannelGainDb(ch.GetGainCode());
        for (int k = 0; k < Layout::kBands; ++k)
            sum += ch.Band(k).Response()[i];
        QVERIFY(std::abs(sum - r.result[i]) < 1e-9);
    }
    QVERIFY(Notes(r).contains(QStringLiteral("the channel gain was -3 dB")));

    // Without a preamp the channel gain stays.
    QVERIFY(CFilterText::Import(editor, data.Channel(0),
                                QStringLiteral("Filter: ON PK Fc 50 Hz Gain 2 dB Q 1"), &r));
    QCOMPARE(data.Channel(0).GetGainCode(), 53);
    QVERIFY(Notes(r).contains(QStringLiteral("no Preamp line: the channel gain stays at -7 dB")));
    QCOMPARE(data.Channel(0).Band(1).GetGainCode(), 200);
}

void TestFilterText::nothingUsableChangesNothing() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    CKTV_OutData& ch = session.Data().Channel(3);
    editor.SetBandGain(3, 6, 260);
    editor.SetChannelGain(3, 50);
    FilterTextReading r;
    const Status status = CFilterText::Import(editor, ch,
                                              QStringLiteral("Preamp: -6 dB\nFilter: ON HP Fc 80 Hz\n"
                                                             "Filter 2: ON  None\n"),
                                              &r);
    QVERIFY(!status);
    QCOMPARE(status.error(), CFilterText::kNothingUsable);
    QCOMPARE(ch.Band(6).GetGainCode(), 260);
    QCOMPARE(ch.GetGainCode(), 50);
    QVERIFY(HasNote(r, 2, Kind::Dropped));
}

void TestFilterText::graphicModeRefused() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    CKTV_OutData& ch = session.Data().Channel(2);
    editor.SetEqMode(2, 1);
    const Status status =
        CFilterText::Import(editor, ch, QStringLiteral("Filter: ON PK Fc 50 Hz Gain 2 dB Q 1"));
    QVERIFY(!status);
    QCOMPARE(status.error(), CFilterText::kGraphicMode);
    QCOMPARE(ch.Band(0).GetGainCode(), 200);
}

void TestFilterText::exportThenImport() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    CKTV_Data& data = session.Data();
    std::array<BandSetting, Layout::kBands> bands{};
    for (int k = 0; k < Layout::kBands; ++k)
        bands[static_cast<std::size_t>(k)].freq = kIsoThirdOctave[static_cast<std::size_t>(k)];
    bands[0] = {CFilter::LowShelf, 0, 60, 15, 250, false};
    bands[3] = {CFilter::LowShelf, 1, 110, 15, 134, false};
    bands[7] = {CFilter::Peak, 0, 209, 31, 161, false};
    bands[8] = {CFilter::Peak, 0, 2870, 4, 400, false};
    bands[12] = {CFilter::Peak, 0, 20, 295, 0, false};
    bands[20] = {CFilter::Peak, 0, 5000, 66, 230, true}; // switched off: no device or file keeps its gain
    bands[29] = {CFilter::HighShelf, 1, 13000, 15, 160, false};
    bands[30] = {CFilter::HighShelf, 0, 20000, 15, 215, false};
    editor.SetBands(0, bands);
    editor.SetChannelGain(0, 53);

    const QString text = CFilterText::Export(data.Channel(0));
    QVERIFY2(text.contains(QStringLiteral("\nPreamp: -7 dB\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nFilter 8: ON PK Fc 209 Hz Gain -3.9 dB Q 3.997\n")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\n# 1 bypassed bands not written\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nFilter 4: ON LSC Fc 140.00 Hz Gain -6.6 dB Q ")),
             qPrintable(text));
    QCOMPARE(text.count(QStringLiteral("Filter ")), 7);

    // Into another channel with an EQ of its own: the same bands, the same gain.
    editor.SetBandGain(5, 10, 300);
    FilterTextReading r;
    QVERIFY(CFilterText::Import(editor, data.Channel(5), text, &r));
    for (int k = 0; k < Layout::kBands; ++k) {
        const CFilter& band = data.Channel(5).Band(k);
        const CFilter& original = data.Channel(0).Band(k);
        if (original.GetGain() != 0.0 && original.GetEffectiveBypass() == 0)
            QCOMPARE(BandOf(band), BandOf(original));
        else
            QCOMPARE(band.GetEffectiveBypass(), 1);
    }
    QCOMPARE(data.Channel(5).GetGainCode(), 53);
    // What the text asks is what the bands were: only drawing at another rate and the export's decimals
    // stand between them.
    QVERIFY2(r.roundingDifferenceDb < 0.05, qPrintable(Notes(r)));
    for (const FilterTextNote& n : r.notes)
        QVERIFY2(n.kind != Kind::Rounded && n.kind != Kind::Clamped && n.kind != Kind::Dropped,
                 qPrintable(Notes(r)));
    // Written again, the text is the same from its preamp on.
    const QString again = CFilterText::Export(data.Channel(5));
    QCOMPARE(again.mid(again.indexOf(QStringLiteral("Preamp:"))),
             text.mid(text.indexOf(QStringLiteral("Preamp:"))));
}

void TestFilterText::reportInBothLanguages() {
    const FilterTextReading r =
        CFilterText::Read(QStringLiteral("Filter 1: ON PK Fc 100,4 Hz Gain 30 dB Q 1"));
    const QStringList en = CFilterText::Report(r, 0);
    const QStringList zh = CFilterText::Report(r, 1);
    QCOMPARE(en.size(), zh.size());
    QVERIFY2(en.join(u'\n').contains(QStringLiteral("line 1: frequency 100.4 Hz → 100 Hz")),
             qPrintable(en.join(u'\n')));
    QVERIFY(en.join(u'\n').contains(QStringLiteral("line 1: gain 30 dB → 20.0 dB")));
    QVERIFY(en.last().contains(QStringLiteral("48 kHz")));
    QVERIFY2(zh.join(u'\n').contains(QStringLiteral("第 1 行：频率 100.4 Hz → 100 Hz")),
             qPrintable(zh.join(u'\n')));
}

void TestFilterText::decimalPointsWhateverTheLocale() {
    // A process whose locale writes decimal commas still reads and writes the texts' own form.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    CSession session(Offline());
    FilterTextReading r;
    QVERIFY(
        CFilterText::Import(session.Editor(), session.Data().Channel(0),
                            QStringLiteral("Preamp: -2.5 dB\nFilter: ON PK Fc 1000.4 Hz Gain -3.9 dB Q 1.41\n"
                                           "Filter: ON PK Fc 2000 Hz Gain -3,9 dB Q 1,41\n"),
                            &r));
    const QString text = CFilterText::Export(session.Data().Channel(0));
    const QString report = Notes(r);
    QLocale::setDefault(before);
    QCOMPARE(r.placed, 2);
    QCOMPARE(r.bands[0].gainCode, r.bands[1].gainCode);
    QVERIFY2(text.contains(QStringLiteral("Filter 1: ON PK Fc 1000 Hz Gain -3.9 dB Q 1.414")),
             qPrintable(text));
    QVERIFY2(report.contains(QStringLiteral("frequency 1000.4 Hz → 1000 Hz")), qPrintable(report));
    QVERIFY(!text.contains(u',') && !report.contains(QStringLiteral("0,")));
}

QTEST_GUILESS_MAIN(TestFilterText)
#include "tst_FilterText.moc"
