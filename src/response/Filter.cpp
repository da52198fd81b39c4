// One filter of a channel (EQ band or crossover): parameters, device codes, sent-frequency ramp, response
// on the grid and the handle geometry of the response graph.
#include "response/Filter.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace {

// The display models every filter as biquads at this rate; the device computes its own filters.
constexpr double kTwoPiGrid = 6.2831852; // 2 pi as the grid frequencies use it
constexpr double kSampleRate = 96000.0;
constexpr double kTwoPiOverRate = 6.544985e-05; // 2 pi / 96000 as the filter frequencies use it
constexpr double kLn2 = 0.69314718;
constexpr double kZeroGuard = 1e-10;    // replaces a denominator coefficient a0 of exactly 0
constexpr double kRatioFloor = 1e-100;  // -1000 dB: keeps a dead filter finite on the graph
constexpr double kRatioCeiling = 1e100; // +1000 dB

// Geometry of the graph, in pixels.
constexpr int kPlotLeft = 35; // the plot's offset inside the graph window
constexpr int kPlotTop = 10;
constexpr int kHandle = 16;
constexpr int kHalfHandle = 8;

// cos w and sin w of every grid frequency, w = 2 pi f / 96000 with the grid's 2 pi.
struct GridTrig {
    std::array<double, kGridPoints> cosW{};
    std::array<double, kGridPoints> sinW{};
    GridTrig() {
        for (std::size_t i = 0; i < g_freqGrid.size(); ++i) {
            const double w = kTwoPiGrid * g_freqGrid[i] / kSampleRate;
            cosW[i] = std::cos(w);
            sinW[i] = std::sin(w);
        }
    }
};

const GridTrig& Trig() {
    static const GridTrig trig;
    return trig;
}

// One biquad, coefficients already divided by a0.
struct Section {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
};

