// A button of the title bar painted in the window's skin: a label, a glyph, or both, with a status light.
#pragma once

#include <QAbstractButton>

// Looks: at rest, under the mouse, held down, keyboard focus (accent ring), disabled (dimmed); the lit look
// (a green light and a face tinted with it) says a state is on, such as an open link. Clicks do not take
// the focus, so the focus ring shows only when the keyboard brought it.
class CTitleButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Glyph {
        None,     // label only
        Settings, // three sliders
        Minimise,
        Close,
        Caret, // a label followed by a small chevron: the button opens a menu
        Undo,  // an arrow turning back to the left
        Redo,  // the same arrow, mirrored
    };

    // `id` is the control's number and becomes its object name.
    CTitleButton(int id, Glyph glyph, QWidget* parent = nullptr);

    void SetStatusLight(bool shown); // a round light before the label
    void SetLit(bool lit);
    bool IsLit() const { return m_lit; }
    bool IsHovered() const { return m_hovered; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void PaintGlyph(QPainter& painter, const QRectF& box, const QColor& ink) const;

    Glyph m_glyph;
    bool m_statusLight = false;
    bool m_lit = false;
    bool m_hovered = false;
};
