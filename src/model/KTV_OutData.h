// One output channel: its filter set and channel settings, collected into and applied from its output block.
#pragma once

#include "base/Status.h"
#include "model/KTVEQ.h"
#include "model/ModelGlobals.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>

// Slices of an output block (8 bytes each) that the channel marks and encodes one by one.
namespace OutputSlice {
inline constexpr int kGainGroup = 31; // output on, polarity, gain, delay, EQ mode, carried byte
inline constexpr int kXover = 32;
inline constexpr int kMixA = 33; // inputs 0..7
inline constexpr int kMixB = 34; // inputs 8..11
inline constexpr int kLimiter = 35;
inline constexpr int kName = 36;
} // namespace OutputSlice

// Everything of a channel the user can change or a file or preset can bring, as the program holds it: the
// filters' own params (a bypassed band keeps its gain) and the channel values.
struct ChannelState {
    std::array<CFilter::Params, Layout::kBands> bands{};
    CFilter::Params highPass{};
    CFilter::Params lowPass{};
    int outputOn = 0;
    int polarity = 0;
    int gainCode = 60;
    int gainOff = 0;
    int delay = 0;
    int eqMode = 0;
    int auxByte = 0;
    int limThreshold = 300;
    int limAttack = 106;
    int limRelease = 5;
    std::array<int, 12> mix{};
    QString name;
    int allBandsBypassed = 0;
    bool operator==(const ChannelState&) const = default;
};

struct ChannelColour {
    std::uint8_t red, green, blue;
};

// Threads: setters run on the UI thread without the link lock; the I/O worker reads the values and the
// pending marks and runs the encoders under the link lock. A setter stores its value before its mark and an
// encoder clears the mark before it reads the values, so an edit racing with an encoding is sent again.
class CKTV_OutData {
public:
    static constexpr int kMixInputs = 12;
    static constexpr int kEditedMixInputs = 6; // the routing window edits inputs 0..5
    static constexpr std::size_t kNameFieldSize = 8;

    CKTV_OutData(ModelGlobals& globals, int channel);
    CKTV_OutData(const CKTV_OutData&) = delete;
    CKTV_OutData& operator=(const CKTV_OutData&) = delete;

    // ---- Image ----
    // The whole output block into the live image, nothing sent. An unfitting name keeps the image's name
    // bytes and is reported.
    Status CollectChannel();
    void ApplyChannel(const OutputBlock& block);

    // Slice encoders: each writes its slice into the live image and returns the slice number. The gain
    // group, mix, limiter and name encoders clear their mark first; band and crossover marks belong to the
    // filters and are cleared by their sent-frequency ramp.
    int EncodeBand(int k);
    int EncodeGainGroup();
    int EncodeXover();
    int EncodeMixA();
    int EncodeMixB();
    int EncodeLimiter();
    int EncodeName();
    // The 296 bytes that go to the device as one block, with the name cut to seven characters.
    void EncodeChannelBlock();

    // ---- Editor setters: store, mark with the connected flag ----
    void SetChannelGain(int code); // 0..60; 0 switches the gain off
    void SetOutputOn(int on);
    void SetPolarity(int inverted);
    void SetDelay(int samples);
    void SetEqMode(int mode);
    // Both take the whole 12-entry vector and store entries 0..5; they differ in the slice they mark.
    void SetMix(std::span<const int, kMixInputs> levels);
    void SetMixB(std::span<const int, kMixInputs> levels);
    // Not an editor of this program: device reads and files set the limiter; kept for tools and tests.
    void SetLimiter(int threshold, int attack, int release);
    // At most seven characters; a longer name is refused with "char Len error!" and nothing changes.
    Status SetName(const QString& name);
    static Status CheckName(const QString& name); // SetName's refusal, without storing anything

    ChannelState State() const;
    // Takes `state` back as edits would: only the values that differ are stored, and only their slices are
    // marked (with the connected flag); nothing is carried to linked channels. Filters ramp as hand edits
    // do. The caller holds the link lock and recomputes the sum.
    void RestoreState(const ChannelState& state);

    void CopyEqFrom(const CKTV_OutData& other);
    void ResetEq();
    int AllBandsBypassed();
    void ClearPending(int value);

    // ---- Getters ----
    int GetChannel() const { return m_channel; }
    int GetChannelGain() const; // 0 while the gain is off
    int GetGainCode() const { return m_gainCode.load(); }
    int GetGainOff() const { return m_gainOff.load(); }
    int GetOutputOn() const { return m_outputOn.load(); }
    int GetPolarity() const { return m_polarity.load(); }
    int GetDelay() const { return m_delay.load(); }
    int GetEqMode() const { return m_eqMode.load(); }
    int GetAuxByte() const { return m_auxByte.load(); }
    int GetLimThreshold() const { return m_limThreshold.load(); }
    int GetLimAttack() const { return m_limAttack.load(); }
    int GetLimRelease() const { return m_limRelease.load(); }
    int GetMix(int input) const { return m_mix[static_cast<std::size_t>(input)].load(); }
    QString GetName() const;
    ChannelColour GetColour() const { return m_colour; }
    int GetAllBandsBypassed() const { return m_allBandsBypassed; }
    bool IsLinked() const; // another channel shares this channel's link group

    CKTVEQ& Filters() { return m_filters; }
    const CKTVEQ& Filters() const { return m_filters; }
    CFilter& Band(int k) { return m_filters.Band(k); }
    const CFilter& Band(int k) const { return m_filters.Band(k); }
    CFilter& HighPass() { return m_filters.HighPass(); }
    CFilter& LowPass() { return m_filters.LowPass(); }

    // ---- Pending marks, for the link worker's search ----
    int GetNamePending() const { return m_namePending.load(); }
    int GetGainPending() const { return m_gainPending.load(); }
    int GetMixPendingA() const { return m_mixPendingA.load(); }
    int GetMixPendingB() const { return m_mixPendingB.load(); }
    int GetLimPending() const { return m_limPending.load(); }
    bool XoverPending() const;    // either crossover filter
    int FirstPendingBand() const; // -1 when no band is pending

private:
    OutputBlock& LiveBlock() { return m_globals.liveImage.outputs[m_channel]; }
    int Connected() const { return m_globals.connected.load(); }
    void MirrorEqMode(int mode);
    void PropagateGainGroup();
    Status WriteName(std::uint8_t* field);
    void WriteGainGroup(OutputBlock& block) const;
    void WriteXover(OutputBlock& block) const;
    void WriteMix(OutputBlock& block, int first, int count) const;
    void WriteLimiter(OutputBlock& block) const;

    ModelGlobals& m_globals;
    const int m_channel;

    mutable std::mutex m_nameLock; // the name is the one value that cannot be written in a single store
    QString m_name;
    CKTVEQ m_filters;
    std::atomic<int> m_outputOn{0};
    std::atomic<int> m_polarity{0};
    std::atomic<int> m_gainCode{60};
    std::atomic<int> m_gainOff{0};
    std::atomic<int> m_delay{0};
    std::atomic<int> m_eqMode{0};
    std::atomic<int> m_auxByte{0};
    std::atomic<int> m_limThreshold{300};
    std::atomic<int> m_limAttack{106};
    std::atomic<int> m_limRelease{5};
    std::array<std::atomic<int>, kMixInputs> m_mix{};
    std::atomic<int> m_namePending{0};
    std::atomic<int> m_mixPendingA{0};
    std::atomic<int> m_gainPending{0};
    std::atomic<int> m_limPending{0};
    std::atomic<int> m_mixPendingB{0};
    ChannelColour m_colour;
    int m_allBandsBypassed = 0;
};
