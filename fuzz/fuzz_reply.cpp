// Feeds arbitrary bytes to the reply assembler while the queue holds packets of every kind, and checks each
// effect (return value, queue, stored bytes, notifications, stop flag, poll counter) against a separate model
// of the assembler and of where replies go, written here from the frame and storage rules.
//
// Input: byte 0 chooses the feeding (bit 0: whole 313-byte input reports through FeedReport, otherwise
// FeedBytes in chunks of byte0 >> 1 bytes, 0 meaning one chunk); byte 1 the queue (low 5 bits: the
// catalogue entry at its head; bit 5: packets numbered as a batch; bit 6: the head is not rewritten before
// each read); byte 2 the starting poll-compare counter; byte 3 the link groups; the rest is what the device
// sends.
#include "Require.h"
#include "link/FirmwareHook.h"
#include "link/KTVCommand.h"
#include "link/Notifier.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <vector>

namespace {

struct Note {
    int message;
    std::intptr_t wParam;
    std::intptr_t lParam;
    auto operator<=>(const Note&) const = default;
};

class CollectNotes : public CNotifier {
public:
    void Post(int message, std::intptr_t wParam, std::intptr_t lParam) override {
        notes.push_back({message, wParam, lParam});
    }
    std::vector<Note> notes;
};

// Counts the looks at valid replies: exactly one per processed frame.
class CountingHook : public CFirmwareHook {
public:
    bool UpdateInProgress() const override { return false; }
    bool UpdateFinished() const override { return true; }
    void FirmwareCycle(CLinkWorker&) override {}
    void OnFirmwareReply(const SendData* head, bool finishesHead) override {
        ++calls;
        lastHead = head;
        lastFinishes = finishesHead;
    }
    int calls = 0;
    const SendData* lastHead = nullptr;
    bool lastFinishes = false;
};

// Everything a reply may write, copied out of ModelGlobals for comparison.
struct Stored {
    ParamImage live{};
    std::array<ParamImage, ModelGlobals::kPresetMemories> presets{};
    std::array<std::array<std::uint8_t, ModelGlobals::kEffectRecordSize>, ModelGlobals::kEffectRecords>
        effects{};
    std::array<std::uint8_t, 32> system{};
    std::array<std::uint8_t, 8> sourceVolumes{};
    std::array<std::uint8_t, 50> positionDelays{};
    std::array<std::uint8_t, 17> deviceId{};
    int currentPreset = 0;

    static Stored Of(const ModelGlobals& g) {
        Stored s;
        s.live = g.liveImage;
        s.presets = g.presets;
        s.effects = g.effectRecords;
        s.system = g.systemBlock;
        s.sourceVolumes = g.sourceVolumes;
        s.positionDelays = g.positionDelays;
        s.deviceId = g.deviceId;
        s.currentPreset = g.currentPreset;
        return s;
    }
    bool operator==(const Stored& o) const {
        return std::memcmp(&live, &o.live, sizeof live) == 0 &&
               std::memcmp(presets.data(), o.presets.data(), sizeof presets) == 0 && effects == o.effects &&
               system == o.system && sourceVolumes == o.sourceVolumes && positionDelays == o.positionDelays &&
               deviceId == o.deviceId && currentPreset == o.currentPreset;
    }
};

// What the model expects of a queued packet.
struct PacketModel {
    const SendData* packet;
    int length;
    int progressIndex;
    bool endsRead;
    bool endsWrite;
    bool completion;
    int firmwareStage;
};

// The expected side: assembler state, queue, stored bytes, flags.
struct Model {
    // Assembler.
    bool inFrame = false;
    int syncCount = 0;
    std::vector<std::uint8_t> frame; // from the start byte on

