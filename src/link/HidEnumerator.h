// The present HID devices as hidapi lists them (hidraw backend).
#pragma once

#include "link/DeviceEnumerator.h"

class CHidEnumerator : public CDeviceEnumerator {
protected:
    // Only devices with our vendor and product id are asked for; the release number is left to the
    // matching, since hidapi cannot filter on it.
    std::vector<HidDeviceEntry> List() override;
};
