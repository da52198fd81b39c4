// A skinned fader, vertical or horizontal, that reports drags and commits to its window as messages.
#pragma once

#include "controls/MessagePoster.h"
#include "controls/SkinPixmapCache.h"
#include "controls/SkinText.h"

#include <QWidget>

#include <optional>

// Integer range and position. Only the user moves it with a report: while the thumb is dragged every new
// position emits Changing and posts UM_SLIDER_CHANGING; releasing it after a move emits Committed and posts
// UM_SLIDER_COMMITTED; each key step, wheel step, track click and screen-reader change commits at once.
// Messages go to the message target with wParam = the control id and lParam = the new position.
// SetPosition and SetRange from code report nothing, so the program's own refreshes never come back.
//
// Mouse: the thumb follows the pointer relative to where it was grabbed (grabbing it never moves it); a
// click on the track beside the thumb moves one page towards the click (a fader never jumps to a stray
// click). Keys: arrows one step (up and right increase), Page Up/Down one page, Home the minimum, End the
// maximum. Wheel: one step per notch, up increases. Vertical sliders have their maximum at the top.
class CBitmapSlider : public QWidget {
    Q_OBJECT

public:
    explicit CBitmapSlider(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);

    void SetOrientation(Qt::Orientation orientation);
    Qt::Orientation Orientation() const { return m_orientation; }

    // maximum below minimum is taken as equal to it; the position is clamped silently.
    void SetRange(int minimum, int maximum);
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }

    void SetPosition(int position); // from code: reports nothing
    int Position() const { return m_position; }

    void SetSingleStep(int step); // arrows and wheel notches, at least 1
    int SingleStep() const { return m_singleStep; }
    void SetPageStep(int step); // Page Up/Down and track clicks, at least 1
    int PageStep() const { return m_pageStep; }

    // The accent fill runs from this value to the thumb (a 0 dB centre for cut-and-boost faders); without
    // one it runs from the minimum. A mark on the track shows an origin inside the range.
    void SetFillOrigin(std::optional<int> value);
    std::optional<int> FillOrigin() const { return m_fillOrigin; }

    // Marks beside the groove every `interval` values from the minimum; 0 draws none.
    void SetTickInterval(int interval);
    int TickInterval() const { return m_tickInterval; }

    // wParam of the messages: this id, or objectName read as a number.
    void SetControlId(int id) { m_poster.SetId(id); }
    int ControlId() const { return m_poster.Id(*this); }
    void SetMessageTarget(QObject* target) { m_poster.SetTarget(target); }
    QObject* MessageTarget() const { return m_poster.Target(); }

    void SetAccessibleText(const SkinText& name);
    const SkinText& AccessibleText() const { return m_accessibleText; }
    void SetLanguage(int language); // 0 English, 1 Chinese; the language-change event reads CSkinLanguage
    int Language() const { return m_language; }

    bool IsDragging() const { return m_dragging; }
    QRect ThumbRect() const; // where the thumb is drawn now, in the slider's coordinates

    // A change the user made by other means (a screen reader's set value): clamped, then committed like a
    // key step. Returns false when the position stays as it was (and nothing is reported).
    bool CommitUserPosition(int position);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void Changing(int position);  // while dragged
    void Committed(int position); // drag released after a move, key, wheel, track click, screen reader

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Along the slider's axis, in pixels: where the thumb starts and how far it can travel.
    int Along(QPointF point) const;
    int AlongLength() const;
    int Travel() const;
    int ThumbStart(int position) const; // the thumb's leading edge (top for vertical)
    int AlongOf(int value) const;       // the thumb centre's along coordinate for a value

    void MoveTo(int position);
    void FinishDrag();
    void ContentChanged();
    std::uint64_t ThumbLook() const;
    void DrawTrack(QPainter& painter, QSize size, bool enabled, bool filled) const;
    void DrawThumb(QPainter& painter, QSize size, std::uint64_t look) const;

    Qt::Orientation m_orientation;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    int m_singleStep = 1;
    int m_pageStep = 10;
    std::optional<int> m_fillOrigin;
    int m_tickInterval = 0;

    bool m_dragging = false;
    bool m_movedInDrag = false;
    int m_pressAlong = 0;
    int m_pressPosition = 0;
    int m_wheelRemainder = 0; // eighths of a degree not yet worth a step (high-resolution wheels)
    bool m_hover = false;

    SkinText m_accessibleText;
    int m_language = 0;
    CMessagePoster m_poster;
    CSkinPixmapCache m_trackCache; // groove and its filled copy, per enabled state
    CSkinPixmapCache m_thumbCache; // the thumb per look
};
