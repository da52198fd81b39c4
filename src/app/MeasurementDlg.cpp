// The measurement dialog: the current channel's measured response file, its smoothing and its 0 dB level.
#include "app/MeasurementDlg.h"

#include "app/AppFont.h"
#include "app/ChannelStrip.h"
#include "app/DialogLook.h"
#include "app/FileChooser.h"
#include "app/FormDialogs.h"
#include "app/MsgBox.h"
#include "app/TavelView.h"
#include "control/MeasuredResponse.h"
#include "control/Session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

using Smoothing = CMeasuredResponse::Smoothing;

struct SmoothingEntry {
    Smoothing smoothing;
    const char* text;
};
constexpr std::array<SmoothingEntry, 4> kSmoothings{{
    {Smoothing::Off, QT_TRANSLATE_NOOP("CMeasurementDlg", "Off")},
    {Smoothing::Third, QT_TRANSLATE_NOOP("CMeasurementDlg", "1/3 octave")},
    {Smoothing::Sixth, QT_TRANSLATE_NOOP("CMeasurementDlg", "1/6 octave")},
    {Smoothing::Twelfth, QT_TRANSLATE_NOOP("CMeasurementDlg", "1/12 octave")},
}};

const QString kMemory = QStringLiteral("measurement");

QString Id(int id) {
    return QString::number(id);
}

QString HzText(double hz) {
    return QLocale::c().toString(hz, 'g', 6);
}

} // namespace

CMeasurementDlg::CMeasurementDlg(CTavelView& view, QWidget* parent)
    : QDialog(parent), m_view(view), m_channelName(new QLabel(this)), m_fileTitle(new QLabel(this)),
      m_fileName(new QLabel(this)), m_load(new QPushButton(this)), m_clear(new QPushButton(this)),
      m_smoothingTitle(new QLabel(this)), m_smoothing(new QComboBox(this)), m_levelOn(new QCheckBox(this)),
      m_levelHz(new QLineEdit(this)), m_hz(new QLabel(this)), m_hint(new QLabel(this)),
      m_close(new QPushButton(this)) {
    setObjectName(QStringLiteral("measurementDlg"));
    setFont(CAppFont::Pixels(CAppFont::kBody));
    setWindowModality(Qt::NonModal);

    m_channelName->setObjectName(Id(kChannelName));
    m_channelName->setFont(CAppFont::Pixels(CAppFont::kBody, QFont::DemiBold));
    m_fileName->setObjectName(Id(kFileName));
    m_fileName->setMinimumWidth(260);
    m_fileName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_load->setObjectName(Id(kLoad));
    m_load->setDefault(true);
    m_clear->setObjectName(Id(kClear));
    m_clear->setAutoDefault(false);
    m_smoothing->setObjectName(Id(kSmoothing));
    for (std::size_t i = 0; i < kSmoothings.size(); ++i)
        m_smoothing->addItem(QString());
    m_smoothingTitle->setBuddy(m_smoothing);
    m_levelOn->setObjectName(Id(kLevelOn));
    m_levelHz->setObjectName(Id(kLevelHz));
    m_levelHz->setStyleSheet(CDialogLook::FieldStyle());
    m_levelHz->setFixedWidth(100);
    auto* validator = new QDoubleValidator(CMeasuredResponse::kLowestLevelHz,
                                           CMeasuredResponse::kHighestLevelHz, 1, m_levelHz);
    validator->setLocale(QLocale::c());
    validator->setNotation(QDoubleValidator::StandardNotation);
    m_levelHz->setValidator(validator);
    m_hint->setWordWrap(true);
    m_hint->setStyleSheet(QStringLiteral("color: #96969b;"));
    m_close->setObjectName(Id(kClose));
    m_close->setAutoDefault(false);

    connect(m_load, &QPushButton::clicked, this, &CMeasurementDlg::Load);
    connect(m_clear, &QPushButton::clicked, this, &CMeasurementDlg::Clear);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_smoothing, &QComboBox::activated, this, &CMeasurementDlg::SmoothingChosen);
    connect(m_levelOn, &QCheckBox::clicked, this, &CMeasurementDlg::LevelChanged);
    connect(m_levelHz, &QLineEdit::editingFinished, this, &CMeasurementDlg::LevelChanged);
    connect(&view, &CTavelView::channelSelected, this, &CMeasurementDlg::FollowChannel);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    grid->addWidget(m_fileTitle, 0, 0);
    grid->addWidget(m_fileName, 0, 1, 1, 3);
    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(m_load);
    fileButtons->addWidget(m_clear);
    fileButtons->addStretch();
    grid->addLayout(fileButtons, 1, 1, 1, 3);
    grid->addWidget(m_smoothingTitle, 2, 0);
    grid->addWidget(m_smoothing, 2, 1, 1, 3, Qt::AlignLeft);
    grid->addWidget(m_levelOn, 3, 0);
    grid->addWidget(m_levelHz, 3, 1);
    grid->addWidget(m_hz, 3, 2);
    grid->setColumnStretch(3, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(CDialogLook::kMargin, CDialogLook::kMargin, CDialogLook::kMargin,
                               CDialogLook::kMargin);
    layout->setSpacing(12);
    layout->addWidget(m_channelName);
    layout->addLayout(grid);
    layout->addWidget(m_hint);
    layout->addLayout(bottom);

    m_channel = view.CurrentChannel();
    Retranslate();
}

