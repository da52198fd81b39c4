// A skinned fader, vertical or horizontal, that reports drags and commits to its window as messages.
#include "controls/BitmapSlider.h"

#include "controls/SkinLanguage.h"
#include "controls/SkinPalette.h"
#include "link/Notifier.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kThumbAlong = 14;     // the thumb's length along the axis
constexpr int kThumbAcrossMax = 26; // and at most across it
constexpr int kRing = 2;            // room for the focus ring around the thumb
constexpr int kGroove = 4;          // groove thickness
constexpr int kTick = 4;            // tick length beside the groove
constexpr int kGrabSlop = 2;        // pixels around the thumb that still grab it
constexpr int kWheelNotch = 120;    // angle delta of one wheel notch

enum ThumbBit : std::uint64_t { kEnabled = 1, kHover = 2, kDown = 4, kFocus = 8 };
enum TrackLook : std::uint64_t { kTrack = 0, kTrackFilled = 1, kTrackEnabled = 2 };

} // namespace

CBitmapSlider::CBitmapSlider(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), m_orientation(orientation), m_language(CSkinLanguage::Current()) {
    setFocusPolicy(Qt::StrongFocus);
}

void CBitmapSlider::SetOrientation(Qt::Orientation orientation) {
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    m_thumbCache.Clear(); // the grip turns with the slider even where the thumb's size stays
    ContentChanged();
    updateGeometry();
}

void CBitmapSlider::SetRange(int minimum, int maximum) {
    maximum = std::max(minimum, maximum);
    if (minimum == m_minimum && maximum == m_maximum)
        return;
    m_minimum = minimum;
    m_maximum = maximum;
    ContentChanged();
    SetPosition(m_position);
}

void CBitmapSlider::SetPosition(int position) {
    position = std::clamp(position, m_minimum, m_maximum);
    if (position == m_position)
        return;
    m_position = position;
    if (QAccessible::isActive()) { // no interface is made while no screen reader listens
        QAccessibleValueChangeEvent event(this, m_position);
        QAccessible::updateAccessibility(&event);
    }
    update();
}

void CBitmapSlider::SetSingleStep(int step) {
    m_singleStep = std::max(1, step);
}

void CBitmapSlider::SetPageStep(int step) {
    m_pageStep = std::max(1, step);
}

void CBitmapSlider::SetFillOrigin(std::optional<int> value) {
    m_fillOrigin = value;
    ContentChanged();
}

void CBitmapSlider::SetTickInterval(int interval) {
    m_tickInterval = std::max(0, interval);
    ContentChanged();
}

void CBitmapSlider::SetAccessibleText(const SkinText& name) {
    m_accessibleText = name;
    setAccessibleName(name.In(m_language));
}

void CBitmapSlider::SetLanguage(int language) {
    m_language = language == 1 ? 1 : 0;
    setAccessibleName(m_accessibleText.In(m_language));
}

bool CBitmapSlider::CommitUserPosition(int position) {
    position = std::clamp(position, m_minimum, m_maximum);
    if (position == m_position)
        return false;
    SetPosition(position);
    emit Committed(m_position);
    m_poster.Post(*this, UM_SLIDER_COMMITTED, m_position);
    return true;
}

QSize CBitmapSlider::sizeHint() const {
    return m_orientation == Qt::Vertical ? QSize(28, 160) : QSize(160, 28);
}

QSize CBitmapSlider::minimumSizeHint() const {
    const int along = 2 * (kThumbAlong + kRing);
    const int across = kThumbAlong + 2 * kRing;
    return m_orientation == Qt::Vertical ? QSize(across, along) : QSize(along, across);
}

// ---- Geometry ----

int CBitmapSlider::Along(QPointF point) const {
    return static_cast<int>(std::lround(m_orientation == Qt::Vertical ? point.y() : point.x()));
}

int CBitmapSlider::AlongLength() const {
    return m_orientation == Qt::Vertical ? height() : width();
}

