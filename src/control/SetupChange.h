// What an edit changed between two setups, in words for the Undo and Redo items.
#pragma once

#include "control/ModelEditor.h"

#include <QString>

// One value of one channel that differs, or a summary when many do. The channel numbers in the texts are
// the user's (CH1..CH8).
class CSetupChange {
public:
    // language 0 English, 1 Chinese. "CH2 band 5 gain +3.0 dB → −2.0 dB" when a single value of a single
    // channel (and its linked copies) changed; "CH2 band 5 1000 Hz +3.0 dB → 1250 Hz −2.0 dB" for a dragged
    // handle; otherwise what changed, by channel ("CH1, CH2 delay", "CH3 EQ: 4 bands", "CH1 + CH2 linked").
    // Empty when nothing differs.
    static QString Describe(const SetupState& before, const SetupState& after, int language);

    // The band 0..30 when nothing but that one band differs (on one channel or on it and its linked
    // copies), else -1; `channel` gets the lowest changed channel. Lets a burst of wheel steps merge.
    static int SingleBand(const SetupState& before, const SetupState& after, int* channel);
};
