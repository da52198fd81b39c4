// The companion's global options and exit codes, shared by every sub-command.
#pragma once

#include "control/DeviceOption.h"
#include "link/TimingProfile.h"

#include <QStringList>

#include <memory>
#include <optional>

class CSimDevice;

// Exit codes of selvano-ctl (docs/cli.md lists them).
namespace CliExit {
inline constexpr int kOk = 0;
inline constexpr int kUsage = 2;  // unknown command or option, bad value
inline constexpr int kFile = 3;   // a file missing, unreadable, damaged or not writable
inline constexpr int kDevice = 4; // no device, wrong identifier, link lost, interrupted transfer
} // namespace CliExit

struct CliOptions {
    DeviceOption device;
    bool fastTiming = false; // --timing fast; the default is fast for sim and socket, device for usb
    int language = 0;        // 0 English, 1 Chinese: the system texts printed
    bool json = false;
    bool help = false;
    // Not on the command line: the in-process device of `--device sim` and another timing profile, for
    // tests that run the commands in their own process.
    std::shared_ptr<CSimDevice> sim;
    std::optional<TimingProfile> timing;
    QString backupFolder; // the automatic backups' folder; empty: the window's

    // Fast timing is the simulated device's profile: no pauses, but an idle link rests between polls.
    TimingProfile Timing() const {
        return timing.value_or(fastTiming ? TimingProfile::Simulated() : TimingProfile::Device());
    }

    // Takes the global options out of args (anywhere on the line) and leaves the rest. Nothing on a bad
    // value, with the reason in error.
    static std::optional<CliOptions> Take(QStringList& args, QString* error);
};
