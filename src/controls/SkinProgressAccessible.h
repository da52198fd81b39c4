// What a screen reader learns of a skinned progress bar.
#pragma once

#include <QAccessibleWidget>

class CSkinProgress;

// Role progress bar with a read-only value interface; its value text is the percentage done.
class CSkinProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CSkinProgressAccessible(CSkinProgress* bar);

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override; // ignored: only the program moves the bar
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    CSkinProgress* Bar() const;
};
