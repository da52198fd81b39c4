// Feeds arbitrary bytes to the frame parser and checks that whatever it accepts rebuilds to the same bytes
// (but for the address and reserved bytes, which the parser does not keep).
#include "link/Frame.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto parsed = Frame::Parse(bytes);
    if (!parsed)
        return 0;
    auto rebuilt = Frame::Build(parsed->header, parsed->payload);
    if (rebuilt.size() > size)
        std::abort();
    rebuilt[5] = data[5];
    rebuilt[11] = data[11];
    rebuilt[rebuilt.size() - 2] ^= static_cast<std::uint8_t>(1 ^ data[5] ^ data[11]);
    if (std::memcmp(rebuilt.data(), data, rebuilt.size()) != 0)
        std::abort();
    return 0;
}
