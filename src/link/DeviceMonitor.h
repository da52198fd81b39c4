// Watches hidraw arrivals and removals through a libudev monitor and turns them into link decisions.
#pragma once

#include "link/ClaimList.h"
#include "link/DeviceChange.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QSocketNotifier;
struct udev;
struct udev_device;
struct udev_monitor;

// Lives on the UI thread. Start() subscribes to the "udev" netlink source (events arrive after udev has
// set the node's permissions), enables receiving and only then scans the present hidraw nodes, so that a
// device plugged in between the two is not missed. Every event goes through HandleEvent, which is also
// how tests feed a made-up event stream.
class CDeviceMonitor : public QObject {
    Q_OBJECT

public:
    using LinkState = std::function<LinkSnapshot()>;

    explicit CDeviceMonitor(LinkState linkState, CClaimList claims = CClaimList(), QObject* parent = nullptr);
    ~CDeviceMonitor() override;

    // False when the system offers no udev monitor; arrivals and removals then go unnoticed and the
    // Connect button still works.
    bool Start();
    void Stop();
    bool IsRunning() const { return m_monitor != nullptr; }

    DeviceDecision HandleEvent(DeviceEvent event);

    // The ids recorded for a node present or arrived since Start (parents of a removed node are gone, so
    // this is where a removal learns what it was).
    std::optional<DeviceIds> KnownDevice(const std::string& devnode) const;

signals:
    // An arrival of our device while the link is closed: the controller opens this path.
    void ArrivalConnection(const QString& path);
    // The connected device went away: the controller closes the link and reports the failure.
    void RemovalClose(const QString& path);

private:
    void Drain();
    void ScanPresent();
    static DeviceEvent EventOf(udev_device* device);
    static std::optional<DeviceIds> UsbIdsOf(udev_device* device);

    LinkState m_linkState;
    CClaimList m_claims;
    std::map<std::string, DeviceIds> m_known;

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
