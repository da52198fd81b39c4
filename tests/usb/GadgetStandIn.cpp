// Plays the box on the device side of a USB gadget: a FunctionFS HID interface in front of a simulated
// device.
#include "usb/GadgetStandIn.h"

#include "sim/SimDevice.h"

#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr auto kLeastOffBus = 500ms;              // after a restart, before the box is bound again
constexpr int kBindTries = 50;                    // 100 ms apart
constexpr std::size_t kPayload = kReportSize - 1; // report bytes on the wire: unnumbered reports
constexpr std::uint16_t kFullSpeedPacket = 64;
constexpr std::uint16_t kHighSpeedPacket = 512; // one report per packet at high speed

// HID class requests and descriptor types.
constexpr std::uint8_t kGetReport = 0x01;
constexpr std::uint8_t kGetIdle = 0x02;
constexpr std::uint8_t kSetReport = 0x09;
constexpr std::uint8_t kSetIdle = 0x0A;
constexpr std::uint8_t kHidDescriptor = 0x21;
constexpr std::uint8_t kReportDescriptor = 0x22;
constexpr std::uint8_t kInputReport = 1;

// Vendor page 0xFF00, one application collection, 312 bytes in and 312 bytes out.
constexpr std::array<std::uint8_t, 30> kReportDescriptorBytes{
    0x06, 0x00, 0xFF, // Usage Page (vendor 0xFF00)
    0x09, 0x01,       // Usage (1)
    0xA1, 0x01,       // Collection (Application)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x96, 0x38, 0x01, //   Report Count (312)
    0x09, 0x01,       //   Usage (1)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x96, 0x38, 0x01, //   Report Count (312)
    0x09, 0x01,       //   Usage (1)
    0x91, 0x02,       //   Output (Data, Variable, Absolute)
    0xC0,             // End Collection
};
static_assert(kPayload == 312);

struct [[gnu::packed]] HidClassDescriptor {
    std::uint8_t bLength;
    std::uint8_t bDescriptorType;
    std::uint16_t bcdHID;
    std::uint8_t bCountryCode;
    std::uint8_t bNumDescriptors;
    std::uint8_t bReportType;
    std::uint16_t wReportLength;
};

struct [[gnu::packed]] InterfaceDescriptors {
    usb_interface_descriptor interface;
    HidClassDescriptor hid;
    usb_endpoint_descriptor_no_audio in;
    usb_endpoint_descriptor_no_audio out;
};

struct [[gnu::packed]] Descriptors {
    usb_functionfs_descs_head_v2 header;
    std::uint32_t fsCount;
    std::uint32_t hsCount;
    InterfaceDescriptors fs;
    InterfaceDescriptors hs;
};

struct [[gnu::packed]] Strings {
    usb_functionfs_strings_head header;
    std::uint16_t language;
    char interfaceName[10];
};

constexpr HidClassDescriptor kHid{sizeof(HidClassDescriptor),
                                  kHidDescriptor,
                                  0x0111,
                                  0,
                                  1,
                                  kReportDescriptor,
                                  static_cast<std::uint16_t>(kReportDescriptorBytes.size())};

InterfaceDescriptors MakeInterface(std::uint16_t packet) {
    InterfaceDescriptors d{};
    d.interface = {USB_DT_INTERFACE_SIZE, USB_DT_INTERFACE, 0, 0, 2, USB_CLASS_HID, 0, 0, 1};
    d.hid = kHid;
    d.in = {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, 1 | USB_DIR_IN, USB_ENDPOINT_XFER_INT, packet, 1};
    d.out = {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, 2 | USB_DIR_OUT, USB_ENDPOINT_XFER_INT, packet, 1};
    return d;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size) == static_cast<ssize_t>(size);
}

bool AllZero(const Report& r) {
    return std::all_of(r.begin(), r.end(), [](std::uint8_t b) { return b == 0; });
}

} // namespace

CGadgetStandIn::CGadgetStandIn(std::shared_ptr<CSimDevice> device, Options options)
    : m_device(std::move(device)), m_options(std::move(options)), m_interruptPipe(m_options.interruptPipe) {}

CGadgetStandIn::~CGadgetStandIn() {
    // The endpoint threads sit in blocking reads and writes of the gadget's files; the process ends with
    // them.
    for (std::thread* t : {&m_control, &m_out, &m_in, &m_watch})
        if (t->joinable())
            t->detach();
}

