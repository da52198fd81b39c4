// Fixed tables of the parameter model, code/unit conversions, graph coordinates and fixed-width text fields.
#include "base/DataDefine.h"

#include <QByteArray>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <span>

namespace {

std::array<double, kQTableSize> MakeQTable() {
    std::array<double, kQTableSize> table{};
    for (int i = 0; i < kQTableSize; ++i) {
        const double n = 0.05 + 0.01 * i;
        const double p = std::pow(2.0, n);
        table[static_cast<std::size_t>(i)] = std::round(std::sqrt(p) / (p - 1.0) * 1000.0) / 1000.0;
    }
    return table;
}

// A frequency of 0 Hz or less cannot be placed on a log axis; it is drawn where 1 Hz would be.
double LogDecades(double f) {
    return std::log10(std::max(f, 1.0) / 20.0);
}

QString SpaceTrimmed(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == u' ') {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString ReadUpTo(const std::uint8_t* src, std::size_t n) {
    const char* chars = reinterpret_cast<const char*>(src);
    const std::size_t len = strnlen(chars, n);
    return SpaceTrimmed(QString::fromUtf8(chars, static_cast<qsizetype>(len)));
}

// Longest prefix of utf8 of at most limit bytes that ends on a character boundary.
qsizetype CutLength(const QByteArray& utf8, qsizetype limit) {
    if (utf8.size() <= limit) {
        return utf8.size();
    }
    qsizetype len = limit;
    while (len > 0 && (static_cast<unsigned char>(utf8[len]) & 0xC0) == 0x80) {
        --len;
    }
    return len;
}

void CopyAndZeroFill(std::uint8_t* dst, std::size_t n, const QByteArray& bytes, qsizetype len) {
    std::memset(dst, 0, n);
    std::memcpy(dst, bytes.constData(), static_cast<std::size_t>(len));
}

QString TextAt(std::span<const SysText> texts, int index, int language) {
    if (index < 0 || index >= static_cast<int>(texts.size())) {
        return {};
    }
    return texts[static_cast<std::size_t>(index)].In(language);
}

} // namespace

const std::array<double, kQTableSize> g_qTable = MakeQTable();

int NearestGridIndex(double f) {
    for (int i = 0; i < kGridPoints; ++i) {
        const double upper = g_freqGrid[static_cast<std::size_t>(i)];
        if (upper >= f) {
            if (i == 0) {
                return 0;
            }
            const double lower = g_freqGrid[static_cast<std::size_t>(i - 1)];
            return (f - lower < upper - f) ? i - 1 : i;
        }
    }
    return kGridPoints - 1;
}

int ChannelGainDb(int code) {
    return code - kChannelGainMaxCode;
}

double EqGainDb(int code) {
    return code * 0.1 - 20.0;
}

int EqGainCode(double db) {
    // +0.5 and down to the integer below: for 0..400 the same as truncation, and a code below 0 (a field
    // below 400 from a device or a file) converts back to itself instead of creeping up by one per load and
    // save.
    return static_cast<int>(std::floor((db + 20.0) * 10.0 + 0.5));
}

double BandwidthOctaves(int index) {
    return 0.05 + 0.01 * index;
}

int BandwidthIndex(double octaves) {
    return static_cast<int>((octaves - 0.05) / 0.01 + 0.05);
}

double QOfBandwidthIndex(int index) {
    if (index < 0 || index >= kQTableSize) {
        return 0.0;
    }
    return g_qTable[static_cast<std::size_t>(index)];
}

QString QText(double q) {
    return QString::asprintf(q > 10.0 ? "%0.2f" : "%0.3f", q);
}

QString EqGainText(double db) {
    return QString::asprintf("%0.1fdB", db);
}

double DelayMs(int samples) {
    return samples / 48.0;
}

double SpeedOfSound(int temperature) {
    return 331.4 + 0.6 * (temperature - 50);
}

double DistanceDelayMs(double metres, int temperature) {
    return metres * 1000.0 / SpeedOfSound(temperature);
}

int DelaySamplesOfMs(double ms) {
    const double samples = ms / kMsPerDelaySample + 0.5;
    if (!(samples > 0.0)) {
        return 0;
    }
    return samples >= INT_MAX ? INT_MAX : static_cast<int>(samples);
}

double LimiterThresholdDbu(int code) {
    return code * 0.1 - 30.0;
}

double LimiterAttackMs(int code) {
    return code <= 6 ? (code + 3) * 0.1 : code - 6.0;
}

int LimiterReleaseFactor(int code) {
    static constexpr std::array<int, 6> kFactors{2, 4, 6, 8, 16, 32};
    if (code < 0 || code >= static_cast<int>(kFactors.size())) {
        return 0;
    }
    return kFactors[static_cast<std::size_t>(code)];
}

double LimiterReleaseMs(int attackCode, int releaseCode) {
    return LimiterAttackMs(attackCode) * LimiterReleaseFactor(releaseCode);
}

QString FamilyText(int family, int language) {
    return TextAt(kFamilyTexts, family, language);
}

QString CrossoverSlopeText(int index, int language) {
    return TextAt(kCrossoverSlopeTexts, index, language);
}

QString ShelfSlopeText(int index, int language) {
    return TextAt(kShelfSlopeTexts, index, language);
}

int GraphXOfFreq(double f, int w) {
    return ToPixel(LogDecades(f) * (w / 3));
}

double GraphXOfFreqF(double f, int w) {
    return LogDecades(f) * (w / 3);
}

double GainOfGraphY(int y, int h) {
    if (h <= 0) {
        return 0.0;
    }
    const double db = 20.0 - y * 40.0 / h;
    return db > 0.0 ? db + 0.5 : db - 0.5;
}

int FreqOfGraphX(int x, int w) {
    const int decade = w / 3;
    if (decade <= 0) {
        return 20;
    }
    const double f = 20.0 * std::pow(10.0, static_cast<double>(x) / decade);
    return static_cast<int>(std::clamp(f, 20.0, 20000.0));
}

QString ReadField(const std::uint8_t* src, std::size_t n) {
    return n == 0 ? QString() : ReadUpTo(src, n - 1);
}

QString ReadFieldFull(const std::uint8_t* src, std::size_t n) {
    return ReadUpTo(src, n);
}

Status WriteFieldStrict(std::uint8_t* dst, std::size_t n, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (static_cast<std::size_t>(bytes.size()) >= n) {
        return Status::Error(kTextCharLenError);
    }
    CopyAndZeroFill(dst, n, bytes, bytes.size());
    return Status::Ok();
}

void WriteFieldCut(std::uint8_t* dst, std::size_t n, const QString& text) {
    if (n == 0) {
        return;
    }
    const QByteArray bytes = text.toUtf8();
    CopyAndZeroFill(dst, n, bytes, CutLength(bytes, static_cast<qsizetype>(n - 1)));
}

bool IsBlank(const QString& text) {
    return SpaceTrimmed(text).isEmpty();
}
