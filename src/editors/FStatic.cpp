// The response graph: the current channel's curve, the curves of the channels the user shows, a handle for
// every filter, and the drags, wheel steps, clicks and keys that edit the filters through the edit entry
// point.
#include "editors/FStatic.h"

#include "control/MeasuredResponse.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "editors/FStaticAccessible.h"
#include "editors/QtRepeatTimer.h"
#include "link/Notifier.h"
#include "link/QtNotifier.h"
#include "model/KTVEQ.h"
#include "model/KTV_Data.h"
#include "model/KTV_OutData.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>

namespace {

// ---- The skin of the graph ----
QColor Background() {
    return {28, 28, 30};
}
QColor GridColour() {
    return {62, 62, 65};
}
QColor LabelColour() {
    return {100, 100, 100};
}
QColor OtherCurveColour() {
    return {83, 83, 83};
}
QColor FillColour() {
    return {68, 86, 98};
}
QColor BandwidthHandleColour() {
    return {100, 100, 100};
}
QColor TipBackground() {
    return {44, 44, 48, 235};
}
QColor TipText() {
    return {226, 226, 230};
}
QColor AccentColour() {
    return {61, 165, 244};
}
// Apart from every channel colour and from the grey of the other channels' curves.
QColor MeasuredColour() {
    return {150, 206, 214};
}

constexpr int kCurvePen = 2;
constexpr double kMeasuredPen = 1.5;
constexpr int kPredictedPen = 2;
constexpr int kPredictedLighter = 135; // percent
constexpr int kGlowPen = 6;            // a soft halo under the current channel's curve
constexpr int kGlowAlpha = 40;
constexpr int kHoverGrowth = 2;  // a hovered or dragged handle is drawn this much larger on each side
constexpr int kMarkerMargin = 1; // around a handle's cached picture, for the antialiased ring
constexpr int kBwGrabRadius = 10;
constexpr int kWheelNotch = 120;
constexpr double kMinOctaves = 0.05;
constexpr double kMaxOctaves = 3.0;
constexpr int kMinGridIndex = 1; // entry 0 (19.7 Hz) lies below the lowest frequency a band takes
constexpr int kMinFreq = 20;

// Marker looks, as bits.
constexpr int kLookBypassed = 1 << 0;
constexpr int kLookHovered = 1 << 1;
constexpr int kLookDragged = 1 << 2;
constexpr int kLookSelected = 1 << 3;
constexpr int kLookCrossover = 1 << 4;
constexpr int kLookBwLowHot = 1 << 5;
constexpr int kLookBwHighHot = 1 << 6;

struct AxisLabel {
    double value;
    const char* text;
};
constexpr std::array<AxisLabel, 9> kGainLabels{{{20, "+20"},
                                                {15, "+15"},
                                                {10, "+10"},
                                                {5, "+5"},
                                                {0, "0dB"},
                                                {-5, "-5"},
                                                {-10, "-10"},
                                                {-15, "-15"},
                                                {-20, "-20"}}};
constexpr std::array<AxisLabel, 10> kFreqLabels{{{20, "20"},
                                                 {50, "50"},
                                                 {100, "100"},
                                                 {200, "200"},
                                                 {500, "500"},
                                                 {1000, "1K"},
                                                 {2000, "2K"},
                                                 {5000, "5K"},
                                                 {10000, "10K"},
                                                 {20000, "20K"}}};

constexpr SysText kTextGraphName{"Response graph", "频响曲线"};
constexpr SysText kTextHighPass{"High-Pass", "高通"};
constexpr SysText kTextLowPass{"Low-Pass", "低通"};
constexpr SysText kTextMeasured{"Measured", "测量"};
constexpr SysText kTextPredicted{"Predicted", "预测"};
constexpr int kLegendLine = 18; // length of a legend's sample line
constexpr int kLegendGap = 6;
constexpr int kLegendPad = 6;

// Slope list positions in the order the wheel walks them: off, then 6 to 48 dB/Oct.
constexpr std::array<int, 7> kSlopeLadder{kSlopeOff, 0, 1, 2, 3, 4, 5};

// The current channel's curve in its colour; a dark one (the first channel's grey) is lightened so that
// it stands out from the grey curves of the other channels.
QColor CurrentCurveColour(ChannelColour c) {
    const QColor colour(c.red, c.green, c.blue);
    constexpr int kMinValue = 170;
    return colour.value() >= kMinValue ? colour
                                       : colour.lighter(100 * kMinValue / std::max(1, colour.value()));
}

QFont GraphFont(int pixelSize, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The filter numbers: white Arial, one pixel under 10 pt and bold, so that two digits fit a 16-pixel handle.
const QFont& NumberFont() {
    static const QFont font = GraphFont(12, true);
    return font;
}
const QFont& AxisFont() {
    static const QFont font = GraphFont(11);
    return font;
}
const QFont& LabelFont() {
    static const QFont font = GraphFont(12);
    return font;
}

QPoint Centre(const QRect& r) {
    return {r.x() + r.width() / 2, r.y() + r.height() / 2};
}

int Distance2(QPoint a, QPoint b) {
    const QPoint d = a - b;
    return d.x() * d.x() + d.y() * d.y();
}

int GridHz(int index) {
    return static_cast<int>(g_freqGrid[static_cast<std::size_t>(index)]);
}

// The frequency `steps` grid entries away from freq (each step lands on the next entry that shows as a
// different whole frequency), within 20..20000 Hz.
int GridStep(int freq, int steps) {
    const int dir = steps > 0 ? 1 : -1;
    int i = std::clamp(NearestGridIndex(freq), kMinGridIndex, kGridPoints - 1);
    int current = freq;
    for (int n = std::abs(steps); n > 0; --n) {
        while (i >= kMinGridIndex && i < kGridPoints &&
               (dir > 0 ? GridHz(i) <= current : GridHz(i) >= current))
            i += dir;
        if (i < kMinGridIndex || i >= kGridPoints)
            break;
        current = GridHz(i);
    }
    return current;
}

// The gain code of plot row y in 0.1 dB steps, bypass at 0 dB.
int GainCodeOfPixel(int y, int h) {
    const double db = h > 0 ? 20.0 - y * 40.0 / h : 0.0;
    return std::clamp(EqGainCode(db), 0, kEqGainCodeMax);
}

// A crossover at its off position or slope draws no curve of its own.
bool XoverOff(const CFilter& f) {
    if (f.GetSlope() == kSlopeOff)
        return true;
    return f.GetKind() == CFilter::HighPass ? f.GetFreq() <= kMinFreq : f.GetFreq() >= 20000;
}

int LimitShelf(int kind, int freq) {
    if (kind == CFilter::LowShelf)
        return std::min(freq, CFStatic::kShelfLimit);
    if (kind == CFilter::HighShelf)
        return std::max(freq, CFStatic::kShelfLimit);
    return freq;
}

// The first and last index where two point arrays differ, or nothing.
template <typename Point, std::size_t N>
std::optional<std::pair<std::size_t, std::size_t>> ChangedSpan(const std::array<Point, N>& a,
                                                               const std::array<Point, N>& b) {
    std::size_t first = 0;
    while (first < N && a[first] == b[first])
        ++first;
    if (first == N)
        return std::nullopt;
    std::size_t last = N - 1;
    while (last > first && a[last] == b[last])
        --last;
    return std::pair{first, last};
}

template <typename Point, std::size_t N>
QRectF Bounds(const std::array<Point, N>& points, std::size_t first, std::size_t last) {
    first = first > 0 ? first - 1 : 0; // the segments into and out of the stretch change too
    last = std::min(last + 1, N - 1);
    double left = points[first].x(), right = left, top = points[first].y(), bottom = top;
    for (std::size_t i = first + 1; i <= last; ++i) {
        left = std::min<double>(left, points[i].x());
        right = std::max<double>(right, points[i].x());
        top = std::min<double>(top, points[i].y());
        bottom = std::max<double>(bottom, points[i].y());
    }
    return {QPointF(left, top), QPointF(right, bottom)};
}

QRect Grown(const QRectF& r, int by) {
    return r.toAlignedRect().adjusted(-by, -by, by, by);
}

} // namespace

CFStatic::CFStatic(QWidget* parent) : QWidget(parent) {
    CFStaticAccessible::Install();
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is painted from the cached layers, so nothing needs clearing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetNotifyTimer(std::make_unique<CQtRepeatTimer>());
    setAccessibleName(AccessibleNameText());
}

CFStatic::~CFStatic() = default;

// ---- Interfaces ----------------------------------------------------------------------------------------

void CFStatic::Attach(CKTV_Data& model, CModelEditor& editor) {
    if (m_editor != nullptr)
        disconnect(m_editor, nullptr, this, nullptr);
    m_model = &model;
    m_editor = &editor;
    m_language = &model.Globals().language;
    connect(&editor, &CModelEditor::channelChanged, this,
            [this](int channel, unsigned, int) { OnChannelChanged(channel); });
    LayOut();
    ShowChannel(m_channelIndex);
    UpdateAccessibleTexts();
}

void CFStatic::Attach(CSession& session) {
    Attach(session.Data(), session.Editor());
    connect(&session, &CSession::modelReloaded, this, &CFStatic::RefreshAll);
}

void CFStatic::ShowChannel(int channel) {
    if (m_model == nullptr || channel < 0 || channel >= Layout::kChannels)
        return;
    ClearHover();
    m_drag.part = Part::None; // the old filter keeps its flags until the button comes up
    m_channelIndex = channel;
    m_channel = &m_model->Channel(channel);
    m_filters = &m_channel->Filters();
    m_active = nullptr;
    m_mode = kModeOutput;
    m_sourceId = kSourceIdBase + channel;
    m_scene.valid = false; // every handle takes the new channel's colour
    UpdateCursor();
    Refresh();
}

void CFStatic::SelectAndRedraw(int index) {
    m_highlight = std::clamp(index, -1, kFilters - 1);
    Refresh();
}

void CFStatic::SetChannelShown(int channel, bool shown) {
    if (channel < 0 || channel >= Layout::kChannels)
        return;
    m_shown[static_cast<std::size_t>(channel)] = shown;
    Refresh();
}

bool CFStatic::ChannelShown(int channel) const {
    return channel >= 0 && channel < Layout::kChannels && m_shown[static_cast<std::size_t>(channel)];
}

void CFStatic::SetMeasurement(int channel, const CMeasuredResponse* measurement) {
    if (channel < 0 || channel >= Layout::kChannels)
        return;
    m_measurements[static_cast<std::size_t>(channel)] = measurement;
    Refresh();
}

bool CFStatic::OverlayDrawn(int channel) const {
    const CMeasuredResponse* m = m_measurements[static_cast<std::size_t>(channel)];
    return m != nullptr && m->FirstGridIndex() <= m->LastGridIndex() && m_model != nullptr &&
           (channel == m_channelIndex || ChannelShown(channel));
}

CFStatic::OverlayCurves CFStatic::OverlayOf(int channel) const {
    if (channel < 0 || channel >= Layout::kChannels || !m_scene.valid ||
        !m_scene.overlays[static_cast<std::size_t>(channel)].shown) {
        OverlayCurves none;
        none.measuredDb.fill(std::numeric_limits<double>::quiet_NaN());
        none.predictedDb = none.measuredDb;
        return none;
    }
    return m_scene.overlays[static_cast<std::size_t>(channel)].db;
}

void CFStatic::RefreshAll() {
    if (m_model == nullptr)
        return;
    for (int c = 0; c < Layout::kChannels; ++c)
        m_model->Channel(c).Filters().CalcSum();
    m_scene.valid = false;
    Refresh();
}

void CFStatic::SetNotifyTimer(std::unique_ptr<CRepeatTimer> timer) {
    m_notifyTimer = std::move(timer);
    m_notifyTimer->SetHandler([this] { OnNotifyTimer(); });
    m_notifyIdle = true;
}

void CFStatic::InvalidateLayers() {
    m_layersStale = true;
}

// ---- State ---------------------------------------------------------------------------------------------

CFilter* CFStatic::FilterAt(int index) const {
    if (m_filters == nullptr || index < 0 || index >= kFilters)
        return nullptr;
    return &m_filters->Filter(index);
}

int CFStatic::IndexOf(const CFilter* filter) const {
    for (int i = 0; filter != nullptr && i < kFilters; ++i)
        if (FilterAt(i) == filter)
            return i;
    return -1;
}

int CFStatic::ActiveIndex() const {
    return IndexOf(m_active);
}

int CFStatic::SelectedIndex() const {
    return m_highlight >= 0 ? m_highlight : ActiveIndex();
}

int CFStatic::Language() const {
    return m_language != nullptr ? m_language->load() : 0;
}

bool CFStatic::GraphicMode(const CFilter& f) const {
    return f.GetIsEqBand() && f.GetGeqMode();
}

bool CFStatic::HasBandwidthHandles(const CFilter& f) const {
    return f.GetIsEqBand() && f.GetKind() == CFilter::Peak && !GraphicMode(f);
}

Qt::Alignment CFStatic::NumberAlignment(int index) const {
    const CFilter* f = FilterAt(index);
    if (f == nullptr)
        return Qt::AlignCenter;
    const QRect r = f->HandleRect();
    const bool atRightEdge = r.x() + r.width() >= m_plot.x() + m_plot.width();
    if (atRightEdge || f->GetFreq() >= 20000)
        return Qt::AlignLeft | Qt::AlignVCenter;
    if (f->GetFreq() <= kMinFreq)
        return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignCenter;
}

QString CFStatic::AccessibleNameText() const {
    return kTextGraphName.In(Language());
}

QString CFStatic::SelectionText() const {
    const CFilter* f = FilterAt(SelectedIndex());
    if (f == nullptr)
        return {};
    const int language = Language();
    const QString sep = QStringLiteral(", ");
    if (!f->GetIsEqBand()) {
        const SysText& name = f->GetKind() == CFilter::HighPass ? kTextHighPass : kTextLowPass;
        return name.In(language) + sep + f->FreqText() + sep + f->FamilyText(language) + sep +
               f->CrossoverSlopeText(language);
    }
    QString text = f->KindText(language) + QLatin1Char(' ') + QString::number(f->GetIndex() + 1) + sep +
                   f->FreqText() + sep + f->GainText() + sep;
    if (f->GetKind() == CFilter::Peak)
        return text + QStringLiteral("Q ") + f->QText();
    return text + f->ShelfSlopeText(language);
}

QSize CFStatic::sizeHint() const {
    return {692, 348};
}

QSize CFStatic::minimumSizeHint() const {
    return {kPlotLeft + kPlotRight + 150, kPlotTop + kPlotBottom + 80};
}

// ---- Layout --------------------------------------------------------------------------------------------

void CFStatic::LayOut() {
    m_plot = rect().adjusted(kPlotLeft, kPlotTop, -kPlotRight, -kPlotBottom);
    for (std::size_t i = 0; i < kGridFreqs.size(); ++i)
        m_gridX[i] = GraphXOfFreq(kGridFreqs[i], m_plot.width()) + kPlotLeft;
    if (m_model != nullptr && m_plot.width() > 0 && m_plot.height() > 0) {
        for (int c = 0; c < Layout::kChannels; ++c) {
            CKTVEQ& set = m_model->Channel(c).Filters();
            set.SetGraphSize(m_plot);
            set.CalcSum();
        }
    }
    InvalidateLayers();
    m_othersStale = true;
    m_scene.valid = false;
    update();
}

void CFStatic::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
    Refresh();
}

