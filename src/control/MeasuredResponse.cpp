// A measured frequency response of one output channel, read from a text export of a measurement program
// (REW), smoothed and levelled onto the response grid, and what the channel's EQ makes of it.
#include "control/MeasuredResponse.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A data line starts with a digit, or with a sign or point before one ("-5" is read, and refused as a
// frequency, rather than passed over as a header).
bool StartsWithNumber(const QString& line) {
    if (line.isEmpty())
        return false;
    if (line[0].isDigit())
        return true;
    const bool lead = line[0] == u'+' || line[0] == u'-' || line[0] == u'.';
    if (!lead || line.size() < 2)
        return false;
    return line[1].isDigit() || (line[1] == u'.' && line.size() > 2 && line[2].isDigit());
}

// The line's fields: split at semicolons, else tabs, else commas, else runs of spaces. The first two take
// a comma inside a field as the decimal comma.
QStringList Fields(const QString& line, bool& decimalComma) {
    QStringList fields;
    decimalComma = false;
    if (line.contains(u';')) {
        fields = line.split(u';');
        decimalComma = true;
    } else if (line.contains(u'\t')) {
        fields = line.split(u'\t', Qt::SkipEmptyParts);
        decimalComma = true;
    } else if (line.contains(u',')) {
        fields = line.split(u',');
    } else {
        fields = line.split(u' ', Qt::SkipEmptyParts);
    }
    for (QString& field : fields)
        field = field.trimmed();
    // A separator at the end of a line ("20;80;") leaves an empty last field: no column.
    while (!fields.isEmpty() && fields.back().isEmpty())
        fields.removeLast();
    return fields;
}

std::optional<double> Number(QString field, bool decimalComma) {
    if (decimalComma)
        field.replace(u',', u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(field, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

MeasurementRefusal AtLine(const SysText& text, int line) {
    return {text, {QString::number(line)}};
}

} // namespace

std::optional<MeasurementRefusal> CMeasuredResponse::Read(const QString& text, const QString& name) {
    std::vector<Point> points;
    bool allPhase = true;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        const QString line = lines[i].trimmed();
        if (line.startsWith(u'*') || !StartsWithNumber(line))
            continue;
        bool decimalComma = false;
        const QStringList fields = Fields(line, decimalComma);
        // More than three columns is no such export, or a decimal comma read as a separator ("100,5,80,1").
        if (fields.size() < 2 || fields.size() > 3)
            return AtLine(kBadLine, lineNumber);
        const std::optional<double> hz = Number(fields[0], decimalComma);
        const std::optional<double> db = Number(fields[1], decimalComma);
        std::optional<double> degrees;
        if (fields.size() == 3) {
            degrees = Number(fields[2], decimalComma);
            if (!degrees)
                return AtLine(kBadLine, lineNumber);
        }
        if (!hz || !db)
            return AtLine(kBadLine, lineNumber);
        if (!std::isfinite(*hz) || !std::isfinite(*db) || (degrees && !std::isfinite(*degrees)))
            return AtLine(kNotFinite, lineNumber);
        if (!(*hz > 0.0))
            return AtLine(kBadFrequency, lineNumber);
        if (std::abs(*db) > kLevelLimitDb)
            return AtLine(kBadLevel, lineNumber);
        if (!points.empty() && !(*hz > points.back().hz))
            return AtLine(kNotRising, lineNumber);
        if (static_cast<int>(points.size()) >= kMostPoints)
            return MeasurementRefusal{kTooManyPoints, {QString::number(kMostPoints)}};
        allPhase = allPhase && degrees.has_value();
        points.push_back({*hz, *db, degrees.value_or(0.0)});
    }
    if (points.empty())
        return MeasurementRefusal{kNoPoints, {}};
    if (points.size() < 2)
        return MeasurementRefusal{kOnePoint, {}};

    m_points = std::move(points);
    m_hasPhase = allPhase;
    if (!m_hasPhase)
        for (Point& p : m_points)
            p.degrees = 0.0;
    m_name = name;
    m_logHz.resize(m_points.size());
    m_power.resize(m_points.size());
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        m_logHz[i] = std::log2(m_points[i].hz);
        m_power[i] = std::pow(10.0, m_points[i].db / 10.0);
    }
    Recompute();
    return std::nullopt;
}

std::optional<MeasurementRefusal> CMeasuredResponse::ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return MeasurementRefusal{kUnreadable, {}};
    // Read one byte past the limit rather than trust the size: a device or a pipe has none.
    const QByteArray bytes = file.read(kLargestFile + 1);
    if (bytes.size() > kLargestFile)
        return MeasurementRefusal{kTooLarge, {}};
    if (file.error() != QFileDevice::NoError)
        return MeasurementRefusal{kUnreadable, {}};
    QStringDecoder decode(QStringDecoder::encodingForData(bytes).value_or(QStringConverter::Utf8),
                          QStringConverter::Flag::Stateless);
    QString text = decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return Read(text, QFileInfo(path).fileName());
}

