// What a screen reader learns of a skinned button and how it presses one.
#include "controls/BitmapButtonAccessible.h"

#include "controls/BitmapButton.h"

#include <QButtonGroup>

CBitmapButtonAccessible::CBitmapButtonAccessible(CBitmapButton* button)
    : QAccessibleWidget(button, QAccessible::Button) {}

CBitmapButton* CBitmapButtonAccessible::Button() const {
    return static_cast<CBitmapButton*>(widget());
}

QAccessible::Role CBitmapButtonAccessible::role() const {
    const CBitmapButton* button = Button();
    const bool exclusive = button->autoExclusive() || (button->group() && button->group()->exclusive());
    return button->isCheckable() && exclusive ? QAccessible::RadioButton : QAccessible::Button;
}

QAccessible::State CBitmapButtonAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    const CBitmapButton* button = Button();
    state.checkable = button->isCheckable();
    state.checked = button->isChecked();
    state.pressed = button->isDown();
    return state;
}

QString CBitmapButtonAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Name) {
        const QString name = QAccessibleWidget::text(kind);
        return name.isEmpty() ? Button()->text() : name;
    }
    return QAccessibleWidget::text(kind);
}

QStringList CBitmapButtonAccessible::actionNames() const {
    QStringList names;
    if (Button()->isEnabled()) {
        names << pressAction();
        if (Button()->isCheckable())
            names << toggleAction();
    }
    return names + QAccessibleWidget::actionNames();
}

void CBitmapButtonAccessible::doAction(const QString& actionName) {
    if (!Button()->isEnabled())
        return;
    if (actionName == pressAction() || actionName == toggleAction())
        Button()->click();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList CBitmapButtonAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == pressAction() || actionName == toggleAction())
        return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
