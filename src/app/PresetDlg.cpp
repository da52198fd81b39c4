// What the Source Load and Source Save dialogs share: the six preset buttons over the device's memories,
// their context menu with its save-with-name and delete flows, the file button and the dialog's face.
#include "app/PresetDlg.h"

#include "app/AppFont.h"
#include "app/DialogLook.h"
#include "app/InputSourceNameDlg.h"
#include "app/MsgBox.h"
#include "base/DataDefine.h"
#include "control/DeviceController.h"
#include "control/Session.h"
#include "controls/BitmapButton.h"
#include "controls/SkinPalette.h"
#include "controls/SkinStatic.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

namespace {

constexpr char kDeleteQuestion[] = QT_TRANSLATE_NOOP("CPresetDlg", "Are you delete this Source Data?");

// Dialog coordinates: the hint, then the six buttons three by two on a panel, then the status line.
constexpr int kWidth = 472;
constexpr QRect kHintRect{CDialogLook::kMargin, 14, kWidth - 2 * CDialogLook::kMargin, 22};
constexpr QSize kButtonSize{136, 52};
constexpr int kColumns = 3;
constexpr int kGap = 12;
constexpr QPoint kGridAt{CDialogLook::kMargin, 52};
constexpr int kPanelPad = 8;
constexpr QRect kStatusRect{CDialogLook::kMargin, 184, kWidth - 2 * CDialogLook::kMargin, 20};
constexpr int kRuleAbove = 12;            // from the rule to the bottom row's buttons
const QColor kNoticeColour{232, 170, 72}; // a calm amber: a state to notice, not an error

QRect ButtonRect(int k) {
    const int i = k - 1;
    return {kGridAt + QPoint((i % kColumns) * (kButtonSize.width() + kGap),
                             (i / kColumns) * (kButtonSize.height() + kGap)),
            kButtonSize};
}

QRect GridPanel() {
    return QRect(ButtonRect(1).topLeft(), ButtonRect(CPresetDlg::kPresets).bottomRight())
        .adjusted(-kPanelPad, -kPanelPad, kPanelPad, kPanelPad);
}

} // namespace

CPresetDlg::CPresetDlg(CSession& session, CMsgBox& msgBox, CFileChooser& files, QWidget* parent)
    : QDialog(parent), m_session(session), m_presets(session.Presets()), m_msgBox(msgBox), m_files(files),
      m_hint(new CSkinStatic(this)), m_status(new CSkinStatic(this)), m_file(new CBitmapButton(this)),
      m_close(new CBitmapButton(this)), m_menu(new QMenu(this)) {
    m_hint->setGeometry(kHintRect);
    m_hint->SetPixelSize(CAppFont::kSmall);
    for (int k = 1; k <= kPresets; ++k) {
        auto* button = new CBitmapButton(this);
        button->setObjectName(QStringLiteral("preset%1").arg(k));
        button->setGeometry(ButtonRect(k));
        button->setFont(CAppFont::Pixels(15, QFont::DemiBold));
        // Checkable for the current preset's pressed look; the click itself decides nothing about it.
        button->setCheckable(true);
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        button->installEventFilter(this);
        connect(button, &QAbstractButton::clicked, this, [this, k] {
            PresetClicked(k);
            RefreshLabels();
        });
        connect(button, &QWidget::customContextMenuRequested, this,
                [this, k, button](const QPoint& at) { OpenContextMenu(k, button->mapToGlobal(at)); });
        m_buttons[static_cast<std::size_t>(k - 1)] = button;
    }
    m_status->setGeometry(kStatusRect);
    m_status->SetPixelSize(CAppFont::kSmall);

    m_file->setObjectName(QStringLiteral("file"));
    m_close->setObjectName(QStringLiteral("close"));
    connect(m_file, &QAbstractButton::clicked, this, [this] { FileClicked(); });
    // Close ends the dialog as its OK did.
    connect(m_close, &QAbstractButton::clicked, this, &QDialog::accept);

    m_menu->setObjectName(QStringLiteral("presetMenu"));
    m_menu->setFont(CAppFont::Pixels(CAppFont::kBody));
    for (int k = 1; k < kPresets; ++k)
        setTabOrder(PresetButton(k), PresetButton(k + 1));
}

CBitmapButton* CPresetDlg::PresetButton(int k) const {
    return k >= 1 && k <= kPresets ? m_buttons[static_cast<std::size_t>(k - 1)] : nullptr;
}

int CPresetDlg::PresetOf(const QObject* button) const {
    for (int k = 1; k <= kPresets; ++k)
        if (PresetButton(k) == button)
            return k;
    return 0;
}

QMenu* CPresetDlg::ContextMenu() const {
    return m_menu->isVisible() ? m_menu : nullptr;
}

CInputSourceNameDlg* CPresetDlg::NameDialog() const {
    return m_nameDialog;
}

QString CPresetDlg::Label(int k) const {
    return m_presets.PresetLabel(k);
}

void CPresetDlg::SetHint(const QString& text) {
    m_hint->SetText({text, {}});
}

void CPresetDlg::PlaceBottomRow(int y) {
    m_ruleY = y - kRuleAbove;
    m_file->setGeometry(CDialogLook::kMargin, y, 168, CDialogLook::kButtonHeight);
    m_close->setGeometry(kWidth - CDialogLook::kMargin - CDialogLook::kBottomButtonWidth, y,
                         CDialogLook::kBottomButtonWidth, CDialogLook::kButtonHeight);
    setFixedSize(kWidth, y + CDialogLook::kButtonHeight + CDialogLook::kMargin);
}

