// The one way every user edit reaches the model: copy rules of linked channels, link lock, marks, signals.
#include "control/ModelEditor.h"

#include "base/DataDefine.h"
#include "control/DeviceController.h"
#include "link/KTVCommand.h"
#include "model/KTV_Data.h"
#include "model/SystemSettings.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

constexpr int kMaxChannelGain = 60;
constexpr int kMaxDelay = 960;
constexpr int kMinFreq = 20;
constexpr int kMaxFreq = 20000;
constexpr int kMaxGainCode = 400;
constexpr int kMaxSlope = 6;
constexpr int kMaxFamily = 2;
constexpr int kMaxMixLevel = 255;
constexpr int kMaxSourceVolume = 100;

bool ValidChannel(int channel) {
    return channel >= 0 && channel < Layout::kChannels;
}

bool ValidBand(int band) {
    return band >= 0 && band < Layout::kBands;
}

CFilter& XoverOf(CKTV_OutData& ch, Xover which) {
    return which == Xover::HighPass ? ch.HighPass() : ch.LowPass();
}

} // namespace

CModelEditor::CModelEditor(CDeviceController& controller, QObject* parent)
    : QObject(parent), m_controller(controller), m_g(controller.Globals()), m_data(controller.Data()) {}

CKTV_OutData& CModelEditor::Ch(int channel) {
    return m_data.Channel(channel);
}

int CModelEditor::GroupOf(int channel) const {
    return m_g.g_linkGroup[static_cast<std::size_t>(channel)];
}

bool CModelEditor::Linked(int a, int b) const {
    return ValidChannel(a) && ValidChannel(b) && a != b && GroupOf(a) == GroupOf(b);
}

void CModelEditor::EmitChannel(int channel, unsigned parts, int band) {
    emit channelChanged(channel, parts, band);
}

bool CModelEditor::WaitingForDevice() const {
    return m_controller.LinkOpen() && !m_controller.Connected();
}

bool CModelEditor::RefusedChannel(int channel, unsigned parts, int band) {
    if (!WaitingForDevice())
        return false;
    EmitChannel(channel, parts, band); // the views show the model again
    return true;
}

bool CModelEditor::RefusedSystem(unsigned parts) {
    if (!WaitingForDevice())
        return false;
    emit systemChanged(parts);
    return true;
}

// Applies `apply(channelObject)` to the edited channel and, when the edit's rule says so, to every linked
// channel, all under the link lock; then recomputes the sums and reports the changed channels.
template <typename Apply>
void CModelEditor::EditChannel(ChannelEdit edit, int channel, int band, Apply&& apply) {
    if (!ValidChannel(channel))
        return;
    const ChannelEditRule& rule = RuleOf(edit);
    if (RefusedChannel(channel, rule.parts, band))
        return;
    std::vector<int> linked;
    for (int c = 0; c < Layout::kChannels; ++c)
        if (Linked(channel, c))
            linked.push_back(c);
    {
        std::lock_guard lock(m_controller.LinkLock());
        apply(Ch(channel));
        if (rule.follow == LinkFollow::Editor)
            for (int c : linked)
                apply(Ch(c));
        Ch(channel).Filters().CalcSum();
        if (rule.follow != LinkFollow::None)
            for (int c : linked)
                Ch(c).Filters().CalcSum();
    }
    m_controller.WakeLink();
    EmitChannel(channel, rule.parts, band);
    if (rule.follow != LinkFollow::None)
        for (int c : linked)
            EmitChannel(c, rule.linkedParts, band);
}

// ---- Channel edits
// -----------------------------------------------------------------------------------------

void CModelEditor::SetChannelGain(int channel, int code) {
    code = std::clamp(code, 0, kMaxChannelGain);
    EditChannel(ChannelEdit::Gain, channel, -1, [code](CKTV_OutData& ch) { ch.SetChannelGain(code); });
}

void CModelEditor::SetOutputOn(int channel, int on) {
    EditChannel(ChannelEdit::OutputOn, channel, -1, [on](CKTV_OutData& ch) { ch.SetOutputOn(on ? 1 : 0); });
}

