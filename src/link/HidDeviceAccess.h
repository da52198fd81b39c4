// Access to the box over USB HID: the first present box, or the one a device arrival announced.
#pragma once

#include "link/DeviceAccess.h"

#include <string>

class CHidTransport;

// Opening claims the path for this instance (and refuses one another running instance has claimed);
// closing gives the claim up.
class CHidDeviceAccess : public CDeviceAccess {
public:
    explicit CHidDeviceAccess(std::unique_ptr<CHidTransport> transport);
    ~CHidDeviceAccess() override;

    bool OpenFirstDevice() override;
    bool OpenDevicePath(const std::string& path) override;
    void CloseDevice() override;

    CHidTransport& Hid() const { return m_hid; }

    // The sysfs path of the device behind a character device node ("/dev/hidraw0" ->
    // "/sys/devices/.../hidraw/hidraw0"), as udev reports it; empty when the node is not there.
    static std::string NodeInstance(const std::string& devnode);

private:
    CHidTransport& m_hid;
};
