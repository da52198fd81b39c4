// The master panel of the main form: master volume, master output, DSP switch, input source and noise gate.
#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

class CBitmapButton;
class CBitmapSlider;
class CListButton;
class CNumEdit;
class CSession;
class CSkinStatic;

// Fills the master region's host (host coordinates). Thin like the strips: the controls call the edit entry
// point and show the system block when Refresh says a part of it changed; code never reports. The upper
// part is this panel's; the Link and routing row and the crossover area below are left to their owners,
// who place their controls into the same host at the rectangles given here.
class CMasterPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int kVolumeEdit = 2225;
    static constexpr int kVolumeSlider = 2227;
    static constexpr int kMasterOutput = 2280;
    static constexpr int kDspSwitch = 3417;
    static constexpr int kSourceList = 2400;      // control id
    static constexpr int kSourceListId = 3965;    // its UM_LIST_SELECTED wParam
    static constexpr int kNoiseGateList = 3416;   // control id
    static constexpr int kNoiseGateListId = 3966; // its UM_LIST_SELECTED wParam
    static constexpr int kMaxVolume = 60;

    // In the master region's host: this panel, the row for the routing (3418) and Link (2247) buttons, and
    // the crossover controls (HPF 5500 / 5510 / 5511, LPF 5502 / 5512 / 5513).
    static constexpr QRect kOwnArea{0, 0, 268, 164};
    static constexpr QRect kLinkRow{12, 170, 244, 26};
    static constexpr QRect kCrossoverArea{0, 204, 268, 144};

    // `messageTarget` receives the slider's UM_SLIDER_* and the lists' UM_LIST_SELECTED (the form).
    CMasterPanel(CSession& session, QObject* messageTarget, QWidget* parent = nullptr);

    // Shows the system block's values for the SystemPart bits in `parts`.
    void Refresh(unsigned parts);

    // The user's own moves, handed back by the form from the controls' messages.
    void VolumeFromSlider(int position, bool committed);
    void SourceChosen(int index);
    void NoiseGateChosen(int index);

    CBitmapSlider* VolumeSlider() const { return m_volumeSlider; }
    CNumEdit* VolumeEdit() const { return m_volumeEdit; }
    CBitmapButton* OutputButton() const { return m_output; }
    CBitmapButton* DspButton() const { return m_dsp; }
    CListButton* SourceList() const { return m_source; }
    CListButton* NoiseGate() const { return m_gate; }
    QList<QWidget*> TabStops() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void VolumeEdited(int value);
    // A master-volume change shows the output as on; what is stored (and sent) stays as it was.
    void ShowOutputOn(bool on);
    void ShowDsp(bool on);

    CSession& m_session;
    CSkinStatic* m_title;
    CSkinStatic* m_volumeLabel;
    CBitmapSlider* m_volumeSlider;
    CNumEdit* m_volumeEdit;
    CBitmapButton* m_output;
    CBitmapButton* m_dsp;
    CSkinStatic* m_sourceLabel;
    CListButton* m_source;
    CSkinStatic* m_gateLabel;
    CListButton* m_gate;
    bool m_dragging = false; // UM_SLIDER_CHANGING came since the last commit
};
