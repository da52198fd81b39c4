// The main form: the title bar and its commands, the connection as the user sees it, and the regions that
// hold the channel, master, graph and EQ controls.
#pragma once

#include "app/TopMenu.h"
#include "control/MeasuredResponse.h"
#include "link/SettingsStore.h"
#include "model/ParamImage.h"

#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CBitmapButton;
class CCarPicture;
class CChannelStrip;
class CCrossoverPanel;
class CDeviceBackup;
class CMasterPanel;
class CDeviceMonitor;
class CDisplayDlg;
class CEditHistory;
class CEqTextActions;
class CFStatic;
class CFormDialogs;
class CInterfaceLanguage;
class CLinkRow;
class CMeasurementDlg;
class CMsgBox;
class COutputDlg;
class CSession;
class CTimeAlignDlg;
class CTitleBar;
class QMainWindow;

// Fills the main frame (window coordinates are form coordinates). Thin: clicks become calls on the session's
// controller or its edit entry point, and what the session and the editor report (texts, transfers, link
// state, changed channels and system values, a reloaded model) is shown. The regions below the title bar are
// laid out in pixels; each has a host widget covering it, and controls are children of the host or of the
// form itself. The master panel, the six channel strips, the response graph, the EQ page, the crossover panel
// and the car picture are the form's own (the last two subscribe to the signals and messages below
// themselves); the dialogs attach through the same signals and operations.
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
    static constexpr int kShownChannels = 6; // CH1..CH6; channels 6 and 7 have no controls of their own
    static constexpr int kEqReset = 2331;
    static constexpr int kAllBypass = 2388;

    CTavelView(CSession& session, CInterfaceLanguage& language, QMainWindow* frame);
    // Unless the program was closed through the form, stops the worker and gives the device up.
    ~CTavelView() override;

    QWidget* RegionHost(Region region) const;
    CSession& Session() const { return m_session; }
    CTitleBar& TitleBar() const { return *m_titleBar; }
    CDisplayDlg& TransferPopup() const { return *m_popup; }
    CMsgBox& MsgBox() const { return *m_msgBox; }
    // The preset and firmware dialogs the menus open.
    CFormDialogs& Dialogs() const { return *m_dialogs; }
    // The current channel's EQ as filter text (clipboard, files).
    CEqTextActions& EqText() const { return *m_eqText; }
    CEditHistory& History() const { return *m_history; }
    // The remembered firmware location and the backup switch, loaded when the form is made.
    CSettingsStore& Settings() { return m_settings; }
    // The automatic backup before destructive steps; a failed one asks here whether to go on.
    CDeviceBackup& Backup() const { return *m_backup; }

    // ---- Channels -----------------------------------------------------------------------------------------
    // Makes `channel` (0..5) the current one (ModelGlobals::g_currentChannel): its CH button and Line toggle
    // pressed (and the partner's CH button while the Link button is on), then channelSelected.
    void SelectChannel(int channel);
    int CurrentChannel() const;
    // Whether the user shows the curve of `channel` (0..7) besides the current one: the Line toggles. The
    // graph draws these; the current channel's toggle is pressed whatever its flag says.
    bool CurveShown(int channel) const;
    void SetCurveShown(int channel, bool shown);
    // Every control re-reads the model, in the window's refresh order, ending with SelectChannel(current).
    // Runs on the session's modelReloaded and once when the form is made.
    void RefreshAll();

    CChannelStrip* Strip(int channel) const; // 0..5, else null
    CMasterPanel& MasterPanel() const { return *m_master; }
    CCrossoverPanel& CrossoverPanel() const { return *m_crossover; }
    CCarPicture& CarPicture() const { return *m_car; }
    // The routing (3418) and Link (2247) buttons under the master panel.
    CLinkRow& LinkRow() const { return *m_linkRow; }
    CBitmapButton* EqResetButton() const { return m_eqReset; }
    CBitmapButton* AllBypassButton() const { return m_allBypass; }
    // The response graph of the current channel (its host is Region::Graph) and the EQ page below the strips.
    CFStatic& Graph() const { return *m_graph; }
    COutputDlg& EqPage() const { return *m_eqPage; }
    // Button 2331: asks "Whether the reset all EQ?" and resets the current channel's EQ on OK.
    void AskEqReset();

    // ---- Control messages ---------------------------------------------------------------------------------
    // Controls post UM_* messages to the form (their message target); the form hands each to the handler
    // whose message and wParam range match: its own (gain and master sliders, source and noise-gate lists)
    // and those others add here (crossover lists 5514..5517, the graph's UM_GRAPH_POINT_MOVED, ...).
    using MessageHandler = std::function<void(int message, std::intptr_t wParam, std::intptr_t lParam)>;
    void RouteMessage(int message, std::intptr_t firstWParam, std::intptr_t lastWParam,
                      MessageHandler handler);

    // ---- Commands -----------------------------------------------------------------------------------------
    void ShowSettingsMenu(); // button 2065
    void ShowPresetMenu();   // button 3415
    void RunCommand(TopCommand command);
    void ToggleLanguage();
    void ShowAbout();
    void FactoryReset();
    // The file chooser in the backups folder; the chosen backup is written to the device like a loaded
    // all-data file (after a backup of what the device holds now). Without a device only the not-connected
    // text.
    void RestoreBackup();
    // The settings-menu switch of the automatic backups, remembered in the settings.
    void ToggleAutoBackup();
    void CopyEq();
    void PasteEq();
    void ImportEq();
    void ExportEq();
    // The time alignment dialog (one at a time: a second request brings it forward).
    void ShowTimeAlignment();
    CTimeAlignDlg* TimeAlignDialog() const; // null while none is open
    // Asks for a file and saves the graph there: a .csv file gets the curves of the shown channels, any
    // other a PNG picture.
    void ExportGraph();
    // The measurement dialog (one at a time, modeless: a second request brings it forward).
    void ShowMeasurement();
    CMeasurementDlg* MeasurementDialog() const; // null while none is open

    // ---- Measured responses -------------------------------------------------------------------------------
    // Channel 0..7's measured response, which the graph draws with its prediction; kept for the session,
    // apart from the model (a preset recall or a device read keeps it).
    CMeasuredResponse& Measurement(int channel);
    // After a measurement, its smoothing or its level changed: the graph redraws it.
    void MeasurementChanged(int channel);
    // The channels whose curves the graph draws: the current one and those whose Line toggle is on.
    std::vector<int> GraphChannels() const;
    // The close button: the link is shut down first, then the frame closes.
    void CloseProgram();
    // Stops the I/O worker and closes the device (giving up its claim) once; the closing flag keeps the
    // frame's close and the form's destruction from doing it again.
    void ShutDownLink();
    bool Closing() const { return m_closing; }

