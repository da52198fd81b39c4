// Frames to the device, the outgoing queue and the reply assembler that stores what the device sends back.
#include "link/KTVCommand.h"

#include "link/FirmwareHook.h"
#include "link/LinkWorker.h"
#include "link/Notifier.h"
#include "model/KTV_OutData.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>

namespace {

// Where each block type lives in a parameter image. Types 1, 2 and 10 are single blocks whose index byte is
// only carried; output blocks are spaced by the full 298-byte record but only 296 bytes travel.
struct BlockRegion {
    int type;
    std::size_t offset;
    std::size_t wireSize;
    std::size_t stride;
    int count;
};

constexpr BlockRegion kBlocks[] = {
    {KTVCommand::kTypeMicIn, offsetof(ParamImage, inputA), Layout::kInputBlockSize, 0, 1},
    {KTVCommand::kTypeMusicIn, offsetof(ParamImage, inputB), Layout::kInputBlockSize, 0, 1},
    {KTVCommand::kTypeOutput, offsetof(ParamImage, outputs), Layout::kOutputWireSize,
     Layout::kOutputBlockSize, Layout::kChannels},
    {KTVCommand::kTypeEffect, offsetof(ParamImage, effect), Layout::kEffectBlockSize, 0, 1},
};

const BlockRegion* FindBlock(int type) {
    for (const auto& b : kBlocks)
        if (b.type == type)
            return &b;
    return nullptr;
}

// Byte offset of block `index` of `region` inside an image; npos when the index names no block.
constexpr std::size_t kNoBlock = static_cast<std::size_t>(-1);
std::size_t BlockOffset(const BlockRegion& region, int index) {
    if (region.count == 1)
        return region.offset;
    if (index < 0 || index >= region.count)
        return kNoBlock;
    return region.offset + region.stride * static_cast<std::size_t>(index);
}

// Output slices 31 (gain group) and 34..36 concern one channel only; the device applies the others to the
// whole link group.
constexpr bool SliceCarriesLink(int slice) {
    return slice <= 30 || slice == 32 || slice == 33;
}

// Fields of the system settings by sub-code: what a write carries and how much of a reply is kept.
enum class SysSource { SystemBlock, SourceVolumes, CurrentPreset, DeviceId, PresetName, Zeros };

struct SystemField {
    int subCode;
    SysSource source;
    std::size_t offset;    // within the source block
    std::size_t writeSize; // payload of a write; 0 = never written
    std::size_t storeSize; // bytes of a data reply kept
};

constexpr SystemField kSystemFields[] = {
    {KTVCommand::kSubSourceVolumes, SysSource::SourceVolumes, 0, 8, 5},
    {KTVCommand::kSubCurrentPreset, SysSource::CurrentPreset, 0, 0, 1},
    {KTVCommand::kSubPresetName, SysSource::PresetName, 0, 16, 15},
    {KTVCommand::kSubDeviceId, SysSource::DeviceId, 0, 0, 17},
    {KTVCommand::kSubFactoryReset, SysSource::Zeros, 0, 7, 0},
    {KTVCommand::kSubSystemBlock, SysSource::SystemBlock, 0, 8, 8},
    {KTVCommand::kSubSpeakerTypes, SysSource::SystemBlock, 8, 12, 12},
    {KTVCommand::kSubAuxValues, SysSource::SystemBlock, 24, 8, 8},
};

const SystemField* FindSystemField(int subCode) {
    for (const auto& f : kSystemFields)
        if (f.subCode == subCode)
            return &f;
    return nullptr;
}

// Payload length of every firmware stage and what fills it beyond the bytes given.
struct FirmwareStageLayout {
    int stage;
    std::size_t length;
    std::uint8_t fill;
};

constexpr FirmwareStageLayout kFirmwareStages[] = {
    {KTVCommand::kStageDspStart, 16, 0x00},
    {KTVCommand::kStageDspHead, 4, 0xFF},
    {KTVCommand::kStageDspChunk, KTVCommand::kDspChunkSize, 0xFF},
    {KTVCommand::kStageDspCheck, 1, 0x00},
    {KTVCommand::kStageControllerStart, 16, 0x00},
    {KTVCommand::kStageControllerStart2, 16, 0x00},
    {KTVCommand::kStageControllerChunk, KTVCommand::kControllerChunkSize, 0xFF},
    {KTVCommand::kStageControllerCheck, 1, 0x00},
};

const FirmwareStageLayout* FindFirmwareStage(int stage) {
    for (const auto& s : kFirmwareStages)
        if (s.stage == stage)
            return &s;
    return nullptr;
}

constexpr std::size_t kNameChars = 15;     // characters of a preset name on the wire
constexpr std::size_t kNameCharsKept = 13; // the device's last two characters are stored as spaces
constexpr std::size_t kReadPayload = 8;    // zero payload of every read request
constexpr std::size_t kStatusMinPayload = 3;
constexpr std::size_t kResetZeroed = 300; // bytes of the assembly buffer a reset clears

constexpr std::uint8_t ToByte(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

bool ValidPreset(int preset) {
    return preset >= 0 && preset <= ModelGlobals::kPresetMemories;
}

} // namespace

KTVCommand::KTVCommand(ModelGlobals& globals, CNotifier& notifier) : m_g(globals), m_notifier(notifier) {}

KTVCommand::~KTVCommand() = default;

// --- Frame builders -----------------------------------------------------------------------------------

std::unique_ptr<SendData> KTVCommand::Make(const Frame::Header& header,
                                           std::span<const std::uint8_t> payload) const {
    return std::make_unique<SendData>(Frame::Build(header, payload));
}

bool KTVCommand::IsLinked(int channel) const {
    if (channel < 0 || channel >= Layout::kChannels)
        return false;
    const auto& groups = m_g.g_linkGroup;
    for (int i = 0; i < Layout::kChannels; ++i)
        if (i != channel && groups[static_cast<std::size_t>(i)] == groups[static_cast<std::size_t>(channel)])
            return true;
    return false;
}

std::unique_ptr<SendData> KTVCommand::BuildSliceWrite(int type, int index, int slice) const {
    if (type == kStatusPollType) {
        // The payload means nothing to the device; zeros keep the frame reproducible.
        const std::array<std::uint8_t, kReadPayload> zeros{};
        return Make({.command = Frame::kCmdRead, .preset = 0, .type = kTypeSystem, .index = kSubStatus},
                    zeros);
    }
    const BlockRegion* region = FindBlock(type);
    if (!region || slice < 0 || static_cast<std::size_t>(slice + 1) * Layout::kSliceSize > region->wireSize)
        return nullptr;
    const std::size_t offset = BlockOffset(*region, index);
    if (offset == kNoBlock)
        return nullptr;
    const bool link = type == kTypeOutput && SliceCarriesLink(slice) && IsLinked(index);
    const auto bytes =
        std::span(m_g.liveImage.Bytes(), Layout::kImageSize)
            .subspan(offset + static_cast<std::size_t>(slice) * Layout::kSliceSize, Layout::kSliceSize);
    return Make({.command = Frame::kCmdWrite,
                 .preset = 0,
                 .type = ToByte(type),
                 .index = ToByte(index),
                 .slice = ToByte(slice),
                 .link = ToByte(link)},
                bytes);
}

std::unique_ptr<SendData> KTVCommand::BuildBlockWrite(int preset, int type, int index, bool fromLiveImage) {
    if (type != kTypeMusicIn && type != kTypeOutput)
        return nullptr;
    if (!ValidPreset(preset))
        return nullptr;
    const BlockRegion* region = FindBlock(type);
    const std::size_t offset = BlockOffset(*region, index);
    if (offset == kNoBlock)
        return nullptr;
    ParamImage& source = (fromLiveImage || preset == 0) ? m_g.liveImage : m_g.Preset(preset);
    // A stored preset carries the marker in its music-input record; the live record gets it on the way.
    if (type == kTypeMusicIn && fromLiveImage && preset != 0)
        m_g.liveImage.inputB[Layout::kInputBMarker] = 1;
    const bool link = type == kTypeOutput && IsLinked(index);
    return Make({.command = Frame::kCmdWrite,
                 .preset = ToByte(preset),
                 .type = ToByte(type),
                 .index = ToByte(index),
                 .slice = 0,
                 .link = ToByte(link)},
                std::span(source.Bytes() + offset, region->wireSize));
}

std::unique_ptr<SendData> KTVCommand::BuildBlockRead(int preset, int type, int index,
                                                     bool intoLiveImage) const {
    if (type != kTypeMusicIn && type != kTypeOutput)
        return nullptr;
    if (!ValidPreset(preset) || BlockOffset(*FindBlock(type), index) == kNoBlock)
        return nullptr;
    const std::array<std::uint8_t, kReadPayload> zeros{};
    const std::uint8_t slice = (intoLiveImage && preset != 0) ? 0 : kReadIntoPreset;
    return Make({.command = Frame::kCmdRead,
                 .preset = ToByte(preset),
                 .type = ToByte(type),
                 .index = ToByte(index),
                 .slice = slice},
                zeros);
}

std::unique_ptr<SendData> KTVCommand::BuildSystemRead(int subCode, int value) const {
    if (subCode < 0 || subCode > 0xFF)
        return nullptr;
    const std::array<std::uint8_t, kReadPayload> zeros{};
    return Make(
        {.command = Frame::kCmdRead, .preset = ToByte(value), .type = kTypeSystem, .index = ToByte(subCode)},
        zeros);
}

std::unique_ptr<SendData> KTVCommand::BuildSystemWrite(int subCode, int value) const {
    const SystemField* field = FindSystemField(subCode);
    if (!field || field->writeSize == 0)
        return nullptr;
    std::vector<std::uint8_t> payload(field->writeSize, 0);
    switch (field->source) {
    case SysSource::SystemBlock:
        std::memcpy(payload.data(), m_g.systemBlock.data() + field->offset, field->writeSize);
        break;
    case SysSource::SourceVolumes:
        std::memcpy(payload.data(), m_g.sourceVolumes.data() + field->offset, field->writeSize);
        break;
    case SysSource::PresetName: {
        if (!ValidPreset(value))
            return nullptr;
        const ParamImage& image = value == 0 ? m_g.liveImage : m_g.Preset(value);
        std::memcpy(payload.data(), image.name, kNameChars); // byte 15 stays 0
        break;
    }
    case SysSource::Zeros:
    case SysSource::CurrentPreset:
    case SysSource::DeviceId:
        break;
    }
    return Make(
        {.command = Frame::kCmdWrite, .preset = ToByte(value), .type = kTypeSystem, .index = ToByte(subCode)},
        payload);
}

std::unique_ptr<SendData> KTVCommand::BuildFirmwareFrame(int stage,
                                                         std::span<const std::uint8_t> bytes) const {
    const FirmwareStageLayout* layout = FindFirmwareStage(stage);
    if (!layout || bytes.size() > layout->length)
        return nullptr;
    std::vector<std::uint8_t> payload(layout->length, layout->fill);
    std::copy(bytes.begin(), bytes.end(), payload.begin());
    auto packet = Make(
        {.command = Frame::kCmdWrite, .preset = 0, .type = kTypeSystem, .index = ToByte(stage)}, payload);
    packet->firmwareStage = stage;
    return packet;
}

// --- Outgoing queue -----------------------------------------------------------------------------------

void KTVCommand::Push(std::unique_ptr<SendData> packet) {
    std::lock_guard lock(m_linkLock);
    m_queue.Push(std::move(packet));
    if (CLinkWorker* worker = m_worker.load())
        worker->Wake();
}

int KTVCommand::Count() const {
    std::lock_guard lock(m_linkLock);
    return m_queue.Count();
}

void KTVCommand::Clear() {
    std::lock_guard lock(m_linkLock);
    m_queue.Clear();
    ResetAssembler();
}

namespace {

// The first pending slice of one channel, encoded into the live image; nothing when the channel has none.
// Name, gain group, crossover, mix, limiter, then the lowest pending band. A ramping filter stays pending
// until a step finds its target reached, and that step's slice is still sent.
std::optional<int> EncodeFirstPending(CKTV_OutData& channel) {
    constexpr int kTargetReached = 0; // pending mark once the sent frequency equals the target
    if (channel.GetNamePending())
        return channel.EncodeName();
    if (channel.GetGainPending())
        return channel.EncodeGainGroup();
    if (channel.XoverPending()) {
        for (CFilter* filter : {&channel.HighPass(), &channel.LowPass()})
            if (filter->GetPending())
                filter->StepSentFreq(kTargetReached);
        return channel.EncodeXover();
    }
    if (channel.GetMixPendingA())
        return channel.EncodeMixA();
    if (channel.GetMixPendingB())
        return channel.EncodeMixB();
    if (channel.GetLimPending())
        return channel.EncodeLimiter();
    if (const int band = channel.FirstPendingBand(); band >= 0) {
        channel.Band(band).StepSentFreq(kTargetReached);
        return channel.EncodeBand(band);
    }
    return std::nullopt;
}

} // namespace

std::unique_ptr<SendData> KTVCommand::NextPendingMessage() {
    std::lock_guard lock(m_linkLock);
    if (m_g.systemPending.exchange(0) != 0)
        return BuildSystemWrite(kSubSystemBlock, 0);
    for (int c = 0; c < Layout::kChannels; ++c) {
        CKTV_OutData* channel = m_g.g_channelObj[static_cast<std::size_t>(c)];
        if (!channel)
            continue;
        if (const std::optional<int> slice = EncodeFirstPending(*channel))
            return BuildSliceWrite(kTypeOutput, c, *slice);
    }
    return BuildSliceWrite(kStatusPollType, 0, 0);
}

bool KTVCommand::IsStatusPoll(const SendData& packet) {
    return packet.Command() == Frame::kCmdRead && packet.Type() == kTypeSystem &&
           packet.Index() == kSubStatus;
}

// --- Reply side ---------------------------------------------------------------------------------------

bool KTVCommand::FeedReport(const Report& report) {
    return FeedBytes(report.data() + 1, report.size() - 1);
}

void KTVCommand::ResetAssembler() {
    m_count = 0;
    m_inFrame = false;
    std::fill_n(m_buffer.begin(), kResetZeroed, std::uint8_t{0});
}

bool KTVCommand::FeedBytes(const std::uint8_t* bytes, std::size_t length) {
    std::lock_guard lock(m_linkLock);
    return Assemble(bytes, length, nullptr);
}

bool KTVCommand::FeedReply(const Report& report, std::uint64_t serial) {
    std::lock_guard lock(m_linkLock);
    return Assemble(report.data() + 1, report.size() - 1, &serial);
}

bool KTVCommand::Assemble(const std::uint8_t* bytes, std::size_t length, const std::uint64_t* replyTo) {
    // Buffer offsets of the frame fields: the buffer starts at the start byte (frame offset 3).
    constexpr std::size_t kLengthAt = 9;
    constexpr std::size_t kFixedPart = 13; // start byte through payload length, check and end
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = bytes[i];
        if (!m_inFrame) {
            if (b == Frame::kSync) {
                ++m_syncCount;
                continue;
            }
            // Exactly three sync bytes, or the direct start byte; a fourth 0xA2 spoils the sync.
            const bool start = b == Frame::kStartDirect || m_syncCount == 3;
            m_syncCount = 0;
            if (!start)
                continue;
            m_inFrame = true;
            m_count = 0;
        }
        m_buffer[m_count++] = b;
        if (m_count < kFixedPart)
            continue;
        const std::size_t total = kFixedPart + ReadU16(&m_buffer[kLengthAt]);
        if (total > m_buffer.size()) {
            // Longer than any reply the program asks for: drop it and look for the next frame.
            ResetAssembler();
            continue;
        }
        if (m_count < total)
            continue;
        if (ProcessFrame(total, replyTo))
            return true;
    }
    return false;
}