bool CGadgetStandIn::Start(std::string* error) {
    m_ep0 = ::open((m_options.ffsDir + "/ep0").c_str(), O_RDWR | O_CLOEXEC);
    if (m_ep0 < 0) {
        *error = m_options.ffsDir + "/ep0: " + std::strerror(errno);
        return false;
    }
    Descriptors d{};
    d.header.magic = FUNCTIONFS_DESCRIPTORS_MAGIC_V2;
    d.header.length = sizeof d;
    d.header.flags = FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC;
    d.fsCount = 4;
    d.hsCount = 4;
    d.fs = MakeInterface(kFullSpeedPacket);
    d.hs = MakeInterface(kHighSpeedPacket);
    Strings s{};
    s.header = {FUNCTIONFS_STRINGS_MAGIC, sizeof s, 1, 1};
    s.language = 0x0409;
    std::memcpy(s.interfaceName, "DSP stand", 10);
    if (!WriteAll(m_ep0, &d, sizeof d)) {
        *error = std::string("descriptors refused: ") + std::strerror(errno);
        return false;
    }
    if (!WriteAll(m_ep0, &s, sizeof s)) {
        *error = std::string("strings refused: ") + std::strerror(errno);
        return false;
    }
    m_control = std::thread([this] { RunControl(); });
    m_out = std::thread([this] { RunOut(); });
    m_in = std::thread([this] { RunIn(); });
    m_watch = std::thread([this] { RunRestartWatch(); });
    return true;
}

void CGadgetStandIn::OpenSession() {
    std::lock_guard lock(m_sessionMutex);
    if (const std::uint64_t old = m_session.exchange(0))
        m_device->CloseSession(old);
    m_session = m_device->OpenSession();
}

void CGadgetStandIn::CloseSession() {
    std::lock_guard lock(m_sessionMutex);
    if (const std::uint64_t old = m_session.exchange(0))
        m_device->CloseSession(old);
}

void CGadgetStandIn::RunControl() {
    std::array<usb_functionfs_event, 4> events{};
    for (;;) {
        const ssize_t n = ::read(m_ep0, events.data(), sizeof events);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (std::size_t i = 0; i < static_cast<std::size_t>(n) / sizeof(usb_functionfs_event); ++i) {
            const usb_functionfs_event& e = events[i];
            switch (e.type) {
            case FUNCTIONFS_ENABLE:
                ++m_enables;
                m_enabled = true;
                OpenSession();
                break;
            case FUNCTIONFS_DISABLE:
            case FUNCTIONFS_UNBIND:
                m_enabled = false;
                CloseSession();
                break;
            case FUNCTIONFS_SETUP:
                HandleSetup(&e.u.setup);
                break;
            default:
                break;
            }
        }
    }
}

void CGadgetStandIn::HandleSetup(const void* raw) {
    usb_ctrlrequest setup;
    std::memcpy(&setup, raw, sizeof setup);
    const bool in = (setup.bRequestType & USB_DIR_IN) != 0;
    const std::uint8_t type = setup.bRequestType & USB_TYPE_MASK;
    const std::size_t length = setup.wLength;
    const auto stall = [&] {
        // FunctionFS stalls a request when ep0 is used against its direction.
        if (in) [[maybe_unused]]
            const ssize_t r = ::read(m_ep0, nullptr, 0);
        else [[maybe_unused]]
            const ssize_t w = ::write(m_ep0, nullptr, 0);
    };
    const auto answer = [&](const void* data, std::size_t size) {
        // A request the host gave up on (its control timeout) is refused here; the log shows it.
        if (::write(m_ep0, data, std::min(size, length)) < 0)
            std::fprintf(stderr, "selvano-usbgadget: answer to request %02x/%02x: %s\n", setup.bRequestType,
                         setup.bRequest, std::strerror(errno));
    };
    const auto acknowledge = [&] { [[maybe_unused]] const ssize_t r = ::read(m_ep0, nullptr, 0); };

    if (type == USB_TYPE_STANDARD && setup.bRequest == USB_REQ_GET_DESCRIPTOR && in) {
        const std::uint8_t kind = setup.wValue >> 8;
        if (kind == kReportDescriptor)
            return answer(kReportDescriptorBytes.data(), kReportDescriptorBytes.size());
        if (kind == kHidDescriptor)
            return answer(&kHid, sizeof kHid);
        return stall();
    }
    if (type != USB_TYPE_CLASS)
        return stall();
    switch (setup.bRequest) {
    case kGetReport: {
        ++m_getReports;
        Report report{};
        const std::uint64_t session = Session();
        if ((setup.wValue >> 8) == kInputReport && session != 0 && !InterruptPipe())
            if (!m_device->ReadReport(session, report))
                report.fill(0);
        return answer(report.data() + 1, kPayload);
    }
    case kSetReport: {
        ++m_setReports;
        Report report{};
        const std::size_t take = std::min(length, kPayload);
        const ssize_t got = ::read(m_ep0, report.data() + 1, take);
        if (got == static_cast<ssize_t>(take))
            if (const std::uint64_t session = Session())
                m_device->WriteReport(session, report);
        return;
    }
    case kSetIdle:
        return acknowledge();
    case kGetIdle: {
        const std::uint8_t idle = 0;
        return answer(&idle, 1);
    }
    default:
        return stall();
    }
}

