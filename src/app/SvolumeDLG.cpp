// The Source Volume dialog: the master volume remembered for each input-source group.
#include "app/SvolumeDLG.h"

#include "app/DialogLook.h"
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
#include "model/ModelGlobals.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace {

// Dialog coordinates: a hint line, then one column of 100 pixels per group, then the Close button.
constexpr QSize kSize{548, 376};
constexpr int kLeft = 24;
constexpr int kColumnWidth = 100;
constexpr QRect kHintRect{kLeft, 14, kSize.width() - 2 * kLeft, 20};
constexpr QRect kPanelRect{4, 44, kColumnWidth - 8, 270}; // column coordinates
constexpr QRect kLabelRect{0, 52, kColumnWidth, 24};
constexpr QRect kSliderRect{(kColumnWidth - 26) / 2, 82, 26, 190};
constexpr QRect kEditRect{(kColumnWidth - 60) / 2, 280, 60, 26};
constexpr QRect kCloseRect{kSize.width() - kLeft - 100, 330, 100, 30};
constexpr int kLabelPixels = 15;

bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

CSvolumeDLG::CSvolumeDLG(CSession& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_hint(new CSkinStatic(this)), m_close(new CBitmapButton(this)) {
    setObjectName(QString::number(kId));
    setFixedSize(kSize);
    setFocusPolicy(Qt::ClickFocus);

    m_hint->setGeometry(kHintRect);
    m_hint->SetAlignment(Qt::AlignCenter);
    m_close->setObjectName(QString::number(kClose));
    m_close->setGeometry(kCloseRect);
    connect(m_close, &QAbstractButton::clicked, this, &QDialog::accept);

    for (std::size_t k = 0; k < kColumns.size(); ++k) {
        const Column& column = kColumns[k];
        Controls& controls = m_controls[k];
        const QPoint origin(kLeft + static_cast<int>(k) * kColumnWidth, 0);

        controls.label = new CSkinStatic(this);
        controls.label->setGeometry(kLabelRect.translated(origin));
        controls.label->SetAlignment(Qt::AlignCenter);
        controls.label->SetPixelSize(kLabelPixels, QFont::DemiBold);
        controls.label->SetColour(Qt::white);

        controls.slider = new CBitmapSlider(Qt::Vertical, this);
        controls.slider->setObjectName(QString::number(column.slider));
        controls.slider->setGeometry(kSliderRect.translated(origin));
        controls.slider->SetRange(0, kMaxVolume);
        controls.slider->SetPageStep(10);
        controls.slider->SetTickInterval(10);
        controls.slider->SetMessageTarget(this);

        controls.edit = new CNumEdit(this);
        controls.edit->setObjectName(QString::number(column.edit));
        controls.spin = new CNumSpin(this);
        controls.spin->setObjectName(QString::number(column.spin));
        controls.spin->SetBuddy(controls.edit);
        controls.edit->SetEditKind(CNumEdit::kCount);
        controls.edit->SetStep(1.0);
        controls.spin->SetRange(0, kMaxVolume);
        controls.edit->SetLanguageSource(&session.Globals().language);
        controls.edit->setMaxLength(6);
        controls.edit->setGeometry(kEditRect.translated(origin));
        controls.edit->setAlignment(Qt::AlignCenter);
        controls.edit->setFont(CSkinFont::Pixel(14, QFont::DemiBold));
        controls.edit->installEventFilter(this);
        controls.spin->hide(); // the value holder only: the edit steps it with Up/Down and the wheel

        // The edit notifies with its own id, a step with the spin's: the spin holds the value either way.
        const auto fromSpin = [this, k](int, int) {
            const Controls& changed = m_controls[k];
            const int value = changed.spin->GetPos();
            changed.slider->SetPosition(value);
            // A click on the edit notifies too: only a new value is an edit.
            if (value != m_session.Globals().sourceVolumes[static_cast<std::size_t>(kColumns[k].group)])
                Store(static_cast<int>(k), value);
        };
        connect(controls.edit, &CNumEdit::valueNotified, this, fromSpin);
        connect(controls.spin, &CNumSpin::valueNotified, this, fromSpin);
    }

    QList<QWidget*> chain;
    for (const Controls& controls : m_controls)
        chain << controls.slider << controls.edit;
    chain << m_close;
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);

    connect(&session.Editor(), &CModelEditor::systemChanged, this, [this](unsigned parts) {
        if (parts & SystemPart::kSourceVolumes)
            Refresh();
    });
    connect(&session, &CSession::modelReloaded, this, &CSvolumeDLG::Refresh);

    Retranslate();
    Refresh();
}

