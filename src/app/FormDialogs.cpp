// The form's dialogs for the device's presets and its firmware, opened from the title bar's menus.
#include "app/FormDialogs.h"

#include "app/FileChooser.h"
#include "app/SourceLoadDlg.h"
#include "app/SourceSaveDlg.h"
#include "app/TavelView.h"
#include "app/UpgradeDlg.h"
#include "control/DeviceController.h"
#include "control/Session.h"

using PresetDialog = CDeviceController::PresetDialog;

CFormDialogs::CFormDialogs(CTavelView& view, CSession& session, CMsgBox& msgBox, CSettingsStore& settings,
                           CDeviceBackup& backup, QWidget* frame)
    : QObject(&view), m_session(session), m_msgBox(msgBox), m_settings(settings), m_backup(backup),
      m_frame(frame), m_files(new CFileChooser(this)) {
    connect(&view, &CTavelView::presetRecallRequested, this, &CFormDialogs::OpenSourceLoad);
    connect(&view, &CTavelView::presetSaveRequested, this, &CFormDialogs::OpenSourceSave);
    connect(&view, &CTavelView::firmwareUpdateRequested, this, &CFormDialogs::OpenFirmwareUpdate);
    // A name from the device, a link opened or closed, a reloaded model: what the buttons show may change.
    connect(&session, &CSession::presetNamesChanged, this, &CFormDialogs::RefreshOpenPresetDialog);
    connect(&session, &CSession::linkStateChanged, this, &CFormDialogs::RefreshOpenPresetDialog);
    connect(&session, &CSession::modelReloaded, this, &CFormDialogs::RefreshOpenPresetDialog);
}

CFormDialogs::~CFormDialogs() {
    m_session.Controller().SetOpenPresetDialog(PresetDialog::None);
}

CSourceLoadDlg* CFormDialogs::SourceLoad() const {
    return m_load && m_load->isVisible() ? m_load.data() : nullptr;
}

CSourceSaveDlg* CFormDialogs::SourceSave() const {
    return m_save && m_save->isVisible() ? m_save.data() : nullptr;
}

CUpgradeDlg* CFormDialogs::Upgrade() const {
    return m_upgrade;
}

bool CFormDialogs::RaiseOpenDialog() {
    QDialog* upgrade = m_upgrade && m_upgrade->isVisible() ? m_upgrade.data() : nullptr;
    for (QDialog* dialog :
         {static_cast<QDialog*>(SourceLoad()), static_cast<QDialog*>(SourceSave()), upgrade})
        if (dialog) {
            dialog->raise();
            dialog->activateWindow();
            return true;
        }
    return false;
}

void CFormDialogs::OpenSourceLoad() {
    if (RaiseOpenDialog())
        return;
    if (!m_load) {
        m_load = new CSourceLoadDlg(m_session, m_msgBox, *m_files, m_frame);
        m_load->SetBackup(&m_backup);
    }
    OpenPreset(m_load, static_cast<int>(PresetDialog::SourceLoad));
}

void CFormDialogs::OpenSourceSave() {
    if (RaiseOpenDialog())
        return;
    if (!m_save) {
        m_save = new CSourceSaveDlg(m_session, m_msgBox, *m_files, m_frame);
        m_save->SetBackup(&m_backup);
    }
    OpenPreset(m_save, static_cast<int>(PresetDialog::SourceSave));
}

void CFormDialogs::OpenPreset(CPresetDlg* dialog, int which) {
    CDeviceController& controller = m_session.Controller();
    controller.SetOpenPresetDialog(static_cast<PresetDialog>(which));
    // However the dialog ends (Close, Escape, the window's close), it is no longer open.
    disconnect(dialog, &QDialog::finished, this, nullptr);
    connect(dialog, &QDialog::finished, this,
            [&controller](int) { controller.SetOpenPresetDialog(PresetDialog::None); });
    dialog->RefreshLabels();
    if (m_frame)
        dialog->move(m_frame->geometry().center() - QPoint(dialog->width() / 2, dialog->height() / 2));
    dialog->open();
}

void CFormDialogs::RefreshOpenPresetDialog() {
    switch (m_session.Controller().OpenPresetDialog()) {
    case PresetDialog::SourceLoad:
        if (m_load)
            m_load->RefreshLabels();
        break;
    case PresetDialog::SourceSave:
        if (m_save)
            m_save->RefreshLabels();
        break;
    case PresetDialog::None:
        break;
    }
}

void CFormDialogs::OpenFirmwareUpdate() {
    if (RaiseOpenDialog())
        return;
    auto* dialog = new CUpgradeDlg(m_session, m_settings, m_msgBox, *m_files, m_frame);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->SetBackup(&m_backup);
    if (m_frame)
        dialog->move(m_frame->geometry().center() - QPoint(dialog->width() / 2, dialog->height() / 2));
    m_upgrade = dialog;
    dialog->open();
}