void CGadgetStandIn::RunOut() {
    int fd = -1;
    std::array<std::uint8_t, kHighSpeedPacket> buffer{};
    for (;;) {
        if (fd < 0)
            fd = ::open((m_options.ffsDir + "/ep2").c_str(), O_RDWR | O_CLOEXEC);
        const ssize_t n = fd >= 0 ? ::read(fd, buffer.data(), buffer.size()) : -1;
        if (n < 0) {
            // Not enabled yet, or the host went away: the endpoint comes back with the next enable.
            if (fd >= 0 && errno != EINTR) {
                ::close(fd);
                fd = -1;
            }
            std::this_thread::sleep_for(20ms);
            continue;
        }
        const std::uint64_t session = Session();
        if (n == 0 || session == 0)
            continue;
        Report report{};
        std::memcpy(report.data() + 1, buffer.data(), std::min(static_cast<std::size_t>(n), kPayload));
        ++m_outReports;
        m_device->WriteReport(session, report);
    }
}

void CGadgetStandIn::RunIn() {
    int fd = -1;
    for (;;) {
        const std::uint64_t session = Session();
        const auto at = session != 0 ? m_device->NextReplyAt(session) : std::nullopt;
        if (!at || !m_enabled || !InterruptPipe()) {
            std::this_thread::sleep_for(1ms);
            continue;
        }
        if (*at > CSimDevice::Clock::now()) {
            std::this_thread::sleep_until(std::min(*at, CSimDevice::Clock::now() + 5ms));
            continue;
        }
        Report report{};
        if (!m_device->ReadReport(session, report) || AllZero(report))
            continue;
        // The host polls the pipe only while it holds the device open; the write waits for it.
        for (bool sent = false; !sent && Session() == session;) {
            if (fd < 0)
                fd = ::open((m_options.ffsDir + "/ep1").c_str(), O_RDWR | O_CLOEXEC);
            sent = fd >= 0 && WriteAll(fd, report.data() + 1, kPayload);
            if (!sent) {
                if (fd >= 0)
                    ::close(fd);
                fd = -1;
                std::this_thread::sleep_for(20ms);
            }
        }
        ++m_inReports;
    }
}

void CGadgetStandIn::RunRestartWatch() {
    for (;;) {
        std::this_thread::sleep_for(5ms);
        const std::uint64_t session = Session();
        if (session == 0 || m_device->SessionAlive(session))
            continue;
        // The device restarted: off the bus until it is back, then a fresh enumeration. The unbinding can
        // take seconds (until the host lets go of the device); binding again at once after it is not
        // taken, so the box stays off the bus a while after it has left, as a real one restarting does.
        CloseSession();
        BindGadget(false);
        const auto leftAt = std::chrono::steady_clock::now();
        while (!m_device->IsPlugged() || std::chrono::steady_clock::now() - leftAt < kLeastOffBus)
            std::this_thread::sleep_for(5ms);
        int tries = 1;
        for (; !BindGadget(true) && tries < kBindTries; ++tries)
            std::this_thread::sleep_for(100ms);
        if (tries > 1)
            std::fprintf(stderr, "selvano-usbgadget: bound again after %d tries\n", tries);
        ++m_reconnects;
    }
}

bool CGadgetStandIn::BindGadget(bool on) {
    // The controller's soft_connect would do the same on paper, but this kernel's dummy controller does not
    // enumerate the gadget again after it; unbinding and binding is what pulling the cable does here.
    {
        std::ofstream control(m_options.gadget + "/UDC");
        control << (on ? m_options.udc : std::string()) << '\n' << std::flush;
        if (!control)
            return false;
    }
    // Bound when the gadget names its controller.
    std::ifstream state(m_options.gadget + "/UDC");
    std::string udc;
    std::getline(state, udc);
    return on ? udc == m_options.udc : udc.empty();
}
