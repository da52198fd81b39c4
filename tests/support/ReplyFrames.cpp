// Device-side frames for tests, laid out byte by byte here rather than with the program's own frame code.
#include "support/ReplyFrames.h"

namespace ReplyFrames {

std::uint8_t Xor(std::span<const std::uint8_t> frame) {
    std::uint8_t x = 0;
    for (std::size_t i = 4; i + 2 < frame.size(); ++i)
        x ^= frame[i];
    return x;
}

std::vector<std::uint8_t> Make(std::uint8_t command, std::uint8_t preset, std::uint8_t type,
                               std::uint8_t index, std::uint8_t byte9, std::span<const std::uint8_t> payload,
                               std::uint8_t start) {
    std::vector<std::uint8_t> f{0xA2,
                                0xA2,
                                0xA2,
                                start,
                                command,
                                1,
                                preset,
                                type,
                                index,
                                byte9,
                                0,
                                0,
                                static_cast<std::uint8_t>(payload.size() & 0xFF),
                                static_cast<std::uint8_t>(payload.size() >> 8)};
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(0);
    f.push_back(0xAA);
    f[f.size() - 2] = Xor(f);
    return f;
}

std::vector<std::uint8_t> Ack() {
    return Make(kAck, 0, 0, 0, 0, {});
}

std::vector<std::uint8_t> Repeat() {
    return Make(kRepeat, 0, 0, 0, 0, {});
}

std::vector<std::uint8_t> Data(std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t byte9,
                               std::span<const std::uint8_t> payload) {
    return Make(kData, preset, type, index, byte9, payload);
}

} // namespace ReplyFrames
