// The routing matrix window: the level of each input in each output channel, edited as a 6 x 6 matrix.
#include "app/LimiterDlg.h"

#include "app/ChannelStrip.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "controls/BitmapButton.h"
#include "controls/BitmapSlider.h"
#include "controls/SkinFont.h"
#include "controls/SkinPalette.h"
#include "controls/SkinStatic.h"
#include "editors/NumEdit.h"
#include "editors/NumSpin.h"
#include "link/QtNotifier.h"
#include "model/KTV_Data.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

namespace {

// Window coordinates. The top band holds the title, a hint and the close button; below it six group
// panels side by side, one per output channel, each a header and six fader columns.
constexpr int kMargin = 12;
constexpr int kGroupTop = 44;
constexpr int kGroupGap = 6;
constexpr int kGroupPad = 3;
constexpr int kColumn = 33; // room for "输入6" beside its neighbours
constexpr int kGroupWidth = 2 * kGroupPad + CLimiterDlg::kShown * kColumn;
constexpr int kGroupHeight = 272;
constexpr QSize kSize{2 * kMargin + CLimiterDlg::kShown * kGroupWidth + (CLimiterDlg::kShown - 1) * kGroupGap,
                      kGroupTop + kGroupHeight + kMargin};

// Group coordinates.
constexpr QRect kHeaderRect{24, 6, kGroupWidth - 30, 22};
constexpr int kLabelTop = 36;
constexpr int kLabelHeight = 16;
constexpr int kSliderTop = 54;
constexpr int kSliderHeight = 180;
constexpr int kSliderWidth = 25;
constexpr int kEditTop = 240;
constexpr int kEditHeight = 22;
constexpr int kEditWidth = 31;
constexpr int kDotX = 10; // the channel's colour beside its header
constexpr int kDotSize = 9;

constexpr QRect kTitleRect{kMargin + 4, 6, 170, 20};
constexpr QRect kHintRect{kMargin + 182, 6, 640, 20};
constexpr QRect kCloseRect{kSize.width() - 40, 4, 30, 22};

constexpr char kInputLabel[] = QT_TRANSLATE_NOOP("CLimiterDlg", "IN%1");
constexpr char kCellName[] = QT_TRANSLATE_NOOP("CLimiterDlg", "%1 %2, input %3 level");

QPoint GroupOrigin(int row) {
    return {kMargin + row * (kGroupWidth + kGroupGap), kGroupTop};
}

QString ChannelLabel(int row) {
    return QStringLiteral("CH%1  %2").arg(row + 1).arg(CChannelStrip::Name(row));
}

bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

CLimiterDlg::CLimiterDlg(CSession& session, QObject* owner, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_session(session), m_owner(owner),
      m_title(new CSkinStatic(this)), m_hint(new CSkinStatic(this)), m_close(new CBitmapButton(this)) {
    setObjectName(QString::number(kId));
    setFixedSize(kSize);
    setFocusPolicy(Qt::ClickFocus);
    setModal(false);

    m_title->setGeometry(kTitleRect);
    m_title->SetPixelSize(14, QFont::DemiBold);
    m_title->SetColour(CSkinPalette::Text());
    m_hint->setGeometry(kHintRect);
    m_close->setObjectName(QString::number(kClose));
    m_close->setGeometry(kCloseRect);
    m_close->SetText({QStringLiteral("\u00d7"), {}});
    m_close->setFont(CSkinFont::Pixel(16));
    connect(m_close, &QAbstractButton::clicked, this, &CLimiterDlg::RequestClose);

    for (int r = 0; r < kShown; ++r) {
        const QPoint group = GroupOrigin(r);
        auto* header = new CSkinStatic(this);
        header->setGeometry(kHeaderRect.translated(group));
        header->SetPixelSize(12, QFont::DemiBold);
        m_headers[static_cast<std::size_t>(r)] = header;
        for (int c = 0; c < kShown; ++c) {
            const int x = group.x() + kGroupPad + c * kColumn;
            const int id = kStride * r + c;
            Cell& cell = m_cells[static_cast<std::size_t>(r * kShown + c)];

            cell.label = new CSkinStatic(this);
            cell.label->setGeometry(x, group.y() + kLabelTop, kColumn, kLabelHeight);
            cell.label->SetAlignment(Qt::AlignCenter);
            cell.label->SetPixelSize(11);

            cell.slider = new CBitmapSlider(Qt::Vertical, this);
            cell.slider->setObjectName(QString::number(kSliderBase + id));
            cell.slider->setGeometry(x + (kColumn - kSliderWidth) / 2, group.y() + kSliderTop, kSliderWidth,
                                     kSliderHeight);
            cell.slider->SetRange(0, kMaxLevel);
            cell.slider->SetPageStep(10);
            cell.slider->SetTickInterval(25);
            cell.slider->SetMessageTarget(this);

            cell.edit = new CNumEdit(this);
            cell.edit->setObjectName(QString::number(kEditBase + id));
            cell.spin = new CNumSpin(this);
            cell.spin->setObjectName(QString::number(kSpinBase + id));
            cell.spin->SetBuddy(cell.edit);
            cell.edit->SetEditKind(CNumEdit::kCount);
            cell.edit->SetStep(1.0); // one percent per code
            cell.spin->SetRange(0, kMaxLevel);
            cell.edit->SetLanguageSource(&session.Globals().language);
            cell.edit->setMaxLength(6);
            cell.edit->setGeometry(x + (kColumn - kEditWidth) / 2, group.y() + kEditTop, kEditWidth,
                                   kEditHeight);
            cell.edit->setAlignment(Qt::AlignCenter);
            cell.edit->setFont(CSkinFont::Pixel(12));
            cell.edit->installEventFilter(this);
            cell.spin->hide(); // the value holder only: the edit steps it with Up/Down and the wheel

            // The edit notifies with its own id (click, Enter, typed text), a step with the spin's: either
            // way the spin holds the level, and the slider follows it first.
            const auto fromSpin = [this, r, c](int, int) {
                const Cell& changed = *At(r, c);
                const int level = changed.spin->GetPos();
                changed.slider->SetPosition(level);
                CellChanged(r, c, level);
            };
            connect(cell.edit, &CNumEdit::valueNotified, this, fromSpin);
            connect(cell.spin, &CNumSpin::valueNotified, this, fromSpin);
        }
    }

    const QList<QWidget*> chain = TabStops();
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);

    connect(&session.Editor(), &CModelEditor::channelChanged, this, [this](int channel, unsigned parts, int) {
        if ((parts & ChannelPart::kMix) && channel >= 0 && channel < kShown)
            RefreshRow(channel);
    });

    Retranslate();
    ShowCurrent(0);
    Refresh();
}

const CLimiterDlg::Cell* CLimiterDlg::At(int row, int input) const {
    if (row < 0 || row >= kShown || input < 0 || input >= kShown)
        return nullptr;
    return &m_cells[static_cast<std::size_t>(row * kShown + input)];
}

CBitmapSlider* CLimiterDlg::Slider(int row, int input) const {
    const Cell* cell = At(row, input);
    return cell ? cell->slider : nullptr;
}

CNumEdit* CLimiterDlg::Edit(int row, int input) const {
    const Cell* cell = At(row, input);
    return cell ? cell->edit : nullptr;
}

CNumSpin* CLimiterDlg::Spin(int row, int input) const {
    const Cell* cell = At(row, input);
    return cell ? cell->spin : nullptr;
}

QList<QWidget*> CLimiterDlg::TabStops() const {
    QList<QWidget*> stops;
    for (const Cell& cell : m_cells)
        stops << cell.slider << cell.edit;
    stops << m_close;
    return stops;
}

int CLimiterDlg::CellOfId(int id) {
    for (const int base : {kSliderBase, kEditBase, kSpinBase}) {
        const int offset = id - base;
        if (offset < 0 || offset >= kStride * kStride)
            continue;
        const int row = offset / kStride;
        const int input = offset % kStride;
        if (row < kShown && input < kShown)
            return row * kShown + input;
    }
    return -1;
}

void CLimiterDlg::Refresh() {
    for (int r = 0; r < kShown; ++r)
        RefreshRow(r);
}

void CLimiterDlg::RefreshRow(int row) {
    const CKTV_OutData& ch = m_session.Data().Channel(row);
    for (int c = 0; c < kShown; ++c) {
        const Cell& cell = *At(row, c);
        // A level above the window's range (a file or device may hold one) shows at the top.
        const int level = std::clamp(ch.GetMix(c), 0, kMaxLevel);
        cell.spin->SetPos(level);
        // A drag in progress keeps its thumb: the posted positions it reported are still arriving.
        if (!cell.slider->IsDragging())
            cell.slider->SetPosition(level);
    }
}

void CLimiterDlg::CellChanged(int row, int input, int level) {
    const CKTV_OutData& ch = m_session.Data().Channel(row);
    // A click on an edit notifies too: only a new level is an edit.
    if (level == ch.GetMix(input))
        return;
    std::array<int, CKTV_OutData::kMixInputs> levels{};
    for (int c = 0; c < CKTV_OutData::kMixInputs; ++c) {
        const CBitmapSlider* slider = Slider(row, c);
        levels[static_cast<std::size_t>(c)] = c == input ? level : slider ? slider->Position() : ch.GetMix(c);
    }
    m_session.Editor().SetMix(row, levels);
    At(row, input)->spin->SetPos(std::clamp(level, 0, kMaxLevel));
}

void CLimiterDlg::ShowCurrent(int channel) {
    m_current = std::clamp(channel, 0, kShown - 1);
    for (int r = 0; r < kShown; ++r)
        m_headers[static_cast<std::size_t>(r)]->SetColour(r == m_current ? CSkinPalette::Accent()
                                                                         : CSkinPalette::Text());
    RebuildBackground();
}

void CLimiterDlg::FocusCurrent() {
    Edit(m_current, 0)->setFocus(Qt::OtherFocusReason);
}

void CLimiterDlg::FocusNextEdit(const CNumEdit* from) {
    const int cell = CellOfId(from->Id());
    if (cell < 0)
        return;
    const Cell& next = m_cells[static_cast<std::size_t>((cell + 1) % m_cells.size())];
    // Leaving the edit commits what was typed into it; the next one comes with its text selected.
    next.edit->setFocus(Qt::TabFocusReason);
}

void CLimiterDlg::RequestClose() {
    if (m_owner)
        QCoreApplication::postEvent(m_owner.data(),
                                    new CQtNotifier::MessageEvent(UM_ROUTING_WINDOW_CLOSED, kId, 0));
}

bool CLimiterDlg::event(QEvent* event) {
    if (event->type() >= QEvent::User)
        if (const auto* message = dynamic_cast<const CQtNotifier::MessageEvent*>(event)) {
            const int m = message->Message();
            const int cell = CellOfId(static_cast<int>(message->WParam()));
            if ((m == UM_SLIDER_CHANGING || m == UM_SLIDER_COMMITTED) && cell >= 0)
                CellChanged(cell / kShown, cell % kShown, static_cast<int>(message->LParam()));
            return true;
        }
    return QDialog::event(event);
}

bool CLimiterDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && IsEnter(static_cast<QKeyEvent*>(event)))
        if (auto* edit = qobject_cast<CNumEdit*>(watched)) {
            FocusNextEdit(edit);
            return true;
        }
    return QDialog::eventFilter(watched, event);
}

