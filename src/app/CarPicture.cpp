// The car picture of the main form: where each channel's speaker sits, its delay, and the delay unit.
#include "app/CarPicture.h"

#include "app/PositionIcon.h"
#include "app/TavelView.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "controls/BitmapButton.h"
#include "controls/SkinPalette.h"
#include "controls/SkinStatic.h"
#include "editors/NumEdit.h"
#include "editors/NumSpin.h"
#include "model/KTV_Data.h"
#include "model/SystemSettings.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// Picture coordinates (the region is 292 x 348): the title, the car from its front bumper (top) to its
// rear, the unit row under it. Markers sit on the car's sides and middle line; the left and right delay
// edits stand outside the car in two columns, joined to their markers by a short leader.
constexpr QRect kTitleRect{12, 8, 120, 18};
constexpr QRectF kBody{86.5, 30.5, 120.0, 272.0};
constexpr int kLeftIconX = 100;
constexpr int kRightIconX = 192;
constexpr int kCentreX = 146;
constexpr int kSideEditWidth = 74;
constexpr int kLeftEditX = 4;
constexpr int kRightEditX = 214;
constexpr int kCentreEditWidth = 68;
constexpr int kEditHeight = 20;
constexpr int kCentreEditGap = 13; // from a centre marker's middle to the top of its edit below

constexpr QRect kUnitLabelRect{12, 314, 42, 24};
constexpr int kUnitTop = 314;
constexpr int kUnitHeight = 24;
// Left to right the buttons read Cm, Ms, Inch.
struct UnitPlace {
    int id;
    int unit;
    int x;
    int width;
};
constexpr std::array<UnitPlace, 3> kUnitPlaces{{
    {CCarPicture::kUnitCm, CCarPicture::Centimetres, 56, 74},
    {CCarPicture::kUnitMs, CCarPicture::Milliseconds, 134, 74},
    {CCarPicture::kUnitInch, CCarPicture::Inches, 212, 74},
}};

// Any text: with one, the delay kinds show their unit after the value.
const QString kShowUnit = QStringLiteral("unit");

// The car's own colours: a little lighter than the panel, glass darker, so that markers and edits read
// above it.
const QColor kBodyEdge{84, 84, 90};
const QColor kBodySide{44, 44, 48};
const QColor kBodyMiddle{52, 52, 57};
const QColor kGlass{24, 24, 27};
const QColor kGlassEdge{72, 72, 78};
const QColor kSeat{40, 40, 44};
const QColor kSeatEdge{60, 60, 65};
const QColor kTyre{16, 16, 18};
const QColor kLamp{205, 205, 190, 150};
const QColor kTailLamp{170, 64, 64, 170};

void DrawCar(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    // Tyres first: the body covers their inner half.
    p.setPen(QPen(QColor(50, 50, 54), 1.0));
    p.setBrush(kTyre);
    for (const double y : {44.5, 232.5})
        for (const double x : {80.5, 198.5})
            p.drawRoundedRect(QRectF(x, y, 14.0, 32.0), 3.0, 3.0);

    QPainterPath body;
    body.addRoundedRect(kBody, 30.0, 24.0);
    QLinearGradient shade(kBody.topLeft(), kBody.topRight());
    shade.setColorAt(0.0, kBodySide);
    shade.setColorAt(0.5, kBodyMiddle);
    shade.setColorAt(1.0, kBodySide);
    p.setPen(QPen(kBodyEdge, 1.0));
    p.setBrush(shade);
    p.drawPath(body);

    // Head and tail lamps.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kLamp, 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(94.0, 34.0, 24.0, 14.0), 100 * 16, 60 * 16);
    p.drawArc(QRectF(174.0, 34.0, 24.0, 14.0), 20 * 16, 60 * 16);
    p.setPen(QPen(kTailLamp, 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(98.0, 298.0), QPointF(112.0, 299.0));
    p.drawLine(QPointF(180.0, 299.0), QPointF(194.0, 298.0));

    // A crease along the bonnet.
    p.setPen(QPen(QColor(60, 60, 66), 1.0));
    p.drawLine(QPointF(116.0, 42.0), QPointF(120.0, 66.0));
    p.drawLine(QPointF(176.0, 42.0), QPointF(172.0, 66.0));

    // Windscreen and rear window.
    p.setPen(QPen(kGlassEdge, 1.0));
    p.setBrush(kGlass);
    p.drawPolygon(
        QPolygonF{{QPointF(98.5, 70.5), QPointF(194.5, 70.5), QPointF(186.5, 96.5), QPointF(106.5, 96.5)}});
    p.drawPolygon(QPolygonF{
        {QPointF(106.5, 232.5), QPointF(186.5, 232.5), QPointF(194.5, 250.5), QPointF(98.5, 250.5)}});

    // Front seats and the rear bench.
    p.setPen(QPen(kSeatEdge, 1.0));
    p.setBrush(kSeat);
    p.drawRoundedRect(QRectF(108.5, 112.5, 30.0, 46.0), 7.0, 7.0);
    p.drawRoundedRect(QRectF(154.5, 112.5, 30.0, 46.0), 7.0, 7.0);
    p.drawRoundedRect(QRectF(108.5, 194.5, 76.0, 30.0), 7.0, 7.0);
}

} // namespace