Section Normalised(double b0, double b1, double b2, double a0, double a1, double a2) {
    if (a0 == 0.0) {
        a0 = kZeroGuard;
    }
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

// A cascade's response in dB is the sum of its sections' dB, taken as one logarithm of the power ratio
// |N|^2 / |D|^2 of the whole cascade: 10 log10 of the squared magnitude, which is 20 log10 of the magnitude
// without its root. The natural logarithm times 10 / ln 10 is the same value and far cheaper than log10.
// Numerator and denominator powers are multiplied separately so that each point costs one division; at the
// grid frequencies a section's powers lie roughly within 1e-12 .. 1e3, so the products of four stay far
// from the limits of a double. The passes run over all points at a time so that the compiler can vectorise
// them; only the logarithm stays a call per point.
void CascadeResponse(std::span<const Section> sections, std::array<double, kGridPoints>& out) {
    constexpr double kDbPerNeper = 4.342944819032518; // 10 / ln 10
    const GridTrig& trig = Trig();
    std::array<double, kGridPoints> num;
    std::array<double, kGridPoints> den;
    num.fill(1.0);
    den.fill(1.0);
    for (const Section& s : sections) {
        for (std::size_t i = 0; i < kGridPoints; ++i) {
            const double c = trig.cosW[i];
            const double sn = trig.sinW[i];
            const double numRe = s.b0 * c + s.b1 + s.b2 * c;
            const double numIm = s.b0 * sn - s.b2 * sn;
            const double denRe = c + s.a1 + s.a2 * c;
            const double denIm = sn - s.a2 * sn;
            num[i] *= numRe * numRe + numIm * numIm;
            den[i] *= denRe * denRe + denIm * denIm;
        }
    }
    for (std::size_t i = 0; i < kGridPoints; ++i) {
        const double ratio = num[i] / den[i];
        // The floor also catches NaN (a dead section: 0 / 0).
        out[i] = !(ratio >= kRatioFloor) ? kRatioFloor : ratio > kRatioCeiling ? kRatioCeiling : ratio;
    }
    for (double& v : out) {
        v = kDbPerNeper * std::log(v);
    }
}

// ---- Crossover section tables ----
// Rows are indexed by the order e of the cascade tables: 0 = 12, 1 = 18, 2 = 24, 3 = 30, 4 = 36,
// 5 = 42 and 7 = 48 dB/octave (6 is unused). The rows for 30 and 42 dB/octave are not reachable from the
// slope list but kept with the others.

constexpr int kMaxSections = 4;

// Linkwitz-Riley, Butterworth and Bessel high-pass: d per biquad section (d = 0: flat). In an odd order
// the first value is the pole factor of a first-order section that replaces section 0.
struct DRow {
    std::array<double, kMaxSections> d{};
    bool firstOrder = false;
    double divisor = 1.0; // fc is divided by this (Bessel high-pass only)
};
using DTable = std::array<DRow, 8>;

constexpr DTable kLinkwitzRiley{{
    {{1.0}, false, 1.0},
    {{1.0, 0.70422535211}, true, 1.0},
    {{0.70422535211, 0.70422535211}, false, 1.0},
    {{1.0, 0.62, 0.62}, true, 1.0},
    {{1.0, 0.5, 0.5}, false, 1.0},
    {{1.0, 0.453134315, 0.92592592593, 0.453134315}, true, 1.0},
    {},
    {{0.92592592593, 0.373134315, 0.92592592593, 0.373134315}, false, 1.0},
}};

constexpr DTable kButterworth{{
    {{0.70422535}, false, 1.0},
    {{1.0, 0.5}, true, 1.0},
    {{0.92592593, 0.38167939}, false, 1.0},
    {{1.0, 0.8064616129, 0.3086417953}, true, 1.0},
    {{0.96153846, 0.70422535211, 0.2590673575}, false, 1.0},
    {{1.0, 0.90909090909, 0.625, 0.2222222222}, true, 1.0},
    {},
    {{0.98039216, 0.83333333, 0.55555556, 0.1953125}, false, 1.0},
}};

constexpr DTable kBesselHighPass{{
    {{0.70422535}, false, 1.2683112435},
    {{0.756, 0.72463768}, true, 1.2854981442},
    {{0.96153846, 0.61728395}, false, 1.5006420029},
    {{0.6656, 0.8928571428, 0.54347826}, true, 1.3854981442},
    {{0.980392156, 0.819672131, 0.490196}, false, 1.5554981442},
    {{0.5937, 0.943396226415, 0.757575757576, 0.4424778761}, true, 1.5554981442},
    {},
    {{0.98039216, 0.89285714, 0.70422535, 0.40650406}, false, 1.679120141},
}};

// 6 dB/octave in every family of that kind: one first-order section at the corner frequency.
constexpr DRow kFirstOrderRow{{1.0}, true, 1.0};

// Bessel low-pass: bilinear images of 1 / (c2 s^2 + c1 s + 1); c1 = 0 is flat, c2 = 0 first order.
struct Pair {
    double c1 = 0.0;
    double c2 = 0.0;
};
struct PairRow {
    std::array<Pair, kMaxSections> pairs{};
    double divisor = 1.0;
};

constexpr std::array<PairRow, 8> kBesselLowPass{{
    {{{{1.0, 0.3333333333}}}, 1.3616541287},
    {{{{0.5693712514, 0.154812441}, {0.430628846, 0.0}}}, 1.75567236868},
    {{{{0.369, 0.087858766}, {0.6278294896, 0.109408}}}, 2.1139176749},
    {{{{0.6656, 0.0}, {1.1402, 0.4128}, {0.6216, 0.3245}}}, 1.0},
    {{{{1.2217, 0.3887}, {0.9686, 0.3505}, {0.5131, 0.2756}}}, 1.0},
    {{{{0.5937, 0.0}, {1.0944, 0.3395}, {0.8304, 0.3011}, {0.4332, 0.2381}}}, 1.0},
    {},
    {{{{0.117235677, 0.02064747},
       {0.226516664, 0.0259273886},
       {0.3067559, 0.0294683265},
       {0.3494916166, 0.031272257}}},
     3.17961723751},
}};

constexpr PairRow kBesselLowPassFirstOrder{{{{1.0, 0.0}}}, 1.0};

// The slope list index (stored, sent and shown) to the table row it draws.
constexpr int kRowFirstOrder = -1;
constexpr int kRowOff = -2;
constexpr std::array<int, 7> kSlopeRow{kRowFirstOrder, 0, 1, 2, 4, 7, kRowOff};

// Shelf parameter S and frequency factor k by kind (low, high) and slope (6, 12 dB/octave).
using ShelfRow = CFilter::ShelfShape;
constexpr std::array<std::array<ShelfRow, 2>, 2> kShelves{{
    {{{0.5, 2.0}, {1.3, 1.2727272727}}},
    {{{0.5, 0.4545454546}, {1.3, 0.76923076923}}},
}};

int CascadeSections(bool highPass, int family, int slope, int freq, std::array<Section, kMaxSections>& out) {
    if (slope < 0 || slope >= static_cast<int>(kSlopeRow.size()) || family < 0 || family > 2) {
        return 0; // values outside the lists draw nothing
    }
    const int row = kSlopeRow[static_cast<std::size_t>(slope)];
    if (row == kRowOff) {
        return 0;
    }

    if (!highPass && family == CFilter::Bessel) {
        const PairRow& pr =
            row == kRowFirstOrder ? kBesselLowPassFirstOrder : kBesselLowPass[static_cast<std::size_t>(row)];
        const double w0 = freq / pr.divisor * kTwoPiOverRate;
        const double k = std::tan(w0 / 2.0);
        const double k2 = k * k;
        int n = 0;
        for (const Pair& p : pr.pairs) {
            if (p.c1 == 0.0) {
                continue;
            }
            out[static_cast<std::size_t>(n++)] = Normalised(k2, 2.0 * k2, k2, p.c1 * k + k2 + p.c2,
                                                            2.0 * k2 - 2.0 * p.c2, k2 - p.c1 * k + p.c2);
        }
        return n;
    }

    const DTable& table = family == CFilter::LinkwitzRiley ? kLinkwitzRiley
                          : family == CFilter::Bessel      ? kBesselHighPass
                                                           : kButterworth;
    const DRow& dr = row == kRowFirstOrder ? kFirstOrderRow : table[static_cast<std::size_t>(row)];
    const double w0 = freq / dr.divisor * kTwoPiOverRate;
    const double k = std::tan(w0 / 2.0);
    const double cw = std::cos(w0);
    const double sw = std::sin(w0);
    int n = 0;
    for (std::size_t j = 0; j < dr.d.size(); ++j) {
        const double d = dr.d[j];
        if (j == 0 && dr.firstOrder) {
            out[static_cast<std::size_t>(n++)] =
                highPass ? Normalised(1.0, -1.0, 0.0, d * k + 1.0, d * k - 1.0, 0.0)
                         : Normalised(k, k, 0.0, k + d, k - d, 0.0);
            continue;
        }
        if (d == 0.0) {
            continue;
        }
        const double alpha = sw * d;
        const double a0 = 1.0 + alpha;
        if (highPass) {
            const double b = (1.0 + cw) / 2.0;
            out[static_cast<std::size_t>(n++)] = Normalised(b, -(1.0 + cw), b, a0, -2.0 * cw, 1.0 - alpha);
        } else {
            const double b = (1.0 - cw) / 2.0;
            out[static_cast<std::size_t>(n++)] = Normalised(b, 1.0 - cw, b, a0, -2.0 * cw, 1.0 - alpha);
        }
    }
    return n;
}

QRect Ltrb(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

CFilter::CFilter() {
    CalcResponse();
}

CFilter::ShelfShape CFilter::ShelfShapeOf(int kind, int slope) {
    return kShelves[kind == LowShelf ? 0 : 1][slope == 0 ? 0 : 1];
}

void CFilter::CopyParamsFrom(const CFilter& other) {
    if (&other == this) {
        return;
    }
    m_kind.store(other.m_kind.load());
    m_freq.store(other.m_freq.load());
    m_sentFreq.store(other.m_sentFreq.load());
    m_gain.store(other.m_gain.load());
    m_bypass.store(other.m_bypass.load());
    m_allBypass.store(other.m_allBypass.load());
    m_savedAllBypass = other.m_savedAllBypass;
    m_bandwidth.store(other.m_bandwidth.load());
    m_family.store(other.m_family.load());
    m_slope.store(other.m_slope.load());
    m_slopeSet = other.m_slopeSet;
    m_geqMode = other.m_geqMode;
    m_isEqBand = other.m_isEqBand;
    KindGeometry();
    CalcResponse();
}

CFilter::Params CFilter::GetParams() const {
    return {m_kind.load(),    m_freq.load(),      m_gain.load(),   m_bypass.load(), m_allBypass.load(),
            m_savedAllBypass, m_bandwidth.load(), m_family.load(), m_slope.load()};
}

void CFilter::RestoreParams(const Params& params) {
    const ResponseHold hold(*this);
    m_kind.store(params.kind);
    m_gain.store(params.gain);
    m_bypass.store(params.bypass);
    m_allBypass.store(params.allBypass);
    m_savedAllBypass = params.savedAllBypass;
    m_bandwidth.store(params.bandwidth);
    m_family.store(params.family);
    m_slope.store(params.slope);
    SetFreq(params.freq, 1); // geometry of either kind of filter and the ramp
    if (m_isEqBand)
        KindGeometry();
    CalcResponse();
    MarkPending();
}

int CFilter::GetEffectiveBypass() const {
    const int all = m_allBypass.load();
    return all != 0 ? all : m_bypass.load();
}

int CFilter::GetGainCode() const {
    if (GetEffectiveBypass()) {
        return kEqGainCodeZero;
    }
    return EqGainCode(m_gain.load());
}

int CFilter::GetQIndex() const {
    return BandwidthIndex(m_bandwidth.load());
}

// ---- Setters ----

void CFilter::ApplyRampStart() {
    int sent = m_sentFreq.load();
    if (sent == 0) {
        sent = 20;
    }
    const int freq = m_freq.load();
    if (freq / sent < 2) {
        sent = freq; // down, or up by less than an octave: at once
    }
    m_sentFreq.store(sent);
}

void CFilter::SetFreq(int freq, int fromUser) {
    m_freq.store(freq);
    if (m_isEqBand) {
        if (!fromUser) {
            m_sentFreq.store(freq);
        } else {
            if (!Connected()) {
                m_sentFreq.store(freq);
            }
            ApplyRampStart();
        }
        EqGeometry();
    } else {
        if (!fromUser) {
            m_sentFreq.store(freq);
        } else {
            if (m_linkedSlider) {
                m_linkedSlider->MoveTo(freq);
            }
            // Without a link nothing steps the ramp, and the image (saved to files) must still get the
            // frequency the user chose.
            if (!Connected()) {
                m_sentFreq.store(freq);
            }
            ApplyRampStart();
        }
        XoverGeometry();
    }
    CalcResponse();
    if (fromUser) {
        MarkPending();
    }
}

void CFilter::SetGainCode(int code) {
    const double gain = EqGainDb(code);
    m_gain.store(gain);
    if (gain != 0.0) {
        m_bypass.store(0);
        m_allBypass.store(0);
    } else {
        m_bypass.store(1);
    }
    if (m_isEqBand) {
        EqGeometry();
    }
    CalcResponse();
    MarkPending();
}

void CFilter::SetBandwidthIndex(int index) {
    m_bandwidth.store(index >= 4 ? index * 0.01 + 0.05 : 0.09);
    if (m_isEqBand) {
        BandwidthGeometry();
    }
    CalcResponse();
    MarkPending();
}

void CFilter::SetBypass(int on) {
    const double gain = m_gain.load();
    if (m_allBypass.load()) {
        m_allBypass.store(0);
        if (gain == 0.0) {
            return;
        }
    } else if (on == m_bypass.load() || gain == 0.0) {
        return; // a band at 0 dB stays bypassed
    }
    m_bypass.store(on);
    if (on == 0) {
        m_allBypass.store(0);
    }
    KindGeometry();
    CalcResponse();
    MarkPending();
}

void CFilter::SetAllBypass(int on) {
    if (on) {
        m_savedAllBypass = m_allBypass.load();
        m_allBypass.store(on);
    } else {
        m_allBypass.store(m_savedAllBypass);
    }
    if (m_bypass.load()) {
        return;
    }
    KindGeometry();
    CalcResponse();
}

void CFilter::SetKind(int kind) {
    m_kind.store(kind);
    if (kind == LowPass) {
        m_sentFreq.store(20000);
    }
    KindGeometry();
    CalcResponse();
    MarkPending();
}

void CFilter::SetSlope(int index, int fromUser) {
    m_slope.store(index);
    CalcResponse();
    if (fromUser) {
        MarkPending();
    }
}

void CFilter::SetFamily(int family, int fromUser) {
    m_family.store(family);
    CalcResponse();
    if (fromUser) {
        MarkPending();
    }
}

void CFilter::ResetBand(int freq) {
    m_freq.store(freq);
    m_sentFreq.store(freq);
    m_bandwidth.store(0.2);
    m_gain.store(0.0);
    m_bypass.store(1);
    EqGeometry();
    CalcResponse();
}

void CFilter::SetGraphSize(const QRect& plot) {
    m_graphWidth = plot.width();
    m_graphHeight = plot.height();
    KindGeometry();
    UpdatePointXs();
    CalcResponse();
}

void CFilter::StepSentFreq(int doneValue) {
    const int freq = m_freq.load();
    int sent = m_sentFreq.load();
    if (sent == freq) {
        m_pending.store(doneValue);
        return;
    }
    if (sent <= 0) {
        sent = 20; // never divide by a frequency that was never sent
    }
    if (freq / sent >= 2) {
        sent *= 2;
    } else if (static_cast<double>(freq) / sent > 0.5) {
        sent = freq;
    } else {
        sent /= 2;
    }
    m_sentFreq.store(sent);
    m_pending.store(1);
}

// ---- Response ----

void CFilter::CalcResponse() {
    if (m_responseHolds > 0) {
        m_responseStale = true;
        return;
    }
    m_responseStale = false;
    const int kind = m_kind.load();
    const int freq = m_freq.load();
    const double gain = m_gain.load();
    const bool bypassed = m_allBypass.load() != 0 || m_bypass.load() != 0;
    std::array<Section, kMaxSections> sections{};
    int count = 0;

    switch (kind) {
    case Peak:
        if (!bypassed) {
            const double f0 = g_freqGrid[static_cast<std::size_t>(NearestGridIndex(freq))];
            const double w0 = f0 * kTwoPiOverRate;
            const double a = std::pow(10.0, gain / 40.0);
            const double sw = std::sin(w0);
            const double alpha = sw * std::sinh(kLn2 * m_bandwidth.load() * w0 / sw);
            const double cw2 = -2.0 * std::cos(w0);
            sections[0] =
                Normalised(1.0 + alpha * a, cw2, 1.0 - alpha * a, 1.0 + alpha / a, cw2, 1.0 - alpha / a);
            count = 1;
        }
        break;
    case LowShelf:
    case HighShelf: {
        const int slope = m_slope.load();
        if (bypassed || gain == 0.0 || slope < 0 || slope > 1) {
            break;
        }
        const ShelfRow& row = kShelves[kind == LowShelf ? 0 : 1][static_cast<std::size_t>(slope)];
        const double w0 = freq * kTwoPiOverRate * row.k;
        const double a = std::pow(10.0, gain / 40.0);
        const double alpha = (std::sin(w0) / 2.0) * std::sqrt((a + 1.0 / a) * (1.0 / row.s - 1.0) + 2.0);
        const double c = std::cos(w0);
        const double t = 2.0 * std::sqrt(a) * alpha;
        if (kind == LowShelf) {
            sections[0] =
                Normalised(a * ((a + 1.0) - (a - 1.0) * c + t), 2.0 * a * ((a - 1.0) - (a + 1.0) * c),
                           a * ((a + 1.0) - (a - 1.0) * c - t), (a + 1.0) + (a - 1.0) * c + t,
                           -2.0 * ((a - 1.0) + (a + 1.0) * c), (a + 1.0) + (a - 1.0) * c - t);
        } else {
            sections[0] =
                Normalised(a * ((a + 1.0) + (a - 1.0) * c + t), -2.0 * a * ((a - 1.0) + (a + 1.0) * c),
                           a * ((a + 1.0) + (a - 1.0) * c - t), (a + 1.0) - (a - 1.0) * c + t,
                           2.0 * ((a - 1.0) - (a + 1.0) * c), (a + 1.0) - (a - 1.0) * c - t);
        }
        count = 1;
        break;
    }
    case HighPass:
        if (freq != 20) { // 20 Hz is the high-pass filter's off position
            count = CascadeSections(true, m_family.load(), m_slope.load(), freq, sections);
        }
        break;
    case LowPass:
        if (freq != 20000) { // 20000 Hz is the low-pass filter's off position
            count = CascadeSections(false, m_family.load(), m_slope.load(), freq, sections);
        }
        break;
    default:
        break;
    }

    if (count == 0) {
        m_response.fill(0.0);
    } else {
        CascadeResponse(std::span<const Section>(sections.data(), static_cast<std::size_t>(count)),
                        m_response);
    }

    const int zeroY = GraphYOfGain(0.0, m_graphHeight) + kPlotTop;
    m_points.front().setY(zeroY);
    m_points.back().setY(zeroY);
    for (std::size_t i = 0; i < m_response.size(); ++i) {
        m_points[i + 1].setY(GraphYOfGain(m_response[i], m_graphHeight) + kPlotTop);
    }
}

void CFilter::UpdatePointXs() {
    for (std::size_t i = 0; i < g_freqGrid.size(); ++i) {
        m_points[i + 1].setX(GraphXOfFreq(g_freqGrid[i], m_graphWidth) + kPlotLeft);
    }
    m_points.front().setX(m_points[1].x());
    m_points.back().setX(m_points[kGridPoints].x());
}

// ---- Texts ----

QString CFilter::FreqText() const {
    return QString::asprintf("%dHz", m_freq.load());
}

QString CFilter::GainText() const {
    return GetEffectiveBypass() ? QStringLiteral("0.0dB") : EqGainText(m_gain.load());
}

QString CFilter::BandwidthText() const {
    return QString::asprintf("%0.2fOct", m_bandwidth.load());
}

QString CFilter::QText() const {
    return ::QText(QOfBandwidthIndex(GetQIndex()));
}

QString CFilter::FamilyText(int language) const {
    return ::FamilyText(m_family.load(), language);
}

QString CFilter::ShelfSlopeText(int language) const {
    return ::ShelfSlopeText(m_slope.load(), language);
}

QString CFilter::CrossoverSlopeText(int language) const {
    return ::CrossoverSlopeText(m_slope.load(), language);
}

QString CFilter::KindText(int language) const {
    switch (m_kind.load()) {
    case Peak:
        return (m_geqMode ? kTextGeq : kTextPeq).In(language);
    case LowShelf:
        return kTextLowShelf.In(language);
    case HighShelf:
        return kTextHighShelf.In(language);
    default:
        return {};
    }
}

const QString& CFilter::BuildLabel() {
    const bool bypassed = m_allBypass.load() != 0 || m_bypass.load() != 0;
    const QString g = bypassed ? QStringLiteral("0.0") : QString::asprintf("%.1f", m_gain.load());
    const int freq = m_freq.load();
    switch (m_kind.load()) {
    case Peak:
        m_label = QStringLiteral("G:%1-F:%2-Q:%3").arg(g).arg(freq).arg(QText());
        break;
    case LowShelf:
        m_label = QStringLiteral("Lo %1-%2 G%3").arg(freq).arg(ShelfSlopeText(0), g);
        break;
    case HighShelf:
        m_label = QStringLiteral("Hi F:%1-%2 G:%3").arg(freq).arg(ShelfSlopeText(0), g);
        break;
    default:
        m_label = QStringLiteral("F:%1").arg(freq);
        break;
    }
    return m_label;
}

// ---- Geometry ----

void CFilter::EqGeometry() {
    const int w = m_graphWidth;
    const int h = m_graphHeight;
    const double gain = GetEffectiveBypass() ? 0.0 : m_gain.load();
    int left = std::max(GraphXOfFreq(m_freq.load(), w) - kHalfHandle, -kHalfHandle);
    int top = std::max(GraphYOfGain(gain, h) - kHalfHandle, -kHalfHandle);
    if (top < 1) {
        top = 0;
    }
    if (left < 1 && w > kHalfHandle) {
        left = 0;
    }
    if (left + kHandle > w) {
        left = w - kHandle;
    }
    if (top + kHandle > h) {
        top = h - kHandle;
    }
    left += kPlotLeft;
    top += kPlotTop;
    const int right = left + kHandle;
    const int bottom = top + kHandle;
    m_handleRect = Ltrb(left, top, right, bottom);

    // The label sits under the handle, or above it near the plot's bottom; it never leaves the plot on
    // the right.
    const int edge = w + kPlotLeft;
    int labelLeft = left;
    int labelRight = 0;
    if (m_kind.load() == Peak) {
        labelRight = right + 210;
        if (right + 200 > edge) {
            labelRight = edge;
            labelLeft = edge - 200;
        }
    } else {
        labelRight = right + 90;
        if (right + 110 > edge) {
            labelRight = edge;
            labelLeft = edge - 116;
        }
    }
    int labelTop = top + 25;
    int labelBottom = bottom + 25;
    if (bottom >= h - 15) {
        labelTop = top - 25;
        labelBottom = bottom - 25;
    }
    m_labelRect = Ltrb(labelLeft, labelTop, labelRight, labelBottom);

    // The bandwidth handles hang off the main handle, so they move with it.
    if (m_kind.load() == Peak) {
        BandwidthGeometry();
    }
}

void CFilter::BandwidthGeometry() {
    const int w = m_graphWidth;
    const double freq = m_freq.load();
    const double span = std::pow(2.0, m_bandwidth.load());
    const int y = m_handleRect.top() + kHalfHandle + (m_gain.load() >= 0.0 ? 10 : -10);
    const int xHigh = GraphXOfFreq(freq * span, w) + kPlotLeft + 10;
    m_bwHighRect = Ltrb(xHigh - 6, y - 6, xHigh + 7, y + 6);
    const int xLow = GraphXOfFreq(freq / span, w) + kPlotLeft - 10;
    m_bwLowRect = Ltrb(xLow - 7, y - 6, xLow + 6, y + 6);
}

void CFilter::XoverGeometry() {
    const int w = m_graphWidth;
    const int h = m_graphHeight;
    const bool highPass = m_kind.load() == HighPass;
    int left = std::max(GraphXOfFreq(m_freq.load(), w) - kHalfHandle, -kHalfHandle);
    int top = GraphYOfGain(highPass ? -12.0 : -15.0, h) - kHalfHandle;
    if (left + kHandle > w + kHalfHandle) {
        left = w + kHalfHandle - kHandle;
    }
    left += kPlotLeft;
    top += kPlotTop;
    const int right = left + kHandle;
    const int bottom = top + kHandle;
    m_handleRect = Ltrb(left, top, right, bottom);

    const int edge = w + kPlotLeft;
    int labelLeft = left;
    int labelRight = right + 50;
    if (right + 50 > edge) {
        labelRight = edge;
        labelLeft = edge - 66;
    }
    m_labelRect = highPass ? Ltrb(labelLeft, top + 15, labelRight, bottom + 25)
                           : Ltrb(labelLeft, top - 15, labelRight, bottom + 20);
}

void CFilter::KindGeometry() {
    if (m_kind.load() >= HighPass) {
        XoverGeometry();
    } else {
        EqGeometry();
    }
}
