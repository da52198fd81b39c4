// Filter texts in and out of a channel's EQ bands: equaliser configuration lines ("Filter 1: ON PK Fc
// 1000 Hz Gain -3.0 dB Q 1.41", "Preamp: -6 dB"), as headphone-correction sets and room-measurement
// exports for a generic equaliser write them.
#pragma once

#include "base/DataDefine.h"
#include "base/Status.h"
#include "base/SysText.h"
#include "control/ModelEditor.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

class CKTV_OutData;

// One remark of a reading about one line of the text; line 0 speaks of the text as a whole.
struct FilterTextNote {
    enum class Kind {
        Placed,  // a filter on its band, with the values the band takes
        Rounded, // a value moved to the band's step
        Clamped, // a value limited to the band's range
        Dropped, // a line or filter not taken
        Mapped,  // a value the band expresses differently (shelf slope and frequency, a corner frequency)
        Ignored, // a command that means nothing to a channel's bands
        Summary,
    };
    int line = 0;
    Kind kind = Kind::Summary;
    SysText text; // %1, %2, ... stand for the arguments
    QStringList args;

    QString In(int language) const;
};

// What a filter text asks of a channel and what of it the channel's 31 bands hold.
struct FilterTextReading {
    std::array<BandSetting, Layout::kBands> bands{}; // every band after the reading; unused ones flat
    int placed = 0;                                  // filters on bands
    std::optional<double> preampDb;                  // the text's preamp (the sum of its Preamp lines)
    std::optional<int> gainCode;                     // the channel gain code it becomes
    std::vector<FilterTextNote> notes;               // in the order of the lines

    // Curves on the response grid, dB. `asked`: the text's filters that are on (those no band takes
    // included) as cookbook biquads at 48 kHz, plus the preamp; `result`: the bands (plus the channel gain)
    // through the channel's own response code, as the graph draws them; `bandsAsStandard`: the bands'
    // values as cookbook biquads at 48 kHz (plus the channel gain), which leaves only what the rounding of
    // the values costs. The preamp and gain take part only when the text has a preamp.
    std::array<double, kGridPoints> asked{};
    std::array<double, kGridPoints> result{};
    std::array<double, kGridPoints> bandsAsStandard{};
    double largestDifferenceDb = 0.0;  // max |asked - result| over the grid
    double largestDifferenceHz = 0.0;  // where it is
    double roundingDifferenceDb = 0.0; // max |asked - bandsAsStandard|
    double roundingDifferenceHz = 0.0;

    bool Usable() const { return placed > 0; }
};

// The reading maps up to 31 peak and shelf filters that are switched on onto the bands: by their filter
// numbers when each has its own number 1..31, else in the order of the text. Frequencies go to whole
// hertz within 20..20000, gains to 0.1 dB within +-20 dB, Q to the nearest bandwidth index (a bandwidth in
// octaves to the nearest index directly); a shelf takes the band slope (6 or 12 dB/Oct) nearest to its
// slope parameter and the band frequency that puts the drawn shelf's centre where the text's is. A filter
// switched off is dropped: a bypassed band holds no gain on the device or in a file. A negative preamp
// becomes the channel gain in whole dB, rounded down so that the headroom is never less than asked.
class CFilterText {
public:
    static constexpr double kTextSampleRate = 48000.0; // the rate the text's filters are evaluated at

    // Reads a text and maps it; nothing changes anywhere.
    static FilterTextReading Read(const QString& text);

    // Reads the text and sets the result on `channel` (and its linked channels) through the editor: the
    // bands, and the channel gain when the text has a preamp. Refused with a text, nothing changed, when the
    // text has no filter a band can take or the channel is in graphic EQ mode. `reading` (optional) gets
    // the reading with the notes about the channel added.
    static Status Import(CModelEditor& editor, const CKTV_OutData& channel, const QString& text,
                         FilterTextReading* reading = nullptr);

    // The channel's active bands as configuration lines numbered by band ("Filter 3: ON PK Fc 1000 Hz Gain
    // -3.0 dB Q 1.414"; shelves as LSC and HSC with the centre frequency and Q of the curve drawn), after a
    // "Preamp:" line for a channel gain other than 0 dB. Reading the text back gives the same bands.
    static QString Export(const CKTV_OutData& channel);

    // The reading for a person: one line per note ("line 3: ..."), then the largest differences.
    static QStringList Report(const FilterTextReading& reading, int language);

    static constexpr SysText kNothingUsable{"The text has no filter an EQ band can take: nothing changed",
                                            "文本中没有均衡频段可用的滤波器：未作任何更改"};
    static constexpr SysText kGraphicMode{
        "The channel is in graphic EQ mode, whose band frequencies and bandwidths are fixed: nothing changed",
        "该通道处于图示均衡模式，频段的频率和带宽固定：未作任何更改"};
};
