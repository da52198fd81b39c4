// How the controller reaches devices of one kind: the transport it talks through and how that is opened.
#include "link/DeviceAccess.h"

CDeviceAccess::CDeviceAccess(std::unique_ptr<CReportTransport> transport)
    : m_transport(std::move(transport)) {}

CDeviceAccess::~CDeviceAccess() {
    if (m_transport->IsOpen())
        m_transport->Close();
}

bool CDeviceAccess::OpenFirstDevice() {
    // A handle left from a device that went away is dropped; the device may be back under a new session.
    if (m_transport->IsOpen())
        m_transport->Close();
    if (!m_transport->Open())
        return false;
    SetCurrentPath(m_transport->DevicePath());
    return true;
}

bool CDeviceAccess::OpenDevicePath(const std::string& path) {
    const std::string known = CurrentPath();
    if (path.empty() || (!known.empty() && path != known))
        return false;
    if (!OpenFirstDevice())
        return false;
    if (CurrentPath() == path)
        return true;
    CloseDevice(); // another device than the one announced
    return false;
}

void CDeviceAccess::CloseDevice() {
    m_transport->Close();
}

std::string CDeviceAccess::CurrentPath() const {
    std::lock_guard lock(m_pathMutex);
    return m_currentPath;
}

std::string CDeviceAccess::CurrentInstance() const {
    std::lock_guard lock(m_pathMutex);
    return m_currentInstance;
}

void CDeviceAccess::SetCurrentPath(const std::string& path, const std::string& instance) {
    std::lock_guard lock(m_pathMutex);
    m_currentPath = path;
    m_currentInstance = instance;
}
