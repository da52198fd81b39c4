// The EQ page of the main form: the 31 equaliser bands of the current channel and its all-bypass.
#include "app/OutputDlg.h"

#include "control/ModelEditor.h"
#include "control/Session.h"
#include "controls/BitmapButton.h"
#include "controls/BitmapSlider.h"
#include "controls/SkinFont.h"
#include "controls/SkinPalette.h"
#include "controls/SkinStatic.h"
#include "editors/FStatic.h"
#include "editors/NumEdit.h"
#include "editors/NumSpin.h"
#include "link/Notifier.h"
#include "link/QtNotifier.h"
#include "model/KTV_Data.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace {

// Rows of a band column (page coordinates; x is relative to the column's left edge).
constexpr QRect kNumberRect{2, 6, 36, 16};
constexpr QRect kFreqRect{2, 25, 36, 20};
constexpr QRect kQRect{2, 47, 36, 20};
constexpr QRect kGainRect{2, 69, 36, 20};
constexpr QRect kSliderRect{8, 93, 24, 102};
constexpr QRect kBypassRect{5, 198, 30, 20};
// Where a fader's thumb centre sits at the top and the bottom of its range (its travel ends).
constexpr int kSliderEndInset = 9;

constexpr int kLabelLeft = 6;
constexpr int kEditorPixels = 11;

constexpr int kSliderStep = 5;     // arrows and wheel: 0.5 dB
constexpr int kSliderPage = 30;    // Page Up/Down: 3 dB
constexpr int kSliderTicks = 50;   // a mark every 5 dB
constexpr double kGainStep = 0.1;  // dB per gain code
constexpr double kGainOffset = 20; // dB at code 0 is -20

const QColor kNumberColour{200, 200, 200};
const QColor kSelectedNumberColour{58, 114, 255};
const QColor kSelectedColumn{44, 44, 49}; // behind the band the user works on
const QColor kRowRule{44, 44, 48};        // between the editor rows and the faders

constexpr char kBandRow[] = QT_TRANSLATE_NOOP("COutputDlg", "Band");
constexpr char kFreqRow[] = QT_TRANSLATE_NOOP("COutputDlg", "Freq");
constexpr char kQRow[] = QT_TRANSLATE_NOOP("COutputDlg", "Q");
constexpr char kGainRow[] = QT_TRANSLATE_NOOP("COutputDlg", "Gain");

// Every band of the channel effectively bypassed: what the all-bypass button shows.
bool AllBandsBypassed(const CKTV_OutData& ch) {
    for (int k = 0; k < Layout::kBands; ++k)
        if (ch.Band(k).GetEffectiveBypass() == 0)
            return false;
    return true;
}

void PlaceEditor(CNumEdit* edit, CNumSpin* spin, int editId, int spinId, const QRect& rect) {
    edit->setObjectName(QString::number(editId));
    spin->setObjectName(QString::number(spinId));
    spin->SetBuddy(edit);
    edit->setGeometry(rect);
    edit->setAlignment(Qt::AlignCenter);
    edit->setFont(CSkinFont::Pixel(kEditorPixels));
    spin->hide(); // the value holder only: the editor steps it with Up/Down and the wheel
}

} // namespace

COutputDlg::COutputDlg(CSession& session, CFStatic& graph, CBitmapButton& allBypass, QWidget* parent)
    : QWidget(parent), m_session(session), m_graph(graph), m_allBypass(allBypass) {
    setObjectName(QStringLiteral("eqPage"));
    resize(kSize);
    // The page itself takes the focus that Enter and Escape hand it, and a click on its background.
    setFocusPolicy(Qt::ClickFocus);
    for (int k = 0; k < kBands; ++k)
        BuildColumn(k);

    connect(&session.Editor(), &CModelEditor::channelChanged, this, &COutputDlg::OnChannelChanged);
    connect(&graph, &CFStatic::selectionChanged, this, &COutputDlg::HighlightBand);

    Retranslate();
    LoadChannel();
}

