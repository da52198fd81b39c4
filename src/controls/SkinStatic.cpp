// A skinned label whose text follows the interface language.
#include "controls/SkinStatic.h"

#include "controls/SkinFont.h"
#include "controls/SkinLanguage.h"
#include "controls/SkinPalette.h"

#include <QAccessible>

namespace {
enum LookBit : std::uint64_t { kEnabled = 1, kChinese = 2 };
}

CSkinStatic::CSkinStatic(QWidget* parent)
    : QWidget(parent), m_language(CSkinLanguage::Current()), m_colour(CSkinPalette::DimText()) {
    setFocusPolicy(Qt::NoFocus);
    setFont(CSkinFont::Pixel());
}

CSkinStatic::CSkinStatic(const SkinText& text, QWidget* parent) : CSkinStatic(parent) {
    SetText(text);
}

void CSkinStatic::ContentChanged() {
    m_cache.Clear();
    updateGeometry();
    update();
}

void CSkinStatic::SetText(const SkinText& text) {
    if (text == m_text)
        return;
    m_text = text;
    ContentChanged();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void CSkinStatic::SetColour(const QColor& colour) {
    m_colour = colour;
    ContentChanged();
}

void CSkinStatic::SetPixelSize(int pixels, QFont::Weight weight) {
    setFont(CSkinFont::Pixel(pixels, weight)); // the font-change event redraws
}

void CSkinStatic::SetAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    ContentChanged();
}

void CSkinStatic::SetWordWrap(bool on) {
    m_wordWrap = on;
    ContentChanged();
}

void CSkinStatic::SetAccessibleText(const SkinText& name) {
    m_accessibleText = name;
    setAccessibleName(name.In(m_language));
}

void CSkinStatic::SetLanguage(int language) {
    language = language == 1 ? 1 : 0;
    if (language == m_language)
        return;
    m_language = language;
    setAccessibleName(m_accessibleText.In(m_language));
    updateGeometry();
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QSize CSkinStatic::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(CurrentText()) + 2, metrics.height() + 2};
}

QSize CSkinStatic::minimumSizeHint() const {
    return {0, QFontMetrics(font()).height()};
}

void CSkinStatic::paintEvent(QPaintEvent*) {
    const bool enabled = isEnabled();
    const std::uint64_t look =
        (enabled ? std::uint64_t{kEnabled} : 0) | (m_language == 1 ? std::uint64_t{kChinese} : 0);
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_cache.Get(look, size(), devicePixelRatioF(), [&](QPainter& p, QSize s) {
        DrawLook(p, s, enabled);
    }));
}

void CSkinStatic::DrawLook(QPainter& painter, QSize size, bool enabled) const {
    const QRect area(1, 0, size.width() - 2, size.height());
    painter.setFont(font());
    painter.setPen(enabled ? m_colour : CSkinPalette::DisabledText());
    const QString text = CurrentText();
    if (m_wordWrap) {
        painter.drawText(area, static_cast<int>(m_alignment) | Qt::TextWordWrap, text);
        return;
    }
    painter.drawText(area, static_cast<int>(m_alignment),
                     QFontMetrics(font()).elidedText(text, Qt::ElideRight, area.width()));
}

void CSkinStatic::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::LanguageChange:
        SetLanguage(CSkinLanguage::Current());
        break;
    case QEvent::FontChange:
        ContentChanged();
        break;
    case QEvent::EnabledChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}
