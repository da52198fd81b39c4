// The desktop program from start to end: the process's resolution and language, the session with the
// device, the window, the automatic connection at start-up.
#pragma once

#include "app/AppOptions.h"
#include "app/InterfaceLanguage.h"
#include "link/TimingProfile.h"

#include <QString>

#include <memory>

class CMainFrame;
class CSession;
class QApplication;

// Construct after the QApplication, which PrepareProcess must precede. Tests build one the same way and
// call Start, as the program does, without running its event loop.
class CTavelApp {
public:
    // The whole program: options, application object, window, event loop; returns the exit code.
    static int Main(int argc, char* argv[]);
    // Before the application object exists: the form is laid out for 96 dots per inch whatever the display.
    static void PrepareProcess();
    // The application object's look: style, the skin's palette, pixel-sized fonts, names and version.
    static void SetUpApplication(QApplication& application);
    // The link's pauses: the box's own for USB, the simulated device's for the other two.
    static TimingProfile TimingFor(const DeviceOption& device);

    explicit CTavelApp(const AppOptions& options);
    ~CTavelApp();
    CTavelApp(const CTavelApp&) = delete;
    CTavelApp& operator=(const CTavelApp&) = delete;

    // Shows the window and asks the controller to connect by itself (UM_AUTO_CONNECT).
    void Start();

    CSession& Session() const { return *m_session; }
    CMainFrame& Frame() const { return *m_frame; }
    CInterfaceLanguage& Language() { return m_language; }

private:
    // --screenshot: the window as a picture once the start-up connection has settled, then the end.
    void ScreenshotWhenSettled(const QString& path);

    AppOptions m_options;
    CInterfaceLanguage m_language;
    std::unique_ptr<CSession> m_session; // outlives the window, whose form stops the link first
    std::unique_ptr<CMainFrame> m_frame;
};
