// The object model of one setup: effect record, input records A and B and the eight output channels.
#pragma once

#include "base/Status.h"
#include "model/Effect_Data.h"
#include "model/KTV_OutData.h"
#include "model/MIC_InData.h"
#include "model/ModelGlobals.h"
#include "model/Music_InData.h"

#include <array>
#include <memory>

class CKTV_Data {
public:
    // ApplyAll modes that also take the effect record: the working setup (0) and device preset 6. Files
    // load with kApplyFromFile and so never change the effect object.
    static constexpr int kApplyFromFile = -1;

    // Builds the channels over the process-wide state: fills g_channelObj, puts every channel in a link
    // group of its own and hands every filter the connected flag.
    explicit CKTV_Data(ModelGlobals& globals);
    ~CKTV_Data();
    CKTV_Data(const CKTV_Data&) = delete;
    CKTV_Data& operator=(const CKTV_Data&) = delete;

    // Effect record, input A, input B, channels 0..7 into the live image; nothing is sent. Every record is
    // collected; the first channel name that did not fit is reported.
    Status CollectAll();
    // Reads a whole image into the objects. Before channels 0..5 are applied their crossover frequencies are
    // corrected in the image itself (high-pass at most 20000 Hz, low-pass at least 20 Hz).
    void ApplyAll(ParamImage& image, int mode);
    void ClearPending(int value);

    CEffect_Data& Effect() { return m_effect; }
    const CEffect_Data& Effect() const { return m_effect; }
    CMIC_InData& InputA() { return m_inputA; }
    const CMIC_InData& InputA() const { return m_inputA; }
    CMusic_InData& InputB() { return m_inputB; }
    const CMusic_InData& InputB() const { return m_inputB; }
    CKTV_OutData& Channel(int c) { return *m_channels[static_cast<std::size_t>(c)]; }
    const CKTV_OutData& Channel(int c) const { return *m_channels[static_cast<std::size_t>(c)]; }
    ModelGlobals& Globals() { return m_globals; }

private:
    ModelGlobals& m_globals;
    CEffect_Data m_effect;
    CMIC_InData m_inputA;
    CMusic_InData m_inputB;
    std::array<std::unique_ptr<CKTV_OutData>, Layout::kChannels> m_channels;
};
