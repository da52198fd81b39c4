// The one way every user edit reaches the model: copy rules of linked channels, link lock, marks, signals.
#pragma once

#include "base/DataDefine.h"
#include "base/Status.h"
#include "base/SysText.h"
#include "model/KTV_OutData.h"
#include "model/ParamImage.h"
#include "response/Filter.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <span>

class CDeviceController;
class CKTV_Data;
struct ModelGlobals;

// What changed on a channel, as a mask: each widget refreshes only the parts it shows.
namespace ChannelPart {
inline constexpr unsigned kGain = 1u << 0;     // gain code and gain-off flag
inline constexpr unsigned kOutputOn = 1u << 1; // the sound switch (mute)
inline constexpr unsigned kPolarity = 1u << 2;
inline constexpr unsigned kDelay = 1u << 3;
inline constexpr unsigned kEqMode = 1u << 4;    // parametric or graphic
inline constexpr unsigned kBands = 1u << 5;     // band frequency, bandwidth, gain or bypass
inline constexpr unsigned kAllBypass = 1u << 6; // the all-bypass state of the bands
inline constexpr unsigned kCrossover = 1u << 7; // high-pass or low-pass family, slope or corner
inline constexpr unsigned kMix = 1u << 8;       // routing levels
inline constexpr unsigned kName = 1u << 9;
inline constexpr unsigned kAll = (1u << 10) - 1;
} // namespace ChannelPart

// What changed in the system values.
namespace SystemPart {
inline constexpr unsigned kSource = 1u << 0;
inline constexpr unsigned kMasterVolume = 1u << 1;
inline constexpr unsigned kMasterOutput = 1u << 2;
inline constexpr unsigned kNoiseGate = 1u << 3;
inline constexpr unsigned kDspSwitch = 1u << 4;
inline constexpr unsigned kSourceVolumes = 1u << 5;
} // namespace SystemPart

// The kinds of channel edit and whether each follows a link. Gain, polarity and EQ mode changes carry the
// gain group (gain code, gain-off flag, EQ mode, auxiliary byte) to the linked channels inside the model's
// own setter; band, crossover and mix edits are applied to each linked channel by this editor; the sound
// switch, polarity itself, delay and name stay per channel.
enum class ChannelEdit {
    Gain,
    OutputOn,
    Polarity,
    Delay,
    EqMode,
    Name,
    BandFreq,
    BandBandwidth,
    BandGain,
    BandBypass,
    AllBypass,
    XoverFamily,
    XoverSlope,
    XoverFreq,
    Mix,
    Bands, // every band of the channel at once (a filter text read in)
};

enum class LinkFollow {
    None,   // the edited channel only
    Model,  // the setter carries the gain group to the linked channels
    Editor, // the same setter with the same value on every linked channel
};

struct ChannelEditRule {
    ChannelEdit edit;
    LinkFollow follow;
    unsigned parts;       // what changes on the edited channel
    unsigned linkedParts; // what changes on a linked channel (0 when nothing follows)
};

inline constexpr std::array<ChannelEditRule, 16> kChannelEditRules{{
    {ChannelEdit::Gain, LinkFollow::Model, ChannelPart::kGain, ChannelPart::kGain | ChannelPart::kEqMode},
    {ChannelEdit::OutputOn, LinkFollow::None, ChannelPart::kOutputOn, 0},
    {ChannelEdit::Polarity, LinkFollow::Model, ChannelPart::kPolarity,
     ChannelPart::kGain | ChannelPart::kEqMode},
    {ChannelEdit::Delay, LinkFollow::None, ChannelPart::kDelay, 0},
    {ChannelEdit::EqMode, LinkFollow::Model, ChannelPart::kEqMode | ChannelPart::kBands,
     ChannelPart::kGain | ChannelPart::kEqMode | ChannelPart::kBands},
    {ChannelEdit::Name, LinkFollow::None, ChannelPart::kName, 0},
    {ChannelEdit::BandFreq, LinkFollow::Editor, ChannelPart::kBands, ChannelPart::kBands},
    {ChannelEdit::BandBandwidth, LinkFollow::Editor, ChannelPart::kBands, ChannelPart::kBands},
    {ChannelEdit::BandGain, LinkFollow::Editor, ChannelPart::kBands | ChannelPart::kAllBypass,
     ChannelPart::kBands | ChannelPart::kAllBypass},
    {ChannelEdit::BandBypass, LinkFollow::Editor, ChannelPart::kBands | ChannelPart::kAllBypass,
     ChannelPart::kBands | ChannelPart::kAllBypass},
    {ChannelEdit::AllBypass, LinkFollow::Editor, ChannelPart::kBands | ChannelPart::kAllBypass,
     ChannelPart::kBands | ChannelPart::kAllBypass},
    {ChannelEdit::XoverFamily, LinkFollow::Editor, ChannelPart::kCrossover, ChannelPart::kCrossover},
    {ChannelEdit::XoverSlope, LinkFollow::Editor, ChannelPart::kCrossover, ChannelPart::kCrossover},
    {ChannelEdit::XoverFreq, LinkFollow::Editor, ChannelPart::kCrossover, ChannelPart::kCrossover},
    {ChannelEdit::Mix, LinkFollow::Editor, ChannelPart::kMix, ChannelPart::kMix},
    {ChannelEdit::Bands, LinkFollow::Editor, ChannelPart::kBands | ChannelPart::kAllBypass,
     ChannelPart::kBands | ChannelPart::kAllBypass},
}};