void CModelEditor::SetPolarity(int channel, int inverted) {
    EditChannel(ChannelEdit::Polarity, channel, -1,
                [inverted](CKTV_OutData& ch) { ch.SetPolarity(inverted ? 1 : 0); });
}

void CModelEditor::SetDelay(int channel, int samples) {
    samples = std::clamp(samples, 0, kMaxDelay);
    EditChannel(ChannelEdit::Delay, channel, -1, [samples](CKTV_OutData& ch) { ch.SetDelay(samples); });
}

void CModelEditor::SetEqMode(int channel, int mode) {
    EditChannel(ChannelEdit::EqMode, channel, -1, [mode](CKTV_OutData& ch) { ch.SetEqMode(mode ? 1 : 0); });
}

Status CModelEditor::SetName(int channel, const QString& name) {
    if (!ValidChannel(channel))
        return {};
    if (Status fits = CKTV_OutData::CheckName(name); !fits)
        return fits;
    Status stored;
    EditChannel(ChannelEdit::Name, channel, -1, [&](CKTV_OutData& ch) { stored = ch.SetName(name); });
    return stored;
}

void CModelEditor::SetBandFreq(int channel, int band, int freq) {
    if (!ValidBand(band))
        return;
    freq = std::clamp(freq, kMinFreq, kMaxFreq);
    EditChannel(ChannelEdit::BandFreq, channel, band,
                [band, freq](CKTV_OutData& ch) { ch.Band(band).SetFreq(freq, 1); });
}

void CModelEditor::SetBandBandwidth(int channel, int band, int index) {
    if (!ValidBand(band))
        return;
    index = std::clamp(index, 0, kQTableSize - 1);
    EditChannel(ChannelEdit::BandBandwidth, channel, band,
                [band, index](CKTV_OutData& ch) { ch.Band(band).SetBandwidthIndex(index); });
}

void CModelEditor::SetBandGain(int channel, int band, int code) {
    if (!ValidBand(band))
        return;
    code = std::clamp(code, 0, kMaxGainCode);
    EditChannel(ChannelEdit::BandGain, channel, band, [band, code](CKTV_OutData& ch) {
        ch.Band(band).SetGainCode(code);
        ch.AllBandsBypassed();
    });
}

void CModelEditor::SetBandBypass(int channel, int band, int on) {
    if (!ValidBand(band))
        return;
    EditChannel(ChannelEdit::BandBypass, channel, band, [band, on](CKTV_OutData& ch) {
        ch.Band(band).SetBypass(on ? 1 : 0);
        ch.AllBandsBypassed();
    });
}

void CModelEditor::MoveBand(int channel, int band, int freq, int code) {
    if (!ValidChannel(channel) || !ValidBand(band))
        return;
    if (RefusedChannel(channel, RuleOf(ChannelEdit::BandGain).parts, band))
        return;
    freq = std::clamp(freq, kMinFreq, kMaxFreq);
    code = std::clamp(code, 0, kMaxGainCode);
    {
        std::lock_guard lock(m_controller.LinkLock());
        CFilter& source = Ch(channel).Band(band);
        source.SetFreq(freq, 1);
        source.SetGainCode(code);
    }
    // The linked channels take the band as the dragged filter now holds it.
    const CFilter& source = Ch(channel).Band(band);
    const int bandwidth = source.GetQIndex();
    EditChannel(ChannelEdit::BandGain, channel, band, [&, band](CKTV_OutData& ch) {
        CFilter& f = ch.Band(band);
        if (&f != &source) {
            f.SetFreq(freq, 1);
            f.SetBandwidthIndex(bandwidth);
            f.SetGainCode(code);
        }
        ch.AllBandsBypassed();
    });
}

