// The socket transport against the simulated-device server: packets, empty reads, removal, restarts.
#include "link/SocketTransport.h"
#include "sim/SimDevice.h"
#include "sim/SimServer.h"
#include "support/HandFrames.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>

using namespace HandFrames;
using namespace std::chrono_literals;

namespace {

// Long enough that a loaded machine delivers a reply within one read; tests never wait for it to pass.
constexpr std::chrono::milliseconds kReplyWait = 5s;
constexpr int kLimitMs = 10000;

bool IsZero(const Report& r) {
    return std::all_of(r.begin(), r.end(), [](std::uint8_t b) { return b == 0; });
}

// Writes the frame and returns the frame bytes of the next input report.
Bytes Exchange(CSocketTransport& t, const Bytes& frame) {
    if (!t.WriteReport(ToReport(frame)))
        return {};
    Report r{};
    if (!t.ReadReport(r))
        return {};
    return FromReport(r);
}

// Evaluates the condition until it holds, each time once (QTRY_* evaluate it again after it held, which would
// repeat an Open or swallow a report).
template <class Condition> bool Eventually(Condition condition) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLimitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        QTest::qWait(1);
    }
    return true;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A listening socket the test drives by hand, standing in for any program that speaks the packets.
struct RawPeer {
    int listenFd = -1;
    int fd = -1;
    explicit RawPeer(const std::string& path) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.data(), path.size());
        listenFd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        ::bind(listenFd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        ::listen(listenFd, 1);
    }
    ~RawPeer() {
        if (fd >= 0)
            ::close(fd);
        if (listenFd >= 0)
            ::close(listenFd);
    }
    bool Accept() { return (fd = ::accept(listenFd, nullptr, nullptr)) >= 0; }
};

} // namespace

class TestSimServer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void addressParsing_data();
    void addressParsing();
    void roundTripOfReports();
    void emptyReadReturnsZeroReport();
    void stopIsARemovalAndCleansUp();
    void unplugIsARemovalUntilPluggedBack();
    void restartAfterFirmwareStage176();
    void delayedReplyArrivesLater();
    void secondClientIsTurnedAwayUntilTheFirstLeaves();
    void strayPacketsAreIgnored();
    void traceCallbackSeesEveryFrame();
    void startRefusesPathsInUse();
    void transportAgainstARawPeer();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::string m_path;
    std::shared_ptr<CSimDevice> m_device;
};

void TestSimServer::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath("dev.sock").toStdString();
    m_device = std::make_shared<CSimDevice>();
}

void TestSimServer::cleanup() {
    m_device.reset();
    m_dir.reset();
}

void TestSimServer::addressParsing_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("valid");
    QTest::newRow("absolute") << "socket:/tmp/box.sock"
                              << "/tmp/box.sock" << true;
    QTest::newRow("relative") << "socket:box"
                              << "box" << true;
    QTest::newRow("no path") << "socket:"
                             << "" << false;
    QTest::newRow("usb") << "usb"
                         << "" << false;
    QTest::newRow("sim") << "sim"
                         << "" << false;
    QTest::newRow("other case") << "Socket:/tmp/x"
                                << "" << false;
}

void TestSimServer::addressParsing() {
    QFETCH(QString, address);
    QFETCH(QString, path);
    QFETCH(bool, valid);
    const auto parsed = CSocketTransport::PathOf(address.toStdString());
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(QString::fromStdString(*parsed), path);
}

