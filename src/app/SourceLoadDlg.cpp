// The Source Load dialog: recall one of the device's presets, or load a setup or all-data file.
#include "app/SourceLoadDlg.h"

#include "app/DialogLook.h"
#include "app/FileChooser.h"
#include "controls/BitmapButton.h"
#include "presets/PresetFile.h"

#include <QDir>
#include <QPointer>

namespace {

constexpr int kBottomRowY = 228;

} // namespace

CSourceLoadDlg::CSourceLoadDlg(CSession& session, CMsgBox& msgBox, CFileChooser& files, QWidget* parent)
    : CPresetDlg(session, msgBox, files, parent) {
    setObjectName(QStringLiteral("sourceLoad"));
    PlaceBottomRow(kBottomRowY);
    setTabOrder(PresetButton(kPresets), FileButton());
    setTabOrder(FileButton(), CloseButton());
    Retranslate();
}

void CSourceLoadDlg::Retranslate() {
    CPresetDlg::Retranslate();
    setWindowTitle(tr("Source Load"));
    SetHint(tr("Click a preset to recall it. Right-click it to load, save or delete."));
    FileButton()->SetText({tr("Open File..."), {}});
    FileButton()->SetAccessibleText({tr("Open a setup or all-data file and send it to the device"), {}});
    FileButton()->setToolTip(tr("A setup file (.dsps) replaces the current setup; an all-data file (.dspa) "
                                "replaces the presets too"));
}

void CSourceLoadDlg::PresetClicked(int k) {
    m_presets.RecallFromButton(k); // nothing without a device
}

void CSourceLoadDlg::FileClicked() {
    FileRequest request;
    request.mode = FileRequest::Mode::Open;
    request.title = tr("Open a setup or all-data file");
    request.filters = QStringList{tr("Setup and all-data files (*.dsps *.dspa)"), tr("Setup files (*.dsps)"),
                                  tr("All-data files (*.dspa)")};
    request.memory = QStringLiteral("presets");
    request.directory = QDir::homePath();
    QPointer<CSourceLoadDlg> self(this);
    m_files.Choose(this, request, [self](const QString& path) {
        if (!self || path.isEmpty())
            return;
        auto load = [self, path] {
            self->m_presets.LoadFile(path);
            self->RefreshLabels();
        };
        // An all-data file replaces every preset of the device: backed up first. A file that cannot be
        // loaded is refused by the load with its text, and nothing is read from the device for it.
        if (CPresetFile::KindOfPath(path) == CPresetFile::FileKind::All && CPresetFile::CheckAllFile(path))
            self->AfterBackup(CDeviceBackup::Reason::LoadAllData, load);
        else
            load();
    });
}