void CPresetDlg::RefreshLabels() {
    const int current = m_presets.CurrentPreset();
    QString currentName;
    for (int k = 1; k <= kPresets; ++k) {
        CBitmapButton* button = PresetButton(k);
        const QString label = Label(k);
        button->SetText({label, {}});
        const bool named = label != QString::number(k);
        const QString spoken = named ? tr("Preset %1, %2").arg(k).arg(label) : tr("Preset %1").arg(k);
        button->SetAccessibleText({spoken, {}});
        button->setChecked(k == current);
        if (k == current)
            currentName = spoken;
    }
    // Without a device the buttons show only numbers: the status line says why.
    if (!m_session.Controller().LinkOpen()) {
        m_status->SetText({CDeviceController::kNotConnected.In(m_session.Globals().language.load()), {}});
        m_status->SetColour(kNoticeColour);
    } else {
        m_status->SetText({currentName.isEmpty() ? QString() : tr("Current: %1").arg(currentName), {}});
        m_status->SetColour(CSkinPalette::DimText());
    }
}

void CPresetDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The keyboard starts on the current preset (the first one when none is current).
    const int current = m_presets.CurrentPreset();
    PresetButton(current >= 1 && current <= kPresets ? current : 1)->setFocus(Qt::OtherFocusReason);
}

void CPresetDlg::Retranslate() {
    m_close->SetText({tr("Close"), {}});
    m_menu->setAccessibleName(tr("Preset"));
    RefreshLabels();
}

// ---- Context menu and its flows
// ---------------------------------------------------------------------------------

void CPresetDlg::OpenContextMenu(int k, const QPoint& globalPosition) {
    if (!PresetButton(k))
        return;
    m_menuPreset = k;
    m_menu->clear();
    struct Item {
        const char* name;
        QString text;
        void (CPresetDlg::*run)(int);
    };
    const std::array<Item, 3> items{{
        {"load", tr("Load"), &CPresetDlg::LoadPreset},
        {"save", tr("Save"), &CPresetDlg::SaveWithName},
        {"delete", tr("Delete"), &CPresetDlg::AskDelete},
    }};
    for (const Item& item : items) {
        QAction* action = m_menu->addAction(item.text);
        action->setObjectName(QLatin1String(item.name));
        connect(action, &QAction::triggered, this, [this, k, run = item.run] { (this->*run)(k); });
    }
    m_menu->popup(globalPosition);
}

void CPresetDlg::LoadPreset(int k) {
    m_presets.RecallPreset(k, true);
    RefreshLabels();
}

void CPresetDlg::SaveWithName(int k) {
    if (m_nameDialog)
        return;
    auto* dialog = new CInputSourceNameDlg(Label(k), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, k, dialog] {
        const QString name = dialog->Name();
        // A blank name is refused with its text by the memories; nothing is sent then. Storing over a
        // memory that has a name replaces a preset the user made: the device is backed up first.
        const bool replacesNamed = m_presets.Named(k) && !IsBlank(name);
        auto store = [this, k, name] {
            m_presets.SaveWithName(k, name);
            RefreshLabels();
        };
        if (replacesNamed)
            AfterBackup(CDeviceBackup::Reason::StorePreset, store);
        else
            store();
    });
    m_nameDialog = dialog;
    dialog->open();
}

void CPresetDlg::AfterBackup(CDeviceBackup::Reason reason, std::function<void()> step) {
    if (!m_backup) {
        step();
        return;
    }
    QPointer<CPresetDlg> self(this);
    m_backup->Run(reason, [self, step = std::move(step)] {
        if (self)
            step();
    });
}

void CPresetDlg::AskDelete(int k) {
    QPointer<CPresetDlg> self(this);
    m_msgBox.Ask(tr(kDeleteQuestion), [self, k](bool yes) {
        if (!self || !yes)
            return;
        CDeviceController& controller = self->m_session.Controller();
        // The link may have gone while the question was open; the name is deleted on the device only.
        if (!controller.LinkOpen()) {
            controller.ShowMessage(CDeviceController::kNotConnected);
            return;
        }
        self->m_presets.DeletePresetName(k);
        self->RefreshLabels();
    });
}

// ---- Events
// -----------------------------------------------------------------------------------------------------

bool CPresetDlg::eventFilter(QObject* watched, QEvent* event) {
    // The context menu from the keyboard: the menu key or Shift+F10 on a focused preset button.
    if (event->type() == QEvent::KeyPress)
        if (const int k = PresetOf(watched); k != 0) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Menu ||
                (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
                const QWidget* button = PresetButton(k);
                OpenContextMenu(k, button->mapToGlobal(button->rect().center()));
                return true;
            }
        }
    return QDialog::eventFilter(watched, event);
}

void CPresetDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    CDialogLook::PaintFace(p, rect());
    CDialogLook::PaintPanel(p, GridPanel());
    for (const QRect& panel : m_panels)
        CDialogLook::PaintPanel(p, panel);
    if (m_ruleY > 0)
        CDialogLook::PaintRule(p, m_ruleY, width());
}

void CPresetDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}