void COutputDlg::BuildColumn(int k) {
    Column& c = m_columns[static_cast<std::size_t>(k)];
    const QPoint origin(kColumnLeft + k * kColumnWidth, 0);
    const std::atomic<int>* language = &m_session.Globals().language;

    c.number = new CSkinStatic(SkinText{QString::number(k + 1), {}}, this);
    c.number->setObjectName(QString::number(kNumberBase + k));
    c.number->setGeometry(kNumberRect.translated(origin));
    c.number->SetAlignment(Qt::AlignCenter);
    c.number->SetPixelSize(12, QFont::DemiBold);
    c.number->SetColour(kNumberColour);

    c.freq = new CNumEdit(this);
    c.freqSpin = new CNumSpin(this);
    c.freq->SetEditKind(CNumEdit::kBandFreq);
    PlaceEditor(c.freq, c.freqSpin, kFreqEditBase + k, kFreqSpinBase + k, kFreqRect.translated(origin));
    c.freqSpin->SetRange(kMinFreq, kMaxFreq);

    c.q = new CNumEdit(this);
    c.qSpin = new CNumSpin(this);
    c.q->SetEditKind(CNumEdit::kBandwidth);
    PlaceEditor(c.q, c.qSpin, kQEditBase + k, kQSpinBase + k, kQRect.translated(origin));
    c.qSpin->SetRange(0, kMaxBandwidth);

    c.gain = new CNumEdit(this);
    c.gainSpin = new CNumSpin(this);
    c.gain->SetEditKind(CNumEdit::kBandGain);
    c.gain->SetStep(kGainStep);
    c.gain->SetOffset(kGainOffset);
    PlaceEditor(c.gain, c.gainSpin, kGainEditBase + k, kGainSpinBase + k, kGainRect.translated(origin));
    c.gainSpin->SetRange(0, kMaxGainCode);

    for (CNumEdit* edit : {c.freq, c.q, c.gain}) {
        edit->SetLanguageSource(language);
        edit->installEventFilter(this);
    }

    c.slider = new CBitmapSlider(Qt::Vertical, this);
    c.slider->setObjectName(QString::number(kSliderBase + k));
    c.slider->setGeometry(kSliderRect.translated(origin));
    c.slider->SetRange(0, kMaxGainCode);
    c.slider->SetSingleStep(kSliderStep);
    c.slider->SetPageStep(kSliderPage);
    c.slider->SetTickInterval(kSliderTicks);
    c.slider->SetFillOrigin(kZeroGainCode); // cut below 0 dB, boost above
    c.slider->SetMessageTarget(this);
    c.slider->installEventFilter(this);

    c.bypass = new CBitmapButton(SkinText{QStringLiteral("BY"), {}}, this);
    c.bypass->setObjectName(QString::number(kBypassBase + k));
    c.bypass->setCheckable(true);
    c.bypass->setGeometry(kBypassRect.translated(origin));
    c.bypass->setFont(CSkinFont::Pixel(kEditorPixels, QFont::DemiBold));
    c.bypass->installEventFilter(this);

    // An editor notifies with its own id, a step through its hidden spin with the spin's: one handler.
    connect(c.freq, &CNumEdit::valueNotified, this, [this, k](int, int v) { FreqEdited(k, v); });
    connect(c.freqSpin, &CNumSpin::valueNotified, this, [this, k](int, int v) { FreqEdited(k, v); });
    connect(c.q, &CNumEdit::valueNotified, this, [this, k](int, int v) { BandwidthEdited(k, v); });
    connect(c.qSpin, &CNumSpin::valueNotified, this, [this, k](int, int v) { BandwidthEdited(k, v); });
    connect(c.gain, &CNumEdit::valueNotified, this, [this, k](int, int v) { GainEdited(k, v); });
    connect(c.gainSpin, &CNumSpin::valueNotified, this, [this, k](int, int v) { GainEdited(k, v); });
    connect(c.bypass, &QAbstractButton::clicked, this, [this, k] { BypassClicked(k); });
}

