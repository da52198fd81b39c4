// What assistive technology sees of a numeric editor: its text, and its code as a value with range.
#pragma once

#include <QAccessibleWidget>

class CNumEdit;

// Role spin box, as for Qt's own spin boxes: the name is the editor's accessible name (set by the page),
// the value text is what the editor shows, the value is the code within the editor's range; setting the
// value enters it as if typed. The text interface reads and moves the cursor and selection of the text.
class CNumEditAccessible : public QAccessibleWidget,
                           public QAccessibleValueInterface,
                           public QAccessibleTextInterface {
public:
    explicit CNumEditAccessible(CNumEdit* edit);

    // Makes Qt use this interface for every CNumEdit; safe to call more than once.
    static void Install();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    CNumEdit* Edit() const;
    int TextLeft() const; // x of the first character in the editor, from its alignment
};
