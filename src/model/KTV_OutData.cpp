// One output channel: its filter set and channel settings, collected into and applied from its output block.
#include "model/KTV_OutData.h"

#include "base/DataDefine.h"
#include "model/FilterRecord.h"

#include <algorithm>

namespace {

constexpr std::array<const char*, Layout::kChannels> kChannelNames{"FL",     "FR",  "SL",  "SR",
                                                                   "Center", "ULF", "CH7", "CH8"};

constexpr std::array<ChannelColour, Layout::kChannels> kChannelColours{{
    {100, 100, 100},
    {255, 0, 0},
    {255, 127, 39},
    {255, 180, 0},
    {0, 255, 0},
    {103, 146, 255},
    {255, 128, 192},
    {45, 244, 235},
}};

// Crossover drag profile of the graph by channel; 7, 8 and 9 drag alike.
constexpr std::array<int, Layout::kChannels> kRangeProfiles{9, 8, 7, 9, 8, 7, 7, 7};

} // namespace

CKTV_OutData::CKTV_OutData(ModelGlobals& globals, int channel)
    : m_globals(globals), m_channel(channel),
      m_name(QString::fromLatin1(kChannelNames[static_cast<std::size_t>(channel)])),
      m_filters(kRangeProfiles[static_cast<std::size_t>(channel)]),
      m_colour(kChannelColours[static_cast<std::size_t>(channel)]) {}

// ---- Image ----------------------------------------------------------------------------------------------

Status CKTV_OutData::CollectChannel() {
    OutputBlock& block = LiveBlock();
    for (int k = 0; k < Layout::kBands; ++k)
        block.bands[k] = FilterRecord::Encode(m_filters.Band(k));
    const Status name = WriteName(block.name);
    WriteGainGroup(block);
    WriteXover(block);
    WriteMix(block, 0, kMixInputs);
    WriteLimiter(block);
    return name;
}

void CKTV_OutData::ApplyChannel(const OutputBlock& block) {
    for (int k = 0; k < Layout::kBands; ++k)
        FilterRecord::Apply(m_filters.Band(k), block.bands[k]);
    {
        const QString name = ReadFieldFull(block.name, kNameFieldSize);
        const std::lock_guard lock(m_nameLock);
        m_name = name;
    }
    FilterRecord::ApplyXover(m_filters.HighPass(), block.highPass);
    FilterRecord::ApplyXover(m_filters.LowPass(), block.lowPass);

    m_outputOn = block.outputOn;
    m_polarity = block.polarity;
    m_delay = block.delay;
    m_gainCode = block.gainCode;
    m_gainOff = block.gainCode == 0 ? 1 : 0;
    m_eqMode = block.eqMode;
    MirrorEqMode(block.eqMode);
    m_auxByte = block.auxByte;

    m_limThreshold = block.limThreshold;
    m_limAttack = block.limAttack;
    m_limRelease = block.limRelease;

    for (int i = 0; i < kMixInputs; ++i)
        m_mix[static_cast<std::size_t>(i)] = block.mix[i];
}

int CKTV_OutData::EncodeBand(int k) {
    LiveBlock().bands[k] = FilterRecord::Encode(m_filters.Band(k));
    return k;
}

int CKTV_OutData::EncodeGainGroup() {
    m_gainPending = 0;
    WriteGainGroup(LiveBlock());
    return OutputSlice::kGainGroup;
}

int CKTV_OutData::EncodeXover() {
    WriteXover(LiveBlock());
    return OutputSlice::kXover;
}

int CKTV_OutData::EncodeMixA() {
    m_mixPendingA = 0;
    WriteMix(LiveBlock(), 0, 8);
    return OutputSlice::kMixA;
}

int CKTV_OutData::EncodeMixB() {
    m_mixPendingB = 0;
    WriteMix(LiveBlock(), 8, kMixInputs - 8);
    return OutputSlice::kMixB;
}

