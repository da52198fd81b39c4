// The spin buttons' repeat timer on the Qt event loop of the user-interface thread.
#include "editors/QtRepeatTimer.h"

CQtRepeatTimer::CQtRepeatTimer() {
    // Precise: the period is the user-visible rhythm of the repeat, not a background chore.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Fire(); });
}

void CQtRepeatTimer::Start(int periodMs) {
    m_timer.start(periodMs);
}

void CQtRepeatTimer::Stop() {
    m_timer.stop();
}

bool CQtRepeatTimer::IsActive() const {
    return m_timer.isActive();
}