void CFStatic::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::LanguageChange:
        UpdateAccessibleTexts();
        InvalidateLayers();
        update();
        Refresh();
        break;
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::ParentChange: // the corners take the parent's colour
        InvalidateLayers();
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

// ---- Hover and hit test --------------------------------------------------------------------------------

// The nearest handle within the grab radius: the main handles of every filter and the bandwidth handles
// of the active band. A tie goes to the earlier one in set order.
CFStatic::Hit CFStatic::HitTest(QPoint p) const {
    Hit best;
    if (m_filters == nullptr)
        return best;
    int bestDistance = 0;
    const auto consider = [&](const QRect& r, int radius, int index, Part part) {
        const int d = Distance2(p, Centre(r));
        if (d <= radius * radius && (best.index < 0 || d < bestDistance)) {
            best = {index, part};
            bestDistance = d;
        }
    };
    for (int i = 0; i < kFilters; ++i)
        consider(FilterAt(i)->HandleRect(), kGrabRadius, i, Part::Handle);
    if (m_active != nullptr && HasBandwidthHandles(*m_active)) {
        const int index = IndexOf(m_active);
        consider(m_active->BwLowRect(), kBwGrabRadius, index, Part::BwLow);
        consider(m_active->BwHighRect(), kBwGrabRadius, index, Part::BwHigh);
    }
    return best;
}