int CBitmapSlider::Travel() const {
    return std::max(0, AlongLength() - 2 * kRing - kThumbAlong);
}

int CBitmapSlider::ThumbStart(int position) const {
    const int span = m_maximum - m_minimum;
    if (span == 0)
        return kRing;
    const long long fromMin = position - m_minimum;
    const int offset = static_cast<int>((fromMin * Travel() + span / 2) / span);
    return m_orientation == Qt::Vertical ? kRing + Travel() - offset : kRing + offset;
}

int CBitmapSlider::AlongOf(int value) const {
    return ThumbStart(value) + kThumbAlong / 2;
}

QRect CBitmapSlider::ThumbRect() const {
    const int across = m_orientation == Qt::Vertical ? width() : height();
    const int thickness = std::clamp(across - 2 * kRing, 1, kThumbAcrossMax);
    const int acrossStart = (across - thickness) / 2;
    const int start = ThumbStart(m_position);
    return m_orientation == Qt::Vertical ? QRect(acrossStart, start, thickness, kThumbAlong)
                                         : QRect(start, acrossStart, kThumbAlong, thickness);
}

// ---- Painting ----

void CBitmapSlider::ContentChanged() {
    m_trackCache.Clear();
    update();
}

std::uint64_t CBitmapSlider::ThumbLook() const {
    if (!isEnabled())
        return 0;
    std::uint64_t look = kEnabled;
    if (m_hover)
        look |= kHover;
    if (m_dragging)
        look |= kDown;
    if (hasFocus())
        look |= kFocus;
    return look;
}

void CBitmapSlider::paintEvent(QPaintEvent*) {
    const bool enabled = isEnabled();
    const qreal ratio = devicePixelRatioF();
    const std::uint64_t enabledBit = enabled ? std::uint64_t{kTrackEnabled} : 0;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_trackCache.Get(kTrack | enabledBit, size(), ratio, [&](QPainter& p, QSize s) {
        DrawTrack(p, s, enabled, false);
    }));

    // The filled stretch between the origin and the thumb's centre, cut out of the filled copy.
    const int origin = AlongOf(std::clamp(m_fillOrigin.value_or(m_minimum), m_minimum, m_maximum));
    const int thumb = AlongOf(m_position);
    const int from = std::min(origin, thumb);
    const int length = std::abs(origin - thumb);
    if (length > 0) {
        const QRect cut = m_orientation == Qt::Vertical ? QRect(0, from, width(), length)
                                                        : QRect(from, 0, length, height());
        const QPixmap& filled =
            m_trackCache.Get(kTrackFilled | enabledBit, size(), ratio,
                             [&](QPainter& p, QSize s) { DrawTrack(p, s, enabled, true); });
        painter.drawPixmap(cut, filled, QRectF(cut.topLeft() * ratio, cut.size() * ratio));
    }

    const QRect thumbRect = ThumbRect();
    const QRect ringRect = thumbRect.adjusted(-kRing, -kRing, kRing, kRing);
    const std::uint64_t look = ThumbLook();
    painter.drawPixmap(
        ringRect.topLeft(),
        m_thumbCache.Get(look, ringRect.size(), ratio, [&](QPainter& p, QSize s) { DrawThumb(p, s, look); }));
}

