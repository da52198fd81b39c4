// The process-wide state of the model: live image, preset memories, system blocks, link groups and flags.
#pragma once

#include "model/ParamImage.h"

#include <array>
#include <atomic>
#include <cstdint>

class CKTV_OutData;

// The application owns one instance and hands it down; every test builds its own. ResetModelGlobals puts it
// back to the start-up values.
struct ModelGlobals {
    static constexpr int kPresetMemories = 20; // memory k holds device preset k + 1
    static constexpr int kEffectRecords = 20;  // record r holds device effect number 21 + r
    static constexpr int kEffectRecordSize = 168;

    ParamImage liveImage{};
    std::array<ParamImage, kPresetMemories> presets{};
    std::array<std::array<std::uint8_t, kEffectRecordSize>, kEffectRecords> effectRecords{};

    std::array<std::uint8_t, 32> systemBlock{};    // source, master volume, gate, switches, speaker types
    std::array<std::uint8_t, 8> sourceVolumes{};   // five groups, then three bytes carried in message 48
    std::array<std::uint8_t, 50> positionDelays{}; // four positions x six i16, current position, carried byte
    std::array<std::uint8_t, 17> deviceId{};       // reply to sub-code 136
    int currentPreset = 0;                         // device preset last loaded (sub-code 64)

    std::array<int, Layout::kChannels> g_linkGroup{0, 1, 2, 3, 4, 5, 6, 7};
    std::array<CKTV_OutData*, Layout::kChannels> g_channelObj{};
    int g_currentChannel = 0;

    // Shared with the I/O worker: written on the UI thread, read (and the pending flag cleared) there.
    std::atomic<int> connected{0};     // 1 once the device image has been read and applied
    std::atomic<int> systemPending{0}; // system block (message 144) awaits sending
    std::atomic<int> language{0};      // 0 English, 1 Chinese

    ParamImage& Preset(int devicePreset) { return presets[static_cast<std::size_t>(devicePreset - 1)]; }
};

// The output block that the live image holds in all eight channels at start-up.
OutputBlock FactoryOutputBlock();

// Start-up values of every block (the live image with its carried records and factory outputs, preset
// memories, effect records, system, source-volume and position-delay blocks, current preset, system mark).
// Link groups, channel objects and the connected and language flags are left as they are: the document and
// the locale own them.
void ResetModelGlobals(ModelGlobals& globals);
