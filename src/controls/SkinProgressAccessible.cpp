// What a screen reader learns of a skinned progress bar.
#include "controls/SkinProgressAccessible.h"

#include "controls/SkinProgress.h"

CSkinProgressAccessible::CSkinProgressAccessible(CSkinProgress* bar)
    : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

CSkinProgress* CSkinProgressAccessible::Bar() const {
    return static_cast<CSkinProgress*>(widget());
}

QString CSkinProgressAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value)
        return QStringLiteral("%1%").arg(Bar()->Percent());
    return QAccessibleWidget::text(kind);
}

QAccessible::State CSkinProgressAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
}

void* CSkinProgressAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant CSkinProgressAccessible::currentValue() const {
    return Bar()->Position();
}

void CSkinProgressAccessible::setCurrentValue(const QVariant&) {}

QVariant CSkinProgressAccessible::maximumValue() const {
    return Bar()->Maximum();
}

QVariant CSkinProgressAccessible::minimumValue() const {
    return Bar()->Minimum();
}

QVariant CSkinProgressAccessible::minimumStepSize() const {
    return 1;
}
