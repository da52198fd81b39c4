// Serves a simulated device on a SOCK_SEQPACKET listening socket, one client at a time.
#include "sim/SimServer.h"

#include "sim/SimDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// How often the thread looks at the device when nothing arrives: unplugging shows within this time.
constexpr std::chrono::milliseconds kTick{10};

bool MakeAddress(const std::string& path, sockaddr_un& addr) {
    addr = sockaddr_un{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

void SetError(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
}

bool AllZero(const Report& r) {
    return std::all_of(r.begin(), r.end(), [](std::uint8_t b) { return b == 0; });
}

} // namespace

CSimServer::CSimServer(std::shared_ptr<CSimDevice> device, std::string path, Trace trace)
    : m_device(std::move(device)), m_path(std::move(path)), m_trace(std::move(trace)) {}

CSimServer::~CSimServer() {
    Stop();
}

bool CSimServer::Start(std::string* error) {
    if (IsRunning())
        return true;
    m_stop = false;
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        SetError(error, std::string("eventfd: ") + std::strerror(errno));
        return false;
    }
    if (m_device->IsPlugged() && !Listen(error)) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
        return false;
    }
    if (m_trace)
        m_device->SetListener(m_trace);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CSimServer::Stop() {
    if (!m_thread.joinable())
        return;
    m_stop = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    ::close(m_wakeFd);
    m_wakeFd = -1;
    if (m_trace)
        m_device->SetListener({});
}

bool CSimServer::Listen(std::string* error) {
    sockaddr_un addr;
    if (!MakeAddress(m_path, addr)) {
        SetError(error, "socket path is empty or too long: " + m_path);
        return false;
    }
    struct stat st {};
    if (::lstat(m_path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            SetError(error, m_path + " exists and is not a socket");
            return false;
        }
        // A socket file: in use when something answers there, else left behind by a server that died.
        const int probe = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        const bool live =
            probe >= 0 && ::connect(probe, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
        if (probe >= 0)
            ::close(probe);
        if (live) {
            SetError(error, m_path + " is in use by another server");
            return false;
        }
        ::unlink(m_path.c_str());
    }
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) < 0 ||
        ::listen(fd, 4) < 0) {
        SetError(error, m_path + ": " + std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_listenFd = fd;
    return true;
}

void CSimServer::StopListening() {
    if (m_listenFd < 0)
        return;
    ::close(m_listenFd);
    m_listenFd = -1;
    ::unlink(m_path.c_str());
}

void CSimServer::DropClient() {
    if (m_clientFd < 0)
        return;
    ::close(m_clientFd);
    m_clientFd = -1;
    m_device->CloseSession(m_session);
    m_session = 0;
    m_outgoingPending = false;
    m_hasClient = false;
}

void CSimServer::Run() {
    while (!m_stop) {
        const bool plugged = m_device->IsPlugged();
        if (plugged && m_listenFd < 0)
            Listen(nullptr); // tried again every tick while the path is taken
        else if (!plugged)
            StopListening();
        if (m_clientFd >= 0 && !m_device->SessionAlive(m_session))
            DropClient(); // the device went away: the client sees its removal
        if (m_clientFd >= 0)
            PushReplies();

        pollfd fds[3] = {{m_wakeFd, POLLIN, 0}, {m_listenFd, POLLIN, 0}, {m_clientFd, POLLIN, 0}};
        if (m_outgoingPending)
            fds[2].events |= POLLOUT;
        auto wait = kTick;
        if (m_clientFd >= 0)
            if (const auto at = m_device->NextReplyAt(m_session)) {
                const auto until =
                    std::chrono::ceil<std::chrono::milliseconds>(*at - CSimDevice::Clock::now());
                wait = std::clamp(until, std::chrono::milliseconds{0}, kTick);
            }
        if (::poll(fds, 3, static_cast<int>(wait.count())) <= 0)
            continue;

        if (fds[0].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &count, sizeof count);
            continue;
        }
        // The client first: one that just left makes room for one connecting in the same round.
        if (m_clientFd >= 0 && fds[2].fd == m_clientFd) {
            if (fds[2].revents & POLLIN)
                ServeClient();
            else if (fds[2].revents & (POLLHUP | POLLERR))
                DropClient();
            else if (fds[2].revents & POLLOUT)
                PushReplies();
        }
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                const std::uint64_t session = m_clientFd < 0 ? m_device->OpenSession() : 0;
                if (session == 0) {
                    ::close(fd); // busy, or the device refuses to open
                } else {
                    m_clientFd = fd;
                    m_session = session;
                    m_hasClient = true;
                    ++m_clientsServed;
                }
            }
        }
    }
    DropClient();
    StopListening();
}

void CSimServer::ServeClient() {
    for (;;) {
        Report report{};
        std::uint8_t buffer[kReportSize + 1];
        iovec io{buffer, sizeof buffer};
        msghdr msg{};
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        const ssize_t n = ::recvmsg(m_clientFd, &msg, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0)
            return DropClient(); // the client closed its end (or failed)
        if (n != kReportSize || (msg.msg_flags & MSG_TRUNC))
            continue; // not a report: ignored
        std::memcpy(report.data(), buffer, kReportSize);
        if (!m_device->WriteReport(m_session, report))
            return DropClient();
        PushReplies();
        if (m_clientFd < 0)
            return;
    }
}

void CSimServer::PushReplies() {
    for (;;) {
        if (!m_outgoingPending) {
            if (!m_device->ReadReport(m_session, m_outgoing) || AllZero(m_outgoing))
                return; // nothing ready, or the device went away (dealt with on the next round)
            m_outgoingPending = true;
        }
        const ssize_t n =
            ::send(m_clientFd, m_outgoing.data(), m_outgoing.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return; // the client's queue is full: sent once its socket takes it
        if (n != static_cast<ssize_t>(m_outgoing.size()))
            return DropClient();
        m_outgoingPending = false;
    }
}
