// Frames to the device, the outgoing queue and the reply assembler that stores what the device sends back.
#pragma once

#include "link/Frame.h"
#include "link/ReportTransport.h"
#include "link/SendDataQueue.h"
#include "model/ModelGlobals.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

class CFirmwareHook;
class CLinkWorker;
class CNotifier;

// Builders read the live image, the preset copies and the system blocks of ModelGlobals and return a new
// packet without queueing it (nullptr for arguments that name no message). Everything that touches the queue,
// the assembler or the image runs under the link lock: the UI thread takes it while it queues, the I/O worker
// for each look at or change of them, never across a transport call or a pause. Notifications are posted,
// never delivered synchronously.
class KTVCommand {
public:
    static constexpr std::size_t kAssemblyBufferSize = 400;
    static constexpr int kPollCompareFull = 100; // status replies compared from this count on
    static constexpr int kStatusPollType = 7;    // BuildSliceWrite argument that makes the status poll

    // Block types and system sub-codes of the device.
    static constexpr int kTypeMicIn = 1;
    static constexpr int kTypeMusicIn = 2;
    static constexpr int kTypeOutput = 3;
    static constexpr int kTypeSystem = 4;
    static constexpr int kTypeEffect = 10;
    static constexpr int kMusicInIndex = 2;

    static constexpr int kSubStatus = 3;
    static constexpr int kSubSourceVolumes = 48;
    static constexpr int kSubCurrentPreset = 64;
    static constexpr int kSubPresetName = 134;
    static constexpr int kSubDeviceId = 136;
    static constexpr int kSubFactoryReset = 137;
    static constexpr int kSubSystemBlock = 144;
    static constexpr int kSubSpeakerTypes = 145;
    static constexpr int kSubAuxValues = 146;

    // Firmware stages (sub-codes of block type 4): the DSP file travels as 176, 177, chunks of 178, 179; the
    // controller file as 224, 225, chunks of 226, 227.
    static constexpr int kStageDspStart = 176;
    static constexpr int kStageDspHead = 177;
    static constexpr int kStageDspChunk = 178;
    static constexpr int kStageDspCheck = 179;
    static constexpr int kStageControllerStart = 224;
    static constexpr int kStageControllerStart2 = 225;
    static constexpr int kStageControllerChunk = 226;
    static constexpr int kStageControllerCheck = 227;
    static constexpr std::size_t kDspChunkSize = 296;
    static constexpr std::size_t kControllerChunkSize = 48;

    static constexpr std::uint8_t kReadIntoPreset =
        0xAB; // byte 9 of a block read whose reply goes to a preset copy

    KTVCommand(ModelGlobals& globals, CNotifier& notifier);
    ~KTVCommand();
    KTVCommand(const KTVCommand&) = delete;
    KTVCommand& operator=(const KTVCommand&) = delete;

    // --- Frame builders -------------------------------------------------------------------------------
    // Slice `slice` of block `type`/`index` of the live image, preset 0; type 7 makes the status poll.
    std::unique_ptr<SendData> BuildSliceWrite(int type, int index, int slice) const;
    // Whole block (type 2 or 3) for device preset `preset`, from the live image or the copy of that preset.
    // Sending the live music-input block into a stored preset first sets its marker byte in the live image.
    std::unique_ptr<SendData> BuildBlockWrite(int preset, int type, int index, bool fromLiveImage);
    std::unique_ptr<SendData> BuildBlockRead(int preset, int type, int index, bool intoLiveImage) const;
    std::unique_ptr<SendData> BuildSystemRead(int subCode, int value) const;
    std::unique_ptr<SendData> BuildSystemWrite(int subCode, int value) const;
    // Firmware frame of `stage` with its fixed payload length: `bytes` first, the rest filled (zeros for the
    // start stages, 0xFF after file bytes). nullptr for an unknown stage or more bytes than the stage
    // carries. The packet carries the stage; its progress index is left to the caller.
    std::unique_ptr<SendData> BuildFirmwareFrame(int stage, std::span<const std::uint8_t> bytes = {}) const;

    // Whether another output channel shares the link group of `channel`.
    bool IsLinked(int channel) const;

