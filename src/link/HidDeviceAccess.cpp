// Access to the box over USB HID: the first present box, or the one a device arrival announced.
#include "link/HidDeviceAccess.h"

#include "link/HidTransport.h"

CHidDeviceAccess::CHidDeviceAccess(std::unique_ptr<CHidTransport> transport)
    : CDeviceAccess(std::move(transport)), m_hid(static_cast<CHidTransport&>(Transport())) {}

CHidDeviceAccess::~CHidDeviceAccess() {
    m_hid.CloseDevice();
}

bool CHidDeviceAccess::OpenFirstDevice() {
    m_hid.CloseDevice();
    const bool opened = m_hid.OpenFirstDevice();
    SetCurrentPath(m_hid.CurrentPath());
    return opened;
}

bool CHidDeviceAccess::OpenDevicePath(const std::string& path) {
    m_hid.CloseDevice();
    const bool opened = m_hid.OpenDevicePath(path);
    SetCurrentPath(m_hid.CurrentPath());
    return opened;
}

void CHidDeviceAccess::CloseDevice() {
    m_hid.CloseDevice();
}
