// The USB rig's view of a controller: every system text and popup as one line on stdout.
#pragma once

#include "control/ControllerView.h"

#include <QString>

class CWatchView : public CControllerView {
public:
    explicit CWatchView(QString label) : m_label(std::move(label)) {}

    void ShowMessage(const SysText& text) override;
    void ShowTransferPopup(const PopupRequest& request) override;
    void SetTransferPosition(int) override {}
    void HideTransferPopup() override;
    void SetConnectLook(bool connected) override;
    void RefreshAll() override {}
    void RefreshSystemControls() override {}
    void RefreshPresetList() override {}
    void SetCaption(const QString&) override {}

    // One line "LABEL: TEXT", flushed at once (the rig reads it while the program runs).
    void Print(const QString& text) const;

private:
    QString m_label;
};
