// A measured frequency response of one output channel, read from a text export of a measurement program
// (REW), smoothed and levelled onto the response grid, and what the channel's EQ makes of it.
#pragma once

#include "base/DataDefine.h"
#include "base/SysText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// Why a text was refused: a system text whose %1, %2, ... stand for the arguments (the line number).
struct MeasurementRefusal {
    SysText text;
    QStringList args;

    QString In(int language) const { return text.In(language, args); }
};

// The text: one point per line, frequency (Hz), SPL (dB) and optionally phase (degrees), separated by
// commas, tabs, spaces or semicolons, nothing more on the line. Where a line's separator is a semicolon or a
// tab, a comma inside a number is a decimal comma ("20,5;80,1"). Lines starting with '*' are comments; blank
// lines and lines that do not start with a number (a column header) are passed over. Frequencies rise
// strictly. Anything else in a data line, fewer than two points, or more than kMostPoints refuses the whole
// text and changes nothing.
//
// On the grid: each grid frequency inside the measured range gets the measurement there, smoothed over a
// window of 1/N octave centred on it (the window cut at the ends of the measurement). Smoothing averages
// power, not dB: the levels are turned into power, the power is taken as linear between the measured points
// over log-frequency, and its mean over the window goes back to dB, so that a deep narrow notch, which the
// ear hardly hears, does not pull the smoothed curve down as a dB mean would. Without smoothing the dB
// values are interpolated linearly over log-frequency. Grid frequencies outside the measured range have no
// value (NaN): nothing is extrapolated.
//
// Level: the curve is moved so that the (smoothed) measurement is 0 dB at the chosen frequency, 1 kHz
// unless chosen otherwise, which brings an SPL of some 85 dB into the graph's +-20 dB; a frequency outside
// the measured range levels at the nearest end of it. Without a level frequency the SPL stays as measured.
class CMeasuredResponse {
public:
    enum class Smoothing { Off, Third, Sixth, Twelfth };

    static constexpr qint64 kLargestFile = 8 * 1024 * 1024; // a full-resolution export is about 3 MB
    static constexpr int kMostPoints = 262144;
    static constexpr double kLevelLimitDb = 300.0;    // |SPL| beyond this is no level
    static constexpr double kDefaultLevelHz = 1000.0; // where the curve sits at 0 dB unless chosen otherwise
    static constexpr double kLowestLevelHz = 1.0;     // the level frequency a user may choose
    static constexpr double kHighestLevelHz = 100000.0;

    struct Point {
        double hz = 0.0;
        double db = 0.0;
        double degrees = 0.0; // 0 when the text has no phase column
    };

    // Reads the text; on a refusal nothing changes.
    std::optional<MeasurementRefusal> Read(const QString& text, const QString& name = QString());
    // Reads the file (UTF-8 or the encoding its byte-order mark names); the name kept is the file's.
    std::optional<MeasurementRefusal> ReadFile(const QString& path);
    void Clear();

    bool Empty() const { return m_points.empty(); }
    const std::vector<Point>& Points() const { return m_points; }
    bool HasPhase() const { return m_hasPhase; }
    QString Name() const { return m_name; } // the file name, without its folder

    void SetSmoothing(Smoothing smoothing);
    Smoothing GetSmoothing() const { return m_smoothing; }
    // nullopt: the SPL as measured. Outside kLowestLevelHz..kHighestLevelHz (or not finite): refused, false.
    bool SetLevelFrequency(std::optional<double> hz);
    std::optional<double> LevelFrequency() const { return m_levelHz; }
    // The dB taken off every value (0 without a level frequency or a measurement).
    double LevelOffsetDb() const { return m_offsetDb; }

    // Octaves of a smoothing window; 0 for Off.
    static double WindowOctaves(Smoothing smoothing);
    // The smoothed (not levelled) measurement at any frequency inside the measured range; NaN outside.
    double SmoothedAt(double hz) const;

    // The measurement, smoothed and levelled, on the response grid; NaN where it has no value. Kept up to
    // date by every change above, so that drawing only reads it.
    const std::array<double, kGridPoints>& Curve() const { return m_curve; }
    // The measurement plus a channel response on the same grid (the channel's summed curve, dB): what the
    // speaker would give through the channel's EQ and crossovers. NaN where the measurement has no value.
    std::array<double, kGridPoints> Predicted(const std::array<double, kGridPoints>& channelDb) const;
    // Grid indices first..last that have a value; first > last when none has.
    int FirstGridIndex() const { return m_first; }
    int LastGridIndex() const { return m_last; }

    static constexpr SysText kNoPoints{"The measurement file holds no usable points.",
                                       "测量文件中没有可用的数据点。"};
    static constexpr SysText kOnePoint{"The measurement file holds only one point: at least two are needed.",
                                       "测量文件中只有一个数据点：至少需要两个。"};
    static constexpr SysText kTooManyPoints{"The measurement file holds more than %1 points.",
                                            "测量文件中的数据点超过 %1 个。"};
    static constexpr SysText kTooLarge{"The measurement file is larger than 8 MB.", "测量文件大于 8 MB。"};
    static constexpr SysText kUnreadable{"The measurement file cannot be read.", "无法读取测量文件。"};
    static constexpr SysText kBadLine{"Line %1 of the measurement file is no frequency and level.",
                                      "测量文件第 %1 行不是频率和声压级。"};
    static constexpr SysText kNotFinite{"Line %1 of the measurement file holds a value that is not finite.",
                                        "测量文件第 %1 行含有非有限的数值。"};
    static constexpr SysText kBadFrequency{
        "The frequency on line %1 of the measurement file is not above 0 Hz.",
        "测量文件第 %1 行的频率不大于 0 Hz。"};
    static constexpr SysText kBadLevel{"The level on line %1 of the measurement file lies beyond +-300 dB.",
                                       "测量文件第 %1 行的声压级超出 +-300 dB。"};
    static constexpr SysText kNotRising{
        "The frequency on line %1 of the measurement file does not rise above the line before.",
        "测量文件第 %1 行的频率没有高于前一行。"};

private:
    void Recompute();

    std::vector<Point> m_points;
    std::vector<double> m_logHz; // log2 of each frequency
    std::vector<double> m_power; // 10^(dB/10) of each level
    bool m_hasPhase = false;
    QString m_name;
    Smoothing m_smoothing = Smoothing::Off;
    std::optional<double> m_levelHz = kDefaultLevelHz;
    double m_offsetDb = 0.0;
    std::array<double, kGridPoints> m_curve{};
    int m_first = 0;
    int m_last = -1;
};
