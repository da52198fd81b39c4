// Watches hidraw arrivals and removals through a libudev monitor and turns them into link decisions.
#include "link/DeviceMonitor.h"

#include <QSocketNotifier>

#include <libudev.h>

#include <string_view>

namespace {

constexpr char kSubsystem[] = "hidraw";

std::string_view Text(const char* text) {
    return text != nullptr ? std::string_view(text) : std::string_view();
}

} // namespace

CDeviceMonitor::CDeviceMonitor(LinkState linkState, CClaimList claims, QObject* parent)
    : QObject(parent), m_linkState(std::move(linkState)), m_claims(std::move(claims)) {}

CDeviceMonitor::~CDeviceMonitor() {
    Stop();
}

bool CDeviceMonitor::Start() {
    if (m_monitor != nullptr)
        return true;
    m_udev = udev_new();
    if (m_udev == nullptr)
        return false;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (m_monitor == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor, kSubsystem, nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0) {
        Stop();
        return false;
    }
    // The monitor's socket is non-blocking, so Drain can read until it runs dry.
    m_notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &CDeviceMonitor::Drain);
    ScanPresent();
    return true;
}

void CDeviceMonitor::Stop() {
    m_notifier.reset();
    if (m_monitor != nullptr)
        udev_monitor_unref(m_monitor);
    m_monitor = nullptr;
    if (m_udev != nullptr)
        udev_unref(m_udev);
    m_udev = nullptr;
}

std::optional<DeviceIds> CDeviceMonitor::KnownDevice(const std::string& devnode) const {
    const auto it = m_known.find(devnode);
    if (it == m_known.end())
        return std::nullopt;
    return it->second;
}

DeviceDecision CDeviceMonitor::HandleEvent(DeviceEvent event) {
    if (event.action == DeviceAction::Arrival && event.ids)
        m_known[event.devnode] = *event.ids;
    if (event.action == DeviceAction::Removal) {
        if (const auto it = m_known.find(event.devnode); it != m_known.end()) {
            if (!event.ids)
                event.ids = it->second;
            m_known.erase(it);
        }
    }

    const LinkSnapshot link = m_linkState ? m_linkState() : LinkSnapshot{};
    const DeviceDecision decision = DecideDeviceChange(event, link, m_claims);
    const QString path = QString::fromStdString(event.devnode);
    switch (decision) {
    case DeviceDecision::Connect:
        emit ArrivalConnection(path);
        break;
    case DeviceDecision::CloseLink:
        emit RemovalClose(path);
        break;
    case DeviceDecision::Ignore:
        break;
    }
    return decision;
}

void CDeviceMonitor::Drain() {
    // One readiness notice may stand for several queued events; read them all.
    while (m_monitor != nullptr) {
        udev_device* const device = udev_monitor_receive_device(m_monitor);
        if (device == nullptr)
            break;
        DeviceEvent event = EventOf(device);
        udev_device_unref(device);
        HandleEvent(std::move(event));
    }
}

void CDeviceMonitor::ScanPresent() {
    udev_enumerate* const enumerate = udev_enumerate_new(m_udev);
    if (enumerate == nullptr)
        return;
    if (udev_enumerate_add_match_subsystem(enumerate, kSubsystem) >= 0 &&
        udev_enumerate_scan_devices(enumerate) >= 0) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            udev_device* const device = udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(entry));
            if (device == nullptr)
                continue;
            const std::string_view node = Text(udev_device_get_devnode(device));
            if (!node.empty()) {
                if (const auto ids = UsbIdsOf(device))
                    m_known[std::string(node)] = *ids;
            }
            udev_device_unref(device);
        }
    }
    udev_enumerate_unref(enumerate);
}

DeviceEvent CDeviceMonitor::EventOf(udev_device* device) {
    DeviceEvent event;
    event.devnode = std::string(Text(udev_device_get_devnode(device)));
    event.syspath = std::string(Text(udev_device_get_syspath(device)));
    const std::string_view action = Text(udev_device_get_action(device));
    if (action == "add") {
        event.action = DeviceAction::Arrival;
        event.ids = UsbIdsOf(device);
    } else if (action == "remove") {
        event.action = DeviceAction::Removal;
    }
    return event;
}

std::optional<DeviceIds> CDeviceMonitor::UsbIdsOf(udev_device* device) {
    // hidraw node -> hid device -> USB interface -> USB device; the parent is owned by the child.
    udev_device* const usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    if (usb == nullptr)
        return std::nullopt;
    return ParseUsbIds(Text(udev_device_get_sysattr_value(usb, "idVendor")),
                       Text(udev_device_get_sysattr_value(usb, "idProduct")),
                       Text(udev_device_get_sysattr_value(usb, "bcdDevice")));
}
