// The name-entry dialog of the preset dialogs: one field for a preset's name, OK and Cancel.
#include "app/InputSourceNameDlg.h"

#include "app/AppFont.h"
#include "app/DialogLook.h"
#include "controls/BitmapButton.h"
#include "controls/SkinPalette.h"
#include "controls/SkinStatic.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>

namespace {

constexpr QSize kSize{380, 148};
constexpr QRect kLabelRect{CDialogLook::kMargin, 18, 340, 20};
constexpr QRect kFieldRect{CDialogLook::kMargin, 42, 340, 32};
constexpr int kRuleY = 92;
constexpr QRect kOkRect{156, 104, 100, CDialogLook::kButtonHeight};
constexpr QRect kCancelRect{260, 104, 100, CDialogLook::kButtonHeight};

} // namespace

CInputSourceNameDlg::CInputSourceNameDlg(const QString& name, QWidget* parent)
    : QDialog(parent), m_label(new CSkinStatic(this)), m_field(new QLineEdit(this)),
      m_ok(new CBitmapButton(this)), m_cancel(new CBitmapButton(this)) {
    setObjectName(QStringLiteral("sourceName"));
    setFixedSize(kSize);

    m_label->setGeometry(kLabelRect);
    m_label->SetPixelSize(CAppFont::kBody);
    m_label->SetColour(CSkinPalette::Text());
    m_field->setObjectName(QStringLiteral("name"));
    m_field->setGeometry(kFieldRect);
    m_field->setFont(CAppFont::Pixels(14));
    m_field->setStyleSheet(CDialogLook::FieldStyle());
    m_field->setMaxLength(kMaxChars);
    m_field->setText(name.left(kMaxChars));
    m_field->selectAll();

    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setGeometry(kOkRect);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setGeometry(kCancelRect);
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    // Enter in the field is OK, as in every name field.
    connect(m_field, &QLineEdit::returnPressed, this, &QDialog::accept);

    setTabOrder(m_field, m_ok);
    setTabOrder(m_ok, m_cancel);
    m_field->setFocus(Qt::OtherFocusReason);
    Retranslate();
}

QString CInputSourceNameDlg::Name() const {
    return m_field->text();
}

void CInputSourceNameDlg::Retranslate() {
    setWindowTitle(tr("Source Name"));
    m_label->SetText({tr("Source Name:"), {}});
    m_field->setAccessibleName(tr("Source Name:"));
    m_field->setToolTip(tr("The name is kept with the preset on the device (up to 15 characters)"));
    m_ok->SetText({tr("OK"), {}});
    m_cancel->SetText({tr("Cancel"), {}});
}

void CInputSourceNameDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    CDialogLook::PaintFace(p, rect());
    CDialogLook::PaintRule(p, kRuleY, width());
}

void CInputSourceNameDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}
