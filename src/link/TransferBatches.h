// Bulk transfers: fills the outgoing queue with whole batches of frames under the link lock, numbered for the
// transfer popup where the batch shows one.
#pragma once

#include "model/ParamImage.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class KTVCommand;
class SendData;

// What the controller shows after queueing a batch: the transfer popup with its bar at 0 of `range`, over the
// whole main window (modal) or without disabling it. The worker later moves the bar with
// UM_TRANSFER_PROGRESS (wParam = progress index) and ends the transfer with UM_TRANSFER_DONE.
struct PopupRequest {
    bool show = false;
    bool modal = false;
    int range = 0;
    bool operator==(const PopupRequest&) const = default;
};

// Runs on the UI thread. The caller decides whether a link is open; these only queue. Numbered batches give
// each packet the next progress index (from 1; 0 means none) and mark their last packet as the one whose
// reply ends the batch: the popup's bar reaches its range exactly when the device has acknowledged the
// whole batch (the sound or the master output back on included), and the popup goes then.
class CTransferBatches {
public:
    static constexpr int kStoredPresets = 6; // device presets the program reads and writes as a set

    explicit CTransferBatches(KTVCommand& command);

    // Sound off for channels 0..7; music-input block and eight output blocks of the live image as preset 0;
    // name, music-input block and output blocks of presets 1..6 from the preset copies; sound back.
    PopupRequest WriteAll();
    // Name of `preset` and the eight live output blocks addressed to it. With `refreshImage` the image is
    // first refreshed from the model; without it the master output is switched off around the transfer.
    PopupRequest StoreLiveIntoPreset(int preset, const std::function<void()>& refreshImage = {});
    // Eight output-block reads of `preset` into the live image. Preset 0 (the connection read) continues
    // the numbering of the system reads queued just before it and leaves the main window enabled.
    PopupRequest ReadPresetIntoLive(int preset, bool masterOff);
    // Music-input block and output blocks of presets 1..6 into the preset copies, master output off
    // meanwhile.
    PopupRequest ReadForFileSave();
    // System block, auxiliary values, speaker types, current preset, source volumes, names of presets 1..6.
    // Numbered, but the popup is left to the live-image read that always follows.
    void SystemReads();
    void ReadDeviceIdentifier();
    // Sound off (or back) for every channel of the link group of `channel`.
    void MuteLinkGroup(int channel);
    void UnmuteLinkGroup(int channel);
    // Sound off, the live output block, sound back.
    void ReplaceChannel(int channel, bool completion);
    // The live output block of a channel after a copy or an EQ reset; only a copy shows the popup, and only
    // when its packet closes it.
    PopupRequest CopyChannel(int channel, bool completion);
    void ResetChannel(int channel, bool completion);
    void SingleSystemWrite(int subCode, int value);
    void FactoryReset();

    // Number of progress items of the current batch; the popup's range.
    int ProgressCounter() const { return m_progress; }

private:
    enum class Ends { None, Read, Write };

    void ResetProgress();
    // Queues a packet, numbering it while a numbered batch is being built.
    SendData* Enqueue(std::unique_ptr<SendData> packet);
    // The packet queued last ends the batch: its reply hides the popup.
    static void MarkEnd(SendData* last, Ends ends);
    SendData* SoundOff(int channel);
    SendData* SoundBack(int channel);
    SendData* MasterOff();
    SendData* MasterBack();
    void QueueChannelBlock(int channel, bool completion);
    PopupRequest Popup(bool modal) const { return {true, modal, m_progress}; }

    KTVCommand& m_command;
    int m_progress = 0;
    bool m_numbering = false;
    std::array<std::uint8_t, Layout::kChannels> m_savedOutputOn{};
    std::uint8_t m_savedMasterOn = 1;
};
