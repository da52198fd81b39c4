// Exact byte layouts of the parameter image and its parts, as the device, the files and the presets carry them.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "the image structs mirror the device's little-endian layout byte for byte");

// One EQ band on the wire: slice k of an output block.
struct BandRecord {
    std::uint16_t freq;   // Hz, the band's sent frequency
    std::uint16_t gain;   // 400 + gain code (0..400); 600 while bypassed
    std::uint16_t qIndex; // bandwidth index 0..295
    std::uint8_t slope;
    std::uint8_t kind; // 0 peak, 1 low shelf, 2 high shelf
};
static_assert(sizeof(BandRecord) == 8);

// High-pass or low-pass filter of a channel.
struct XoverRecord {
    std::uint16_t freq; // Hz, the filter's sent frequency
    std::uint8_t family;
    std::uint8_t slope; // index of the main window's slope list, 6 = off
};
static_assert(sizeof(XoverRecord) == 4);

// One output channel; the device transfers bytes 0..295 (slices 0..36).
struct OutputBlock {
    BandRecord bands[31];      // 0..247, slices 0..30
    std::uint8_t outputOn;     // 248
    std::uint8_t polarity;     // 249
    std::uint16_t gainCode;    // 250: 0..60, dB = code - 60, 0 = off
    std::uint16_t delay;       // 252: samples at 48 kHz, 0..960
    std::uint8_t eqMode;       // 254: 0 PEQ, 1 GEQ
    std::uint8_t auxByte;      // 255: carried
    XoverRecord highPass;      // 256..259, slice 32
    XoverRecord lowPass;       // 260..263
    std::uint8_t mix[12];      // 264..275: input levels in percent
    std::uint8_t reserved1[6]; // 276..281
    std::uint16_t limThreshold; // 282: dBu = code * 0.1 - 30
    std::uint8_t limAttack;     // 284
    std::uint8_t limRelease;    // 285
    std::uint8_t reserved2[4];  // 286..289
    std::uint8_t name[8];       // 290..297: at most 7 characters, zero padded
};
static_assert(sizeof(OutputBlock) == 298);
static_assert(offsetof(OutputBlock, outputOn) == 248);
static_assert(offsetof(OutputBlock, highPass) == 256);
static_assert(offsetof(OutputBlock, mix) == 264);
static_assert(offsetof(OutputBlock, limThreshold) == 282);
static_assert(offsetof(OutputBlock, name) == 290);

// The 2792-byte image of all DSP parameters: the live setup, each preset memory and each file carry it.
struct ParamImage {
    std::uint8_t name[16];       // 0: setup / preset name, space padded
    std::uint8_t secondText[16]; // 16
    std::uint8_t effect[152];    // 32: effect record; first 96 bytes are device block type 10
    std::uint8_t inputA[112];    // 184: input record A, device block type 1
    std::uint8_t inputB[112];    // 296: input record B, device block type 2 index 2
    OutputBlock outputs[8];      // 408 + 298 * c, device block type 3 index c

    std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(this); }
    const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(this); }
};
static_assert(sizeof(ParamImage) == 2792);
static_assert(offsetof(ParamImage, effect) == 32);
static_assert(offsetof(ParamImage, inputA) == 184);
static_assert(offsetof(ParamImage, inputB) == 296);
static_assert(offsetof(ParamImage, outputs) == 408);

namespace Layout {
inline constexpr std::size_t kImageSize = sizeof(ParamImage);
inline constexpr std::size_t kOutputBlockSize = sizeof(OutputBlock);
inline constexpr std::size_t kOutputWireSize = 296; // bytes of an output block that travel to the device
inline constexpr std::size_t kInputBlockSize = 112;
inline constexpr std::size_t kEffectBlockSize = 96;
inline constexpr std::size_t kSliceSize = 8;
inline constexpr int kChannels = 8;
inline constexpr int kBands = 31;
inline constexpr std::size_t kInputBMarker = 75; // byte of input record B forced to 1 (image byte 371)
inline constexpr std::size_t kImageMarkerByte = offsetof(ParamImage, inputB) + kInputBMarker;
static_assert(kImageMarkerByte == 371);
} // namespace Layout

// Little-endian field access for byte regions that have no struct of their own.
inline std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline void WriteU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
