// The Source Save dialog: store the current setup into one of the device's presets under a name, or save a
// setup or all-data file.
#include "app/SourceSaveDlg.h"

#include "app/AppFont.h"
#include "app/DialogLook.h"
#include "app/FileChooser.h"
#include "control/DeviceController.h"
#include "control/Session.h"
#include "controls/BitmapButton.h"
#include "controls/SkinStatic.h"
#include "presets/PresetFile.h"

#include <QDir>
#include <QPointer>

namespace {

// The file type row on a panel of its own, between the status line and the bottom row.
constexpr QRect kKindPanel{12, 212, 448, 44};
constexpr QRect kKindLabelRect{CDialogLook::kMargin, 220, 92, 28};
constexpr QRect kAllDataRect{116, 220, 164, 28};
constexpr QRect kSetupRect{288, 220, 164, 28};
constexpr int kBottomRowY = 280;

} // namespace

CSourceSaveDlg::CSourceSaveDlg(CSession& session, CMsgBox& msgBox, CFileChooser& files, QWidget* parent)
    : CPresetDlg(session, msgBox, files, parent), m_kindLabel(new CSkinStatic(this)),
      m_allData(new CBitmapButton(this)), m_setup(new CBitmapButton(this)) {
    setObjectName(QStringLiteral("sourceSave"));
    m_kindLabel->setGeometry(kKindLabelRect);
    m_kindLabel->SetPixelSize(CAppFont::kBody);
    for (CBitmapButton* option : {m_allData, m_setup}) {
        option->setCheckable(true);
        option->setAutoExclusive(true); // choosing one clears the other
    }
    m_allData->setObjectName(QStringLiteral("allData"));
    m_allData->setGeometry(kAllDataRect);
    m_setup->setObjectName(QStringLiteral("setup"));
    m_setup->setGeometry(kSetupRect);
    m_allData->setChecked(true);
    AddPanel(kKindPanel);
    PlaceBottomRow(kBottomRowY);

    setTabOrder(PresetButton(kPresets), m_allData);
    setTabOrder(m_allData, m_setup);
    setTabOrder(m_setup, FileButton());
    setTabOrder(FileButton(), CloseButton());
    Retranslate();
}

CSourceSaveDlg::FileKind CSourceSaveDlg::ChosenKind() const {
    return m_setup->isChecked() ? FileKind::Setup : FileKind::AllData;
}

void CSourceSaveDlg::ChooseKind(FileKind kind) {
    (kind == FileKind::Setup ? m_setup : m_allData)->setChecked(true);
}

void CSourceSaveDlg::Retranslate() {
    CPresetDlg::Retranslate();
    setWindowTitle(tr("Source Save"));
    SetHint(tr("Click a preset to store the current setup into it under a name."));
    m_kindLabel->SetText({tr("File type"), {}});
    m_allData->SetText({tr("All data (.dspa)"), {}});
    m_allData->SetAccessibleText({tr("Save all data: the presets read from the device and the setup"), {}});
    m_allData->setToolTip(tr("The device's presets, the setup and the system settings in one file"));
    m_setup->SetText({tr("Setup (.dsps)"), {}});
    m_setup->SetAccessibleText({tr("Save the current setup"), {}});
    m_setup->setToolTip(tr("The current setup only"));
    FileButton()->SetText({tr("Save File..."), {}});
    FileButton()->SetAccessibleText({tr("Save the chosen file type"), {}});
}

void CSourceSaveDlg::PresetClicked(int k) {
    SaveWithName(k);
}

void CSourceSaveDlg::FileClicked() {
    const bool allData = ChosenKind() == FileKind::AllData;
    // All data is read from the device first: without one nothing is asked.
    if (allData && !m_session.Controller().LinkOpen()) {
        m_session.Controller().ShowMessage(CDeviceController::kNotConnected);
        return;
    }
    FileRequest request;
    request.mode = FileRequest::Mode::Save;
    request.title = allData ? tr("Save all data") : tr("Save the setup");
    request.filters = QStringList{allData ? tr("All-data files (*.dspa)") : tr("Setup files (*.dsps)")};
    request.defaultSuffix =
        QLatin1String(allData ? PresetFileFormat::kAllSuffix : PresetFileFormat::kSetupSuffix);
    request.memory = QStringLiteral("presets");
    request.directory = QDir::homePath();
    QPointer<CSourceSaveDlg> self(this);
    m_files.Choose(this, request, [self, allData](const QString& path) {
        if (!self || path.isEmpty())
            return;
        if (allData)
            self->m_presets.SaveAllData(path); // written once the presets have been read
        else
            self->m_presets.SaveSetup(path);
    });
}
