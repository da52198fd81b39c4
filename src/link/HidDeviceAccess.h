// Access to the box over USB HID: the first present box, or the one a device arrival announced.
#pragma once

#include "link/DeviceAccess.h"

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

private:
    CHidTransport& m_hid;
};
