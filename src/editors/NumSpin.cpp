// Up-down buttons of a numeric editor: hold its code, step it (frequencies along the response grid) and
// tell the page, at most once per repeat period while a button is held.
#include "editors/NumSpin.h"

#include "base/DataDefine.h"
#include "base/SysText.h"
#include "controls/SkinPalette.h"
#include "editors/NumEdit.h"
#include "editors/QtRepeatTimer.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

constexpr SysText kTextDataErr{"Data err", "数据错误"};
constexpr int kWheelNotch = 120;

// The skin of the buttons: the graph's background, a quiet frame, the accent while the pair is in use.
QColor Background() {
    return {28, 28, 30};
}
QColor Frame() {
    return {62, 62, 65};
}
QColor HoverFill() {
    return {50, 50, 54};
}
QColor ArrowAtLimit() {
    return {86, 86, 90};
}

int GridCode(int index) {
    return static_cast<int>(g_freqGrid[static_cast<std::size_t>(index)]);
}

// One grid step up or down from code c: from the grid entry nearest to c + 1 one entry up (the last entry
// at the top), or from the entry nearest to c - 1 one entry down (never below entry kMinGridIndex).
int GridStep(int c, int direction) {
    if (direction > 0) {
        const int index = std::min(NearestGridIndex(c + 1.0) + 1, kGridPoints - 1);
        return GridCode(index);
    }
    const int index = NearestGridIndex(c - 1.0);
    return GridCode(index <= CNumSpin::kMinGridIndex ? CNumSpin::kMinGridIndex : index - 1);
}

} // namespace

CNumSpin::CNumSpin(QWidget* parent) : QWidget(parent) {
    // The buddy keeps the focus; the buttons only step.
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    SetTimers(std::make_unique<CQtRepeatTimer>(), std::make_unique<CQtRepeatTimer>());
}

CNumSpin::~CNumSpin() {
    if (m_buddy != nullptr) {
        m_buddy->m_spin = nullptr;
    }
}

void CNumSpin::SetBuddy(CNumEdit* buddy) {
    if (m_buddy == buddy) {
        return;
    }
    if (m_buddy != nullptr) {
        m_buddy->m_spin = nullptr;
    }
    m_buddy = buddy;
    if (buddy != nullptr) {
        if (buddy->m_spin != nullptr) {
            buddy->m_spin->m_buddy = nullptr;
        }
        buddy->m_spin = this;
        m_editKind = buddy->m_editKind;
        m_min = buddy->m_min;
        m_max = buddy->m_max;
        m_pos = buddy->m_value;
    }
    update();
}

void CNumSpin::SetRange(int min, int max) {
    if (min > max) {
        std::swap(min, max);
    }
    m_min = min;
    m_max = max;
    m_pos = min;
    if (m_buddy != nullptr) {
        m_buddy->SetRange(min, max);
        m_editKind = m_buddy->m_editKind;
    }
    update();
}

bool CNumSpin::SetPos(int v) {
    if (v < m_min || v > m_max) {
        const int language = m_buddy != nullptr ? m_buddy->Language() : 0;
        // Shown without a nested event loop: SetPos is called from the page's handlers.
        auto* box = new QMessageBox(QMessageBox::Warning, QString(),
                                    QString::number(Id()) + u':' + kTextDataErr.In(language), QMessageBox::Ok,
                                    window());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return false;
    }
    m_pos = v;
    if (m_buddy != nullptr) {
        m_buddy->SetValue(v);
    }
    update();
    return true;
}

int CNumSpin::GetPos() {
    return m_buddy != nullptr ? m_buddy->GetValue() : m_pos;
}

void CNumSpin::SetRepeatPeriod(int ms) {
    m_repeatMs = std::max(1, ms);
}

void CNumSpin::SetTimers(std::unique_ptr<CRepeatTimer> autoRepeat, std::unique_ptr<CRepeatTimer> notify) {
    if (m_pressed != 0) {
        EndPress();
    }
    m_autoRepeat = std::move(autoRepeat);
    m_notifyTimer = std::move(notify);
    m_autoRepeat->SetHandler([this] { OnAutoRepeat(); });
    m_notifyTimer->SetHandler([this] { OnNotifyPeriod(); });
}

void CNumSpin::StepNow(int delta) {
    Step(delta);
    if (m_changed != 0 && m_pressed == 0) {
        Notify();
    }
}

int CNumSpin::SteppedCode(int kind, int code, int delta, int min, int max) {
    if (!CNumEdit::StepsOnGrid(kind)) {
        return static_cast<int>(std::clamp<long long>(static_cast<long long>(code) + delta, min, max));
    }
    int c = code;
    for (int i = 0; i < std::abs(delta); ++i) {
        c = std::clamp(GridStep(c, delta), min, max);
    }
    return c;
}

int CNumSpin::Id() const {
    bool ok = false;
    const int id = objectName().toInt(&ok);
    return ok ? id : 0;
}

QSize CNumSpin::sizeHint() const {
    return {16, 22};
}

QSize CNumSpin::minimumSizeHint() const {
    return {12, 14};
}