int CCarPicture::PositionOfType(int type) {
    if (type <= 0)
        return -1;
    for (std::size_t p = 0; p < kPositions.size(); ++p)
        for (const std::uint8_t t : kPositions[p].types)
            if (t == type)
                return static_cast<int>(p);
    return -1;
}

QPoint CCarPicture::IconCentre(const Position& position) {
    switch (position.side) {
    case Side::Left:
        return {kLeftIconX, position.y};
    case Side::Right:
        return {kRightIconX, position.y};
    case Side::Centre:
        break;
    }
    return {kCentreX, position.y};
}

QRect CCarPicture::EditRect(const Position& position) {
    switch (position.side) {
    case Side::Left:
        return {kLeftEditX, position.y - kEditHeight / 2, kSideEditWidth, kEditHeight};
    case Side::Right:
        return {kRightEditX, position.y - kEditHeight / 2, kSideEditWidth, kEditHeight};
    case Side::Centre:
        break;
    }
    return {kCentreX - kCentreEditWidth / 2, position.y + kCentreEditGap, kCentreEditWidth, kEditHeight};
}

CCarPicture::CCarPicture(CSession& session, CTavelView& form, QWidget* parent)
    : QWidget(parent), m_session(session), m_form(form), m_title(new CSkinStatic(this)),
      m_unitLabel(new CSkinStatic(this)) {
    setObjectName(QStringLiteral("carPicture"));
    setGeometry(parent->rect());
    m_title->setGeometry(kTitleRect);
    m_title->SetPixelSize(11, QFont::DemiBold);
    m_unitLabel->setGeometry(kUnitLabelRect);

    for (int i = 0; i < kSlots; ++i) {
        auto* icon = new CPositionIcon(this);
        icon->setObjectName(QString::number(kIconBase + i));
        icon->hide();
        m_icons[static_cast<std::size_t>(i)] = icon;

        auto* edit = new CNumEdit(this);
        edit->setObjectName(QString::number(kEditBase + i));
        auto* spin = new CNumSpin(this);
        spin->setObjectName(QString::number(kSpinBase + i));
        spin->SetBuddy(edit);
        edit->SetEditKind(m_unit, kShowUnit);
        spin->SetRange(0, kMaxDelay);
        edit->SetLanguageSource(&session.Globals().language);
        edit->setAlignment(Qt::AlignCenter);
        edit->hide();
        spin->hide(); // the value holder only: the edit steps it by one sample with Up/Down and the wheel
        m_edits[static_cast<std::size_t>(i)] = edit;
        m_spins[static_cast<std::size_t>(i)] = spin;
    }
    for (std::size_t p = 0; p < kPositions.size(); ++p) {
        const Position& position = kPositions[p];
        const int at = static_cast<int>(p);
        CPositionIcon* icon = m_icons[static_cast<std::size_t>(position.icon)];
        icon->move(IconCentre(position) - QPoint(CPositionIcon::kDiameter / 2, CPositionIcon::kDiameter / 2));
        connect(icon, &QAbstractButton::clicked, this, [this, at] { IconClicked(at); });
        CNumEdit* edit = m_edits[static_cast<std::size_t>(position.slot)];
        edit->setGeometry(EditRect(position));
        // The edit notifies with its own id (also on a click), a step through the hidden spin with the
        // spin's.
        connect(edit, &CNumEdit::valueNotified, this,
                [this, at](int, int samples) { DelayEdited(at, samples); });
        connect(m_spins[static_cast<std::size_t>(position.slot)], &CNumSpin::valueNotified, this,
                [this, at](int, int samples) { DelayEdited(at, samples); });
    }

    for (const UnitPlace& place : kUnitPlaces) {
        auto* button = new CBitmapButton(this);
        button->setObjectName(QString::number(place.id));
        button->setCheckable(true);
        button->setGeometry(place.x, kUnitTop, place.width, kUnitHeight);
        // One of the three is pressed: SetDelayUnit sets all three, also after a click on the pressed one.
        const int unit = place.unit;
        connect(button, &QAbstractButton::clicked, this, [this, unit] { SetDelayUnit(unit); });
        m_unitButtons[static_cast<std::size_t>(unit)] = button;
    }

    connect(&form, &CTavelView::channelSelected, this, &CCarPicture::ShowSelection);
    connect(&form, &CTavelView::allRefreshed, this, &CCarPicture::ShowPositions);
    connect(&session.Editor(), &CModelEditor::channelChanged, this, [this](int, unsigned parts, int) {
        if (parts & ChannelPart::kDelay)
            ShowDelays();
    });

    Retranslate();
    SetDelayUnit(Milliseconds);
    ShowPositions();
}