void CBitmapSlider::DrawTrack(QPainter& painter, QSize size, bool enabled, bool filled) const {
    const bool vertical = m_orientation == Qt::Vertical;
    const int across = vertical ? size.width() : size.height();
    const int along = vertical ? size.height() : size.width();
    const int grooveStart = (across - kGroove) / 2;
    const int first = kRing + kThumbAlong / 2;
    const int last = along - kRing - kThumbAlong / 2;
    auto rect = [&](int alongStart, int alongLength, int acrossStart, int acrossLength) {
        return vertical ? QRectF(acrossStart, alongStart, acrossLength, alongLength)
                        : QRectF(alongStart, acrossStart, alongLength, acrossLength);
    };

    if (!filled && m_tickInterval > 0 && m_maximum > m_minimum) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        const QColor tick = enabled ? CSkinPalette::GridLine() : CSkinPalette::Panel();
        const int count = (m_maximum - m_minimum) / m_tickInterval;
        for (int i = 0; i <= count; ++i) {
            const int at = AlongOf(m_minimum + i * m_tickInterval);
            painter.fillRect(rect(at, 1, grooveStart - 3 - kTick, kTick), tick);
            painter.fillRect(rect(at, 1, grooveStart + kGroove + 3, kTick), tick);
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
    }

    const QRectF groove = rect(first - kGroove / 2, last - first + kGroove, grooveStart, kGroove);
    painter.setPen(Qt::NoPen);
    if (filled) {
        painter.setBrush(enabled ? CSkinPalette::Accent() : CSkinPalette::AccentDim());
        painter.drawRoundedRect(groove, kGroove / 2.0, kGroove / 2.0);
        return;
    }
    painter.setBrush(CSkinPalette::Groove());
    painter.drawRoundedRect(groove, kGroove / 2.0, kGroove / 2.0);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(enabled ? CSkinPalette::Edge() : CSkinPalette::Panel(), 1.0));
    painter.drawRoundedRect(groove.adjusted(-0.5, -0.5, 0.5, 0.5), kGroove / 2.0 + 0.5, kGroove / 2.0 + 0.5);

    // The origin of a cut-and-boost fader, marked across the groove.
    if (m_fillOrigin && *m_fillOrigin > m_minimum && *m_fillOrigin < m_maximum) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        const int at = AlongOf(*m_fillOrigin);
        painter.fillRect(rect(at, 1, grooveStart - 3 - kTick, kGroove + 2 * (3 + kTick)),
                         enabled ? CSkinPalette::DimText() : CSkinPalette::Edge());
    }
}

void CBitmapSlider::DrawThumb(QPainter& painter, QSize size, std::uint64_t look) const {
    const bool vertical = m_orientation == Qt::Vertical;
    const QRectF ring(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    const QRectF cap = QRectF(kRing, kRing, size.width() - 2 * kRing, size.height() - 2 * kRing);
    const bool enabled = look & kEnabled;

    QColor top = enabled ? QColor(92, 92, 97) : QColor(48, 48, 51);
    QColor bottom = enabled ? QColor(64, 64, 69) : QColor(42, 42, 45);
    if (look & kHover) {
        top = top.lighter(122);
        bottom = bottom.lighter(122);
    }
    QLinearGradient shade(cap.topLeft(), vertical ? cap.bottomLeft() : cap.topRight());
    shade.setColorAt(0.0, top);
    shade.setColorAt(1.0, bottom);
    painter.setPen(QPen(enabled ? QColor(18, 18, 20) : CSkinPalette::Panel(), 1.0));
    painter.setBrush(shade);
    painter.drawRoundedRect(cap.adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
    // A faint top light makes the cap read as raised.
    painter.setPen(QPen(QColor(255, 255, 255, enabled ? 40 : 12), 1.0));
    painter.drawLine(QPointF(cap.left() + 2.5, cap.top() + 1.5), QPointF(cap.right() - 2.5, cap.top() + 1.5));

    // The grip line across the cap shows exactly where the value sits; it turns accent while held.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor grip = !enabled         ? CSkinPalette::DisabledText()
                        : (look & kDown) ? CSkinPalette::Accent().lighter(115)
                                         : CSkinPalette::Text();
    const int centre = (vertical ? size.height() : size.width()) / 2;
    if (vertical)
        painter.fillRect(QRect(kRing + 3, centre - 1, size.width() - 2 * kRing - 6, 2), grip);
    else
        painter.fillRect(QRect(centre - 1, kRing + 3, 2, size.height() - 2 * kRing - 6), grip);
    painter.setRenderHint(QPainter::Antialiasing, true);

    if (look & kFocus) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(CSkinPalette::Accent(), 1.5));
        painter.drawRoundedRect(ring.adjusted(0.25, 0.25, -0.25, -0.25), 4.0, 4.0);
    }
}