QList<QWidget*> COutputDlg::TabStops() const {
    QList<QWidget*> stops;
    for (const Column& c : m_columns)
        stops << c.freq << c.q << c.gain << c.slider << c.bypass;
    return stops;
}

// ---- Showing the model ---------------------------------------------------------------------------------

void COutputDlg::LoadChannel() {
    m_channel = std::clamp(m_session.Globals().g_currentChannel, 0, Layout::kChannels - 1);
    ShowEqMode();
    for (int k = 0; k < kBands; ++k)
        ShowBand(k);
    ShowAllBypass();
    HighlightBand(-1);
    MarkEditor(nullptr);
}

void COutputDlg::ShowBand(int k) {
    const CFilter& f = m_session.Data().Channel(m_channel).Band(k);
    const Column& c = Col(k);
    // The spins hold the codes and their editors show them; a bypassed band shows 0.0 dB and its fader at
    // the centre, while the filter keeps its own gain for the moment bypass ends.
    c.freqSpin->SetPos(std::clamp(f.GetFreq(), kMinFreq, kMaxFreq));
    c.qSpin->SetPos(std::clamp(f.GetQIndex(), 0, kMaxBandwidth));
    const int code = std::clamp(f.GetGainCode(), 0, kMaxGainCode);
    c.gainSpin->SetPos(code);
    // A drag in progress keeps its thumb: the posted positions it reported are still arriving.
    if (!c.slider->IsDragging())
        c.slider->SetPosition(code);
    c.bypass->setChecked(f.GetEffectiveBypass() != 0);
}

void COutputDlg::ShowAllBypass() {
    m_allBypass.setChecked(AllBandsBypassed(m_session.Data().Channel(m_channel)));
}

void COutputDlg::ShowEqMode() {
    // In graphic mode a band's frequency and bandwidth are fixed: only gain and bypass change.
    const bool parametric = m_session.Data().Channel(m_channel).GetEqMode() != kGraphicMode;
    for (const Column& c : m_columns) {
        c.freq->setEnabled(parametric);
        c.q->setEnabled(parametric);
    }
}

void COutputDlg::OnChannelChanged(int channel, unsigned parts, int band) {
    if (channel != m_channel)
        return;
    if (parts & ChannelPart::kEqMode)
        ShowEqMode();
    if (parts & ChannelPart::kBands) {
        if (band >= 0 && band < kBands)
            ShowBand(band);
        else
            for (int k = 0; k < kBands; ++k)
                ShowBand(k);
    }
    if (parts & (ChannelPart::kBands | ChannelPart::kAllBypass))
        ShowAllBypass();
}

void COutputDlg::SyncBandFromFilter(int band) {
    if (band < 0 || band >= kBands)
        return;
    // The graph's drag went through the edit entry point, which already carried it to the linked channels.
    ShowBand(band);
    ShowAllBypass();
    HighlightBand(band);
    MarkEditor(Col(band).gain);
}

void COutputDlg::HighlightBand(int index) {
    const int band = index >= 0 && index < kBands ? index : -1;
    if (band == m_highlightBand)
        return;
    const int before = std::exchange(m_highlightBand, band);
    if (before >= 0) {
        Col(before).number->SetColour(kNumberColour);
        update(ColumnRect(before));
    }
    if (band >= 0) {
        Col(band).number->SetColour(kSelectedNumberColour);
        update(ColumnRect(band)); // its backing
    }
}

QRect COutputDlg::ColumnRect(int band) const {
    return {kColumnLeft + band * kColumnWidth, 0, kColumnWidth, height()};
}

void COutputDlg::MarkEditor(CNumEdit* editor) {
    // The editor's own focus handling clears its mark when the focus leaves it, so the mark is set again
    // even on the editor marked already.
    if (m_markedEdit != nullptr && m_markedEdit != editor && !m_markedEdit->hasFocus())
        m_markedEdit->SetHighlight(false);
    m_markedEdit = editor;
    if (editor != nullptr)
        editor->SetHighlight(true);
}

