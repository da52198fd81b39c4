// The filter set of one channel or carried record: its EQ bands, then the high-pass and the low-pass filter,
// and the summed response curve that the graph draws.
#include "model/KTVEQ.h"

#include <cassert>

namespace {
constexpr int kPlotLeft = 35; // the plot's offset inside the graph window
constexpr int kPlotTop = 10;
} // namespace

CKTVEQ::CKTVEQ(int rangeProfile) : CKTVEQ(std::span<const int>(kIsoThirdOctave), rangeProfile) {}

CKTVEQ::CKTVEQ(std::span<const int> bandFreqs, int rangeProfile) {
    m_filters.reserve(bandFreqs.size() + 2);
    int index = 0;
    for (const int freq : bandFreqs) {
        auto band = std::make_unique<CFilter>();
        band->SetFreq(freq, 1);
        band->SetIndex(index++);
        m_filters.push_back(std::move(band));
    }
    AddCrossovers(rangeProfile);
    UpdateXs();
    FillPositions();
}

void CKTVEQ::AddCrossovers(int rangeProfile) {
    struct Crossover {
        int kind;
        int freq; // the filter's off position
    };
    static constexpr std::array<Crossover, 2> kCrossovers{
        {{CFilter::HighPass, 20}, {CFilter::LowPass, 20000}}};
    for (const Crossover& c : kCrossovers) {
        auto filter = std::make_unique<CFilter>();
        filter->SetKind(c.kind);
        filter->SetIsEqBand(0);
        filter->SetFreq(c.freq, 0);
        filter->SetIndex(CFilter::kCrossoverIndex);
        filter->SetRangeProfile(rangeProfile);
        m_filters.push_back(std::move(filter));
    }
}

CFilter& CKTVEQ::HighPass() {
    CFilter& f = Filter(Count() - 2);
    assert(f.GetKind() == CFilter::HighPass);
    return f;
}

const CFilter& CKTVEQ::HighPass() const {
    const CFilter& f = Filter(Count() - 2);
    assert(f.GetKind() == CFilter::HighPass);
    return f;
}

CFilter& CKTVEQ::LowPass() {
    CFilter& f = Filter(Count() - 1);
    assert(f.GetKind() == CFilter::LowPass);
    return f;
}

const CFilter& CKTVEQ::LowPass() const {
    const CFilter& f = Filter(Count() - 1);
    assert(f.GetKind() == CFilter::LowPass);
    return f;
}

void CKTVEQ::SetGraphSize(const QRect& plot) {
    m_graphWidth = plot.width();
    m_graphHeight = plot.height();
    for (auto& f : m_filters) {
        f->SetGraphSize(plot);
    }
    UpdateXs();
    FillPositions();
}

void CKTVEQ::SetConnectedFlag(const std::atomic<int>* connected) {
    for (auto& f : m_filters) {
        f->SetConnectedFlag(connected);
    }
}

void CKTVEQ::CalcSum() {
    // Each point adds the filters in their order, so the sums stay exactly those of a plain loop. A local
    // array (the compiler cannot tell a member from the responses it adds and would store every partial
    // sum) and two filters per pass keep the loads and stores of the running sums down.
    std::array<double, kGridPoints> sum{};
    const std::size_t n = m_filters.size();
    std::size_t k = 0;
    for (; k + 1 < n; k += 2) {
        const auto& a = m_filters[k]->Response();
        const auto& b = m_filters[k + 1]->Response();
        for (std::size_t i = 0; i < kGridPoints; ++i) {
            sum[i] = (sum[i] + a[i]) + b[i];
        }
    }
    for (; k < n; ++k) {
        const auto& a = m_filters[k]->Response();
        for (std::size_t i = 0; i < kGridPoints; ++i) {
            sum[i] += a[i];
        }
    }
    m_sumDb = sum;
    FillPositions();
}

void CKTVEQ::CalcSingle(const CFilter& filter) {
    m_sumDb = filter.Response();
    FillPositions();
}

void CKTVEQ::UpdateXs() {
    for (std::size_t i = 0; i < g_freqGrid.size(); ++i) {
        m_gridX[i] = GraphXOfFreq(g_freqGrid[i], m_graphWidth) + kPlotLeft;
        m_gridXF[i] = GraphXOfFreqF(g_freqGrid[i], m_graphWidth) + kPlotLeft;
    }
}

void CKTVEQ::FillPositions() {
    for (std::size_t i = 0; i < m_sumDb.size(); ++i) {
        const double db = m_sumDb[i];
        m_sumPoints[i] = QPoint(m_gridX[i], GraphYOfGain(db, m_graphHeight) + kPlotTop);
        m_sumPointsF[i] = QPointF(m_gridXF[i], GraphYOfGainF(db, m_graphHeight) + kPlotTop);
    }
}