constexpr const ChannelEditRule& RuleOf(ChannelEdit edit) {
    return kChannelEditRules[static_cast<std::size_t>(edit)];
}

// Which crossover filter of a channel.
enum class Xover { HighPass, LowPass };

// One EQ band as a whole. Every band of an output channel can take either shelf kind: its record carries
// kind and slope like frequency and gain.
struct BandSetting {
    int kind = CFilter::Peak;       // peak, low shelf or high shelf
    int slope = 0;                  // shelves: 0 = 6 dB/Oct, 1 = 12 dB/Oct; peaks carry 0
    int freq = 1000;                // Hz, 20..20000
    int bandwidth = 15;             // bandwidth index 0..295; 15 = 0.2 octave
    int gainCode = kEqGainCodeZero; // 0..400; at the 0 dB code the band is bypassed
    bool bypass = false;            // a band that keeps its gain switched off
};

// One entry of the link-pair table: two channels whose speaker types form a pair.
struct LinkPair {
    bool active = false;
    int first = -1;
    int second = -1;
    bool operator==(const LinkPair&) const = default;
};

// The eight output channels as the user has them, with their links: what undo, redo and the A/B slots keep.
struct SetupState {
    std::array<ChannelState, Layout::kChannels> channels{};
    std::array<int, Layout::kChannels> linkGroups{};
    bool linkOn = false;
    std::array<LinkPair, 10> pairs{};
    bool operator==(const SetupState&) const = default;
};

// Lives on the UI thread. Every operation applies the copy rules to the linked channels, holds the link
// lock while the model changes (the I/O worker encodes from the same objects), leaves the pending marks to
// the setters (they take the connected flag, so nothing is marked while no device is connected), recomputes
// the sums of the channels it changed, and then says what changed. Values outside a control's range are
// clamped to it, so that no caller can put a value into the image that the device does not take.
//
// While the device is being read (the link open, its image not yet applied) every channel and system edit
// is refused: the image applied next would overwrite a channel edit, and the system block's read would
// overwrite a system edit or leave it half sent (queued before the read, or after it). The change signal
// still comes, so that a control the user moved shows the model again.
class CModelEditor : public QObject {
    Q_OBJECT

public:
    static constexpr int kLinkPairs = 10;
    // Speaker-type pairs, in the order the pair table lists them.
    static constexpr std::array<std::array<int, 2>, kLinkPairs> kPairTypes{
        {{1, 7}, {2, 8}, {3, 9}, {4, 10}, {5, 11}, {6, 12}, {13, 16}, {14, 17}, {15, 18}, {22, 23}}};
    static constexpr SysText kNoPair{"无通道可以联调", "无通道可以联调"};

    explicit CModelEditor(CDeviceController& controller, QObject* parent = nullptr);

    // ---- Channel edits ---------------------------------------------------------------------------------
    void SetChannelGain(int channel, int code); // 0..60; 0 switches the gain off
    void SetOutputOn(int channel, int on);      // the sound switch: 1 sound, 0 muted
    void SetPolarity(int channel, int inverted);
    void SetDelay(int channel, int samples); // 0..960 samples at 48 kHz
    void SetEqMode(int channel, int mode);   // 0 parametric, 1 graphic
    // At most seven characters; a longer name is refused with its text and nothing changes.
    Status SetName(int channel, const QString& name);

    void SetBandFreq(int channel, int band, int freq); // Hz, 20..20000
    void SetBandBandwidth(int channel, int band, int index);
    void SetBandGain(int channel, int band, int code); // 0..400, 0.1 dB steps from -20 dB; 200 = 0 dB
    void SetBandBypass(int channel, int band, int on);
    // A handle dragged on the graph: frequency and gain together, then frequency, bandwidth and gain of the
    // band on every linked channel.
    void MoveBand(int channel, int band, int freq, int code);
    // The all-bypass toggle. Returns the state the channel ends in: switching it off while every band is
    // bypassed on its own leaves it on. The whole blocks of the group are queued, each with its outputs
    // silenced, while the link is open.
    bool SetAllBypass(int channel, bool on);