void COutputDlg::Select(int band, CNumEdit* editor) {
    m_graph.SelectAndRedraw(band);
    HighlightBand(band);
    if (editor != nullptr)
        MarkEditor(editor);
}

// ---- The user's edits ----------------------------------------------------------------------------------

// A click on an editor notifies too (it selects the band): only a new value is an edit.
void COutputDlg::FreqEdited(int k, int freq) {
    if (freq != m_session.Data().Channel(m_channel).Band(k).GetFreq())
        m_session.Editor().SetBandFreq(m_channel, k, freq);
    Select(k, Col(k).freq);
}

void COutputDlg::BandwidthEdited(int k, int index) {
    if (index != m_session.Data().Channel(m_channel).Band(k).GetQIndex())
        m_session.Editor().SetBandBandwidth(m_channel, k, index);
    Select(k, Col(k).q);
}

void COutputDlg::GainEdited(int k, int code) {
    // Compared with what the band shows: 0.0 dB typed into a bypassed band changes nothing, any other gain
    // ends its bypass.
    if (code != m_session.Data().Channel(m_channel).Band(k).GetGainCode())
        m_session.Editor().SetBandGain(m_channel, k, code);
    Select(k, Col(k).gain);
}

void COutputDlg::SliderMoved(int k, int position) {
    if (position != m_session.Data().Channel(m_channel).Band(k).GetGainCode())
        m_session.Editor().SetBandGain(m_channel, k, position);
    Select(k, Col(k).gain);
}

void COutputDlg::BypassClicked(int k) {
    const bool bypassed = m_session.Data().Channel(m_channel).Band(k).GetEffectiveBypass() != 0;
    // A band at 0 dB stays bypassed: the button shows the band as the editor left it.
    m_session.Editor().SetBandBypass(m_channel, k, bypassed ? 0 : 1);
    ShowBand(k);
    Select(k, Col(k).gain);
}

void COutputDlg::ToggleAllBypass(bool on) {
    m_allBypass.setChecked(m_session.Editor().SetAllBypass(m_channel, on));
    HighlightBand(-1);
    m_graph.SelectAndRedraw(-1);
}

// ---- Messages and keys ---------------------------------------------------------------------------------

bool COutputDlg::event(QEvent* event) {
    if (event->type() >= QEvent::User)
        if (const auto* message = dynamic_cast<const CQtNotifier::MessageEvent*>(event)) {
            const int type = message->Message();
            const int band = static_cast<int>(message->WParam()) - kSliderBase;
            // A drag and its release are handled alike: each position is an edit of the band's gain.
            if ((type == UM_SLIDER_CHANGING || type == UM_SLIDER_COMMITTED) && band >= 0 && band < kBands)
                SliderMoved(band, static_cast<int>(message->LParam()));
            return true;
        }
    return QWidget::event(event);
}

int COutputDlg::BandOf(const QObject* control) const {
    for (int k = 0; k < kBands; ++k) {
        const Column& c = Col(k);
        if (control == c.freq || control == c.q || control == c.gain || control == c.slider ||
            control == c.bypass)
            return k;
    }
    return -1;
}

bool COutputDlg::eventFilter(QObject* watched, QEvent* event) {
    const int band = BandOf(watched);
    if (band < 0)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        // Moving into a band (by Tab, a click, Enter or the arrows) selects it on the graph too.
        auto* editor = qobject_cast<CNumEdit*>(watched);
        Select(band, editor);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (auto* editor = qobject_cast<CNumEdit*>(watched); editor && enter)
        return EnterInEditor(band, editor);
    if (watched == Col(band).slider && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
        MoveToSlider(band, key->key() == Qt::Key_Left ? -1 : 1);
        return true;
    }
    if (enter || key->key() == Qt::Key_Escape) {
        setFocus(Qt::OtherFocusReason); // leaving an editor takes what was typed into it
        return true;
    }
    return false;
}

