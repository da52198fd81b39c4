// The list of present HID devices, behind an interface so that device matching runs on a made-up list.
#pragma once

#include "link/DeviceIdentity.h"

#include <optional>
#include <string>
#include <vector>

struct HidDeviceEntry {
    std::string path; // what the transport opens: the hidraw node, e.g. "/dev/hidraw3"
    DeviceIds ids;
};

class CDeviceEnumerator {
public:
    virtual ~CDeviceEnumerator() = default;

    // Present devices, one entry per path, in the order the system lists them.
    std::vector<HidDeviceEntry> Devices();

    // The first present device that is ours, in enumeration order.
    std::optional<std::string> FirstMatchingPath();

    // One entry per path, first occurrence kept: the system lists an interface once per top-level usage.
    static std::vector<HidDeviceEntry> OnePerPath(std::vector<HidDeviceEntry> entries);
    static std::optional<std::string> FirstMatchingPath(const std::vector<HidDeviceEntry>& entries);

protected:
    // Raw listing; may name a path more than once.
    virtual std::vector<HidDeviceEntry> List() = 0;
};