bool CModelEditor::SetAllBypass(int channel, bool on) {
    if (!ValidChannel(channel))
        return false;
    if (RefusedChannel(channel, RuleOf(ChannelEdit::AllBypass).parts, -1))
        return Ch(channel).Band(0).GetAllBypass() != 0;
    const auto setAll = [](CKTV_OutData& ch, int state) {
        for (int k = 0; k < Layout::kBands; ++k)
            ch.Band(k).SetAllBypass(state);
        ch.AllBandsBypassed();
    };
    std::vector<int> group;
    bool result = on;
    {
        std::lock_guard lock(m_controller.LinkLock());
        CKTV_OutData& ch = Ch(channel);
        setAll(ch, on ? 1 : 0);
        if (!on && ch.AllBandsBypassed()) {
            // Every band is bypassed on its own: the channel stays all-bypassed.
            setAll(ch, 1);
            ch.Filters().CalcSum();
            result = true;
        } else {
            for (int c = 0; c < Layout::kChannels; ++c) {
                if (c == channel || !Linked(channel, c))
                    continue;
                setAll(Ch(c), on ? 1 : 0);
                group.push_back(c);
            }
            group.push_back(channel);
            // The all-bypass state marks no slice: the whole blocks go out, each silenced while it travels.
            for (int c : group) {
                Ch(c).Filters().CalcSum();
                m_controller.QueueChannelBlockMuted(c);
            }
        }
    }
    m_controller.WakeLink();
    const unsigned parts = RuleOf(ChannelEdit::AllBypass).parts;
    if (group.empty())
        EmitChannel(channel, parts, -1);
    for (int c : group)
        EmitChannel(c, parts, -1);
    return result;
}

void CModelEditor::SetXoverFamily(int channel, Xover which, int family) {
    family = std::clamp(family, 0, kMaxFamily);
    EditChannel(ChannelEdit::XoverFamily, channel, -1,
                [which, family](CKTV_OutData& ch) { XoverOf(ch, which).SetFamily(family, 1); });
}

void CModelEditor::SetXoverSlope(int channel, Xover which, int slope) {
    slope = std::clamp(slope, 0, kMaxSlope);
    EditChannel(ChannelEdit::XoverSlope, channel, -1,
                [which, slope](CKTV_OutData& ch) { XoverOf(ch, which).SetSlope(slope, 1); });
}

int CModelEditor::SetXoverFreq(int channel, Xover which, int freq) {
    if (!ValidChannel(channel))
        return freq;
    if (RefusedChannel(channel, RuleOf(ChannelEdit::XoverFreq).parts, -1))
        return XoverOf(Ch(channel), which).GetFreq();
    freq = std::clamp(freq, kMinFreq, kMaxFreq);
    CKTV_OutData& ch = Ch(channel);
    const int highPass = which == Xover::HighPass ? freq : ch.HighPass().GetFreq();
    const int lowPass = which == Xover::LowPass ? freq : ch.LowPass().GetFreq();
    if (lowPass < highPass)
        freq = which == Xover::HighPass ? lowPass : highPass;
    EditChannel(ChannelEdit::XoverFreq, channel, -1,
                [which, freq](CKTV_OutData& c) { XoverOf(c, which).SetFreq(freq, 1); });
    return freq;
}

void CModelEditor::SetMix(int channel, std::span<const int, CKTV_OutData::kMixInputs> levels) {
    std::array<int, CKTV_OutData::kMixInputs> clamped{};
    for (std::size_t i = 0; i < clamped.size(); ++i)
        clamped[i] = std::clamp(levels[i], 0, kMaxMixLevel);
    EditChannel(ChannelEdit::Mix, channel, -1, [&clamped](CKTV_OutData& ch) { ch.SetMix(clamped); });
}

