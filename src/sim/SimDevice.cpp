// The simulated device: answers the tool's frames from its own image, presets and system values.
#include "sim/SimDevice.h"

#include "model/ModelGlobals.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>

namespace {

constexpr std::size_t kReportPayload = kReportSize - 1; // frame bytes per report

constexpr std::uint8_t kTypeMicIn = 1;
constexpr std::uint8_t kTypeMusicIn = 2;
constexpr std::uint8_t kTypeOutput = 3;
constexpr std::uint8_t kTypeSystem = 4;
constexpr std::uint8_t kTypeEffect = 10;

constexpr std::uint8_t kSubStatus = 3;
constexpr std::uint8_t kSubPresetName = 134;
constexpr std::uint8_t kSubIdentifier = 136;
constexpr std::uint8_t kSubFactoryReset = 137;
constexpr std::uint8_t kSubFirmwareRestart = 176; // the device restarts once this stage is acknowledged
constexpr std::size_t kNameSize = 16;
constexpr std::size_t kStatusSize = 8;

// The link's idle request: the box's volume, switch and source.
bool IsStatusPoll(const Frame::Header& h) {
    return h.command == Frame::kCmdRead && h.type == kTypeSystem && h.index == kSubStatus;
}

// Image blocks the device transfers: which type and index name them and where they lie in an image.
struct BlockKind {
    std::uint8_t type;
    std::uint8_t firstIndex;
    std::uint8_t lastIndex;
    std::size_t offset; // of the block for firstIndex
    std::size_t stride; // between consecutive indexes
    std::size_t size;   // bytes on the wire
};
constexpr BlockKind kBlocks[] = {
    {kTypeMicIn, 0, 0, offsetof(ParamImage, inputA), 0, Layout::kInputBlockSize},
    {kTypeMusicIn, 2, 2, offsetof(ParamImage, inputB), 0, Layout::kInputBlockSize},
    {kTypeOutput, 0, Layout::kChannels - 1, offsetof(ParamImage, outputs), Layout::kOutputBlockSize,
     Layout::kOutputWireSize},
    // Effect blocks: index 0 or an effect number; byte 6 chooses live, preset or effect record.
    {kTypeEffect, 0, 0, offsetof(ParamImage, effect), 0, Layout::kEffectBlockSize},
    {kTypeEffect, 21, 40, offsetof(ParamImage, effect), 0, Layout::kEffectBlockSize},
};

// System fields that are plain bytes of one of the device's blocks.
enum class Region { SourceVolumes, CurrentPreset, System };
struct SystemField {
    std::uint8_t subCode;
    Region region;
    std::size_t offset;
    std::size_t size;
    bool writable;
};
constexpr SystemField kSystemFields[] = {
    {48, Region::SourceVolumes, 0, 8, true}, {64, Region::CurrentPreset, 0, 1, false},
    {144, Region::System, 0, 8, true},       {145, Region::System, 8, 12, true},
    {146, Region::System, 24, 8, true},
};

struct FirmwareStage {
    std::uint8_t subCode;
    enum class Part { Start, Head, DspChunk, DspCheck, ControllerChunk, ControllerCheck } part;
};
constexpr FirmwareStage kFirmwareStages[] = {
    {176, FirmwareStage::Part::Start},           {177, FirmwareStage::Part::Head},
    {178, FirmwareStage::Part::DspChunk},        {179, FirmwareStage::Part::DspCheck},
    {224, FirmwareStage::Part::Start},           {225, FirmwareStage::Part::Start},
    {226, FirmwareStage::Part::ControllerChunk}, {227, FirmwareStage::Part::ControllerCheck},
};

const BlockKind* FindBlock(std::uint8_t type, std::uint8_t index) {
    for (const BlockKind& b : kBlocks)
        if (b.type == type && index >= b.firstIndex && index <= b.lastIndex)
            return &b;
    return nullptr;
}

const SystemField* FindSystemField(std::uint8_t subCode) {
    for (const SystemField& f : kSystemFields)
        if (f.subCode == subCode)
            return &f;
    return nullptr;
}

const FirmwareStage* FindFirmwareStage(std::uint8_t subCode) {
    for (const FirmwareStage& s : kFirmwareStages)
        if (s.subCode == subCode)
            return &s;
    return nullptr;
}

// The image a message addresses by its byte 6: 0 the live settings, 1..20 a stored preset.
ParamImage* ImageOf(SimState& state, std::uint8_t preset) {
    if (preset == 0)
        return &state.live;
    if (preset <= SimState::kPresets)
        return &state.Preset(preset);
    return nullptr;
}

// The bytes of a block a message addresses, or an empty span when the device has no such block.
std::span<std::uint8_t> BlockOf(SimState& state, const Frame::Header& h) {
    const BlockKind* kind = FindBlock(h.type, h.index);
    if (!kind)
        return {};
    if (h.type == kTypeEffect && h.preset >= 21 && h.preset < 21 + SimState::kEffectRecords)
        return state.effects[static_cast<std::size_t>(h.preset - 21)];
    ParamImage* image = ImageOf(state, h.preset);
    if (!image)
        return {};
    const std::size_t offset =
        kind->offset + kind->stride * static_cast<std::size_t>(h.index - kind->firstIndex);
    return {image->Bytes() + offset, kind->size};
}

std::span<std::uint8_t> FieldOf(SimState& state, const SystemField& f) {
    switch (f.region) {
    case Region::SourceVolumes:
        return std::span(state.sourceVolumes).subspan(f.offset, f.size);
    case Region::CurrentPreset:
        return {&state.currentPreset, 1};
    case Region::System:
        return std::span(state.system).subspan(f.offset, f.size);
    }
    return {};
}

// The remembered-volume group of an input source: optical and coaxial share group 3.
std::size_t VolumeGroup(int source) {
    constexpr std::size_t kGroups[] = {0, 1, 2, 3, 3, 4};
    return kGroups[std::clamp(source, 0, 5)];
}

const char* CommandName(std::uint8_t command) {
    switch (command) {
    case Frame::kCmdWrite:
        return "write";
    case Frame::kCmdRead:
        return "read";
    case Frame::kCmdAck:
        return "ack";
    case Frame::kCmdRepeat:
        return "repeat";
    case Frame::kCmdData:
        return "data";
    default:
        return nullptr;
    }
}

const char* FaultName(Frame::Fault fault) {
    switch (fault) {
    case Frame::Fault::Short:
    case Frame::Fault::Length:
        return "length";
    case Frame::Fault::Sync:
        return "sync";
    case Frame::Fault::Check:
        return "check byte";
    case Frame::Fault::End:
        return "end byte";
    case Frame::Fault::None:
        break;
    }
    return "address";
}

} // namespace

