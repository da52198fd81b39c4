// Stands in for the window that controls post their messages to, and keeps what arrived.
#pragma once

#include "support/CollectingNotifier.h"

#include <QObject>

#include <vector>

class CMessageSink : public QObject {
public:
    // Delivers what was posted to the sink so far, then hands it over and forgets it.
    std::vector<Notification> Take();

protected:
    bool event(QEvent* event) override;

private:
    std::vector<Notification> m_got;
};