bool KTVCommand::ProcessFrame(std::size_t total, const std::uint64_t* replyTo) {
    std::uint8_t check = 0;
    for (std::size_t i = 1; i + 2 < total; ++i)
        check ^= m_buffer[i];
    if (m_buffer[total - 1] != Frame::kEnd || m_buffer[total - 2] != check) {
        ResetAssembler();
        return false;
    }

    ReplyHeader h;
    h.command = m_buffer[1];
    h.preset = m_buffer[3];
    h.type = m_buffer[4];
    h.index = m_buffer[5];
    h.slice = m_buffer[6];
    h.length = ReadU16(&m_buffer[9]);
    m_last = h;
    const std::array<std::uint8_t, kAssemblyBufferSize> frame = m_buffer;
    const auto payload = std::span(frame).subspan(11, h.length);

    SendData* head = m_queue.Head();
    if (replyTo && (!head || head->serial != *replyTo)) {
        // The packet this answers has left the queue: the frame ends its exchange and nothing else.
        ResetAssembler();
        return true;
    }
    if (CFirmwareHook* hook = m_firmwareHook.load())
        hook->OnFirmwareReply(head, CompletesHead(h));
    // The popup follows only replies that finish their packet: a repeat request or an empty data reply
    // leaves the packet to go out again, so its batch is not done yet.
    if (head && CompletesHead(h))
        ReportBatchProgress(*head);

    switch (h.command) {
    case Frame::kCmdAck:
        ResetAssembler();
        m_queue.Pop();
        break;
    case Frame::kCmdRepeat:
        ResetAssembler();
        if (head)
            head->readPosition = 0;
        break;
    case Frame::kCmdData:
        StoreData(h, payload);
        ResetAssembler();
        if (CompletesHead(h))
            m_queue.Pop();
        break;
    default:
        ResetAssembler();
        break;
    }
    return true;
}

