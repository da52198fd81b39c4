// Up-down buttons of a numeric editor: hold its code, step it (frequencies along the response grid) and
// tell the page, at most once per repeat period while a button is held.
#pragma once

#include "editors/RepeatTimer.h"

#include <QWidget>

#include <memory>

class CNumEdit;

// The page reads the code (GetPos) when valueNotified arrives; the signal carries the spin's numeric
// control id (its objectName) and the code. A click on a button steps once and notifies on release; a
// held button repeats the step and notifies every repeat period while the code keeps changing, and once
// more on release. Steps from the keyboard or the wheel notify at once.
class CNumSpin : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultRepeatMs = 400;
    static constexpr int kAutoRepeatDelayMs = 400; // a held button starts repeating after this
    static constexpr int kAutoRepeatRateMs = 50;   // ... and then steps this often
    static constexpr int kMinGridIndex = 1;        // the lowest grid entry a frequency steps down to

    explicit CNumSpin(QWidget* parent = nullptr);
    ~CNumSpin() override;

    // Pairs the spin with its editor (and the editor with the spin); null unpairs.
    void SetBuddy(CNumEdit* buddy);
    CNumEdit* Buddy() const { return m_buddy; }

    // Stores the range, gives it to the buddy (which then holds min) and takes the buddy's kind.
    void SetRange(int min, int max);
    // Outside the range: shows "<id>:Data err" ("<id>:数据错误"), changes nothing and returns false.
    bool SetPos(int v);
    // The buddy's code (parsing typed text), or the spin's own without a buddy.
    int GetPos();
    void SetRepeatPeriod(int ms); // notification period while a button is held

    // Replaces the timers (tests give controllable ones): the held button's step repeat and the
    // notification period.
    void SetTimers(std::unique_ptr<CRepeatTimer> autoRepeat, std::unique_ptr<CRepeatTimer> notify);

    // A step without the mouse (keys or wheel in the buddy): notifies at once when the code changed.
    void StepNow(int delta);

    // The code one step of delta (+1 up, -1 down) away from code, limited to min..max; the frequency
    // kinds move along the response grid.
    static int SteppedCode(int kind, int code, int delta, int min, int max);

    int Id() const; // objectName as a number, 0 when it is not one
    int Minimum() const { return m_min; }
    int Maximum() const { return m_max; }
    int RepeatPeriod() const { return m_repeatMs; }
    int EditKind() const { return m_editKind; }
    bool IsPressed() const { return m_pressed != 0; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void valueNotified(int id, int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class CNumEdit;
    enum class Part { None, Up, Down };

    void Step(int delta); // the step request of a button or a key
    void Notify();
    void EndPress();
    void OnAutoRepeat();
    void OnNotifyPeriod();
    Part PartAt(QPoint pos) const;
    QRect PartRect(Part part) const;

    CNumEdit* m_buddy = nullptr;
    int m_pos = 0;
    int m_min = 0;
    int m_max = 0;
    int m_repeatMs = kDefaultRepeatMs;
    int m_pressed = 0; // a spin button is held down
    int m_changed = 0; // the code changed since the last notification
    int m_editKind = 0;

    Part m_pressedPart = Part::None;
    Part m_hoverPart = Part::None;
    bool m_repeating = false; // the held button is past its first delay
    int m_wheelAngle = 0;
    std::unique_ptr<CRepeatTimer> m_autoRepeat;
    std::unique_ptr<CRepeatTimer> m_notifyTimer;
};
