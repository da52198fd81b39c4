// Feeds arbitrary device bytes, cut into arbitrary chunks, to the reply assembler: nothing may be stored
// beyond a destination, and a reply removes at most one queued packet.
#include "link/KTVCommand.h"
#include "link/Notifier.h"

#include <cstdlib>

namespace {

class NullNotifier : public CNotifier {
public:
    void Post(int, std::intptr_t, std::intptr_t) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    static ModelGlobals globals;
    NullNotifier notifier;
    KTVCommand command(globals, notifier);
    constexpr int kQueued = 4;
    for (int i = 0; i < kQueued; ++i) {
        auto packet = command.BuildSliceWrite(KTVCommand::kStatusPollType, 0, 0);
        packet->readPosition = packet->Length();
        command.Push(std::move(packet));
    }

    // The first byte sets the chunk length, as reports or stream reads would cut the bytes.
    const std::size_t chunk = 1 + data[0] % 64;
    for (std::size_t at = 1; at < size; at += chunk) {
        const int before = command.Count();
        const std::size_t n = std::min(chunk, size - at);
        const bool valid = command.FeedBytes(data + at, n);
        const int after = command.Count();
        if (after > before || before - after > 1 || (!valid && after != before))
            std::abort();
    }
    return 0;
}