// ---- Input ----

void CBitmapSlider::MoveTo(int position) {
    position = std::clamp(position, m_minimum, m_maximum);
    if (position == m_position)
        return;
    SetPosition(position);
    m_movedInDrag = true;
    emit Changing(m_position);
    m_poster.Post(*this, UM_SLIDER_CHANGING, m_position);
}

void CBitmapSlider::FinishDrag() {
    if (!m_dragging)
        return;
    m_dragging = false;
    update();
    if (m_movedInDrag) {
        m_movedInDrag = false;
        emit Committed(m_position);
        m_poster.Post(*this, UM_SLIDER_COMMITTED, m_position);
    }
}

void CBitmapSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_dragging) {
        event->ignore();
        return;
    }
    event->accept();
    const QPointF point = event->position();
    if (ThumbRect().adjusted(-kGrabSlop, -kGrabSlop, kGrabSlop, kGrabSlop).contains(point.toPoint())) {
        m_dragging = true;
        m_movedInDrag = false;
        m_pressAlong = Along(point);
        m_pressPosition = m_position;
        update();
        return;
    }
    // Beside the thumb: one page towards the click. Vertical sliders grow upwards.
    const bool beforeThumb = Along(point) < AlongOf(m_position);
    const bool increase = m_orientation == Qt::Vertical ? beforeThumb : !beforeThumb;
    CommitUserPosition(m_position + (increase ? m_pageStep : -m_pageStep));
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        event->ignore();
        return;
    }
    const int travel = Travel();
    if (travel == 0)
        return;
    int pixels = Along(event->position()) - m_pressAlong;
    if (m_orientation == Qt::Vertical)
        pixels = -pixels;
    const double values = static_cast<double>(pixels) * (m_maximum - m_minimum) / travel;
    MoveTo(m_pressPosition + static_cast<int>(std::lround(values)));
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dragging) {
        event->ignore();
        return;
    }
    FinishDrag();
}

void CBitmapSlider::wheelEvent(QWheelEvent* event) {
    const QPoint angle = event->angleDelta();
    int delta = angle.y() != 0 ? angle.y() : angle.x();
    if (event->inverted())
        delta = -delta;
    m_wheelRemainder += delta;
    const int notches = m_wheelRemainder / kWheelNotch;
    m_wheelRemainder -= notches * kWheelNotch;
    if (notches != 0)
        CommitUserPosition(m_position + notches * m_singleStep);
    event->accept();
}

void CBitmapSlider::keyPressEvent(QKeyEvent* event) {
    struct KeyStep {
        int key;
        int singleSteps;
        int pageSteps;
    };
    static constexpr KeyStep kSteps[] = {
        {Qt::Key_Up, 1, 0},    {Qt::Key_Right, 1, 0},  {Qt::Key_Down, -1, 0},
        {Qt::Key_Left, -1, 0}, {Qt::Key_PageUp, 0, 1}, {Qt::Key_PageDown, 0, -1},
    };
    if (m_dragging) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key == Qt::Key_Home || key == Qt::Key_End) {
        CommitUserPosition(key == Qt::Key_Home ? m_minimum : m_maximum);
        event->accept();
        return;
    }
    for (const KeyStep& step : kSteps) {
        if (step.key == key) {
            CommitUserPosition(m_position + step.singleSteps * m_singleStep + step.pageSteps * m_pageStep);
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void CBitmapSlider::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QWidget::enterEvent(event);
}

void CBitmapSlider::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QWidget::leaveEvent(event);
}

void CBitmapSlider::hideEvent(QHideEvent* event) {
    FinishDrag(); // a drag cut short still commits where it got to
    QWidget::hideEvent(event);
}

void CBitmapSlider::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        SetLanguage(CSkinLanguage::Current());
    else if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            FinishDrag();
        update();
    }
    QWidget::changeEvent(event);
}
