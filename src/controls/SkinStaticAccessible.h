// What a screen reader learns of a skinned label.
#pragma once

#include <QAccessibleWidget>

class CSkinStatic;

// Role static text; its name is the accessible name when one is set, else the text shown.
class CSkinStaticAccessible : public QAccessibleWidget {
public:
    explicit CSkinStaticAccessible(CSkinStatic* label);

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
};
