// The pictures of one control, drawn once per look and size and kept until what they show changes.
#pragma once

#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSize>

#include <cstdint>

// A look is the control's own key: its state bits, the language and whatever else changes the picture.
// Pictures of one size are kept at a time; a new size (or device pixel ratio) starts afresh, so the cache
// never holds more than the control's few looks.
class CSkinPixmapCache {
public:
    // `draw(QPainter&, QSize)` paints the look on a transparent picture; it runs only on a miss.
    template <typename Draw>
    const QPixmap& Get(std::uint64_t look, QSize size, qreal devicePixelRatio, Draw&& draw) {
        if (size != m_size || devicePixelRatio != m_ratio) {
            m_pictures.clear();
            m_size = size;
            m_ratio = devicePixelRatio;
        }
        auto found = m_pictures.find(look);
        if (found == m_pictures.end()) {
            QPixmap picture = NewPicture(size, devicePixelRatio);
            {
                QPainter painter(&picture);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setRenderHint(QPainter::TextAntialiasing);
                draw(painter, size);
            }
            found = m_pictures.insert(look, picture);
        }
        return found.value();
    }

    // What the pictures show changed (a text, a range, a colour): every look is drawn again when needed.
    void Clear() { m_pictures.clear(); }

private:
    static QPixmap NewPicture(QSize size, qreal devicePixelRatio);

    QSize m_size;
    qreal m_ratio = 1.0;
    QHash<std::uint64_t, QPixmap> m_pictures;
};
