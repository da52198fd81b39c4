// What a screen reader learns of a skinned button and how it presses one.
#pragma once

#include <QAccessibleWidget>

class CBitmapButton;

// Role: radio button inside an exclusive group (QButtonGroup or auto-exclusive), else a push button whose
// state says whether it is a toggle and whether it is on. Actions: press (and toggle for a toggle).
class CBitmapButtonAccessible : public QAccessibleWidget {
public:
    explicit CBitmapButtonAccessible(CBitmapButton* button);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    CBitmapButton* Button() const;
};
