// Sets the simulated device up from a setup or all-data file, as if the box had been tuned that way.
#include "presets/SimFile.h"

#include "presets/PresetFile.h"
#include "sim/SimDevice.h"

#include <QFile>

#include <cstring>

namespace SimFile {

namespace {

using namespace PresetFileFormat;

// The whole file when it has exactly this size and the files' tag; one byte more is read to tell a long file.
std::optional<QByteArray> ReadComplete(const QString& path, std::size_t size) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(static_cast<qint64>(size) + 1);
    if (file.error() != QFileDevice::NoError || static_cast<std::size_t>(bytes.size()) != size)
        return std::nullopt;
    std::size_t consumed = 0;
    const std::optional<QByteArray> tag = ReadArchiveString(bytes, &consumed);
    if (!tag || consumed != kTagSize || *tag != QByteArrayView(kTag))
        return std::nullopt;
    return bytes;
}

void CopyImage(ParamImage& image, const QByteArray& file, std::size_t offset) {
    std::memcpy(image.Bytes(), file.constData() + offset, Layout::kImageSize);
}

} // namespace

Status Load(CSimDevice& device, const QString& path) {
    switch (CPresetFile::KindOfPath(path)) {
    case CPresetFile::FileKind::Setup: {
        const std::optional<QByteArray> file = ReadComplete(path, kSetupFileSize);
        if (!file)
            return Status::Error(kSetupLoadError);
        device.ModifyState([&](SimState& s) { CopyImage(s.live, *file, kSetupImage); });
        return Status::Ok();
    }
    case CPresetFile::FileKind::All: {
        const std::optional<QByteArray> file = ReadComplete(path, kAllFileSize);
        if (!file)
            return Status::Error(kAllLoadError);
        device.ModifyState([&](SimState& s) {
            std::memcpy(s.system.data(), file->constData() + kAllSystem, s.system.size());
            for (std::size_t m = 0; m < s.presets.size(); ++m)
                CopyImage(s.presets[m], *file, kAllPresets + m * Layout::kImageSize);
            CopyImage(s.live, *file, kAllLive);
        });
        return Status::Ok();
    }
    case CPresetFile::FileKind::Other:
        break;
    }
    return Status::Error(kSetupLoadError);
}

} // namespace SimFile