bool COutputDlg::EnterInEditor(int band, CNumEdit* editor) {
    // What was typed counts first, as the editor's own Enter would take it; then the focus moves on through
    // the frequencies, the Qs and the gains, round again.
    const Column& c = Col(band);
    const int value = editor->GetValue();
    if (editor == c.freq)
        FreqEdited(band, value);
    else if (editor == c.q)
        BandwidthEdited(band, value);
    else
        GainEdited(band, value);
    ShowBand(band); // typed text in canonical form also when nothing changed

    QList<CNumEdit*> order;
    for (const Column& column : m_columns)
        order << column.freq;
    for (const Column& column : m_columns)
        order << column.q;
    for (const Column& column : m_columns)
        order << column.gain;
    const qsizetype at = order.indexOf(editor);
    for (qsizetype step = 1; step <= order.size(); ++step) {
        CNumEdit* next = order[(at + step) % order.size()];
        if (next->isEnabled()) {
            next->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    return true;
}

void COutputDlg::MoveToSlider(int band, int direction) {
    Col((band + direction + kBands) % kBands).slider->setFocus(Qt::TabFocusReason);
}

void COutputDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept(); // the page stays, whatever holds it
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// ---- Texts and looks -----------------------------------------------------------------------------------

void COutputDlg::Retranslate() {
    for (int k = 0; k < kBands; ++k) {
        const Column& c = Col(k);
        const QString n = QString::number(k + 1);
        c.number->SetAccessibleText({tr("Band %1").arg(n), {}});
        c.freq->setAccessibleName(tr("Band %1 frequency").arg(n));
        c.freq->setToolTip(tr("Centre frequency of band %1 in Hz").arg(n));
        c.q->setAccessibleName(tr("Band %1 Q").arg(n));
        c.q->setToolTip(tr("Q of band %1: higher is narrower").arg(n));
        c.gain->setAccessibleName(tr("Band %1 gain").arg(n));
        c.gain->setToolTip(tr("Gain of band %1 in dB, -20 to +20").arg(n));
        c.slider->SetAccessibleText({tr("Band %1 gain").arg(n), {}});
        c.bypass->SetAccessibleText({tr("Band %1 bypass").arg(n), {}});
        c.bypass->setToolTip(tr("Bypass band %1").arg(n));
    }
    RebuildBackground();
    update();
}

void COutputDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

void COutputDlg::RebuildBackground() {
    // The label column and the rule above the faders; the region's panel below is the form's.
    m_background = QPixmap(size());
    m_background.fill(Qt::transparent);
    QPainter p(&m_background);
    p.setFont(CSkinFont::Pixel(kEditorPixels));
    p.setPen(CSkinPalette::DimText());
    const int labelWidth = kColumnLeft - kLabelLeft;
    const auto label = [&](const QRect& row, const QString& text) {
        p.drawText(QRect(kLabelLeft, row.y(), labelWidth, row.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   text);
    };
    label(kNumberRect, tr(kBandRow));
    label(kFreqRect, tr(kFreqRow));
    label(kQRect, tr(kQRow));
    label(kGainRect, tr(kGainRow));

    // The faders' scale in dB: top, centre and bottom of their travel.
    p.setPen(CSkinPalette::GraphLabel());
    const int top = kSliderRect.top() + kSliderEndInset;
    const int bottom = kSliderRect.bottom() + 1 - kSliderEndInset;
    const int centre = (top + bottom) / 2;
    for (const auto& [y, text] : {std::pair{top, "+20"}, std::pair{centre, "0"}, std::pair{bottom, "-20"}})
        p.drawText(QRect(kLabelLeft, y - 8, labelWidth - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromLatin1(text));

    p.fillRect(QRect(kLabelLeft, kSliderRect.top() - 3, width() - 2 * kLabelLeft, 1), kRowRule);
}

void COutputDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_highlightBand >= 0) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(kSelectedColumn);
        p.drawRoundedRect(QRectF(ColumnRect(m_highlightBand)).adjusted(0.5, 2.5, -0.5, -2.5), 4, 4);
    }
    p.drawPixmap(0, 0, m_background);
}
