// Access to the box over USB HID: the first present box, or the one a device arrival announced.
#include "link/HidDeviceAccess.h"

#include "link/HidTransport.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <climits>
#include <cstdlib>

CHidDeviceAccess::CHidDeviceAccess(std::unique_ptr<CHidTransport> transport)
    : CDeviceAccess(std::move(transport)), m_hid(static_cast<CHidTransport&>(Transport())) {}

CHidDeviceAccess::~CHidDeviceAccess() {
    m_hid.CloseDevice();
}

bool CHidDeviceAccess::OpenFirstDevice() {
    m_hid.CloseDevice();
    const bool opened = m_hid.OpenFirstDevice();
    const std::string path = m_hid.CurrentPath();
    SetCurrentPath(path, opened ? NodeInstance(path) : std::string());
    return opened;
}

bool CHidDeviceAccess::OpenDevicePath(const std::string& path) {
    m_hid.CloseDevice();
    const bool opened = m_hid.OpenDevicePath(path);
    const std::string current = m_hid.CurrentPath();
    SetCurrentPath(current, opened ? NodeInstance(current) : std::string());
    return opened;
}

void CHidDeviceAccess::CloseDevice() {
    m_hid.CloseDevice();
}

std::string CHidDeviceAccess::NodeInstance(const std::string& devnode) {
    struct stat node {};
    if (devnode.empty() || stat(devnode.c_str(), &node) != 0 || !S_ISCHR(node.st_mode))
        return {};
    const std::string link =
        "/sys/dev/char/" + std::to_string(major(node.st_rdev)) + ':' + std::to_string(minor(node.st_rdev));
    char resolved[PATH_MAX];
    if (realpath(link.c_str(), resolved) == nullptr)
        return {};
    return resolved;
}
