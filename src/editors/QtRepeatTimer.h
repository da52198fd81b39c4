// The spin buttons' repeat timer on the Qt event loop of the user-interface thread.
#pragma once

#include "editors/RepeatTimer.h"

#include <QTimer>

class CQtRepeatTimer : public CRepeatTimer {
public:
    CQtRepeatTimer();

    void Start(int periodMs) override;
    void Stop() override;
    bool IsActive() const override;

private:
    QTimer m_timer;
};
