// The program's own picture: a response curve with two band handles on a dark tile (icon, About, title).
#pragma once

#include <QIcon>
#include <QRectF>

class QPainter;

// resources/selvano.svg draws the same picture for the desktop; both use the 64 x 64 grid below.
class CAppArt {
public:
    static constexpr double kGrid = 64.0;

    // The tile scaled into `target` (a square is expected; a wider one is centred).
    static void PaintMark(QPainter& painter, const QRectF& target);
    // The window's icon in the sizes window managers ask for.
    static QIcon WindowIcon();
};
