// Delivers the link's notifications as posted Qt events to a handler on the thread that owns this object.
#pragma once

#include "link/Notifier.h"

#include <QEvent>
#include <QObject>

#include <cstdint>
#include <functional>
#include <mutex>

// Post may be called from any thread (the I/O worker posts while it holds the link lock); the handler runs
// later, from the event loop of the thread this object lives on, one notification at a time and in the
// order they were posted. Notifications still waiting when the object is destroyed are dropped.
class CQtNotifier : public QObject, public CNotifier {
    Q_OBJECT

public:
    using Handler = std::function<void(int message, std::intptr_t wParam, std::intptr_t lParam)>;

    // A posted window message: the event type is the message number itself (all lie in Qt's user range).
    class MessageEvent : public QEvent {
    public:
        MessageEvent(int message, std::intptr_t wParam, std::intptr_t lParam)
            : QEvent(static_cast<QEvent::Type>(message)), m_wParam(wParam), m_lParam(lParam) {}
        int Message() const { return static_cast<int>(type()); }
        std::intptr_t WParam() const { return m_wParam; }
        std::intptr_t LParam() const { return m_lParam; }

    private:
        std::intptr_t m_wParam;
        std::intptr_t m_lParam;
    };

    explicit CQtNotifier(Handler handler = {}, QObject* parent = nullptr);

    void SetHandler(Handler handler) { m_handler = std::move(handler); }
    void Post(int message, std::intptr_t wParam, std::intptr_t lParam) override;

protected:
    bool event(QEvent* event) override;

private:
    Handler m_handler;
    // Taken after an event is made and before one is read, so that the hand-over is visible to race
    // detectors, which cannot see into Qt's own event queue.
    std::mutex m_handOver;
};
