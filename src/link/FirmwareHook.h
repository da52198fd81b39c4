// What a firmware update contributes to the link: its own worker cycle and a look at every valid reply.
#pragma once

class CLinkWorker;
class SendData;

// The firmware update installs one of these on the command object while it owns the link; without one the
// worker only runs normal cycles and replies skip the firmware step.
class CFirmwareHook {
public:
    virtual ~CFirmwareHook() = default;

    // StartLinkIO signals the firmware-cycle event instead of the normal one while this holds.
    virtual bool UpdateInProgress() const = 0;
    // Once this holds the worker resets its firmware-cycle event and waits.
    virtual bool UpdateFinished() const = 0;
    // One firmware write-and-read cycle, run on the I/O worker.
    virtual void FirmwareCycle(CLinkWorker& worker) = 0;
    // Every valid reply, on the worker under the link lock, before the reply's command is acted on. head may
    // be nullptr; finishesHead tells whether the reply removes it (an acknowledgement or stored data), as
    // opposed to a repeat request or an empty data reply that leave it to go out again.
    virtual void OnFirmwareReply(const SendData* head, bool finishesHead) = 0;
};
