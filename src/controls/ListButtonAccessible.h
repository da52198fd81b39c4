// What a screen reader learns of a drop-down list button, and how it opens the list.
#pragma once

#include <QAccessibleWidget>

class CListButton;

// Role combo box; its value is the chosen entry's text in the current language. Actions: press and show
// menu open the list, whose entries Qt's own menu interfaces present.
class CListButtonAccessible : public QAccessibleWidget {
public:
    explicit CListButtonAccessible(CListButton* button);

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    CListButton* Button() const;
};
