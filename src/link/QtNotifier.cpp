// Delivers the link's notifications as posted Qt events to a handler on the thread that owns this object.
#include "link/QtNotifier.h"

#include <QCoreApplication>

CQtNotifier::CQtNotifier(Handler handler, QObject* parent) : QObject(parent), m_handler(std::move(handler)) {}

void CQtNotifier::Post(int message, std::intptr_t wParam, std::intptr_t lParam) {
    if (message < QEvent::User || message > QEvent::MaxUser)
        return; // not a window message of this system
    auto* posted = new MessageEvent(message, wParam, lParam);
    { std::lock_guard handOver(m_handOver); }
    QCoreApplication::postEvent(this, posted);
}

bool CQtNotifier::event(QEvent* event) {
    { std::lock_guard handOver(m_handOver); }
    const auto* message = dynamic_cast<const MessageEvent*>(event);
    if (!message)
        return QObject::event(event);
    if (m_handler)
        m_handler(message->Message(), message->WParam(), message->LParam());
    return true;
}
