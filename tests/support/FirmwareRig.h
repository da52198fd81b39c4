// A stand-in for the device controller as the firmware update sees it, wired to the simulated device.
#pragma once

#include "link/FirmwareHost.h"
#include "link/KTVCommand.h"
#include "link/LinkWorker.h"
#include "link/SettingsStore.h"
#include "model/ModelGlobals.h"
#include "sim/InProcessTransport.h"
#include "sim/SimDevice.h"
#include "support/CollectingNotifier.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

// The link's worker is driven by the test: StartFirmwareLink marks the link open without starting the
// thread, so that the test runs firmware cycles itself, one at a time, on its own thread.
class CFirmwareRig : public CFirmwareHost {
public:
    explicit CFirmwareRig(const TimingProfile& timing = TimingProfile::Fast());
    ~CFirmwareRig() override;

    KTVCommand& Command() override { return command; }
    bool LinkOpen() const override { return m_linkOpen; }
    void CloseLink() override;
    // Answers at once, as a host whose first attempt decides.
    void OpenDeviceWithRetries(std::chrono::milliseconds limit, std::function<void(bool)> done) override;
    void CancelOpenRetries() override {}
    void StartFirmwareLink(CFirmwareHook& hook) override;
    void EndFirmwareLink() override;
    bool FirmwareUpdating() const override { return m_updating; }
    void SetFirmwareStage(int stage) override { m_stage.store(stage); }
    void ShowMessage(const SysText& text) override;
    void ReportConnectFailure() override;

    int FirmwareStage() const { return m_stage.load(); }

    ModelGlobals g;
    CCollectingNotifier notifier;
    KTVCommand command{g, notifier};
    std::shared_ptr<CSimDevice> device = std::make_shared<CSimDevice>();
    CInProcessTransport transport{device};
    CLinkWorker worker;
    CSettingsStore store;

    // "close", "open", "firmware link", "end firmware link", "message <English text>", "connect failure",
    // in the order the update used the host.
    std::vector<std::string> calls;
    int refuseOpens = 0; // OpenDeviceWithRetries fails this many times, as if the limit passed each time

private:
    bool m_linkOpen = false;
    bool m_updating = false;
    std::atomic<int> m_stage{0};
};