    void SetXoverFamily(int channel, Xover which, int family); // 0 Link_Ril, 1 Bessel, 2 Butter_W
    void SetXoverSlope(int channel, Xover which, int slope);   // list index 0..6, 6 = off
    // The corner in Hz. The low-pass corner never ends below the high-pass corner: a high-pass above the
    // low-pass is set to the low-pass, a low-pass below the high-pass to the high-pass. Returns the corner
    // that was set.
    int SetXoverFreq(int channel, Xover which, int freq);

    // The routing row of `channel`: levels 0..100 of inputs 0..11, of which inputs 0..5 are stored.
    void SetMix(int channel, std::span<const int, CKTV_OutData::kMixInputs> levels);

    // Every band of `channel` (and of its linked channels) set as given, each through the band setters as a
    // hand edit would (pending marks, sent-frequency ramp), and the channel out of all-bypass. Values are
    // clamped to the bands' ranges.
    void SetBands(int channel, std::span<const BandSetting, Layout::kBands> bands);
    // One band's setters in the order SetBands runs them, on any filter (a scratch copy for a preview too);
    // the values are taken as they are.
    static void ApplyBandSetting(CFilter& band, const BandSetting& setting);

    // The EQ reset of `channel` and, while the link is on, of its pair partner: every band flat at its
    // third-octave frequency and bypassed. The group of `channel` is silenced while the blocks go out.
    void ResetEq(int channel);

    // ---- System edits ----------------------------------------------------------------------------------
    // Sent at once while the link is open (message 144), as the form's own controls do.
    void SelectSource(int source);   // 0..5
    void SetMasterVolume(int value); // the volume edit: 0..60
    void SetMasterOutput(int on);
    void SetDspSwitch(int on);
    void SetNoiseGate(int index); // 0..8
    // The master-volume slider: one message per worker cycle; the device's value is not adopted for the
    // next 100 status polls. Returns whether the value changed.
    bool SetMasterVolumeFromSlider(int value);
    // Remembered volume of input-source group 0..4 (0..100), sent as message 48.
    void SetSourceVolume(int group, int value);

    // ---- Linking ---------------------------------------------------------------------------------------
    // The pair table from the speaker types; returns the number of active pairs.
    int BuildPairTable();
    // The Link button switched on with the reference chosen in its dialog (0 the first channel of each pair,
    // 1 the second): the partner of each active pair becomes a copy of the reference and joins its group.
    // Refused with "无通道可以联调" when no pair forms; nothing is linked then.
    Status LinkPairs(int reference);
    // The Link button switched off: every channel in a group of its own; the pair table is cleared.
    void Unlink();
    // Channel `target` joins group `group`, taking a copy of a channel already in it; its block is queued
    // while the link is open.
    void CopyIntoGroup(int target, int group);
    bool LinkOn() const { return m_linkOn; }
    const std::array<LinkPair, kLinkPairs>& Pairs() const { return m_pairs; }
    // The other channel of the first active pair that contains `channel`, or -1.
    int PairPartner(int channel) const;
    bool Linked(int a, int b) const;

    // The model was re-read (device read, preset recall, file load): links have ended.
    void ModelReloaded();

    // ---- Whole setups (undo, redo, A/B) ------------------------------------------------------------------
    SetupState CaptureSetup() const;
    // False while the device is being read: every edit and restore is refused then.
    bool Editable() const { return !WaitingForDevice(); }
    // Makes the channels and links equal to `state`: under the link lock, the link groups first (so that no
    // value is carried to a channel that is no longer linked), then on each channel only the values that
    // differ, marking only their slices; the views are told what changed. Refused (false, nothing changed)
    // while the device is being read.
    bool RestoreSetup(const SetupState& state);
    // The ChannelPart mask of what differs between two states of a channel.
    static unsigned ChangedParts(const ChannelState& a, const ChannelState& b);

signals:
    // `band` is the band 0..30 when one band of the channel changed, -1 otherwise.
    void channelChanged(int channel, unsigned parts, int band);
    void systemChanged(unsigned parts);
    void linkGroupsChanged();

private:
    template <typename Apply> void EditChannel(ChannelEdit edit, int channel, int band, Apply&& apply);
    void EmitChannel(int channel, unsigned parts, int band);
    bool WaitingForDevice() const;
    // True (and the views told to show the model again) while the device is being read.
    bool RefusedChannel(int channel, unsigned parts, int band);
    bool RefusedSystem(unsigned parts);
    void SendSystemBlock();
    CKTV_OutData& Ch(int channel);
    int GroupOf(int channel) const;

    CDeviceController& m_controller;
    ModelGlobals& m_g;
    CKTV_Data& m_data;
    std::array<LinkPair, kLinkPairs> m_pairs{};
    bool m_linkOn = false;
};