CSvolumeDLG* CSvolumeDLG::Open(CSession& session, QWidget* parent) {
    auto* dialog = new CSvolumeDLG(session, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    dialog->m_controls.front().edit->setFocus(Qt::OtherFocusReason);
    return dialog;
}

CBitmapSlider* CSvolumeDLG::Slider(int column) const {
    return column >= 0 && column < static_cast<int>(m_controls.size())
               ? m_controls[static_cast<std::size_t>(column)].slider
               : nullptr;
}

CNumEdit* CSvolumeDLG::Edit(int column) const {
    return column >= 0 && column < static_cast<int>(m_controls.size())
               ? m_controls[static_cast<std::size_t>(column)].edit
               : nullptr;
}

CNumSpin* CSvolumeDLG::Spin(int column) const {
    return column >= 0 && column < static_cast<int>(m_controls.size())
               ? m_controls[static_cast<std::size_t>(column)].spin
               : nullptr;
}

CSkinStatic* CSvolumeDLG::Label(int column) const {
    return column >= 0 && column < static_cast<int>(m_controls.size())
               ? m_controls[static_cast<std::size_t>(column)].label
               : nullptr;
}

void CSvolumeDLG::Refresh() {
    for (std::size_t k = 0; k < kColumns.size(); ++k) {
        const int value = std::clamp<int>(
            m_session.Globals().sourceVolumes[static_cast<std::size_t>(kColumns[k].group)], 0, kMaxVolume);
        m_controls[k].spin->SetPos(value);
        // A drag in progress keeps its thumb: the posted positions it reported are still arriving.
        if (!m_controls[k].slider->IsDragging())
            m_controls[k].slider->SetPosition(value);
    }
}

int CSvolumeDLG::ColumnOfSlider(int id) const {
    for (std::size_t k = 0; k < kColumns.size(); ++k)
        if (kColumns[k].slider == id)
            return static_cast<int>(k);
    return -1;
}

void CSvolumeDLG::Store(int column, int value) {
    const Column& c = kColumns[static_cast<std::size_t>(column)];
    m_session.Editor().SetSourceVolume(c.group, value);
}

bool CSvolumeDLG::event(QEvent* event) {
    if (event->type() >= QEvent::User)
        if (const auto* message = dynamic_cast<const CQtNotifier::MessageEvent*>(event)) {
            const int m = message->Message();
            const int column = ColumnOfSlider(static_cast<int>(message->WParam()));
            if ((m == UM_SLIDER_CHANGING || m == UM_SLIDER_COMMITTED) && column >= 0) {
                // Each slider message stores its position and sends it: the spin shows it first.
                const int value = std::clamp(static_cast<int>(message->LParam()), 0, kMaxVolume);
                m_controls[static_cast<std::size_t>(column)].spin->SetPos(value);
                Store(column, value);
            }
            return true;
        }
    return QDialog::event(event);
}

bool CSvolumeDLG::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && IsEnter(static_cast<QKeyEvent*>(event)))
        for (std::size_t k = 0; k < m_controls.size(); ++k)
            if (watched == m_controls[k].edit) {
                // Leaving the edit commits what was typed into it; the next one comes with its text selected.
                m_controls[(k + 1) % m_controls.size()].edit->setFocus(Qt::TabFocusReason);
                return true;
            }
    return QDialog::eventFilter(watched, event);
}

void CSvolumeDLG::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape never close the dialog; they only bring the focus back to it.
    if (IsEnter(event) || event->key() == Qt::Key_Escape) {
        setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CSvolumeDLG::Retranslate() {
    setWindowTitle(tr("Source Volume"));
    m_hint->SetText({tr("The master volume remembered for each input source, 0 to 100"), {}});
    m_close->SetText({tr("Close"), {}});
    m_close->SetAccessibleText({tr("Close the source volumes"), {}});
    for (std::size_t k = 0; k < kColumns.size(); ++k) {
        const QString name = tr(kColumns[k].label);
        const Controls& controls = m_controls[k];
        controls.label->SetText({name, {}});
        controls.slider->SetAccessibleText({tr("%1 volume").arg(name), {}});
        controls.edit->setAccessibleName(tr("%1 volume").arg(name));
        controls.edit->setToolTip(tr("Volume of %1, 0 to 100; type a value or use the arrow keys").arg(name));
    }
    RebuildBackground();
}

void CSvolumeDLG::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

void CSvolumeDLG::RebuildBackground() {
    m_background = QPixmap(size());
    QPainter p(&m_background);
    p.setRenderHint(QPainter::Antialiasing);
    CDialogLook::PaintFace(p, rect());
    p.setPen(QPen(QColor(50, 50, 54), 1));
    p.setBrush(QColor(33, 33, 36));
    for (std::size_t k = 0; k < kColumns.size(); ++k) {
        const QPoint origin(kLeft + static_cast<int>(k) * kColumnWidth, 0);
        p.drawRoundedRect(QRectF(kPanelRect.translated(origin)).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    p.setPen(QPen(QColor(52, 52, 56), 1));
    p.drawLine(0, kCloseRect.top() - 10, width(), kCloseRect.top() - 10);
    p.end();
    update();
}

void CSvolumeDLG::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}
