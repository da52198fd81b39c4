// The firmware update dialog: choose a DSP or hand-controller firmware file and send it to the device.
#pragma once

#include "firmware/FirmwareUpdate.h"

#include <QDialog>
#include <QTimer>

class CBitmapButton;
class CDeviceBackup;
class CFileChooser;
class CMsgBox;
class CSession;
class CSettingsStore;
class CSkinProgress;
class CSkinStatic;
class QLineEdit;

// Owns the update and hands it to the controller for its life (the controller finishes the update and
// guards the factory reset through it, and shows the dialog every notification first, which moves the bar).
// The update runs on the I/O worker; the dialog only starts it and shows what the notifications say, so the
// window stays live throughout, the device's restart after stage 176 included. While an update runs or waits
// for the device, closing the dialog (its close button, the window's close, Escape) and the browse button
// only show "Don't close up the update!".
class CUpgradeDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kId = 270;
    static constexpr int kStart = 1881;
    static constexpr int kPath = 1882;
    static constexpr int kBrowse = 1883;
    static constexpr int kProgress = 1414;

    CUpgradeDlg(CSession& session, CSettingsStore& settings, CMsgBox& msgBox, CFileChooser& files,
                QWidget* parent);
    ~CUpgradeDlg() override;

    // Button 1883: the file dialog, starting at the remembered firmware file.
    void Browse();
    // Button 1881: loads the file named in the path field (a controller file asks to go ahead first), then
    // starts the update.
    void Start();
    bool Busy() const { return m_update.InProgress() || m_update.Starting(); }
    // The automatic backup taken before the update starts (none: the update starts at once).
    void SetBackup(CDeviceBackup* backup);
    // The backup before the update is being taken.
    bool BackingUp() const { return m_backingUp; }

    const CFirmwareUpdate& Update() const { return m_update; }
    QLineEdit* PathField() const { return m_path; }
    CBitmapButton* BrowseButton() const { return m_browse; }
    CBitmapButton* StartButton() const { return m_start; }
    CBitmapButton* CloseButton() const { return m_close; }
    CSkinProgress* Progress() const { return m_progress; }
    CSkinStatic* Status() const { return m_status; }

signals:
    // The bar moved to `position` of 0..range (one step per acknowledged frame).
    void progressMoved(int position, int range);
    // An update ended: true when the device took the whole file.
    void updateEnded(bool succeeded);

public slots:
    // Escape, the close button and the window's close (QDialog's close event rejects).
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class Outcome { None, Succeeded, Failed };

    void Observe(int message, std::intptr_t wParam, std::intptr_t lParam);
    void BeginUpdate();
    void StartLoadedUpdate();
    void ShowState();
    void Retranslate();

    CSession& m_session;
    CSettingsStore& m_settings;
    CMsgBox& m_msgBox;
    CFileChooser& m_files;
    CFirmwareUpdate m_update;

    CSkinStatic* m_hint;
    CSkinStatic* m_pathLabel;
    QLineEdit* m_path;
    CBitmapButton* m_browse;
    CSkinProgress* m_progress;
    CSkinStatic* m_status;
    CBitmapButton* m_start;
    CBitmapButton* m_close;

    QTimer m_stateTimer; // zero, single shot: the state once the controller has handled a notification
    CDeviceBackup* m_backup = nullptr;
    bool m_backingUp = false;
    bool m_wasBusy = false;
    bool m_finished = false; // the last frame was acknowledged
    Outcome m_outcome = Outcome::None;
};