bool KTVCommand::CompletesHead(const ReplyHeader& h) {
    if (h.command == Frame::kCmdAck)
        return true;
    if (h.command != Frame::kCmdData || h.length == 0)
        return false;
    switch (h.type) {
    case kTypeMicIn:
    case kTypeMusicIn:
    case kTypeOutput:
    case kTypeSystem:
    case kTypeEffect:
        return true;
    default:
        return false;
    }
}

void KTVCommand::ReportBatchProgress(const SendData& head) {
    if (head.completion) {
        m_notifier.Post(UM_TRANSFER_DONE, 0, 0);
        return;
    }
    if (head.progressIndex == 0 || head.firmwareStage != 0)
        return;
    m_notifier.Post(UM_TRANSFER_PROGRESS, head.progressIndex, 0);
    if (head.EndsWriteBatchNow())
        m_notifier.Post(UM_TRANSFER_DONE, 0, 1);
    if (head.EndsReadBatchNow())
        m_notifier.Post(UM_TRANSFER_DONE, 0, 0);
}

std::uint8_t* KTVCommand::ReplyImage(const ReplyHeader& h) {
    if (h.slice == kReadIntoPreset && h.preset != 0) {
        if (h.preset > ModelGlobals::kPresetMemories)
            return nullptr;
        return m_g.Preset(h.preset).Bytes();
    }
    return m_g.liveImage.Bytes();
}