    std::deque<PacketModel> queue;
    Stored stored;
    bool stopFlag = false;
    int pollCompare = 0;
    std::vector<Note> notes;
    int validFrames = 0;
    bool lastFinishes = false; // whether the last valid frame finished the head packet
};

constexpr std::size_t kBufferSize = 400;
constexpr std::uint8_t kToPreset = 0xAB;

std::uint8_t* ReplyTarget(Stored& s, std::uint8_t preset, std::uint8_t byte9) {
    if (byte9 == kToPreset && preset != 0)
        return preset <= ModelGlobals::kPresetMemories ? s.presets[preset - 1u].Bytes() : nullptr;
    return s.live.Bytes();
}

void Copy(std::uint8_t* to, const std::vector<std::uint8_t>& payload, std::size_t room) {
    std::memcpy(to, payload.data(), std::min(payload.size(), room));
}

void ExpectStatus(Model& m, const std::vector<std::uint8_t>& p) {
    if (p.size() < 3)
        return;
    if (m.pollCompare < 100)
        ++m.pollCompare;
    if (m.pollCompare < 100)
        return;
    // Packets queued behind the poll carry a local change the reply does not show yet: nothing adopted.
    // (The system mark, the other reason, is never set here: no model setter runs.)
    if (m.queue.size() > 1)
        return;
    const auto& sys = m.stored.system;
    if (p[2] != sys[0])
        m.notes.push_back({UM_DEVICE_SOURCE, p[2], 0});
    else if (p[0] != (sys[2] | (sys[3] << 8)))
        m.notes.push_back({UM_DEVICE_VOLUME, p[0], 0});
    else if (p[1] != sys[5])
        m.notes.push_back({UM_DEVICE_MUTE, p[1], 0});
}

// Where a data reply's payload goes, and what it announces.
void ExpectStore(Model& m, std::uint8_t preset, std::uint8_t type, std::uint8_t index, std::uint8_t byte9,
                 const std::vector<std::uint8_t>& p) {
    Stored& s = m.stored;
    if (p.empty()) {
        m.stopFlag = true;
        m.notes.push_back({UM_FIRMWARE_TOO_OLD, 0, 0});
        return;
    }
    std::uint8_t* target = ReplyTarget(s, preset, byte9);
    switch (type) {
    case 1:
    case 2:
        if (target)
            Copy(target + (type == 1 ? 184 : 296), p, 112);
        return;
    case 3:
        if (!target || index > 7)
            return;
        Copy(target + 408 + 298 * index, p, 296);
        if (index == 7) {
            if (byte9 == kToPreset && preset == 6)
                m.notes.push_back({UM_PRESETS_READ_DONE, 6, 0});
            else if (byte9 != kToPreset || preset == 0)
                m.notes.push_back({UM_IMAGE_READ_DONE, preset, 0});
        }
        return;
    case 10:
        if (byte9 != kToPreset) {
            Copy(s.live.Bytes() + 32, p, 96);
            if (preset >= 21)
                m.notes.push_back({UM_EFFECT_BLOCK_READ, preset, 0});
        } else if (preset >= 21) {
            if (preset - 21 < ModelGlobals::kEffectRecords)
                Copy(s.effects[preset - 21u].data() + 16, p, 96);
        } else {
            Copy(target + 32, p, 96);
        }
        return;
    case 4:
        break;
    default:
        return;
    }
    switch (index) {
    case 3:
        ExpectStatus(m, p);
        break;
    case 48:
        Copy(s.sourceVolumes.data(), p, 5);
        break;
    case 64:
        s.currentPreset = p[0];
        break;
    case 134:
        if (preset <= ModelGlobals::kPresetMemories) {
            std::uint8_t* name = preset == 0 ? s.live.name : s.presets[preset - 1u].name;
            Copy(name, p, 13);
            name[13] = name[14] = ' ';
            m.notes.push_back({UM_NAME_READ, preset, 0});
        }
        break;
    case 136:
        Copy(s.deviceId.data(), p, 17);
        m.notes.push_back({UM_DEVICE_ID_READ, 0, 0});
        break;
    case 144:
        Copy(s.system.data(), p, 8);
        break;
    case 145:
        Copy(s.system.data() + 8, p, 12);
        break;
    case 146:
        Copy(s.system.data() + 24, p, 8);
        break;
    default:
        break;
    }
}

// One complete, valid frame in the model: its effects on the queue and the stored bytes.
void ExpectFrame(Model& m, const std::vector<std::uint8_t>& f, const std::function<int()>& headReadPosition) {
    ++m.validFrames;
    const std::uint8_t command = f[1];
    const std::uint8_t preset = f[3];
    const std::uint8_t type = f[4];
    const std::uint8_t index = f[5];
    const std::uint8_t byte9 = f[6];
    const std::vector<std::uint8_t> payload(f.begin() + 11, f.end() - 2);

    const bool knownType = type == 1 || type == 2 || type == 3 || type == 4 || type == 10;
    const bool finishes = command == 0x64 || (command == 0x66 && !payload.empty() && knownType);
    m.lastFinishes = finishes;
    if (finishes && !m.queue.empty()) {
        const PacketModel& head = m.queue.front();
        const int position = headReadPosition();
        if (head.completion) {
            m.notes.push_back({UM_TRANSFER_DONE, 0, 0});
        } else if (head.progressIndex != 0 && head.firmwareStage == 0) {
            m.notes.push_back({UM_TRANSFER_PROGRESS, head.progressIndex, 0});
            if (head.endsWrite && position >= head.length)
                m.notes.push_back({UM_TRANSFER_DONE, 0, 1});
            if (head.endsRead && position == head.length)
                m.notes.push_back({UM_TRANSFER_DONE, 0, 0});
        }
    }
    if (command == 0x66)
        ExpectStore(m, preset, type, index, byte9, payload);
    if (finishes && !m.queue.empty())
        m.queue.pop_front();
}

// Runs the model's assembler over one chunk; returns whether a valid frame ended in it.
bool ExpectChunk(Model& m, const std::uint8_t* bytes, std::size_t n,
                 const std::function<int()>& headReadPosition) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = bytes[i];
        if (!m.inFrame) {
            if (b == 0xA2) {
                ++m.syncCount;
                continue;
            }
            const bool start = b == 0xEE || m.syncCount == 3;
            m.syncCount = 0;
            if (!start)
                continue;
            m.inFrame = true;
            m.frame.clear();
        }
        m.frame.push_back(b);
        if (m.frame.size() < 13)
            continue;
        const std::size_t total = 13 + (m.frame[9] | (m.frame[10] << 8));
        if (total > kBufferSize) {
            m.inFrame = false;
            continue;
        }
        if (m.frame.size() < total)
            continue;
        m.inFrame = false;
        std::uint8_t check = 0;
        for (std::size_t k = 1; k + 2 < total; ++k)
            check ^= m.frame[k];
        if (m.frame[total - 1] != 0xAA || m.frame[total - 2] != check)
            continue;
        ExpectFrame(m, m.frame, headReadPosition);
        return true;
    }
    return false;
}

