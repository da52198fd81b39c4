// Serves a simulated device on a SOCK_SEQPACKET listening socket, one client at a time.
#pragma once

#include "link/ReportTransport.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class CSimDevice;

// Runs its own thread. Each packet from the client is one output report for the device; every input report
// the device has ready is sent back as one packet as soon as it is ready. The socket listens only while the
// device is plugged in: unplugging (or the restart after firmware stage 176) closes the client's connection,
// which the client sees as the device's removal, and removes the socket file until the device is back.
// A second client is turned away (connected, then closed) while one is served.
class CSimServer {
public:
    using Trace = std::function<void(const std::string& line)>;

    // trace, when given, receives a one-line description of every frame the device receives (from the
    // server's thread).
    CSimServer(std::shared_ptr<CSimDevice> device, std::string path, Trace trace = {});
    ~CSimServer();
    CSimServer(const CSimServer&) = delete;
    CSimServer& operator=(const CSimServer&) = delete;

    // Fails when the path is in use (a live server, or a file that is no socket) or cannot be bound; error
    // then says why. A stale socket file left by a server that died is replaced.
    bool Start(std::string* error = nullptr);
    // Closes every socket, removes the socket file and joins the thread. Safe to call more than once.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

    bool HasClient() const { return m_hasClient; }
    int ClientsServed() const { return m_clientsServed; }
    const std::string& Path() const { return m_path; }

private:
    void Run();
    bool Listen(std::string* error);
    void StopListening();
    void DropClient();
    void ServeClient();
    void PushReplies();

    std::shared_ptr<CSimDevice> m_device;
    std::string m_path;
    Trace m_trace;

    std::thread m_thread;
    int m_wakeFd = -1; // eventfd: Stop wakes the thread through it
    std::atomic<bool> m_stop{false};

    // Owned by the server's thread while it runs.
    int m_listenFd = -1;
    int m_clientFd = -1;
    std::uint64_t m_session = 0;
    bool m_outgoingPending = false; // a report waits for the client's socket to take it
    Report m_outgoing{};

    std::atomic<bool> m_hasClient{false};
    std::atomic<int> m_clientsServed{0};
};