void CFStatic::SetActive(CFilter* filter) {
    if (m_active == filter)
        return;
    if (m_active != nullptr) {
        m_active->SetHoverHandle(0);
        m_active->SetHoverBwLow(0);
        m_active->SetHoverBwHigh(0);
    }
    m_active = filter;
}

void CFStatic::Hover(QPoint p) {
    const Hit hit = HitTest(p);
    m_hoverHit = hit;
    if (hit.index >= 0) {
        CFilter* f = FilterAt(hit.index);
        SetActive(f);
        f->SetHoverHandle(hit.part == Part::Handle);
        f->SetHoverBwLow(hit.part == Part::BwLow);
        f->SetHoverBwHigh(hit.part == Part::BwHigh);
        m_hover = 1;
    } else {
        ClearHover();
    }
}

// A band stays active when the pointer leaves it, so that its bandwidth handles can still be reached; a
// crossover does not.
void CFStatic::ClearHover() {
    m_hover = 0;
    m_hoverHit = {};
    if (m_active == nullptr)
        return;
    m_active->SetHoverHandle(0);
    m_active->SetHoverBwLow(0);
    m_active->SetHoverBwHigh(0);
    if (!m_active->GetIsEqBand())
        m_active = nullptr;
}

void CFStatic::UpdateCursor() {
    if (m_drag.part != Part::None)
        setCursor(Qt::ClosedHandCursor);
    else if (m_hover)
        setCursor(Qt::OpenHandCursor);
    else
        unsetCursor();
}

// ---- Mouse ---------------------------------------------------------------------------------------------

void CFStatic::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (m_drag.part != Part::None)
        DragStep(p);
    else
        Hover(p);
    UpdateCursor();
    Refresh();
}

void CFStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint p = event->position().toPoint();
    Hover(p); // the press may come without a move before it
    if (m_hover)
        BeginDrag(m_hoverHit, p);
    UpdateCursor();
    Refresh();
}

void CFStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    EndDrag();
    Hover(event->position().toPoint());
    UpdateCursor();
    Refresh();
}

void CFStatic::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_editor == nullptr) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const Hit hit = HitTest(event->position().toPoint());
    const CFilter* f = FilterAt(hit.index);
    if (f == nullptr || hit.part != Part::Handle || !f->GetIsEqBand())
        return;
    const int bypassed = f->GetEffectiveBypass();
    m_editing = true;
    m_editor->SetBandBypass(m_channelIndex, hit.index, bypassed ? 0 : 1);
    m_editing = false;
    if (f->GetEffectiveBypass() != bypassed) // a band at 0 dB stays bypassed
        Moved(hit.index);
    Select(hit.index);
    Refresh();
}

void CFStatic::leaveEvent(QEvent* event) {
    if (m_drag.part == Part::None) {
        ClearHover();
        UpdateCursor();
        Refresh();
    }
    QWidget::leaveEvent(event);
}

void CFStatic::wheelEvent(QWheelEvent* event) {
    const Hit hit = HitTest(event->position().toPoint());
    const CFilter* f = FilterAt(hit.index);
    const bool bandwidth = f != nullptr && HasBandwidthHandles(*f);
    const bool slope = f != nullptr && !f->GetIsEqBand();
    if (m_editor == nullptr || (!bandwidth && !slope)) {
        event->ignore();
        return;
    }
    event->accept();
    m_wheelAngle += event->angleDelta().y();
    const int notches = m_wheelAngle / kWheelNotch;
    m_wheelAngle -= notches * kWheelNotch;
    if (notches == 0)
        return;
    bool changed = false;
    m_editing = true;
    if (bandwidth) {
        // Up narrows the band (higher Q).
        const int step =
            (event->modifiers() & Qt::ControlModifier) ? kFineBandwidthStep : kWheelBandwidthStep;
        const int index =
            std::clamp(f->GetQIndex() - notches * step, kMinEffectiveBandwidth, kBandwidthIndexMax);
        changed = index != f->GetQIndex();
        if (changed)
            m_editor->SetBandBandwidth(m_channelIndex, hit.index, index);
    } else {
        // Up steepens the slope; below 6 dB/Oct lies off.
        const auto at = std::find(kSlopeLadder.begin(), kSlopeLadder.end(), f->GetSlope());
        const int rung = at == kSlopeLadder.end() ? 0 : static_cast<int>(at - kSlopeLadder.begin());
        const int next = std::clamp(rung + notches, 0, static_cast<int>(kSlopeLadder.size()) - 1);
        const int slopeIndex = kSlopeLadder[static_cast<std::size_t>(next)];
        changed = slopeIndex != f->GetSlope();
        if (changed)
            m_editor->SetXoverSlope(
                m_channelIndex, hit.index == kHighPassPoint ? Xover::HighPass : Xover::LowPass, slopeIndex);
    }
    m_editing = false;
    if (changed)
        Moved(hit.index);
    Refresh();
}

// ---- Drags ---------------------------------------------------------------------------------------------

