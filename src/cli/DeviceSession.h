// One connection of the companion to a device: a session, the terminal that shows it, and the waits on it.
#pragma once

#include "cli/CliOptions.h"
#include "cli/TerminalView.h"

#include "control/DeviceController.h"
#include "control/ModelEditor.h"
#include "control/PresetMemories.h"
#include "control/Session.h"

#include <QTextStream>

#include <functional>

// Runs the application's own connection lifecycle on the main thread's event loop. SIGINT and SIGTERM
// (installed while a session lives) end every wait; the session's end then waits for the worker and closes
// the device.
//
// A command succeeds only on the device's acknowledgement of all of its work: every wait fails as soon as
// the link is no longer open (lost, timed out, refused), so a close that empties the queue and the popup
// never passes for the end of a transfer.
class CDeviceSession {
public:
    static constexpr int kTransferLimitMs = 120000; // a whole all-data transfer at device timing fits
    static constexpr int kCloseLimitMs = 30000;     // the worker leaves its transport call well within this

    CDeviceSession(const CliOptions& options, QTextStream& err);
    ~CDeviceSession();
    CDeviceSession(const CDeviceSession&) = delete;
    CDeviceSession& operator=(const CDeviceSession&) = delete;

    // Opens, identifies and reads the device; CliExit::kOk or kDevice (the reason already printed).
    int Connect();
    // Delivers notifications until the condition holds; false on a timeout, an interrupt, or once the link
    // is no longer open or opening. A condition must be evidence from the device (an acknowledgement seen
    // while the link was open), not something a close brings about as well.
    bool WaitFor(const std::function<bool()>& condition, int limitMs = kTransferLimitMs);
    // Waits for the shown transfer to end with the device's acknowledgement; CliExit::kOk or kDevice.
    int WaitTransfer();
    // Waits until the device has acknowledged every edit and packet; CliExit::kOk or kDevice.
    int WaitSettled();
    // After a failed wait: closes the link, lets the close finish (and show its text), prints why unless
    // that text already said it, and returns CliExit::kDevice.
    int Fail(const char* what);
    // Delivers notifications until a close under way has finished, and with it shown its text.
    bool WaitClosed();

    ModelGlobals& G() { return m_session.Globals(); }
    CKTV_Data& Data() { return m_session.Data(); }
    CDeviceController& Controller() { return m_session.Controller(); }
    CModelEditor& Editor() { return m_session.Editor(); }
    CPresetMemories& Presets() { return m_session.Presets(); }
    CTerminalView& View() { return m_view; }
    CSession& Session() { return m_session; }
    bool Interrupted() const;

private:
    static SessionOptions OptionsFor(const CliOptions& options);

    QTextStream& m_err;
    CSession m_session;
    CTerminalView m_view;
};
