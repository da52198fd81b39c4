// Input record A of the parameter image (device block type 1, index 0), carried without an editor.
#pragma once

#include "model/InputRecord.h"

class CMIC_InData : public CInputRecord {
public:
    static constexpr int kBlockType = 1;
    static constexpr int kBlockIndex = 0;

    CMIC_InData() : CInputRecord(offsetof(ParamImage, inputA)) {}
};
