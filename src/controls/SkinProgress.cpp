// A skinned progress bar: an accent fill growing along a dark groove.
#include "controls/SkinProgress.h"

#include "controls/SkinLanguage.h"
#include "controls/SkinPalette.h"

#include <QAccessible>

#include <algorithm>

namespace {
enum Look : std::uint64_t { kEmpty = 0, kFull = 1, kEnabled = 2 };
}

CSkinProgress::CSkinProgress(QWidget* parent) : QWidget(parent), m_language(CSkinLanguage::Current()) {
    setFocusPolicy(Qt::NoFocus);
}

void CSkinProgress::SetRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    m_position = std::clamp(m_position, m_minimum, m_maximum);
    update();
}

void CSkinProgress::SetPosition(int position) {
    position = std::clamp(position, m_minimum, m_maximum);
    if (position == m_position)
        return;
    const int oldWidth = FillWidth();
    m_position = position;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_position);
        QAccessible::updateAccessibility(&event);
    }
    if (FillWidth() != oldWidth) // a long transfer moves the bar far more often than a pixel
        update();
}

int CSkinProgress::Percent() const {
    const long long span = m_maximum - m_minimum;
    return span == 0 ? 0 : static_cast<int>((m_position - m_minimum) * 100LL / span);
}

void CSkinProgress::SetAccessibleText(const SkinText& name) {
    m_accessibleText = name;
    setAccessibleName(name.In(m_language));
}

void CSkinProgress::SetLanguage(int language) {
    m_language = language == 1 ? 1 : 0;
    setAccessibleName(m_accessibleText.In(m_language));
}

QSize CSkinProgress::sizeHint() const {
    return {200, 10};
}

QSize CSkinProgress::minimumSizeHint() const {
    return {8, 4};
}

int CSkinProgress::FillWidth() const {
    const long long span = m_maximum - m_minimum;
    return span == 0 ? 0 : static_cast<int>((m_position - m_minimum) * width() / span);
}

void CSkinProgress::paintEvent(QPaintEvent*) {
    const bool enabled = isEnabled();
    const qreal ratio = devicePixelRatioF();
    const std::uint64_t enabledBit = enabled ? std::uint64_t{kEnabled} : 0;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_cache.Get(kEmpty | enabledBit, size(), ratio, [&](QPainter& p, QSize s) {
        DrawLook(p, s, enabled, false);
    }));
    const int fill = FillWidth();
    if (fill > 0) {
        const QPixmap& full = m_cache.Get(kFull | enabledBit, size(), ratio,
                                          [&](QPainter& p, QSize s) { DrawLook(p, s, enabled, true); });
        painter.drawPixmap(QRectF(0, 0, fill, height()), full, QRectF(0, 0, fill * ratio, height() * ratio));
    }
}

void CSkinProgress::DrawLook(QPainter& painter, QSize size, bool enabled, bool filled) const {
    const QRectF bar(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    const qreal radius = std::min(3.0, bar.height() / 2.0);
    if (!filled) {
        painter.setPen(QPen(enabled ? CSkinPalette::Edge() : CSkinPalette::Panel(), 1.0));
        painter.setBrush(CSkinPalette::Groove());
        painter.drawRoundedRect(bar, radius, radius);
        return;
    }
    const QColor accent = enabled ? CSkinPalette::Accent() : CSkinPalette::AccentDim();
    QLinearGradient shade(bar.topLeft(), bar.bottomLeft());
    shade.setColorAt(0.0, accent.lighter(118));
    shade.setColorAt(1.0, accent.darker(110));
    painter.setPen(QPen(accent.darker(130), 1.0));
    painter.setBrush(shade);
    painter.drawRoundedRect(bar, radius, radius);
}

void CSkinProgress::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        SetLanguage(CSkinLanguage::Current());
    else if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}
