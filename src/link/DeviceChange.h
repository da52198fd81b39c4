// What a HID arrival or removal means for the link: connect to the new device, close the link, or nothing.
#pragma once

#include "link/DeviceIdentity.h"

#include <array>
#include <optional>
#include <string>

class CClaimList;

enum class DeviceAction { Arrival, Removal, Other };

// One hidraw event. ids are read from the parent USB device on arrival; on removal the parents are gone,
// so they are what was recorded for the node at its arrival (or nothing).
struct DeviceEvent {
    DeviceAction action = DeviceAction::Other;
    std::string devnode;
    std::optional<DeviceIds> ids;
    // The node's device in sysfs ("/sys/devices/.../0003:0483:5750.0002/hidraw/hidraw0"): unlike the node
    // name, which a box that re-enumerates often gets again, it names one appearance of the device.
    std::string syspath;
};

// The link as the controller sees it when the event comes in.
struct LinkSnapshot {
    bool linkOpen = false;
    std::string currentPath;    // kept after closing; removals are matched against it
    int firmwareStage = 0;      // code of the firmware frame last written while an update runs; 0 otherwise
    std::string currentSyspath; // sysfs path of the open node when it was opened; empty when unknown
};

enum class DeviceDecision { Ignore, Connect, CloseLink };

// The box restarts after these firmware stages and comes back as a new device: its removal then is
// expected, and the firmware update reopens it by itself.
inline constexpr std::array<int, 2> kReenumeratingStages{176, 255};

bool IsReenumeratingStage(int stage);

// Arrival while the link is closed: connect when the device is ours and no other running instance has
// claimed its path. Removal of the current path (any letter case) while the link is open: close, except
// during the re-enumerating firmware stages, and except when the removal names another appearance of the
// device than the one open (udev can tell of the old node's removal only after the box came back under the
// same name and was opened again). Everything else is ignored, arrivals during those stages too
// (the firmware update owns the link then).
DeviceDecision DecideDeviceChange(const DeviceEvent& event, const LinkSnapshot& link,
                                  const CClaimList& claims);
