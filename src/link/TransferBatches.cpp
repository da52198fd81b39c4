// Bulk transfers: fills the outgoing queue with whole batches of frames under the link lock, numbered for the
// transfer popup where the batch shows one.
#include "link/TransferBatches.h"

#include "link/KTVCommand.h"

#include <mutex>

namespace {

constexpr int kGainGroupSlice = 31;
constexpr std::size_t kMasterOnByte = 5; // system block: master output switch

bool ValidChannel(int channel) {
    return channel >= 0 && channel < Layout::kChannels;
}

// Numbers the packets queued while it lives.
class NumberedScope {
public:
    explicit NumberedScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~NumberedScope() { m_flag = false; }
    NumberedScope(const NumberedScope&) = delete;
    NumberedScope& operator=(const NumberedScope&) = delete;

private:
    bool& m_flag;
};

} // namespace

CTransferBatches::CTransferBatches(KTVCommand& command) : m_command(command) {}

void CTransferBatches::ResetProgress() {
    m_progress = 0;
}

SendData* CTransferBatches::Enqueue(std::unique_ptr<SendData> packet) {
    SendData* raw = packet.get();
    if (!raw)
        return nullptr;
    if (m_numbering) {
        raw->countsForProgress = 1;
        raw->progressIndex = ++m_progress;
    }
    m_command.Push(std::move(packet));
    return raw;
}

void CTransferBatches::MarkEnd(SendData* last, Ends ends) {
    if (!last)
        return;
    last->endsReadBatch = ends == Ends::Read ? 1 : 0;
    last->endsWriteBatch = ends == Ends::Write ? 1 : 0;
}

SendData* CTransferBatches::SoundOff(int channel) {
    OutputBlock& block = m_command.Globals().liveImage.outputs[static_cast<std::size_t>(channel)];
    m_savedOutputOn[static_cast<std::size_t>(channel)] = block.outputOn;
    block.outputOn = 0;
    return Enqueue(m_command.BuildSliceWrite(KTVCommand::kTypeOutput, channel, kGainGroupSlice));
}

SendData* CTransferBatches::SoundBack(int channel) {
    OutputBlock& block = m_command.Globals().liveImage.outputs[static_cast<std::size_t>(channel)];
    block.outputOn = m_savedOutputOn[static_cast<std::size_t>(channel)];
    return Enqueue(m_command.BuildSliceWrite(KTVCommand::kTypeOutput, channel, kGainGroupSlice));
}

SendData* CTransferBatches::MasterOff() {
    auto& system = m_command.Globals().systemBlock;
    m_savedMasterOn = system[kMasterOnByte];
    system[kMasterOnByte] = 0;
    return Enqueue(m_command.BuildSystemWrite(KTVCommand::kSubSystemBlock, 0));
}

SendData* CTransferBatches::MasterBack() {
    m_command.Globals().systemBlock[kMasterOnByte] = m_savedMasterOn;
    return Enqueue(m_command.BuildSystemWrite(KTVCommand::kSubSystemBlock, 0));
}

PopupRequest CTransferBatches::WriteAll() {
    std::lock_guard lock(m_command.LinkLock());
    NumberedScope numbered(m_numbering);
    ResetProgress();
    for (int c = 0; c < Layout::kChannels; ++c)
        SoundOff(c);
    Enqueue(m_command.BuildBlockWrite(0, KTVCommand::kTypeMusicIn, KTVCommand::kMusicInIndex, true));
    for (int c = 0; c < Layout::kChannels; ++c)
        Enqueue(m_command.BuildBlockWrite(0, KTVCommand::kTypeOutput, c, true));
    for (int p = 1; p <= kStoredPresets; ++p) {
        Enqueue(m_command.BuildSystemWrite(KTVCommand::kSubPresetName, p));
        Enqueue(m_command.BuildBlockWrite(p, KTVCommand::kTypeMusicIn, KTVCommand::kMusicInIndex, false));
        for (int c = 0; c < Layout::kChannels; ++c)
            Enqueue(m_command.BuildBlockWrite(p, KTVCommand::kTypeOutput, c, false));
    }
    SendData* last = nullptr;
    for (int c = 0; c < Layout::kChannels; ++c)
        last = SoundBack(c);
    MarkEnd(last, Ends::Write);
    return Popup(true);
}

PopupRequest CTransferBatches::StoreLiveIntoPreset(int preset, const std::function<void()>& refreshImage) {
    std::lock_guard lock(m_command.LinkLock());
    NumberedScope numbered(m_numbering);
    ResetProgress();
    if (refreshImage)
        refreshImage();
    else
        MasterOff();
    Enqueue(m_command.BuildSystemWrite(KTVCommand::kSubPresetName, preset));
    SendData* last = nullptr;
    for (int c = 0; c < Layout::kChannels; ++c)
        last = Enqueue(m_command.BuildBlockWrite(preset, KTVCommand::kTypeOutput, c, true));
    if (!refreshImage)
        last = MasterBack();
    MarkEnd(last, Ends::Write);
    return Popup(true);
}

