// The device the program talks to, as the --device option names it: usb (default), sim or socket:PATH.
#pragma once

#include "link/DeviceAccess.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class CSimDevice;

struct DeviceOption {
    enum class Kind { Usb, Sim, Socket };

    Kind kind = Kind::Usb;
    std::string socketPath; // Socket only

    static constexpr std::string_view kUsb = "usb";
    static constexpr std::string_view kSim = "sim";

    // Nothing for a text that names no device kind (or a socket without a path).
    static std::optional<DeviceOption> Parse(std::string_view text);

    // The access for this choice. The in-process simulated device is `sim` when given, a new one otherwise;
    // `readWait` is how long a socket read waits for a packet.
    std::unique_ptr<CDeviceAccess> MakeAccess(std::shared_ptr<CSimDevice> sim,
                                              std::chrono::milliseconds readWait) const;
};