void CFStatic::BeginDrag(const Hit& hit, QPoint p) {
    CFilter* f = FilterAt(hit.index);
    if (f == nullptr)
        return;
    const int w = m_plot.width();
    const int h = m_plot.height();
    m_drag = {};
    m_drag.filter = f;
    m_drag.index = hit.index;
    m_drag.part = hit.part;
    m_drag.press = p;
    m_drag.startFreq = f->GetFreq();
    m_drag.startCode = f->GetGainCode();
    m_drag.startBandwidth = f->GetQIndex();
    const double span = std::pow(2.0, f->GetBandwidth());
    switch (hit.part) {
    case Part::Handle: {
        const double gain = f->GetIsEqBand() && !f->GetEffectiveBypass() ? f->GetGain() : 0.0;
        m_drag.startPixel = QPoint(GraphXOfFreq(f->GetFreq(), w), GraphYOfGain(gain, h));
        f->SetDragHandle(1);
        f->SetDragOffset(p - Centre(f->HandleRect()));
        break;
    }
    case Part::BwLow:
        m_drag.startPixel = QPoint(GraphXOfFreq(f->GetFreq() / span, w), 0);
        f->SetDragBwLow(1);
        f->SetDragBwHigh(0);
        break;
    case Part::BwHigh:
        m_drag.startPixel = QPoint(GraphXOfFreq(f->GetFreq() * span, w), 0);
        f->SetDragBwHigh(1);
        f->SetDragBwLow(0);
        break;
    case Part::None:
        break;
    }
    Select(hit.index);
}

void CFStatic::DragStep(QPoint p) {
    if (m_drag.filter == nullptr || m_drag.filter != FilterAt(m_drag.index) || m_editor == nullptr)
        return;
    if (m_drag.part == Part::Handle)
        m_drag.filter->GetIsEqBand() ? BandDragStep(p) : XoverDragStep(p);
    else
        BandwidthDragStep(p);
}

void CFStatic::BandDragStep(QPoint p) {
    const CFilter& f = *m_drag.filter;
    const int w = m_plot.width();
    const int h = m_plot.height();
    const QPoint q(std::clamp(m_drag.startPixel.x() + p.x() - m_drag.press.x(), 0, w),
                   std::clamp(m_drag.startPixel.y() + p.y() - m_drag.press.y(), 0, h));
    // A pixel row or column the pointer has not left keeps its value: the mappings do not round-trip.
    int freq = GraphicMode(f) || q.x() == m_drag.startPixel.x() ? m_drag.startFreq : FreqOfGraphX(q.x(), w);
    freq = LimitShelf(f.GetKind(), freq);
    const int code = q.y() == m_drag.startPixel.y() ? m_drag.startCode : GainCodeOfPixel(q.y(), h);
    if (freq != f.GetFreq() || code != f.GetGainCode())
        MoveBand(m_drag.index, freq, code);
}

void CFStatic::BandwidthDragStep(QPoint p) {
    const CFilter& f = *m_drag.filter;
    if (!HasBandwidthHandles(f))
        return;
    const int w = m_plot.width();
    const int x = std::clamp(m_drag.startPixel.x() + p.x() - m_drag.press.x(), 0, w);
    int index = m_drag.startBandwidth;
    if (x != m_drag.startPixel.x()) {
        const double edge = FreqOfGraphX(x, w);
        const double centre = f.GetFreq();
        double octaves = m_drag.part == Part::BwHigh ? std::log10(edge / centre) / std::log10(2.0)
                                                     : std::log10(centre / edge) / std::log10(2.0);
        octaves = std::clamp(octaves, kMinOctaves, kMaxOctaves);
        index = std::max(BandwidthIndex(octaves), kMinEffectiveBandwidth);
    }
    if (index != f.GetQIndex())
        SetBandwidth(m_drag.index, index);
}

void CFStatic::XoverDragStep(QPoint p) {
    const CFilter& f = *m_drag.filter;
    const int w = m_plot.width();
    const int x = std::min(m_drag.startPixel.x() + p.x() - m_drag.press.x(), w);
    // Far left is 20 Hz: the high-pass filter's off position, a flat curve.
    const int freq = x == m_drag.startPixel.x() ? m_drag.startFreq : (x < 1 ? kMinFreq : FreqOfGraphX(x, w));
    if (freq != f.GetFreq())
        SetXoverFreq(m_drag.index, freq);
}

void CFStatic::EndDrag() {
    if (CFilter* f = m_drag.filter) {
        f->SetDragHandle(0);
        f->SetDragBwLow(0);
        f->SetDragBwHigh(0);
        f->SetHoverHandle(0);
        f->SetHoverBwLow(0);
        f->SetHoverBwHigh(0);
    }
    m_drag = {};
    m_hover = 0;
}

void CFStatic::Select(int index) {
    if (index < 0 || index >= kFilters)
        return;
    if (m_drag.part == Part::None || m_drag.index == index)
        SetActive(FilterAt(index));
    if (m_highlight == index)
        return;
    m_highlight = index;
    emit selectionChanged(index);
}

// ---- Edits through the editor --------------------------------------------------------------------------

void CFStatic::MoveBand(int band, int freq, int code) {
    m_editing = true;
    m_editor->MoveBand(m_channelIndex, band, freq, code);
    m_editing = false;
    Moved(band);
}

void CFStatic::SetBandwidth(int band, int index) {
    m_editing = true;
    m_editor->SetBandBandwidth(m_channelIndex, band, index);
    m_editing = false;
    Moved(band);
}

void CFStatic::SetXoverFreq(int index, int freq) {
    const int before = FilterAt(index)->GetFreq();
    m_editing = true;
    // The editor holds the low-pass corner at or above the high-pass one, so a handle pushed against its
    // partner stays there.
    const int set = m_editor->SetXoverFreq(m_channelIndex,
                                           index == kHighPassPoint ? Xover::HighPass : Xover::LowPass, freq);
    m_editing = false;
    if (set != before)
        Moved(index);
}

void CFStatic::Moved(int index) {
    m_moved = 1;
    m_movedPoint = index;
    if (m_notifyIdle) {
        m_notifyIdle = false;
        m_notifyTimer->Start(kNotifyPeriodMs);
    }
}

// One notification per period while changes come; the timer rests once a period passed without one.
void CFStatic::OnNotifyTimer() {
    if (!m_moved) {
        m_notifyTimer->Stop();
        m_notifyIdle = true;
        return;
    }
    m_moved = 0;
    if (m_owner != nullptr)
        QCoreApplication::postEvent(
            m_owner, new CQtNotifier::MessageEvent(UM_GRAPH_POINT_MOVED, m_movedPoint, m_sourceId));
    emit pointMoved(m_movedPoint, m_sourceId);
}

void CFStatic::OnChannelChanged(int channel) {
    if (m_editing)
        return; // the graph's own edit refreshes once it is done
    if (channel == m_channelIndex || ChannelShown(channel))
        Refresh();
}

// ---- Keys ----------------------------------------------------------------------------------------------

bool CFStatic::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            // Past the last filter (or before the first) the focus moves on, so the keys never trap it.
            const int next =
                SelectedIndex() < 0 ? (back ? kFilters - 1 : 0) : SelectedIndex() + (back ? -1 : 1);
            if (m_filters != nullptr && next >= 0 && next < kFilters) {
                Select(next);
                Refresh();
                return true;
            }
        }
    } else if (event->type() == QEvent::FocusIn) {
        Refresh(); // the focus frame
    } else if (event->type() == QEvent::FocusOut) {
        Refresh();
    }
    return QWidget::event(event);
}