std::string SimFrame::Describe() const {
    std::string line;
    char buf[96];
    if (const char* name = CommandName(header.command))
        line = name;
    else {
        std::snprintf(buf, sizeof buf, "cmd %02X", header.command);
        line = buf;
    }
    std::snprintf(buf, sizeof buf, " preset=%u type=%u index=%u slice=%u link=%u N=%zu", header.preset,
                  header.type, header.index, header.slice, header.link, payload.size());
    line += buf;
    if (!payload.empty()) {
        line += " :";
        for (std::uint8_t b : payload) {
            std::snprintf(buf, sizeof buf, " %02x", b);
            line += buf;
        }
    }
    return line;
}

SimState SimState::Factory() {
    // The box leaves the factory with what the tool holds at start-up; a stored preset starts as that same
    // setup under the empty name of a preset memory.
    const auto g = std::make_unique<ModelGlobals>();
    ResetModelGlobals(*g);
    SimState s;
    s.live = g->liveImage;
    for (std::size_t p = 0; p < s.presets.size(); ++p) {
        s.presets[p] = g->liveImage;
        std::copy_n(g->presets[p].Bytes(), offsetof(ParamImage, effect), s.presets[p].Bytes());
    }
    s.system = g->systemBlock;
    s.sourceVolumes = g->sourceVolumes;
    s.currentPreset = static_cast<std::uint8_t>(g->currentPreset);
    return s;
}

CSimDevice::CSimDevice() : m_state(SimState::Factory()) {
    SetIdentifier(kIdentifier);
}

// --- Transport side
// -----------------------------------------------------------------------------------------

