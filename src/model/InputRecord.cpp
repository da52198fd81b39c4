// An input record carried in the parameter image (no editor here): nine bands, crossovers, levels, name.
#include "model/InputRecord.h"

#include "base/DataDefine.h"
#include "model/FilterRecord.h"

using namespace InputRecordLayout;

namespace {
constexpr int kNoDragProfile = 0; // the graph never shows these filters
}

CInputRecord::CInputRecord(std::size_t imageOffset)
    : m_imageOffset(imageOffset), m_filters(kNineBandFreqs, kNoDragProfile) {
    // The outer bands are 6 dB/octave shelves, the others peaks.
    m_filters.Band(0).SetSlope(0, 0);
    m_filters.Band(0).SetKind(CFilter::LowShelf);
    m_filters.Band(kBands - 1).SetSlope(0, 0);
    m_filters.Band(kBands - 1).SetKind(CFilter::HighShelf);
}

void CInputRecord::Collect(ParamImage& image) const {
    std::uint8_t* region = image.Bytes() + m_imageOffset;
    for (int k = 0; k < kBands; ++k)
        FilterRecord::WriteBand(region + Layout::kSliceSize * static_cast<std::size_t>(k),
                                FilterRecord::Encode(m_filters.Band(k)));
    WriteFieldCut(region + kName, kNameSize, m_name);
    std::copy(m_switches.begin(), m_switches.end(), region + kSwitches);
    WriteU16(region + kLevel, m_level);
    WriteU16(region + kInputGain, m_inputGain);
    FilterRecord::WriteXover(region + kHighPass, FilterRecord::EncodeXover(m_filters.HighPass()));
    FilterRecord::WriteXover(region + kLowPass, FilterRecord::EncodeXover(m_filters.LowPass()));
    region[kDynamicsA] = m_dynamicsA;
    WriteU16(region + kDynamicsB, m_dynamicsB);
    region[kDynamicsC] = m_dynamicsC;
    region[kDynamicsD] = m_dynamicsD;
}

void CInputRecord::Apply(const ParamImage& image) {
    const std::uint8_t* region = image.Bytes() + m_imageOffset;
    for (int k = 0; k < kBands; ++k)
        FilterRecord::Apply(
            m_filters.Band(k),
            FilterRecord::ReadBand(region + Layout::kSliceSize * static_cast<std::size_t>(k)));
    m_name = ReadFieldFull(region + kName, kNameSize);
    std::copy(region + kSwitches, region + kSwitches + kSwitchCount, m_switches.begin());
    m_level = ReadU16(region + kLevel);
    m_inputGain = ReadU16(region + kInputGain);
    FilterRecord::ApplyXover(m_filters.HighPass(), FilterRecord::ReadXover(region + kHighPass));
    FilterRecord::ApplyXover(m_filters.LowPass(), FilterRecord::ReadXover(region + kLowPass));
    m_dynamicsA = region[kDynamicsA];
    m_dynamicsB = ReadU16(region + kDynamicsB);
    m_dynamicsC = region[kDynamicsC];
    m_dynamicsD = region[kDynamicsD];
}

void CInputRecord::ClearPending(int value) {
    for (int i = 0; i < m_filters.Count(); ++i)
        m_filters.Filter(i).SetPending(value);
}
