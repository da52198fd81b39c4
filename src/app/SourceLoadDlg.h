// The Source Load dialog: recall one of the device's presets, or load a setup or all-data file.
#pragma once

#include "app/PresetDlg.h"

// A click on preset k while a device is linked recalls it with the master output off during the read and
// makes it the current preset; without a device a click does nothing. The file button loads a ".dsps" or
// ".dspa" file and sends it to the device.
class CSourceLoadDlg : public CPresetDlg {
    Q_OBJECT

public:
    CSourceLoadDlg(CSession& session, CMsgBox& msgBox, CFileChooser& files, QWidget* parent);

protected:
    void PresetClicked(int k) override;
    void FileClicked() override;
    void Retranslate() override;
};
