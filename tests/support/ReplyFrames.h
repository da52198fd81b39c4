// Device-side frames for tests, laid out byte by byte here rather than with the program's own frame code.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ReplyFrames {

inline constexpr std::uint8_t kAck = 0x64;
inline constexpr std::uint8_t kRepeat = 0x65;
inline constexpr std::uint8_t kData = 0x66;

// XOR of the command byte through the last payload byte of a whole frame.
std::uint8_t Xor(std::span<const std::uint8_t> frame);

// A2 A2 A2 start, command, 1, preset, type, index, byte 9, link 0, 0, u16 N, payload, check, 0xAA.
std::vector<std::uint8_t> Make(std::uint8_t command, std::uint8_t preset, std::uint8_t type,
                               std::uint8_t index, std::uint8_t byte9, std::span<const std::uint8_t> payload,
                               std::uint8_t start = 0xA3);

std::vector<std::uint8_t> Ack();
std::vector<std::uint8_t> Repeat();
std::vector<std::uint8_t> Data(std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t byte9,
                               std::span<const std::uint8_t> payload);

} // namespace ReplyFrames
