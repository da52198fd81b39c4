// What the Source Load and Source Save dialogs share: the six preset buttons over the device's memories,
// their context menu with its save-with-name and delete flows, the file button and the dialog's face.
#pragma once

#include "control/DeviceBackup.h"
#include "control/PresetMemories.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>
#include <vector>

class CBitmapButton;
class CFileChooser;
class CInputSourceNameDlg;
class CMsgBox;
class CSession;
class CSkinStatic;
class QMenu;

// Opened with open(), modal in the window. Every action is one call on the session's preset memories; the
// labels are read back from them afterwards and whenever a name arrives from the device, the link opens or
// closes, or the model is reloaded (RefreshLabels). The texts for the user go through the controller or the
// window's message boxes, so none runs an event loop of its own.
class CPresetDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPresets = CPresetMemories::kDialogPresets; // device presets 1..6

    CBitmapButton* PresetButton(int k) const; // 1..6, else null
    CBitmapButton* FileButton() const { return m_file; }
    CBitmapButton* CloseButton() const { return m_close; }
    CSkinStatic* Status() const { return m_status; }
    // The context menu of the preset it was opened for, while it is on screen.
    QMenu* ContextMenu() const;
    int ContextPreset() const { return m_menuPreset; }
    // The name-entry dialog of the save-with-name flow, while it is open.
    CInputSourceNameDlg* NameDialog() const;

    // Each button shows its memory's name, or its number when the name is empty or no device is linked;
    // the current preset's button is pressed. The status line says when no device is linked.
    void RefreshLabels();

    // The context menu's items for preset k: Load recalls it keeping the outputs on; Save asks for a name
    // and stores the current setup under it; Delete asks first and empties the name.
    void OpenContextMenu(int k, const QPoint& globalPosition);
    void LoadPreset(int k);
    void SaveWithName(int k);
    void AskDelete(int k);
    // The automatic backup taken before storing over a named memory and before loading an all-data file
    // (none: those steps run at once).
    void SetBackup(CDeviceBackup* backup) { m_backup = backup; }

protected:
    CPresetDlg(CSession& session, CMsgBox& msgBox, CFileChooser& files, QWidget* parent);

    // A left click (or Space, Enter) on preset button k.
    virtual void PresetClicked(int k) = 0;
    virtual void FileClicked() = 0;
    // The dialog's own texts; overrides call this first.
    virtual void Retranslate();
    // Lays out the rule and the bottom row (file button left, Close right) from `y` and sizes the dialog.
    void PlaceBottomRow(int y);
    void SetHint(const QString& text);
    // One more panel behind a group of the derived dialog's controls.
    void AddPanel(const QRect& rect) { m_panels.push_back(rect); }
    QString Label(int k) const;
    // Runs `step` once the backup for `reason` is written or the user chose to go on without one; never
    // after the dialog has gone.
    void AfterBackup(CDeviceBackup::Reason reason, std::function<void()> step);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    CSession& m_session;
    CPresetMemories& m_presets;
    CMsgBox& m_msgBox;
    CFileChooser& m_files;
    CDeviceBackup* m_backup = nullptr;

private:
    int PresetOf(const QObject* button) const;

    CSkinStatic* m_hint;
    std::array<CBitmapButton*, kPresets> m_buttons{};
    CSkinStatic* m_status;
    CBitmapButton* m_file;
    CBitmapButton* m_close;
    QMenu* m_menu;
    int m_menuPreset = 0;
    int m_ruleY = 0;
    std::vector<QRect> m_panels;
    QPointer<CInputSourceNameDlg> m_nameDialog;
};
