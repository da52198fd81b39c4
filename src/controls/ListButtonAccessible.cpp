// What a screen reader learns of a drop-down list button, and how it opens the list.
#include "controls/ListButtonAccessible.h"

#include "controls/ListButton.h"

#include <QMenu>

CListButtonAccessible::CListButtonAccessible(CListButton* button)
    : QAccessibleWidget(button, QAccessible::ComboBox) {}

CListButton* CListButtonAccessible::Button() const {
    return static_cast<CListButton*>(widget());
}

QString CListButtonAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value)
        return Button()->CurrentText();
    return QAccessibleWidget::text(kind);
}

QAccessible::State CListButtonAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    const bool open = Button()->Popup() != nullptr;
    state.hasPopup = true;
    state.expandable = true;
    state.expanded = open;
    state.collapsed = !open;
    return state;
}

QStringList CListButtonAccessible::actionNames() const {
    QStringList names;
    if (Button()->isEnabled())
        names << showMenuAction() << pressAction();
    return names + QAccessibleWidget::actionNames();
}

void CListButtonAccessible::doAction(const QString& actionName) {
    if (actionName == showMenuAction() || actionName == pressAction())
        Button()->ShowPopup();
    else
        QAccessibleWidget::doAction(actionName);
}
