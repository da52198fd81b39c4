// Time alignment from speaker distances: the delay of each channel that makes every speaker's sound reach
// the listening position at the same moment.
#pragma once

#include "base/DataDefine.h"
#include "base/SysText.h"

#include <QString>
#include <QStringList>

#include <span>
#include <vector>

class CModelEditor;
class CKTV_Data;

// One speaker: its channel 0..7 and its distance to the listening position.
struct SpeakerDistance {
    int channel = 0;
    double metres = 0.0;
};

struct AlignedChannel {
    int channel = 0;
    double metres = 0.0;
    int samples = 0;     // the delay at 48 kHz
    int oldSamples = -1; // the channel's delay before, once applied
};

struct TimeAlignmentPlan {
    enum class Refusal { None, NoSpeaker, BadChannel, Twice, BadDistance, TooWide };

    std::vector<AlignedChannel> channels; // in the order given; empty when refused
    Refusal refusal = Refusal::None;
    int refusedChannel = -1;         // the channel a refusal names
    int nearest = -1, farthest = -1; // channels of the widest spread
    double spreadMetres = 0.0;
    int spreadSamples = 0;
    int temperature = kDefaultAirTemperature;

    bool Ok() const { return refusal == Refusal::None; }
};

// The farthest speaker gets no delay; every other one the time sound takes over the difference, at the
// speed of sound with which the delay editors take a distance, to the nearest sample at 48 kHz. A channel
// delay holds at most 960 samples (20 ms): a wider spread is refused and nothing changes. Delays are per
// channel: a linked channel keeps its own.
class CTimeAlignment {
public:
    enum class Unit { Cm, Inch }; // how the report gives distances

    static TimeAlignmentPlan Plan(std::span<const SpeakerDistance> speakers,
                                  int temperature = kDefaultAirTemperature);
    // Plans and, when the plan holds, sets each channel's delay through the editor.
    static TimeAlignmentPlan Align(CModelEditor& editor, const CKTV_Data& data,
                                   std::span<const SpeakerDistance> speakers,
                                   int temperature = kDefaultAirTemperature);
    // One line per channel ("CH2: 190.0 cm, delay 30 samples = 0.625 ms (21.6 cm of travel)"), or the
    // refusal.
    static QStringList Report(const TimeAlignmentPlan& plan, Unit unit, int language);
    static QString RefusalText(const TimeAlignmentPlan& plan, Unit unit, int language);

    static double Metres(double distance, Unit unit);
    static double InUnit(double metres, Unit unit);

    static constexpr SysText kNoSpeaker{"No speaker distance given: nothing changed",
                                        "未给出扬声器距离：未作任何更改"};
    static constexpr SysText kBadChannel{"CH%1 does not exist: nothing changed", "CH%1 不存在：未作任何更改"};
    static constexpr SysText kTwice{"CH%1 is given twice: nothing changed", "CH%1 重复给出：未作任何更改"};
    static constexpr SysText kBadDistance{"The distance of CH%1 is no length of 0 or more: nothing changed",
                                          "CH%1 的距离不是 0 或更大的长度：未作任何更改"};
    static constexpr SysText kTooWide{
        "The speakers' distances differ by %1 (CH%2 to CH%3): %4 samples (%5 ms) of delay, more than the 960 "
        "samples (20 ms) a channel holds: nothing changed",
        "扬声器距离相差 %1（CH%2 至 CH%3）：需延时 %4 个采样（%5 毫秒），超过通道可容纳的 960 个采样（20 "
        "毫秒）：未作任何更改"};
};
