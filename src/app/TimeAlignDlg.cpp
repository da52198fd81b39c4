// The time alignment dialog: each shown channel's speaker distance in, the delays that align them out.
#include "app/TimeAlignDlg.h"

#include "app/AppFont.h"
#include "app/DialogLook.h"
#include "control/Session.h"

#include <QButtonGroup>
#include <QDoubleValidator>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <limits>
#include <vector>

namespace {

// A distance as typed, in the user's locale or with a decimal point; not a number: NaN, which the core
// refuses by name.
double ParseDistance(const QString& text) {
    bool ok = false;
    double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

QString Id(int id) {
    return QString::number(id);
}

} // namespace

CTimeAlignDlg::CTimeAlignDlg(CSession& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_distanceTitle(new QLabel(this)), m_hint(new QLabel(this)),
      m_cm(new QRadioButton(this)), m_inch(new QRadioButton(this)), m_units(new QButtonGroup(this)),
      m_result(new QLabel(this)), m_apply(new QPushButton(this)), m_close(new QPushButton(this)) {
    setObjectName(QStringLiteral("timeAlignDlg"));
    setFont(CAppFont::Pixels(CAppFont::kBody));
    setWindowModality(Qt::WindowModal);

    auto* grid = new QGridLayout;
    grid->addWidget(m_distanceTitle, 0, 1);
    for (int c = 0; c < kChannels; ++c) {
        auto* name = new QLabel(this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(Id(kDistanceBase + c));
        edit->setValidator(new QDoubleValidator(0.0, 100000.0, 2, edit));
        edit->setFixedWidth(110);
        edit->setStyleSheet(CDialogLook::FieldStyle());
        name->setBuddy(edit);
        grid->addWidget(name, c + 1, 0);
        grid->addWidget(edit, c + 1, 1);
        m_names[static_cast<std::size_t>(c)] = name;
        m_edits[static_cast<std::size_t>(c)] = edit;
    }
    m_cm->setObjectName(Id(kCm));
    m_inch->setObjectName(Id(kInch));
    m_units->addButton(m_cm);
    m_units->addButton(m_inch);
    m_cm->setChecked(true);
    auto* units = new QHBoxLayout;
    units->addWidget(m_cm);
    units->addWidget(m_inch);
    units->addStretch();
    grid->addLayout(units, kChannels + 1, 1);

    m_hint->setWordWrap(true);
    m_hint->setStyleSheet(QStringLiteral("color: #96969b;"));
    m_result->setObjectName(Id(kResult));
    m_result->setWordWrap(true);
    m_result->setMinimumWidth(420);
    m_result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_apply->setObjectName(Id(kApply));
    m_apply->setDefault(true);
    m_close->setObjectName(Id(kClose));
    m_close->setAutoDefault(false);
    connect(m_apply, &QPushButton::clicked, this, &CTimeAlignDlg::Apply);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_units, &QButtonGroup::buttonClicked, this, [this] { ShowResult(); });

    auto* top = new QHBoxLayout;
    top->addLayout(grid);
    top->addSpacing(16);
    top->addWidget(m_result, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_apply);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(CDialogLook::kMargin, CDialogLook::kMargin, CDialogLook::kMargin,
                               CDialogLook::kMargin);
    layout->setSpacing(12);
    layout->addWidget(m_hint);
    layout->addLayout(top);
    layout->addLayout(buttons);

    Retranslate();
}

CTimeAlignment::Unit CTimeAlignDlg::Unit() const {
    return m_inch->isChecked() ? CTimeAlignment::Unit::Inch : CTimeAlignment::Unit::Cm;
}

void CTimeAlignDlg::SetUnit(CTimeAlignment::Unit unit) {
    (unit == CTimeAlignment::Unit::Inch ? m_inch : m_cm)->setChecked(true);
    ShowResult();
}

QString CTimeAlignDlg::ResultText() const {
    return m_result->text();
}

void CTimeAlignDlg::Apply() {
    std::vector<SpeakerDistance> speakers;
    for (int c = 0; c < kChannels; ++c) {
        const QString text = DistanceEdit(c)->text();
        if (text.trimmed().isEmpty())
            continue;
        speakers.push_back({c, CTimeAlignment::Metres(ParseDistance(text), Unit())});
    }
    m_plan = CTimeAlignment::Align(m_session.Editor(), m_session.Data(), speakers);
    m_applied = true;
    ShowResult();
}

void CTimeAlignDlg::ShowResult() {
    if (!m_applied) {
        m_result->clear();
        return;
    }
    const int language = m_session.Globals().language.load();
    // The refusal in the warning colour: nothing was changed.
    m_result->setStyleSheet(m_plan.Ok() ? QString() : QStringLiteral("color: #e0604a;"));
    m_result->setText(CTimeAlignment::Report(m_plan, Unit(), language).join(u'\n'));
}

void CTimeAlignDlg::Retranslate() {
    setWindowTitle(tr("Time alignment"));
    m_hint->setText(tr("Distance from each speaker to the listening position. The farthest speaker gets no "
                       "delay; a channel left empty keeps its delay."));
    m_distanceTitle->setText(tr("Distance"));
    for (int c = 0; c < kChannels; ++c) {
        m_names[static_cast<std::size_t>(c)]->setText(tr("CH%1").arg(c + 1));
        m_edits[static_cast<std::size_t>(c)]->setAccessibleName(tr("CH%1 distance").arg(c + 1));
    }
    m_cm->setText(tr("cm"));
    m_inch->setText(tr("inch"));
    m_cm->setAccessibleName(tr("Distances in centimetres"));
    m_inch->setAccessibleName(tr("Distances in inches"));
    m_result->setAccessibleName(tr("Alignment result"));
    m_apply->setText(tr("Apply"));
    m_close->setText(tr("Close"));
    ShowResult();
}

void CTimeAlignDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    CDialogLook::PaintFace(p, rect());
}

void CTimeAlignDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}
