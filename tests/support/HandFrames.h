// Device frames written out by hand from the frame layout, for tests that must not trust the code under test.
#pragma once

#include "link/ReportTransport.h"

#include <cstdint>
#include <vector>

namespace HandFrames {

using Bytes = std::vector<std::uint8_t>;

// A2 A2 A2 start, command, address 1, preset, type, index, byte 9, link, 0, u16 N, payload,
// XOR of bytes 4..13+N, 0xAA.
Bytes Make(std::uint8_t cmd, std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t slice,
           std::uint8_t link, const Bytes& payload, std::uint8_t start = 0xA3);

// Requests as the tool sends them (reads carry 8 zero bytes) and the device's answers (link byte 0, N = 0
// for acknowledgements).
Bytes Read(std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t slice = 0);
Bytes Write(std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t slice,
            const Bytes& payload, std::uint8_t link = 0);
Bytes Ack(std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t slice);
Bytes Data(std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t slice,
           const Bytes& payload);

// One report: id 0, then the first 312 bytes of the frame, zero padded.
Report ToReport(const Bytes& frame);
// The frame bytes of a report: without the id and without the zero padding after the last nonzero byte.
Bytes FromReport(const Report& report);

} // namespace HandFrames