void CModelEditor::SetBands(int channel, std::span<const BandSetting, Layout::kBands> bands) {
    std::array<BandSetting, Layout::kBands> clamped{};
    for (std::size_t k = 0; k < clamped.size(); ++k) {
        BandSetting b = bands[k];
        b.kind = std::clamp(b.kind, static_cast<int>(CFilter::Peak), static_cast<int>(CFilter::HighShelf));
        b.slope = b.kind == CFilter::Peak ? 0 : std::clamp(b.slope, 0, 1);
        b.freq = std::clamp(b.freq, kMinFreq, kMaxFreq);
        b.bandwidth = std::clamp(b.bandwidth, 0, kQTableSize - 1);
        b.gainCode = std::clamp(b.gainCode, 0, kMaxGainCode);
        clamped[k] = b;
    }
    EditChannel(ChannelEdit::Bands, channel, -1, [&clamped](CKTV_OutData& ch) {
        for (int k = 0; k < Layout::kBands; ++k)
            ApplyBandSetting(ch.Band(k), clamped[static_cast<std::size_t>(k)]);
        ch.AllBandsBypassed();
    });
}

void CModelEditor::ApplyBandSetting(CFilter& band, const BandSetting& setting) {
    const CFilter::ResponseHold hold(band);
    band.SetKind(setting.kind);
    band.SetSlope(setting.slope, 1);
    band.SetBandwidthIndex(setting.bandwidth);
    band.SetGainCode(setting.gainCode); // a gain takes the band out of all-bypass, 0 dB bypasses it
    if (band.GetAllBypass() != 0)
        band.SetBypass(1); // a flat band leaves all-bypass too and stays bypassed
    if (setting.bypass)
        band.SetBypass(1);
    band.SetFreq(setting.freq, 1);
}

void CModelEditor::ResetEq(int channel) {
    if (!ValidChannel(channel))
        return;
    if (RefusedChannel(channel, ChannelPart::kBands | ChannelPart::kAllBypass, -1))
        return;
    std::vector<int> reset{channel};
    if (m_linkOn)
        if (const int partner = PairPartner(channel); partner >= 0)
            reset.push_back(partner);
    {
        std::lock_guard lock(m_controller.LinkLock());
        m_controller.BeginGroupWrite(channel);
        for (int c : reset) {
            Ch(c).ResetEq();
            Ch(c).AllBandsBypassed();
            m_controller.QueueChannelBlock(c);
        }
        m_controller.EndGroupWrite(channel);
    }
    m_controller.WakeLink();
    for (int c : reset)
        EmitChannel(c, ChannelPart::kBands | ChannelPart::kAllBypass, -1);
}

// ---- System edits
// ------------------------------------------------------------------------------------------

void CModelEditor::SendSystemBlock() {
    // The setters marked the system block; while the link is open it goes out now instead.
    if (!m_controller.LinkOpen())
        return;
    std::lock_guard lock(m_controller.LinkLock());
    m_g.systemPending = 0;
    m_controller.SendNow(KTVCommand::kSubSystemBlock, 0);
}

void CModelEditor::SelectSource(int source) {
    if (RefusedSystem(SystemPart::kSource))
        return;
    {
        std::lock_guard lock(m_controller.LinkLock());
        CSystemSettings(m_g).SelectSource(std::clamp(source, 0, SystemLayout::kMaxSource));
    }
    SendSystemBlock();
    emit systemChanged(SystemPart::kSource);
}

void CModelEditor::SetMasterVolume(int value) {
    if (RefusedSystem(SystemPart::kMasterVolume | SystemPart::kSourceVolumes))
        return;
    m_controller.ResetPollCompare();
    {
        std::lock_guard lock(m_controller.LinkLock());
        CSystemSettings(m_g).SetMasterVolume(std::clamp(value, 0, SystemLayout::kMaxMasterVolume));
    }
    SendSystemBlock();
    emit systemChanged(SystemPart::kMasterVolume | SystemPart::kSourceVolumes);
}

bool CModelEditor::SetMasterVolumeFromSlider(int value) {
    if (RefusedSystem(SystemPart::kMasterVolume | SystemPart::kSourceVolumes))
        return false;
    const bool changed =
        m_controller.SetMasterVolumeFromSlider(std::clamp(value, 0, SystemLayout::kMaxMasterVolume));
    if (changed) {
        m_controller.WakeLink();
        emit systemChanged(SystemPart::kMasterVolume | SystemPart::kSourceVolumes);
    }
    return changed;
}