signals:
    // The current channel changed or was selected again: the graph, the EQ page, the crossover panel and the
    // car picture show `channel`.
    void channelSelected(int channel);
    // A Line toggle changed what CurveShown(channel) says.
    void curveShownChanged(int channel, bool shown);
    // RefreshAll has refreshed the form's own controls and ended the links; the other regions re-read the
    // whole model now (channelSelected follows).
    void allRefreshed();
    // Button 2388, for the EQ page: the user toggled all-bypass of the current channel to `on`.
    void allBypassClicked(bool on);
    // Menu items whose dialogs live elsewhere; the dialogs connect here.
    void firmwareUpdateRequested();
    void sourceVolumeRequested();
    void presetRecallRequested();
    void presetSaveRequested();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Route {
        int message;
        std::intptr_t first;
        std::intptr_t last;
        MessageHandler handler;
    };

    void BuildChannelControls();
    void BuildGraphAndEqPage();
    void ConnectEditor();
    void SetTabOrder();
    void Retranslate();
    void ShowSelection();
    void CurveToggleClicked(int channel);
    void HandleControlMessage(int message, std::intptr_t wParam, std::intptr_t lParam);
    void OnGainSlider(int message, std::intptr_t id, std::intptr_t position);
    void OnMasterSlider(int message, std::intptr_t id, std::intptr_t position);
    void OnListSelected(int message, std::intptr_t id, std::intptr_t index);
    void ConnectSession();
    void ConnectTitleBar();
    void ConnectHistory();
    void ShowAbCopyMenu();
    void Undo();
    void Redo();
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
    CDeviceBackup* m_backup;
    CFormDialogs* m_dialogs;
    CEditHistory* m_history;
    CMasterPanel* m_master = nullptr;
    CCrossoverPanel* m_crossover = nullptr;
    CCarPicture* m_car = nullptr;
    CLinkRow* m_linkRow = nullptr;
    std::array<CChannelStrip*, kShownChannels> m_strips{};
    CBitmapButton* m_eqReset = nullptr;
    CBitmapButton* m_allBypass = nullptr;
    CFStatic* m_graph = nullptr;
    COutputDlg* m_eqPage = nullptr;
    CEqTextActions* m_eqText = nullptr;
    QPointer<CTimeAlignDlg> m_timeAlign;
    QPointer<CMeasurementDlg> m_measurementDlg;
    std::array<CMeasuredResponse, Layout::kChannels> m_measurements;
    std::array<bool, 8> m_curveShown{};        // the Line toggles' flags of channels 0..7
    std::vector<Route> m_routes;               // message handlers others added
    std::unique_ptr<CDeviceMonitor> m_monitor; // the box only: arrivals and removals
    QPixmap m_background;                      // the form and its region panels
    bool m_closing = false;
    bool m_dragging = false;
    QPoint m_dragOffset; // from the window's corner to the mouse
};
