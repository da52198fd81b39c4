// A stand-in for the device controller as the firmware update sees it, wired to the simulated device.
#include "support/FirmwareRig.h"

CFirmwareRig::CFirmwareRig(const TimingProfile& timing) : worker(command, transport, timing) {}

CFirmwareRig::~CFirmwareRig() {
    worker.StopLinkIO();
    command.SetFirmwareHook(nullptr);
}

void CFirmwareRig::CloseLink() {
    calls.push_back("close");
    worker.StopLinkIO();
    transport.Close();
    m_linkOpen = false;
}

void CFirmwareRig::OpenDeviceWithRetries(std::chrono::milliseconds, std::function<void(bool)> done) {
    calls.push_back("open");
    if (refuseOpens > 0) {
        --refuseOpens;
        done(false);
        return;
    }
    done(transport.Open());
}

void CFirmwareRig::StartFirmwareLink(CFirmwareHook& hook) {
    calls.push_back("firmware link");
    command.Clear();
    command.SetFirmwareHook(&hook);
    m_updating = true;
    m_linkOpen = true;
    worker.OpenLink();
}

void CFirmwareRig::EndFirmwareLink() {
    calls.push_back("end firmware link");
    command.SetFirmwareHook(nullptr);
    m_updating = false;
    m_stage = 0;
}

void CFirmwareRig::ShowMessage(const SysText& text) {
    calls.push_back("message " + text.In(0).toStdString());
}

void CFirmwareRig::ReportConnectFailure() {
    calls.push_back("connect failure");
}
