// The look the window's own dialogs share: their face, their text fields and their rules.
#include "app/DialogLook.h"

#include "controls/SkinPalette.h"

#include <QLinearGradient>
#include <QPainter>

void CDialogLook::PaintFace(QPainter& painter, const QRect& rect) {
    QLinearGradient face(0, rect.top(), 0, rect.bottom());
    face.setColorAt(0, QColor(38, 38, 42));
    face.setColorAt(1, CSkinPalette::Background());
    painter.fillRect(rect, face);
}

void CDialogLook::PaintPanel(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(48, 48, 52), 1));
    painter.setBrush(QColor(30, 30, 33));
    painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.restore();
}

void CDialogLook::PaintRule(QPainter& painter, int y, int width) {
    painter.save();
    painter.setPen(QPen(QColor(52, 52, 56), 1));
    painter.drawLine(0, y, width, y);
    painter.restore();
}

QString CDialogLook::FieldStyle() {
    return QStringLiteral(
        "QLineEdit { background: #121214; color: #e0e0e4; border: 1px solid #46464a; border-radius: 4px;"
        " padding: 4px 8px; selection-background-color: #3da5f4; selection-color: #ffffff; }"
        "QLineEdit:focus { border-color: #3da5f4; }"
        "QLineEdit:read-only { color: #96969b; }");
}