void CNumSpin::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, Background());

    for (const Part part : {Part::Up, Part::Down}) {
        const QRect area = PartRect(part).adjusted(1, 1, -1, -1);
        const bool atLimit = part == Part::Up ? m_pos >= m_max : m_pos <= m_min;
        const bool live = isEnabled() && !atLimit;
        const bool pressed = m_pressedPart == part && m_hoverPart == part;
        if (pressed) {
            painter.fillRect(area, CSkinPalette::Accent());
        } else if (live && m_hoverPart == part && m_pressed == 0) {
            painter.fillRect(area, HoverFill());
        }

        // A triangle of whole pixel rows, sharp at any size without antialiasing: rows 1, 3, 5, ... wide
        // in an odd width, 2, 4, 6, ... in an even one, so that it sits exactly in the middle.
        const int rows = std::clamp((area.height() - 1) / 2, 2, 4);
        const int even = area.width() % 2 == 0 ? 1 : 0;
        const int cx = area.left() + (area.width() - 1 - even) / 2;
        const int top = area.top() + (area.height() - rows) / 2;
        const QColor colour = pressed ? QColor(Qt::white) : (live ? CSkinPalette::Text() : ArrowAtLimit());
        for (int row = 0; row < rows; ++row) {
            const int half = part == Part::Up ? row : rows - 1 - row;
            painter.fillRect(cx - half, top + row, 2 * half + 1 + even, 1, colour);
        }
    }

    const bool focused = m_buddy != nullptr && m_buddy->hasFocus();
    painter.setPen(focused && isEnabled() ? CSkinPalette::Accent() : Frame());
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    painter.setPen(Frame());
    const int split = PartRect(Part::Down).top();
    painter.drawLine(r.left() + 1, split, r.right() - 1, split);
}

void CNumSpin::mousePressEvent(QMouseEvent* event) {
    const Part part = PartAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || m_pressed != 0 || part == Part::None) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = 1;
    m_pressedPart = part;
    m_hoverPart = part;
    m_repeating = false;
    Step(part == Part::Up ? 1 : -1);
    m_autoRepeat->Start(kAutoRepeatDelayMs);
    m_notifyTimer->Start(m_repeatMs);
    update();
}

void CNumSpin::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_pressed != 0) {
        EndPress();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CNumSpin::mouseMoveEvent(QMouseEvent* event) {
    const Part part = PartAt(event->position().toPoint());
    if (part != m_hoverPart) {
        m_hoverPart = part;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void CNumSpin::leaveEvent(QEvent* event) {
    if (m_pressed == 0) {
        m_hoverPart = Part::None;
        update();
    }
    QWidget::leaveEvent(event);
}

void CNumSpin::wheelEvent(QWheelEvent* event) {
    const int angle = event->angleDelta().y();
    if ((angle > 0) != (m_wheelAngle > 0)) {
        m_wheelAngle = 0;
    }
    m_wheelAngle += angle;
    for (; m_wheelAngle >= kWheelNotch; m_wheelAngle -= kWheelNotch) {
        StepNow(1);
    }
    for (; m_wheelAngle <= -kWheelNotch; m_wheelAngle += kWheelNotch) {
        StepNow(-1);
    }
    event->accept();
}

void CNumSpin::changeEvent(QEvent* event) {
    // A held button that can no longer be released (disabled meanwhile) must not keep stepping.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && m_pressed != 0) {
        EndPress();
    }
    QWidget::changeEvent(event);
}

void CNumSpin::hideEvent(QHideEvent* event) {
    if (m_pressed != 0) {
        EndPress();
    }
    QWidget::hideEvent(event);
}

void CNumSpin::Step(int delta) {
    const int before = m_pos;
    const int start = m_buddy != nullptr ? m_buddy->GetValue() : m_pos;
    const int next = SteppedCode(m_editKind, start, delta, m_min, m_max);
    if (m_buddy != nullptr && (m_buddy->m_typedUncommitted || next != m_buddy->m_value)) {
        m_buddy->SetValue(next);
    }
    m_pos = next;
    if (next != before) {
        m_changed = 1;
    }
    update();
}

void CNumSpin::Notify() {
    m_changed = 0;
    emit valueNotified(Id(), m_pos);
}

void CNumSpin::EndPress() {
    m_autoRepeat->Stop();
    m_notifyTimer->Stop();
    m_pressed = 0;
    m_pressedPart = Part::None;
    m_repeating = false;
    if (m_changed != 0) {
        Notify();
    }
    update();
}

void CNumSpin::OnAutoRepeat() {
    if (m_pressed == 0) {
        return;
    }
    if (!m_repeating) {
        m_repeating = true;
        m_autoRepeat->Start(kAutoRepeatRateMs);
    }
    // Dragged off the button, the repeat pauses until the pointer is back on it.
    if (m_hoverPart == m_pressedPart) {
        Step(m_pressedPart == Part::Up ? 1 : -1);
    }
}

void CNumSpin::OnNotifyPeriod() {
    if (m_changed != 0) {
        Notify();
    }
}

CNumSpin::Part CNumSpin::PartAt(QPoint pos) const {
    if (!rect().contains(pos)) {
        return Part::None;
    }
    return PartRect(Part::Up).contains(pos) ? Part::Up : Part::Down;
}

QRect CNumSpin::PartRect(Part part) const {
    const int upper = height() / 2;
    return part == Part::Up ? QRect(0, 0, width(), upper) : QRect(0, upper, width(), height() - upper);
}
