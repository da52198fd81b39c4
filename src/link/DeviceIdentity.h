// Identity of the DSP box on USB: vendor id, product id and release number, all three required.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

struct DeviceIds {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t release = 0; // bcdDevice

    bool operator==(const DeviceIds&) const = default;
};

inline constexpr DeviceIds kDeviceIds{0x0483, 0x5750, 0x0200};

// A box with another release number speaks another protocol and is left alone.
constexpr bool IsOurDevice(const DeviceIds& ids) {
    return ids == kDeviceIds;
}

// Reads the ids as sysfs gives them for a USB device: four hex digits each ("0483", "5750", "0200").
// Anything that is not a 16-bit hex number makes the whole identity unreadable.
std::optional<DeviceIds> ParseUsbIds(std::string_view vendor, std::string_view product,
                                     std::string_view release);