std::uint64_t CSimDevice::OpenSession() {
    std::lock_guard lock(m_mutex);
    RefreshPlugLocked();
    if (!m_plugged || m_session != 0)
        return 0;
    m_session = m_nextSession++;
    ResetLinkLocked();
    return m_session;
}

void CSimDevice::CloseSession(std::uint64_t session) {
    std::lock_guard lock(m_mutex);
    if (session != 0 && session == m_session) {
        m_session = 0;
        ResetLinkLocked();
    }
}

bool CSimDevice::SessionAlive(std::uint64_t session) {
    std::lock_guard lock(m_mutex);
    RefreshPlugLocked();
    return session != 0 && session == m_session;
}

bool CSimDevice::WriteReport(std::uint64_t session, const Report& report) {
    std::vector<std::string> lines;
    Listener listener;
    {
        std::lock_guard lock(m_mutex);
        RefreshPlugLocked();
        if (session == 0 || session != m_session)
            return false;
        if (m_answering == 0) {
            ++m_counters.unanswered;
            return true;
        }
        if (m_answering > 0)
            --m_answering;
        FeedLocked(std::span(report).subspan(1), lines);
        if (!lines.empty())
            listener = m_listener;
    }
    if (listener)
        for (const std::string& line : lines)
            listener(line);
    return true;
}

bool CSimDevice::ReadReport(std::uint64_t session, Report& report) {
    std::lock_guard lock(m_mutex);
    RefreshPlugLocked();
    report.fill(0);
    if (session == 0 || session != m_session)
        return false;
    if (m_replies.empty() || m_replies.front().readyAt > Clock::now())
        return true;
    Reply& reply = m_replies.front();
    const std::size_t n = std::min(kReportPayload, reply.bytes.size() - reply.sent);
    std::copy_n(reply.bytes.begin() + static_cast<std::ptrdiff_t>(reply.sent), n, report.begin() + 1);
    reply.sent += n;
    if (reply.sent == reply.bytes.size()) {
        const bool restart = reply.restartAfter;
        m_replies.pop_front();
        if (restart)
            RestartLocked();
    }
    return true;
}

std::optional<CSimDevice::Clock::time_point> CSimDevice::NextReplyAt(std::uint64_t session) {
    std::lock_guard lock(m_mutex);
    RefreshPlugLocked();
    if (session == 0 || session != m_session || m_replies.empty())
        return std::nullopt;
    return m_replies.front().readyAt;
}

void CSimDevice::RefreshPlugLocked() {
    if (!m_plugged && m_backAt && Clock::now() >= *m_backAt) {
        m_plugged = true;
        m_backAt.reset();
    }
}

void CSimDevice::GoAwayLocked() {
    m_plugged = false;
    m_session = 0;
    ResetLinkLocked();
}

void CSimDevice::ResetLinkLocked() {
    m_partial.clear();
    m_partialTotal = 0;
    m_replies.clear();
}

void CSimDevice::RestartLocked() {
    ++m_counters.restarts;
    GoAwayLocked();
    m_backAt = Clock::now() + m_restartTime;
    RefreshPlugLocked();
}

// --- Request assembly
// ----------------------------------------------------------------------------------------

void CSimDevice::FeedLocked(std::span<const std::uint8_t> bytes, std::vector<std::string>& lines) {
    std::vector<std::uint8_t> frame;
    if (!m_partial.empty()) {
        m_partial.insert(m_partial.end(), bytes.begin(), bytes.end());
        if (m_partial.size() < m_partialTotal)
            return;
        frame.swap(m_partial);
        m_partialTotal = 0;
    } else {
        // An idle link's empty report carries nothing; anything else must open a frame at its first byte.
        if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; }))
            return;
        if (bytes[0] != Frame::kSync || bytes[1] != Frame::kSync || bytes[2] != Frame::kSync ||
            bytes[3] != Frame::kStartRequest)
            return RejectLocked(Frame::Fault::Sync, lines);
        const std::size_t total = ReadU16(&bytes[12]) + Frame::kOverhead;
        if (total > kMaxFrame)
            return RejectLocked(Frame::Fault::Length, lines);
        if (total > bytes.size()) {
            m_partial.assign(bytes.begin(), bytes.end());
            m_partialTotal = total;
            return;
        }
        frame.assign(bytes.begin(), bytes.end());
    }

    Frame::Fault fault = Frame::Fault::None;
    std::optional<Frame::Parsed> parsed = Frame::Parse(frame, &fault);
    if (!parsed)
        return RejectLocked(fault, lines);
    if (frame[5] != Frame::kAddress)
        return RejectLocked(Frame::Fault::None, lines);

    SimFrame received{parsed->header, std::move(parsed->payload)};
    // Counted apart from the trace: the link polls without pause in the fast profile, so the trace soon
    // holds only its newest frames.
    ++m_counters.accepted;
    const Frame::Header& h = received.header;
    m_counters.writes += h.command == Frame::kCmdWrite ? 1 : 0;
    m_counters.statusPolls += IsStatusPoll(h) ? 1 : 0;
    if (m_trace.size() == kTraceLimit)
        m_trace.pop_front();
    m_trace.push_back(received);
    if (m_listener)
        lines.push_back(received.Describe());
    HandleLocked(received);
}

