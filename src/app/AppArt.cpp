// The program's own picture: a response curve with two band handles on a dark tile (icon, About, title).
#include "app/AppArt.h"

#include "controls/SkinPalette.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, 5> kIconSizes{16, 24, 32, 48, 64};

QPainterPath Curve() {
    QPainterPath path(QPointF(8, 38));
    path.cubicTo(16, 38, 18, 22, 26, 22);
    path.cubicTo(34, 22, 34, 42, 40, 42);
    path.cubicTo(46, 42, 48, 28, 56, 28);
    return path;
}

} // namespace

void CAppArt::PaintMark(QPainter& painter, const QRectF& target) {
    const double side = std::min(target.width(), target.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(target.center().x() - side / 2, target.center().y() - side / 2);
    painter.scale(side / kGrid, side / kGrid);

    QLinearGradient face(0, 2, 0, 62);
    face.setColorAt(0, QColor(44, 44, 48));
    face.setColorAt(1, CSkinPalette::Background());
    painter.setPen(QPen(QColor(62, 62, 65), 1.5));
    painter.setBrush(face);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 13, 13);

    painter.setPen(QPen(QColor(62, 62, 65), 1));
    for (const double y : {20.0, 32.0, 44.0})
        painter.drawLine(QPointF(9, y), QPointF(55, y));

    const QColor accent = CSkinPalette::Accent();
    QPainterPath area = Curve();
    area.lineTo(56, 54);
    area.lineTo(8, 54);
    area.closeSubpath();
    QLinearGradient glow(0, 20, 0, 54);
    QColor top = accent;
    top.setAlphaF(0.35);
    QColor bottom = accent;
    bottom.setAlphaF(0.0);
    glow.setColorAt(0, top);
    glow.setColorAt(1, bottom);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawPath(area);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(accent, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(Curve());

    painter.setPen(QPen(CSkinPalette::Background(), 1.5));
    painter.setBrush(QColor(240, 240, 244));
    for (const QPointF handle : {QPointF(26, 22), QPointF(40, 42)})
        painter.drawEllipse(handle, 4, 4);
    painter.restore();
}

QIcon CAppArt::WindowIcon() {
    QIcon icon;
    for (const int size : kIconSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        PaintMark(painter, QRectF(0, 0, size, size));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
