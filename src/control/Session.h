// The model, the device link, the controller and the edit entry point of one program, wired together.
#pragma once

#include "base/SysText.h"
#include "control/ControllerView.h"
#include "control/DeviceOption.h"
#include "link/TimingProfile.h"
#include "link/TransferBatches.h"
#include "model/TavelDoc.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class CDeviceAccess;
class CDeviceController;
class CModelEditor;
class CNotifier;
class CPresetMemories;
class CReportTransport;
class CSimDevice;

struct SessionOptions {
    DeviceOption device; // usb, sim or socket:PATH
    TimingProfile timing = TimingProfile::Device();
    int language = 0;                // 0 English, 1 Chinese
    std::shared_ptr<CSimDevice> sim; // the in-process device for `sim`; a new one when null
    CNotifier* notifier = nullptr;   // tests that deliver the notifications themselves
    // A transport of the caller's own in place of the device's (tests of how the link uses a transport).
    std::function<std::unique_ptr<CReportTransport>()> transport;
};

// Every program and test builds its model and link through one of these. The controller reports to it as
// its view, and it passes everything on as typed signals, so that a window, the companion and the tests
// subscribe to what they show instead of implementing the controller's interface. Lives on the UI thread,
// whose event loop runs the controller's steps.
class CSession : public QObject, private CControllerView {
    Q_OBJECT

public:
    explicit CSession(const SessionOptions& options, QObject* parent = nullptr);
    ~CSession() override; // stops the worker and closes the device (which gives up its claim)

    ModelGlobals& Globals() { return m_doc.Globals(); }
    CKTV_Data& Data() { return m_doc.Data(); }
    CTavelDoc& Doc() { return m_doc; }
    // The one way edits reach the model: every window, command and test edits through it.
    CModelEditor& Editor() { return *m_editor; }
    CDeviceController& Controller() { return *m_controller; }
    CPresetMemories& Presets() { return *m_presets; }
    // The edit entry point (CModelEditor) is handed out here, next to the controller it sends through.
    const SessionOptions& Options() const { return m_options; }
    // The in-process simulated device (`sim` only), for the programs' and tests' own use.
    const std::shared_ptr<CSimDevice>& Sim() const { return m_options.sim; }
    // What the link talks to, for the window's caption: "USB", "simulated device" or the socket path.
    QString DeviceDescription() const;

signals:
    // A system text for the user. Emitted outside every notification handler of the controller.
    void messageShown(const SysText& text);
    // The transfer popup of a bulk transfer: shown at position 0 of request.range, moved, hidden.
    void transferStarted(const PopupRequest& request);
    void transferProgress(int position);
    void transferFinished();
    // The link opened (the Connect button's connected look) or closed.
    void linkStateChanged(bool open);
    // Every control re-reads the whole model (a device read, a preset recall, a file load).
    void modelReloaded();
    // The image a new link starts with has been applied (after modelReloaded).
    void deviceImageRead();
    // The device changed its source, master volume or master output at the box.
    void deviceSystemChanged();
    // A preset name was read from the device.
    void presetNamesChanged();
    // The file title or preset name of the caption field.
    void captionChanged(const QString& caption);

private:
    CControllerView& View() { return *this; }
    void ShowMessage(const SysText& text) override { emit messageShown(text); }
    void ShowTransferPopup(const PopupRequest& request) override { emit transferStarted(request); }
    void SetTransferPosition(int position) override { emit transferProgress(position); }
    void HideTransferPopup() override { emit transferFinished(); }
    void SetConnectLook(bool connected) override { emit linkStateChanged(connected); }
    void RefreshAll() override;
    void DeviceImageRead() override { emit deviceImageRead(); }
    void RefreshSystemControls() override { emit deviceSystemChanged(); }
    void RefreshPresetList() override { emit presetNamesChanged(); }
    void SetCaption(const QString& caption) override { emit captionChanged(caption); }

    SessionOptions m_options;
    CTavelDoc m_doc;
    std::unique_ptr<CDeviceAccess> m_access;
    std::unique_ptr<CDeviceController> m_controller;
    std::unique_ptr<CModelEditor> m_editor;
    std::unique_ptr<CPresetMemories> m_presets;
    // The edit entry point (CModelEditor) goes here: built over the document and the controller after
    // them, and destroyed before them.
};
