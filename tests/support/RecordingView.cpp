// A controller view for tests: writes down every call as one line of text, in order.
#include "support/RecordingView.h"

void CRecordingView::Record(const QString& line) {
    m_lines << line;
    if (onLine)
        onLine(line);
}

void CRecordingView::ShowMessage(const SysText& text) {
    Record(QStringLiteral("message ") + QString::fromUtf8(text.en));
}

void CRecordingView::ShowTransferPopup(const PopupRequest& request) {
    m_popupShown = true;
    Record(QStringLiteral("popup show modal=%1 range=%2").arg(request.modal ? 1 : 0).arg(request.range));
}

void CRecordingView::SetTransferPosition(int position) {
    Record(QStringLiteral("position %1").arg(position));
}

void CRecordingView::HideTransferPopup() {
    m_popupShown = false;
    Record(QStringLiteral("popup hide"));
}

void CRecordingView::SetConnectLook(bool connected) {
    m_connectedLook = connected;
    Record(connected ? QStringLiteral("look connected") : QStringLiteral("look idle"));
}

void CRecordingView::RefreshAll() {
    Record(QStringLiteral("refresh all"));
}

void CRecordingView::RefreshSystemControls() {
    Record(QStringLiteral("refresh system"));
}

void CRecordingView::RefreshPresetList() {
    Record(QStringLiteral("refresh presets"));
}

void CRecordingView::SetCaption(const QString& caption) {
    Record(QStringLiteral("caption ") + caption);
}

QStringList CRecordingView::Lines(const QString& prefix) const {
    QStringList out;
    for (const QString& line : m_lines)
        if (line.startsWith(prefix))
            out << line;
    return out;
}

QStringList CRecordingView::Messages() const {
    QStringList out;
    for (const QString& line : Lines(QStringLiteral("message ")))
        out << line.mid(8);
    return out;
}
