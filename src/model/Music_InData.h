// Input record B of the parameter image (device block type 2, index 2), carried without an editor.
#pragma once

#include "model/InputRecord.h"

class CMusic_InData : public CInputRecord {
public:
    static constexpr int kBlockType = 2;
    static constexpr int kBlockIndex = 2;
    // Forced to 1 in every image saved to a file and whenever the live record goes into a stored preset.
    static constexpr std::size_t kMarkerByte = Layout::kInputBMarker;

    CMusic_InData() : CInputRecord(offsetof(ParamImage, inputB)) {}
};