int CKTV_OutData::EncodeLimiter() {
    m_limPending = 0;
    WriteLimiter(LiveBlock());
    return OutputSlice::kLimiter;
}

int CKTV_OutData::EncodeName() {
    m_namePending = 0;
    // A name that does not fit leaves the field as it is; SetName never stores one, so only an applied
    // eight-character field can get here, and that field is already in the image.
    (void)WriteName(LiveBlock().name);
    return OutputSlice::kName;
}

void CKTV_OutData::EncodeChannelBlock() {
    OutputBlock& block = LiveBlock();
    for (int k = 0; k < Layout::kBands; ++k)
        block.bands[k] = FilterRecord::Encode(m_filters.Band(k));
    WriteFieldCut(block.name, kNameFieldSize, GetName());
    WriteGainGroup(block);
    WriteXover(block);
    WriteMix(block, 0, kMixInputs);
    WriteLimiter(block);
}

Status CKTV_OutData::WriteName(std::uint8_t* field) {
    return WriteFieldStrict(field, kNameFieldSize, GetName());
}

void CKTV_OutData::WriteGainGroup(OutputBlock& block) const {
    block.outputOn = static_cast<std::uint8_t>(m_outputOn.load());
    block.polarity = static_cast<std::uint8_t>(m_polarity.load());
    block.gainCode = static_cast<std::uint16_t>(m_gainOff.load() ? 0 : m_gainCode.load());
    block.delay = static_cast<std::uint16_t>(m_delay.load());
    block.eqMode = static_cast<std::uint8_t>(m_eqMode.load());
    block.auxByte = static_cast<std::uint8_t>(m_auxByte.load());
}

void CKTV_OutData::WriteXover(OutputBlock& block) const {
    block.highPass = FilterRecord::EncodeXover(m_filters.HighPass());
    block.lowPass = FilterRecord::EncodeXover(m_filters.LowPass());
}

void CKTV_OutData::WriteMix(OutputBlock& block, int first, int count) const {
    for (int i = first; i < first + count; ++i)
        block.mix[i] = static_cast<std::uint8_t>(m_mix[static_cast<std::size_t>(i)].load());
}

void CKTV_OutData::WriteLimiter(OutputBlock& block) const {
    block.limThreshold = static_cast<std::uint16_t>(m_limThreshold.load());
    block.limAttack = static_cast<std::uint8_t>(m_limAttack.load());
    block.limRelease = static_cast<std::uint8_t>(m_limRelease.load());
}

// ---- Setters ---------------------------------------------------------------------------------------------

void CKTV_OutData::SetChannelGain(int code) {
    m_gainCode = code;
    m_gainOff = code == 0 ? 1 : 0;
    m_gainPending = Connected();
    PropagateGainGroup();
}

void CKTV_OutData::SetOutputOn(int on) {
    m_outputOn = on;
    m_gainPending = Connected();
}

void CKTV_OutData::SetPolarity(int inverted) {
    m_polarity = inverted;
    m_gainPending = Connected();
    PropagateGainGroup();
}

void CKTV_OutData::SetDelay(int samples) {
    m_delay = samples;
    m_gainPending = Connected();
}

void CKTV_OutData::SetEqMode(int mode) {
    m_eqMode = mode;
    MirrorEqMode(mode);
    m_gainPending = Connected();
    PropagateGainGroup();
}

void CKTV_OutData::SetMix(std::span<const int, kMixInputs> levels) {
    for (int i = 0; i < kEditedMixInputs; ++i)
        m_mix[static_cast<std::size_t>(i)] = levels[static_cast<std::size_t>(i)];
    m_mixPendingA = Connected();
}

void CKTV_OutData::SetMixB(std::span<const int, kMixInputs> levels) {
    for (int i = 0; i < kEditedMixInputs; ++i)
        m_mix[static_cast<std::size_t>(i)] = levels[static_cast<std::size_t>(i)];
    m_mixPendingB = Connected();
}

