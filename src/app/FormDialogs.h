// The form's dialogs for the device's presets and its firmware, opened from the title bar's menus.
#pragma once

#include <QObject>
#include <QPointer>

class CDeviceBackup;
class CFileChooser;
class CMsgBox;
class CPresetDlg;
class CSession;
class CSettingsStore;
class CSourceLoadDlg;
class CSourceSaveDlg;
class CTavelView;
class CUpgradeDlg;
class QWidget;

// Each dialog is a window of the frame, modal in it and opened with open(); one of them at a time (a
// request while one is open brings that one to the front). The Source Load and Source Save dialogs are made
// once and keep their state (the file type chosen) between openings; the controller records which of them
// is open, and a preset name read from the device refreshes that one. The firmware dialog is made for each
// opening: it holds the update, which is the controller's only while the dialog is there.
class CFormDialogs : public QObject {
    Q_OBJECT

public:
    // Answers the form's presetRecallRequested, presetSaveRequested and firmwareUpdateRequested. `backup`
    // is taken by the dialogs before their destructive steps.
    CFormDialogs(CTavelView& view, CSession& session, CMsgBox& msgBox, CSettingsStore& settings,
                 CDeviceBackup& backup, QWidget* frame);
    ~CFormDialogs() override;

    void OpenSourceLoad();
    void OpenSourceSave();
    void OpenFirmwareUpdate();

    // The dialog while it is open; null otherwise.
    CSourceLoadDlg* SourceLoad() const;
    CSourceSaveDlg* SourceSave() const;
    CUpgradeDlg* Upgrade() const;
    // The file dialogs of all three (tests answer them through it).
    CFileChooser& Files() const { return *m_files; }

private:
    bool RaiseOpenDialog();
    void OpenPreset(CPresetDlg* dialog, int which);
    void RefreshOpenPresetDialog();

    CSession& m_session;
    CMsgBox& m_msgBox;
    CSettingsStore& m_settings;
    CDeviceBackup& m_backup;
    QWidget* m_frame;
    CFileChooser* m_files;
    QPointer<CSourceLoadDlg> m_load;
    QPointer<CSourceSaveDlg> m_save;
    QPointer<CUpgradeDlg> m_upgrade;
};
