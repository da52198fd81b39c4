// The controller's view on a terminal: system texts and the transfer's progress on stderr.
#pragma once

#include "control/ControllerView.h"

#include <QTextStream>

// Messages go to stderr in the chosen language; the progress bar is drawn only when stderr is a terminal,
// so nothing but the messages reaches a pipe or a log.
class CTerminalView : public CControllerView {
public:
    CTerminalView(QTextStream& err, int language);

    void ShowMessage(const SysText& text) override;
    void ShowTransferPopup(const PopupRequest& request) override;
    void SetTransferPosition(int position) override;
    void HideTransferPopup() override;
    void SetConnectLook(bool) override {}
    void RefreshAll() override {}
    void RefreshSystemControls() override {}
    void RefreshPresetList() override {}
    void SetCaption(const QString&) override {}

    bool TransferActive() const { return m_active; }
    int Messages() const { return m_messages; }

private:
    void DrawBar(int position);

    QTextStream& m_err;
    int m_language;
    bool m_tty;
    bool m_active = false;
    int m_range = 0;
    int m_messages = 0;
};
