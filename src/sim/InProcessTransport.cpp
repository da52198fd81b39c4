// Report transport to a simulated device living in this process: reports go straight to it.
#include "sim/InProcessTransport.h"

#include "sim/SimDevice.h"

CInProcessTransport::CInProcessTransport(std::shared_ptr<CSimDevice> device) : m_device(std::move(device)) {}

CInProcessTransport::~CInProcessTransport() {
    Close();
}

bool CInProcessTransport::Open() {
    Close();
    m_session = m_device->OpenSession();
    return m_session != 0;
}

void CInProcessTransport::Close() {
    if (const std::uint64_t session = m_session.exchange(0))
        m_device->CloseSession(session);
}

bool CInProcessTransport::IsOpen() const {
    return m_session != 0;
}

bool CInProcessTransport::WriteReport(const Report& report) {
    return m_device->WriteReport(m_session, report);
}

bool CInProcessTransport::ReadReport(Report& report) {
    return m_device->ReadReport(m_session, report);
}

std::string CInProcessTransport::DevicePath() const {
    return IsOpen() ? "sim" : "";
}
