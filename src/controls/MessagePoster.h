// Posts a control's window messages to the object that handles them, as the program's posted events.
#pragma once

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <optional>

// A control's number is the id it was given, else its objectName read as a number ("8650"), else 0.
// Messages are posted, never sent, so a handler always runs after the control has finished its event.
class CMessagePoster {
public:
    void SetTarget(QObject* target) { m_target = target; }
    QObject* Target() const { return m_target; }

    void SetId(int id) { m_id = id; }
    int Id(const QObject& control) const;

    // Nothing is posted without a target, or once the target is gone.
    void Post(const QObject& control, int message, std::intptr_t lParam) const;

private:
    QPointer<QObject> m_target;
    std::optional<int> m_id;
};