PopupRequest CTransferBatches::ReadPresetIntoLive(int preset, bool masterOff) {
    std::lock_guard lock(m_command.LinkLock());
    NumberedScope numbered(m_numbering);
    if (preset != 0)
        ResetProgress();
    if (masterOff)
        MasterOff();
    SendData* last = nullptr;
    for (int c = 0; c < Layout::kChannels; ++c)
        last = Enqueue(m_command.BuildBlockRead(preset, KTVCommand::kTypeOutput, c, true));
    if (masterOff)
        last = MasterBack();
    MarkEnd(last, Ends::Read);
    return Popup(preset != 0);
}

PopupRequest CTransferBatches::ReadForFileSave() {
    std::lock_guard lock(m_command.LinkLock());
    NumberedScope numbered(m_numbering);
    ResetProgress();
    MasterOff();
    for (int p = 1; p <= kStoredPresets; ++p) {
        Enqueue(m_command.BuildBlockRead(p, KTVCommand::kTypeMusicIn, KTVCommand::kMusicInIndex, false));
        for (int c = 0; c < Layout::kChannels; ++c)
            Enqueue(m_command.BuildBlockRead(p, KTVCommand::kTypeOutput, c, false));
    }
    MarkEnd(MasterBack(), Ends::Read);
    return Popup(true);
}

void CTransferBatches::SystemReads() {
    std::lock_guard lock(m_command.LinkLock());
    NumberedScope numbered(m_numbering);
    ResetProgress();
    for (int sub : {KTVCommand::kSubSystemBlock, KTVCommand::kSubAuxValues, KTVCommand::kSubSpeakerTypes,
                    KTVCommand::kSubCurrentPreset, KTVCommand::kSubSourceVolumes})
        Enqueue(m_command.BuildSystemRead(sub, 0));
    for (int p = 1; p <= kStoredPresets; ++p)
        Enqueue(m_command.BuildSystemRead(KTVCommand::kSubPresetName, p));
}

void CTransferBatches::ReadDeviceIdentifier() {
    std::lock_guard lock(m_command.LinkLock());
    Enqueue(m_command.BuildSystemRead(KTVCommand::kSubDeviceId, 0));
}

void CTransferBatches::MuteLinkGroup(int channel) {
    if (!ValidChannel(channel))
        return;
    std::lock_guard lock(m_command.LinkLock());
    const auto& groups = m_command.Globals().g_linkGroup;
    for (int c = 0; c < Layout::kChannels; ++c)
        if (groups[static_cast<std::size_t>(c)] == groups[static_cast<std::size_t>(channel)])
            SoundOff(c);
}

void CTransferBatches::UnmuteLinkGroup(int channel) {
    if (!ValidChannel(channel))
        return;
    std::lock_guard lock(m_command.LinkLock());
    const auto& groups = m_command.Globals().g_linkGroup;
    for (int c = 0; c < Layout::kChannels; ++c)
        if (groups[static_cast<std::size_t>(c)] == groups[static_cast<std::size_t>(channel)])
            SoundBack(c);
}

void CTransferBatches::QueueChannelBlock(int channel, bool completion) {
    auto block = m_command.BuildBlockWrite(0, KTVCommand::kTypeOutput, channel, true);
    if (block)
        block->completion = completion ? 1 : 0;
    Enqueue(std::move(block));
}

void CTransferBatches::ReplaceChannel(int channel, bool completion) {
    if (!ValidChannel(channel))
        return;
    std::lock_guard lock(m_command.LinkLock());
    SoundOff(channel);
    QueueChannelBlock(channel, completion);
    SoundBack(channel);
}

PopupRequest CTransferBatches::CopyChannel(int channel, bool completion) {
    if (!ValidChannel(channel))
        return {};
    std::lock_guard lock(m_command.LinkLock());
    QueueChannelBlock(channel, completion);
    if (!completion)
        return {};
    return {true, false, 1};
}

void CTransferBatches::ResetChannel(int channel, bool completion) {
    if (!ValidChannel(channel))
        return;
    std::lock_guard lock(m_command.LinkLock());
    QueueChannelBlock(channel, completion);
}

void CTransferBatches::SingleSystemWrite(int subCode, int value) {
    std::lock_guard lock(m_command.LinkLock());
    Enqueue(m_command.BuildSystemWrite(subCode, value));
}

void CTransferBatches::FactoryReset() {
    // Queued under the lock like every other request: the worker may be popping the head at the same time.
    std::lock_guard lock(m_command.LinkLock());
    Enqueue(m_command.BuildSystemWrite(KTVCommand::kSubFactoryReset, 0));
}
