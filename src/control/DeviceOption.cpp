// The device the program talks to, as the --device option names it: usb (default), sim or socket:PATH.
#include "control/DeviceOption.h"

#include "link/HidDeviceAccess.h"
#include "link/HidTransport.h"
#include "link/SocketTransport.h"
#include "sim/InProcessTransport.h"
#include "sim/SimDevice.h"

std::optional<DeviceOption> DeviceOption::Parse(std::string_view text) {
    if (text.empty() || text == kUsb)
        return DeviceOption{Kind::Usb, {}};
    if (text == kSim)
        return DeviceOption{Kind::Sim, {}};
    if (const std::optional<std::string> path = CSocketTransport::PathOf(text))
        return DeviceOption{Kind::Socket, *path};
    return std::nullopt;
}

std::unique_ptr<CDeviceAccess> DeviceOption::MakeAccess(std::shared_ptr<CSimDevice> sim,
                                                        std::chrono::milliseconds readWait) const {
    switch (kind) {
    case Kind::Usb:
        return std::make_unique<CHidDeviceAccess>(std::make_unique<CHidTransport>());
    case Kind::Sim:
        if (!sim)
            sim = std::make_shared<CSimDevice>();
        return std::make_unique<CDeviceAccess>(std::make_unique<CInProcessTransport>(std::move(sim)));
    case Kind::Socket:
        return std::make_unique<CDeviceAccess>(std::make_unique<CSocketTransport>(socketPath, readWait));
    }
    return nullptr;
}
