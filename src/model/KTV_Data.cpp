// The object model of one setup: effect record, input records A and B and the eight output channels.
#include "model/KTV_Data.h"

namespace {

// Channels whose crossovers the device limits; 6 and 7 are taken as they come.
constexpr int kClampedChannels = 6;
constexpr int kMaxHighPass = 20000;
constexpr int kMinLowPass = 20;

void ClampCrossovers(OutputBlock& block) {
    // The device reads these frequencies as signed words.
    if (static_cast<std::int16_t>(block.highPass.freq) > kMaxHighPass)
        block.highPass.freq = kMaxHighPass;
    if (static_cast<std::int16_t>(block.lowPass.freq) < kMinLowPass)
        block.lowPass.freq = kMinLowPass;
}

} // namespace

CKTV_Data::CKTV_Data(ModelGlobals& globals) : m_globals(globals) {
    for (int c = 0; c < Layout::kChannels; ++c) {
        m_channels[static_cast<std::size_t>(c)] = std::make_unique<CKTV_OutData>(globals, c);
        globals.g_channelObj[static_cast<std::size_t>(c)] = m_channels[static_cast<std::size_t>(c)].get();
        globals.g_linkGroup[static_cast<std::size_t>(c)] = c;
        m_channels[static_cast<std::size_t>(c)]->Filters().SetConnectedFlag(&globals.connected);
    }
    m_effect.Filters().SetConnectedFlag(&globals.connected);
    m_inputA.Filters().SetConnectedFlag(&globals.connected);
    m_inputB.Filters().SetConnectedFlag(&globals.connected);
}

CKTV_Data::~CKTV_Data() {
    for (int c = 0; c < Layout::kChannels; ++c) {
        CKTV_OutData*& entry = m_globals.g_channelObj[static_cast<std::size_t>(c)];
        if (entry == m_channels[static_cast<std::size_t>(c)].get())
            entry = nullptr;
    }
}

Status CKTV_Data::CollectAll() {
    m_effect.Collect(m_globals.liveImage);
    m_inputA.Collect(m_globals.liveImage);
    m_inputB.Collect(m_globals.liveImage);
    Status result;
    for (auto& channel : m_channels) {
        const Status status = channel->CollectChannel();
        if (result && !status)
            result = status;
    }
    return result;
}

void CKTV_Data::ApplyAll(ParamImage& image, int mode) {
    if (mode == 0 || mode == 6)
        m_effect.Apply(image);
    m_inputA.Apply(image);
    m_inputB.Apply(image);
    for (int c = 0; c < Layout::kChannels; ++c) {
        if (c < kClampedChannels)
            ClampCrossovers(image.outputs[c]);
        m_channels[static_cast<std::size_t>(c)]->ApplyChannel(image.outputs[c]);
    }
}

void CKTV_Data::ClearPending(int value) {
    m_effect.ClearPending(value);
    m_inputA.ClearPending(value);
    m_inputB.ClearPending(value);
    for (auto& channel : m_channels)
        channel->ClearPending(value);
}