void CFStatic::keyPressEvent(QKeyEvent* event) {
    const int index = SelectedIndex();
    if (m_editor == nullptr || index < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int factor = (event->modifiers() & Qt::ShiftModifier) ? kShiftKeyFactor : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        StepFreqKey(index, -factor);
        break;
    case Qt::Key_Right:
        StepFreqKey(index, factor);
        break;
    case Qt::Key_Up:
        StepGainKey(index, factor);
        break;
    case Qt::Key_Down:
        StepGainKey(index, -factor);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    Refresh();
}

void CFStatic::StepFreqKey(int index, int steps) {
    const CFilter* f = FilterAt(index);
    if (f == nullptr || GraphicMode(*f))
        return;
    const int freq = LimitShelf(f->GetKind(), GridStep(f->GetFreq(), steps));
    if (freq == f->GetFreq())
        return;
    if (f->GetIsEqBand()) {
        m_editing = true;
        m_editor->SetBandFreq(m_channelIndex, index, freq);
        m_editing = false;
        Moved(index);
    } else {
        SetXoverFreq(index, freq);
    }
}

void CFStatic::StepGainKey(int index, int steps) {
    const CFilter* f = FilterAt(index);
    if (f == nullptr || !f->GetIsEqBand())
        return;
    const int code = std::clamp(f->GetGainCode() + steps, 0, kEqGainCodeMax);
    if (code == f->GetGainCode())
        return;
    m_editing = true;
    m_editor->SetBandGain(m_channelIndex, index, code);
    m_editing = false;
    Moved(index);
}

// ---- What is drawn -------------------------------------------------------------------------------------

void CFStatic::Refresh() {
    if (m_filters == nullptr)
        return;
    Scene next = BuildScene();
    if (!m_scene.valid) {
        m_othersStale = true;
        update();
    } else {
        QRegion others;
        for (std::size_t c = 0; c < next.others.size(); ++c)
            others += CurveRegion(m_scene.others[c], next.others[c]);
        m_othersDirty += others;
        if (const QRegion region = Difference(m_scene, next) + others; !region.isEmpty())
            update(region & rect());
    }
    m_scene = std::move(next);
    UpdateAccessibleTexts();
}

CFStatic::Scene CFStatic::BuildScene() {
    Scene s;
    s.valid = true;
    s.focused = hasFocus();
    const int selected = SelectedIndex();
    const int hovered = m_drag.part != Part::None ? m_drag.index : (m_hover ? m_hoverHit.index : -1);
    const Part hoveredPart = m_drag.part != Part::None ? m_drag.part : m_hoverHit.part;

    for (int i = 0; i < kFilters; ++i) {
        const CFilter& f = *FilterAt(i);
        Marker& m = s.markers[static_cast<std::size_t>(i)];
        m.rect = f.HandleRect();
        m.align = NumberAlignment(i);
        if (!f.GetIsEqBand())
            m.look |= kLookCrossover | (XoverOff(f) ? kLookBypassed : 0);
        else if (f.GetEffectiveBypass())
            m.look |= kLookBypassed;
        if (i == selected)
            m.look |= kLookSelected;
        if (i == hovered && hoveredPart == Part::Handle) {
            m.look |= m_drag.part != Part::None ? kLookDragged : kLookHovered;
            m.rect.adjust(-kHoverGrowth, -kHoverGrowth, kHoverGrowth, kHoverGrowth);
            s.hoverMarker = i;
        }
    }

    if (m_active != nullptr && HasBandwidthHandles(*m_active)) {
        s.bandwidthShown = true;
        s.bwLow = m_active->BwLowRect();
        s.bwHigh = m_active->BwHighRect();
        if (m_active == FilterAt(hovered)) {
            s.bwLook = (hoveredPart == Part::BwLow ? kLookBwLowHot : 0) |
                       (hoveredPart == Part::BwHigh ? kLookBwHighHot : 0);
        }
    }

    // The small label of the handle under the pointer or being dragged.
    if (CFilter* f = FilterAt(hovered)) {
        const int language = Language();
        const QString gap = QStringLiteral("   ");
        if (f->GetIsEqBand()) {
            s.tip = QString::number(hovered + 1) + gap + f->FreqText() + gap + f->GainText() + gap +
                    (f->GetKind() == CFilter::Peak ? QStringLiteral("Q ") + f->QText()
                                                   : f->ShelfSlopeText(language));
        } else {
            s.tip = (f->GetKind() == CFilter::HighPass ? QStringLiteral("Hi") : QStringLiteral("Lo")) + gap +
                    f->FreqText() + gap + f->FamilyText(language) + gap + f->CrossoverSlopeText(language);
        }
        const QFontMetrics metrics(LabelFont());
        const QSize size(metrics.horizontalAdvance(s.tip) + 16, metrics.height() + 8);
        const QRect handle = f->HandleRect();
        QPoint topLeft(Centre(handle).x() - size.width() / 2, handle.top() - size.height() - 6);
        if (topLeft.y() < m_plot.top() + 2)
            topLeft.setY(handle.bottom() + 8);
        topLeft.setX(std::clamp(topLeft.x(), m_plot.left() + 2, m_plot.right() - size.width() - 1));
        s.tipRect = QRect(topLeft, size);
    }

    if (CFilter* f = FilterAt(selected)) {
        // A flat response (bypassed band, crossover off) has no area to fill.
        const auto& response = f->Response();
        if (std::any_of(response.begin(), response.end(), [](double db) { return db != 0.0; })) {
            s.fillIndex = selected;
            s.fill = f->Points();
        }
        if (selected != hovered) { // the small label says it all for the hovered handle
            s.label = f->BuildLabel();
            s.labelRect = f->LabelRect();
            // Towards the handle: the rectangle reaches far to its right, or is pulled left at the edge.
            const bool handleLeft = Centre(f->HandleRect()).x() < s.labelRect.center().x();
            s.labelAlign = Qt::AlignVCenter | (handleLeft ? Qt::AlignLeft : Qt::AlignRight);
        }
    }

    for (int c = 0; c < Layout::kChannels; ++c) {
        Curve& curve = s.others[static_cast<std::size_t>(c)];
        curve.shown = c != m_channelIndex && m_shown[static_cast<std::size_t>(c)];
        if (curve.shown) {
            curve.colour = OtherCurveColour();
            curve.points = m_model->Channel(c).Filters().SumPointsF();
        }
    }
    s.current.shown = true;
    s.current.colour = CurrentCurveColour(m_channel->GetColour());
    s.current.points = m_filters->SumPointsF();

    const int height = m_plot.height();
    for (int c = 0; c < Layout::kChannels; ++c) {
        Overlay& o = s.overlays[static_cast<std::size_t>(c)];
        o.shown = OverlayDrawn(c);
        if (!o.shown)
            continue;
        const CMeasuredResponse& m = *m_measurements[static_cast<std::size_t>(c)];
        const CKTVEQ& filters = m_model->Channel(c).Filters();
        o.first = m.FirstGridIndex();
        o.last = m.LastGridIndex();
        o.measuredColour = MeasuredColour();
        o.predictedColour = CurrentCurveColour(m_model->Channel(c).GetColour()).lighter(kPredictedLighter);
        o.db.shown = true;
        o.db.measuredDb = m.Curve();
        o.db.predictedDb = m.Predicted(filters.SumDb());
        const auto& measured = o.db.measuredDb;
        const auto& predicted = o.db.predictedDb;
        const auto& xs = filters.SumPointsF();
        for (int i = 0; i < kGridPoints; ++i) {
            const auto at = static_cast<std::size_t>(std::clamp(i, o.first, o.last));
            const double x = xs[at].x();
            o.measured[static_cast<std::size_t>(i)] =
                QPointF(x, GraphYOfGainF(measured[at], height) + kPlotTop);
            o.predicted[static_cast<std::size_t>(i)] =
                QPointF(x, GraphYOfGainF(predicted[at], height) + kPlotTop);
        }
    }
    const Overlay* legendOf = nullptr;
    for (int c = 0; c < Layout::kChannels && legendOf == nullptr; ++c)
        if (s.overlays[static_cast<std::size_t>(c)].shown)
            legendOf = &s.overlays[static_cast<std::size_t>(c)];
    if (s.overlays[static_cast<std::size_t>(m_channelIndex)].shown)
        legendOf = &s.overlays[static_cast<std::size_t>(m_channelIndex)];
    if (legendOf != nullptr) {
        const int language = Language();
        s.legendMeasured = kTextMeasured.In(language);
        s.legendPredicted = kTextPredicted.In(language);
        s.legendPredictedColour = legendOf->predictedColour;
        const QFontMetrics metrics(LabelFont());
        const int width = 2 * (kLegendLine + kLegendGap) + metrics.horizontalAdvance(s.legendMeasured) +
                          3 * kLegendGap + metrics.horizontalAdvance(s.legendPredicted) + 2 * kLegendPad;
        s.legendRect = QRect(m_plot.left() + 30, m_plot.top() + 4, width, metrics.height() + kLegendPad);
    }
    return s;
}

// Where a measurement is drawn differently: like a curve, over both of its lines.
QRegion CFStatic::OverlayRegion(const Overlay& before, const Overlay& after) {
    constexpr int kGrow = kPredictedPen + 2;
    QRegion r;
    const auto all = [&r](const Overlay& o) {
        r += Grown(Bounds(o.measured, 0, kGridPoints - 1), kGrow);
        r += Grown(Bounds(o.predicted, 0, kGridPoints - 1), kGrow);
    };
    if (before.shown != after.shown || before.first != after.first || before.last != after.last ||
        before.measuredColour != after.measuredColour || before.predictedColour != after.predictedColour) {
        if (before.shown)
            all(before);
        if (after.shown)
            all(after);
    } else if (before.shown) {
        for (const auto member : {&Overlay::measured, &Overlay::predicted}) {
            if (const auto span = ChangedSpan(before.*member, after.*member))
                r += Grown(Bounds(before.*member, span->first, span->second)
                               .united(Bounds(after.*member, span->first, span->second)),
                           kGrow);
        }
    }
    return r;
}

// Where a curve is drawn differently: all of it when it appears, disappears or changes colour, else the
// stretch whose points moved.
QRegion CFStatic::CurveRegion(const Curve& before, const Curve& after) {
    constexpr int kGrow = kGlowPen / 2 + 2;
    QRegion r;
    if (before.shown != after.shown || before.colour != after.colour) {
        if (before.shown)
            r += Grown(Bounds(before.points, 0, kGridPoints - 1), kGrow);
        if (after.shown)
            r += Grown(Bounds(after.points, 0, kGridPoints - 1), kGrow);
    } else if (before.shown) {
        if (const auto span = ChangedSpan(before.points, after.points))
            r += Grown(Bounds(before.points, span->first, span->second)
                           .united(Bounds(after.points, span->first, span->second)),
                       kGrow);
    }
    return r;
}

// The region where the two scenes draw differently: handles, labels, the selected filter's own curve and
// the stretch of the current channel's curve that moved, each before and after.
QRegion CFStatic::Difference(const Scene& a, const Scene& b) const {
    if (a.focused != b.focused)
        return QRegion(rect());
    QRegion r;
    const auto add = [&r](const QRect& area, int grow) {
        if (!area.isEmpty())
            r += area.adjusted(-grow, -grow, grow, grow);
    };
    constexpr int kMarkerGrow = 2;
    for (std::size_t i = 0; i < a.markers.size(); ++i) {
        const Marker& before = a.markers[i];
        const Marker& after = b.markers[i];
        if (before.rect != after.rect || before.look != after.look || before.align != after.align) {
            add(before.rect, kMarkerGrow);
            add(after.rect, kMarkerGrow);
        }
    }
    if (a.hoverMarker != b.hoverMarker) { // the one on top changed
        for (int i : {a.hoverMarker, b.hoverMarker}) {
            if (i >= 0) {
                add(a.markers[static_cast<std::size_t>(i)].rect, kMarkerGrow);
                add(b.markers[static_cast<std::size_t>(i)].rect, kMarkerGrow);
            }
        }
    }
    if (a.bandwidthShown != b.bandwidthShown || a.bwLow != b.bwLow || a.bwHigh != b.bwHigh ||
        a.bwLook != b.bwLook) {
        if (a.bandwidthShown)
            add(a.bwLow.united(a.bwHigh), kMarkerGrow);
        if (b.bandwidthShown)
            add(b.bwLow.united(b.bwHigh), kMarkerGrow);
    }
    if (a.labelRect != b.labelRect || a.label != b.label || a.labelAlign != b.labelAlign) {
        add(a.labelRect, 1);
        add(b.labelRect, 1);
    }
    if (a.tipRect != b.tipRect || a.tip != b.tip) {
        add(a.tipRect, 1);
        add(b.tipRect, 1);
    }

    constexpr int kCurveGrow = kGlowPen / 2 + 2;
    const auto fillBounds = [](const Scene& s, std::size_t first, std::size_t last) {
        const QRectF bounds = Bounds(s.fill, first, last);
        const double baseline = s.fill.front().y();
        return bounds.united(QRectF(bounds.left(), baseline, bounds.width(), 0.0));
    };
    if (a.fillIndex != b.fillIndex) {
        if (a.fillIndex >= 0)
            add(Grown(fillBounds(a, 0, a.fill.size() - 1), kCurveGrow), 0);
        if (b.fillIndex >= 0)
            add(Grown(fillBounds(b, 0, b.fill.size() - 1), kCurveGrow), 0);
    } else if (a.fillIndex >= 0) {
        if (const auto span = ChangedSpan(a.fill, b.fill))
            add(Grown(
                    fillBounds(a, span->first, span->second).united(fillBounds(b, span->first, span->second)),
                    kCurveGrow),
                0);
    }

    r += CurveRegion(a.current, b.current); // the other channels' curves are Refresh's business
    for (std::size_t c = 0; c < a.overlays.size(); ++c)
        r += OverlayRegion(a.overlays[c], b.overlays[c]);
    if (a.legendRect != b.legendRect || a.legendMeasured != b.legendMeasured ||
        a.legendPredicted != b.legendPredicted || a.legendPredictedColour != b.legendPredictedColour) {
        add(a.legendRect, 1);
        add(b.legendRect, 1);
    }
    return r;
}

void CFStatic::UpdateAccessibleTexts() {
    const QString name = AccessibleNameText();
    if (accessibleName() != name)
        setAccessibleName(name);
    const QString description = SelectionText();
    if (description != m_describedSelection) {
        m_describedSelection = description;
        setAccessibleDescription(description);
    }
}

// ---- Painting ------------------------------------------------------------------------------------------

namespace {

// A curve as separate segments (Qt strokes a joined polyline several times slower), and only those that
// reach into the rectangle being painted: the points run from left to right.
void DrawCurve(QPainter& p, const std::array<QPointF, kGridPoints>& points, const QColor& colour, int width,
               Qt::PenCapStyle cap, const QRect& dirty) {
    const double left = dirty.left() - width;
    const double right = dirty.right() + 1 + width;
    const auto byX = [](const QPointF& point, double x) { return point.x() < x; };
    const auto from = std::lower_bound(points.begin(), points.end(), left, byX);
    const auto to = std::lower_bound(from, points.end(), right, byX);
    const std::size_t first =
        from == points.begin() ? 0 : static_cast<std::size_t>(from - points.begin()) - 1;
    const std::size_t last = std::min(static_cast<std::size_t>(to - points.begin()), points.size() - 1);
    std::array<QLineF, kGridPoints - 1> lines;
    int n = 0;
    for (std::size_t i = first; i < last; ++i)
        lines[static_cast<std::size_t>(n++)] = QLineF(points[i], points[i + 1]);
    QPen pen(colour, width);
    pen.setCapStyle(cap);
    p.setPen(pen);
    p.drawLines(lines.data(), n);
}

// Our own mark, faint behind the curves: the product name, spaced out, between two hairlines.
void DrawWatermark(QPainter& p, const QRect& plot) {
    QFont font = GraphFont(std::max(12, plot.height() / 7));
    font.setWeight(QFont::Light);
    font.setLetterSpacing(QFont::PercentageSpacing, 130);
    const QString name = QStringLiteral("SELVANO");
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(name);
    const QPoint centre(plot.center().x(), plot.top() + plot.height() * 3 / 10);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255, 14));
    p.drawText(
        QRect(centre.x() - width / 2 - 20, centre.y() - metrics.height() / 2, width + 40, metrics.height()),
        Qt::AlignCenter, name);

    // A hairline on either side, like a maker's mark.
    p.setPen(QPen(QColor(255, 255, 255, 12), 1));
    constexpr int kLine = 36;
    constexpr int kGap = 14;
    const double y = centre.y() + 0.5;
    p.drawLine(QLineF(centre.x() - width / 2.0 - kGap - kLine, y, centre.x() - width / 2.0 - kGap, y));
    p.drawLine(QLineF(centre.x() + width / 2.0 + kGap, y, centre.x() + width / 2.0 + kGap + kLine, y));
}

} // namespace

