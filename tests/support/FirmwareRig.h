// A stand-in for the connection controller as the firmware update sees it, wired to the simulated device.
#pragma once

#include "firmware/FirmwareHost.h"
#include "link/InProcessTransport.h"
#include "link/KTVCommand.h"
#include "link/LinkWorker.h"
#include "model/ModelGlobals.h"
#include "presets/SettingsStore.h"
#include "sim/SimDevice.h"
#include "support/CollectingNotifier.h"

#include <memory>
#include <string>
#include <vector>

// With runWorker the link's worker thread runs the cycles; without it StartLinkIO only marks the link open,
// so that a test may run firmware cycles itself, one at a time, on its own thread.
class CFirmwareRig : public CFirmwareHost {
public:
    explicit CFirmwareRig(const TimingProfile& timing = TimingProfile::Fast(), bool runWorker = true);
    ~CFirmwareRig() override;

    KTVCommand& Command() override { return command; }
    bool LinkOpen() const override { return m_linkOpen; }
    void CloseLink() override;
    bool OpenDevice() override;
    void StartLinkIO() override;
    void ShowMessage(const SysText& text) override;

    // What the controller does on UM_LINK_LOST: stop, close, clear.
    void HandleLinkLost();

    ModelGlobals g;
    CCollectingNotifier notifier;
    KTVCommand command{g, notifier};
    std::shared_ptr<CSimDevice> device = std::make_shared<CSimDevice>();
    CInProcessTransport transport{device};
    CLinkWorker worker;
    CSettingsStore store;

    std::vector<std::string> calls; // "close", "open", "start", "show" in the order the host was used
    std::vector<SysText> shown;
    int refuseOpens = 0; // OpenDevice fails this many times before it tries the device

private:
    bool m_runWorker;
    bool m_linkOpen = false;
};
