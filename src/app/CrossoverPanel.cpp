// The crossover panel of the main form: high-pass and low-pass corner, family and slope of the current
// channel.
#include "app/CrossoverPanel.h"

#include "app/MasterPanel.h"
#include "app/TavelView.h"
#include "base/DataDefine.h"
#include "control/Session.h"
#include "controls/ListButton.h"
#include "controls/SkinFont.h"
#include "controls/SkinPalette.h"
#include "controls/SkinStatic.h"
#include "editors/FStatic.h"
#include "editors/NumEdit.h"
#include "editors/NumSpin.h"
#include "link/Notifier.h"
#include "model/KTV_Data.h"

#include <QEvent>

#include <algorithm>

namespace {

// Panel coordinates: a title, then a grid of three rows (frequency, type, slope) under two column headers
// (high-pass, low-pass), the row labels on the left.
constexpr QRect kTitleRect{12, 6, 244, 18};
constexpr int kLabelX = 12;
constexpr int kLabelWidth = 48;
constexpr std::array<int, 2> kColumnX{64, 162}; // high-pass, low-pass
constexpr int kColumnWidth = 94;
constexpr int kHeaderY = 28;
constexpr int kHeaderHeight = 16;
constexpr std::array<int, 3> kRowY{48, 80, 112}; // frequency, type, slope
constexpr int kRowHeight = 24;

struct SideIds {
    Xover which;
    int edit;
    int spin;
    int type;
    int slope;
    int typeList;
    int slopeList;
};
constexpr std::array<SideIds, 2> kSideIds{{
    {Xover::HighPass, CCrossoverPanel::kHighPassEdit, CCrossoverPanel::kHighPassSpin,
     CCrossoverPanel::kHighPassType, CCrossoverPanel::kHighPassSlope, CCrossoverPanel::kHighPassTypeList,
     CCrossoverPanel::kHighPassSlopeList},
    {Xover::LowPass, CCrossoverPanel::kLowPassEdit, CCrossoverPanel::kLowPassSpin,
     CCrossoverPanel::kLowPassType, CCrossoverPanel::kLowPassSlope, CCrossoverPanel::kLowPassTypeList,
     CCrossoverPanel::kLowPassSlopeList},
}};

constexpr std::size_t Index(Xover which) {
    return which == Xover::HighPass ? 0 : 1;
}

QRect Cell(std::size_t column, std::size_t row) {
    return {kColumnX[column], kRowY[row], kColumnWidth, kRowHeight};
}

CListButton* MakeList(int id, int listId, const QRect& rect, QObject* target, QWidget* parent) {
    auto* list = new CListButton(parent);
    list->setObjectName(QString::number(id));
    list->SetListId(listId);
    list->SetMessageTarget(target);
    list->setGeometry(rect);
    return list;
}

// The family and slope lists read the same whatever the family: the system's own texts.
QList<SkinText> FamilyEntries() {
    QList<SkinText> entries;
    for (const SysText& text : kFamilyTexts)
        entries << SkinText{text.In(0), text.In(1)};
    return entries;
}

QList<SkinText> SlopeEntries() {
    QList<SkinText> entries;
    for (const SysText& text : kCrossoverSlopeTexts)
        entries << SkinText{text.In(0), text.In(1)};
    return entries;
}

} // namespace

CCrossoverPanel::CCrossoverPanel(CSession& session, CTavelView& form, QWidget* parent)
    : QWidget(parent), m_session(session), m_form(form), m_title(new CSkinStatic(this)) {
    setObjectName(QStringLiteral("crossoverPanel"));
    setGeometry(CMasterPanel::kCrossoverArea);
    m_title->setGeometry(kTitleRect);
    m_title->SetPixelSize(11, QFont::DemiBold);
    for (std::size_t row = 0; row < m_rowLabels.size(); ++row) {
        auto* label = new CSkinStatic(this);
        label->setGeometry(kLabelX, kRowY[row], kLabelWidth, kRowHeight);
        m_rowLabels[row] = label;
    }
    Build(Xover::HighPass, &form);
    Build(Xover::LowPass, &form);

    form.RouteMessage(
        UM_LIST_SELECTED, kHighPassTypeList, kLowPassSlopeList,
        [this](int, std::intptr_t id, std::intptr_t index) { OnListSelected(id, static_cast<int>(index)); });
    // The graph has moved the corner through the edit entry point already (linked channels included):
    // the editor shows where it went.
    form.RouteMessage(UM_GRAPH_POINT_MOVED, CFStatic::kHighPassPoint, CFStatic::kLowPassPoint,
                      [this](int, std::intptr_t, std::intptr_t) { RefreshCrossover(); });
    connect(&form, &CTavelView::channelSelected, this, &CCrossoverPanel::RefreshCrossover);
    connect(&form, &CTavelView::allRefreshed, this, &CCrossoverPanel::RefreshCrossover);
    connect(&session.Editor(), &CModelEditor::channelChanged, this, [this](int channel, unsigned parts, int) {
        if (channel == m_form.CurrentChannel() && (parts & ChannelPart::kCrossover))
            RefreshCrossover();
    });

    Retranslate();
    RefreshCrossover();
}