int CCarPicture::SpeakerType(int channel) const {
    return CSystemSettings(m_session.Globals()).SpeakerType(channel);
}

int CCarPicture::ChannelAt(int position) const {
    if (position < 0 || position >= static_cast<int>(kPositions.size()))
        return -1;
    const auto& types = kPositions[static_cast<std::size_t>(position)].types;
    const auto placedHere = [&types](int type) {
        return type != 0 && std::find(types.begin(), types.end(), type) != types.end();
    };
    const bool shared = types[1] != 0;
    if (shared) {
        for (int c = 0; c < Layout::kChannels; ++c)
            if (placedHere(SpeakerType(c)))
                return c;
        return -1;
    }
    for (int c = Layout::kChannels - 1; c >= 0; --c)
        if (placedHere(SpeakerType(c)))
            return c;
    return -1;
}

CPositionIcon* CCarPicture::Icon(int position) const {
    if (position < 0 || position >= static_cast<int>(kPositions.size()))
        return nullptr;
    return m_icons[static_cast<std::size_t>(kPositions[static_cast<std::size_t>(position)].icon)];
}

CNumEdit* CCarPicture::DelayEdit(int position) const {
    if (position < 0 || position >= static_cast<int>(kPositions.size()))
        return nullptr;
    return m_edits[static_cast<std::size_t>(kPositions[static_cast<std::size_t>(position)].slot)];
}

CBitmapButton* CCarPicture::UnitButton(int unit) const {
    return unit >= 0 && unit < static_cast<int>(m_unitButtons.size())
               ? m_unitButtons[static_cast<std::size_t>(unit)]
               : nullptr;
}

QList<QWidget*> CCarPicture::TabStops() const {
    std::array<int, kPositions.size()> order{};
    for (std::size_t p = 0; p < order.size(); ++p)
        order[p] = static_cast<int>(p);
    std::sort(order.begin(), order.end(), [](int a, int b) {
        const QRect ra = EditRect(kPositions[static_cast<std::size_t>(a)]);
        const QRect rb = EditRect(kPositions[static_cast<std::size_t>(b)]);
        return ra.top() != rb.top() ? ra.top() < rb.top() : ra.left() < rb.left();
    });
    QList<QWidget*> stops;
    for (const int p : order)
        stops << DelayEdit(p);
    for (const UnitPlace& place : kUnitPlaces)
        stops << m_unitButtons[static_cast<std::size_t>(place.unit)];
    return stops;
}

void CCarPicture::ShowPositions() {
    for (CPositionIcon* icon : m_icons)
        icon->hide();
    for (CNumEdit* edit : m_edits)
        edit->hide();
    for (std::size_t p = 0; p < kPositions.size(); ++p) {
        const int channel = ChannelAt(static_cast<int>(p));
        if (channel < 0)
            continue;
        const ChannelColour colour = m_session.Data().Channel(channel).GetColour();
        CPositionIcon* icon = Icon(static_cast<int>(p));
        icon->SetChannel(channel, QColor(colour.red, colour.green, colour.blue));
        icon->show();
        DelayEdit(static_cast<int>(p))->show();
    }
    NamePositions();
    ShowDelays();
    ShowSelection(m_form.CurrentChannel());
    RebuildBackground();
}

void CCarPicture::ShowDelays() {
    for (std::size_t p = 0; p < kPositions.size(); ++p) {
        const int channel = ChannelAt(static_cast<int>(p));
        if (channel < 0)
            continue;
        // The position's edit edits this channel, so it shows this channel's delay (a delay from outside the
        // range, which this program never sets, is shown at the nearest end).
        const int delay = std::clamp(m_session.Data().Channel(channel).GetDelay(), 0, kMaxDelay);
        m_spins[static_cast<std::size_t>(kPositions[p].slot)]->SetPos(delay);
    }
}

