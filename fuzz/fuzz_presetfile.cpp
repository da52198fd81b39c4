// Feeds arbitrary bytes to the setup and all-data loaders. A refused file must leave every block and every
// channel object as it was; only a file of the exact size can be taken, and a taken file's blocks are its
// bytes. Whatever a taken file held, saving and loading again reaches a fixed point: the second save writes
// exactly what the first one did.
#include "Require.h"
#include "model/KTV_Data.h"
#include "model/SystemSettings.h"
#include "model/TavelDoc.h"
#include "presets/PresetFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct Model {
    CTavelDoc doc;
    ModelGlobals* g = &doc.Globals();
    CKTV_Data* data = &doc.Data();
};

// Every block a loader could touch, and what the channel objects would collect, without changing anything.
struct Snapshot {
    std::unique_ptr<ModelGlobals> blocks = std::make_unique<ModelGlobals>();
    ParamImage collected{};

    static Snapshot Of(Model& m) {
        Snapshot s;
        ModelGlobals& g = *m.g;
        s.blocks->liveImage = g.liveImage;
        s.blocks->presets = g.presets;
        s.blocks->effectRecords = g.effectRecords;
        s.blocks->systemBlock = g.systemBlock;
        s.blocks->sourceVolumes = g.sourceVolumes;
        s.blocks->positionDelays = g.positionDelays;
        s.blocks->deviceId = g.deviceId;
        s.blocks->currentPreset = g.currentPreset;
        const ParamImage live = g.liveImage;
        (void)m.data->CollectAll();
        s.collected = g.liveImage;
        g.liveImage = live;
        return s;
    }

    bool operator==(const Snapshot& o) const {
        const ModelGlobals& a = *blocks;
        const ModelGlobals& b = *o.blocks;
        return std::memcmp(&a.liveImage, &b.liveImage, sizeof a.liveImage) == 0 &&
               std::memcmp(a.presets.data(), b.presets.data(), sizeof a.presets) == 0 &&
               a.effectRecords == b.effectRecords && a.systemBlock == b.systemBlock &&
               a.sourceVolumes == b.sourceVolumes && a.positionDelays == b.positionDelays &&
               a.deviceId == b.deviceId && a.currentPreset == b.currentPreset &&
               std::memcmp(&collected, &o.collected, sizeof collected) == 0;
    }
};

bool SameBytes(const void* block, QByteArrayView file, std::size_t at, std::size_t size) {
    return std::memcmp(block, file.data() + at, size) == 0;
}

// The live image a taken file leaves: its bytes, but for the crossover limits of channels 0..5, whose
// frequencies count as signed words (high-pass at most 20000 Hz, low-pass at least 20 Hz).
bool IsTakenImage(const ParamImage& live, QByteArrayView file, std::size_t at) {
    ParamImage expected;
    std::memcpy(expected.Bytes(), file.data() + at, Layout::kImageSize);
    for (int c = 0; c < 6; ++c) {
        OutputBlock& o = expected.outputs[c];
        if (static_cast<std::int16_t>(o.highPass.freq) > 20000)
            o.highPass.freq = 20000;
        if (static_cast<std::int16_t>(o.lowPass.freq) < 20)
            o.lowPass.freq = 20;
    }
    return std::memcmp(&live, &expected, sizeof live) == 0;
}

void Check(bool allData, QByteArrayView bytes) {
    using namespace PresetFileFormat;
    // The channel objects are costly to build and to set: every block is reset for each input, the objects
    // only after a file was taken.
    static Model model;
    static bool objectsChanged = false;
    ResetModelGlobals(*model.g);
    if (objectsChanged)
        model.data->ApplyAll(model.g->liveImage, 0);
    objectsChanged = false;
    const Snapshot before = Snapshot::Of(model);

    CPresetFile files(*model.g, *model.data);
    const Status status = allData ? files.SerializeAll(bytes) : files.SerializeSetup(bytes);
    const std::size_t expected = allData ? kAllFileSize : kSetupFileSize;
    if (!status.ok()) {
        Require(Snapshot::Of(model) == before, "a refused file changes nothing");
        return;
    }
    objectsChanged = true;
    Require(static_cast<std::size_t>(bytes.size()) == expected, "only a file of the exact size is taken");

    const ModelGlobals& g = *model.g;
    if (allData) {
        Require(SameBytes(g.systemBlock.data(), bytes, kAllSystem, g.systemBlock.size()), "system block");
        Require(SameBytes(g.presets.data(), bytes, kAllPresets, sizeof g.presets), "preset memories");
        Require(IsTakenImage(g.liveImage, bytes, kAllLive), "live image");
        std::array<std::uint8_t, 50> positions{};
        std::memcpy(positions.data(), bytes.data() + kAllPositions, positions.size());
        positions[SystemLayout::kCurrentPosition] =
            std::min<std::uint8_t>(positions[SystemLayout::kCurrentPosition], SystemLayout::kMaxPosition);
        Require(g.positionDelays == positions, "position delays, the current position limited");
    } else {
        Require(IsTakenImage(g.liveImage, bytes, kSetupImage), "live image");
    }

    // Save, load what was saved, save again: the objects take back exactly what they wrote.
    const QByteArray first = allData ? files.SerializeAll() : files.SerializeSetup();
    Require(static_cast<std::size_t>(first.size()) == expected, "a saved file has the exact size");
    const Status again = allData ? files.SerializeAll(first) : files.SerializeSetup(first);
    Require(again.ok(), "a saved file loads");
    const QByteArray second = allData ? files.SerializeAll() : files.SerializeSetup();
    if (first != second) {
        for (qsizetype i = 0; i < first.size(); ++i)
            if (first[i] != second[i]) {
                std::fprintf(stderr, "first difference at file byte %lld: %02x, then %02x\n",
                             static_cast<long long>(i), static_cast<unsigned char>(first[i]),
                             static_cast<unsigned char>(second[i]));
                break;
            }
        Fail("load and save reach a fixed point");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)ReadArchiveString(bytes);
    Check(false, bytes);
    Check(true, bytes);
    return 0;
}
