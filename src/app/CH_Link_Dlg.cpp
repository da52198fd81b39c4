// The channel-link dialog: which channel of each speaker pair keeps its settings when the pairs are linked.
#include "app/CH_Link_Dlg.h"

#include "app/ChannelStrip.h"
#include "app/DialogLook.h"
#include "controls/BitmapButton.h"
#include "controls/SkinPalette.h"
#include "controls/SkinStatic.h"

#include <QButtonGroup>
#include <QEvent>
#include <QPainter>

namespace {

constexpr QSize kSize{460, 262};
constexpr QRect kPromptRect{24, 18, 412, 40};
constexpr QRect kPairsRect{24, 64, 412, 58};
constexpr QRect kFirstRect{24, 132, 200, 30};
constexpr QRect kSecondRect{236, 132, 200, 30};
constexpr QRect kEffectRect{24, 168, 412, 20};
constexpr QRect kOkRect{228, 214, 100, 30};
constexpr QRect kCancelRect{336, 214, 100, 30};

QString ChannelText(int channel) {
    const QString name = CChannelStrip::Name(channel);
    const QString ch = QStringLiteral("CH%1").arg(channel + 1);
    return name.isEmpty() ? ch : ch + u' ' + name;
}

CBitmapButton* MakeButton(int id, const QRect& rect, QWidget* parent) {
    auto* button = new CBitmapButton(parent);
    button->setObjectName(QString::number(id));
    button->setGeometry(rect);
    return button;
}

} // namespace

CCH_Link_Dlg::CCH_Link_Dlg(std::span<const LinkPair> pairs, QWidget* parent)
    : QDialog(parent), m_prompt(new CSkinStatic(this)), m_pairList(new CSkinStatic(this)),
      m_effect(new CSkinStatic(this)), m_first(MakeButton(kFirst, kFirstRect, this)),
      m_second(MakeButton(kSecond, kSecondRect, this)), m_ok(MakeButton(kOk, kOkRect, this)),
      m_cancel(MakeButton(kCancel, kCancelRect, this)), m_choice(new QButtonGroup(this)) {
    setObjectName(QString::number(kId));
    setFixedSize(kSize);
    for (const LinkPair& pair : pairs)
        if (pair.active)
            m_pairs.push_back(pair);

    m_prompt->setGeometry(kPromptRect);
    m_prompt->SetWordWrap(true);
    m_prompt->SetColour(CSkinPalette::Text());
    m_pairList->setGeometry(kPairsRect);
    m_pairList->SetWordWrap(true);
    m_pairList->SetPixelSize(12, QFont::DemiBold);
    m_effect->setGeometry(kEffectRect);

    m_first->setCheckable(true);
    m_second->setCheckable(true);
    m_choice->setExclusive(true);
    m_choice->addButton(m_first, 0);
    m_choice->addButton(m_second, 1);
    m_first->setChecked(true);
    connect(m_choice, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            ShowChoice();
    });
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    setTabOrder(m_first, m_second);
    setTabOrder(m_second, m_ok);
    setTabOrder(m_ok, m_cancel);

    Retranslate();
    RebuildBackground();
}

int CCH_Link_Dlg::Reference() const {
    return m_second->isChecked() ? 1 : 0;
}

CBitmapButton* CCH_Link_Dlg::Button(int id) const {
    switch (id) {
    case kFirst:
        return m_first;
    case kSecond:
        return m_second;
    case kOk:
        return m_ok;
    case kCancel:
        return m_cancel;
    default:
        return nullptr;
    }
}

void CCH_Link_Dlg::ShowChoice() {
    m_effect->SetText({Reference() == 0
                           ? tr("The right channel of each pair becomes a copy of the left one.")
                           : tr("The left channel of each pair becomes a copy of the right one."),
                       {}});
}

void CCH_Link_Dlg::Retranslate() {
    setWindowTitle(tr("Grouping of Front channel"));
    m_prompt->SetText({tr("Link the channel pairs below: one channel of each pair keeps its settings, the "
                          "other takes a copy "
                          "of them, and later edits apply to both."),
                       {}});
    QStringList lines;
    for (const LinkPair& pair : m_pairs)
        lines << QStringLiteral("%1  +  %2").arg(ChannelText(pair.first), ChannelText(pair.second));
    m_pairList->SetText({lines.isEmpty() ? tr("The speaker types of the channels form no pair.")
                                         : lines.join(QStringLiteral("\n")),
                         {}});
    m_pairList->SetColour(lines.isEmpty() ? CSkinPalette::DimText() : CSkinPalette::Accent());
    m_first->SetText({tr("Left as reference"), {}});
    m_first->SetAccessibleText({tr("The left channel of each pair is the reference"), {}});
    m_second->SetText({tr("Right as reference"), {}});
    m_second->SetAccessibleText({tr("The right channel of each pair is the reference"), {}});
    m_ok->SetText({tr("OK"), {}});
    m_ok->SetAccessibleText({tr("Link the pairs"), {}});
    m_cancel->SetText({tr("Cancel"), {}});
    m_cancel->SetAccessibleText({tr("Cancel, link nothing"), {}});
    ShowChoice();
}

void CCH_Link_Dlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

void CCH_Link_Dlg::RebuildBackground() {
    m_background = QPixmap(size());
    QPainter p(&m_background);
    p.setRenderHint(QPainter::Antialiasing);
    CDialogLook::PaintFace(p, rect());
    p.setPen(QPen(QColor(50, 50, 54), 1));
    p.setBrush(QColor(33, 33, 36));
    p.drawRoundedRect(QRectF(kPairsRect.adjusted(-8, -4, 8, 4)).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.setPen(QPen(QColor(52, 52, 56), 1));
    p.drawLine(0, kOkRect.top() - 12, width(), kOkRect.top() - 12);
    p.end();
    update();
}

void CCH_Link_Dlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}
