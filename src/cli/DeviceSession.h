// One connection of the companion to a device: model, controller and terminal view, and the waits on them.
#pragma once

#include "cli/CliOptions.h"
#include "cli/TerminalView.h"

#include "control/DeviceController.h"
#include "control/ModelEditor.h"
#include "control/PresetMemories.h"
#include "link/DeviceAccess.h"
#include "model/KTV_Data.h"
#include "model/ModelGlobals.h"

#include <QTextStream>

#include <functional>
#include <memory>

// Runs the application's own connection lifecycle on the main thread's event loop. SIGINT and SIGTERM
// (installed while a session lives) end every wait, after which the destructor stops the worker and closes
// the device.
class CDeviceSession {
public:
    static constexpr int kTransferLimitMs = 120000; // a whole all-data transfer at device timing fits

    CDeviceSession(const CliOptions& options, QTextStream& err);
    ~CDeviceSession();
    CDeviceSession(const CDeviceSession&) = delete;
    CDeviceSession& operator=(const CDeviceSession&) = delete;

    // Opens, identifies and reads the device; CliExit::kOk or kDevice (the reason already printed).
    int Connect();
    // Delivers notifications until the condition holds; false on a lost link, a timeout or an interrupt.
    bool WaitFor(const std::function<bool()>& condition, int limitMs = kTransferLimitMs);
    // Waits for the shown transfer to end; CliExit::kOk or kDevice.
    int WaitTransfer();
    // Waits until nothing is pending and the queue is empty: the device acknowledged every edit.
    int WaitSettled();

    ModelGlobals& G() { return *m_g; }
    CKTV_Data& Data() { return *m_data; }
    CDeviceController& Controller() { return *m_controller; }
    CModelEditor& Editor() { return *m_editor; }
    CPresetMemories& Presets() { return *m_presets; }
    CTerminalView& View() { return m_view; }
    bool Interrupted() const;

private:
    bool NothingPending();
    int Fail(const char* what);

    QTextStream& m_err;
    CTerminalView m_view;
    std::unique_ptr<ModelGlobals> m_g;
    std::unique_ptr<CKTV_Data> m_data;
    std::unique_ptr<CDeviceAccess> m_access;
    std::unique_ptr<CDeviceController> m_controller;
    std::unique_ptr<CModelEditor> m_editor;
    std::unique_ptr<CPresetMemories> m_presets;
};
