// An input record carried in the parameter image (no editor here): nine bands, crossovers, levels, name.
#pragma once

#include "model/KTVEQ.h"
#include "model/ModelGlobals.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

// Positions inside an input record's 112 bytes (14 slices of 8 bytes; the device takes them only as a whole
// block).
namespace InputRecordLayout {
inline constexpr int kBands = 9;             // slices 0..8
inline constexpr std::size_t kSwitches = 72; // four single-byte switches, slice 9
inline constexpr int kSwitchCount = 4;
inline constexpr std::size_t kLevel = 76;     // u16
inline constexpr std::size_t kInputGain = 78; // u16, the input gain code
inline constexpr std::size_t kHighPass = 80;  // XoverRecord, slice 10
inline constexpr std::size_t kLowPass = 84;   // XoverRecord
// Dynamics values, slices 11 and 12.
inline constexpr std::size_t kDynamicsA = 88; // u8
inline constexpr std::size_t kDynamicsB = 96; // u16
inline constexpr std::size_t kDynamicsC = 98; // u8
inline constexpr std::size_t kDynamicsD = 99; // u8
inline constexpr std::size_t kName = 104;     // 8-byte name field, slice 13
inline constexpr std::size_t kNameSize = 8;
} // namespace InputRecordLayout

// Shared by input records A and B, which differ only in where they sit in the image and how the device
// addresses them. Collect and apply touch only the fields above; the bytes between them stay as they are.
class CInputRecord {
public:
    CInputRecord(const CInputRecord&) = delete;
    CInputRecord& operator=(const CInputRecord&) = delete;
    virtual ~CInputRecord() = default;

    void Collect(ParamImage& image) const;
    void Apply(const ParamImage& image);
    void ClearPending(int value);

    CKTVEQ& Filters() { return m_filters; }
    const CKTVEQ& Filters() const { return m_filters; }
    const QString& Name() const { return m_name; }
    int Switch(int i) const { return m_switches[static_cast<std::size_t>(i)]; }
    int Level() const { return m_level; }
    int InputGain() const { return m_inputGain; }

    std::size_t ImageOffset() const { return m_imageOffset; }

protected:
    // imageOffset: where the record starts in a ParamImage.
    explicit CInputRecord(std::size_t imageOffset);

private:
    std::size_t m_imageOffset;
    CKTVEQ m_filters;
    std::array<std::uint8_t, InputRecordLayout::kSwitchCount> m_switches{};
    std::uint16_t m_level = 0;
    std::uint16_t m_inputGain = 0;
    std::uint8_t m_dynamicsA = 0;
    std::uint16_t m_dynamicsB = 0;
    std::uint8_t m_dynamicsC = 0;
    std::uint8_t m_dynamicsD = 0;
    QString m_name;
};
