// The USB HID link to the box through hidapi: whole 313-byte reports with report id 0.
#pragma once

#include "link/ClaimList.h"
#include "link/DeviceEnumerator.h"
#include "link/ReportTransport.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

struct hid_device_;

class CHidTransport : public CReportTransport {
public:
    // Input reports are fetched with a get-input-report request, as the box expects; reading the
    // interrupt pipe (waiting up to the read wait for a report) is the alternative.
    enum class ReadMode { InputReport, InterruptPipe };

    // Why the last open failed; None after a successful open.
    enum class OpenFailure { None, NoDevice, ClaimedByAnother, OpenFailed };

    // Without an enumerator the hidapi one is used; without a claim list, this process's.
    explicit CHidTransport(std::unique_ptr<CDeviceEnumerator> enumerator = nullptr,
                           CClaimList claims = CClaimList());
    ~CHidTransport() override;
    CHidTransport(const CHidTransport&) = delete;
    CHidTransport& operator=(const CHidTransport&) = delete;

    // Once on the UI thread at start, before any other call; false when hidapi cannot start.
    static bool InitLibrary();
    static void ExitLibrary();

    // The first present box in enumeration order. Taking the first and failing when it is in use by
    // another running instance stands in for the exclusive open the device file does not offer here.
    bool OpenFirstDevice();
    // A known path (a device arrival).
    bool OpenDevicePath(const std::string& path);
    // Closes the handle, zeroes both report buffers and releases this instance's claim of the path.
    void CloseDevice();

    void SetReadMode(ReadMode mode, std::chrono::milliseconds wait = std::chrono::milliseconds{0});

    // The path last chosen or opened; stays set after closing, since a removal is matched against it.
    std::string CurrentPath() const;
    OpenFailure LastOpenFailure() const { return m_lastFailure.load(); }
    const CClaimList& Claims() const { return m_claims; }

    bool Open() override { return OpenFirstDevice(); }
    void Close() override { CloseDevice(); }
    bool IsOpen() const override { return m_device.load() != nullptr; }
    bool WriteReport(const Report& report) override;
    bool ReadReport(Report& report) override;
    std::string DevicePath() const override;

private:
    bool OpenChosen(const std::string& path);
    void SetCurrentPath(const std::string& path);

    std::unique_ptr<CDeviceEnumerator> m_enumerator;
    CClaimList m_claims;

    // Open and close run on the UI thread, and on the I/O worker while a firmware update reopens the box;
    // IsOpen and CurrentPath are asked from both.
    std::atomic<hid_device_*> m_device{nullptr};
    std::atomic<OpenFailure> m_lastFailure{OpenFailure::None};
    mutable std::mutex m_pathMutex;
    std::string m_currentPath;

    // Only the I/O worker touches these while the link is open.
    ReadMode m_readMode = ReadMode::InputReport;
    std::chrono::milliseconds m_readWait{0};
    Report m_output{};
    Report m_input{};
};
