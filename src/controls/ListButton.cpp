// A skinned drop-down list button: shows the chosen entry and opens the list of entries to choose from.
#include "controls/ListButton.h"

#include "controls/SkinFont.h"
#include "controls/SkinLanguage.h"
#include "controls/SkinPalette.h"
#include "link/Notifier.h"

#include <QAccessible>
#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <algorithm>

namespace {

enum LookBit : std::uint64_t { kEnabled = 1, kHover = 2, kOpen = 4, kFocus = 8, kChinese = 16 };
constexpr int kIndexShift = 8; // the shown entry's index + 1 sits above the state bits

constexpr int kPaddingX = 8;    // text from the left edge
constexpr int kArrowWidth = 18; // the chevron's column at the right
constexpr qreal kRadius = 4.0;

QString ColourName(const QColor& colour) {
    return colour.name(QColor::HexRgb);
}

// The open list is a QMenu (keyboard, screen readers and screen edges are Qt's), dressed in the skin.
QString PopupStyle() {
    return QStringLiteral(
               "QMenu { background-color: %1; border: 1px solid %2; padding: 3px 0px; }"
               "QMenu::item { color: %3; background-color: transparent; padding: 4px 18px 4px 12px; }"
               "QMenu::item:checked { color: %4; }"
               "QMenu::item:selected { color: %5; background-color: %6; }"
               "QMenu::item:disabled { color: %7; }"
               "QMenu::indicator { width: 0px; height: 0px; }")
        .arg(ColourName(CSkinPalette::Panel()), ColourName(CSkinPalette::EdgeLight()),
             ColourName(CSkinPalette::Text()), ColourName(CSkinPalette::Accent().lighter(115)),
             ColourName(CSkinPalette::AccentText()), ColourName(CSkinPalette::AccentFace()),
             ColourName(CSkinPalette::DisabledText()));
}

} // namespace

CListButton::CListButton(QWidget* parent) : QWidget(parent), m_language(CSkinLanguage::Current()) {
    setFocusPolicy(Qt::StrongFocus);
    setFont(CSkinFont::Pixel());
}

void CListButton::SetEntries(const QList<SkinText>& entries) {
    HidePopup();
    m_entries = entries;
    m_cache.Clear();
    if (m_entries.isEmpty())
        m_current = -1;
    else if (m_current < 0 || m_current >= Count())
        m_current = 0;
    SelectionChanged();
    updateGeometry();
}

void CListButton::SetCurrentIndex(int index) {
    if (index < 0 || index >= Count())
        index = -1;
    if (index == m_current)
        return;
    m_current = index;
    SelectionChanged();
}

QString CListButton::CurrentText() const {
    return m_current >= 0 ? m_entries[m_current].In(m_language) : QString();
}

void CListButton::SelectionChanged() {
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ValueChanged);
        QAccessible::updateAccessibility(&event);
    }
    update();
}

void CListButton::Choose(int index) {
    if (index < 0 || index >= Count())
        return;
    HidePopup();
    if (index != m_current) {
        m_current = index;
        SelectionChanged();
    }
    emit Selected(index);
    m_poster.Post(*this, UM_LIST_SELECTED, index);
}

void CListButton::SetAccessibleText(const SkinText& name) {
    m_accessibleText = name;
    setAccessibleName(name.In(m_language));
}

void CListButton::SetLanguage(int language) {
    language = language == 1 ? 1 : 0;
    if (language != m_language)
        HidePopup(); // its entries are in the old language
    m_language = language;
    setAccessibleName(m_accessibleText.In(m_language));
    SelectionChanged();
    updateGeometry();
}

// ---- The open list ----

void CListButton::ShowPopup() {
    if (m_popup || m_entries.isEmpty() || !isEnabled())
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_NoMouseReplay); // a click on the button while open only closes the list
    menu->setObjectName(QStringLiteral("ListPopup"));
    menu->setFont(font());
    menu->setStyleSheet(PopupStyle());
    menu->setMinimumWidth(width());
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    QAction* chosen = nullptr;
    for (int i = 0; i < Count(); ++i) {
        QAction* action = menu->addAction(m_entries[i].In(m_language));
        action->setCheckable(true);
        action->setChecked(i == m_current);
        action->setData(i);
        group->addAction(action);
        if (i == m_current)
            chosen = action;
        connect(action, &QAction::triggered, this, [this, i] { Choose(i); });
    }
    // However the list closes (a choice, Escape, a click elsewhere), it goes; the chosen action still fires
    // first, since deletion waits for the event loop.
    connect(menu, &QMenu::aboutToHide, this, [this, menu] {
        menu->deleteLater();
        m_popup = nullptr;
        update();
    });
    m_popup = menu;
    menu->popup(mapToGlobal(QPoint(0, height() + 1)));
    if (chosen != nullptr)
        menu->setActiveAction(chosen);
    update();
}

QMenu* CListButton::Popup() const {
    return m_popup;
}

