// Report transport to a simulated device living in this process: reports go straight to it.
#pragma once

#include "link/ReportTransport.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CSimDevice;

// Open takes the device's one session (it fails while the device is unplugged or already open); once the
// device goes away the session is dead and reads and writes fail until the transport is opened again.
class CInProcessTransport : public CReportTransport {
public:
    explicit CInProcessTransport(std::shared_ptr<CSimDevice> device);
    ~CInProcessTransport() override;

    bool Open() override;
    void Close() override;
    bool IsOpen() const override;
    bool WriteReport(const Report& report) override;
    bool ReadReport(Report& report) override;
    std::string DevicePath() const override;

    CSimDevice& Device() const { return *m_device; }

private:
    std::shared_ptr<CSimDevice> m_device;
    std::atomic<std::uint64_t> m_session{0};
};