void TestSimServer::roundTripOfReports() {
    CSimServer server(m_device, m_path);
    std::string error;
    QVERIFY2(server.Start(&error), error.c_str());
    CSocketTransport t(m_path, kReplyWait);
    QVERIFY(!t.IsOpen());
    QVERIFY(t.DevicePath().empty());
    QVERIFY(t.Open());
    QCOMPARE(t.DevicePath(), "socket:" + m_path);

    QCOMPARE(Exchange(t, Read(0, 4, 3)), Data(0, 4, 3, 0, {60, 1, 0, 0, 0, 0, 0, 0}));
    // A whole output block both ways: 312 bytes, exactly one report each.
    std::vector<std::uint8_t> block(296);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 3 + 1);
    QCOMPARE(Exchange(t, Write(2, 3, 5, 0, block, 1)), Ack(2, 3, 5, 0));
    QCOMPARE(Exchange(t, Read(2, 3, 5, 0xAB)), Data(2, 3, 5, 0xAB, block));
    QCOMPARE(m_device->Trace().size(), 3u);
    QCOMPARE(m_device->Trace()[1].payload, block);
    QVERIFY(server.HasClient());
    QCOMPARE(server.ClientsServed(), 1);
}

void TestSimServer::emptyReadReturnsZeroReport() {
    CSimServer server(m_device, m_path);
    QVERIFY(server.Start());
    CSocketTransport t(m_path, 20ms);
    QVERIFY(t.Open());
    Report r;
    r.fill(0xCC);
    QVERIFY(t.ReadReport(r));
    QVERIFY(IsZero(r));

    // A reply that is not there yet within the read wait also reads as empty.
    m_device->SetReplyDelay(std::chrono::hours{1});
    QVERIFY(t.WriteReport(ToReport(Read(0, 4, 3))));
    r.fill(0xCC);
    QVERIFY(t.ReadReport(r));
    QVERIFY(IsZero(r));
}

void TestSimServer::stopIsARemovalAndCleansUp() {
    auto server = std::make_unique<CSimServer>(m_device, m_path);
    QVERIFY(server->Start());
    QVERIFY(Exists(m_path));
    CSocketTransport t(m_path, 20ms);
    QVERIFY(t.Open());
    QTRY_VERIFY_WITH_TIMEOUT(server->HasClient(), kLimitMs);
    server->Stop();
    QVERIFY(!server->IsRunning());
    QVERIFY(!Exists(m_path));
    Report r{};
    QVERIFY(!t.ReadReport(r)); // peer closed: the device is gone
    QVERIFY(!t.WriteReport(r));
    QVERIFY(!t.Open());
    server->Stop(); // a second stop is harmless
    server.reset();
}

void TestSimServer::unplugIsARemovalUntilPluggedBack() {
    CSimServer server(m_device, m_path);
    QVERIFY(server.Start());
    CSocketTransport t(m_path, 20ms);
    QVERIFY(t.Open());
    QTRY_VERIFY_WITH_TIMEOUT(server.HasClient(), kLimitMs);
    m_device->Unplug();
    Report r{};
    QVERIFY(Eventually([&] { return !t.ReadReport(r); }));
    QTRY_VERIFY_WITH_TIMEOUT(!Exists(m_path), kLimitMs); // nothing to connect to while unplugged
    QVERIFY(!t.Open());

    m_device->PlugIn();
    QVERIFY(Eventually([&] { return t.Open(); }));
    CSocketTransport again(m_path, kReplyWait);
    t.Close();
    QTRY_VERIFY_WITH_TIMEOUT(!server.HasClient(), kLimitMs);
    QVERIFY(again.Open());
    QCOMPARE(Exchange(again, Read(0, 4, 136)),
             Data(0, 4, 136, 0,
                  {'P', 'I', 'R', 'K', 'A', 'V', 'O', '-', '3', '1', 'E', 'Q', '-', 'V', '3', '.', '0'}));
}

void TestSimServer::restartAfterFirmwareStage176() {
    CSimServer server(m_device, m_path);
    QVERIFY(server.Start());
    CSocketTransport t(m_path, kReplyWait);
    QVERIFY(t.Open());
    // The acknowledgement arrives, then the connection ends as the device restarts.
    QCOMPARE(Exchange(t, Write(0, 4, 176, 0, Bytes(16, 0))), Ack(0, 4, 176, 0));
    Report r{};
    QVERIFY(!t.ReadReport(r));
    QCOMPARE(m_device->Counters().restarts, 1);
    t.Close();
    QVERIFY(Eventually([&] { return t.Open(); }));
    QCOMPARE(Exchange(t, Write(0, 4, 177, 0, {7, 7, 7, 7})), Ack(0, 4, 177, 0));
}

