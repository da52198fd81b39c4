// Report transport to a device in another process, over a Unix domain socket of type SOCK_SEQPACKET.
#pragma once

#include "link/ReportTransport.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// Every packet is exactly one 313-byte report (report id 0 in both directions): packets written are output
// reports, packets read are input reports. A read that finds no packet within the read wait returns an
// all-zero report; a packet of any other size is dropped the same way. The peer closing the socket is the
// device's removal: reads and writes fail from then on.
class CSocketTransport : public CReportTransport {
public:
    static constexpr std::string_view kScheme = "socket:";

    CSocketTransport(std::string path, std::chrono::milliseconds readWait);
    ~CSocketTransport() override;
    CSocketTransport(const CSocketTransport&) = delete;
    CSocketTransport& operator=(const CSocketTransport&) = delete;

    // The socket path of an address "socket:PATH"; nothing for any other address or an empty path.
    static std::optional<std::string> PathOf(std::string_view address);

    bool Open() override;
    void Close() override;
    bool IsOpen() const override;
    bool WriteReport(const Report& report) override;
    bool ReadReport(Report& report) override;
    std::string DevicePath() const override;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::chrono::milliseconds m_readWait;
    int m_fd = -1;
};
