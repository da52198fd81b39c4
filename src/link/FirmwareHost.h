// The operations of the connection controller that a firmware update uses.
#pragma once

#include "base/SysText.h"

#include <chrono>

class CFirmwareHook;
class KTVCommand;

// Implemented by the device controller (and by test rigs). Every call comes from the UI thread, except
// SetFirmwareStage, which the I/O worker calls while it writes firmware frames.
class CFirmwareHost {
public:
    virtual ~CFirmwareHost() = default;

    // The command object whose queue the update fills.
    virtual KTVCommand& Command() = 0;
    // A device is open and the I/O worker runs.
    virtual bool LinkOpen() const = 0;
    // Stops the I/O worker if it runs, then closes the device and returns to idle; shows nothing.
    virtual void CloseLink() = 0;
    // Opens the first matching device, trying again until `limit` has passed; false when none came.
    virtual bool OpenDeviceWithRetries(std::chrono::milliseconds limit) = 0;
    // Hands the open device to the update: fresh queue, the hook installed, the firmware-update flag set and
    // the worker started in firmware cycles.
    virtual void StartFirmwareLink(CFirmwareHook& hook) = 0;
    // Takes the hook off the link and clears the firmware-update flag and stage.
    virtual void EndFirmwareLink() = 0;
    // The firmware-update flag: an update owns the link.
    virtual bool FirmwareUpdating() const = 0;
    // Code of the firmware frame being written; the device's removal is expected after some stages.
    virtual void SetFirmwareStage(int stage) = 0;
    // A system text for the user; returns once it has been dismissed.
    virtual void ShowMessage(const SysText& text) = 0;
    // The connection error ("unable to connect").
    virtual void ReportConnectFailure() = 0;
};