void TestSimServer::delayedReplyArrivesLater() {
    CSimServer server(m_device, m_path);
    QVERIFY(server.Start());
    CSocketTransport t(m_path, 20ms);
    QVERIFY(t.Open());
    m_device->SetReplyDelay(100ms);
    const auto start = std::chrono::steady_clock::now();
    QVERIFY(t.WriteReport(ToReport(Read(0, 4, 48))));
    Report r{};
    QVERIFY(Eventually([&] { return !t.ReadReport(r) || !IsZero(r); }));
    QVERIFY(std::chrono::steady_clock::now() - start >= 100ms);
    QCOMPARE(FromReport(r), Data(0, 4, 48, 0, {50, 50, 50, 50, 50, 0, 0, 0}));
}

void TestSimServer::secondClientIsTurnedAwayUntilTheFirstLeaves() {
    CSimServer server(m_device, m_path);
    QVERIFY(server.Start());
    CSocketTransport first(m_path, kReplyWait);
    QVERIFY(first.Open());
    QTRY_VERIFY_WITH_TIMEOUT(server.HasClient(), kLimitMs);

    CSocketTransport second(m_path, 20ms);
    QVERIFY(second.Open()); // the connection is taken, then closed
    Report r{};
    QVERIFY(Eventually([&] { return !second.ReadReport(r); }));
    QCOMPARE(Exchange(first, Read(0, 4, 64)), Data(0, 4, 64, 0, {0}));

    first.Close();
    QTRY_VERIFY_WITH_TIMEOUT(!server.HasClient(), kLimitMs);
    CSocketTransport third(m_path, kReplyWait);
    QVERIFY(third.Open());
    QCOMPARE(Exchange(third, Read(0, 4, 64)), Data(0, 4, 64, 0, {0}));
    QCOMPARE(server.ClientsServed(), 2);
}

void TestSimServer::strayPacketsAreIgnored() {
    CSimServer server(m_device, m_path);
    QVERIFY(server.Start());
    CSocketTransport t(m_path, kReplyWait);
    QVERIFY(t.Open());
    // A raw client sends packets that are no report; the server drops them and keeps serving.
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, m_path.data(), m_path.size());
    t.Close();
    QTRY_VERIFY_WITH_TIMEOUT(!server.HasClient(), kLimitMs);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    QVERIFY(::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0);
    const Bytes poll = Read(0, 4, 3);
    QCOMPARE(::send(fd, poll.data(), poll.size(), 0), static_cast<ssize_t>(poll.size()));
    std::vector<std::uint8_t> big(400, 0);
    std::copy(poll.begin(), poll.end(), big.begin() + 1);
    QCOMPARE(::send(fd, big.data(), big.size(), 0), static_cast<ssize_t>(big.size()));
    const Report report = ToReport(Read(0, 4, 64));
    QCOMPARE(::send(fd, report.data(), report.size(), 0), static_cast<ssize_t>(report.size()));
    Report reply{};
    QCOMPARE(::recv(fd, reply.data(), reply.size(), 0), static_cast<ssize_t>(reply.size()));
    QCOMPARE(FromReport(reply), Data(0, 4, 64, 0, {0}));
    QCOMPARE(m_device->Trace().size(), 1u);
    ::close(fd);
}

