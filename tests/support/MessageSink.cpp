// Stands in for the window that controls post their messages to, and keeps what arrived.
#include "support/MessageSink.h"

#include "link/QtNotifier.h"

#include <QCoreApplication>

std::vector<Notification> CMessageSink::Take() {
    QCoreApplication::sendPostedEvents(this);
    return std::exchange(m_got, {});
}

bool CMessageSink::event(QEvent* event) {
    if (event->type() < QEvent::User || event->type() > QEvent::MaxUser)
        return QObject::event(event);
    const auto* message = static_cast<const CQtNotifier::MessageEvent*>(event);
    m_got.push_back({message->Message(), message->WParam(), message->LParam()});
    return true;
}
