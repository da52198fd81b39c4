// What a session shows, on a terminal: system texts and the transfer's progress on stderr.
#pragma once

#include "base/SysText.h"
#include "link/TransferBatches.h"

#include <QObject>
#include <QTextStream>

class CSession;

// Subscribes to the session's texts and transfer signals. Messages go to stderr in the chosen language; the
// progress bar is drawn only when stderr is a terminal, so nothing but the messages reaches a pipe or a log.
// The firmware command drives the bar itself through the same calls.
class CTerminalView : public QObject {
public:
    CTerminalView(CSession& session, QTextStream& err, int language);

    void ShowMessage(const SysText& text);
    void ShowTransferPopup(const PopupRequest& request);
    void SetTransferPosition(int position);
    void HideTransferPopup();

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
