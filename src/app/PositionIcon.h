// A speaker position on the car picture: a round marker showing which channel plays there.
#pragma once

#include "controls/SkinPixmapCache.h"

#include <QAbstractButton>
#include <QColor>

// A push button drawn as a disc with the channel's number inside a ring of its curve colour, so that the
// marker, the CH button and the graph's curve are found as one. The highlighted marker (the current
// channel's) wears the accent. It takes no focus: the CH buttons select channels from the keyboard, and a
// screen reader presses it through its button interface.
class CPositionIcon : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kDiameter = 22;

    explicit CPositionIcon(QWidget* parent = nullptr);

    // The channel 0..7 the position stands for (its number is shown) and its curve colour.
    void SetChannel(int channel, const QColor& colour);
    int Channel() const { return m_channel; }
    void SetHighlighted(bool on);
    bool IsHighlighted() const { return m_highlighted; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::uint64_t Look() const;
    void DrawLook(QPainter& painter, QSize size, std::uint64_t look) const;

    int m_channel = -1;
    QColor m_colour;
    bool m_highlighted = false;
    bool m_hover = false;
    CSkinPixmapCache m_cache;
};