void TestSimServer::traceCallbackSeesEveryFrame() {
    std::mutex mutex;
    std::vector<std::string> lines;
    CSimServer server(m_device, m_path, [&](const std::string& line) {
        std::lock_guard lock(mutex);
        lines.push_back(line);
    });
    QVERIFY(server.Start());
    CSocketTransport t(m_path, kReplyWait);
    QVERIFY(t.Open());
    QCOMPARE(Exchange(t, Write(0, 3, 1, 32, {0x14, 0x00, 0x02, 0x02, 0x20, 0x4E, 0x02, 0x02}, 1)),
             Ack(0, 3, 1, 32));
    Bytes bad = Read(0, 4, 3);
    bad[bad.size() - 1] = 0;
    QVERIFY(t.WriteReport(ToReport(bad)));
    QCOMPARE(Exchange(t, Read(0, 4, 64)), Data(0, 4, 64, 0, {0}));
    server.Stop();
    const std::vector<std::string> expected{
        "write preset=0 type=3 index=1 slice=32 link=1 N=8 : 14 00 02 02 20 4e 02 02",
        "rejected: end byte",
        "read preset=0 type=4 index=64 slice=0 link=0 N=8 : 00 00 00 00 00 00 00 00",
    };
    QCOMPARE(lines, expected);
}

void TestSimServer::startRefusesPathsInUse() {
    // A socket file left behind by a server that died is replaced.
    { RawPeer stale(m_path); }
    QVERIFY(Exists(m_path));
    CSimServer server(m_device, m_path);
    QVERIFY(server.Start());

    // A live server holds the path.
    CSimServer other(std::make_shared<CSimDevice>(), m_path);
    std::string error;
    QVERIFY(!other.Start(&error));
    QVERIFY(!error.empty());
    server.Stop();

    // A file that is no socket is left alone.
    QFile plain(QString::fromStdString(m_path));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("keep me");
    plain.close();
    QVERIFY(!other.Start(&error));
    QVERIFY(plain.open(QIODevice::ReadOnly));
    QCOMPARE(plain.readAll(), QByteArray("keep me"));
    QVERIFY(!other.IsRunning());

    const std::string tooLong(200, 'x');
    CSimServer longPath(m_device, tooLong);
    QVERIFY(!longPath.Start(&error));
}

void TestSimServer::transportAgainstARawPeer() {
    RawPeer peer(m_path);
    CSocketTransport t(m_path, 20ms);
    QVERIFY(t.Open());
    QVERIFY(peer.Accept());

    const Report out = ToReport(Read(0, 4, 136));
    QVERIFY(t.WriteReport(out));
    Report got{};
    QCOMPARE(::recv(peer.fd, got.data(), got.size(), 0), static_cast<ssize_t>(kReportSize));
    QCOMPARE(got, out);

    // Packets of another size are dropped: the read is empty.
    const std::uint8_t shortPacket[10] = {0, 0xA2, 0xA2, 0xA2, 0xA3, 1, 2, 3, 4, 5};
    QCOMPARE(::send(peer.fd, shortPacket, sizeof shortPacket, 0), static_cast<ssize_t>(sizeof shortPacket));
    std::vector<std::uint8_t> longPacket(kReportSize + 5, 0x11);
    QCOMPARE(::send(peer.fd, longPacket.data(), longPacket.size(), 0),
             static_cast<ssize_t>(longPacket.size()));
    Report in = ToReport(Ack(0, 4, 136, 0));
    QCOMPARE(::send(peer.fd, in.data(), in.size(), 0), static_cast<ssize_t>(in.size()));
    Report r{};
    QVERIFY(t.ReadReport(r));
    QVERIFY(IsZero(r));
    QVERIFY(t.ReadReport(r));
    QVERIFY(IsZero(r));
    QVERIFY(t.ReadReport(r));
    QCOMPARE(r, in);

    // The peer closing is a removal.
    ::close(peer.fd);
    peer.fd = -1;
    QVERIFY(!t.ReadReport(r));
    QVERIFY(!t.WriteReport(out));
    t.Close();
    QVERIFY(!t.IsOpen());
    QVERIFY(!t.WriteReport(out));
}

QTEST_GUILESS_MAIN(TestSimServer)
#include "tst_simserver.moc"