void CListButton::HidePopup() {
    if (m_popup)
        m_popup->hide();
}

// ---- Painting ----

QSize CListButton::sizeHint() const {
    const QFontMetrics metrics(font());
    int widest = metrics.horizontalAdvance(QStringLiteral("000000"));
    for (const SkinText& entry : m_entries)
        widest = std::max(widest, metrics.horizontalAdvance(entry.In(m_language)));
    return {kPaddingX + widest + 6 + kArrowWidth, std::max(24, metrics.height() + 10)};
}

QSize CListButton::minimumSizeHint() const {
    return {kArrowWidth + 2 * kPaddingX, 18};
}

std::uint64_t CListButton::Look() const {
    std::uint64_t look = static_cast<std::uint64_t>(m_current + 1) << kIndexShift;
    if (isEnabled()) {
        look |= kEnabled;
        if (m_hover)
            look |= kHover;
        if (m_popup && m_popup->isVisible())
            look |= kOpen;
        if (hasFocus())
            look |= kFocus;
    }
    if (m_language == 1)
        look |= kChinese;
    return look;
}

void CListButton::paintEvent(QPaintEvent*) {
    const std::uint64_t look = Look();
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_cache.Get(look, size(), devicePixelRatioF(), [&](QPainter& p, QSize s) {
        DrawLook(p, s, look);
    }));
}

void CListButton::DrawLook(QPainter& painter, QSize size, std::uint64_t look) const {
    const bool enabled = look & kEnabled;
    const QRectF outer(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    const QRectF face = outer.adjusted(1.0, 1.0, -1.0, -1.0);

    QColor fill = enabled ? CSkinPalette::Panel() : CSkinPalette::Background().lighter(115);
    QColor edge = enabled ? CSkinPalette::Edge() : CSkinPalette::Panel();
    if (look & kOpen) {
        fill = CSkinPalette::PanelDown();
        edge = CSkinPalette::EdgeLight();
    } else if (look & kHover) {
        fill = CSkinPalette::PanelHover();
        edge = CSkinPalette::EdgeLight();
    }
    QLinearGradient shade(face.topLeft(), face.bottomLeft());
    shade.setColorAt(0.0, fill.lighter(look & kOpen ? 100 : 108));
    shade.setColorAt(1.0, fill);
    painter.setPen(QPen(edge, 1.0));
    painter.setBrush(shade);
    painter.drawRoundedRect(face, kRadius - 1.0, kRadius - 1.0);

    if (look & kFocus) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(CSkinPalette::Accent(), 1.0));
        painter.drawRoundedRect(outer, kRadius, kRadius);
    }

    // The chevron column, parted from the text by a faint line.
    const qreal arrowLeft = size.width() - kArrowWidth;
    painter.setPen(QPen(enabled ? CSkinPalette::Edge() : CSkinPalette::Panel(), 1.0));
    painter.drawLine(QPointF(arrowLeft + 0.5, face.top() + 4.0),
                     QPointF(arrowLeft + 0.5, face.bottom() - 4.0));
    const QPointF centre(arrowLeft + kArrowWidth / 2.0, size.height() / 2.0 + 0.5);
    const qreal flip = (look & kOpen) ? -1.0 : 1.0;
    QPen arrowPen(enabled ? ((look & (kHover | kOpen)) ? CSkinPalette::Text() : CSkinPalette::DimText())
                          : CSkinPalette::DisabledText(),
                  1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(arrowPen);
    const QPointF chevron[] = {centre + QPointF(-3.5, -1.75 * flip), centre + QPointF(0.0, 1.75 * flip),
                               centre + QPointF(3.5, -1.75 * flip)};
    painter.drawPolyline(chevron, 3);

    const int index = static_cast<int>(look >> kIndexShift) - 1;
    if (index >= 0 && index < Count()) {
        const QString text = m_entries[index].In((look & kChinese) ? 1 : 0);
        const QFontMetrics metrics(font());
        const QRect textRect(kPaddingX, 0, static_cast<int>(arrowLeft) - kPaddingX - 4, size.height());
        painter.setFont(font());
        painter.setPen(enabled ? CSkinPalette::Text() : CSkinPalette::DisabledText());
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(text, Qt::ElideRight, textRect.width()));
    }
}

// ---- Input ----

void CListButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_popup)
        HidePopup();
    else
        ShowPopup();
}

void CListButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool opens = (modifiers == Qt::NoModifier && (key == Qt::Key_Space || key == Qt::Key_Return ||
                                                        key == Qt::Key_Enter || key == Qt::Key_F4)) ||
                       (modifiers == Qt::AltModifier && key == Qt::Key_Down);
    if (!opens) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat())
        ShowPopup();
}

void CListButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QWidget::enterEvent(event);
}

void CListButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QWidget::leaveEvent(event);
}

void CListButton::changeEvent(QEvent* event) {
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
        if (!isEnabled())
            HidePopup();
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}