void CSimDevice::RejectLocked(Frame::Fault fault, std::vector<std::string>& lines) {
    ++m_counters.rejected;
    switch (fault) {
    case Frame::Fault::Sync:
        ++m_counters.rejectedSync;
        break;
    case Frame::Fault::Short:
    case Frame::Fault::Length:
        ++m_counters.rejectedLength;
        break;
    case Frame::Fault::Check:
        ++m_counters.rejectedCheck;
        break;
    case Frame::Fault::End:
        ++m_counters.rejectedEnd;
        break;
    case Frame::Fault::None: // parsed, but not addressed to this device
        ++m_counters.rejectedAddress;
        break;
    }
    if (m_listener)
        lines.push_back(std::string("rejected: ") + FaultName(fault));
}

// --- Answers
// -------------------------------------------------------------------------------------------------

void CSimDevice::HandleLocked(const SimFrame& frame) {
    if (m_repeat > 0) {
        --m_repeat;
        return ReplyLocked(Frame::kCmdRepeat, frame.header, {});
    }
    switch (frame.header.command) {
    case Frame::kCmdWrite:
        return HandleWriteLocked(frame);
    case Frame::kCmdRead:
        if (m_empty > 0) {
            --m_empty;
            return ReplyLocked(Frame::kCmdData, frame.header, {});
        }
        return HandleReadLocked(frame);
    default:
        return UnsupportedLocked(frame.header);
    }
}

void CSimDevice::HandleWriteLocked(const SimFrame& frame) {
    const Frame::Header& h = frame.header;
    if (h.type == kTypeSystem)
        return HandleSystemWriteLocked(frame);
    std::span<std::uint8_t> block = BlockOf(m_state, h);
    const std::size_t n = frame.payload.size();
    if (block.empty())
        return UnsupportedLocked(h);
    if (n == block.size()) {
        std::copy(frame.payload.begin(), frame.payload.end(), block.begin());
    } else if (n == Layout::kSliceSize && (h.slice + 1u) * Layout::kSliceSize <= block.size()) {
        std::copy(frame.payload.begin(), frame.payload.end(), block.begin() + h.slice * Layout::kSliceSize);
    } else {
        return UnsupportedLocked(h);
    }
    ReplyLocked(Frame::kCmdAck, h, {});
}

void CSimDevice::HandleReadLocked(const SimFrame& frame) {
    const Frame::Header& h = frame.header;
    if (h.type == kTypeSystem)
        return HandleSystemReadLocked(frame);
    std::span<std::uint8_t> block = BlockOf(m_state, h);
    if (block.empty())
        return UnsupportedLocked(h);
    // Byte 9 = 0 with a stored preset loads that preset's block into the live settings: the tool recalls a
    // preset this way and sends nothing back afterwards.
    if (h.slice == 0 && h.preset >= 1 && h.preset <= SimState::kPresets) {
        Frame::Header live = h;
        live.preset = 0;
        std::span<std::uint8_t> liveBlock = BlockOf(m_state, live);
        std::copy(block.begin(), block.end(), liveBlock.begin());
        m_state.currentPreset = h.preset;
    }
    ReplyLocked(Frame::kCmdData, h, block);
}

