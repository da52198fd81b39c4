// Posts a control's window messages to the object that handles them, as the program's posted events.
#include "controls/MessagePoster.h"

#include "link/QtNotifier.h"

#include <QCoreApplication>

int CMessagePoster::Id(const QObject& control) const {
    if (m_id)
        return *m_id;
    bool ok = false;
    const int id = control.objectName().toInt(&ok);
    return ok ? id : 0;
}

void CMessagePoster::Post(const QObject& control, int message, std::intptr_t lParam) const {
    if (m_target.isNull())
        return;
    QCoreApplication::postEvent(m_target.data(), new CQtNotifier::MessageEvent(message, Id(control), lParam));
}
