// The list of present HID devices and the choice of the first one that is ours.
#include "link/DeviceEnumerator.h"

#include <algorithm>

std::vector<HidDeviceEntry> CDeviceEnumerator::Devices() {
    return OnePerPath(List());
}

std::optional<std::string> CDeviceEnumerator::FirstMatchingPath() {
    return FirstMatchingPath(Devices());
}

std::vector<HidDeviceEntry> CDeviceEnumerator::OnePerPath(std::vector<HidDeviceEntry> entries) {
    std::vector<HidDeviceEntry> unique;
    unique.reserve(entries.size());
    for (auto& entry : entries) {
        const bool seen = std::any_of(unique.begin(), unique.end(),
                                      [&](const HidDeviceEntry& kept) { return kept.path == entry.path; });
        if (!seen)
            unique.push_back(std::move(entry));
    }
    return unique;
}

std::optional<std::string> CDeviceEnumerator::FirstMatchingPath(const std::vector<HidDeviceEntry>& entries) {
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [](const HidDeviceEntry& entry) { return IsOurDevice(entry.ids); });
    if (it == entries.end())
        return std::nullopt;
    return it->path;
}
