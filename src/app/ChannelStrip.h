// One output channel's row on the main form: its selection button, curve toggle, mute, polarity and gain.
#pragma once

#include <QList>
#include <QPixmap>
#include <QWidget>

class CBitmapButton;
class CBitmapSlider;
class CNumEdit;
class CNumSpin;
class CSession;

// Thin: a click becomes one call on the edit entry point (mute, polarity, gain) or a request to the form
// (selection, curve toggle), and the controls show what the model holds when Refresh says a part changed.
// Setting a control from the model reports nothing, so a refresh never comes back as an edit. The gain
// slider posts its messages to the form, which hands them back through GainFromSlider.
class CChannelStrip : public QWidget {
    Q_OBJECT

public:
    // Control ids: family base + channel 0..5.
    static constexpr int kSelectBase = 6703;     // CH button
    static constexpr int kLineBase = 2103;       // the curve toggle ("Line")
    static constexpr int kMuteBase = 6052;       // sound switch
    static constexpr int kPolarityBase = 1944;   // "Pol+" / "Pol-"
    static constexpr int kGainSpinBase = 8610;   // hidden: holds the gain code for the edit
    static constexpr int kGainEditBase = 8630;   // gain in dB
    static constexpr int kGainSliderBase = 8650; // gain fader
    static constexpr int kMaxGain = 60;          // code 0..60, dB = code - 60, 0 = off
    static constexpr QSize kSize{194, 74};

    // `messageTarget` receives the gain slider's UM_SLIDER_* messages (the form).
    CChannelStrip(int channel, CSession& session, QObject* messageTarget, QWidget* parent = nullptr);

    // "Front.Left" ... "Sub" of channels 0..5 in the interface language; empty for another channel.
    static QString Name(int channel);

    int Channel() const { return m_channel; }
    // Shows the model's values for the ChannelPart bits in `parts`.
    void Refresh(unsigned parts);
    // The CH button pressed (the current channel, or its partner while the Link button is on).
    void ShowSelected(bool pressed);
    bool ShownSelected() const;
    // The Line toggle pressed: the curve is shown, or the channel is the current one.
    void ShowCurve(bool pressed);
    bool ShownCurve() const;

    // The gain slider moved by the user: `committed` for UM_SLIDER_COMMITTED. After a drag the gain edit
    // takes the focus, so that a value can be typed next; a key step leaves it on the slider.
    void GainFromSlider(int position, bool committed);

    CBitmapButton* SelectButton() const { return m_select; }
    CBitmapButton* LineButton() const { return m_line; }
    CBitmapButton* MuteButton() const { return m_mute; }
    CBitmapButton* PolarityButton() const { return m_polarity; }
    CBitmapSlider* GainSlider() const { return m_gainSlider; }
    CNumEdit* GainEdit() const { return m_gainEdit; }
    // The controls in their Tab order.
    QList<QWidget*> TabStops() const;

signals:
    void selectRequested(int channel);
    void curveToggleClicked(int channel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void GainEdited(int code);
    int ModelGain() const;

    const int m_channel;
    CSession& m_session;
    CBitmapButton* m_select;
    CBitmapButton* m_line;
    CBitmapButton* m_mute;
    CBitmapButton* m_polarity;
    CBitmapSlider* m_gainSlider;
    CNumEdit* m_gainEdit;
    CNumSpin* m_gainSpin;
    bool m_dragging = false; // UM_SLIDER_CHANGING came since the last commit
};
