// What a session shows, for tests: every signal of it written down as one line of text, in order.
#include "support/RecordingView.h"

#include "control/Session.h"

CRecordingView::CRecordingView(CSession& session) {
    connect(&session, &CSession::messageShown, this,
            [this](const SysText& text) { Record(QStringLiteral("message ") + QString::fromUtf8(text.en)); });
    connect(&session, &CSession::transferStarted, this, [this](const PopupRequest& request) {
        m_popupShown = true;
        Record(QStringLiteral("popup show modal=%1 range=%2").arg(request.modal ? 1 : 0).arg(request.range));
    });
    connect(&session, &CSession::transferProgress, this,
            [this](int position) { Record(QStringLiteral("position %1").arg(position)); });
    connect(&session, &CSession::transferFinished, this, [this] {
        m_popupShown = false;
        Record(QStringLiteral("popup hide"));
    });
    connect(&session, &CSession::linkStateChanged, this, [this](bool open) {
        m_connectedLook = open;
        Record(open ? QStringLiteral("look connected") : QStringLiteral("look idle"));
    });
    connect(&session, &CSession::modelReloaded, this, [this] { Record(QStringLiteral("refresh all")); });
    connect(&session, &CSession::deviceSystemChanged, this,
            [this] { Record(QStringLiteral("refresh system")); });
    connect(&session, &CSession::presetNamesChanged, this,
            [this] { Record(QStringLiteral("refresh presets")); });
    connect(&session, &CSession::captionChanged, this,
            [this](const QString& caption) { Record(QStringLiteral("caption ") + caption); });
}

void CRecordingView::Record(const QString& line) {
    m_lines << line;
    if (onLine)
        onLine(line);
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
