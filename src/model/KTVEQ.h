// The filter set of one channel or carried record: its EQ bands, then the high-pass and the low-pass filter,
// and the summed response curve that the graph draws.
#pragma once

#include "base/DataDefine.h"
#include "response/Filter.h"

#include <QPoint>
#include <QPointF>
#include <QRect>

#include <array>
#include <atomic>
#include <memory>
#include <span>
#include <vector>

class CKTVEQ {
public:
    // An output channel's set: 31 bands at the ISO third-octave centres, high-pass at 20 Hz, low-pass at
    // 20000 Hz. rangeProfile is the crossover drag profile of the owning channel (7, 8 or 9).
    explicit CKTVEQ(int rangeProfile);
    // A carried record's set: one band per frequency (nine or three), then high-pass and low-pass.
    CKTVEQ(std::span<const int> bandFreqs, int rangeProfile);
    CKTVEQ(const CKTVEQ&) = delete;
    CKTVEQ& operator=(const CKTVEQ&) = delete;

    int Count() const { return static_cast<int>(m_filters.size()); } // bands + 2
    int BandCount() const { return Count() - 2; }
    // Filter i of the set: bands first, then high-pass (Count() - 2) and low-pass (Count() - 1).
    CFilter& Filter(int i) { return *m_filters[static_cast<std::size_t>(i)]; }
    const CFilter& Filter(int i) const { return *m_filters[static_cast<std::size_t>(i)]; }
    CFilter& Band(int k) { return Filter(k); }
    const CFilter& Band(int k) const { return Filter(k); }
    CFilter& HighPass();
    const CFilter& HighPass() const;
    CFilter& LowPass();
    const CFilter& LowPass() const;

    void SetGraphSize(const QRect& plot); // every filter, and the x positions of the curve
    void SetConnectedFlag(const std::atomic<int>* connected);

    // Channel sum: per grid point the sum of every filter's response in dB, kept as dB values and as graph
    // positions (window coordinates) for drawing.
    void CalcSum();
    // The same positions from one filter alone.
    void CalcSingle(const CFilter& filter);

    const std::array<double, kGridPoints>& SumDb() const { return m_sumDb; }
    const std::array<QPoint, kGridPoints>& SumPoints() const { return m_sumPoints; }
    const std::array<QPointF, kGridPoints>& SumPointsF() const { return m_sumPointsF; }

private:
    void AddCrossovers(int rangeProfile);
    void UpdateXs(); // x positions depend on the graph width only
    void FillPositions();

    std::vector<std::unique_ptr<CFilter>> m_filters; // stable addresses: the graph keeps CFilter pointers
    int m_graphWidth = 0;
    int m_graphHeight = 0;
    std::array<int, kGridPoints> m_gridX{};
    std::array<double, kGridPoints> m_gridXF{};
    std::array<double, kGridPoints> m_sumDb{};
    std::array<QPoint, kGridPoints> m_sumPoints{};
    std::array<QPointF, kGridPoints> m_sumPointsF{};
};