void CSimDevice::HandleSystemWriteLocked(const SimFrame& frame) {
    const Frame::Header& h = frame.header;
    const std::span<const std::uint8_t> payload = frame.payload;
    if (FindFirmwareStage(h.index))
        return HandleFirmwareLocked(frame);
    if (h.index == kSubFactoryReset) {
        m_state = SimState::Factory();
        return ReplyLocked(Frame::kCmdAck, h, {});
    }
    std::span<std::uint8_t> field;
    if (h.index == kSubPresetName) {
        if (ParamImage* image = ImageOf(m_state, h.preset))
            field = std::span(image->name);
    } else if (const SystemField* f = FindSystemField(h.index); f && f->writable) {
        field = FieldOf(m_state, *f);
    }
    if (field.empty())
        return UnsupportedLocked(h);
    // A short payload changes only the bytes it carries; a long one is cut to the field.
    std::copy_n(payload.begin(), std::min(payload.size(), field.size()), field.begin());
    ReplyLocked(Frame::kCmdAck, h, {});
}

void CSimDevice::HandleSystemReadLocked(const SimFrame& frame) {
    const Frame::Header& h = frame.header;
    if (h.index == kSubStatus) {
        std::array<std::uint8_t, kStatusSize> status{};
        status[0] = m_state.system[2]; // master volume, low byte (0..60)
        status[1] = m_state.system[5];
        status[2] = m_state.system[0];
        return ReplyLocked(Frame::kCmdData, h, status);
    }
    if (h.index == kSubIdentifier)
        return ReplyLocked(Frame::kCmdData, h, m_identifier);
    if (h.index == kSubPresetName) {
        if (ParamImage* image = ImageOf(m_state, h.preset))
            return ReplyLocked(Frame::kCmdData, h, std::span(image->name, kNameSize));
        return UnsupportedLocked(h);
    }
    if (const SystemField* f = FindSystemField(h.index))
        return ReplyLocked(Frame::kCmdData, h, FieldOf(m_state, *f));
    UnsupportedLocked(h);
}

void CSimDevice::HandleFirmwareLocked(const SimFrame& frame) {
    const Frame::Header& h = frame.header;
    const FirmwareStage* stage = FindFirmwareStage(h.index);
    const std::vector<std::uint8_t>& payload = frame.payload;
    m_firmware.stages.push_back(h.index);
    switch (stage->part) {
    case FirmwareStage::Part::Start:
        if (h.index == kSubFirmwareRestart) {
            m_firmware.dspHead.clear();
            m_firmware.dsp.clear();
            m_firmware.dspCheck.reset();
        } else if (h.index == 224) {
            m_firmware.controller.clear();
            m_firmware.controllerCheck.reset();
        }
        break;
    case FirmwareStage::Part::Head:
        m_firmware.dspHead = payload;
        break;
    case FirmwareStage::Part::DspChunk:
        m_firmware.dsp.insert(m_firmware.dsp.end(), payload.begin(), payload.end());
        break;
    case FirmwareStage::Part::DspCheck:
        if (!payload.empty())
            m_firmware.dspCheck = payload[0];
        break;
    case FirmwareStage::Part::ControllerChunk:
        m_firmware.controller.insert(m_firmware.controller.end(), payload.begin(), payload.end());
        break;
    case FirmwareStage::Part::ControllerCheck:
        if (!payload.empty())
            m_firmware.controllerCheck = payload[0];
        break;
    }
    ReplyLocked(Frame::kCmdAck, h, {}, h.index == kSubFirmwareRestart);
}

void CSimDevice::UnsupportedLocked(const Frame::Header& request) {
    ++m_counters.unsupported;
    ReplyLocked(Frame::kCmdAck, request, {});
}

void CSimDevice::ReplyLocked(std::uint8_t command, const Frame::Header& request,
                             std::span<const std::uint8_t> payload, bool restartAfter) {
    Frame::Header h;
    h.command = command;
    h.preset = request.preset;
    h.type = request.type;
    h.index = request.index;
    h.slice = request.slice;
    h.link = 0;
    h.start = m_replyStart == Frame::kStartDirect ? Frame::kStartDirect : Frame::kStartRequest;
    std::vector<std::uint8_t> bytes = Frame::Build(h, payload);
    if (h.start == Frame::kStartDirect)
        bytes.erase(bytes.begin(), bytes.begin() + 3);
    if (m_corrupt > 0) {
        --m_corrupt;
        bytes[bytes.size() - 2] ^= 0xFF;
    }
    if (m_drop > 0) {
        --m_drop;
        if (restartAfter)
            RestartLocked();
        return;
    }
    m_replies.push_back(Reply{std::move(bytes), 0, Clock::now() + m_delay, restartAfter});
}