void KTVCommand::StoreData(const ReplyHeader& h, std::span<const std::uint8_t> payload) {
    if (h.length == 0) {
        // The device answers reads with nothing only when its firmware predates them.
        m_stopFlag.store(true);
        m_notifier.Post(UM_FIRMWARE_TOO_OLD, 0, 0);
        return;
    }
    switch (h.type) {
    case kTypeOutput:
        StoreOutputBlock(h, payload);
        break;
    case kTypeMicIn:
    case kTypeMusicIn:
        if (std::uint8_t* image = ReplyImage(h)) {
            const BlockRegion* region = FindBlock(h.type);
            std::memcpy(image + region->offset, payload.data(), std::min(payload.size(), region->wireSize));
        }
        break;
    case kTypeEffect:
        StoreEffectBlock(h, payload);
        break;
    case kTypeSystem:
        StoreSystemField(h, payload);
        break;
    default:
        break;
    }
}

void KTVCommand::StoreOutputBlock(const ReplyHeader& h, std::span<const std::uint8_t> payload) {
    const std::size_t offset = BlockOffset(*FindBlock(kTypeOutput), h.index);
    std::uint8_t* image = ReplyImage(h);
    if (offset == kNoBlock || !image)
        return;
    std::memcpy(image + offset, payload.data(), std::min(payload.size(), Layout::kOutputWireSize));

    if (h.index != Layout::kChannels - 1)
        return;
    constexpr int kLastStoredPreset = 6; // the program reads presets 1..6; the sixth ends the read
    if (h.slice == kReadIntoPreset && h.preset == kLastStoredPreset)
        m_notifier.Post(UM_PRESETS_READ_DONE, h.preset, 0);
    else if (h.slice != kReadIntoPreset || h.preset == 0)
        m_notifier.Post(UM_IMAGE_READ_DONE, h.preset, 0);
}

