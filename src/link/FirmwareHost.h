// The operations of the connection controller that a firmware update uses.
#pragma once

#include "base/SysText.h"

#include <chrono>
#include <functional>

class CFirmwareHook;
class KTVCommand;

// Implemented by the device controller (and by test rigs). Every call comes from the UI thread, except
// SetFirmwareStage, which the I/O worker calls while it writes firmware frames. The controller runs its
// steps on the UI thread's event loop, so what a call starts may finish after it has returned.
class CFirmwareHost {
public:
    virtual ~CFirmwareHost() = default;

    // The command object whose queue the update fills.
    virtual KTVCommand& Command() = 0;
    // A device is open and the I/O worker runs.
    virtual bool LinkOpen() const = 0;
    // Stops the I/O worker, then closes the device and returns to idle; shows nothing. It may finish later,
    // once the worker has left its last transport call.
    virtual void CloseLink() = 0;
    // Once a close under way has finished: opens the first matching device, trying again until `limit` has
    // passed (the box re-enumerates after stage 176), then calls done(opened), at once or later.
    virtual void OpenDeviceWithRetries(std::chrono::milliseconds limit,
                                       std::function<void(bool opened)> done) = 0;
    // Drops the open retries under way; their done is never called.
    virtual void CancelOpenRetries() = 0;
    // Hands the open device to the update: fresh queue, the hook installed, the firmware-update flag set and
    // the worker started in firmware cycles.
    virtual void StartFirmwareLink(CFirmwareHook& hook) = 0;
    // Takes the hook off the link and clears the firmware-update flag and stage.
    virtual void EndFirmwareLink() = 0;
    // The firmware-update flag: an update owns the link.
    virtual bool FirmwareUpdating() const = 0;
    // Code of the firmware frame being written; the device's removal is expected after some stages.
    virtual void SetFirmwareStage(int stage) = 0;
    // A system text for the user. The controller shows it once no notification handler runs and no close is
    // under way, so it may come after the call has returned.
    virtual void ShowMessage(const SysText& text) = 0;
    // The connection error ("unable to connect").
    virtual void ReportConnectFailure() = 0;
};