void CCrossoverPanel::Build(Xover which, QObject* messageTarget) {
    const std::size_t column = Index(which);
    const SideIds& ids = kSideIds[column];
    FilterControls& side = m_sides[column];

    side.header = new CSkinStatic(this);
    side.header->setGeometry(kColumnX[column], kHeaderY, kColumnWidth, kHeaderHeight);
    side.header->SetPixelSize(12, QFont::DemiBold);
    side.header->SetColour(CSkinPalette::Text());

    side.freq = new CNumEdit(this);
    side.freq->setObjectName(QString::number(ids.edit));
    side.spin = new CNumSpin(this);
    side.spin->setObjectName(QString::number(ids.spin));
    side.spin->SetBuddy(side.freq);
    side.freq->SetEditKind(CNumEdit::kXoverFreq);
    side.spin->SetRange(kMinFreq, kMaxFreq);
    side.freq->SetLanguageSource(&m_session.Globals().language);
    side.freq->setGeometry(Cell(column, 0));
    side.freq->setAlignment(Qt::AlignCenter);
    side.freq->setFont(CSkinFont::Pixel(13, QFont::DemiBold));
    side.spin->hide(); // the value holder only: the edit steps it along the grid with Up/Down and the wheel

    side.type = MakeList(ids.type, ids.typeList, Cell(column, 1), messageTarget, this);
    side.type->SetEntries(FamilyEntries());
    side.slope = MakeList(ids.slope, ids.slopeList, Cell(column, 2), messageTarget, this);
    side.slope->SetEntries(SlopeEntries());

    // The edit notifies with its own id, a step through the hidden spin with the spin's.
    connect(side.freq, &CNumEdit::valueNotified, this,
            [this, which](int, int freq) { FreqEdited(which, freq); });
    connect(side.spin, &CNumSpin::valueNotified, this,
            [this, which](int, int freq) { FreqEdited(which, freq); });
}

const CCrossoverPanel::FilterControls& CCrossoverPanel::Side(Xover which) const {
    return m_sides[Index(which)];
}

CFilter& CCrossoverPanel::Filter(Xover which) const {
    CKTV_OutData& channel = m_session.Data().Channel(m_form.CurrentChannel());
    return which == Xover::HighPass ? channel.HighPass() : channel.LowPass();
}

QList<QWidget*> CCrossoverPanel::TabStops() const {
    QList<QWidget*> stops;
    for (const FilterControls& side : m_sides)
        stops << side.freq << side.type << side.slope;
    return stops;
}

void CCrossoverPanel::RefreshCrossover() {
    for (const SideIds& ids : kSideIds) {
        const FilterControls& side = Side(ids.which);
        const CFilter& filter = Filter(ids.which);
        side.type->SetCurrentIndex(filter.GetFamily());
        // The spin holds the corner and the edit shows it; a corner outside the filters' range (never set by
        // this program) is shown at the nearest end rather than refused.
        side.spin->SetPos(std::clamp(filter.GetFreq(), kMinFreq, kMaxFreq));
        side.slope->SetEntries(SlopeEntries());
        side.slope->SetCurrentIndex(filter.GetSlope());
    }
}

void CCrossoverPanel::OnListSelected(std::intptr_t listId, int index) {
    for (const SideIds& ids : kSideIds) {
        if (listId == ids.typeList)
            FamilyChosen(ids.which, index);
        else if (listId == ids.slopeList)
            SlopeChosen(ids.which, index);
    }
}

void CCrossoverPanel::FamilyChosen(Xover which, int family) {
    m_session.Editor().SetXoverFamily(m_form.CurrentChannel(), which, family);
    RefreshCrossover();
}

void CCrossoverPanel::SlopeChosen(Xover which, int slope) {
    m_session.Editor().SetXoverSlope(m_form.CurrentChannel(), which, slope);
    RefreshCrossover();
}

void CCrossoverPanel::FreqEdited(Xover which, int freq) {
    // A click on the edit notifies too: only a new corner is an edit. The editor keeps the low-pass corner
    // from ending below the high-pass one, and the edit shows the corner it set.
    if (freq != Filter(which).GetFreq())
        m_session.Editor().SetXoverFreq(m_form.CurrentChannel(), which, freq);
    RefreshCrossover();
}

void CCrossoverPanel::Retranslate() {
    m_title->SetText({tr("CROSSOVER"), {}});
    m_rowLabels[0]->SetText({tr("Freq"), {}});
    m_rowLabels[1]->SetText({tr("Type"), {}});
    m_rowLabels[2]->SetText({tr("Slope"), {}});
    for (const SideIds& ids : kSideIds) {
        const FilterControls& side = Side(ids.which);
        const bool high = ids.which == Xover::HighPass;
        const QString name = high ? tr("High-pass") : tr("Low-pass");
        side.header->SetText({name, {}});
        side.freq->setAccessibleName(high ? tr("High-pass frequency") : tr("Low-pass frequency"));
        side.freq->setToolTip(high ? tr("Corner of the high-pass filter in Hz; type a value or use the arrow "
                                        "keys. It never goes above the low-pass corner.")
                                   : tr("Corner of the low-pass filter in Hz; type a value or use the arrow "
                                        "keys. It never goes below the high-pass corner."));
        side.type->SetAccessibleText({high ? tr("High-pass type") : tr("Low-pass type"), {}});
        side.type->setToolTip(high ? tr("Filter family of the high-pass")
                                   : tr("Filter family of the low-pass"));
        side.slope->SetAccessibleText({high ? tr("High-pass slope") : tr("Low-pass slope"), {}});
        side.slope->setToolTip(high ? tr("Steepness of the high-pass; 关闭 switches it off")
                                    : tr("Steepness of the low-pass; 关闭 switches it off"));
    }
}

void CCrossoverPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}