void KTVCommand::StoreEffectBlock(const ReplyHeader& h, std::span<const std::uint8_t> payload) {
    constexpr int kFirstRecord = 21;
    constexpr std::size_t kRecordBlockAt = 16; // the effect block follows the record's 16-byte name
    const std::size_t n = std::min(payload.size(), Layout::kEffectBlockSize);
    const std::size_t effectAt = offsetof(ParamImage, effect);
    if (h.slice != kReadIntoPreset) {
        std::memcpy(m_g.liveImage.Bytes() + effectAt, payload.data(), n);
        if (h.preset >= kFirstRecord)
            m_notifier.Post(UM_EFFECT_BLOCK_READ, h.preset, 0);
        return;
    }
    if (h.preset >= kFirstRecord) {
        const int record = h.preset - kFirstRecord;
        if (record < ModelGlobals::kEffectRecords)
            std::memcpy(m_g.effectRecords[static_cast<std::size_t>(record)].data() + kRecordBlockAt,
                        payload.data(), n);
        return;
    }
    if (std::uint8_t* image = ReplyImage(h))
        std::memcpy(image + effectAt, payload.data(), n);
}

void KTVCommand::StoreSystemField(const ReplyHeader& h, std::span<const std::uint8_t> payload) {
    if (h.index == kSubStatus) {
        CompareStatus(payload);
        return;
    }
    const SystemField* field = FindSystemField(h.index);
    if (!field || field->storeSize == 0)
        return;
    const std::size_t n = std::min(payload.size(), field->storeSize);
    switch (field->source) {
    case SysSource::SystemBlock:
        std::memcpy(m_g.systemBlock.data() + field->offset, payload.data(), n);
        break;
    case SysSource::SourceVolumes:
        std::memcpy(m_g.sourceVolumes.data() + field->offset, payload.data(), n);
        break;
    case SysSource::CurrentPreset:
        m_g.currentPreset = payload[0];
        break;
    case SysSource::DeviceId:
        std::memcpy(m_g.deviceId.data(), payload.data(), n);
        m_notifier.Post(UM_DEVICE_ID_READ, 0, 0);
        break;
    case SysSource::PresetName: {
        if (!ValidPreset(h.preset))
            return;
        std::uint8_t* name = h.preset == 0 ? m_g.liveImage.name : m_g.Preset(h.preset).name;
        std::memcpy(name, payload.data(), std::min(n, kNameCharsKept));
        std::fill(name + kNameCharsKept, name + kNameChars, std::uint8_t{' '});
        m_notifier.Post(UM_NAME_READ, h.preset, 0);
        break;
    }
    case SysSource::Zeros:
        break;
    }
}

