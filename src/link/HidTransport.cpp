// The USB HID link to the box through hidapi: whole 313-byte reports with report id 0.
#include "link/HidTransport.h"

#include "link/HidEnumerator.h"

#include <hidapi.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <system_error>

namespace {

// Whether the path is a hidraw device node, as the kernel sees it. hidapi 0.13 mishandles any other file
// it is asked to open (its error text for a node that is not hidraw is never freed), so nothing else is
// handed to it.
bool IsHidrawNode(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    const std::filesystem::path sysfs = "/sys/dev/char/" + std::to_string(major(info.st_rdev)) + ':' +
                                        std::to_string(minor(info.st_rdev)) + "/subsystem";
    std::error_code error;
    const std::filesystem::path subsystem = std::filesystem::canonical(sysfs, error);
    return !error && subsystem.filename() == "hidraw";
}

} // namespace

CHidTransport::CHidTransport(std::unique_ptr<CDeviceEnumerator> enumerator, CClaimList claims)
    : m_enumerator(enumerator ? std::move(enumerator) : std::make_unique<CHidEnumerator>()),
      m_claims(std::move(claims)) {}

CHidTransport::~CHidTransport() {
    CloseDevice();
}

bool CHidTransport::InitLibrary() {
    return hid_init() == 0;
}

void CHidTransport::ExitLibrary() {
    hid_exit();
}

bool CHidTransport::OpenFirstDevice() {
    CloseDevice();
    const auto path = m_enumerator->FirstMatchingPath();
    if (!path) {
        m_lastFailure = OpenFailure::NoDevice;
        return false;
    }
    SetCurrentPath(*path);
    return OpenChosen(*path);
}

bool CHidTransport::OpenDevicePath(const std::string& path) {
    CloseDevice();
    SetCurrentPath(path);
    return OpenChosen(path);
}

bool CHidTransport::OpenChosen(const std::string& path) {
    // The device file can be opened by any number of processes at once; two instances talking to one box
    // would take each other's replies. The claim list keeps them apart.
    if (m_claims.IsPathClaimed(path)) {
        m_lastFailure = OpenFailure::ClaimedByAnother;
        return false;
    }
    hid_device* const device = IsHidrawNode(path) ? hid_open_path(path.c_str()) : nullptr;
    if (device == nullptr) {
        m_lastFailure = OpenFailure::OpenFailed;
        return false;
    }
    m_output.fill(0);
    m_input.fill(0);
    m_device = device;
    m_claims.ClaimPath(path);
    m_lastFailure = OpenFailure::None;
    return true;
}

void CHidTransport::CloseDevice() {
    if (hid_device* const device = m_device.exchange(nullptr)) {
        hid_close(device);
        m_claims.ReleasePath(CurrentPath());
    }
    m_input.fill(0);
    m_output.fill(0);
}

void CHidTransport::SetReadMode(ReadMode mode, std::chrono::milliseconds wait) {
    m_readMode = mode;
    m_readWait = wait;
}

bool CHidTransport::WriteReport(const Report& report) {
    hid_device* const device = m_device.load();
    if (device == nullptr)
        return false;
    m_output = report;
    m_output[0] = 0; // report id: the box uses unnumbered reports
    return hid_write(device, m_output.data(), m_output.size()) == kReportSize;
}

bool CHidTransport::ReadReport(Report& report) {
    hid_device* const device = m_device.load();
    if (device == nullptr)
        return false;
    m_input.fill(0);
    if (m_readMode == ReadMode::InputReport) {
        // The kernel counts the report id byte in the result, as it does for writes.
        const int got = hid_get_input_report(device, m_input.data(), m_input.size());
        if (got < 0)
            return false;
    } else {
        // Reads from the interrupt pipe carry no report id byte for unnumbered reports.
        const int got = hid_read_timeout(device, m_input.data() + 1, m_input.size() - 1,
                                         static_cast<int>(m_readWait.count()));
        if (got < 0)
            return false;
    }
    m_input[0] = 0;
    report = m_input;
    return true;
}

std::string CHidTransport::DevicePath() const {
    return IsOpen() ? CurrentPath() : std::string();
}

std::string CHidTransport::CurrentPath() const {
    std::lock_guard lock(m_pathMutex);
    return m_currentPath;
}

void CHidTransport::SetCurrentPath(const std::string& path) {
    std::lock_guard lock(m_pathMutex);
    m_currentPath = path;
}
