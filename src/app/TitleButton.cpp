// A button of the title bar painted in the window's skin: a label, a glyph, or both, with a status light.
#include "app/TitleButton.h"

#include "app/AppFont.h"
#include "controls/SkinPalette.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>

namespace {

constexpr int kRadius = 6;
constexpr int kLightSize = 8;
constexpr int kPadding = 12;
constexpr int kCaretWidth = 10;
constexpr int kGlyphBox = 16;

const QColor kLight{52, 199, 89};   // the status light when lit
const QColor kLightOff{88, 88, 92}; // and when not
const QColor kCloseHover{196, 43, 28};

struct Face {
    QColor fill;
    QColor edge;
};

// The face for each state, most specific first: pressed, hovered, at rest; the lit look tints all three.
Face FaceOf(bool down, bool hovered, bool lit) {
    if (lit) {
        if (down)
            return {QColor(28, 52, 36), QColor(52, 120, 72)};
        return hovered ? Face{QColor(40, 72, 50), QColor(62, 150, 88)}
                       : Face{QColor(32, 60, 42), QColor(52, 120, 72)};
    }
    if (down)
        return {QColor(33, 33, 36), QColor(62, 62, 65)};
    return hovered ? Face{QColor(54, 54, 58), QColor(90, 90, 95)}
                   : Face{QColor(40, 40, 43), QColor(58, 58, 62)};
}

} // namespace

CTitleButton::CTitleButton(int id, Glyph glyph, QWidget* parent) : QAbstractButton(parent), m_glyph(glyph) {
    setObjectName(QString::number(id));
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setFont(CAppFont::Pixels(CAppFont::kBody, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
}

void CTitleButton::SetStatusLight(bool shown) {
    m_statusLight = shown;
    updateGeometry();
    update();
}

void CTitleButton::SetLit(bool lit) {
    if (m_lit == lit)
        return;
    m_lit = lit;
    update();
}

QSize CTitleButton::sizeHint() const {
    const int height = 28;
    if (m_glyph != Glyph::None && m_glyph != Glyph::Caret)
        return {36, height};
    int width = 2 * kPadding + fontMetrics().horizontalAdvance(text());
    if (m_statusLight)
        width += kLightSize + 8;
    if (m_glyph == Glyph::Caret)
        width += kCaretWidth + 6;
    return {width, height};
}

void CTitleButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CTitleButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CTitleButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool enabled = isEnabled();
    const bool hovered = enabled && m_hovered;
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);

    const bool window = m_glyph == Glyph::Minimise || m_glyph == Glyph::Close;
    Face face = FaceOf(isDown(), hovered, m_lit && enabled);
    if (window) {
        // The window's own buttons sit flat on the bar until the mouse comes.
        face.edge = Qt::transparent;
        face.fill = hovered ? (m_glyph == Glyph::Close ? kCloseHover : QColor(54, 54, 58)) : Qt::transparent;
        if (isDown())
            face.fill = face.fill.darker(120);
    }
    p.setPen(QPen(face.edge, 1));
    p.setBrush(face.fill);
    p.drawRoundedRect(box, kRadius, kRadius);
    if (hasFocus()) {
        p.setPen(QPen(CSkinPalette::Accent(), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(box.adjusted(1, 1, -1, -1), kRadius - 1, kRadius - 1);
    }

    QColor ink = enabled ? QColor(224, 224, 228) : QColor(100, 100, 104);
    if (window && hovered && m_glyph == Glyph::Close)
        ink = Qt::white;

    if (m_glyph != Glyph::None && m_glyph != Glyph::Caret) {
        const QRectF glyph(box.center().x() - kGlyphBox / 2.0, box.center().y() - kGlyphBox / 2.0, kGlyphBox,
                           kGlyphBox);
        PaintGlyph(p, glyph, ink);
        return;
    }

    double x = kPadding;
    if (m_statusLight) {
        const QColor light = m_lit ? kLight : kLightOff;
        p.setPen(Qt::NoPen);
        p.setBrush(enabled ? light : light.darker(200));
        p.drawEllipse(QRectF(x, box.center().y() - kLightSize / 2.0, kLightSize, kLightSize));
        x += kLightSize + 8;
    }
    p.setPen(ink);
    p.setFont(font());
    const double textRight =
        m_glyph == Glyph::Caret ? box.right() - kPadding - kCaretWidth - 6 : box.right() - kPadding;
    p.drawText(QRectF(x, box.top(), textRight - x, box.height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    if (m_glyph == Glyph::Caret)
        PaintGlyph(p, QRectF(box.right() - kPadding - kCaretWidth, box.center().y() - 5, kCaretWidth, 10),
                   ink);
}

void CTitleButton::PaintGlyph(QPainter& p, const QRectF& g, const QColor& ink) const {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (m_glyph) {
    case Glyph::Settings: {
        // Three faders, their knobs at different heights of the mix.
        constexpr std::array<double, 3> knobs{0.3, 0.7, 0.45};
        for (std::size_t i = 0; i < knobs.size(); ++i) {
            const double y = g.top() + 2 + static_cast<double>(i) * 6;
            p.drawLine(QPointF(g.left() + 1, y), QPointF(g.right() - 1, y));
        }
        p.setBrush(ink);
        p.setPen(QPen(QColor(40, 40, 43), 1.2));
        for (std::size_t i = 0; i < knobs.size(); ++i) {
            const double y = g.top() + 2 + static_cast<double>(i) * 6;
            p.drawEllipse(QPointF(g.left() + 1 + knobs[i] * (g.width() - 2), y), 2.6, 2.6);
        }
        break;
    }
    case Glyph::Minimise:
        p.drawLine(QPointF(g.left() + 3, g.center().y() + 0.5), QPointF(g.right() - 3, g.center().y() + 0.5));
        break;
    case Glyph::Close:
        p.drawLine(QPointF(g.left() + 3.5, g.top() + 3.5), QPointF(g.right() - 3.5, g.bottom() - 3.5));
        p.drawLine(QPointF(g.right() - 3.5, g.top() + 3.5), QPointF(g.left() + 3.5, g.bottom() - 3.5));
        break;
    case Glyph::Caret: {
        QPainterPath chevron(QPointF(g.left() + 1, g.top() + 3));
        chevron.lineTo(g.center().x(), g.bottom() - 3);
        chevron.lineTo(g.right() - 1, g.top() + 3);
        p.drawPath(chevron);
        break;
    }
    case Glyph::Undo:
    case Glyph::Redo: {
        // A half turn over the top, its head pointing down where it started.
        const bool undo = m_glyph == Glyph::Undo;
        const double sign = undo ? 1.0 : -1.0;
        const QPointF centre = g.center() + QPointF(0, 1.5);
        const double r = std::min(g.width(), g.height()) / 2 - 2;
        QPainterPath arc;
        const QRectF circle(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
        arc.arcMoveTo(circle, undo ? -60 : 240);
        arc.arcTo(circle, undo ? -60 : 240, sign * 240);
        p.drawPath(arc);
        const QPointF tip = arc.currentPosition();
        p.drawLine(tip, tip + QPointF(-3.0, -3.5));
        p.drawLine(tip, tip + QPointF(3.0, -3.5));
        break;
    }
    case Glyph::None:
        break;
    }
}
