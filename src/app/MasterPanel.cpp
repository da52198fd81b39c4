// The master panel of the main form: master volume, master output, DSP switch, input source and noise gate.
#include "app/MasterPanel.h"

#include "control/ModelEditor.h"
#include "control/Session.h"
#include "controls/BitmapButton.h"
#include "controls/BitmapSlider.h"
#include "controls/ListButton.h"
#include "controls/SkinFont.h"
#include "controls/SkinPalette.h"
#include "controls/SkinStatic.h"
#include "editors/NumEdit.h"
#include "model/SystemSettings.h"

#include <QEvent>
#include <QPainter>

#include <array>
#include <utility>

namespace {

// Panel coordinates. Label column on the left, controls to the right, one group per row.
constexpr QRect kTitleRect{12, 8, 244, 18};
constexpr QRect kVolumeLabelRect{12, 34, 58, 26};
constexpr QRect kVolumeSliderRect{72, 34, 124, 26};
constexpr QRect kVolumeEditRect{202, 34, 54, 26};
constexpr QRect kOutputRect{12, 68, 118, 26};
constexpr QRect kDspRect{138, 68, 118, 26};
constexpr QRect kSourceLabelRect{12, 102, 72, 26};
constexpr QRect kSourceRect{88, 102, 168, 26};
constexpr QRect kGateLabelRect{12, 134, 72, 26};
constexpr QRect kGateRect{88, 134, 168, 26};

constexpr std::array<const char*, SystemLayout::kSources> kSources{
    QT_TRANSLATE_NOOP("CMasterPanel", "High level"), QT_TRANSLATE_NOOP("CMasterPanel", "RCA"),
    QT_TRANSLATE_NOOP("CMasterPanel", "Bluetooth"),  QT_TRANSLATE_NOOP("CMasterPanel", "Optical"),
    QT_TRANSLATE_NOOP("CMasterPanel", "Coaxial"),    QT_TRANSLATE_NOOP("CMasterPanel", "Player"),
};
// The gate's levels read the same in both languages; only "off" is a word.
constexpr std::array<const char*, SystemLayout::kNoiseGateSteps - 1> kGateLevels{
    "-110dB", "-98dB", "-95dB", "-92dB", "-89dB", "-86dB", "-83dB", "-80dB"};

CSkinStatic* MakeLabel(const QRect& rect, QWidget* parent) {
    auto* label = new CSkinStatic(parent);
    label->setGeometry(rect);
    return label;
}

CBitmapButton* MakeToggle(int id, const QRect& rect, QWidget* parent) {
    auto* button = new CBitmapButton(parent);
    button->setObjectName(QString::number(id));
    button->setCheckable(true);
    button->setGeometry(rect);
    return button;
}

CListButton* MakeList(int id, int listId, const QRect& rect, QObject* target, QWidget* parent) {
    auto* list = new CListButton(parent);
    list->setObjectName(QString::number(id));
    list->SetListId(listId);
    list->SetMessageTarget(target);
    list->setGeometry(rect);
    return list;
}

} // namespace

CMasterPanel::CMasterPanel(CSession& session, QObject* messageTarget, QWidget* parent)
    : QWidget(parent), m_session(session), m_title(MakeLabel(kTitleRect, this)),
      m_volumeLabel(MakeLabel(kVolumeLabelRect, this)),
      m_volumeSlider(new CBitmapSlider(Qt::Horizontal, this)), m_volumeEdit(new CNumEdit(this)),
      m_output(MakeToggle(kMasterOutput, kOutputRect, this)), m_dsp(MakeToggle(kDspSwitch, kDspRect, this)),
      m_sourceLabel(MakeLabel(kSourceLabelRect, this)),
      m_source(MakeList(kSourceList, kSourceListId, kSourceRect, messageTarget, this)),
      m_gateLabel(MakeLabel(kGateLabelRect, this)),
      m_gate(MakeList(kNoiseGateList, kNoiseGateListId, kGateRect, messageTarget, this)) {
    setObjectName(QStringLiteral("masterPanel"));
    setGeometry(kOwnArea);
    m_title->SetPixelSize(11, QFont::DemiBold);

    m_volumeSlider->setObjectName(QString::number(kVolumeSlider));
    m_volumeSlider->setGeometry(kVolumeSliderRect);
    m_volumeSlider->SetRange(0, kMaxVolume);
    m_volumeSlider->SetPageStep(5);
    m_volumeSlider->SetTickInterval(10);
    m_volumeSlider->SetMessageTarget(messageTarget);

    m_volumeEdit->setObjectName(QString::number(kVolumeEdit));
    m_volumeEdit->SetEditKind(CNumEdit::kCount);
    m_volumeEdit->SetStep(1.0); // one volume step per code
    m_volumeEdit->SetRange(0, kMaxVolume);
    m_volumeEdit->SetLanguageSource(&session.Globals().language);
    m_volumeEdit->setGeometry(kVolumeEditRect);
    m_volumeEdit->setAlignment(Qt::AlignCenter);
    m_volumeEdit->setFont(CSkinFont::Pixel(14, QFont::DemiBold));

    connect(m_volumeEdit, &CNumEdit::valueNotified, this, [this](int, int value) { VolumeEdited(value); });
    connect(m_output, &QAbstractButton::clicked, this, [this](bool checked) {
        // The button may show "on" while the stored switch is off (after a volume change): the click
        // makes what the user now sees the stored state.
        m_session.Editor().SetMasterOutput(checked ? 1 : 0);
    });
    connect(m_dsp, &QAbstractButton::clicked, this, [this] {
        m_session.Editor().SetDspSwitch(CSystemSettings(m_session.Globals()).OptionFlag() != 0 ? 0 : 1);
    });

    Retranslate();
    Refresh(SystemPart::kSource | SystemPart::kMasterVolume | SystemPart::kMasterOutput |
            SystemPart::kNoiseGate | SystemPart::kDspSwitch);
}

