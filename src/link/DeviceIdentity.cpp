// Identity of the DSP box on USB: parsing the ids as sysfs writes them.
#include "link/DeviceIdentity.h"

#include <charconv>

namespace {

std::optional<std::uint16_t> ParseHex16(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    std::uint16_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<DeviceIds> ParseUsbIds(std::string_view vendor, std::string_view product,
                                     std::string_view release) {
    const auto v = ParseHex16(vendor);
    const auto p = ParseHex16(product);
    const auto r = ParseHex16(release);
    if (!v || !p || !r)
        return std::nullopt;
    return DeviceIds{*v, *p, *r};
}
