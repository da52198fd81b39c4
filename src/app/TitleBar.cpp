// The window's title bar: the program's name, the Connect button, what the window is connected to, the
// settings and preset menu buttons, minimise and close.
#include "app/TitleBar.h"

#include "app/AppArt.h"
#include "app/AppFont.h"
#include "app/TitleButton.h"
#include "controls/SkinPalette.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>

#include <array>

namespace {

constexpr int kWidth = 1284;
constexpr int kButtonTop = 6;
constexpr int kButtonHeight = 28;

// Where each control sits (x, width). The preset menu button starts 50 pixels right of the settings
// button's left edge, where the preset menu opens.
struct Place {
    int id;
    int x;
    int width;
};
constexpr std::array<Place, 10> kPlaces{{
    {CTitleBar::kConnect, 232, 128},
    {CTitleBar::kUndo, 712, 36},
    {CTitleBar::kRedo, 752, 36},
    {CTitleBar::kSlotA, 808, 36},
    {CTitleBar::kSlotB, 848, 36},
    {CTitleBar::kAbCopy, 888, 96},
    {CTitleBar::kSettingsMenu, 1040, 44},
    {CTitleBar::kPresetMenu, 1090, 104},
    {CTitleBar::kMinimise, 1204, 36},
    {CTitleBar::kClose, 1244, 36},
}};
constexpr QRect kFieldRect{372, kButtonTop, 330, kButtonHeight};
constexpr QRect kMarkRect{12, 8, 24, 24};
constexpr int kNameX = 44;

// The connection field per device kind while the link is open; the socket names its path.
struct Connection {
    DeviceOption::Kind kind;
    const char* text;
    bool namesPath;
};
constexpr std::array<Connection, 3> kConnections{{
    {DeviceOption::Kind::Usb, QT_TRANSLATE_NOOP("CTitleBar", "Connected to the DSP box on USB"), false},
    {DeviceOption::Kind::Sim, QT_TRANSLATE_NOOP("CTitleBar", "Connected to the simulated device"), false},
    {DeviceOption::Kind::Socket, QT_TRANSLATE_NOOP("CTitleBar", "Connected to the device at %1"), true},
}};

const QColor kBarColor{36, 36, 39};
const QColor kHairline{52, 52, 56};

} // namespace

