// A skinned push, toggle or radio button whose text follows the interface language.
#include "controls/BitmapButton.h"

#include "controls/SkinFont.h"
#include "controls/SkinLanguage.h"
#include "controls/SkinPalette.h"

#include <QKeyEvent>

#include <algorithm>

namespace {

enum LookBit : std::uint64_t {
    kEnabled = 1,
    kHover = 2,
    kDown = 4,
    kChecked = 8,
    kFocus = 16,
    kChinese = 32,
};

constexpr int kPaddingX = 10;  // text to the face's side
constexpr int kIconGap = 6;    // icon to text
constexpr qreal kRadius = 4.0; // face corners

struct FaceColours {
    QColor face;
    QColor edge;
    QColor text;
};

FaceColours ColoursFor(std::uint64_t look) {
    const bool checked = look & kChecked;
    if (!(look & kEnabled))
        return checked ? FaceColours{CSkinPalette::AccentDim(), CSkinPalette::AccentDim(),
                                     CSkinPalette::DimText()}
                       : FaceColours{CSkinPalette::Background().lighter(115), CSkinPalette::Panel(),
                                     CSkinPalette::DisabledText()};
    if (checked) {
        const QColor face = CSkinPalette::AccentFace();
        if (look & kDown)
            return {face.darker(118), CSkinPalette::Accent().darker(115), CSkinPalette::AccentText()};
        return {(look & kHover) ? face.lighter(110) : face, CSkinPalette::Accent(),
                CSkinPalette::AccentText()};
    }
    if (look & kDown)
        return {CSkinPalette::PanelDown(), CSkinPalette::EdgeLight(), CSkinPalette::Text()};
    if (look & kHover)
        return {CSkinPalette::PanelHover(), CSkinPalette::EdgeLight(), CSkinPalette::Text()};
    return {CSkinPalette::Panel(), CSkinPalette::Edge(), CSkinPalette::Text()};
}

bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

CBitmapButton::CBitmapButton(QWidget* parent)
    : QAbstractButton(parent), m_language(CSkinLanguage::Current()) {
    setFocusPolicy(Qt::StrongFocus);
    setFont(CSkinFont::Pixel());
    setIconSize({16, 16});
}

CBitmapButton::CBitmapButton(const SkinText& text, QWidget* parent) : CBitmapButton(parent) {
    SetText(text);
}

void CBitmapButton::SetText(const SkinText& text) {
    m_text = text;
    ApplyLanguage();
}

void CBitmapButton::SetAccessibleText(const SkinText& name) {
    m_accessibleText = name;
    ApplyLanguage();
}

void CBitmapButton::SetLanguage(int language) {
    m_language = language == 1 ? 1 : 0;
    ApplyLanguage();
}

void CBitmapButton::ApplyLanguage() {
    setText(m_text.In(m_language));
    setAccessibleName(m_accessibleText.In(m_language));
    updateGeometry();
    update();
}

QSize CBitmapButton::sizeHint() const {
    const QFontMetrics metrics(font());
    int width = 2 * kPaddingX;
    if (!icon().isNull())
        width += iconSize().width() + (text().isEmpty() ? 0 : kIconGap);
    width += metrics.horizontalAdvance(text());
    const int height = std::max({24, metrics.height() + 10, iconSize().height() + 8});
    return {std::max(width, height), height};
}

QSize CBitmapButton::minimumSizeHint() const {
    return {16, 16};
}

std::uint64_t CBitmapButton::Look() const {
    std::uint64_t look = 0;
    if (isEnabled()) {
        look |= kEnabled;
        if (m_hover)
            look |= kHover;
        if (isDown() || m_enterDown)
            look |= kDown;
        if (hasFocus())
            look |= kFocus;
    }
    if (isChecked())
        look |= kChecked;
    if (m_language == 1)
        look |= kChinese;
    return look;
}

void CBitmapButton::paintEvent(QPaintEvent*) {
    if (text() != m_drawnText || icon().cacheKey() != m_drawnIcon) {
        m_cache.Clear();
        m_drawnText = text();
        m_drawnIcon = icon().cacheKey();
    }
    const std::uint64_t look = Look();
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_cache.Get(look, size(), devicePixelRatioF(), [&](QPainter& p, QSize s) {
        DrawLook(p, s, look);
    }));
}

void CBitmapButton::DrawLook(QPainter& painter, QSize size, std::uint64_t look) const {
    const FaceColours colours = ColoursFor(look);
    const QRectF outer(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    const QRectF face = outer.adjusted(1.0, 1.0, -1.0, -1.0);

    QLinearGradient shade(face.topLeft(), face.bottomLeft());
    shade.setColorAt(0.0, colours.face.lighter(look & kDown ? 100 : 108));
    shade.setColorAt(1.0, colours.face);
    painter.setPen(QPen(colours.edge, 1.0));
    painter.setBrush(shade);
    painter.drawRoundedRect(face, kRadius - 1.0, kRadius - 1.0);

    // The focus ring sits outside the face; on a checked (accent) face it is light so that it still shows.
    if (look & kFocus) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen((look & kChecked) ? QColor(200, 230, 255) : CSkinPalette::Accent(), 1.0));
        painter.drawRoundedRect(outer, kRadius, kRadius);
    }

    // Content: icon and text centred together; pressing sinks them by one pixel.
    const QFontMetrics metrics(font());
    const bool hasIcon = !icon().isNull();
    const int textWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text());
    const int iconWidth = hasIcon ? iconSize().width() : 0;
    const int gap = hasIcon && textWidth > 0 ? kIconGap : 0;
    const int contentWidth = std::min(iconWidth + gap + textWidth, size.width() - 2 * 3);
    const int sink = (look & kDown) ? 1 : 0;
    int x = (size.width() - contentWidth) / 2;
    if (hasIcon) {
        const QIcon::Mode mode = (look & kEnabled) ? QIcon::Normal : QIcon::Disabled;
        const QPixmap picture = icon().pixmap(iconSize(), painter.device()->devicePixelRatioF(), mode,
                                              (look & kChecked) ? QIcon::On : QIcon::Off);
        const int y = (size.height() - iconSize().height()) / 2 + sink;
        painter.drawPixmap(QRect(QPoint(x, y), iconSize()), picture);
        x += iconWidth + gap;
    }
    if (textWidth > 0) {
        painter.setFont(font());
        painter.setPen(colours.text);
        const QRect textRect(x, sink, size.width() - x - 3, size.height());
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(text(), Qt::ElideRight, textRect.width()));
    }
}

void CBitmapButton::keyPressEvent(QKeyEvent* event) {
    if (IsEnterKey(event->key()) && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat()) {
            m_enterDown = true;
            update();
        }
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CBitmapButton::keyReleaseEvent(QKeyEvent* event) {
    if (IsEnterKey(event->key())) {
        event->accept();
        if (!event->isAutoRepeat() && m_enterDown) {
            m_enterDown = false;
            update();
            click();
        }
        return;
    }
    QAbstractButton::keyReleaseEvent(event);
}

void CBitmapButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CBitmapButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CBitmapButton::focusOutEvent(QFocusEvent* event) {
    m_enterDown = false; // an Enter released elsewhere presses nothing
    QAbstractButton::focusOutEvent(event);
}

void CBitmapButton::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::LanguageChange:
        SetLanguage(CSkinLanguage::Current());
        break;
    case QEvent::FontChange:
        m_cache.Clear();
        updateGeometry();
        update();
        break;
    case QEvent::EnabledChange:
        m_enterDown = false;
        update();
        break;
    default:
        break;
    }
    QAbstractButton::changeEvent(event);
}
