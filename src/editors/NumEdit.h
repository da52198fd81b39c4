// Edit field of a numeric parameter: shows an integer parameter code in engineering units and turns typed
// text back into a code; its partner CNumSpin steps the code and tells the page.
#pragma once

#include "base/DataDefine.h"

#include <QColor>
#include <QLineEdit>
#include <QString>

#include <atomic>

class CNumSpin;

// The page picks a kind (format, parse rule and, for frequencies, stepping along the response grid), the
// code range and, for the linear kinds, step and offset. Typed text is parsed when the editor loses the
// focus or Enter is pressed; out-of-range text is limited to the range, so no out-of-range code can be
// entered. The page is told through valueNotified, carrying the editor's numeric control id (its
// objectName) and the code:
//  - on a left click, before the click is handled (so a click selects the editor's band),
//  - when Enter is pressed,
//  - when the editor loses the focus after its text was typed,
//  - after a step by the Up/Down keys or the wheel when the editor has no spin (with a spin, the spin
//    steps and notifies with its own id),
//  - when assistive technology sets a value.
class CNumEdit : public QLineEdit {
    Q_OBJECT

public:
    // Kinds used by the pages.
    static constexpr int kDelayMs = 0;      // delay in samples at 48 kHz, shown in milliseconds
    static constexpr int kDelayCm = 1;      // the same delay shown as a distance in centimetres
    static constexpr int kDelayInch = 2;    // ... and in inches
    static constexpr int kBandFreq = 4;     // EQ band frequency in Hz
    static constexpr int kXoverFreq = 8;    // crossover frequency in Hz
    static constexpr int kBandGain = 10;    // linear: EQ band gain, step 0.1, offset 20
    static constexpr int kBandwidth = 11;   // EQ bandwidth index, shown as Q
    static constexpr int kCount = 13;       // plain count, optionally followed by the unit text
    static constexpr int kChannelGain = 25; // linear: channel gain, step 1, offset 60

    static constexpr int kDefaultTemperature = kDefaultAirTemperature; // 25 degrees Celsius, stored + 50

    explicit CNumEdit(QWidget* parent = nullptr);
    ~CNumEdit() override;

    // Kinds 0, 1 and 2 show their unit only when unitText is not empty; kind 13 appends unitText itself.
    void SetEditKind(int kind, const QString& unitText = QString());
    // Sets the code to min. A reversed range is put in order.
    void SetRange(int min, int max);
    void SetStep(double step);     // unit value of one code (linear kinds)
    void SetOffset(double offset); // unit value subtracted from code x step (linear kinds)
    // Air temperature + 50 in degrees Celsius; the distance kinds convert with the speed of sound at it.
    void SetTemperature(int temperature);
    // Ignored outside the range; otherwise shows v and drops any typed text.
    void SetValue(int v);
    // Parses typed text first (without notifying; leaving the editor still does).
    int GetValue();
    // Marks the editor as the page's current one; the focus sets and clears the mark too.
    void SetHighlight(bool on);
    // Off: the editor keeps the palette the page gives it instead of its highlight and skin colours.
    void SetOwnColours(bool on);

    // Interface language (0 English, 1 Chinese) of the texts. With a source, the editor reads the flag
    // whenever the language-change event arrives; SetLanguage drops the source.
    void SetLanguage(int language);
    void SetLanguageSource(const std::atomic<int>* language);

    // A step as by the Up/Down keys: through the spin when there is one.
    void StepBy(int delta);
    // A value entered from outside the keyboard (assistive technology): limited to the range, shown and
    // notified like typed text.
    void EnterValue(int v);

    // What the editor would show for v, and the code it would take from text, with the current settings.
    QString TextOf(int v) const;
    int Parse(const QString& text) const;

    // The frequency kinds step along the response grid instead of by one code.
    static bool StepsOnGrid(int kind);

    int Id() const; // objectName as a number, 0 when it is not one
    int EditKind() const { return m_editKind; }
    int Minimum() const { return m_min; }
    int Maximum() const { return m_max; }
    int Code() const { return m_value; } // the code without parsing typed text
    int Language() const { return m_language; }
    bool IsHighlighted() const { return m_highlighted != 0; }
    bool IsModified() const { return m_modified != 0; }
    CNumSpin* Spin() const { return m_spin; }
    QColor HighlightColour() const { return m_highlightColour; }

signals:
    void valueNotified(int id, int code);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    friend class CNumSpin;

    // Takes typed text (if any) as the new code, shows it in canonical form, and notifies when the text had
    // been typed or when always is set.
    void Commit(bool always);
    void Notify();
    void Redisplay(); // shows the code in canonical form, dropping typed text
    void Reformat();  // the same after a language change, unless the user is typing
    void ApplyColours();
    void SyncSpin();
    void ValueChanged(); // tells assistive technology

    CNumSpin* m_spin = nullptr;
    int m_value = 0;
    int m_editKind = 0;
    int m_max = 0;
    int m_min = 0;
    int m_modified = 0; // the text was changed by typing since it was last parsed
    double m_step = 0.0;
    double m_offset = 0.0;
    int m_temperature = kDefaultTemperature;
    QString m_unitText;
    QColor m_highlightColour{137, 172, 209};
    int m_highlighted = 0;
    int m_ownColours = 1;

    int m_language = 0;
    const std::atomic<int>* m_languageSource = nullptr;
    // GetValue parsed typed text that has not been shown in canonical form nor told to the page yet.
    bool m_typedUncommitted = false;
    // The focus came with a mouse press: select everything once the press has placed the cursor.
    bool m_selectOnPress = false;
    int m_wheelAngle = 0; // eighths of a degree not yet turned into a step
};
