// Start-up values of the process-wide model state.
#include "model/ModelGlobals.h"

#include "base/DataDefine.h"
#include "model/SystemSettings.h"

#include <algorithm>

namespace {

// Band slots of the carried records that start out as flat 1000 Hz peaks.
constexpr int kInputBandSlots = 9;
constexpr int kEffectBandSlots = 8;
constexpr std::uint16_t kFlatBandFreq = 1000;
constexpr std::uint16_t kBypassedGainField = 600;
constexpr std::uint8_t kSourceVolumeStart = 50;
constexpr std::uint16_t kLevelStart = 200;
constexpr std::uint8_t kMixFirstInput = 100;

void FillFlatBands(std::uint8_t* region, int count) {
    const BandRecord flat{kFlatBandFreq, kBypassedGainField, 0, 0, 0};
    for (int k = 0; k < count; ++k)
        std::memcpy(region + Layout::kSliceSize * static_cast<std::size_t>(k), &flat, sizeof flat);
}

} // namespace

OutputBlock FactoryOutputBlock() {
    OutputBlock block{};
    for (int k = 0; k < Layout::kBands; ++k) {
        BandRecord& band = block.bands[k];
        band.freq = static_cast<std::uint16_t>(kFactoryBandFreqs[static_cast<std::size_t>(k)]);
        band.gain = kBypassedGainField;
        band.qIndex = 15; // 0.20 octave
        band.slope = 0;
        band.kind = 0;
    }
    block.outputOn = 1;
    block.polarity = 0;
    block.gainCode = 60; // 0 dB
    block.delay = 0;
    block.eqMode = 0;
    block.auxByte = 0;
    block.highPass = XoverRecord{20, 2, 2};
    block.lowPass = XoverRecord{20000, 2, 2};
    block.mix[0] = kMixFirstInput;
    block.limThreshold = 360; // +6.0 dBu
    block.limAttack = 106;    // 100 ms
    block.limRelease = 5;
    std::fill(block.name, block.name + 6, static_cast<std::uint8_t>(' '));
    return block;
}

void ResetModelGlobals(ModelGlobals& g) {
    g.liveImage = ParamImage{};
    FillFlatBands(g.liveImage.inputA, kInputBandSlots);
    FillFlatBands(g.liveImage.inputB, kInputBandSlots);
    FillFlatBands(g.liveImage.effect, kEffectBandSlots);
    const OutputBlock factory = FactoryOutputBlock();
    for (OutputBlock& block : g.liveImage.outputs)
        block = factory;

    // An empty preset memory: a blank 15-character name with its terminator, a blank second text.
    for (ParamImage& preset : g.presets) {
        preset = ParamImage{};
        std::fill(preset.name, preset.name + 15, static_cast<std::uint8_t>(' '));
        std::fill(std::begin(preset.secondText), std::end(preset.secondText), static_cast<std::uint8_t>(' '));
    }
    for (auto& record : g.effectRecords)
        record.fill(0);

    g.positionDelays.fill(0);
    g.currentPreset = 0;

    using namespace SystemLayout;
    g.systemBlock.fill(0);
    g.systemBlock[kSource] = 0;
    WriteU16(&g.systemBlock[kMasterVolume], kMaxMasterVolume);
    g.systemBlock[kNoiseGate] = 0;
    g.systemBlock[kMasterOutput] = 1;
    g.systemBlock[kOptionFlag] = 0;
    std::copy(kDefaultSpeakerTypes.begin(), kDefaultSpeakerTypes.end(), &g.systemBlock[kSpeakerTypeBytes]);
    for (int i = 0; i < kLevelCount; ++i)
        WriteU16(&g.systemBlock[kLevels + 2 * static_cast<std::size_t>(i)], kLevelStart);

    g.sourceVolumes.fill(0);
    std::fill(g.sourceVolumes.begin(), g.sourceVolumes.begin() + kVolumeGroups, kSourceVolumeStart);

    g.systemPending.store(0);
}
