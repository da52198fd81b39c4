// Conversion between a filter's parameters and its wire records (BandRecord, XoverRecord) in an image.
#pragma once

#include "model/ParamImage.h"

class CFilter;

namespace FilterRecord {

// The band as the device stores it: sent frequency, gain code + 400 (600 while bypassed), bandwidth index,
// slope and kind, each cut to its field.
BandRecord Encode(const CFilter& band);
// Reads a band back without leaving it pending: gain, bandwidth, slope, kind, then the frequency (as the
// sent one too) and one finishing ramp step.
void Apply(CFilter& band, const BandRecord& record);

XoverRecord EncodeXover(const CFilter& filter);
// Frequency, family and slope without marking anything pending.
void ApplyXover(CFilter& filter, const XoverRecord& record);

// Records inside byte regions that have no struct of their own (the carried records).
BandRecord ReadBand(const std::uint8_t* at);
void WriteBand(std::uint8_t* at, const BandRecord& record);
XoverRecord ReadXover(const std::uint8_t* at);
void WriteXover(std::uint8_t* at, const XoverRecord& record);

} // namespace FilterRecord
