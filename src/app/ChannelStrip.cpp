// One output channel's row on the main form: its selection button, curve toggle, mute, polarity and gain.
#include "app/ChannelStrip.h"

#include "control/ModelEditor.h"
#include "control/Session.h"
#include "controls/BitmapButton.h"
#include "controls/BitmapSlider.h"
#include "controls/SkinFont.h"
#include "controls/SkinPalette.h"
#include "editors/NumEdit.h"
#include "editors/NumSpin.h"
#include "model/KTV_Data.h"

#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <QPainter>

#include <array>
#include <utility>

namespace {

// Where each control sits in the strip (strip coordinates). Three rows: the channel and its curve, the
// switches and the gain value, the gain fader across the whole strip.
constexpr QRect kSelectRect{8, 5, 124, 22};
constexpr QRect kLineRect{136, 5, 52, 22};
constexpr QRect kMuteRect{8, 31, 52, 22};
constexpr QRect kPolarityRect{64, 31, 48, 22};
constexpr QRect kGainEditRect{128, 31, 60, 22};
constexpr QRect kGainSliderRect{6, 56, 184, 16};

// The names of channels 0..5 as the form shows them.
constexpr std::array<const char*, 6> kNames{
    QT_TRANSLATE_NOOP("CChannelStrip", "Front.Left"), QT_TRANSLATE_NOOP("CChannelStrip", "Front.Right"),
    QT_TRANSLATE_NOOP("CChannelStrip", "Rear.Left"),  QT_TRANSLATE_NOOP("CChannelStrip", "Rear.Right"),
    QT_TRANSLATE_NOOP("CChannelStrip", "Center"),     QT_TRANSLATE_NOOP("CChannelStrip", "Sub"),
};

// A dot in the channel's curve colour, so that the button and the graph's curve are found as one.
QIcon ColourDot(const ChannelColour& colour) {
    QPixmap dot(16, 16);
    dot.fill(Qt::transparent);
    QPainter p(&dot);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.setBrush(QColor(colour.red, colour.green, colour.blue));
    p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    return QIcon(dot);
}

CBitmapButton* MakeButton(int id, bool checkable, const QRect& rect, QWidget* parent) {
    auto* button = new CBitmapButton(parent);
    button->setObjectName(QString::number(id));
    button->setCheckable(checkable);
    button->setGeometry(rect);
    return button;
}

} // namespace

CChannelStrip::CChannelStrip(int channel, CSession& session, QObject* messageTarget, QWidget* parent)
    : QWidget(parent), m_channel(channel), m_session(session),
      m_select(MakeButton(kSelectBase + channel, true, kSelectRect, this)),
      m_line(MakeButton(kLineBase + channel, true, kLineRect, this)),
      m_mute(MakeButton(kMuteBase + channel, true, kMuteRect, this)),
      m_polarity(MakeButton(kPolarityBase + channel, true, kPolarityRect, this)),
      m_gainSlider(new CBitmapSlider(Qt::Horizontal, this)), m_gainEdit(new CNumEdit(this)),
      m_gainSpin(new CNumSpin(this)) {
    setObjectName(QStringLiteral("strip%1").arg(channel + 1));
    resize(kSize);
    m_select->setIcon(ColourDot(session.Data().Channel(channel).GetColour()));

    m_gainSlider->setObjectName(QString::number(kGainSliderBase + channel));
    m_gainSlider->setGeometry(kGainSliderRect);
    m_gainSlider->SetRange(0, kMaxGain);
    m_gainSlider->SetPageStep(6);
    m_gainSlider->SetTickInterval(6); // every 6 dB
    m_gainSlider->SetMessageTarget(messageTarget);

    m_gainEdit->setObjectName(QString::number(kGainEditBase + channel));
    m_gainSpin->setObjectName(QString::number(kGainSpinBase + channel));
    m_gainSpin->SetBuddy(m_gainEdit);
    m_gainEdit->SetEditKind(CNumEdit::kChannelGain);
    m_gainEdit->SetStep(1.0);
    m_gainEdit->SetOffset(kMaxGain);
    m_gainSpin->SetRange(0, kMaxGain);
    m_gainEdit->SetLanguageSource(&session.Globals().language);
    m_gainEdit->setGeometry(kGainEditRect);
    m_gainEdit->setAlignment(Qt::AlignCenter);
    m_gainSpin->hide(); // the value holder only: the edit steps it with Up/Down and the wheel

    connect(m_select, &QAbstractButton::clicked, this, [this] { emit selectRequested(m_channel); });
    connect(m_line, &QAbstractButton::clicked, this, [this] { emit curveToggleClicked(m_channel); });
    connect(m_mute, &QAbstractButton::clicked, this, [this] {
        const CKTV_OutData& ch = m_session.Data().Channel(m_channel);
        m_session.Editor().SetOutputOn(m_channel, ch.GetOutputOn() != 0 ? 0 : 1);
    });
    connect(m_polarity, &QAbstractButton::clicked, this, [this] {
        const CKTV_OutData& ch = m_session.Data().Channel(m_channel);
        m_session.Editor().SetPolarity(m_channel, ch.GetPolarity() != 0 ? 0 : 1);
    });
    // The edit notifies with its own id, a step through the hidden spin with the spin's.
    connect(m_gainEdit, &CNumEdit::valueNotified, this, [this](int, int code) { GainEdited(code); });
    connect(m_gainSpin, &CNumSpin::valueNotified, this, [this](int, int code) { GainEdited(code); });

    Retranslate();
    Refresh(ChannelPart::kAll);
}