QList<QWidget*> CMasterPanel::TabStops() const {
    return {m_volumeSlider, m_volumeEdit, m_output, m_dsp, m_source, m_gate};
}

void CMasterPanel::Refresh(unsigned parts) {
    const CSystemSettings system(m_session.Globals());
    if (parts & SystemPart::kMasterOutput)
        ShowOutputOn(system.MasterOutput() != 0);
    if (parts & SystemPart::kDspSwitch)
        ShowDsp(system.OptionFlag() != 0);
    if (parts & SystemPart::kMasterVolume) {
        const int volume = system.MasterVolume();
        m_volumeEdit->SetValue(volume);
        // A drag in progress keeps its thumb: the posted positions it reported are still arriving.
        if (!m_volumeSlider->IsDragging())
            m_volumeSlider->SetPosition(volume);
    }
    if (parts & SystemPart::kNoiseGate)
        m_gate->SetCurrentIndex(system.NoiseGate());
    if (parts & SystemPart::kSource)
        m_source->SetCurrentIndex(system.DisplayedSource());
}

void CMasterPanel::ShowOutputOn(bool on) {
    m_output->setChecked(on);
    m_output->SetText({on ? tr("Output on") : tr("Output off"), {}});
}

void CMasterPanel::ShowDsp(bool on) {
    m_dsp->setChecked(on);
    m_dsp->SetText({on ? tr("DSP on") : tr("DSP off"), {}});
}

void CMasterPanel::VolumeEdited(int value) {
    // A click on the edit notifies too: only a new value is an edit (and is sent at once).
    if (value == CSystemSettings(m_session.Globals()).MasterVolume())
        return;
    m_session.Editor().SetMasterVolume(value);
    ShowOutputOn(true);
}

void CMasterPanel::VolumeFromSlider(int position, bool committed) {
    // One message per worker cycle however fast the slider moves; the device's own volume is not adopted
    // meanwhile.
    if (m_session.Editor().SetMasterVolumeFromSlider(position))
        ShowOutputOn(true);
    if (!committed) {
        m_dragging = true;
        return;
    }
    if (std::exchange(m_dragging, false))
        m_volumeEdit->setFocus(Qt::OtherFocusReason);
    Refresh(SystemPart::kMasterVolume);
}

void CMasterPanel::SourceChosen(int index) {
    m_session.Editor().SelectSource(index);
}

void CMasterPanel::NoiseGateChosen(int index) {
    m_session.Editor().SetNoiseGate(index);
}

void CMasterPanel::Retranslate() {
    m_title->SetText({tr("MASTER"), {}});
    m_volumeLabel->SetText({tr("Volume"), {}});
    m_volumeSlider->SetAccessibleText({tr("Master volume"), {}});
    m_volumeEdit->setAccessibleName(tr("Master volume"));
    m_volumeEdit->setToolTip(tr("Master volume 0 to 60; type a value or use the arrow keys"));
    m_output->SetAccessibleText({tr("Master output"), {}});
    m_output->setToolTip(tr("Switch all outputs on or off"));
    m_dsp->SetAccessibleText({tr("DSP switch"), {}});
    m_dsp->setToolTip(tr("Switch the sound processing on or off"));
    m_sourceLabel->SetText({tr("Source"), {}});
    m_source->SetAccessibleText({tr("Input source"), {}});
    m_gateLabel->SetText({tr("Noise gate"), {}});
    m_gate->SetAccessibleText({tr("Noise gate"), {}});

    QList<SkinText> sources;
    for (const char* source : kSources)
        sources << SkinText{tr(source), {}};
    m_source->SetEntries(sources); // the chosen index stays
    QList<SkinText> gate{SkinText{tr("Close"), {}}};
    for (const char* level : kGateLevels)
        gate << SkinText{QString::fromLatin1(level), {}};
    m_gate->SetEntries(gate);

    ShowOutputOn(m_output->isChecked());
    ShowDsp(m_dsp->isChecked());
}

void CMasterPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

void CMasterPanel::paintEvent(QPaintEvent*) {
    // A hairline under the panel's own rows, above the Link row and the crossover area below.
    QPainter p(this);
    p.setPen(CSkinPalette::Edge());
    p.drawLine(12, height() - 1, width() - 12, height() - 1);
}
