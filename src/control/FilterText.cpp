// Filter texts in and out of a channel's EQ bands: equaliser configuration lines ("Filter 1: ON PK Fc
// 1000 Hz Gain -3.0 dB Q 1.41", "Preamp: -6 dB"), as headphone-correction sets and room-measurement
// exports for a generic equaliser write them.
#include "control/FilterText.h"

#include "model/KTVEQ.h"
#include "model/KTV_OutData.h"
#include "response/Filter.h"

#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <numbers>
#include <set>

namespace {

// ---- Texts ----------------------------------------------------------------------------------------------

constexpr SysText kLinePrefix{"line %1: ", "第 %1 行："};
constexpr SysText kPlacedPeak{"band %1: peak %2 Hz, %3 dB, Q %4", "频段 %1：峰值 %2 Hz，%3 dB，Q值 %4"};
constexpr SysText kPlacedLowShelf{"band %1: low shelf %2 Hz, %3 dB, %4", "频段 %1：低架 %2 Hz，%3 dB，%4"};
constexpr SysText kPlacedHighShelf{"band %1: high shelf %2 Hz, %3 dB, %4", "频段 %1：高架 %2 Hz，%3 dB，%4"};
constexpr SysText kSwitchedOff{"switched off: dropped (a bypassed band keeps no gain on the device or in a "
                               "file, so it would come back flat)",
                               "已关闭：已舍弃（旁通的频段在设备和文件中不保留增益，会变为平直）"};
constexpr SysText kFlat{"0 dB: the band stays flat (bypassed)", "0 dB：该频段保持平直（旁通）"};
constexpr SysText kFreqRounded{"frequency %1 Hz → %2 Hz", "频率 %1 Hz → %2 Hz"};
constexpr SysText kFreqClamped{"frequency %1 Hz → %2 Hz (bands reach 20..20000 Hz)",
                               "频率 %1 Hz → %2 Hz（频段范围 20..20000 Hz）"};
constexpr SysText kGainRounded{"gain %1 dB → %2 dB", "增益 %1 dB → %2 dB"};
constexpr SysText kGainClamped{"gain %1 dB → %2 dB (bands reach -20..+20 dB)",
                               "增益 %1 dB → %2 dB（频段范围 -20..+20 dB）"};
constexpr SysText kQRounded{"Q %1 → %2", "Q值 %1 → %2"};
constexpr SysText kQClamped{"Q %1 → %2 (bands reach Q %3..%4)", "Q值 %1 → %2（频段范围 Q %3..%4）"};
constexpr SysText kBwRounded{"bandwidth %1 octave → %2 octave (Q %3)",
                             "带宽 %1 倍频程 → %2 倍频程（Q值 %3）"};
constexpr SysText kBwClamped{"bandwidth %1 octave → %2 octave (bands reach 0.09..3 octaves)",
                             "带宽 %1 倍频程 → %2 倍频程（频段范围 0.09..3 倍频程）"};
constexpr SysText kCorner{"corner frequency %1 Hz: the shelf's centre lies at %2 Hz",
                          "转折频率 %1 Hz：搁架中心位于 %2 Hz"};
constexpr SysText kShelfMapped{
    "slope parameter %1 → band slope %2; band frequency %3 Hz draws the centre at %4 Hz",
    "斜率参数 %1 → 频段斜率 %2；频段频率 %3 Hz 使曲线中心位于 %4 Hz"};
constexpr SysText kUnsupported{"%1 is no EQ band type (peak, low shelf, high shelf): dropped",
                               "%1 不是均衡频段类型（峰值、低架、高架）：已舍弃"};
constexpr SysText kMalformed{"not understood as a filter: dropped", "无法识别为滤波器：已舍弃"};
constexpr SysText kMissing{"no %1 given: dropped", "缺少 %1：已舍弃"};
constexpr SysText kBadValue{"%1 %2 is no usable value: dropped", "%1 %2 不是可用的数值：已舍弃"};
constexpr SysText kAboveNyquist{"frequency %1 Hz lies above 24000 Hz, half the rate of 48 kHz: dropped",
                                "频率 %1 Hz 高于 24000 Hz（48 kHz 采样率的一半）：已舍弃"};
constexpr SysText kSteepShelf{"slope %1 dB/Oct is too steep for a shelf of %2 dB: dropped",
                              "斜率 %1 dB/Oct 对 %2 dB 的搁架过陡：已舍弃"};
constexpr SysText kSurplus{"no band left (a channel has 31): dropped",
                           "没有剩余频段（每通道 31 个）：已舍弃"};
constexpr SysText kEmptySlots{"%1 empty filter slots skipped", "跳过 %1 个空滤波器位置"};
constexpr SysText kChannelIgnored{"Channel: is not followed: every filter of the text goes onto this channel",
                                  "不处理 Channel:：文本中所有滤波器都用于本通道"};
constexpr SysText kCommandIgnored{"%1: means nothing to a channel's bands: ignored",
                                  "%1: 与通道的频段无关：已忽略"};
constexpr SysText kPreampMalformed{"not understood as a preamp: ignored", "无法识别为前级增益：已忽略"};
constexpr SysText kPreampExact{"preamp %1 dB → channel gain %2 dB", "前级增益 %1 dB → 通道增益 %2 dB"};
constexpr SysText kPreampRounded{"preamp %1 dB → channel gain %2 dB (rounded down: never less headroom)",
                                 "前级增益 %1 dB → 通道增益 %2 dB（向下取整：余量不少于要求）"};
constexpr SysText kPreampClamped{"preamp %1 dB → channel gain %2 dB (the channel gain reaches -59..0 dB)",
                                 "前级增益 %1 dB → 通道增益 %2 dB（通道增益范围 -59..0 dB）"};
constexpr SysText kByNumber{"%1 filters on bands by their numbers", "%1 个滤波器按编号放入频段"};
constexpr SysText kInOrder{"%1 filters on bands in the order of the text", "%1 个滤波器按文本顺序放入频段"};
constexpr SysText kNoPreamp{"no Preamp line: the channel gain stays at %1 dB",
                            "无 Preamp 行：通道增益保持 %1 dB"};
constexpr SysText kNoPreampOff{"no Preamp line: the channel gain stays off",
                               "无 Preamp 行：通道增益保持关闭"};
constexpr SysText kGainWas{"the channel gain was %1 dB", "通道增益原为 %1 dB"};
constexpr SysText kGainWasOff{"the channel gain was off", "通道增益原为关闭"};
constexpr SysText kLargest{
    "largest difference from the text's curve: %1 dB at %2 Hz (the channel's curve as this program draws it)",
    "与文本曲线的最大差值：%1 dB，位于 %2 Hz（按本程序绘制的通道曲线）"};
constexpr SysText kRounding{
    "the bands' values as standard filters at 48 kHz: %1 dB at %2 Hz (what the values alone cost, without "
    "this "
    "program's drawing)",
    "频段数值视为 48 kHz 标准滤波器：%1 dB，位于 %2 Hz（仅数值造成的差值，不含本程序的绘制方式）"};

// ---- Values ---------------------------------------------------------------------------------------------

constexpr double kNyquist = CFilterText::kTextSampleRate / 2.0;
constexpr double kDefaultShelfS = 0.9;               // a shelf without Q or slope
constexpr double kDefaultPassQ = 0.7071067811865476; // a low-pass or high-pass without Q
constexpr double kSlopeDbPerS = 12.0;                // a shelf slope of x dB/octave is S = x / 12
constexpr int kFirstBandwidthIndex = 4;              // indices below send and draw as 0.09 octave too
constexpr int kFlatBandwidthIndex = 15;              // 0.2 octave, the factory bandwidth
constexpr int kMinFreq = 20;
constexpr int kMaxFreq = 20000;
constexpr double kMaxBandGainDb = 20.0;
constexpr int kMinChannelGainDb = 1 - kChannelGainMaxCode; // code 0 would switch the gain off
constexpr double kValueTolerance = 1e-6;
constexpr double kQTolerance = 0.0005; // the Q table's own rounding

// A number as the texts write them (a decimal comma already turned into a point).
const QString kNumber = QStringLiteral(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)");

QString Plain(double v, int decimals = 4) {
    QString s = QString::number(v, 'f', decimals);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

QString Gain1(double db) {
    return QString::asprintf("%.1f", db + 0.0);
}

// ---- Cookbook biquads at the text's rate ----------------------------------------------------------------

struct Biquad {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a0 = 1.0, a1 = 0.0, a2 = 0.0;
};

double W0(double f0) {
    return 2.0 * std::numbers::pi * f0 / CFilterText::kTextSampleRate;
}

double ShelfAlphaOfS(double w0, double a, double s) {
    return std::sin(w0) / 2.0 * std::sqrt((a + 1.0 / a) * (1.0 / s - 1.0) + 2.0);
}

Biquad Peaking(double f0, double gainDb, double alpha) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double c = std::cos(W0(f0));
    return {1.0 + alpha * a, -2.0 * c, 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * c, 1.0 - alpha / a};
}

Biquad Shelf(bool low, double f0, double gainDb, double alpha) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double c = std::cos(W0(f0));
    const double t = 2.0 * std::sqrt(a) * alpha;
    if (low)
        return {a * ((a + 1.0) - (a - 1.0) * c + t), 2.0 * a * ((a - 1.0) - (a + 1.0) * c),
                a * ((a + 1.0) - (a - 1.0) * c - t), (a + 1.0) + (a - 1.0) * c + t,
                -2.0 * ((a - 1.0) + (a + 1.0) * c),  (a + 1.0) + (a - 1.0) * c - t};
    return {a * ((a + 1.0) + (a - 1.0) * c + t), -2.0 * a * ((a - 1.0) + (a + 1.0) * c),
            a * ((a + 1.0) + (a - 1.0) * c - t), (a + 1.0) - (a - 1.0) * c + t,
            2.0 * ((a - 1.0) - (a + 1.0) * c),   (a + 1.0) - (a - 1.0) * c - t};
}

