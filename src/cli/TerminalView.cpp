// What a session shows, on a terminal: system texts and the transfer's progress on stderr.
#include "cli/TerminalView.h"

#include "control/Session.h"

#include <algorithm>

#include <unistd.h>

namespace {
constexpr int kBarWidth = 40; // characters
}

CTerminalView::CTerminalView(CSession& session, QTextStream& err, int language)
    : m_err(err), m_language(language), m_tty(isatty(STDERR_FILENO) != 0) {
    connect(&session, &CSession::messageShown, this, &CTerminalView::ShowMessage);
    connect(&session, &CSession::transferStarted, this, &CTerminalView::ShowTransferPopup);
    connect(&session, &CSession::transferProgress, this, &CTerminalView::SetTransferPosition);
    connect(&session, &CSession::transferFinished, this, &CTerminalView::HideTransferPopup);
}

void CTerminalView::ShowMessage(const SysText& text) {
    ++m_messages;
    if (m_tty && m_active)
        m_err << '\n';
    m_err << "selvano-ctl: " << text.In(m_language) << '\n';
    m_err.flush();
}

void CTerminalView::ShowTransferPopup(const PopupRequest& request) {
    if (!request.show)
        return;
    m_active = true;
    m_range = request.range;
    DrawBar(0);
}

void CTerminalView::SetTransferPosition(int position) {
    DrawBar(position);
}

void CTerminalView::HideTransferPopup() {
    if (m_active && m_tty) {
        DrawBar(m_range);
        m_err << '\n';
        m_err.flush();
    }
    m_active = false;
}

void CTerminalView::DrawBar(int position) {
    if (!m_tty || m_range <= 0)
        return;
    const int filled = std::clamp(position * kBarWidth / m_range, 0, kBarWidth);
    m_err << '\r' << '[' << QString(filled, QLatin1Char('#')) << QString(kBarWidth - filled, QLatin1Char(' '))
          << "] " << position << '/' << m_range;
    m_err.flush();
}