QString CChannelStrip::Name(int channel) {
    if (channel < 0 || channel >= static_cast<int>(kNames.size()))
        return {};
    return tr(kNames[static_cast<std::size_t>(channel)]);
}

QList<QWidget*> CChannelStrip::TabStops() const {
    return {m_select, m_line, m_mute, m_polarity, m_gainSlider, m_gainEdit};
}

int CChannelStrip::ModelGain() const {
    return m_session.Data().Channel(m_channel).GetChannelGain();
}

void CChannelStrip::Refresh(unsigned parts) {
    const CKTV_OutData& ch = m_session.Data().Channel(m_channel);
    if (parts & ChannelPart::kOutputOn)
        m_mute->setChecked(ch.GetOutputOn() == 0);
    if (parts & ChannelPart::kPolarity) {
        const bool inverted = ch.GetPolarity() != 0;
        m_polarity->setChecked(inverted);
        m_polarity->SetText({inverted ? QStringLiteral("Pol-") : QStringLiteral("Pol+"), {}});
    }
    if (parts & ChannelPart::kGain) {
        const int gain = ModelGain();
        m_gainSpin->SetPos(gain); // the spin holds the code, the edit shows it
        // A drag in progress keeps its thumb: the posted positions it reported are still arriving.
        if (!m_gainSlider->IsDragging())
            m_gainSlider->SetPosition(gain);
    }
}

void CChannelStrip::ShowSelected(bool pressed) {
    m_select->setChecked(pressed);
}

bool CChannelStrip::ShownSelected() const {
    return m_select->isChecked();
}

void CChannelStrip::ShowCurve(bool pressed) {
    m_line->setChecked(pressed);
}

bool CChannelStrip::ShownCurve() const {
    return m_line->isChecked();
}

void CChannelStrip::GainEdited(int code) {
    // A click on the edit notifies too: only a new value is an edit.
    if (code != ModelGain())
        m_session.Editor().SetChannelGain(m_channel, code);
}

void CChannelStrip::GainFromSlider(int position, bool committed) {
    if (position != ModelGain())
        m_session.Editor().SetChannelGain(m_channel, position);
    if (!committed) {
        m_dragging = true;
        return;
    }
    if (std::exchange(m_dragging, false))
        m_gainEdit->setFocus(Qt::OtherFocusReason);
    Refresh(ChannelPart::kGain);
}

void CChannelStrip::Retranslate() {
    const QString ch = QStringLiteral("CH%1").arg(m_channel + 1);
    const QString name = Name(m_channel);
    m_select->SetText({ch + QStringLiteral("  ") + name, {}});
    m_select->SetAccessibleText({tr("%1 %2, select the channel").arg(ch, name), {}});
    m_select->setToolTip(tr("Edit %1 (%2)").arg(ch, name));
    m_line->SetText({tr("Line"), {}});
    m_line->SetAccessibleText({tr("%1 curve shown").arg(ch), {}});
    m_line->setToolTip(tr("Show the curve of %1 in the graph").arg(ch));
    m_mute->SetText({tr("Mute"), {}});
    m_mute->SetAccessibleText({tr("%1 mute").arg(ch), {}});
    m_polarity->SetAccessibleText({tr("%1 polarity inverted").arg(ch), {}});
    m_polarity->setToolTip(tr("Polarity of %1").arg(ch));
    m_gainSlider->SetAccessibleText({tr("%1 gain").arg(ch), {}});
    m_gainEdit->setAccessibleName(tr("%1 gain").arg(ch));
    m_gainEdit->setToolTip(tr("Gain of %1 in dB; type a value or use the arrow keys").arg(ch));
}

void CChannelStrip::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

void CChannelStrip::paintEvent(QPaintEvent*) {
    // A hairline between neighbouring strips; the region's panel is the form's.
    if (m_channel == 0)
        return;
    QPainter p(this);
    p.setPen(CSkinPalette::Edge());
    p.drawLine(0, 8, 0, height() - 8);
}
