// The main form: the title bar and its commands, the connection as the user sees it, and the regions that
// hold the channel, master, graph and EQ controls.
#pragma once

#include "app/TopMenu.h"
#include "link/SettingsStore.h"

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <array>
#include <memory>

class CDeviceMonitor;
class CDisplayDlg;
class CInterfaceLanguage;
class CMsgBox;
class CSession;
class CTitleBar;
class QMainWindow;

// Fills the main frame (window coordinates are form coordinates). Thin: clicks become calls on the session's
// controller, and what the session reports (texts, transfers, link state) is shown. The regions below the
// title bar are laid out in pixels and are empty until their controls are placed there; each has a host
// widget covering it, and controls may be made children of the host or of the form itself.
class CTavelView : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kSize{1284, 702};

    enum class Region { CarPicture, Graph, MasterPanel, ChannelStrips, EqPage };
    struct RegionPlace {
        Region region;
        QRect rect;       // in form coordinates
        const char* name; // object name of the host widget
    };
    static constexpr std::array<RegionPlace, 5> kRegions{{
        {Region::CarPicture, QRect(8, 44, 292, 348), "region.car"},        // 8..300 x 44..392
        {Region::Graph, QRect(308, 44, 692, 348), "region.graph"},         // 308..1000 x 44..392
        {Region::MasterPanel, QRect(1008, 44, 268, 348), "region.master"}, // 1008..1276 x 44..392
        {Region::ChannelStrips, QRect(0, 396, 1284, 74), "region.strips"}, // 0..1284 x 396..470
        {Region::EqPage, QRect(0, 474, 1284, 224), "region.eq"},           // 0..1284 x 474..698
    }};
    static QRect RegionRect(Region region);

    // `frame` owns the windows the form opens (the transfer popup, message boxes, dialogs), so that a modal
    // transfer, which disables the form, leaves them usable.
    CTavelView(CSession& session, CInterfaceLanguage& language, QMainWindow* frame);
    // Unless the program was closed through the form, stops the worker and gives the device up.
    ~CTavelView() override;

    QWidget* RegionHost(Region region) const;
    CSession& Session() const { return m_session; }
    CTitleBar& TitleBar() const { return *m_titleBar; }
    CDisplayDlg& TransferPopup() const { return *m_popup; }
    CMsgBox& MsgBox() const { return *m_msgBox; }
    // The remembered firmware location, loaded when the form is made.
    CSettingsStore& Settings() { return m_settings; }

    // ---- Commands -----------------------------------------------------------------------------------------
    void ShowSettingsMenu(); // button 2065
    void ShowPresetMenu();   // button 3415
    void RunCommand(TopCommand command);
    void ToggleLanguage();
    void ShowAbout();
    void FactoryReset();
    // The close button: the link is shut down first, then the frame closes.
    void CloseProgram();
    // Stops the I/O worker and closes the device (giving up its claim) once; the closing flag keeps the
    // frame's close and the form's destruction from doing it again.
    void ShutDownLink();
    bool Closing() const { return m_closing; }

signals:
    // Menu items whose dialogs live elsewhere; the dialogs connect here.
    void firmwareUpdateRequested();
    void sourceVolumeRequested();
    void presetRecallRequested();
    void presetSaveRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ConnectSession();
    void ConnectTitleBar();
    void StartDeviceMonitor();
    void AnswerFactoryReset(bool yes);
    void ShowTransfer(bool show, bool modal, int range);
    void RebuildBackground();
    QPoint MenuAnchor(int dx) const;

    CSession& m_session;
    CInterfaceLanguage& m_language;
    QMainWindow* m_frame;
    CSettingsStore m_settings;
    CTitleBar* m_titleBar;
    std::array<QWidget*, kRegions.size()> m_hosts{};
    CDisplayDlg* m_popup;
    CMsgBox* m_msgBox;
    CTopMenu* m_settingsMenu;
    CTopMenu* m_presetMenu;
    std::unique_ptr<CDeviceMonitor> m_monitor; // the box only: arrivals and removals
    QPixmap m_background;                      // the form and its region panels
    bool m_closing = false;
    bool m_dragging = false;
    QPoint m_dragOffset; // from the window's corner to the mouse
};
