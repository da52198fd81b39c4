// Feeds arbitrary bytes to the setup and all-data loaders: a refused file must leave every block as it
// was, and only a file of the exact size can be taken.
#include "model/KTV_Data.h"
#include "presets/PresetFile.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct Model {
    std::unique_ptr<ModelGlobals> g = std::make_unique<ModelGlobals>();
    std::unique_ptr<CKTV_Data> data;
    Model() {
        ResetModelGlobals(*g);
        data = std::make_unique<CKTV_Data>(*g);
    }
};

bool SameBlocks(const ModelGlobals& a, const ModelGlobals& b) {
    return std::memcmp(a.liveImage.Bytes(), b.liveImage.Bytes(), sizeof a.liveImage) == 0 &&
           std::memcmp(a.presets.data(), b.presets.data(), sizeof a.presets) == 0 &&
           a.systemBlock == b.systemBlock && a.positionDelays == b.positionDelays;
}

void Check(bool allData, QByteArrayView bytes) {
    static Model model;
    static auto before = std::make_unique<ModelGlobals>();
    ResetModelGlobals(*model.g);
    ResetModelGlobals(*before);
    CPresetFile files(*model.g, *model.data);
    const Status status = allData ? files.SerializeAll(bytes) : files.SerializeSetup(bytes);
    const std::size_t expected = allData ? PresetFileFormat::kAllFileSize : PresetFileFormat::kSetupFileSize;
    if (!status.ok() && !SameBlocks(*model.g, *before))
        std::abort();
    if (status.ok() && static_cast<std::size_t>(bytes.size()) != expected)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)ReadArchiveString(bytes);
    Check(false, bytes);
    Check(true, bytes);
    return 0;
}