void CKTV_OutData::SetLimiter(int threshold, int attack, int release) {
    m_limThreshold = threshold;
    m_limAttack = attack;
    m_limRelease = release;
    m_limPending = Connected();
}

Status CKTV_OutData::CheckName(const QString& name) {
    std::array<std::uint8_t, kNameFieldSize> scratch{};
    return WriteFieldStrict(scratch.data(), scratch.size(), name);
}

Status CKTV_OutData::SetName(const QString& name) {
    const Status fits = CheckName(name);
    if (!fits)
        return fits;
    {
        const std::lock_guard lock(m_nameLock);
        m_name = name;
    }
    m_namePending = Connected();
    return Status::Ok();
}

void CKTV_OutData::MirrorEqMode(int mode) {
    for (int k = 0; k < Layout::kBands; ++k)
        m_filters.Band(k).SetGeqMode(mode);
}

// Linked channels follow the gain, the gain-off state, the EQ mode and the carried byte; output on, polarity
// and delay stay with each channel.
void CKTV_OutData::PropagateGainGroup() {
    const int group = m_globals.g_linkGroup[static_cast<std::size_t>(m_channel)];
    for (int c = 0; c < Layout::kChannels; ++c) {
        CKTV_OutData* other = m_globals.g_channelObj[static_cast<std::size_t>(c)];
        if (c == m_channel || other == nullptr || m_globals.g_linkGroup[static_cast<std::size_t>(c)] != group)
            continue;
        other->m_gainCode = m_gainCode.load();
        other->m_gainOff = m_gainOff.load();
        const int mode = m_eqMode.load();
        if (other->m_eqMode.load() != mode) {
            other->m_eqMode = mode;
            other->MirrorEqMode(mode);
        }
        other->m_auxByte = m_auxByte.load();
        other->m_gainPending = Connected();
    }
}

// ---- Whole-channel operations
// ------------------------------------------------------------------------------

void CKTV_OutData::CopyEqFrom(const CKTV_OutData& other) {
    for (int i = 0; i < m_filters.Count(); ++i)
        m_filters.Filter(i).CopyParamsFrom(other.m_filters.Filter(i));
    m_gainCode = other.m_gainCode.load();
    m_gainOff = other.m_gainOff.load();
    m_eqMode = other.m_eqMode.load();
    MirrorEqMode(m_eqMode.load());
    m_filters.CalcSum();
}

void CKTV_OutData::ResetEq() {
    for (int k = 0; k < Layout::kBands; ++k)
        m_filters.Band(k).ResetBand(kIsoThirdOctave[static_cast<std::size_t>(k)]);
    m_filters.CalcSum();
}

int CKTV_OutData::AllBandsBypassed() {
    bool all = true;
    for (int k = 0; k < Layout::kBands && all; ++k)
        all = m_filters.Band(k).GetEffectiveBypass() != 0;
    m_allBandsBypassed = all ? 1 : 0;
    return m_allBandsBypassed;
}

ChannelState CKTV_OutData::State() const {
    ChannelState s;
    for (int k = 0; k < Layout::kBands; ++k)
        s.bands[static_cast<std::size_t>(k)] = m_filters.Band(k).GetParams();
    s.highPass = m_filters.HighPass().GetParams();
    s.lowPass = m_filters.LowPass().GetParams();
    s.outputOn = m_outputOn.load();
    s.polarity = m_polarity.load();
    s.gainCode = m_gainCode.load();
    s.gainOff = m_gainOff.load();
    s.delay = m_delay.load();
    s.eqMode = m_eqMode.load();
    s.auxByte = m_auxByte.load();
    s.limThreshold = m_limThreshold.load();
    s.limAttack = m_limAttack.load();
    s.limRelease = m_limRelease.load();
    for (std::size_t i = 0; i < s.mix.size(); ++i)
        s.mix[i] = m_mix[i].load();
    s.name = GetName();
    s.allBandsBypassed = m_allBandsBypassed;
    return s;
}

