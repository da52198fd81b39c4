// Report transport to a device in another process, over a Unix domain socket of type SOCK_SEQPACKET.
#include "link/SocketTransport.h"

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

CSocketTransport::CSocketTransport(std::string path, std::chrono::milliseconds readWait)
    : m_path(std::move(path)), m_readWait(readWait) {}

CSocketTransport::~CSocketTransport() {
    Close();
}

std::optional<std::string> CSocketTransport::PathOf(std::string_view address) {
    if (!address.starts_with(kScheme) || address.size() == kScheme.size())
        return std::nullopt;
    return std::string(address.substr(kScheme.size()));
}

bool CSocketTransport::Open() {
    Close();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (m_path.empty() || m_path.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, m_path.data(), m_path.size());
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int rc;
    do
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void CSocketTransport::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool CSocketTransport::IsOpen() const {
    return m_fd >= 0;
}

bool CSocketTransport::WriteReport(const Report& report) {
    if (m_fd < 0)
        return false;
    ssize_t n;
    do
        n = ::send(m_fd, report.data(), report.size(), MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(report.size());
}

bool CSocketTransport::ReadReport(Report& report) {
    report.fill(0);
    if (m_fd < 0)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    int ready;
    do
        ready = ::poll(&p, 1, static_cast<int>(m_readWait.count()));
    while (ready < 0 && errno == EINTR);
    if (ready < 0)
        return false;
    if (ready == 0)
        return true;
    if (!(p.revents & POLLIN))
        return false; // hung up or failed with nothing left to read

    // One byte more than a report, so that an oversized packet shows as truncated.
    std::uint8_t buffer[kReportSize + 1];
    iovec io{buffer, sizeof buffer};
    msghdr msg{};
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    ssize_t n;
    do
        n = ::recvmsg(m_fd, &msg, MSG_DONTWAIT);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK;
    if (n == 0)
        return false; // the peer closed the socket: the device is gone
    if (n == kReportSize && !(msg.msg_flags & MSG_TRUNC))
        std::memcpy(report.data(), buffer, kReportSize);
    return true;
}

std::string CSocketTransport::DevicePath() const {
    return IsOpen() ? std::string(kScheme) + m_path : "";
}
