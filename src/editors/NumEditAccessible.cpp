// What assistive technology sees of a numeric editor: its text, and its code as a value with range.
#include "editors/NumEditAccessible.h"

#include "editors/NumEdit.h"

#include <QFontMetrics>

namespace {

QAccessibleInterface* CreateFor(const QString& className, QObject* object) {
    if (className == QLatin1String("CNumEdit")) {
        if (auto* edit = qobject_cast<CNumEdit*>(object)) {
            return new CNumEditAccessible(edit);
        }
    }
    return nullptr;
}

} // namespace

CNumEditAccessible::CNumEditAccessible(CNumEdit* edit) : QAccessibleWidget(edit, QAccessible::SpinBox) {}

void CNumEditAccessible::Install() {
    static const bool installed = [] {
        QAccessible::installFactory(&CreateFor);
        return true;
    }();
    (void)installed;
}

void* CNumEditAccessible::interface_cast(QAccessible::InterfaceType type) {
    switch (type) {
    case QAccessible::ValueInterface:
        return static_cast<QAccessibleValueInterface*>(this);
    case QAccessible::TextInterface:
        return static_cast<QAccessibleTextInterface*>(this);
    default:
        return QAccessibleWidget::interface_cast(type);
    }
}

QString CNumEditAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        return Edit()->text();
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State CNumEditAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = !Edit()->isReadOnly();
    s.readOnly = Edit()->isReadOnly();
    s.selectableText = true;
    return s;
}

QVariant CNumEditAccessible::currentValue() const {
    return Edit()->Code();
}

void CNumEditAccessible::setCurrentValue(const QVariant& value) {
    bool ok = false;
    const int code = value.toInt(&ok);
    if (ok && Edit()->isEnabled() && !Edit()->isReadOnly()) {
        Edit()->EnterValue(code);
    }
}

QVariant CNumEditAccessible::maximumValue() const {
    return Edit()->Maximum();
}

QVariant CNumEditAccessible::minimumValue() const {
    return Edit()->Minimum();
}

QVariant CNumEditAccessible::minimumStepSize() const {
    return 1;
}

void CNumEditAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = 0;
    if (selectionIndex == 0 && Edit()->hasSelectedText()) {
        *startOffset = Edit()->selectionStart();
        *endOffset = Edit()->selectionEnd();
    }
}

int CNumEditAccessible::selectionCount() const {
    return Edit()->hasSelectedText() ? 1 : 0;
}

void CNumEditAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void CNumEditAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) {
        Edit()->deselect();
    }
}

void CNumEditAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) {
        Edit()->setSelection(startOffset, endOffset - startOffset);
    }
}

int CNumEditAccessible::cursorPosition() const {
    return Edit()->cursorPosition();
}

void CNumEditAccessible::setCursorPosition(int position) {
    Edit()->setCursorPosition(position);
}

QString CNumEditAccessible::text(int startOffset, int endOffset) const {
    if (startOffset > endOffset) {
        return QString();
    }
    return Edit()->text().mid(startOffset, endOffset - startOffset);
}

int CNumEditAccessible::characterCount() const {
    return static_cast<int>(Edit()->text().size());
}

QRect CNumEditAccessible::characterRect(int offset) const {
    const QString shown = Edit()->text();
    if (offset < 0 || offset >= shown.size()) {
        return QRect();
    }
    const QFontMetrics metrics(Edit()->font());
    const int x = TextLeft() + metrics.horizontalAdvance(shown.left(offset));
    const int width = metrics.horizontalAdvance(shown.at(offset));
    const QRect contents = Edit()->contentsRect();
    const int y = contents.top() + (contents.height() - metrics.height()) / 2;
    return QRect(Edit()->mapToGlobal(QPoint(x, y)), QSize(width, metrics.height()));
}

int CNumEditAccessible::offsetAtPoint(const QPoint& point) const {
    return Edit()->cursorPositionAt(Edit()->mapFromGlobal(point));
}

void CNumEditAccessible::scrollToSubstring(int startIndex, int endIndex) {
    // The editor scrolls to keep its cursor visible: show the end, then the start.
    Edit()->setCursorPosition(endIndex);
    Edit()->setCursorPosition(startIndex);
}

QString CNumEditAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = offset;
    *endOffset = offset;
    return QString();
}

CNumEdit* CNumEditAccessible::Edit() const {
    return static_cast<CNumEdit*>(widget());
}

int CNumEditAccessible::TextLeft() const {
    const QRect contents = Edit()->contentsRect().marginsRemoved(Edit()->textMargins());
    const int width = QFontMetrics(Edit()->font()).horizontalAdvance(Edit()->text());
    const Qt::Alignment horizontal = Edit()->alignment() & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignHCenter) {
        return contents.left() + (contents.width() - width) / 2;
    }
    if (horizontal & Qt::AlignRight) {
        return contents.right() - width;
    }
    return contents.left();
}
