// The About dialog: the program's picture, name and version, and the libraries it is built on.
#include "app/AboutSoftDlg.h"

#include "app/AppArt.h"
#include "app/AppFont.h"
#include "controls/SkinPalette.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QtGlobal>

#include <array>

namespace {

constexpr QSize kSize{560, 330};
constexpr QRectF kMark{36, 40, 104, 104};
constexpr int kTextLeft = 172;

// Each library as Debian ships it, with the licence its package declares; the version is the one built
// against (the build passes the libraries' pkg-config versions in).
struct Library {
    const char* name;
    const char* version;
    const char* licence;
};

} // namespace

CAboutSoftDlg::CAboutSoftDlg(QWidget* parent)
    : QDialog(parent), m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok, this)) {
    setObjectName(QString::number(kId));
    setFixedSize(kSize);
    m_buttons->setGeometry(kSize.width() - 124, kSize.height() - 52, 100, 32);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    Retranslate();
}

QStringList CAboutSoftDlg::Lines() const {
    const std::array<Library, 3> libraries{{
        {"Qt", qVersion(), QT_TR_NOOP("GNU LGPL version 3")},
        {"hidapi", SELVANO_HIDAPI_VERSION,
         QT_TR_NOOP("BSD-style licence, GNU GPL version 3 or the original hidapi licence, at your choice")},
        {"libudev", SELVANO_UDEV_VERSION, QT_TR_NOOP("GNU LGPL version 2.1 or later")},
    }};
    QStringList lines{QStringLiteral("TALMO-QR-PRO"), tr("Tuning tool for the car-audio DSP box"),
                      tr("selvano, version %1").arg(QStringLiteral(SELVANO_VERSION))};
    for (const Library& l : libraries)
        lines << QStringLiteral("%1 %2 \u2014 %3")
                     .arg(QLatin1String(l.name), QLatin1String(l.version), tr(l.licence));
    return lines;
}

void CAboutSoftDlg::Retranslate() {
    setWindowTitle(tr("About"));
    const QStringList lines = Lines();

    m_picture = QPixmap(size());
    QPainter p(&m_picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 0, 0, height());
    face.setColorAt(0, QColor(38, 38, 42));
    face.setColorAt(1, CSkinPalette::Background());
    p.fillRect(rect(), face);
    p.setPen(QPen(QColor(52, 52, 56), 1));
    p.drawLine(0, height() - 68, width(), height() - 68);
    CAppArt::PaintMark(p, kMark);

    const int right = width() - 32;
    p.setPen(CSkinPalette::Text());
    QFont name = CAppFont::Pixels(24, QFont::DemiBold);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    p.setFont(name);
    p.drawText(QRect(kTextLeft, 44, right - kTextLeft, 32), Qt::AlignLeft | Qt::AlignVCenter, lines[0]);
    p.setFont(CAppFont::Pixels(14));
    p.drawText(QRect(kTextLeft, 80, right - kTextLeft, 22), Qt::AlignLeft | Qt::AlignVCenter, lines[1]);
    p.setPen(QColor(150, 150, 155));
    p.setFont(CAppFont::Pixels(CAppFont::kBody));
    p.drawText(QRect(kTextLeft, 104, right - kTextLeft, 20), Qt::AlignLeft | Qt::AlignVCenter, lines[2]);

    p.setPen(CSkinPalette::Accent());
    p.setFont(CAppFont::Pixels(CAppFont::kSmall, QFont::DemiBold));
    p.drawText(QRect(kTextLeft, 148, right - kTextLeft, 18), Qt::AlignLeft | Qt::AlignVCenter,
               tr("Built with"));
    p.setFont(CAppFont::Pixels(CAppFont::kSmall));
    int y = 170;
    for (int i = 3; i < lines.size(); ++i) {
        const QRect box(kTextLeft, y, right - kTextLeft, 40);
        QRect used;
        p.setPen(QColor(200, 200, 205));
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, lines[i], &used);
        y += used.height() + 6;
    }
    p.end();
    update();
}

void CAboutSoftDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
}

void CAboutSoftDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}
