// The effect record carried in the parameter image (no editor here): three bands, crossovers, parameters.
#pragma once

#include "model/KTVEQ.h"
#include "model/ModelGlobals.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

// Positions inside the effect record's 152 bytes; the first 96 form device block type 10.
namespace EffectLayout {
inline constexpr int kBands = 3;              // bytes 0..23
inline constexpr std::size_t kHighPass = 120; // XoverRecord
inline constexpr std::size_t kLowPass = 124;  // XoverRecord
inline constexpr int kParams = 11;
inline constexpr std::array<std::size_t, kParams> kParamBytes{128, 129, 130, 131, 134, 136,
                                                              137, 138, 139, 140, 143};
inline constexpr std::array<std::uint8_t, kParams> kParamDefaults{20, 84, 50, 68, 0, 18, 50, 0, 40, 50, 0};
inline constexpr std::size_t kName = 144;
inline constexpr std::size_t kNameSize = 8;
} // namespace EffectLayout

// Collect and apply touch only the fields above; the other bytes of the region stay as they are.
class CEffect_Data {
public:
    static constexpr int kBlockType = 10;

    CEffect_Data();
    CEffect_Data(const CEffect_Data&) = delete;
    CEffect_Data& operator=(const CEffect_Data&) = delete;

    void Collect(ParamImage& image) const;
    void Apply(const ParamImage& image);
    void ClearPending(int value);

    CKTVEQ& Filters() { return m_filters; }
    const CKTVEQ& Filters() const { return m_filters; }
    const QString& Name() const { return m_name; }
    int Param(int i) const { return m_params[static_cast<std::size_t>(i)]; }

private:
    CKTVEQ m_filters;
    std::array<std::uint8_t, EffectLayout::kParams> m_params = EffectLayout::kParamDefaults;
    QString m_name = QStringLiteral("Effect");
};