double MagnitudeDb(const Biquad& s, double f) {
    const std::complex<double> z1 = std::polar(1.0, -W0(f));
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> num = s.b0 + s.b1 * z1 + s.b2 * z2;
    const std::complex<double> den = s.a0 + s.a1 * z1 + s.a2 * z2;
    return 20.0 * std::log10(std::abs(num) / std::abs(den));
}

void AddCurve(std::array<double, kGridPoints>& curve, const Biquad& s) {
    for (std::size_t i = 0; i < curve.size(); ++i)
        curve[i] += MagnitudeDb(s, g_freqGrid[i]);
}

// ---- One filter line ------------------------------------------------------------------------------------

enum class Type { Peak, LowShelf, HighShelf, LowPass, HighPass, BandPass, Notch, AllPass, Empty, Other };

struct TextFilter {
    int line = 0;
    int number = 0; // the "Filter N" number; 0 without one
    bool on = true;
    QString typeText; // as written, with a slope ("LSC 12 dB")
    Type type = Type::Other;
    bool cornerType = false; // LS/HS and the like: with a Q or a slope, Fc is a corner
    std::optional<double> fc, gain, q, bw, slopeDb;
};

Type TypeOf(const QString& upper) {
    struct Name {
        const char* text;
        Type type;
    };
    static constexpr std::array<Name, 16> kNames{{{"PK", Type::Peak},
                                                  {"PEQ", Type::Peak},
                                                  {"MODAL", Type::Peak},
                                                  {"LS", Type::LowShelf},
                                                  {"LSC", Type::LowShelf},
                                                  {"LSQ", Type::LowShelf},
                                                  {"HS", Type::HighShelf},
                                                  {"HSC", Type::HighShelf},
                                                  {"HSQ", Type::HighShelf},
                                                  {"LP", Type::LowPass},
                                                  {"LPQ", Type::LowPass},
                                                  {"HP", Type::HighPass},
                                                  {"HPQ", Type::HighPass},
                                                  {"BP", Type::BandPass},
                                                  {"NO", Type::Notch},
                                                  {"AP", Type::AllPass}}};
    if (upper == QLatin1String("NONE"))
        return Type::Empty;
    for (const Name& n : kNames)
        if (upper == QLatin1String(n.text))
            return n.type;
    return Type::Other;
}