// --- Knobs
// ---------------------------------------------------------------------------------------------------

void CSimDevice::UserSetVolume(int volume) {
    std::lock_guard lock(m_mutex);
    const auto v = static_cast<std::uint8_t>(std::clamp(volume, 0, 60));
    WriteU16(&m_state.system[2], v);
    m_state.sourceVolumes[VolumeGroup(m_state.system[0])] = v;
}

void CSimDevice::UserSelectSource(int source) {
    std::lock_guard lock(m_mutex);
    m_state.system[0] = static_cast<std::uint8_t>(std::clamp(source, 0, 5));
}

void CSimDevice::UserSetOutput(bool on) {
    std::lock_guard lock(m_mutex);
    m_state.system[5] = on ? 1 : 0;
}

void CSimDevice::SetIdentifier(std::string_view identifier) {
    std::lock_guard lock(m_mutex);
    m_identifier.fill(0);
    std::copy_n(identifier.begin(), std::min(identifier.size(), m_identifier.size()), m_identifier.begin());
}

void CSimDevice::DropReplies(int n) {
    std::lock_guard lock(m_mutex);
    m_drop = std::max(n, 0);
}

void CSimDevice::SetReplyDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_delay = std::max(delay, std::chrono::milliseconds{0});
}

void CSimDevice::CorruptChecks(int n) {
    std::lock_guard lock(m_mutex);
    m_corrupt = std::max(n, 0);
}

void CSimDevice::RequestRepeats(int n) {
    std::lock_guard lock(m_mutex);
    m_repeat = std::max(n, 0);
}

void CSimDevice::AnswerEmpty(int n) {
    std::lock_guard lock(m_mutex);
    m_empty = std::max(n, 0);
}

void CSimDevice::StopAnsweringAfter(int n) {
    std::lock_guard lock(m_mutex);
    m_answering = n;
}

void CSimDevice::SetReplyStart(std::uint8_t start) {
    std::lock_guard lock(m_mutex);
    m_replyStart = start;
}

void CSimDevice::Unplug() {
    std::lock_guard lock(m_mutex);
    m_backAt.reset();
    GoAwayLocked();
}

void CSimDevice::PlugIn() {
    std::lock_guard lock(m_mutex);
    m_backAt.reset();
    m_plugged = true;
}

bool CSimDevice::IsPlugged() {
    std::lock_guard lock(m_mutex);
    RefreshPlugLocked();
    return m_plugged;
}

void CSimDevice::SetRestartTime(std::chrono::milliseconds time) {
    std::lock_guard lock(m_mutex);
    m_restartTime = std::max(time, std::chrono::milliseconds{0});
}

void CSimDevice::SetListener(Listener listener) {
    std::lock_guard lock(m_mutex);
    m_listener = std::move(listener);
}

// --- State
// ---------------------------------------------------------------------------------------------------

SimState CSimDevice::State() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

void CSimDevice::ModifyState(const std::function<void(SimState&)>& change) {
    std::lock_guard lock(m_mutex);
    change(m_state);
}

std::vector<SimFrame> CSimDevice::Trace() const {
    std::lock_guard lock(m_mutex);
    return {m_trace.begin(), m_trace.end()};
}

void CSimDevice::ClearTrace() {
    std::lock_guard lock(m_mutex);
    m_trace.clear();
}

SimCounters CSimDevice::Counters() const {
    std::lock_guard lock(m_mutex);
    return m_counters;
}

SimFirmwareLog CSimDevice::Firmware() const {
    std::lock_guard lock(m_mutex);
    return m_firmware;
}

std::string CSimDevice::Identifier() const {
    std::lock_guard lock(m_mutex);
    return std::string(m_identifier.begin(), m_identifier.end());
}
