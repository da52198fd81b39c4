// The device's byte frame as plain functions: build, check, parse. No state, no I/O.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Frame layout (little-endian): A2 A2 A2 start, command, address 1, preset, type, index, slice/source,
// link flag, reserved 0, u16 payload length N, payload, XOR of bytes 4..13+N, end 0xAA.
namespace Frame {

inline constexpr std::uint8_t kSync = 0xA2;
inline constexpr std::uint8_t kStartRequest = 0xA3; // frames the program sends
inline constexpr std::uint8_t kStartDirect = 0xEE;  // a reply may start with this byte and no sync
inline constexpr std::uint8_t kEnd = 0xAA;
inline constexpr std::uint8_t kAddress = 1;

inline constexpr std::uint8_t kCmdWrite = 0xB3;
inline constexpr std::uint8_t kCmdRead = 0xB4;
inline constexpr std::uint8_t kCmdAck = 0x64;
inline constexpr std::uint8_t kCmdRepeat = 0x65;
inline constexpr std::uint8_t kCmdData = 0x66;

inline constexpr std::size_t kHeaderSize = 14;  // sync through payload length
inline constexpr std::size_t kOverhead = 16;    // header, check byte, end byte
inline constexpr std::size_t kMaxRequest = 312; // largest frame the program builds (a whole output block)

struct Header {
    std::uint8_t command = 0;
    std::uint8_t preset = 0; // byte 6
    std::uint8_t type = 0;   // byte 7
    std::uint8_t index = 0;  // byte 8
    std::uint8_t slice = 0;  // byte 9: slice number, or 0xAB / 0 in block reads and data replies
    std::uint8_t link = 0;   // byte 10
    std::uint8_t start = kStartRequest;
    bool operator==(const Header&) const = default;
};

// XOR of the bytes from the command byte through the last payload byte of a whole frame.
std::uint8_t Check(std::span<const std::uint8_t> frame);

std::vector<std::uint8_t> Build(const Header& header, std::span<const std::uint8_t> payload);

struct Parsed {
    Header header;
    std::vector<std::uint8_t> payload;
};

// Why a byte sequence is not a frame (the simulated device counts rejections by reason).
enum class Fault { None, Short, Sync, Length, Check, End };

// Parses one whole frame that begins with the three sync bytes (requests and replies alike). Bytes after
// the frame's end are ignored.
std::optional<Parsed> Parse(std::span<const std::uint8_t> bytes, Fault* fault = nullptr);

} // namespace Frame