// Packets of every kind the program queues; each entry builds one.
using Builder = std::function<std::unique_ptr<SendData>(KTVCommand&)>;
const std::vector<Builder>& Catalogue() {
    static const std::vector<Builder> builders = {
        [](KTVCommand& c) { return c.BuildSliceWrite(3, 0, 0); },
        [](KTVCommand& c) { return c.BuildSliceWrite(3, 2, 31); },
        [](KTVCommand& c) { return c.BuildSliceWrite(3, 5, 32); },
        [](KTVCommand& c) { return c.BuildSliceWrite(3, 7, 36); },
        [](KTVCommand& c) { return c.BuildSliceWrite(KTVCommand::kStatusPollType, 0, 0); },
        [](KTVCommand& c) { return c.BuildBlockWrite(0, 3, 1, true); },
        [](KTVCommand& c) { return c.BuildBlockWrite(4, 3, 6, false); },
        [](KTVCommand& c) { return c.BuildBlockWrite(0, 2, 2, true); },
        [](KTVCommand& c) { return c.BuildBlockWrite(5, 2, 2, true); },
        [](KTVCommand& c) { return c.BuildBlockRead(0, 3, 7, true); },
        [](KTVCommand& c) { return c.BuildBlockRead(3, 3, 7, true); },
        [](KTVCommand& c) { return c.BuildBlockRead(6, 3, 7, false); },
        [](KTVCommand& c) { return c.BuildBlockRead(2, 2, 2, false); },
        [](KTVCommand& c) { return c.BuildSystemRead(136, 0); },
        [](KTVCommand& c) { return c.BuildSystemRead(144, 0); },
        [](KTVCommand& c) { return c.BuildSystemRead(145, 0); },
        [](KTVCommand& c) { return c.BuildSystemRead(146, 0); },
        [](KTVCommand& c) { return c.BuildSystemRead(64, 0); },
        [](KTVCommand& c) { return c.BuildSystemRead(48, 0); },
        [](KTVCommand& c) { return c.BuildSystemRead(134, 4); },
        [](KTVCommand& c) { return c.BuildSystemWrite(48, 0); },
        [](KTVCommand& c) { return c.BuildSystemWrite(134, 0); },
        [](KTVCommand& c) { return c.BuildSystemWrite(134, 9); },
        [](KTVCommand& c) { return c.BuildSystemWrite(137, 0); },
        [](KTVCommand& c) { return c.BuildSystemWrite(144, 0); },
        [](KTVCommand& c) { return c.BuildSystemWrite(145, 0); },
        [](KTVCommand& c) { return c.BuildSystemWrite(146, 0); },
        [](KTVCommand& c) { return c.BuildFirmwareFrame(KTVCommand::kStageDspStart); },
        [](KTVCommand& c) {
            const std::array<std::uint8_t, 4> head{1, 2, 3, 4};
            return c.BuildFirmwareFrame(KTVCommand::kStageDspHead, head);
        },
        [](KTVCommand& c) {
            const std::vector<std::uint8_t> chunk(KTVCommand::kDspChunkSize, 0x5A);
            return c.BuildFirmwareFrame(KTVCommand::kStageDspChunk, chunk);
        },
        [](KTVCommand& c) { return c.BuildFirmwareFrame(KTVCommand::kStageControllerStart2); },
        [](KTVCommand& c) {
            const std::array<std::uint8_t, 1> check{0x33};
            return c.BuildFirmwareFrame(KTVCommand::kStageControllerCheck, check);
        },
    };
    return builders;
}

