// The one interface every device transport offers: whole 313-byte reports in both directions.
#pragma once

#include <array>
#include <cstdint>
#include <string>

inline constexpr int kReportSize = 313; // report id 0, then 312 bytes of frame
using Report = std::array<std::uint8_t, kReportSize>;

// Open and Close run on the UI thread; WriteReport and ReadReport only on the I/O worker while the link is
// open. A read that finds nothing waiting returns true with an all-zero report; false means the device is
// gone (or never was).
class CReportTransport {
public:
    virtual ~CReportTransport() = default;

    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual bool WriteReport(const Report& report) = 0;
    virtual bool ReadReport(Report& report) = 0;
    // Identifies the open device (the HID device path, the socket path, "sim"); empty while closed.
    virtual std::string DevicePath() const = 0;
};
