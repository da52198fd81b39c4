// Setup files (one parameter image) and all-data files (system block, preset memories, live image,
// position delays): the raw byte formats and a thin file layer over them.
#pragma once

#include "base/Status.h"
#include "base/SysText.h"
#include "model/ModelGlobals.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <optional>

class CKTV_Data;

namespace PresetFileFormat {
inline constexpr char kTag[] = "ORVEN-XT-PRO-1.0"; // compared exactly, case included
inline constexpr std::size_t kTagSize = 17;        // length byte and 16 characters

// Setup file (".dsps"): tag, live image.
inline constexpr std::size_t kSetupImage = kTagSize;
inline constexpr std::size_t kSetupFileSize = kSetupImage + Layout::kImageSize; // 2809

// All-data file (".dspa"): tag, system block, preset memories 0..19, live image, position-delay block.
inline constexpr std::size_t kAllSystem = kTagSize;
inline constexpr std::size_t kAllPresets = kAllSystem + 32;
inline constexpr std::size_t kAllLive = kAllPresets + ModelGlobals::kPresetMemories * Layout::kImageSize;
inline constexpr std::size_t kAllPositions = kAllLive + Layout::kImageSize;
inline constexpr std::size_t kAllFileSize = kAllPositions + 50; // 58731
static_assert(kSetupFileSize == 2809);
static_assert(kAllFileSize == 58731);

inline constexpr char kSetupSuffix[] = "dsps";
inline constexpr char kAllSuffix[] = "dspa";

inline constexpr SysText kSetupLoadError{"error for file!", "文件错误!"};
inline constexpr SysText kAllLoadError{"Read all MusicFile Error", "读所有音乐文件错误!"};
inline constexpr SysText kSetupSaveError{"Save MusicFile Error!", "保存音乐文件错误!"};
inline constexpr SysText kAllSaveError{"save File Error!", "保存文件错误!"};
} // namespace PresetFileFormat

// The length-prefixed string form of the files' tag: one length byte below 255, else 0xFF and a u16 below
// 0xFFFE, else 0xFF, 0xFFFF and a u32.
QByteArray ArchiveString(QByteArrayView text);
// Decodes such a string at the start of bytes; the number of bytes it took goes to consumed. Nothing when
// the bytes end inside it.
std::optional<QByteArray> ReadArchiveString(QByteArrayView bytes, std::size_t* consumed = nullptr);

// Every image that leaves through a file has its marker byte 371 set to 1 (the live image and each preset
// memory are marked as they are saved). Loading checks the tag and the exact size of a complete copy before
// anything live changes, so a damaged file leaves every block as it was.
class CPresetFile {
public:
    CPresetFile(ModelGlobals& globals, CKTV_Data& data) : m_globals(globals), m_data(data) {}

    // Raw serializers. Storing collects the objects into the live image first. Loading takes a whole file's
    // bytes and applies the live image to the objects without touching the effect object.
    QByteArray SerializeSetup();
    Status SerializeSetup(QByteArrayView file);
    QByteArray SerializeAll();
    // Also limits the current listening position to 3.
    Status SerializeAll(QByteArrayView file);

    // Files. Saving goes through a temporary file that replaces the target only when complete. The paths
    // are taken as given (the save dialogs add the extension).
    Status SaveSetupFile(const QString& path);
    Status LoadSetupFile(const QString& path);
    Status SaveAllFile(const QString& path);
    Status LoadAllFile(const QString& path);
    // Whether LoadAllFile would take the file (its size and tag), without changing anything.
    static Status CheckAllFile(const QString& path);

    enum class FileKind { Other, Setup, All };
    // By the text after the last ".", compared exactly: "dsps" or "dspa"; anything else is not loaded.
    static FileKind KindOfPath(const QString& path);

private:
    void CollectForSave();

    ModelGlobals& m_globals;
    CKTV_Data& m_data;
};