void CModelEditor::SetMasterOutput(int on) {
    if (RefusedSystem(SystemPart::kMasterOutput))
        return;
    {
        std::lock_guard lock(m_controller.LinkLock());
        CSystemSettings system(m_g);
        if ((system.MasterOutput() != 0) != (on != 0))
            system.ToggleMasterOutput();
    }
    SendSystemBlock();
    emit systemChanged(SystemPart::kMasterOutput);
}

void CModelEditor::SetDspSwitch(int on) {
    if (RefusedSystem(SystemPart::kDspSwitch))
        return;
    {
        std::lock_guard lock(m_controller.LinkLock());
        CSystemSettings(m_g).SetOptionFlag(on ? 1 : 0);
    }
    SendSystemBlock();
    emit systemChanged(SystemPart::kDspSwitch);
}

void CModelEditor::SetNoiseGate(int index) {
    if (RefusedSystem(SystemPart::kNoiseGate))
        return;
    {
        std::lock_guard lock(m_controller.LinkLock());
        CSystemSettings(m_g).SetNoiseGate(std::clamp(index, 0, SystemLayout::kNoiseGateSteps - 1));
    }
    SendSystemBlock();
    emit systemChanged(SystemPart::kNoiseGate);
}

void CModelEditor::SetSourceVolume(int group, int value) {
    if (group < 0 || group >= SystemLayout::kVolumeGroups)
        return;
    if (RefusedSystem(SystemPart::kSourceVolumes))
        return;
    {
        std::lock_guard lock(m_controller.LinkLock());
        m_g.sourceVolumes[static_cast<std::size_t>(group)] =
            static_cast<std::uint8_t>(std::clamp(value, 0, kMaxSourceVolume));
    }
    m_controller.SendNow(KTVCommand::kSubSourceVolumes, 0);
    emit systemChanged(SystemPart::kSourceVolumes);
}

// ---- Linking
// -----------------------------------------------------------------------------------------------

int CModelEditor::BuildPairTable() {
    m_pairs = {};
    const CSystemSettings system(m_g);
    for (int slot = 0; slot < SystemLayout::kSpeakerSlots; ++slot) {
        const int type = system.SpeakerType(slot);
        for (std::size_t e = 0; e < kPairTypes.size(); ++e) {
            if (type == kPairTypes[e][0])
                m_pairs[e].first = slot;
            else if (type == kPairTypes[e][1])
                m_pairs[e].second = slot;
        }
    }
    int active = 0;
    for (LinkPair& pair : m_pairs) {
        // Slots 8..11 have no channel object to link.
        pair.active = ValidChannel(pair.first) && ValidChannel(pair.second);
        if (!pair.active)
            pair.first = pair.second = -1;
        active += pair.active ? 1 : 0;
    }
    return active;
}

void CModelEditor::CopyIntoGroup(int target, int group) {
    if (!ValidChannel(target) || GroupOf(target) == group)
        return;
    {
        std::lock_guard lock(m_controller.LinkLock());
        m_g.g_linkGroup[static_cast<std::size_t>(target)] = group;
        for (int c = 0; c < Layout::kChannels; ++c)
            if (c != target && GroupOf(c) == group)
                m_controller.CopyChannel(c, target);
        Ch(target).AllBandsBypassed();
        Ch(target).Filters().CalcSum();
    }
    m_controller.WakeLink();
    emit linkGroupsChanged();
    EmitChannel(target, ChannelPart::kAll, -1);
}

Status CModelEditor::LinkPairs(int reference) {
    if (BuildPairTable() == 0)
        return Status::Error(kNoPair);
    m_linkOn = true;
    m_controller.SetLinkButton(true);
    {
        std::lock_guard lock(m_controller.LinkLock());
        for (const LinkPair& pair : m_pairs) {
            if (!pair.active)
                continue;
            if (reference == 0)
                CopyIntoGroup(pair.second, pair.first);
            else
                CopyIntoGroup(pair.first, pair.second);
        }
    }
    emit linkGroupsChanged();
    return {};
}