void CMeasuredResponse::Clear() {
    m_points.clear();
    m_logHz.clear();
    m_power.clear();
    m_hasPhase = false;
    m_name.clear();
    Recompute();
}

void CMeasuredResponse::SetSmoothing(Smoothing smoothing) {
    m_smoothing = smoothing;
    Recompute();
}

bool CMeasuredResponse::SetLevelFrequency(std::optional<double> hz) {
    if (hz && !(*hz >= kLowestLevelHz && *hz <= kHighestLevelHz))
        return false;
    m_levelHz = hz;
    Recompute();
    return true;
}

double CMeasuredResponse::WindowOctaves(Smoothing smoothing) {
    switch (smoothing) {
    case Smoothing::Third:
        return 1.0 / 3.0;
    case Smoothing::Sixth:
        return 1.0 / 6.0;
    case Smoothing::Twelfth:
        return 1.0 / 12.0;
    case Smoothing::Off:
        break;
    }
    return 0.0;
}

double CMeasuredResponse::SmoothedAt(double hz) const {
    if (m_points.size() < 2 || !(hz > 0.0))
        return kNaN;
    const double x = std::log2(hz);
    const double lowest = m_logHz.front();
    const double highest = m_logHz.back();
    // A grid frequency a rounding away from an end still lies on it.
    constexpr double kTolerance = 1e-9;
    if (x < lowest - kTolerance || x > highest + kTolerance)
        return kNaN;
    const double half = WindowOctaves(m_smoothing) / 2.0;
    if (half <= 0.0) {
        const double at = std::clamp(x, lowest, highest);
        auto upper = std::upper_bound(m_logHz.begin(), m_logHz.end(), at);
        std::size_t j = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(
            upper - m_logHz.begin(), 1, static_cast<std::ptrdiff_t>(m_logHz.size()) - 1));
        const double t = (at - m_logHz[j - 1]) / (m_logHz[j] - m_logHz[j - 1]);
        return m_points[j - 1].db + t * (m_points[j].db - m_points[j - 1].db);
    }

    // The mean of the power over [a, b], the window cut at the ends, power linear between points: the
    // trapezoids of the segments inside, and of the parts of the two that the window's edges cut.
    const double a = std::max(lowest, x - half);
    const double b = std::min(highest, x + half);
    const auto powerAt = [this](std::size_t j, double at) { // on segment j-1..j
        const double t = (at - m_logHz[j - 1]) / (m_logHz[j] - m_logHz[j - 1]);
        return m_power[j - 1] + t * (m_power[j] - m_power[j - 1]);
    };
    std::size_t j =
        static_cast<std::size_t>(std::upper_bound(m_logHz.begin(), m_logHz.end(), a) - m_logHz.begin());
    j = std::clamp<std::size_t>(j, 1, m_logHz.size() - 1);
    double area = 0.0;
    double from = a;
    double fromPower = powerAt(j, a);
    for (; j < m_logHz.size(); ++j) {
        const double to = std::min(b, m_logHz[j]);
        const double toPower = to == m_logHz[j] ? m_power[j] : powerAt(j, to);
        area += (to - from) * (fromPower + toPower) / 2.0;
        if (to >= b)
            break;
        from = to;
        fromPower = toPower;
    }
    const double width = b - a;
    const double mean = width > 0.0 ? area / width : fromPower;
    return mean > 0.0 ? 10.0 * std::log10(mean) : -kLevelLimitDb;
}

void CMeasuredResponse::Recompute() {
    m_curve.fill(kNaN);
    m_first = 0;
    m_last = -1;
    m_offsetDb = 0.0;
    if (m_points.size() < 2)
        return;
    if (m_levelHz) {
        const double at = std::clamp(*m_levelHz, m_points.front().hz, m_points.back().hz);
        m_offsetDb = SmoothedAt(at);
    }
    bool any = false;
    for (int i = 0; i < kGridPoints; ++i) {
        const double db = SmoothedAt(g_freqGrid[static_cast<std::size_t>(i)]);
        if (std::isnan(db))
            continue;
        m_curve[static_cast<std::size_t>(i)] = db - m_offsetDb;
        if (!any)
            m_first = i;
        m_last = i;
        any = true;
    }
}

std::array<double, kGridPoints>
CMeasuredResponse::Predicted(const std::array<double, kGridPoints>& channelDb) const {
    std::array<double, kGridPoints> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = m_curve[i] + channelDb[i]; // NaN stays NaN
    return out;
}