void CLimiterDlg::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape never close the window; they only bring the focus back to it.
    if (IsEnter(event) || event->key() == Qt::Key_Escape) {
        setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CLimiterDlg::closeEvent(QCloseEvent* event) {
    // However the window is asked to close, its owner destroys it.
    if (m_owner) {
        RequestClose();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CLimiterDlg::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || event->position().y() >= kDragBand)
        return;
    // The window manager moves the window where it can; elsewhere (offscreen, no manager) the window does.
    if (QWindow* handle = windowHandle(); handle && handle->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void CLimiterDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
}

void CLimiterDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

void CLimiterDlg::Retranslate() {
    m_title->SetText({tr("Routing matrix"), {}});
    m_hint->SetText({tr("Level of each input in each output channel, in percent (0 to 100)"), {}});
    m_close->SetAccessibleText({tr("Close the routing matrix"), {}});
    m_close->setToolTip(tr("Close"));
    for (int r = 0; r < kShown; ++r) {
        const QString channel = ChannelLabel(r);
        m_headers[static_cast<std::size_t>(r)]->SetText({channel, {}});
        for (int c = 0; c < kShown; ++c) {
            const Cell& cell = *At(r, c);
            const QString name = tr(kCellName).arg(QStringLiteral("CH%1").arg(r + 1), CChannelStrip::Name(r),
                                                   QString::number(c + 1));
            cell.label->SetText({tr(kInputLabel).arg(c + 1), {}});
            cell.slider->SetAccessibleText({name, {}});
            cell.edit->setAccessibleName(name);
            cell.edit->setToolTip(
                tr("Level of input %1 in %2, 0 to 100 %; type a value or use the arrow keys")
                    .arg(c + 1)
                    .arg(channel));
        }
    }
    setWindowTitle(tr("Routing matrix"));
}

void CLimiterDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

void CLimiterDlg::RebuildBackground() {
    m_background = QPixmap(size());
    m_background.fill(CSkinPalette::Background());
    QPainter p(&m_background);
    p.setRenderHint(QPainter::Antialiasing);
    // The top band that drags the window, with a hairline under it, and an outline round the whole window
    // (it has no frame of its own).
    p.fillRect(QRect(0, 0, width(), kDragBand + 4), QColor(36, 36, 40));
    p.setPen(CSkinPalette::Edge());
    p.drawLine(QPointF(0, kDragBand + 4.5), QPointF(width(), kDragBand + 4.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));

    for (int r = 0; r < kShown; ++r) {
        const QRectF panel =
            QRectF(QRect(GroupOrigin(r), QSize(kGroupWidth, kGroupHeight))).adjusted(0.5, 0.5, -0.5, -0.5);
        const bool current = r == m_current;
        p.setPen(QPen(current ? CSkinPalette::Accent() : QColor(48, 48, 52), current ? 1.5 : 1.0));
        p.setBrush(QColor(33, 33, 36));
        p.drawRoundedRect(panel, 6, 6);
        // The header band of the group, and the channel's curve colour so that it is found as in the graph.
        p.setPen(Qt::NoPen);
        p.setBrush(current ? QColor(30, 56, 80) : QColor(40, 40, 44));
        p.drawRoundedRect(QRectF(panel.left() + 3, panel.top() + 3, panel.width() - 6, 28), 4, 4);
        const ChannelColour colour = m_session.Data().Channel(r).GetColour();
        p.setBrush(QColor(colour.red, colour.green, colour.blue));
        p.drawEllipse(QRectF(panel.left() + kDotX, panel.top() + 12.5, kDotSize, kDotSize));
        // A hairline between the faders and their values.
        p.setPen(QPen(QColor(46, 46, 50), 1));
        const QPoint group = GroupOrigin(r);
        p.drawLine(group.x() + kGroupPad, group.y() + kEditTop - 3, group.x() + kGroupWidth - kGroupPad,
                   group.y() + kEditTop - 3);
    }
    p.end();
    update();
}

void CLimiterDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}