std::optional<double> Capture(const QString& params, const QString& pattern, double* unitFactor = nullptr) {
    const QRegularExpression re(pattern, QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(params);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = m.captured(1).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    if (unitFactor != nullptr)
        *unitFactor = m.captured(2).compare(QLatin1String("kHz"), Qt::CaseInsensitive) == 0 ? 1000.0 : 1.0;
    return v;
}

// The parameters after "Filter N:"; nothing when they do not start with ON or OFF and a type.
std::optional<TextFilter> ParseFilter(const QString& rawParams) {
    QString params = rawParams;
    params.replace(u',', u'.'); // a decimal comma, as the configuration format allows
    static const QRegularExpression head(
        QStringLiteral(R"(^\s*(ON|OFF)\s+([A-Za-z]+)(?:\s+(%1)\s*dB\b)?(.*)$)").arg(kNumber),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = head.match(params);
    if (!m.hasMatch())
        return std::nullopt;
    TextFilter f;
    f.on = m.captured(1).compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0;
    const QString upper = m.captured(2).toUpper();
    f.type = TypeOf(upper);
    f.typeText = m.captured(2);
    if (!m.captured(3).isEmpty()) {
        f.slopeDb = m.captured(3).toDouble();
        f.typeText += QLatin1Char(' ') + m.captured(3) + QStringLiteral(" dB");
    }
    f.cornerType = (f.type == Type::LowShelf || f.type == Type::HighShelf) && !upper.endsWith(u'C');
    const QString rest = m.captured(4);
    double unit = 1.0;
    f.fc = Capture(rest, QStringLiteral(R"(\bFc\s+(%1)\s*(kHz|Hz)?)").arg(kNumber), &unit);
    if (f.fc)
        *f.fc *= unit;
    f.gain = Capture(rest, QStringLiteral(R"(\bGain\s+(%1))").arg(kNumber));
    f.q = Capture(rest, QStringLiteral(R"(\bQ\s+(%1))").arg(kNumber));
    f.bw = Capture(rest, QStringLiteral(R"(\bBW\s+Oct\s+(%1))").arg(kNumber));
    return f;
}

// A shelf as the text asks for it: centre frequency, slope parameter S and the alpha of its biquad.
struct ShelfAsked {
    double centre = 0.0;
    double s = kDefaultShelfS; // with a Q, the S that Q amounts to at the shelf's gain
    double alpha = 0.0;
    bool corner = false;
};

std::optional<ShelfAsked> AskedShelf(const TextFilter& f) {
    const double gain = *f.gain;
    const double a = std::pow(10.0, gain / 40.0);
    ShelfAsked shelf;
    std::optional<double> q;
    if (f.slopeDb) {
        shelf.s = *f.slopeDb / kSlopeDbPerS;
        shelf.corner = f.cornerType;
        if (!(shelf.s > 0.0) || (a + 1.0 / a) * (1.0 / shelf.s - 1.0) + 2.0 < 0.0)
            return std::nullopt;
    } else if (f.q) {
        q = *f.q;
        shelf.s = 1.0 / ((1.0 / (*q * *q) - 2.0) / (a + 1.0 / a) + 1.0);
        shelf.corner = f.cornerType;
    }
    shelf.centre = *f.fc;
    if (shelf.corner) {
        const double factor = std::pow(10.0, std::abs(gain) / 80.0 / shelf.s);
        shelf.centre = f.type == Type::LowShelf ? *f.fc * factor : *f.fc / factor;
    }
    const double w0 = W0(shelf.centre);
    shelf.alpha = q ? std::sin(w0) / (2.0 * *q) : ShelfAlphaOfS(w0, a, shelf.s);
    return shelf;
}

double PeakAlpha(const TextFilter& f) {
    const double w0 = W0(*f.fc);
    if (f.q)
        return std::sin(w0) / (2.0 * *f.q);
    return std::sin(w0) * std::sinh(std::numbers::ln2 / 2.0 * *f.bw * w0 / std::sin(w0));
}

// The biquad of a filter the text switches on, for the curve it asks for; nothing when it has none.
std::optional<Biquad> AskedBiquad(const TextFilter& f) {
    if (!f.fc || !(*f.fc > 0.0) || !(*f.fc < kNyquist))
        return std::nullopt;
    const double w0 = W0(*f.fc);
    const double c = std::cos(w0);
    const auto passAlpha = [&](double defaultQ) -> std::optional<double> {
        if (f.q && *f.q > 0.0)
            return std::sin(w0) / (2.0 * *f.q);
        if (f.bw && *f.bw > 0.0)
            return std::sin(w0) * std::sinh(std::numbers::ln2 / 2.0 * *f.bw * w0 / std::sin(w0));
        if (defaultQ > 0.0)
            return std::sin(w0) / (2.0 * defaultQ);
        return std::nullopt;
    };
    switch (f.type) {
    case Type::Peak:
        if (!f.gain || !((f.q && *f.q > 0.0) || (f.bw && *f.bw > 0.0)))
            return std::nullopt;
        return Peaking(*f.fc, *f.gain, PeakAlpha(f));
    case Type::LowShelf:
    case Type::HighShelf: {
        if (!f.gain || (f.q && !(*f.q > 0.0)))
            return std::nullopt;
        const auto shelf = AskedShelf(f);
        if (!shelf || !(shelf->centre < kNyquist))
            return std::nullopt;
        return Shelf(f.type == Type::LowShelf, shelf->centre, *f.gain, shelf->alpha);
    }
    case Type::LowPass:
    case Type::HighPass: {
        const auto alpha = passAlpha(kDefaultPassQ);
        const double b = f.type == Type::LowPass ? (1.0 - c) / 2.0 : (1.0 + c) / 2.0;
        const double b1 = f.type == Type::LowPass ? 1.0 - c : -(1.0 + c);
        return Biquad{b, b1, b, 1.0 + *alpha, -2.0 * c, 1.0 - *alpha};
    }
    case Type::BandPass:
    case Type::Notch: {
        const auto alpha = passAlpha(0.0);
        if (!alpha)
            return std::nullopt;
        if (f.type == Type::BandPass)
            return Biquad{*alpha, 0.0, -*alpha, 1.0 + *alpha, -2.0 * c, 1.0 - *alpha};
        return Biquad{1.0, -2.0 * c, 1.0, 1.0 + *alpha, -2.0 * c, 1.0 - *alpha};
    }
    case Type::AllPass: // flat in magnitude
    case Type::Empty:
    case Type::Other:
        break;
    }
    return std::nullopt;
}

// ---- The reading ----------------------------------------------------------------------------------------

class Reader {
public:
    explicit Reader(FilterTextReading& r) : m_r(r) {}

    void Note(int line, FilterTextNote::Kind kind, const SysText& text, QStringList args = {}) {
        m_r.notes.push_back({line, kind, text, std::move(args)});
    }

    // A peak or shelf that a band can take, with the values the band gets; nothing (and the reason noted)
    // when its values do not make a filter.
    std::optional<BandSetting> Map(const TextFilter& f);
    void MapPreamp();
    void Read(const QString& text);

private:
    int BandFreq(double hz, int line, bool noteRounding = true);
    int BandGain(double db, int line);
    int BandwidthOfQ(double q, int line);
    int BandwidthOfOctaves(double octaves, int line);
    void Place(const std::vector<std::pair<TextFilter, BandSetting>>& usable);
    void Curves();

    FilterTextReading& m_r;
    std::vector<TextFilter> m_filters; // every filter line, in the order of the text
    int m_lastPreampLine = 0;
};

int Reader::BandFreq(double hz, int line, bool noteRounding) {
    // Whole hertz first: a frequency that rounds into the range is only rounded.
    const double whole = std::round(hz);
    const int freq = static_cast<int>(std::clamp(whole, double(kMinFreq), double(kMaxFreq)));
    if (freq != whole)
        Note(line, FilterTextNote::Kind::Clamped, kFreqClamped, {Plain(hz, 1), QString::number(freq)});
    else if (noteRounding && std::abs(hz - freq) > kValueTolerance)
        Note(line, FilterTextNote::Kind::Rounded, kFreqRounded, {Plain(hz), QString::number(freq)});
    return freq;
}

int Reader::BandGain(double db, int line) {
    const double clamped = std::clamp(db, -kMaxBandGainDb, kMaxBandGainDb);
    const int code = std::clamp(EqGainCode(clamped), 0, kEqGainCodeMax);
    if (clamped != db)
        Note(line, FilterTextNote::Kind::Clamped, kGainClamped, {Plain(db), Gain1(EqGainDb(code))});
    else if (std::abs(EqGainDb(code) - db) > kValueTolerance)
        Note(line, FilterTextNote::Kind::Rounded, kGainRounded, {Plain(db), Gain1(EqGainDb(code))});
    return code;
}

int Reader::BandwidthOfQ(double q, int line) {
    // Nearest on a logarithmic scale: a Q of 2 is as far from 1 as 4 is from 2.
    int best = kFirstBandwidthIndex;
    for (int i = kFirstBandwidthIndex; i <= kBandwidthIndexMax; ++i)
        if (std::abs(std::log(QOfBandwidthIndex(i) / q)) < std::abs(std::log(QOfBandwidthIndex(best) / q)))
            best = i;
    const double got = QOfBandwidthIndex(best);
    const double highest = QOfBandwidthIndex(kFirstBandwidthIndex);
    const double lowest = QOfBandwidthIndex(kBandwidthIndexMax);
    if (q > highest + kQTolerance || q < lowest - kQTolerance)
        Note(line, FilterTextNote::Kind::Clamped, kQClamped,
             {Plain(q), QText(got), QText(lowest), QText(highest)});
    else if (std::abs(got - q) > kQTolerance)
        Note(line, FilterTextNote::Kind::Rounded, kQRounded, {Plain(q), QText(got)});
    return best;
}

int Reader::BandwidthOfOctaves(double octaves, int line) {
    const double lowest = BandwidthOctaves(kFirstBandwidthIndex);
    const double highest = BandwidthOctaves(kBandwidthIndexMax);
    const double clamped = std::clamp(octaves, lowest, highest);
    const int index = static_cast<int>(std::lround((clamped - BandwidthOctaves(0)) / 0.01));
    const double got = BandwidthOctaves(index);
    const QStringList args{Plain(octaves), QString::asprintf("%.2f", got), QText(QOfBandwidthIndex(index))};
    if (clamped != octaves)
        Note(line, FilterTextNote::Kind::Clamped, kBwClamped, args.mid(0, 2));
    else if (std::abs(got - octaves) > kValueTolerance)
        Note(line, FilterTextNote::Kind::Rounded, kBwRounded, args);
    return index;
}

std::optional<BandSetting> Reader::Map(const TextFilter& f) {
    const int line = f.line;
    const auto drop = [&](const SysText& text, QStringList args = {}) -> std::optional<BandSetting> {
        Note(line, FilterTextNote::Kind::Dropped, text, std::move(args));
        return std::nullopt;
    };
    if (!f.fc)
        return drop(kMissing, {QStringLiteral("Fc")});
    if (!(*f.fc > 0.0))
        return drop(kBadValue, {QStringLiteral("Fc"), Plain(*f.fc)});
    if (!(*f.fc < kNyquist))
        return drop(kAboveNyquist, {Plain(*f.fc)});
    if (!f.gain)
        return drop(kMissing, {QStringLiteral("Gain")});
    if (f.q && !(*f.q > 0.0))
        return drop(kBadValue, {QStringLiteral("Q"), Plain(*f.q)});
    if (f.bw && !(*f.bw > 0.0))
        return drop(kBadValue, {QStringLiteral("BW Oct"), Plain(*f.bw)});

    BandSetting band;
    if (f.type == Type::Peak) {
        if (!f.q && !f.bw)
            return drop(kMissing, {QStringLiteral("Q / BW Oct")});
        band.kind = CFilter::Peak;
        band.freq = BandFreq(*f.fc, line);
        band.bandwidth = f.q ? BandwidthOfQ(*f.q, line) : BandwidthOfOctaves(*f.bw, line);
        band.gainCode = BandGain(*f.gain, line);
        return band;
    }

    const auto shelf = AskedShelf(f);
    if (!shelf)
        return drop(kSteepShelf, {Plain(*f.slopeDb), Plain(*f.gain)});
    if (shelf->corner)
        Note(line, FilterTextNote::Kind::Mapped, kCorner, {Plain(*f.fc), Plain(shelf->centre, 1)});
    if (!(shelf->centre < kNyquist))
        return drop(kAboveNyquist, {Plain(shelf->centre, 1)});
    band.kind = f.type == Type::LowShelf ? CFilter::LowShelf : CFilter::HighShelf;
    // The band slope nearer to the text's S on a logarithmic scale.
    const double sGentle = CFilter::ShelfShapeOf(band.kind, 0).s;
    const double sSteep = CFilter::ShelfShapeOf(band.kind, 1).s;
    band.slope = shelf->s >= std::sqrt(sGentle * sSteep) ? 1 : 0;
    const CFilter::ShelfShape shape = CFilter::ShelfShapeOf(band.kind, band.slope);
    band.freq = BandFreq(shelf->centre / shape.k, line, false); // the note below gives the frequency
    band.bandwidth = kFlatBandwidthIndex;
    Note(line, FilterTextNote::Kind::Mapped, kShelfMapped,
         {Plain(shelf->s, 3), ShelfSlopeText(band.slope, 0), QString::number(band.freq),
          Plain(band.freq * shape.k, 1)});
    band.gainCode = BandGain(*f.gain, line);
    return band;
}

void Reader::MapPreamp() {
    if (!m_r.preampDb)
        return;
    const double asked = *m_r.preampDb;
    // Whole dB, rounded down; the tolerance keeps a sum such as -6.0000000001 at -6.
    const int rounded = static_cast<int>(std::floor(asked + kValueTolerance));
    const int db = std::clamp(rounded, kMinChannelGainDb, 0);
    m_r.gainCode = db + kChannelGainMaxCode;
    const QStringList args{Plain(asked), QString::number(db)};
    if (db != rounded)
        Note(m_lastPreampLine, FilterTextNote::Kind::Clamped, kPreampClamped, args);
    else if (std::abs(asked - db) > kValueTolerance)
        Note(m_lastPreampLine, FilterTextNote::Kind::Rounded, kPreampRounded, args);
    else
        Note(m_lastPreampLine, FilterTextNote::Kind::Placed, kPreampExact, args);
}

void Reader::Read(const QString& text) {
    static const QRegularExpression command(QStringLiteral(R"(^\s*([A-Za-z]+)([^:]*):(.*)$)"));
    static const QRegularExpression preamp(QStringLiteral(R"(^\s*(%1)\s*dB\s*$)").arg(kNumber),
                                           QRegularExpression::CaseInsensitiveOption);
    // Commands of the configuration format that mean nothing to one channel's bands.
    static const std::set<QString> kOtherCommands{
        QStringLiteral("device"),     QStringLiteral("include"),
        QStringLiteral("graphiceq"),  QStringLiteral("copy"),
        QStringLiteral("delay"),      QStringLiteral("convolution"),
        QStringLiteral("stage"),      QStringLiteral("eval"),
        QStringLiteral("if"),         QStringLiteral("elseif"),
        QStringLiteral("else"),       QStringLiteral("endif"),
        QStringLiteral("loadplugin"), QStringLiteral("multiconvolution")};
    int emptySlots = 0;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        QString l = lines[i];
        if (l.endsWith(u'\r'))
            l.chop(1);
        if (l.trimmed().startsWith(u'#'))
            continue;
        const QRegularExpressionMatch m = command.match(l);
        if (!m.hasMatch())
            continue; // not a command line: headers, notes, blank lines
        const QString name = m.captured(1).toLower();
        if (name == QLatin1String("filter")) {
            auto f = ParseFilter(m.captured(3));
            if (!f) {
                Note(line, FilterTextNote::Kind::Dropped, kMalformed);
                continue;
            }
            if (f->type == Type::Empty) {
                ++emptySlots;
                continue;
            }
            f->line = line;
            bool numbered = false;
            const int number = m.captured(2).trimmed().toInt(&numbered);
            f->number = numbered ? number : 0;
            m_filters.push_back(*f);
        } else if (name == QLatin1String("preamp") && m.captured(2).trimmed().isEmpty()) {
            QString value = m.captured(3);
            value.replace(u',', u'.');
            const QRegularExpressionMatch p = preamp.match(value);
            bool ok = false;
            const double db = p.hasMatch() ? p.captured(1).toDouble(&ok) : 0.0;
            if (!ok || !std::isfinite(db)) {
                Note(line, FilterTextNote::Kind::Dropped, kPreampMalformed);
                continue;
            }
            m_r.preampDb = m_r.preampDb.value_or(0.0) + db; // several preamps add up
            m_lastPreampLine = line;
        } else if (name == QLatin1String("channel")) {
            Note(line, FilterTextNote::Kind::Ignored, kChannelIgnored);
        } else if (kOtherCommands.count(name) != 0 && m.captured(2).trimmed().isEmpty()) {
            Note(line, FilterTextNote::Kind::Ignored, kCommandIgnored, {m.captured(1)});
        }
    }

    std::vector<std::pair<TextFilter, BandSetting>> usable;
    for (const TextFilter& f : m_filters) {
        if (f.type != Type::Peak && f.type != Type::LowShelf && f.type != Type::HighShelf) {
            Note(f.line, FilterTextNote::Kind::Dropped, kUnsupported, {f.typeText});
            continue;
        }
        if (!f.on) {
            Note(f.line, FilterTextNote::Kind::Dropped, kSwitchedOff);
            continue;
        }
        if (const auto band = Map(f))
            usable.emplace_back(f, *band);
    }
    Place(usable);
    MapPreamp();
    if (emptySlots > 0)
        Note(0, FilterTextNote::Kind::Summary, kEmptySlots, {QString::number(emptySlots)});
    // The notes in the order of the lines, the whole text's last.
    std::stable_sort(m_r.notes.begin(), m_r.notes.end(),
                     [](const FilterTextNote& a, const FilterTextNote& b) {
                         return (a.line == 0 ? INT_MAX : a.line) < (b.line == 0 ? INT_MAX : b.line);
                     });
    Curves();
}

void Reader::Place(const std::vector<std::pair<TextFilter, BandSetting>>& usable) {
    for (int k = 0; k < Layout::kBands; ++k) {
        BandSetting flat;
        flat.freq = kIsoThirdOctave[static_cast<std::size_t>(k)];
        flat.bandwidth = kFlatBandwidthIndex;
        m_r.bands[static_cast<std::size_t>(k)] = flat;
    }
    // By number when every filter has a band number of its own, so that a text written from the bands
    // comes back onto the same bands.
    std::set<int> numbers;
    for (const auto& [f, band] : usable)
        if (f.number >= 1 && f.number <= Layout::kBands)
            numbers.insert(f.number);
    const bool byNumber = !usable.empty() && numbers.size() == usable.size();

    int next = 0;
    for (const auto& [f, band] : usable) {
        if (!byNumber && next >= Layout::kBands) {
            Note(f.line, FilterTextNote::Kind::Dropped, kSurplus);
            continue;
        }
        const int k = byNumber ? f.number - 1 : next++;
        m_r.bands[static_cast<std::size_t>(k)] = band;
        ++m_r.placed;
        const QString number = QString::number(k + 1);
        const QString gain = Gain1(EqGainDb(band.gainCode));
        if (band.kind == CFilter::Peak)
            Note(f.line, FilterTextNote::Kind::Placed, kPlacedPeak,
                 {number, QString::number(band.freq), gain, QText(QOfBandwidthIndex(band.bandwidth))});
        else
            Note(f.line, FilterTextNote::Kind::Placed,
                 band.kind == CFilter::LowShelf ? kPlacedLowShelf : kPlacedHighShelf,
                 {number, QString::number(band.freq), gain, ShelfSlopeText(band.slope, 0)});
        if (band.gainCode == kEqGainCodeZero)
            Note(f.line, FilterTextNote::Kind::Placed, kFlat);
    }
    if (m_r.placed > 0)
        Note(0, FilterTextNote::Kind::Summary, byNumber ? kByNumber : kInOrder,
             {QString::number(m_r.placed)});
}

void Reader::Curves() {
    const double preamp = m_r.preampDb.value_or(0.0);
    const double gain = m_r.gainCode ? ChannelGainDb(*m_r.gainCode) : 0.0;
    m_r.asked.fill(preamp);
    for (const TextFilter& f : m_filters)
        if (f.on)
            if (const auto s = AskedBiquad(f))
                AddCurve(m_r.asked, *s);

    // The channel's own response code, on a scratch set of filters that takes the bands as SetBands would.
    CKTVEQ eq(std::span<const int>(kIsoThirdOctave), 0);
    m_r.result.fill(gain);
    m_r.bandsAsStandard.fill(gain);
    for (int k = 0; k < Layout::kBands; ++k) {
        const BandSetting& b = m_r.bands[static_cast<std::size_t>(k)];
        CModelEditor::ApplyBandSetting(eq.Band(k), b);
        const auto& response = eq.Band(k).Response();
        for (std::size_t i = 0; i < m_r.result.size(); ++i)
            m_r.result[i] += response[i];
        if (b.bypass || b.gainCode == kEqGainCodeZero)
            continue;
        const double db = EqGainDb(b.gainCode);
        if (b.kind == CFilter::Peak) {
            const double q = QOfBandwidthIndex(std::max(b.bandwidth, kFirstBandwidthIndex));
            AddCurve(m_r.bandsAsStandard, Peaking(b.freq, db, std::sin(W0(b.freq)) / (2.0 * q)));
        } else {
            const CFilter::ShelfShape shape = CFilter::ShelfShapeOf(b.kind, b.slope);
            const double centre = b.freq * shape.k;
            if (centre < kNyquist)
                AddCurve(m_r.bandsAsStandard,
                         Shelf(b.kind == CFilter::LowShelf, centre, db,
                               ShelfAlphaOfS(W0(centre), std::pow(10.0, db / 40.0), shape.s)));
        }
    }
    for (std::size_t i = 0; i < m_r.asked.size(); ++i) {
        const double d = std::abs(m_r.asked[i] - m_r.result[i]);
        if (d > m_r.largestDifferenceDb) {
            m_r.largestDifferenceDb = d;
            m_r.largestDifferenceHz = g_freqGrid[i];
        }
        const double r = std::abs(m_r.asked[i] - m_r.bandsAsStandard[i]);
        if (r > m_r.roundingDifferenceDb) {
            m_r.roundingDifferenceDb = r;
            m_r.roundingDifferenceHz = g_freqGrid[i];
        }
    }
}

QString ShelfExportQ(const CFilter::ShelfShape& shape, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    return QString::asprintf("%.4f", 1.0 / std::sqrt((a + 1.0 / a) * (1.0 / shape.s - 1.0) + 2.0));
}

} // namespace

