// What the firmware update needs from the controller that owns the link.
#pragma once

#include "model/SysText.h"

class KTVCommand;

// Implemented by the connection controller (and by test rigs). Every call runs on the UI thread.
class CFirmwareHost {
public:
    virtual ~CFirmwareHost() = default;

    // The command object whose queue the update fills and on which it installs itself while it owns the link.
    virtual KTVCommand& Command() = 0;
    // A device is open and the I/O worker runs.
    virtual bool LinkOpen() const = 0;
    // Stops the I/O worker, then closes the device; shows nothing.
    virtual void CloseLink() = 0;
    // Selects USB and opens the first matching device; false when there is none (yet).
    virtual bool OpenDevice() = 0;
    // Marks the link open and starts the I/O worker.
    virtual void StartLinkIO() = 0;
    // Shows a system text and returns once the user has dismissed it.
    virtual void ShowMessage(const SysText& text) = 0;
};