void CModelEditor::Unlink() {
    {
        std::lock_guard lock(m_controller.LinkLock());
        for (int c = 0; c < Layout::kChannels; ++c)
            m_g.g_linkGroup[static_cast<std::size_t>(c)] = c;
    }
    m_pairs = {};
    m_linkOn = false;
    m_controller.SetLinkButton(false);
    emit linkGroupsChanged();
}

int CModelEditor::PairPartner(int channel) const {
    for (const LinkPair& pair : m_pairs) {
        if (!pair.active)
            continue;
        if (pair.first == channel)
            return pair.second;
        if (pair.second == channel)
            return pair.first;
    }
    return -1;
}

void CModelEditor::ModelReloaded() {
    // The controller has put every channel back into a group of its own; the pair table stays.
    m_linkOn = false;
    m_controller.SetLinkButton(false);
    emit linkGroupsChanged();
}

// ---- Whole setups
// ------------------------------------------------------------------------------------------

SetupState CModelEditor::CaptureSetup() const {
    SetupState state;
    for (int c = 0; c < Layout::kChannels; ++c) {
        state.channels[static_cast<std::size_t>(c)] = m_data.Channel(c).State();
        state.linkGroups[static_cast<std::size_t>(c)] = GroupOf(c);
    }
    state.linkOn = m_linkOn;
    state.pairs = m_pairs;
    return state;
}

unsigned CModelEditor::ChangedParts(const ChannelState& a, const ChannelState& b) {
    unsigned parts = 0;
    const auto mark = [&parts](bool differs, unsigned part) {
        if (differs)
            parts |= part;
    };
    mark(a.gainCode != b.gainCode || a.gainOff != b.gainOff || a.auxByte != b.auxByte, ChannelPart::kGain);
    mark(a.outputOn != b.outputOn, ChannelPart::kOutputOn);
    mark(a.polarity != b.polarity, ChannelPart::kPolarity);
    mark(a.delay != b.delay, ChannelPart::kDelay);
    mark(a.eqMode != b.eqMode, ChannelPart::kEqMode);
    mark(a.bands != b.bands, ChannelPart::kBands);
    mark(a.allBandsBypassed != b.allBandsBypassed, ChannelPart::kAllBypass);
    mark(a.highPass != b.highPass || a.lowPass != b.lowPass, ChannelPart::kCrossover);
    mark(a.mix != b.mix || a.limThreshold != b.limThreshold || a.limAttack != b.limAttack ||
             a.limRelease != b.limRelease,
         ChannelPart::kMix);
    mark(a.name != b.name, ChannelPart::kName);
    return parts;
}

bool CModelEditor::RestoreSetup(const SetupState& state) {
    if (WaitingForDevice())
        return false;
    const SetupState now = CaptureSetup();
    std::array<unsigned, Layout::kChannels> parts{};
    {
        std::lock_guard lock(m_controller.LinkLock());
        for (int c = 0; c < Layout::kChannels; ++c)
            m_g.g_linkGroup[static_cast<std::size_t>(c)] = state.linkGroups[static_cast<std::size_t>(c)];
        for (int c = 0; c < Layout::kChannels; ++c) {
            const auto i = static_cast<std::size_t>(c);
            parts[i] = ChangedParts(now.channels[i], state.channels[i]);
            if (parts[i] == 0)
                continue;
            Ch(c).RestoreState(state.channels[i]);
            Ch(c).Filters().CalcSum();
        }
    }
    m_pairs = state.pairs;
    if (m_linkOn != state.linkOn) {
        m_linkOn = state.linkOn;
        m_controller.SetLinkButton(m_linkOn);
    }
    m_controller.WakeLink();
    if (now.linkGroups != state.linkGroups || now.linkOn != state.linkOn)
        emit linkGroupsChanged();
    for (int c = 0; c < Layout::kChannels; ++c)
        if (parts[static_cast<std::size_t>(c)] != 0)
            EmitChannel(c, parts[static_cast<std::size_t>(c)], -1);
    return true;
}
static_assert(std::tuple_size_v<decltype(SetupState::pairs)> == CModelEditor::kLinkPairs);