QString FilterTextNote::In(int language) const {
    return text.In(language, args);
}

FilterTextReading CFilterText::Read(const QString& text) {
    FilterTextReading r;
    Reader(r).Read(text);
    return r;
}

Status CFilterText::Import(CModelEditor& editor, const CKTV_OutData& channel, const QString& text,
                           FilterTextReading* reading) {
    FilterTextReading r = Read(text);
    Status status;
    if (!r.Usable()) {
        status = Status::Error(kNothingUsable);
    } else if (channel.GetEqMode() != 0) {
        status = Status::Error(kGraphicMode);
    } else {
        const int c = channel.GetChannel();
        const bool wasOff = channel.GetGainOff() != 0;
        const int before = channel.GetGainCode();
        editor.SetBands(c, r.bands);
        if (r.gainCode) {
            editor.SetChannelGain(c, *r.gainCode);
            if (wasOff)
                r.notes.push_back({0, FilterTextNote::Kind::Summary, kGainWasOff, {}});
            else if (before != *r.gainCode)
                r.notes.push_back(
                    {0, FilterTextNote::Kind::Summary, kGainWas, {QString::number(ChannelGainDb(before))}});
        } else if (wasOff) {
            r.notes.push_back({0, FilterTextNote::Kind::Summary, kNoPreampOff, {}});
        } else {
            r.notes.push_back(
                {0, FilterTextNote::Kind::Summary, kNoPreamp, {QString::number(ChannelGainDb(before))}});
        }
    }
    if (reading != nullptr)
        *reading = std::move(r);
    return status;
}

