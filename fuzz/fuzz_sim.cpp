// Feeds arbitrary output reports to the simulated device, mixed with reads, test knobs, unplugging and
// reopening. The device must never crash, a rejected or unsupported request must leave its memory as it
// was, and whatever it sends back must be whole, well-formed reply frames.
//
// Input: a sequence of operations, each an operation byte followed by its arguments:
//   0..2  write one output report: u16 length (mod 313), then that many bytes after the report id
//   3     read every reply that is waiting
//   4     turn a knob: one argument byte
//   5     unplug, plug in and open a new session
//   6..7  write one output report holding a request frame built here from 6 argument bytes (command,
//         preset, type, index, byte 9, payload length) and that many payload bytes
#include "Require.h"
#include "link/Frame.h"
#include "sim/SimDevice.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_at >= m_size; }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint16_t U16() {
        const std::uint8_t lo = Byte();
        return static_cast<std::uint16_t>(lo | (Byte() << 8));
    }
    std::vector<std::uint8_t> Bytes(std::size_t n) {
        n = std::min(n, m_size - std::min(m_at, m_size));
        std::vector<std::uint8_t> out(m_data + m_at, m_data + m_at + n);
        m_at += n;
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

bool SameMemory(const SimState& a, const SimState& b) {
    return std::memcmp(&a.live, &b.live, sizeof a.live) == 0 &&
           std::memcmp(a.presets.data(), b.presets.data(), sizeof a.presets) == 0 && a.effects == b.effects &&
           a.system == b.system && a.sourceVolumes == b.sourceVolumes && a.currentPreset == b.currentPreset;
}

// Collects reply frames from input reports: each begins at byte 1 of a report and may continue in the next.
class ReplyCollector {
public:
    // Returns false when a report holds something that is not (part of) a reply frame.
    void Take(const Report& report, bool checksMayBeWrong) {
        const std::span<const std::uint8_t> bytes = std::span(report).subspan(1);
        if (m_partial.empty()) {
            if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; }))
                return;
            // A frame starting with the direct start byte has no sync bytes; give it some to parse it.
            if (bytes[0] == Frame::kStartDirect)
                m_partial = {Frame::kSync, Frame::kSync, Frame::kSync};
            else
                Require(bytes[0] == Frame::kSync && bytes[1] == Frame::kSync && bytes[2] == Frame::kSync &&
                            bytes[3] == Frame::kStartRequest,
                        "a reply begins at byte 1 of a report");
        }
        m_partial.insert(m_partial.end(), bytes.begin(), bytes.end());
        const std::size_t total = Frame::kOverhead + ReadU16(&m_partial[12]);
        if (m_partial.size() < total)
            return;
        Frame::Fault fault = Frame::Fault::None;
        const auto parsed = Frame::Parse(m_partial, &fault);
        Require(parsed || (checksMayBeWrong && fault == Frame::Fault::Check), "a reply is a whole frame");
        if (parsed) {
            const std::uint8_t c = parsed->header.command;
            Require(c == Frame::kCmdAck || c == Frame::kCmdRepeat || c == Frame::kCmdData, "a reply command");
            Require(c == Frame::kCmdData || parsed->payload.empty(), "only data replies carry a payload");
            // The rest of the last report is padding.
            Require(std::all_of(m_partial.begin() + static_cast<std::ptrdiff_t>(total), m_partial.end(),
                                [](std::uint8_t b) { return b == 0; }),
                    "zero padding after a reply");
        }
        m_partial.clear();
    }

private:
    std::vector<std::uint8_t> m_partial;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CSimDevice device;
    std::uint64_t session = device.OpenSession();
    Require(session != 0, "a new device opens");
    ReplyCollector replies;
    bool corrupting = false; // once a corrupt-check knob is turned, check bytes may be wrong
    Reader in(data, size);

    auto write = [&](const Report& report) {
        const SimState before = device.State();
        const SimCounters counted = device.Counters();
        const bool alive = device.WriteReport(session, report);
        const SimCounters now = device.Counters();
        Require(now.accepted >= counted.accepted && now.rejected >= counted.rejected, "counters only grow");
        Require(now.rejected == now.rejectedSync + now.rejectedLength + now.rejectedCheck + now.rejectedEnd +
                                    now.rejectedAddress,
                "rejections add up");
        const bool changedNothing =
            now.rejected > counted.rejected || now.unsupported > counted.unsupported || !alive;
        if (changedNothing)
            Require(SameMemory(before, device.State()), "a rejected or unsupported request changes nothing");
    };

    while (!in.Empty()) {
        const std::uint8_t op = in.Byte() % 8;
        switch (op) {
        case 0:
        case 1:
        case 2: {
            const std::size_t n = in.U16() % kReportSize;
            const std::vector<std::uint8_t> bytes = in.Bytes(n);
            Report report{};
            std::copy(bytes.begin(), bytes.end(), report.begin() + 1);
            write(report);
            break;
        }
        case 3:
            for (int i = 0; i < 64; ++i) {
                Report report{};
                if (!device.ReadReport(session, report))
                    break;
                replies.Take(report, corrupting);
                if (std::all_of(report.begin(), report.end(), [](std::uint8_t b) { return b == 0; }))
                    break;
            }
            break;
        case 4: {
            const std::uint8_t k = in.Byte();
            const int n = k >> 3;
            switch (k & 7) {
            case 0:
                device.DropReplies(n);
                break;
            case 1:
                device.CorruptChecks(n);
                corrupting = corrupting || n > 0;
                break;
            case 2:
                device.RequestRepeats(n);
                break;
            case 3:
                device.AnswerEmpty(n);
                break;
            case 4:
                device.SetReplyStart((n & 1) ? Frame::kStartDirect : Frame::kStartRequest);
                break;
            case 5:
                device.UserSetVolume(n * 3 - 10);
                break;
            case 6:
                device.UserSelectSource(n - 8);
                break;
            case 7:
                device.UserSetOutput((n & 1) != 0);
                break;
            }
            break;
        }
        case 5:
            device.Unplug();
            Require(!device.WriteReport(session, Report{}), "a dead session refuses writes");
            device.PlugIn();
            session = device.OpenSession();
            Require(session != 0, "the device opens again once back");
            replies = ReplyCollector();
            break;
        default: {
            Frame::Header h;
            h.command = in.Byte();
            h.preset = in.Byte();
            h.type = in.Byte();
            h.index = in.Byte();
            h.slice = in.Byte();
            const std::vector<std::uint8_t> payload = in.Bytes(in.Byte());
            const std::vector<std::uint8_t> frame = Frame::Build(h, payload);
            Report report{};
            std::copy_n(frame.begin(), std::min<std::size_t>(frame.size(), kReportSize - 1),
                        report.begin() + 1);
            write(report);
            break;
        }
        }
    }
    device.CloseSession(session);
    return 0;
}