    // --- Outgoing queue -------------------------------------------------------------------------------
    std::recursive_mutex& LinkLock() const { return m_linkLock; }
    SendDataQueue& Queue() { return m_queue; } // the caller holds the link lock
    const SendDataQueue& Queue() const { return m_queue; }
    // Queues the packet and wakes the worker from an idle rest.
    void Push(std::unique_ptr<SendData> packet);
    int Count() const;
    // Destroys every packet and resets the assembler.
    void Clear();
    // The frame of the first pending change of the model, or the status poll.
    std::unique_ptr<SendData> NextPendingMessage();
    // The status poll NextPendingMessage sends when nothing is pending.
    static bool IsStatusPoll(const SendData& packet);
    // The worker that Push wakes; it sets itself for its lifetime.
    void SetWorker(CLinkWorker* worker) { m_worker.store(worker); }

    // --- Reply side -----------------------------------------------------------------------------------
    // Each returns whether a complete, valid frame was processed; bytes after it in the same chunk are
    // dropped.
    bool FeedReport(const Report& report);
    bool FeedBytes(const std::uint8_t* bytes, std::size_t length);
    // As FeedReport, for the reply to the packet numbered `serial`: once that packet is no longer the head
    // (the queue was cleared or replaced while the reply was on its way) a complete frame still counts as
    // processed but acts on nothing: no packet leaves the queue and nothing is stored or posted.
    bool FeedReply(const Report& report, std::uint64_t serial);
    void ResetAssembler();

    // Set by an empty data reply (and by a lost link): the worker runs no normal cycle until the next start.
    bool StopFlag() const { return m_stopFlag.load(); }
    void SetStopFlag(bool on) { m_stopFlag.store(on); }

    // Status replies are compared with the system block only once this has counted up to 100.
    int PollCompareCounter() const { return m_pollCompare.load(); }
    void SetPollCompareCounter(int value) { m_pollCompare.store(value); }

    void SetFirmwareHook(CFirmwareHook* hook) { m_firmwareHook.store(hook); }
    CFirmwareHook* FirmwareHook() const { return m_firmwareHook.load(); }

    ModelGlobals& Globals() const { return m_g; }
    CNotifier& Notifier() const { return m_notifier; }

private:
    struct ReplyHeader {
        std::uint8_t command = 0;
        std::uint8_t preset = 0;
        std::uint8_t type = 0;
        std::uint8_t index = 0;
        std::uint8_t slice = 0;
        std::size_t length = 0;
    };

    std::unique_ptr<SendData> Make(const Frame::Header& header, std::span<const std::uint8_t> payload) const;
    // replyTo: the serial of the packet the bytes answer; nullptr: whatever packet is the head.
    bool Assemble(const std::uint8_t* bytes, std::size_t length, const std::uint64_t* replyTo);
    bool ProcessFrame(std::size_t total, const std::uint64_t* replyTo);
    static bool CompletesHead(const ReplyHeader& h);
    void ReportBatchProgress(const SendData& head);
    void StoreData(const ReplyHeader& h, std::span<const std::uint8_t> payload);
    void StoreOutputBlock(const ReplyHeader& h, std::span<const std::uint8_t> payload);
    void StoreEffectBlock(const ReplyHeader& h, std::span<const std::uint8_t> payload);
    void StoreSystemField(const ReplyHeader& h, std::span<const std::uint8_t> payload);
    void CompareStatus(std::span<const std::uint8_t> payload);
    std::uint8_t*
    ReplyImage(const ReplyHeader& h); // live image or preset copy by bytes 6 and 9; nullptr if none

    ModelGlobals& m_g;
    CNotifier& m_notifier;
    mutable std::recursive_mutex m_linkLock;
    SendDataQueue m_queue;

    std::array<std::uint8_t, kAssemblyBufferSize>
        m_buffer{}; // a frame from its start byte (frame offset 3) on
    std::size_t m_count = 0;
    bool m_inFrame = false;
    int m_syncCount = 0; // consecutive 0xA2 bytes while outside a frame
    ReplyHeader m_last;  // header of the last good frame

    std::atomic<bool> m_stopFlag{false};
    std::atomic<int> m_pollCompare{80};
    std::atomic<CFirmwareHook*> m_firmwareHook{nullptr};
    std::atomic<CLinkWorker*> m_worker{nullptr};
};
