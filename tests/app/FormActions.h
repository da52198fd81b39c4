// What a user does to the form's numeric edits and drop-down lists, for the widget tests of its panels.
#pragma once

#include "app/FormRig.h"
#include "controls/ListButton.h"
#include "editors/NumEdit.h"

#include <QMenu>
#include <QtTest>

// Types a value into a numeric edit as the user does: select, type, Enter.
inline void TypeInto(CNumEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Chooses entry `index` of a list button the way the user does: open it, click the entry.
inline bool ChooseFromList(CListButton* list, int index) {
    QTest::mouseClick(list, Qt::LeftButton);
    QMenu* menu = list->Popup();
    if (!menu || !QTest::qWaitFor([menu] { return menu->isVisible(); }, FormRig::kLimit))
        return false;
    QAction* action = menu->actions().value(index);
    if (!action)
        return false;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    return QTest::qWaitFor([list] { return list->Popup() == nullptr; }, FormRig::kLimit);
}

// Opens a title-bar menu by its button and chooses the item numbered `id`, as the user clicks it.
inline bool ChooseMenuItem(CTavelView& view, int menuButton, int id) {
    QTest::mouseClick(view.findChild<QWidget*>(QString::number(menuButton)), Qt::LeftButton);
    QAction* action = view.findChild<QAction*>(QString::number(id));
    if (!action)
        return false;
    auto* menu = qobject_cast<QMenu*>(action->parent());
    if (!menu || !QTest::qWaitFor([menu] { return menu->isVisible(); }, FormRig::kLimit))
        return false;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    return true;
}

// A widget's place in form coordinates.
inline QRect InForm(const QWidget* w, const QWidget* form) {
    return {w->mapTo(form, QPoint(0, 0)), w->size()};
}
