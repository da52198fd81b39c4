// The device's byte frame as plain functions: build, check, parse. No state, no I/O.
#include "link/Frame.h"

namespace Frame {

std::uint8_t Check(std::span<const std::uint8_t> frame) {
    std::uint8_t x = 0;
    // Bytes 4 .. size-3: command byte through the last payload byte.
    for (std::size_t i = 4; i + 2 < frame.size(); ++i)
        x ^= frame[i];
    return x;
}

std::vector<std::uint8_t> Build(const Header& header, std::span<const std::uint8_t> payload) {
    const std::size_t n = payload.size();
    std::vector<std::uint8_t> f(n + kOverhead, 0);
    f[0] = f[1] = f[2] = kSync;
    f[3] = header.start;
    f[4] = header.command;
    f[5] = kAddress;
    f[6] = header.preset;
    f[7] = header.type;
    f[8] = header.index;
    f[9] = header.slice;
    f[10] = header.link;
    f[11] = 0;
    f[12] = static_cast<std::uint8_t>(n & 0xFF);
    f[13] = static_cast<std::uint8_t>(n >> 8);
    for (std::size_t i = 0; i < n; ++i)
        f[kHeaderSize + i] = payload[i];
    f[kHeaderSize + n] = Check(f);
    f[kHeaderSize + n + 1] = kEnd;
    return f;
}

std::optional<Parsed> Parse(std::span<const std::uint8_t> bytes, Fault* fault) {
    auto fail = [fault](Fault f) -> std::optional<Parsed> {
        if (fault)
            *fault = f;
        return std::nullopt;
    };
    if (bytes.size() < kOverhead)
        return fail(Fault::Short);
    if (bytes[0] != kSync || bytes[1] != kSync || bytes[2] != kSync)
        return fail(Fault::Sync);
    const std::size_t n = static_cast<std::size_t>(bytes[12] | (bytes[13] << 8));
    if (bytes.size() < n + kOverhead)
        return fail(Fault::Length);
    const auto frame = bytes.first(n + kOverhead);
    if (frame[kHeaderSize + n + 1] != kEnd)
        return fail(Fault::End);
    if (frame[kHeaderSize + n] != Check(frame))
        return fail(Fault::Check);

    Parsed p;
    p.header.start = frame[3];
    p.header.command = frame[4];
    p.header.preset = frame[6];
    p.header.type = frame[7];
    p.header.index = frame[8];
    p.header.slice = frame[9];
    p.header.link = frame[10];
    p.payload.assign(frame.begin() + kHeaderSize,
                     frame.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + n));
    if (fault)
        *fault = Fault::None;
    return p;
}

} // namespace Frame
