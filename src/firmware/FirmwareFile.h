// A firmware file chosen by the user: its kind, its bytes, its check byte and the number of update frames.
#pragma once

#include "base/Status.h"
#include "base/SysText.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class CSettingsStore;

// What loading a file gives the caller to show: a notice first (the controller-file warning), then the
// outcome.
struct FirmwareLoad {
    Status status;
    std::optional<SysText> notice;
};

// The firmware path is the settings store's firmware file; the store also keeps the file dialog's start
// pattern. The file's contents are passed to the device unchanged.
class CFirmwareFile {
public:
    enum class Kind { None, Dsp, Controller };

    static constexpr SysText kHexFileError{"Hex File error!", "固件文件错误!"};
    static constexpr SysText kFileTypeError{"升级文件类型错误！", "升级文件类型错误！"};
    static constexpr SysText kControllerNotice{
        "          手控器升级之前请断开蓝牙、退出U盘，\n    并且升级过程中请勿触碰任何设备防止断电！！！",
        "          手控器升级之前请断开蓝牙、退出U盘，\n    并且升级过程中请勿触碰任何设备防止断电！！！"};

    // Extensions compared case-sensitively with the text after the last '.' of the path.
    static constexpr char kDspExtension[] = "MVA";
    static constexpr char kControllerExtension[] = "contr";
    static constexpr int kExtraFrames = 6; // frame count = size / block size + 6
    static constexpr std::uint8_t kCheckSeed = 0x12;
    static constexpr std::size_t kDspHeadSize = 4; // leading DSP bytes the check byte leaves out

    explicit CFirmwareFile(CSettingsStore& store);

    // The user chose `path` in the file dialog: it becomes the firmware path, the data folder pattern is
    // taken from the current directory, and both are saved.
    void BrowseFirmware(const QString& path);
    // Loads the file named by the firmware path. A file that cannot be read clears the firmware path and
    // fails with the hex-file error; another extension or an empty file fails with the file-type error. A
    // failure leaves nothing loaded.
    FirmwareLoad LoadFirmware();

    QString Path() const;
    Kind Loaded() const { return m_kind; }
    bool DspLoaded() const { return m_kind == Kind::Dsp; }
    bool ControllerLoaded() const { return m_kind == Kind::Controller; }
    const std::vector<std::uint8_t>& DspData() const { return m_dsp; }
    const std::vector<std::uint8_t>& ControllerData() const { return m_controller; }
    // DSP file: 0x12 XOR every byte from offset 4 on. Controller file: 0x12 XOR every byte.
    std::uint8_t CheckByte() const { return m_check; }
    // The range of the update's progress bar; 0 while nothing is loaded.
    int FrameCount() const { return m_frameCount; }

private:
    void Forget();

    CSettingsStore& m_store;
    Kind m_kind = Kind::None;
    std::vector<std::uint8_t> m_dsp;
    std::vector<std::uint8_t> m_controller;
    std::uint8_t m_check = 0;
    int m_frameCount = 0;
};