void CCarPicture::ShowSelection(int channel) {
    const int selected = PositionOfType(SpeakerType(channel));
    for (std::size_t p = 0; p < kPositions.size(); ++p)
        Icon(static_cast<int>(p))->SetHighlighted(static_cast<int>(p) == selected);
}

void CCarPicture::SetDelayUnit(int unit) {
    unit = std::clamp(unit, static_cast<int>(Milliseconds), static_cast<int>(Inches));
    for (std::size_t u = 0; u < m_unitButtons.size(); ++u)
        m_unitButtons[u]->setChecked(static_cast<int>(u) == unit);
    m_unit = unit;
    // The kinds of the delay editors are the units' numbers; the code (samples) stays as it is.
    for (CNumEdit* edit : m_edits)
        edit->SetEditKind(unit, kShowUnit);
}

void CCarPicture::IconClicked(int position) {
    const int channel = ChannelAt(position);
    if (channel >= 0)
        m_form.SelectChannel(channel);
}

void CCarPicture::DelayEdited(int position, int samples) {
    const int channel = ChannelAt(position);
    if (channel < 0)
        return;
    // A click on the edit notifies too: only a new value is an edit. Delays stay per channel.
    if (samples != m_session.Data().Channel(channel).GetDelay())
        m_session.Editor().SetDelay(channel, samples);
    ShowDelays();
    if (channel != m_form.CurrentChannel())
        m_form.SelectChannel(channel);
}

void CCarPicture::NamePositions() {
    const int language = m_session.Globals().language.load();
    for (std::size_t p = 0; p < kPositions.size(); ++p) {
        const int channel = ChannelAt(static_cast<int>(p));
        if (channel < 0)
            continue;
        const QString ch = QStringLiteral("CH%1").arg(channel + 1);
        const QString speaker = SpeakerTypeText(SpeakerType(channel), language);
        CPositionIcon* icon = Icon(static_cast<int>(p));
        icon->setAccessibleName(tr("%1 %2, select the channel").arg(ch, speaker));
        icon->setToolTip(tr("%1: %2. Click to edit this channel").arg(ch, speaker));
        CNumEdit* edit = DelayEdit(static_cast<int>(p));
        edit->setAccessibleName(tr("%1 %2 delay").arg(ch, speaker));
        edit->setToolTip(
            tr("Delay of %1 (%2), 0 to 20 ms; type a value or use the arrow keys").arg(ch, speaker));
    }
}

void CCarPicture::Retranslate() {
    m_title->SetText({tr("DELAY"), {}});
    m_unitLabel->SetText({tr("Unit"), {}});
    const std::array<QString, 3> texts{tr("Ms"), tr("Cm"), tr("Inch")};
    const std::array<QString, 3> names{tr("Delay in milliseconds"), tr("Delay in centimetres"),
                                       tr("Delay in inches")};
    for (std::size_t u = 0; u < m_unitButtons.size(); ++u) {
        m_unitButtons[u]->SetText({texts[u], {}});
        m_unitButtons[u]->SetAccessibleText({names[u], {}});
        m_unitButtons[u]->setToolTip(names[u]);
    }
    NamePositions();
}

void CCarPicture::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

void CCarPicture::RebuildBackground() {
    m_background = QPixmap(size());
    m_background.fill(Qt::transparent);
    QPainter p(&m_background);
    DrawCar(p);
    // A leader from each shown side edit to its marker; a plate under each shown centre edit, which stands
    // on the car.
    for (std::size_t i = 0; i < kPositions.size(); ++i) {
        const Position& position = kPositions[i];
        if (!DelayEdit(static_cast<int>(i))->isVisibleTo(this))
            continue;
        const QRect edit = EditRect(position);
        if (position.side == Side::Centre) {
            p.setPen(QPen(kSeatEdge, 1.0));
            p.setBrush(CSkinPalette::Background());
            p.drawRoundedRect(QRectF(edit).adjusted(-1.5, -1.5, 1.5, 1.5), 4.0, 4.0);
            continue;
        }
        p.setPen(QPen(CSkinPalette::EdgeLight(), 1.0));
        const QPoint centre = IconCentre(position);
        const double y = position.y + 0.5;
        const double r = CPositionIcon::kDiameter / 2.0;
        if (position.side == Side::Left)
            p.drawLine(QPointF(edit.right() + 2.0, y), QPointF(centre.x() - r, y));
        else
            p.drawLine(QPointF(edit.left() - 2.0, y), QPointF(centre.x() + r, y));
    }
    update();
}

void CCarPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}
