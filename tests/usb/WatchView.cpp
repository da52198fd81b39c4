// The USB rig's view of a controller: every system text and popup as one line on stdout.
#include "usb/WatchView.h"

#include <cstdio>

void CWatchView::Print(const QString& text) const {
    std::printf("%s: %s\n", qPrintable(m_label), text.toUtf8().constData());
    std::fflush(stdout);
}

void CWatchView::ShowMessage(const SysText& text) {
    Print(QStringLiteral("message ") + text.In(0));
}

void CWatchView::ShowTransferPopup(const PopupRequest& request) {
    if (request.show)
        Print(QStringLiteral("transfer %1 items").arg(request.range));
}

void CWatchView::HideTransferPopup() {
    Print(QStringLiteral("transfer done"));
}

void CWatchView::SetConnectLook(bool connected) {
    Print(connected ? QStringLiteral("look connected") : QStringLiteral("look disconnected"));
}
