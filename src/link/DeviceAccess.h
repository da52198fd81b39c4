// How the controller reaches devices of one kind: the transport it talks through and how that is opened.
#pragma once

#include "link/ReportTransport.h"

#include <memory>
#include <mutex>
#include <string>

// One transport for the whole life of the controller (the I/O worker keeps a reference to it); opening
// and closing happen on it in place. This base opens any transport with its own Open: the simulated device
// and the socket have one device each, whose path is what the transport reports while open. The USB HID
// access overrides the opens to choose among present devices and to honour other instances' claims.
class CDeviceAccess {
public:
    explicit CDeviceAccess(std::unique_ptr<CReportTransport> transport);
    virtual ~CDeviceAccess();
    CDeviceAccess(const CDeviceAccess&) = delete;
    CDeviceAccess& operator=(const CDeviceAccess&) = delete;

    CReportTransport& Transport() const { return *m_transport; }

    // Open and close run on the UI thread, or on the I/O worker while a firmware update reopens the box.
    virtual bool OpenFirstDevice();
    // An announced device (an arrival). Only the device this access already knows by its path is opened.
    virtual bool OpenDevicePath(const std::string& path);
    virtual void CloseDevice();
    bool IsOpen() const { return m_transport->IsOpen(); }

    // The device last opened; it stays set after closing, since a removal is matched against it.
    std::string CurrentPath() const;
    // Which appearance of that device was opened (for USB HID the node's sysfs path); empty when the kind
    // of device has no such notion or it could not be read.
    std::string CurrentInstance() const;

protected:
    void SetCurrentPath(const std::string& path, const std::string& instance = {});

private:
    std::unique_ptr<CReportTransport> m_transport;
    mutable std::mutex m_pathMutex;
    std::string m_currentPath;
    std::string m_currentInstance;
};