QString CFilterText::Export(const CKTV_OutData& channel) {
    QStringList lines;
    int active = 0;
    int bypassed = 0; // bypassed while holding a gain: the device and files keep them flat
    for (int k = 0; k < Layout::kBands; ++k) {
        const CFilter& band = channel.Band(k);
        if (band.GetGain() != 0.0)
            ++(band.GetEffectiveBypass() != 0 ? bypassed : active);
    }
    const QString name = channel.GetName();
    lines << QStringLiteral("# CH%1%2: %3 of %4 EQ bands active")
                 .arg(QString::number(channel.GetChannel() + 1), name.isEmpty() ? QString() : u' ' + name,
                      QString::number(active), QString::number(Layout::kBands));
    if (bypassed > 0)
        lines << QStringLiteral("# %1 bypassed bands not written").arg(bypassed);
    if (channel.GetGainOff() != 0)
        lines << QStringLiteral("# the channel gain is off");
    else if (channel.GetGainCode() != kChannelGainMaxCode)
        lines << QStringLiteral("Preamp: %1 dB").arg(ChannelGainDb(channel.GetGainCode()));
    for (int k = 0; k < Layout::kBands; ++k) {
        const CFilter& band = channel.Band(k);
        if (band.GetGain() == 0.0 || band.GetEffectiveBypass() != 0)
            continue;
        const int code = EqGainCode(band.GetGain());
        const QString head = QStringLiteral("Filter %1: ON ").arg(k + 1);
        const QString gain = Gain1(EqGainDb(code));
        if (band.GetKind() == CFilter::LowShelf || band.GetKind() == CFilter::HighShelf) {
            // The curve the band draws: its centre and the Q its slope parameter amounts to at its gain.
            const CFilter::ShelfShape shape = CFilter::ShelfShapeOf(band.GetKind(), band.GetSlope());
            lines << head + QStringLiteral("%1 Fc %2 Hz Gain %3 dB Q %4")
                                .arg(band.GetKind() == CFilter::LowShelf ? QStringLiteral("LSC")
                                                                         : QStringLiteral("HSC"))
                                .arg(QString::asprintf("%.2f", band.GetFreq() * shape.k), gain,
                                     ShelfExportQ(shape, EqGainDb(code)));
        } else {
            const int index = std::max(band.GetQIndex(), kFirstBandwidthIndex);
            lines << head + QStringLiteral("PK Fc %1 Hz Gain %2 dB Q %3")
                                .arg(band.GetFreq())
                                .arg(gain, QString::asprintf("%.3f", QOfBandwidthIndex(index)));
        }
    }
    return lines.join(u'\n') + u'\n';
}

QStringList CFilterText::Report(const FilterTextReading& reading, int language) {
    QStringList out;
    for (const FilterTextNote& n : reading.notes)
        out << (n.line > 0 ? kLinePrefix.In(language).arg(n.line) : QString()) + n.In(language);
    if (reading.Usable()) {
        out << kLargest.In(language).arg(QString::asprintf("%.2f", reading.largestDifferenceDb),
                                         Plain(reading.largestDifferenceHz, 1));
        out << kRounding.In(language).arg(QString::asprintf("%.2f", reading.roundingDifferenceDb),
                                          Plain(reading.roundingDifferenceHz, 1));
    }
    return out;
}
