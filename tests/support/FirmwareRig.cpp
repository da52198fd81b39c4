// A stand-in for the connection controller as the firmware update sees it, wired to the simulated device.
#include "support/FirmwareRig.h"

CFirmwareRig::CFirmwareRig(const TimingProfile& timing, bool runWorker)
    : worker(command, transport, timing), m_runWorker(runWorker) {}

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

bool CFirmwareRig::OpenDevice() {
    calls.push_back("open");
    if (refuseOpens > 0) {
        --refuseOpens;
        return false;
    }
    return transport.Open();
}

void CFirmwareRig::StartLinkIO() {
    calls.push_back("start");
    m_linkOpen = true;
    if (m_runWorker)
        worker.StartLinkIO();
    else
        worker.OpenLink();
}

void CFirmwareRig::ShowMessage(const SysText& text) {
    calls.push_back("show");
    shown.push_back(text);
}

void CFirmwareRig::HandleLinkLost() {
    CloseLink();
    command.Clear();
}
