// The pictures of one control, drawn once per look and size and kept until what they show changes.
#include "controls/SkinPixmapCache.h"

QPixmap CSkinPixmapCache::NewPicture(QSize size, qreal devicePixelRatio) {
    QPixmap picture(size.expandedTo({1, 1}) * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    return picture;
}
