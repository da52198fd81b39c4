// A speaker position on the car picture: a round marker showing which channel plays there.
#include "app/PositionIcon.h"

#include "controls/SkinFont.h"
#include "controls/SkinPalette.h"

#include <QPainter>

namespace {

enum LookBit : std::uint64_t {
    kHover = 1,
    kDown = 2,
    kHighlighted = 4,
    kEnabled = 8,
};
constexpr int kChannelShift = 8; // the channel number and colour are part of the picture
constexpr int kColourShift = 16;

} // namespace

CPositionIcon::CPositionIcon(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(CSkinFont::Pixel(11, QFont::Bold));
    resize(kDiameter, kDiameter);
}

QSize CPositionIcon::sizeHint() const {
    return {kDiameter, kDiameter};
}

void CPositionIcon::SetChannel(int channel, const QColor& colour) {
    if (channel == m_channel && colour == m_colour)
        return;
    m_channel = channel;
    m_colour = colour;
    update();
}

void CPositionIcon::SetHighlighted(bool on) {
    if (on == m_highlighted)
        return;
    m_highlighted = on;
    update();
}

bool CPositionIcon::hitButton(const QPoint& pos) const {
    // The disc, not its square corners.
    const QPointF d = QPointF(pos) - QRectF(rect()).center();
    const double r = width() / 2.0;
    return d.x() * d.x() + d.y() * d.y() <= r * r;
}

void CPositionIcon::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CPositionIcon::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

std::uint64_t CPositionIcon::Look() const {
    std::uint64_t look = 0;
    if (isEnabled()) {
        look |= kEnabled;
        if (m_hover)
            look |= kHover;
        if (isDown())
            look |= kDown;
    }
    if (m_highlighted)
        look |= kHighlighted;
    look |= static_cast<std::uint64_t>(m_channel + 1) << kChannelShift;
    look |= static_cast<std::uint64_t>(m_colour.rgb() & 0xffffffu) << kColourShift;
    return look;
}

void CPositionIcon::paintEvent(QPaintEvent*) {
    const std::uint64_t look = Look();
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_cache.Get(look, size(), devicePixelRatioF(), [&](QPainter& p, QSize s) {
        DrawLook(p, s, look);
    }));
}

void CPositionIcon::DrawLook(QPainter& painter, QSize size, std::uint64_t look) const {
    const QRectF outer(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    const QRectF disc = outer.adjusted(2.0, 2.0, -2.0, -2.0);
    const bool highlighted = (look & kHighlighted) != 0;

    // The current channel's marker: a halo in the accent around an accent face.
    if (highlighted) {
        painter.setPen(Qt::NoPen);
        QColor halo = CSkinPalette::Accent();
        halo.setAlpha(90);
        painter.setBrush(halo);
        painter.drawEllipse(outer);
    }
    QColor face = highlighted ? CSkinPalette::AccentFace() : CSkinPalette::Panel();
    if (look & kDown)
        face = face.darker(115);
    else if (look & kHover)
        face = face.lighter(125);
    painter.setBrush(face);
    painter.setPen(QPen(m_colour.isValid() ? m_colour : CSkinPalette::Edge(), 2.0));
    painter.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));

    if (m_channel < 0)
        return;
    painter.setFont(font());
    painter.setPen((look & kEnabled) ? CSkinPalette::AccentText() : CSkinPalette::DisabledText());
    painter.drawText(disc, Qt::AlignCenter, QString::number(m_channel + 1));
}
