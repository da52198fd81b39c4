// Conversion between a filter's parameters and its wire records (BandRecord, XoverRecord) in an image.
#include "model/FilterRecord.h"

#include "base/DataDefine.h"
#include "response/Filter.h"

namespace FilterRecord {

BandRecord Encode(const CFilter& band) {
    BandRecord record{};
    record.freq = static_cast<std::uint16_t>(band.GetSentFreq());
    // A bypassed band reports the 0 dB code, so its field is 600 as the device expects.
    record.gain = static_cast<std::uint16_t>(band.GetGainCode() + kEqGainFieldOffset);
    record.qIndex = static_cast<std::uint16_t>(band.GetQIndex());
    record.slope = static_cast<std::uint8_t>(band.GetSlope());
    record.kind = static_cast<std::uint8_t>(band.GetKind());
    return record;
}

void Apply(CFilter& band, const BandRecord& record) {
    const CFilter::ResponseHold hold(band); // one response for the whole record
    band.SetGainCode(static_cast<int>(record.gain) - kEqGainFieldOffset);
    band.SetBandwidthIndex(record.qIndex);
    band.SetSlope(record.slope, 0);
    band.SetKind(record.kind);
    band.SetFreq(record.freq, 0);
    // The setters above mark the band with the connected flag; the frequency already equals the sent one,
    // so this step clears the mark again: an image that is read is never sent back.
    band.StepSentFreq(0);
}

XoverRecord EncodeXover(const CFilter& filter) {
    return XoverRecord{static_cast<std::uint16_t>(filter.GetSentFreq()),
                       static_cast<std::uint8_t>(filter.GetFamily()),
                       static_cast<std::uint8_t>(filter.GetSlope())};
}

void ApplyXover(CFilter& filter, const XoverRecord& record) {
    const CFilter::ResponseHold hold(filter); // one response for the whole record
    filter.SetFreq(record.freq, 0);
    filter.SetFamily(record.family, 0);
    filter.SetSlope(record.slope, 0);
    filter.StepSentFreq(0);
}

BandRecord ReadBand(const std::uint8_t* at) {
    BandRecord record;
    std::memcpy(&record, at, sizeof record);
    return record;
}

void WriteBand(std::uint8_t* at, const BandRecord& record) {
    std::memcpy(at, &record, sizeof record);
}

XoverRecord ReadXover(const std::uint8_t* at) {
    XoverRecord record;
    std::memcpy(&record, at, sizeof record);
    return record;
}

void WriteXover(std::uint8_t* at, const XoverRecord& record) {
    std::memcpy(at, &record, sizeof record);
}

} // namespace FilterRecord
