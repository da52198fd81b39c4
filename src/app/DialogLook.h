// The look the window's own dialogs share: their face, their text fields and their rules.
#pragma once

#include <QRect>
#include <QString>

class QPainter;

class CDialogLook {
public:
    static constexpr int kMargin = 20;       // from the dialog's edges to its contents
    static constexpr int kButtonHeight = 32; // the buttons of the bottom row
    static constexpr int kBottomButtonWidth = 108;

    // The dialog's face: a quiet gradient from the panel grey down to the window's background.
    static void PaintFace(QPainter& painter, const QRect& rect);
    // A rounded panel that groups controls (the preset buttons, the file row).
    static void PaintPanel(QPainter& painter, const QRect& rect);
    // A hairline across the dialog above its bottom row, at `y`.
    static void PaintRule(QPainter& painter, int y, int width);
    // Style sheet of a one-line text field: dark well, accent frame while it has the focus.
    static QString FieldStyle();
};