void CFStatic::BuildLayers() {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = size() * dpr;
    const int w = m_plot.width();
    const int h = m_plot.height();

    m_backLayer = QPixmap(pixels);
    m_backLayer.setDevicePixelRatio(dpr);
    const QWidget* parent = parentWidget();
    m_backLayer.fill(parent != nullptr ? parent->palette().color(parent->backgroundRole()) : Background());
    {
        QPainter p(&m_backLayer);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Background());
        p.drawRoundedRect(QRectF(rect()), 4.0, 4.0);
        if (w > 0 && h > 0) {
            DrawWatermark(p, m_plot);
            p.setFont(AxisFont());
            p.setPen(LabelColour());
            const int textHeight = QFontMetrics(AxisFont()).height();
            for (const AxisLabel& label : kGainLabels) {
                const int y = m_plot.top() + GraphYOfGain(label.value, h);
                const int top = std::clamp(y - textHeight / 2, 0, height() - textHeight);
                p.drawText(QRect(0, top, kPlotLeft - 6, textHeight), Qt::AlignRight | Qt::AlignVCenter,
                           QString::fromLatin1(label.text));
            }
            for (const AxisLabel& label : kFreqLabels) {
                const int x = GraphXOfFreq(label.value, w) + kPlotLeft;
                constexpr int kHalf = 20;
                const int left = std::clamp(x - kHalf, 0, width() - 2 * kHalf);
                p.drawText(QRect(left, m_plot.bottom() + 3, 2 * kHalf, kPlotBottom - 4), Qt::AlignCenter,
                           QString::fromLatin1(label.text));
            }
        }
    }

    m_gridLayer = QPixmap(pixels);
    m_gridLayer.setDevicePixelRatio(dpr);
    m_gridLayer.fill(Qt::transparent);
    if (w > 0 && h > 0) {
        QPainter p(&m_gridLayer);
        QPen pen(GridColour(), 1, Qt::CustomDashLine);
        pen.setDashPattern({1.0, 2.0});
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        const int top = m_plot.top();
        const int bottom = m_plot.bottom();
        for (std::size_t i = 1; i < m_gridX.size(); ++i)
            p.drawLine(QLineF(m_gridX[i] + 0.5, top, m_gridX[i] + 0.5, bottom + 1));
        for (int k = 1; k < 8; ++k) {
            const double y = top + GraphYOfGain(20.0 - 5.0 * k, h) + 0.5;
            p.drawLine(QLineF(m_plot.left(), y, m_plot.right() + 1, y));
        }
        p.drawRect(QRectF(m_plot).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    m_markerCache.clear();
    m_layersStale = false;
}

// The other channels' curves change only when one of those channels is edited, not while the current
// channel's handles are dragged: they are drawn into a layer of their own.
void CFStatic::BuildOthersLayer() {
    QRect area = rect();
    if (m_othersStale || m_othersLayer.size() != size() * devicePixelRatioF()) {
        const qreal dpr = devicePixelRatioF();
        m_othersLayer = QPixmap(size() * dpr);
        m_othersLayer.setDevicePixelRatio(dpr);
        m_othersLayer.fill(Qt::transparent);
    } else {
        area = m_othersDirty.boundingRect() & rect(); // only where one of them moved
    }
    QPainter p(&m_othersLayer);
    p.setClipRect(area & m_plot);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(area, Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setRenderHint(QPainter::Antialiasing);
    for (const Curve& curve : m_scene.others)
        if (curve.shown)
            DrawCurve(p, curve.points, curve.colour, kCurvePen, Qt::SquareCap, area);
    m_othersStale = false;
    m_othersDirty = QRegion();
}

// Handles are drawn once per look into small pixmaps and blitted: 33 of them with their numbers would
// otherwise be a good part of every frame.
void CFStatic::DrawMarker(QPainter& p, int index, const Marker& marker) const {
    const ChannelColour c = m_channel->GetColour();
    const QRect& r = marker.rect;
    const quint64 key = static_cast<quint64>(index) | static_cast<quint64>(marker.look) << 6 |
                        static_cast<quint64>(marker.align.toInt() & Qt::AlignHorizontal_Mask) << 13 |
                        static_cast<quint64>(r.width() & 0xFF) << 22 |
                        static_cast<quint64>(r.height() & 0xFF) << 30 | static_cast<quint64>(c.red) << 38 |
                        static_cast<quint64>(c.green) << 46 | static_cast<quint64>(c.blue) << 54;
    auto cached = m_markerCache.constFind(key);
    if (cached == m_markerCache.constEnd()) {
        const qreal dpr = devicePixelRatioF();
        QPixmap pixmap(QSize(r.width() + 2 * kMarkerMargin, r.height() + 2 * kMarkerMargin) * dpr);
        pixmap.setDevicePixelRatio(dpr);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        Marker local = marker;
        local.rect.moveTo(kMarkerMargin, kMarkerMargin);
        RenderMarker(painter, index, local, QColor(c.red, c.green, c.blue));
        painter.end();
        cached = m_markerCache.insert(key, pixmap);
    }
    p.drawPixmap(r.topLeft() - QPoint(kMarkerMargin, kMarkerMargin), *cached);
}

void CFStatic::RenderMarker(QPainter& p, int index, const Marker& marker, const QColor& channel) const {
    const bool bypassed = marker.look & kLookBypassed;
    const bool hot = marker.look & (kLookHovered | kLookDragged);
    const bool selected = marker.look & kLookSelected;
    const QRectF r = QRectF(marker.rect).adjusted(0.75, 0.75, -0.75, -0.75);

    // A band in use is tinted with the channel's colour; a bypassed one stays quiet on the 0 dB line.
    QColor fill = bypassed ? QColor(36, 36, 40)
                           : QColor(channel.red() * 2 / 5 + 17, channel.green() * 2 / 5 + 17,
                                    channel.blue() * 2 / 5 + 18);
    if (hot)
        fill = fill.lighter(150);
    QColor ring = bypassed ? QColor(74, 74, 78) : channel;
    double ringWidth = 1.5;
    if (selected) {
        ring = Qt::white;
        ringWidth = 2.0;
    }
    p.setPen(QPen(ring, ringWidth));
    p.setBrush(fill);
    if (marker.look & kLookCrossover)
        p.drawRoundedRect(r, 3.0, 3.0);
    else
        p.drawEllipse(r);

    p.setFont(NumberFont());
    p.setPen(bypassed && !hot && !selected ? QColor(138, 138, 142) : QColor(Qt::white));
    const QString text = index == kHighPassPoint  ? QStringLiteral("Hi")
                         : index == kLowPassPoint ? QStringLiteral("Lo")
                                                  : QString::number(index + 1);
    p.drawText(QRectF(marker.rect).adjusted(2, 0, -2, 0), static_cast<int>(marker.align) | Qt::TextDontClip,
               text);
}

// The measured line thin and solid, the prediction dashed: one polyline each, so that the dashes run on
// across the grid points (a point every 2 to 3 pixels would restart the pattern on every segment).
void CFStatic::DrawOverlay(QPainter& p, const Overlay& o) const {
    const auto count = o.last - o.first + 1;
    QPen measured(o.measuredColour, kMeasuredPen);
    measured.setCapStyle(Qt::FlatCap);
    p.setPen(measured);
    p.drawPolyline(o.measured.data() + o.first, count);
    QPen predicted(o.predictedColour, kPredictedPen);
    predicted.setDashPattern({4.0, 2.5});
    predicted.setCapStyle(Qt::FlatCap);
    p.setPen(predicted);
    p.drawPolyline(o.predicted.data() + o.first, count);
}

void CFStatic::DrawLegend(QPainter& p, const Scene& s) const {
    p.setPen(QPen(GridColour(), 1));
    p.setBrush(TipBackground());
    p.drawRoundedRect(QRectF(s.legendRect).adjusted(0.5, 0.5, -0.5, -0.5), 4.0, 4.0);
    p.setFont(LabelFont());
    const QFontMetrics metrics(LabelFont());
    const double y = s.legendRect.center().y() + 0.5;
    int x = s.legendRect.left() + kLegendPad;
    QPen measured(MeasuredColour(), kMeasuredPen);
    measured.setCapStyle(Qt::FlatCap);
    p.setPen(measured);
    p.drawLine(QPointF(x, y), QPointF(x + kLegendLine, y));
    x += kLegendLine + kLegendGap;
    const QRect text(x, s.legendRect.top(), metrics.horizontalAdvance(s.legendMeasured),
                     s.legendRect.height());
    p.setPen(TipText());
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, s.legendMeasured);
    x = text.right() + 1 + 3 * kLegendGap;
    QPen predicted(s.legendPredictedColour, kPredictedPen);
    predicted.setDashPattern({4.0, 2.5});
    predicted.setCapStyle(Qt::FlatCap);
    p.setPen(predicted);
    p.drawLine(QPointF(x, y), QPointF(x + kLegendLine, y));
    x += kLegendLine + kLegendGap;
    p.setPen(TipText());
    p.drawText(QRect(x, s.legendRect.top(), s.legendRect.right() - x, s.legendRect.height()),
               Qt::AlignVCenter | Qt::AlignLeft, s.legendPredicted);
}

void CFStatic::paintEvent(QPaintEvent* event) {
    if (m_layersStale)
        BuildLayers();
    QPainter p(this);
    const QRect dirty = event->rect();
    const qreal dpr = m_backLayer.devicePixelRatio();
    const QRectF source(dirty.x() * dpr, dirty.y() * dpr, dirty.width() * dpr, dirty.height() * dpr);
    p.drawPixmap(QRectF(dirty), m_backLayer, source);
    if (!m_scene.valid || m_filters == nullptr) {
        p.drawPixmap(QRectF(dirty), m_gridLayer, source);
        return;
    }
    const Scene& s = m_scene;
    p.setRenderHint(QPainter::Antialiasing);

    // Curves stay inside the plot.
    p.save();
    p.setClipRect(m_plot);
    if (s.fillIndex >= 0) {
        p.setPen(QPen(FillColour(), 1));
        p.setBrush(FillColour());
        p.drawPolygon(s.fill.data(), static_cast<int>(s.fill.size()));
    }
    p.drawPixmap(QRectF(dirty), m_gridLayer, source);
    p.setBrush(Qt::NoBrush);
    if (m_othersStale || !m_othersDirty.isEmpty())
        BuildOthersLayer();
    p.drawPixmap(QRectF(dirty), m_othersLayer, source);
    for (const Overlay& overlay : s.overlays)
        if (overlay.shown)
            DrawOverlay(p, overlay);
    QColor glow = s.current.colour;
    glow.setAlpha(kGlowAlpha);
    DrawCurve(p, s.current.points, glow, kGlowPen, Qt::FlatCap, dirty);
    DrawCurve(p, s.current.points, s.current.colour, kCurvePen, Qt::SquareCap, dirty);
    if (!s.legendRect.isEmpty() && dirty.intersects(s.legendRect))
        DrawLegend(p, s);
    p.restore();

    // Handles from the last filter to the first, the hovered one on top.
    for (int i = kFilters - 1; i >= 0; --i) {
        const Marker& marker = s.markers[static_cast<std::size_t>(i)];
        if (i != s.hoverMarker && dirty.intersects(marker.rect.adjusted(-2, -2, 2, 2)))
            DrawMarker(p, i, marker);
    }
    if (s.hoverMarker >= 0)
        DrawMarker(p, s.hoverMarker, s.markers[static_cast<std::size_t>(s.hoverMarker)]);

    if (s.bandwidthShown) {
        const QPointF low = QRectF(s.bwLow).center();
        const QPointF high = QRectF(s.bwHigh).center();
        p.setPen(QPen(QColor(100, 100, 100, 110), 1, Qt::DotLine));
        p.drawLine(low, high);
        for (const auto& [box, hotBit] :
             {std::pair{s.bwLow, kLookBwLowHot}, std::pair{s.bwHigh, kLookBwHighHot}}) {
            const QColor colour =
                (s.bwLook & hotBit) ? BandwidthHandleColour().lighter(150) : BandwidthHandleColour();
            p.setPen(QPen(colour, 1));
            p.setBrush(colour);
            p.drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
        }
    }

    if (!s.label.isEmpty()) {
        p.setFont(LabelFont());
        p.setPen(QColor(196, 196, 200));
        p.drawText(s.labelRect, static_cast<int>(s.labelAlign), s.label);
    }
    if (!s.tip.isEmpty()) {
        p.setPen(QPen(GridColour(), 1));
        p.setBrush(TipBackground());
        p.drawRoundedRect(QRectF(s.tipRect).adjusted(0.5, 0.5, -0.5, -0.5), 4.0, 4.0);
        p.setFont(LabelFont());
        p.setPen(TipText());
        p.drawText(s.tipRect, Qt::AlignCenter, s.tip);
    }
    if (s.focused) {
        p.setPen(QPen(QColor(AccentColour().red(), AccentColour().green(), AccentColour().blue(), 150), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4.0, 4.0);
    }
}
