// What a screen reader learns of a skinned label.
#include "controls/SkinStaticAccessible.h"

#include "controls/SkinStatic.h"

CSkinStaticAccessible::CSkinStaticAccessible(CSkinStatic* label)
    : QAccessibleWidget(label, QAccessible::StaticText) {}

QString CSkinStaticAccessible::text(QAccessible::Text kind) const {
    const QString text = QAccessibleWidget::text(kind);
    if (kind == QAccessible::Name && text.isEmpty())
        return static_cast<CSkinStatic*>(widget())->CurrentText();
    return text;
}

QAccessible::State CSkinStaticAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
}
