// Setup files (one parameter image) and all-data files (system block, preset memories, live image,
// position delays): the raw byte formats and a thin file layer over them.
#include "presets/PresetFile.h"

#include "model/KTV_Data.h"
#include "model/SystemSettings.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>

using namespace PresetFileFormat;

namespace {

constexpr std::uint8_t kWideLength = 0xFF;
constexpr std::uint16_t kLongLength = 0xFFFF;
constexpr std::size_t kShortLimit = 0xFF;
constexpr std::size_t kWideLimit = 0xFFFE;

void AppendU16(QByteArray& out, std::uint16_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
}

void AppendBytes(QByteArray& out, const void* data, std::size_t size) {
    out.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
}

const std::uint8_t* At(QByteArrayView file, std::size_t offset) {
    return reinterpret_cast<const std::uint8_t*>(file.data()) + offset;
}

// The file is whole and carries this program's tag.
bool IsComplete(QByteArrayView file, std::size_t expectedSize) {
    if (static_cast<std::size_t>(file.size()) != expectedSize)
        return false;
    std::size_t consumed = 0;
    const std::optional<QByteArray> tag = ReadArchiveString(file, &consumed);
    return tag && consumed == kTagSize && *tag == QByteArrayView(kTag);
}

void MarkSaved(ParamImage& image) {
    image.Bytes()[Layout::kImageMarkerByte] = 1;
}

Status WriteWholeFile(const QString& path, const QByteArray& bytes, const SysText& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::Error(error);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting(); // the target keeps its old contents
        return Status::Error(error);
    }
    return file.commit() ? Status::Ok() : Status::Error(error);
}

// Reads at most one byte more than the format's size: enough to tell a long file from a good one without
// reading an arbitrarily large file.
std::optional<QByteArray> ReadWholeFile(const QString& path, std::size_t expectedSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(static_cast<qint64>(expectedSize) + 1);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace

QByteArray ArchiveString(QByteArrayView text) {
    QByteArray out;
    const auto length = static_cast<std::size_t>(text.size());
    if (length < kShortLimit) {
        out.append(static_cast<char>(length));
    } else if (length < kWideLimit) {
        out.append(static_cast<char>(kWideLength));
        AppendU16(out, static_cast<std::uint16_t>(length));
    } else {
        out.append(static_cast<char>(kWideLength));
        AppendU16(out, kLongLength);
        AppendU16(out, static_cast<std::uint16_t>(length & 0xFFFF));
        AppendU16(out, static_cast<std::uint16_t>(length >> 16));
    }
    out.append(text.data(), text.size());
    return out;
}

std::optional<QByteArray> ReadArchiveString(QByteArrayView bytes, std::size_t* consumed) {
    const auto size = static_cast<std::size_t>(bytes.size());
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t pos = 0;
    if (size < 1)
        return std::nullopt;
    std::size_t length = p[pos++];
    if (length == kWideLength) {
        if (size < pos + 2)
            return std::nullopt;
        length = ReadU16(p + pos);
        pos += 2;
        if (length == kLongLength) {
            if (size < pos + 4)
                return std::nullopt;
            length = ReadU16(p + pos) | (static_cast<std::size_t>(ReadU16(p + pos + 2)) << 16);
            pos += 4;
        }
    }
    if (size - pos < length)
        return std::nullopt;
    if (consumed)
        *consumed = pos + length;
    return QByteArray(bytes.data() + pos, static_cast<qsizetype>(length));
}

void CPresetFile::CollectForSave() {
    // A channel name that does not fit keeps its image bytes; the file still gets the whole setup.
    (void)m_data.CollectAll();
    MarkSaved(m_globals.liveImage);
}

QByteArray CPresetFile::SerializeSetup() {
    QByteArray out = ArchiveString(kTag);
    CollectForSave();
    AppendBytes(out, m_globals.liveImage.Bytes(), Layout::kImageSize);
    return out;
}

Status CPresetFile::SerializeSetup(QByteArrayView file) {
    if (!IsComplete(file, kSetupFileSize))
        return Status::Error(kSetupLoadError);
    std::memcpy(m_globals.liveImage.Bytes(), At(file, kSetupImage), Layout::kImageSize);
    m_data.ApplyAll(m_globals.liveImage, CKTV_Data::kApplyFromFile);
    return Status::Ok();
}

QByteArray CPresetFile::SerializeAll() {
    QByteArray out = ArchiveString(kTag);
    out.reserve(static_cast<qsizetype>(kAllFileSize));
    AppendBytes(out, m_globals.systemBlock.data(), m_globals.systemBlock.size());
    for (ParamImage& preset : m_globals.presets) {
        MarkSaved(preset);
        AppendBytes(out, preset.Bytes(), Layout::kImageSize);
    }
    CollectForSave();
    AppendBytes(out, m_globals.liveImage.Bytes(), Layout::kImageSize);
    AppendBytes(out, m_globals.positionDelays.data(), m_globals.positionDelays.size());
    return out;
}

Status CPresetFile::SerializeAll(QByteArrayView file) {
    if (!IsComplete(file, kAllFileSize))
        return Status::Error(kAllLoadError);
    std::memcpy(m_globals.systemBlock.data(), At(file, kAllSystem), m_globals.systemBlock.size());
    for (std::size_t m = 0; m < m_globals.presets.size(); ++m)
        std::memcpy(m_globals.presets[m].Bytes(), At(file, kAllPresets + m * Layout::kImageSize),
                    Layout::kImageSize);
    std::memcpy(m_globals.liveImage.Bytes(), At(file, kAllLive), Layout::kImageSize);
    std::memcpy(m_globals.positionDelays.data(), At(file, kAllPositions), m_globals.positionDelays.size());
    m_data.ApplyAll(m_globals.liveImage, CKTV_Data::kApplyFromFile);
    CSystemSettings(m_globals).LimitCurrentPosition();
    return Status::Ok();
}

Status CPresetFile::SaveSetupFile(const QString& path) {
    return WriteWholeFile(path, SerializeSetup(), kSetupSaveError);
}

Status CPresetFile::LoadSetupFile(const QString& path) {
    const std::optional<QByteArray> bytes = ReadWholeFile(path, kSetupFileSize);
    if (!bytes)
        return Status::Error(kSetupLoadError);
    return SerializeSetup(QByteArrayView(*bytes));
}

Status CPresetFile::SaveAllFile(const QString& path) {
    return WriteWholeFile(path, SerializeAll(), kAllSaveError);
}

Status CPresetFile::LoadAllFile(const QString& path) {
    const std::optional<QByteArray> bytes = ReadWholeFile(path, kAllFileSize);
    if (!bytes)
        return Status::Error(kAllLoadError);
    return SerializeAll(QByteArrayView(*bytes));
}

Status CPresetFile::CheckAllFile(const QString& path) {
    const std::optional<QByteArray> bytes = ReadWholeFile(path, kAllFileSize);
    if (!bytes || !IsComplete(QByteArrayView(*bytes), kAllFileSize))
        return Status::Error(kAllLoadError);
    return Status::Ok();
}

CPresetFile::FileKind CPresetFile::KindOfPath(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return FileKind::Other;
    const QStringView suffix = QStringView(path).mid(dot + 1);
    if (suffix == QLatin1String(kSetupSuffix))
        return FileKind::Setup;
    if (suffix == QLatin1String(kAllSuffix))
        return FileKind::All;
    return FileKind::Other;
}
