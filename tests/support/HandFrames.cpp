// Device frames written out by hand from the frame layout, for tests that must not trust the code under test.
#include "support/HandFrames.h"

#include <algorithm>

namespace HandFrames {

Bytes Make(std::uint8_t cmd, std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t slice,
           std::uint8_t link, const Bytes& payload, std::uint8_t start) {
    Bytes f{0xA2,
            0xA2,
            0xA2,
            start,
            cmd,
            0x01,
            preset,
            type,
            index,
            slice,
            link,
            0x00,
            static_cast<std::uint8_t>(payload.size() & 0xFF),
            static_cast<std::uint8_t>(payload.size() >> 8)};
    f.insert(f.end(), payload.begin(), payload.end());
    std::uint8_t x = 0;
    for (std::size_t i = 4; i < f.size(); ++i)
        x ^= f[i];
    f.push_back(x);
    f.push_back(0xAA);
    return f;
}

Bytes Read(std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t slice) {
    return Make(0xB4, preset, type, index, slice, 0, Bytes(8, 0));
}

Bytes Write(std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t slice,
            const Bytes& payload, std::uint8_t link) {
    return Make(0xB3, preset, type, index, slice, link, payload);
}

Bytes Ack(std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t slice) {
    return Make(0x64, preset, type, index, slice, 0, {});
}

Bytes Data(std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t slice,
           const Bytes& payload) {
    return Make(0x66, preset, type, index, slice, 0, payload);
}

Report ToReport(const Bytes& frame) {
    Report r{};
    std::copy_n(frame.begin(), std::min<std::size_t>(frame.size(), r.size() - 1), r.begin() + 1);
    return r;
}

Bytes FromReport(const Report& report) {
    Bytes b(report.begin() + 1, report.end());
    while (!b.empty() && b.back() == 0)
        b.pop_back();
    return b;
}

} // namespace HandFrames
