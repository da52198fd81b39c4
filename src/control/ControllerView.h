// What the device controller needs from the window that shows it: messages, the transfer popup, the looks.
#pragma once

#include "base/SysText.h"
#include "link/TransferBatches.h"

#include <QString>

// Implemented by the session, which passes every call on as a signal to the window, the companion or a
// test. Every call comes on the controller's thread; none may call back into the controller synchronously.
// ShowMessage never comes from inside a notification handler, so a message box may run its own event loop.
class CControllerView {
public:
    virtual ~CControllerView() = default;

    // A system text for the user (a standard message box in the application).
    virtual void ShowMessage(const SysText& text) = 0;
    // The transfer popup at position 0 of request.range; modal disables the main window until it hides.
    virtual void ShowTransferPopup(const PopupRequest& request) = 0;
    virtual void SetTransferPosition(int position) = 0;
    virtual void HideTransferPopup() = 0;
    // The Connect button's look: connected or not.
    virtual void SetConnectLook(bool connected) = 0;
    // Every control re-reads the whole model (after a device read, a preset recall, a file load).
    virtual void RefreshAll() = 0;
    // Comes after RefreshAll when the image read was the one a new link starts with: the model is now the
    // device's own, not an edit of what the window held before.
    virtual void DeviceImageRead() {}
    // Only the source, master volume and master output controls (the device changed one of them).
    virtual void RefreshSystemControls() = 0;
    // The list of the open Source Load or Source Save dialog (a preset name changed).
    virtual void RefreshPresetList() = 0;
    // The file title or preset name shown in the caption field.
    virtual void SetCaption(const QString& caption) = 0;
};
