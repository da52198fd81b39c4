// Plays the box on the device side of a USB gadget: a FunctionFS HID interface in front of a simulated
// device.
#pragma once

#include "link/ReportTransport.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CSimDevice;

// The interface is a vendor HID interface with 312-byte input and output reports (no report ids), an
// interrupt IN and an interrupt OUT endpoint. Output reports arrive on the OUT endpoint or as SET_REPORT;
// input reports leave as answers to GET_REPORT (the device's replies, or an all-zero report when none is
// ready, as the simulated device reads them) or, in interrupt-pipe mode, on the IN endpoint as soon as a
// reply is ready.
//
// One simulated-device session lives while the host has the configuration enabled. When the device
// restarts (after firmware stage 176) the session dies: the stand-in then unbinds the gadget from the
// controller until the device is back, so that the host sees a removal and a new arrival, as with the
// real box.
class CGadgetStandIn {
public:
    struct Options {
        std::string ffsDir; // mounted FunctionFS instance: ep0, ep1 (IN), ep2 (OUT)
        std::string gadget; // the gadget's configfs folder, whose UDC file binds it to the controller
        std::string udc;    // the controller's name
        bool interruptPipe = false;
    };

    CGadgetStandIn(std::shared_ptr<CSimDevice> device, Options options);
    ~CGadgetStandIn();
    CGadgetStandIn(const CGadgetStandIn&) = delete;
    CGadgetStandIn& operator=(const CGadgetStandIn&) = delete;

    // Writes the descriptors and strings to ep0 and starts the threads; the gadget may be bound after this.
    bool Start(std::string* error);

    // Input reports from now on through the interrupt pipe (true) or as answers to GET_REPORT (false).
    void SetInterruptPipe(bool on) { m_interruptPipe = on; }
    bool InterruptPipe() const { return m_interruptPipe.load(); }

    // What the host did, for the rig's checks.
    int Enables() const { return m_enables.load(); }
    int GetReports() const { return m_getReports.load(); }
    int SetReports() const { return m_setReports.load(); }
    int OutReports() const { return m_outReports.load(); }
    int InReports() const { return m_inReports.load(); }
    int Reconnects() const { return m_reconnects.load(); }

private:
    void RunControl();
    void RunOut();
    void RunIn();
    void RunRestartWatch();
    void HandleSetup(const void* setup);
    void OpenSession();
    void CloseSession();
    bool BindGadget(bool on); // whether the gadget ends bound (on) or unbound
    std::uint64_t Session() const { return m_session.load(); }

    std::shared_ptr<CSimDevice> m_device;
    Options m_options;
    int m_ep0 = -1;

    std::atomic<std::uint64_t> m_session{0};
    std::mutex m_sessionMutex; // opening and closing sessions
    std::atomic<bool> m_enabled{false};
    std::atomic<bool> m_interruptPipe{false};

    std::atomic<int> m_enables{0};
    std::atomic<int> m_getReports{0};
    std::atomic<int> m_setReports{0};
    std::atomic<int> m_outReports{0};
    std::atomic<int> m_inReports{0};
    std::atomic<int> m_reconnects{0};

    std::thread m_control;
    std::thread m_out;
    std::thread m_in;
    std::thread m_watch;
};
