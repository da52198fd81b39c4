// The EQ page of the main form: the 31 equaliser bands of the current channel and its all-bypass.
#pragma once

#include "model/ParamImage.h"

#include <QList>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <array>

class CBitmapButton;
class CBitmapSlider;
class CFStatic;
class CNumEdit;
class CNumSpin;
class CSession;
class CSkinStatic;

// One column per band: its number, frequency, Q and gain editors (each with a hidden spin that holds the
// code), a vertical gain fader and a "BY" toggle. Thin: every edit is one call on the edit entry point,
// which also carries it to the linked channels; the controls show the model again when the editor says the
// shown channel's bands, all-bypass or EQ mode changed. Setting a control from the model reports nothing.
//
// The faders post their UM_SLIDER_* messages to the page. The graph is told which band the user works on
// (SelectAndRedraw); the form's all-bypass button (2388) runs ToggleAllBypass and shows the channel's
// all-bypass state, which the page keeps up to date.
//
// Keys: Left/Right on a fader move to the previous/next fader (band 31 and band 1 wrap round); Enter in an
// editor moves on through the editors row by row (frequencies, then Qs, then gains, then the frequencies
// again), skipping editors that cannot be edited; Enter and Escape anywhere else bring the focus to the page
// and close nothing. Tab walks the columns band by band, top to bottom, and leaves the page for the form's
// next control after the last band.
class COutputDlg : public QWidget {
    Q_OBJECT

public:
    static constexpr int kBands = Layout::kBands;
    // Control ids: family base + band 0..30.
    static constexpr int kNumberBase = 5280;
    static constexpr int kFreqEditBase = 5200;
    static constexpr int kFreqSpinBase = 5240;
    static constexpr int kQEditBase = 4500;
    static constexpr int kQSpinBase = 4540;
    static constexpr int kGainEditBase = 5000;
    static constexpr int kGainSpinBase = 5040;
    static constexpr int kSliderBase = 5100;
    static constexpr int kBypassBase = 5320;

    static constexpr int kMinFreq = 20;       // Hz
    static constexpr int kMaxFreq = 20000;    // Hz
    static constexpr int kMaxBandwidth = 295; // bandwidth index: 0.05 .. 3.00 octaves
    static constexpr int kMaxGainCode = 400;  // 0.1 dB steps from -20 dB
    static constexpr int kZeroGainCode = 200; // 0 dB, also what a bypassed band shows
    static constexpr int kGraphicMode = 1;    // the channel's EQ mode byte in graphic mode

    // Page coordinates: a label column, then the band columns side by side.
    static constexpr QSize kSize{1284, 224};
    static constexpr int kColumnLeft = 40;
    static constexpr int kColumnWidth = 40;

    // `graph` shows the selected band; `allBypass` is the form's button that shows the all-bypass state.
    COutputDlg(CSession& session, CFStatic& graph, CBitmapButton& allBypass, QWidget* parent = nullptr);

    // Fills the page from the current channel (ModelGlobals::g_currentChannel): every band, the EQ mode (the
    // frequency and Q editors are disabled in graphic mode) and the all-bypass state; no band highlighted.
    void LoadChannel();
    // The graph moved band 0..30 of the shown channel (UM_GRAPH_POINT_MOVED): the band's controls and the
    // all-bypass state show the filter again, and the band and its gain editor are highlighted. The crossover
    // corners (31, 32) are not the page's.
    void SyncBandFromFilter(int band);
    // The form's all-bypass button was clicked: `on` is the state asked for. The button then shows the state
    // the channel ends in (switching it off while every band is bypassed on its own leaves it on), and the
    // graph shows no band selected.
    void ToggleAllBypass(bool on);
    // The graph selected filter `index` (0..30 a band, else none): its number is highlighted.
    void HighlightBand(int index);

    int Channel() const { return m_channel; }
    int HighlightedBand() const { return m_highlightBand; } // -1 when none
    CNumEdit* HighlightedEditor() const { return m_markedEdit; }

    CSkinStatic* Number(int band) const { return Col(band).number; }
    CNumEdit* FreqEdit(int band) const { return Col(band).freq; }
    CNumEdit* QEdit(int band) const { return Col(band).q; }
    CNumEdit* GainEdit(int band) const { return Col(band).gain; }
    CBitmapSlider* Slider(int band) const { return Col(band).slider; }
    CBitmapButton* BypassButton(int band) const { return Col(band).bypass; }
    // The controls in their Tab order: band by band, top to bottom.
    QList<QWidget*> TabStops() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Column {
        CSkinStatic* number = nullptr;
        CNumEdit* freq = nullptr;
        CNumSpin* freqSpin = nullptr;
        CNumEdit* q = nullptr;
        CNumSpin* qSpin = nullptr;
        CNumEdit* gain = nullptr;
        CNumSpin* gainSpin = nullptr;
        CBitmapSlider* slider = nullptr;
        CBitmapButton* bypass = nullptr;
    };

    const Column& Col(int band) const { return m_columns[static_cast<std::size_t>(band)]; }
    void BuildColumn(int band);
    void Retranslate();
    void RebuildBackground();
    QRect ColumnRect(int band) const; // the whole height of band k's column

    // The user's edits of band k.
    void FreqEdited(int band, int freq);
    void BandwidthEdited(int band, int index);
    void GainEdited(int band, int code);
    void SliderMoved(int band, int position);
    void BypassClicked(int band);
    // After an edit of band k, or the user's move into it: the graph selects it, its number is highlighted
    // and `editor` (when given) is marked as the page's current editor.
    void Select(int band, CNumEdit* editor);
    void MarkEditor(CNumEdit* editor);

    void OnChannelChanged(int channel, unsigned parts, int band);
    void ShowBand(int band);
    void ShowAllBypass();
    void ShowEqMode();

    // Keys.
    bool EnterInEditor(int band, CNumEdit* editor);
    void MoveToSlider(int band, int direction);
    int BandOf(const QObject* control) const; // -1 when it is none of the bands' controls

    CSession& m_session;
    CFStatic& m_graph;
    CBitmapButton& m_allBypass;
    std::array<Column, kBands> m_columns{};
    int m_channel = 0;
    int m_highlightBand = -1;
    CNumEdit* m_markedEdit = nullptr;
    QPixmap m_background; // row labels and the fader scale, per language
};