void KTVCommand::CompareStatus(std::span<const std::uint8_t> payload) {
    if (payload.size() < kStatusMinPayload)
        return;
    // Count up to the limit; the UI thread may set the counter at any time, so count without losing that.
    int seen = m_pollCompare.load();
    while (seen < kPollCompareFull && !m_pollCompare.compare_exchange_weak(seen, seen + 1)) {
    }
    if (std::min(seen + 1, kPollCompareFull) < kPollCompareFull)
        return;
    // The poll was queued before a local change of the system block that waits to go out (marked, or
    // queued behind the poll): the reply shows the device as it was before that change, and adopting it
    // would take the user's change back. The next poll, once the change has gone out, compares again.
    if (m_g.systemPending.load() != 0 || m_queue.Count() > 1)
        return;

    const std::uint8_t volume = payload[0];
    const std::uint8_t outputOn = payload[1];
    const std::uint8_t source = payload[2];
    if (source != m_g.systemBlock[0])
        m_notifier.Post(UM_DEVICE_SOURCE, source, 0);
    else if (volume != ReadU16(&m_g.systemBlock[2]))
        m_notifier.Post(UM_DEVICE_VOLUME, volume, 0);
    else if (outputOn != m_g.systemBlock[5])
        m_notifier.Post(UM_DEVICE_MUTE, outputOn, 0);
}
