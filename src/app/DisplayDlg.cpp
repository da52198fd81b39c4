// The transfer popup: what a bulk transfer with the device is doing and how far it has come.
#include "app/DisplayDlg.h"

#include "app/AppFont.h"

#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr QSize kSize{380, 132};

} // namespace

CDisplayDlg::CDisplayDlg(QWidget* form, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_form(form),
      m_text(new QLabel(this)), m_bar(new QProgressBar(this)), m_count(new QLabel(this)) {
    setObjectName(QString::number(kId));
    setFixedSize(kSize);
    setSizeGripEnabled(false);

    m_text->setObjectName(QStringLiteral("text"));
    m_text->setFont(CAppFont::Pixels(18));
    m_bar->setObjectName(QStringLiteral("progress"));
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(8);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_count->setObjectName(QStringLiteral("count"));
    m_count->setFont(CAppFont::Pixels(CAppFont::kSmall));
    m_count->setAlignment(Qt::AlignRight);
    QPalette dim = m_count->palette();
    dim.setColor(QPalette::WindowText, QColor(150, 150, 155));
    m_count->setPalette(dim);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 22, 24, 18);
    layout->setSpacing(12);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    layout->addWidget(m_count);
    layout->addStretch();
    Retranslate();
}

void CDisplayDlg::Retranslate() {
    setWindowTitle(tr("Data transmissionning"));
    m_text->setText(tr("Data transmission"));
    m_text->setAccessibleName(m_text->text());
}

void CDisplayDlg::ShowCount() {
    m_count->setText(QStringLiteral("%1 / %2").arg(m_bar->value()).arg(m_bar->maximum()));
}

void CDisplayDlg::ShowTransfer(int range, bool modal) {
    if (isVisible())
        HideTransfer(); // the modality of a window is set before it is shown
    m_modal = modal;
    m_bar->setRange(0, std::max(range, 0));
    m_bar->setValue(0);
    ShowCount();
    setWindowModality(modal ? Qt::WindowModal : Qt::NonModal);
    if (modal && m_form) {
        m_form->setEnabled(false);
        m_formDisabled = true;
    }
    if (parentWidget())
        move(parentWidget()->geometry().center() - QPoint(width() / 2, height() / 2));
    show();
}

void CDisplayDlg::SetPosition(int position) {
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
    ShowCount();
}

void CDisplayDlg::HideTransfer() {
    hide();
    if (m_formDisabled && m_form)
        m_form->setEnabled(true);
    m_formDisabled = false;
    m_modal = false;
}

int CDisplayDlg::Range() const {
    return m_bar->maximum();
}

int CDisplayDlg::Position() const {
    return m_bar->value();
}

void CDisplayDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void CDisplayDlg::reject() {}

void CDisplayDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}
