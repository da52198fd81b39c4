// The Source Save dialog: store the current setup into one of the device's presets under a name, or save a
// setup or all-data file.
#pragma once

#include "app/PresetDlg.h"

class CSkinStatic;

// A click on preset k runs the save-with-name flow. The two option buttons (one of them always chosen)
// decide what the file button saves: all data (".dspa", read from the device first) or the setup (".dsps").
class CSourceSaveDlg : public CPresetDlg {
    Q_OBJECT

public:
    enum class FileKind { AllData, Setup };

    CSourceSaveDlg(CSession& session, CMsgBox& msgBox, CFileChooser& files, QWidget* parent);

    FileKind ChosenKind() const;
    void ChooseKind(FileKind kind);
    CBitmapButton* AllDataOption() const { return m_allData; }
    CBitmapButton* SetupOption() const { return m_setup; }

protected:
    void PresetClicked(int k) override;
    void FileClicked() override;
    void Retranslate() override;

private:
    CSkinStatic* m_kindLabel;
    CBitmapButton* m_allData;
    CBitmapButton* m_setup;
};
