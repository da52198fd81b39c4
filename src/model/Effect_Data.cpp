// The effect record carried in the parameter image (no editor here): three bands, crossovers, parameters.
#include "model/Effect_Data.h"

#include "base/DataDefine.h"
#include "model/FilterRecord.h"

using namespace EffectLayout;

namespace {
constexpr int kNoDragProfile = 0; // the graph never shows these filters
}

CEffect_Data::CEffect_Data() : m_filters(kThreeBandFreqs, kNoDragProfile) {}

void CEffect_Data::Collect(ParamImage& image) const {
    std::uint8_t* region = image.effect;
    for (int k = 0; k < kBands; ++k)
        FilterRecord::WriteBand(region + Layout::kSliceSize * static_cast<std::size_t>(k),
                                FilterRecord::Encode(m_filters.Band(k)));
    WriteFieldCut(region + kName, kNameSize, m_name);
    FilterRecord::WriteXover(region + kHighPass, FilterRecord::EncodeXover(m_filters.HighPass()));
    FilterRecord::WriteXover(region + kLowPass, FilterRecord::EncodeXover(m_filters.LowPass()));
    for (int i = 0; i < kParams; ++i)
        region[kParamBytes[static_cast<std::size_t>(i)]] = m_params[static_cast<std::size_t>(i)];
}

void CEffect_Data::Apply(const ParamImage& image) {
    const std::uint8_t* region = image.effect;
    for (int k = 0; k < kBands; ++k)
        FilterRecord::Apply(
            m_filters.Band(k),
            FilterRecord::ReadBand(region + Layout::kSliceSize * static_cast<std::size_t>(k)));
    m_name = ReadFieldFull(region + kName, kNameSize);
    FilterRecord::ApplyXover(m_filters.HighPass(), FilterRecord::ReadXover(region + kHighPass));
    FilterRecord::ApplyXover(m_filters.LowPass(), FilterRecord::ReadXover(region + kLowPass));
    for (int i = 0; i < kParams; ++i)
        m_params[static_cast<std::size_t>(i)] = region[kParamBytes[static_cast<std::size_t>(i)]];
}

void CEffect_Data::ClearPending(int value) {
    for (int i = 0; i < m_filters.Count(); ++i)
        m_filters.Filter(i).SetPending(value);
}