CTitleBar::CTitleBar(DeviceOption::Kind kind, const QString& description, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_description(description),
      m_connect(new CTitleButton(kConnect, CTitleButton::Glyph::None, this)),
      m_settings(new CTitleButton(kSettingsMenu, CTitleButton::Glyph::Settings, this)),
      m_presets(new CTitleButton(kPresetMenu, CTitleButton::Glyph::Caret, this)),
      m_minimise(new CTitleButton(kMinimise, CTitleButton::Glyph::Minimise, this)),
      m_close(new CTitleButton(kClose, CTitleButton::Glyph::Close, this)),
      m_undo(new CTitleButton(kUndo, CTitleButton::Glyph::Undo, this)),
      m_redo(new CTitleButton(kRedo, CTitleButton::Glyph::Redo, this)),
      m_slotA(new CTitleButton(kSlotA, CTitleButton::Glyph::None, this)),
      m_slotB(new CTitleButton(kSlotB, CTitleButton::Glyph::None, this)),
      m_abCopy(new CTitleButton(kAbCopy, CTitleButton::Glyph::Caret, this)), m_field(new QLabel(this)) {
    setObjectName(QStringLiteral("titleBar"));
    setFixedSize(kWidth, kHeight);
    m_connect->SetStatusLight(true);
    m_slotA->setText(QStringLiteral("A"));
    m_slotB->setText(QStringLiteral("B"));
    m_undo->setEnabled(false);
    m_redo->setEnabled(false);
    SetLiveSlot(0);
    for (const Place& place : kPlaces)
        Button(place.id)->setGeometry(place.x, kButtonTop, place.width, kButtonHeight);
    m_field->setObjectName(QStringLiteral("deviceField"));
    m_field->setGeometry(kFieldRect);
    m_field->setFont(CAppFont::Pixels(CAppFont::kBody));
    m_field->setToolTip(m_description);
    RebuildBackground();
    Retranslate();
}

CTitleButton* CTitleBar::Button(int id) const {
    const std::array<CTitleButton*, 10> buttons{m_connect, m_settings, m_presets, m_minimise, m_close,
                                                m_undo,    m_redo,     m_slotA,   m_slotB,    m_abCopy};
    for (CTitleButton* button : buttons)
        if (button->objectName() == QString::number(id))
            return button;
    return nullptr;
}

QSize CTitleBar::sizeHint() const {
    return {kWidth, kHeight};
}

void CTitleBar::SetLinkOpen(bool open) {
    m_linkOpen = open;
    Retranslate();
}

QString CTitleBar::ConnectionText() const {
    if (!m_linkOpen)
        return tr("Not connected");
    for (const Connection& c : kConnections)
        if (c.kind == m_kind)
            return c.namesPath ? tr(c.text).arg(m_description) : tr(c.text);
    return m_description;
}

void CTitleBar::SetHistory(bool canUndo, const QString& undoText, bool canRedo, const QString& redoText) {
    m_undo->setEnabled(canUndo);
    m_redo->setEnabled(canRedo);
    m_undoText = undoText;
    m_redoText = redoText;
    Retranslate();
}

void CTitleBar::SetLiveSlot(int slot) {
    m_slotA->SetLit(slot == 0);
    m_slotB->SetLit(slot != 0);
    Retranslate();
}

void CTitleBar::Retranslate() {
    m_undo->setAccessibleName(tr("Undo"));
    m_undo->setToolTip(m_undoText.isEmpty() ? tr("Undo") : tr("Undo %1").arg(m_undoText));
    m_redo->setAccessibleName(tr("Redo"));
    m_redo->setToolTip(m_redoText.isEmpty() ? tr("Redo") : tr("Redo %1").arg(m_redoText));
    for (CTitleButton* slot : {m_slotA, m_slotB}) {
        const bool live = slot->IsLit();
        slot->setAccessibleName(live ? tr("Setup %1, live").arg(slot->text())
                                     : tr("Setup %1").arg(slot->text()));
        slot->setToolTip(live ? tr("Setup %1 is live").arg(slot->text())
                              : tr("Switch to setup %1 (only what differs is sent)").arg(slot->text()));
    }
    m_abCopy->setText(tr("Copy"));
    m_abCopy->setAccessibleName(tr("Copy setups A and B"));
    m_abCopy->setToolTip(tr("Copy one A/B setup onto the other"));

    m_connect->SetLit(m_linkOpen);
    m_connect->setText(m_linkOpen ? tr("Disconnect") : tr("Connect"));
    m_connect->setAccessibleName(m_connect->text());
    m_connect->setToolTip(m_linkOpen ? tr("Close the link to the device") : tr("Connect to the device"));
    m_settings->setAccessibleName(tr("Settings"));
    m_settings->setToolTip(tr("Settings"));
    m_presets->setText(tr("Presets"));
    m_presets->setAccessibleName(tr("Presets"));
    m_minimise->setAccessibleName(tr("Minimise"));
    m_minimise->setToolTip(tr("Minimise"));
    m_close->setAccessibleName(tr("Close"));
    m_close->setToolTip(tr("Close"));

    m_field->setText(ConnectionText());
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::WindowText, m_linkOpen ? CSkinPalette::Text() : QColor(150, 150, 155));
    m_field->setPalette(palette);
    m_field->setAccessibleName(m_field->text());
}

void CTitleBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

void CTitleBar::RebuildBackground() {
    m_background = QPixmap(size());
    m_background.fill(kBarColor);
    QPainter p(&m_background);
    p.setPen(kHairline);
    p.drawLine(0, height() - 1, width(), height() - 1);
    CAppArt::PaintMark(p, kMarkRect);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(CSkinPalette::Text());
    QFont name = CAppFont::Pixels(CAppFont::kTitle, QFont::DemiBold);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    p.setFont(name);
    p.drawText(QRect(kNameX, 0, 180, height()), Qt::AlignVCenter | Qt::AlignLeft,
               QString::fromLatin1(kProgramName));
}

void CTitleBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}