CMeasuredResponse& CMeasurementDlg::Measurement() const {
    return m_view.Measurement(m_channel);
}

void CMeasurementDlg::FollowChannel(int channel) {
    m_channel = channel;
    ShowState();
}

void CMeasurementDlg::Load() {
    FileRequest request;
    request.mode = FileRequest::Mode::Open;
    request.title = tr("Load measurement");
    request.filters = {tr("Measurement texts (*.txt *.csv *.frd)"), tr("All files (*)")};
    request.memory = kMemory;
    const int channel = m_channel;
    m_view.Dialogs().Files().Choose(this, request, [this, channel](const QString& path) {
        if (path.isEmpty())
            return;
        m_channel = channel; // the channel the file was asked for, even if the current one moved meanwhile
        ReadFile(path);
        FollowChannel(m_view.CurrentChannel());
    });
}

void CMeasurementDlg::ReadFile(const QString& path) {
    const auto refusal = Measurement().ReadFile(path);
    if (refusal) {
        const int language = m_view.Session().Globals().language.load();
        m_view.MsgBox().ShowText(refusal->In(language) + u'\n' +
                                 tr("The measurement of CH%1 stays as it was.").arg(m_channel + 1));
        return;
    }
    m_view.MeasurementChanged(m_channel);
    ShowState();
}

void CMeasurementDlg::Clear() {
    Measurement().Clear();
    m_view.MeasurementChanged(m_channel);
    ShowState();
}

void CMeasurementDlg::SmoothingChosen(int index) {
    if (index < 0 || index >= static_cast<int>(kSmoothings.size()))
        return;
    Measurement().SetSmoothing(kSmoothings[static_cast<std::size_t>(index)].smoothing);
    m_view.MeasurementChanged(m_channel);
}

// A frequency the field does not take (empty, out of range) leaves the level as it was; the field shows it
// again.
void CMeasurementDlg::LevelChanged() {
    CMeasuredResponse& m = Measurement();
    bool ok = false;
    const double hz = QLocale::c().toDouble(m_levelHz->text().trimmed(), &ok);
    if (!m_levelOn->isChecked())
        m.SetLevelFrequency(std::nullopt);
    else if (ok)
        m.SetLevelFrequency(hz);
    else if (!m.LevelFrequency())
        m.SetLevelFrequency(CMeasuredResponse::kDefaultLevelHz);
    m_view.MeasurementChanged(m_channel);
    ShowState();
}

void CMeasurementDlg::ShowState() {
    const CMeasuredResponse& m = Measurement();
    m_channelName->setText(tr("CH%1  %2").arg(m_channel + 1).arg(CChannelStrip::Name(m_channel)));
    m_fileName->setText(m.Empty() ? tr("No measurement") : m.Name());
    m_clear->setEnabled(!m.Empty());
    for (std::size_t i = 0; i < kSmoothings.size(); ++i)
        if (kSmoothings[i].smoothing == m.GetSmoothing())
            m_smoothing->setCurrentIndex(static_cast<int>(i));
    m_levelOn->setChecked(m.LevelFrequency().has_value());
    m_levelHz->setEnabled(m.LevelFrequency().has_value());
    m_levelHz->setText(HzText(m.LevelFrequency().value_or(CMeasuredResponse::kDefaultLevelHz)));
    if (m.Empty()) {
        m_hint->setText(tr("Load a frequency response measured for this channel (a text export of REW: "
                           "frequency, SPL and phase). The graph shows it and, dashed, what the channel's EQ "
                           "makes of it."));
    } else {
        const auto& points = m.Points();
        QString hint = tr("%1 points, %2 Hz to %3 Hz.")
                           .arg(points.size())
                           .arg(HzText(points.front().hz), HzText(points.back().hz));
        if (m.LevelFrequency())
            hint +=
                u' ' + tr("Moved by %1 dB to 0 dB at %2 Hz.")
                           .arg(QString::number(-m.LevelOffsetDb(), 'f', 1),
                                HzText(std::clamp(*m.LevelFrequency(), points.front().hz, points.back().hz)));
        m_hint->setText(hint);
    }
}

void CMeasurementDlg::Retranslate() {
    setWindowTitle(tr("Measurement"));
    m_fileTitle->setText(tr("File"));
    m_load->setText(tr("Load..."));
    m_clear->setText(tr("Clear"));
    m_smoothingTitle->setText(tr("Smoothing"));
    for (std::size_t i = 0; i < kSmoothings.size(); ++i)
        m_smoothing->setItemText(static_cast<int>(i), tr(kSmoothings[i].text));
    m_levelOn->setText(tr("0 dB at"));
    m_levelOn->setAccessibleName(tr("Move the measurement to 0 dB at a frequency"));
    m_levelHz->setAccessibleName(tr("Frequency of 0 dB"));
    m_hz->setText(tr("Hz"));
    m_close->setText(tr("Close"));
    ShowState();
}

void CMeasurementDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

void CMeasurementDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    CDialogLook::PaintFace(p, rect());
}