// The head packet of the real queue checked against the model's.
void CheckQueue(KTVCommand& command, const Model& m) {
    SendDataQueue& q = command.Queue();
    Require(q.Count() == static_cast<int>(m.queue.size()), "queue length");
    Require(q.Head() == (m.queue.empty() ? nullptr : m.queue.front().packet), "head packet");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const bool reports = (data[0] & 1) != 0;
    const std::size_t chunk = data[0] >> 1;
    const std::size_t first = data[1] & 0x1F;
    const bool numbered = (data[1] & 0x20) != 0;
    const bool rewrite = (data[1] & 0x40) == 0;
    const int pollStart = data[2];
    const std::uint8_t groups = data[3];
    data += 4;
    size -= 4;

    ModelGlobals g;
    ResetModelGlobals(g);
    for (int c = 0; c < Layout::kChannels; ++c)
        g.g_linkGroup[static_cast<std::size_t>(c)] = ((groups >> c) & 1) ? 0 : c + 1;
    CollectNotes notifier;
    CountingHook hook;
    KTVCommand command(g, notifier);
    command.SetFirmwareHook(&hook);
    command.SetPollCompareCounter(pollStart);

    Model m;
    const auto& catalogue = Catalogue();
    const std::size_t count = catalogue.size();
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_ptr<SendData> packet = catalogue[(first + i) % count](command);
        Require(packet != nullptr, "every catalogue entry builds a packet");
        Require(packet->Length() >= 16 && packet->Length() <= 312, "packet length");
        if (numbered) {
            packet->progressIndex = static_cast<int>(i + 1);
            packet->endsReadBatch = i == 9;
            packet->endsWriteBatch = i == 15;
            packet->completion = i + 1 == count;
        }
        m.queue.push_back({packet.get(), packet->Length(), packet->progressIndex, packet->endsReadBatch != 0,
                           packet->endsWriteBatch != 0, packet->completion != 0, packet->firmwareStage});
        command.Push(std::move(packet));
    }
    // Builders may touch the live image (the music-input marker); the model starts from what they left.
    m.stored = Stored::Of(g);
    m.pollCompare = pollStart;

    auto headPosition = [&command] {
        SendData* head = command.Queue().Head();
        return head ? head->readPosition : 0;
    };

    auto feedOne = [&](const std::uint8_t* bytes, std::size_t n, bool asReport) {
        // The worker writes the whole head packet before it reads.
        if (SendData* head = command.Queue().Head(); head && rewrite)
            head->readPosition = head->Length();
        SendData* headBefore = command.Queue().Head();
        const std::size_t notesBefore = m.notes.size();
        notifier.notes.clear();
        const int framesBefore = m.validFrames;

        bool got = false;
        bool expected = false;
        if (asReport) {
            Report report{};
            std::memcpy(report.data(), bytes, n);
            expected = ExpectChunk(m, report.data() + 1, report.size() - 1, headPosition);
            got = command.FeedReport(report);
        } else {
            expected = ExpectChunk(m, bytes, n, headPosition);
            got = command.FeedBytes(bytes, n);
        }
        Require(got == expected, "a valid frame is reported exactly when one ended");
        Require(hook.calls == m.validFrames, "every valid frame is looked at once");
        Require(m.validFrames - framesBefore <= 1, "at most one frame per chunk");
        if (got) {
            Require(hook.lastHead == headBefore, "the look sees the head packet");
            Require(hook.lastFinishes == m.lastFinishes, "the look knows whether the head is finished");
            // m.frame is the frame just processed.
            if (headBefore && m.frame[1] == 0x65)
                Require(command.Queue().Head() == headBefore && headBefore->readPosition == 0,
                        "a repeat keeps and rewinds the head packet");
        }
        if (!got) {
            Require(notifier.notes.empty(), "no notification without a frame");
        } else {
            // Their order within one frame is not part of the behaviour.
            std::vector<Note> want(m.notes.begin() + static_cast<std::ptrdiff_t>(notesBefore), m.notes.end());
            std::vector<Note> have = notifier.notes;
            std::sort(want.begin(), want.end());
            std::sort(have.begin(), have.end());
            Require(want == have, "notifications");
        }
        CheckQueue(command, m);
        Require(command.StopFlag() == m.stopFlag, "stop flag");
        Require(command.PollCompareCounter() == m.pollCompare, "poll-compare counter");
        if (got)
            Require(Stored::Of(g) == m.stored, "stored bytes");
    };

    if (reports) {
        for (std::size_t at = 0; at < size; at += kReportSize)
            feedOne(data + at, std::min<std::size_t>(kReportSize, size - at), true);
    } else {
        const std::size_t step = chunk == 0 ? std::max<std::size_t>(size, 1) : chunk;
        for (std::size_t at = 0; at < size; at += step)
            feedOne(data + at, std::min(step, size - at), false);
    }
    Require(Stored::Of(g) == m.stored, "stored bytes at the end");
    command.SetFirmwareHook(nullptr);
    return 0;
}