void CKTV_OutData::RestoreState(const ChannelState& state) {
    const ChannelState now = State();
    const int connected = Connected();
    // The EQ mode first: the bands' graphic-mode flag follows it.
    if (state.eqMode != now.eqMode) {
        m_eqMode = state.eqMode;
        MirrorEqMode(state.eqMode);
    }
    for (int k = 0; k < Layout::kBands; ++k) {
        const auto& p = state.bands[static_cast<std::size_t>(k)];
        if (p != now.bands[static_cast<std::size_t>(k)])
            m_filters.Band(k).RestoreParams(p);
    }
    if (state.highPass != now.highPass)
        m_filters.HighPass().RestoreParams(state.highPass);
    if (state.lowPass != now.lowPass)
        m_filters.LowPass().RestoreParams(state.lowPass);
    m_allBandsBypassed = state.allBandsBypassed;

    if (state.outputOn != now.outputOn || state.polarity != now.polarity || state.gainCode != now.gainCode ||
        state.gainOff != now.gainOff || state.delay != now.delay || state.eqMode != now.eqMode ||
        state.auxByte != now.auxByte) {
        m_outputOn = state.outputOn;
        m_polarity = state.polarity;
        m_gainCode = state.gainCode;
        m_gainOff = state.gainOff;
        m_delay = state.delay;
        m_auxByte = state.auxByte;
        m_gainPending = connected;
    }
    const auto mixDiffers = [&](std::size_t first, std::size_t count) {
        for (std::size_t i = first; i < first + count; ++i)
            if (state.mix[i] != now.mix[i])
                return true;
        return false;
    };
    const bool mixA = mixDiffers(0, 8);
    const bool mixB = mixDiffers(8, 4);
    for (std::size_t i = 0; i < state.mix.size(); ++i)
        m_mix[i] = state.mix[i];
    if (mixA)
        m_mixPendingA = connected;
    if (mixB)
        m_mixPendingB = connected;
    if (state.limThreshold != now.limThreshold || state.limAttack != now.limAttack ||
        state.limRelease != now.limRelease) {
        m_limThreshold = state.limThreshold;
        m_limAttack = state.limAttack;
        m_limRelease = state.limRelease;
        m_limPending = connected;
    }
    if (state.name != now.name) {
        {
            const std::lock_guard lock(m_nameLock);
            m_name = state.name;
        }
        m_namePending = connected;
    }
}

void CKTV_OutData::ClearPending(int value) {
    m_namePending = value;
    m_mixPendingA = value;
    m_gainPending = value;
    m_limPending = value;
    m_mixPendingB = value;
    for (int i = 0; i < m_filters.Count(); ++i)
        m_filters.Filter(i).SetPending(value);
}

// ---- Getters
// ------------------------------------------------------------------------------------------------

int CKTV_OutData::GetChannelGain() const {
    return m_gainOff.load() ? 0 : m_gainCode.load();
}

QString CKTV_OutData::GetName() const {
    const std::lock_guard lock(m_nameLock);
    return m_name;
}

bool CKTV_OutData::IsLinked() const {
    const int group = m_globals.g_linkGroup[static_cast<std::size_t>(m_channel)];
    for (int c = 0; c < Layout::kChannels; ++c)
        if (c != m_channel && m_globals.g_linkGroup[static_cast<std::size_t>(c)] == group)
            return true;
    return false;
}

bool CKTV_OutData::XoverPending() const {
    return m_filters.HighPass().GetPending() != 0 || m_filters.LowPass().GetPending() != 0;
}

int CKTV_OutData::FirstPendingBand() const {
    for (int k = 0; k < Layout::kBands; ++k)
        if (m_filters.Band(k).GetPending() != 0)
            return k;
    return -1;
}
