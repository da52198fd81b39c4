// Makes the skinned controls known to Qt's accessibility, so screen readers can use them.
#pragma once

#include <QString>

class QAccessibleInterface;
class QObject;

class CSkinAccessibility {
public:
    // Call once before the window is shown (further calls change nothing).
    static void Install();

    // The factory Install registers: an interface for the skinned control classes, null for the others.
    static QAccessibleInterface* Create(const QString& className, QObject* object);
};
