// Arrivals and removals: a made-up udev event stream through the real decisions, and the real monitor.
#include "link/DeviceMonitor.h"
#include "link/HidDeviceAccess.h"
#include "support/OtherInstance.h"
#include "support/TempSettings.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr DeviceIds kOurs{0x0483, 0x5750, 0x0200};
constexpr DeviceIds kNextRelease{0x0483, 0x5750, 0x0201};
constexpr DeviceIds kMouse{0x046D, 0xC52B, 0x1211};

enum class Ids { Ours, NextRelease, Foreign, Unreadable };
enum class Claim { None, ThisProcess, OtherRunning, OtherEnded };

std::optional<DeviceIds> IdsOf(Ids ids) {
    switch (ids) {
    case Ids::Ours:
        return kOurs;
    case Ids::NextRelease:
        return kNextRelease;
    case Ids::Foreign:
        return kMouse;
    case Ids::Unreadable:
        break;
    }
    return std::nullopt;
}

DeviceEvent Arrival(const std::string& node, std::optional<DeviceIds> ids = kOurs) {
    return {DeviceAction::Arrival, node, ids, {}};
}

DeviceEvent Removal(const std::string& node) {
    return {DeviceAction::Removal, node, std::nullopt, {}};
}

} // namespace

Q_DECLARE_METATYPE(DeviceAction)
Q_DECLARE_METATYPE(DeviceDecision)
Q_DECLARE_METATYPE(Ids)
Q_DECLARE_METATYPE(Claim)

class TestDeviceMonitor : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void decision_data();
    void decision();
    void plugSession();
    void removalRemembersArrivalIds();
    void removalOfAnAppearance_data();
    void removalOfAnAppearance();
    void nodeInstance_data();
    void nodeInstance();
    void parseUsbIds_data();
    void parseUsbIds();
    void udevMonitorStartsAndStops();

private:
    std::unique_ptr<CTempSettings> m_settings;
};

void TestDeviceMonitor::init() {
    m_settings = std::make_unique<CTempSettings>();
    QVERIFY(m_settings->isValid());
}

void TestDeviceMonitor::cleanup() {
    m_settings.reset();
}

void TestDeviceMonitor::decision_data() {
    QTest::addColumn<bool>("linkOpen");
    QTest::addColumn<QString>("currentPath");
    QTest::addColumn<int>("stage");
    QTest::addColumn<DeviceAction>("action");
    QTest::addColumn<QString>("node");
    QTest::addColumn<Ids>("ids");
    QTest::addColumn<Claim>("claim");
    QTest::addColumn<DeviceDecision>("expected");

    const auto arrival = DeviceAction::Arrival;
    const auto removal = DeviceAction::Removal;
    const auto connect = DeviceDecision::Connect;
    const auto close = DeviceDecision::CloseLink;
    const auto ignore = DeviceDecision::Ignore;
    const QString cur = QStringLiteral("/dev/hidraw3");
    const QString other = QStringLiteral("/dev/hidraw4");

    // Arrivals.
    QTest::newRow("our box arrives while idle")
        << false << QString() << 0 << arrival << cur << Ids::Ours << Claim::None << connect;
    QTest::newRow("our box arrives again after a removal")
        << false << cur << 0 << arrival << cur << Ids::Ours << Claim::None << connect;
    QTest::newRow("second box arrives while connected")
        << true << cur << 0 << arrival << other << Ids::Ours << Claim::None << ignore;
    QTest::newRow("foreign device arrives while idle")
        << false << QString() << 0 << arrival << other << Ids::Foreign << Claim::None << ignore;
    QTest::newRow("release 0x0201 arrives while idle")
        << false << QString() << 0 << arrival << other << Ids::NextRelease << Claim::None << ignore;
    QTest::newRow("arrival whose ids cannot be read")
        << false << QString() << 0 << arrival << other << Ids::Unreadable << Claim::None << ignore;
    QTest::newRow("arrival without a device node")
        << false << QString() << 0 << arrival << QString() << Ids::Ours << Claim::None << ignore;
    QTest::newRow("path claimed by a running instance")
        << false << QString() << 0 << arrival << other << Ids::Ours << Claim::OtherRunning << ignore;
    QTest::newRow("claim left by an ended instance")
        << false << QString() << 0 << arrival << other << Ids::Ours << Claim::OtherEnded << connect;
    QTest::newRow("path claimed by this process")
        << false << QString() << 0 << arrival << other << Ids::Ours << Claim::ThisProcess << connect;
    QTest::newRow("arrival while firmware stage 176 reopens the box")
        << false << cur << 176 << arrival << cur << Ids::Ours << Claim::None << ignore;
    QTest::newRow("arrival while firmware stage 255 reopens the box")
        << false << cur << 255 << arrival << cur << Ids::Ours << Claim::None << ignore;

    // Removals.
    QTest::newRow("removal of the current path")
        << true << cur << 0 << removal << cur << Ids::Unreadable << Claim::None << close;
    QTest::newRow("removal of the current path in other letter case")
        << true << cur << 0 << removal << QStringLiteral("/DEV/HidRaw3") << Ids::Unreadable << Claim::None
        << close;
    QTest::newRow("removal of another path")
        << true << cur << 0 << removal << other << Ids::Unreadable << Claim::None << ignore;
    QTest::newRow("removal of a path that extends the current one")
        << true << cur << 0 << removal << QStringLiteral("/dev/hidraw30") << Ids::Unreadable << Claim::None
        << ignore;
    QTest::newRow("removal while the link is closed")
        << false << cur << 0 << removal << cur << Ids::Unreadable << Claim::None << ignore;
    QTest::newRow("removal during firmware stage 176")
        << true << cur << 176 << removal << cur << Ids::Unreadable << Claim::None << ignore;
    QTest::newRow("removal during firmware stage 255")
        << true << cur << 255 << removal << cur << Ids::Unreadable << Claim::None << ignore;
    QTest::newRow("removal during firmware stage 178")
        << true << cur << 178 << removal << cur << Ids::Unreadable << Claim::None << close;

    // Anything else udev reports (change, bind, ...).
    QTest::newRow("other action on the current path")
        << true << cur << 0 << DeviceAction::Other << cur << Ids::Ours << Claim::None << ignore;
}

void TestDeviceMonitor::decision() {
    QFETCH(bool, linkOpen);
    QFETCH(QString, currentPath);
    QFETCH(int, stage);
    QFETCH(DeviceAction, action);
    QFETCH(QString, node);
    QFETCH(Ids, ids);
    QFETCH(Claim, claim);
    QFETCH(DeviceDecision, expected);

    COtherInstance other;
    QVERIFY(other.started());
    const std::string path = node.toStdString();
    switch (claim) {
    case Claim::None:
        break;
    case Claim::ThisProcess:
        CClaimList().ClaimPath(path);
        break;
    case Claim::OtherRunning:
        CClaimList(other.owner()).ClaimPath(path);
        break;
    case Claim::OtherEnded:
        CClaimList(other.owner()).ClaimPath(path);
        other.End();
        break;
    }

    const LinkSnapshot link{linkOpen, currentPath.toStdString(), stage, {}};
    CDeviceMonitor monitor([&] { return link; });
    QSignalSpy connects(&monitor, &CDeviceMonitor::ArrivalConnection);
    QSignalSpy closes(&monitor, &CDeviceMonitor::RemovalClose);

    QCOMPARE(monitor.HandleEvent({action, path, IdsOf(ids), {}}), expected);
    QCOMPARE(connects.count(), expected == DeviceDecision::Connect ? 1 : 0);
    QCOMPARE(closes.count(), expected == DeviceDecision::CloseLink ? 1 : 0);
    const QSignalSpy& fired = expected == DeviceDecision::Connect ? connects : closes;
    if (expected != DeviceDecision::Ignore)
        QCOMPARE(fired.first().first().toString(), node);
}

// A controller that follows the decisions the way the connection lifecycle does, driven by one stream of
// plug and unplug events.
void TestDeviceMonitor::plugSession() {
    LinkSnapshot link;
    CDeviceMonitor monitor([&] { return link; });
    QStringList log;
    connect(&monitor, &CDeviceMonitor::ArrivalConnection, this, [&](const QString& path) {
        log << QStringLiteral("connect ") + path;
        link.linkOpen = true;
        link.currentPath = path.toStdString();
    });
    connect(&monitor, &CDeviceMonitor::RemovalClose, this, [&](const QString& path) {
        log << QStringLiteral("close ") + path;
        link.linkOpen = false;
    });

    monitor.HandleEvent(Arrival("/dev/hidraw0", kMouse)); // a mouse while idle: left alone
    monitor.HandleEvent(Arrival("/dev/hidraw2"));         // our box: connect
    monitor.HandleEvent(Arrival("/dev/hidraw5"));         // a second box while connected: ignored
    monitor.HandleEvent(Removal("/dev/hidraw5"));         // and its removal: not ours to close
    monitor.HandleEvent(Removal("/dev/hidraw0"));
    link.firmwareStage = 176; // the update restarts the box
    monitor.HandleEvent(Removal("/dev/hidraw2"));
    monitor.HandleEvent(Arrival("/dev/hidraw2"));
    link.firmwareStage = 255;
    monitor.HandleEvent(Removal("/dev/hidraw2"));
    link.firmwareStage = 0;                       // the update is over
    monitor.HandleEvent(Removal("/DEV/HIDRAW2")); // unplugged: close
    monitor.HandleEvent(Removal("/dev/hidraw2")); // a repeated notice finds the link closed
    monitor.HandleEvent(Arrival("/dev/hidraw5")); // the other box, now that the link is free

    QCOMPARE(log, (QStringList{QStringLiteral("connect /dev/hidraw2"), QStringLiteral("close /DEV/HIDRAW2"),
                               QStringLiteral("connect /dev/hidraw5")}));
}

void TestDeviceMonitor::removalRemembersArrivalIds() {
    LinkSnapshot link{true, "/dev/hidraw1", 0, {}};
    CDeviceMonitor monitor([&] { return link; });
    monitor.HandleEvent(Arrival("/dev/hidraw6", kMouse));
    monitor.HandleEvent(Arrival("/dev/hidraw7", std::nullopt));
    QCOMPARE(monitor.KnownDevice("/dev/hidraw6"), std::optional<DeviceIds>(kMouse));
    QCOMPARE(monitor.KnownDevice("/dev/hidraw7"), std::nullopt);
    monitor.HandleEvent(Removal("/dev/hidraw6"));
    QCOMPARE(monitor.KnownDevice("/dev/hidraw6"), std::nullopt);
}

// A box that re-enumerates often gets its old node name back; udev may tell of the old node's removal only
// after the new one was opened. The sysfs path tells the appearances apart.
void TestDeviceMonitor::removalOfAnAppearance_data() {
    QTest::addColumn<QString>("openInstance");
    QTest::addColumn<QString>("removedInstance");
    QTest::addColumn<DeviceDecision>("expected");

    const QString first = QStringLiteral("/sys/devices/platform/dummy_hcd.0/usb1/1-1/1-1:1.0/"
                                         "0003:0483:5750.0001/hidraw/hidraw3");
    const QString second = QStringLiteral("/sys/devices/platform/dummy_hcd.0/usb1/1-1/1-1:1.0/"
                                          "0003:0483:5750.0002/hidraw/hidraw3");
    QTest::newRow("the open appearance goes") << second << second << DeviceDecision::CloseLink;
    QTest::newRow("an earlier appearance under the same name") << second << first << DeviceDecision::Ignore;
    QTest::newRow("open appearance unknown") << QString() << first << DeviceDecision::CloseLink;
    QTest::newRow("removal without a sysfs path") << second << QString() << DeviceDecision::CloseLink;
}

void TestDeviceMonitor::removalOfAnAppearance() {
    QFETCH(QString, openInstance);
    QFETCH(QString, removedInstance);
    QFETCH(DeviceDecision, expected);

    const LinkSnapshot link{true, "/dev/hidraw3", 177, openInstance.toStdString()};
    CDeviceMonitor monitor([&] { return link; });
    DeviceEvent removal = Removal("/dev/hidraw3");
    removal.syspath = removedInstance.toStdString();
    QCOMPARE(monitor.HandleEvent(removal), expected);
}

void TestDeviceMonitor::nodeInstance_data() {
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("expected");
    QTest::newRow("character device")
        << QStringLiteral("/dev/null") << QStringLiteral("/sys/devices/virtual/mem/null");
    QTest::newRow("missing node") << QStringLiteral("/dev/hidraw-none") << QString();
    QTest::newRow("not a device node") << QStringLiteral("/proc/self/exe") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestDeviceMonitor::nodeInstance() {
    QFETCH(QString, node);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(CHidDeviceAccess::NodeInstance(node.toStdString())), expected);
}

void TestDeviceMonitor::parseUsbIds_data() {
    QTest::addColumn<QByteArray>("vendor");
    QTest::addColumn<QByteArray>("product");
    QTest::addColumn<QByteArray>("release");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("ours");

    QTest::newRow("our box") << QByteArray("0483") << QByteArray("5750") << QByteArray("0200") << true
                             << true;
    QTest::newRow("trailing newline")
        << QByteArray("0483\n") << QByteArray("5750") << QByteArray("0200\n") << true << true;
    QTest::newRow("release 0201") << QByteArray("0483") << QByteArray("5750") << QByteArray("0201") << true
                                  << false;
    QTest::newRow("upper-case hex") << QByteArray("046D") << QByteArray("C52B") << QByteArray("1211") << true
                                    << false;
    QTest::newRow("decimal reading would match")
        << QByteArray("1155") << QByteArray("22352") << QByteArray("512") << false << false;
    QTest::newRow("missing attribute")
        << QByteArray("0483") << QByteArray("5750") << QByteArray() << false << false;
    QTest::newRow("not hex") << QByteArray("04g3") << QByteArray("5750") << QByteArray("0200") << false
                             << false;
    QTest::newRow("sign") << QByteArray("-483") << QByteArray("5750") << QByteArray("0200") << false << false;
}

void TestDeviceMonitor::parseUsbIds() {
    QFETCH(QByteArray, vendor);
    QFETCH(QByteArray, product);
    QFETCH(QByteArray, release);
    QFETCH(bool, readable);
    QFETCH(bool, ours);

    const auto ids = ParseUsbIds(vendor.toStdString(), product.toStdString(), release.toStdString());
    QCOMPARE(ids.has_value(), readable);
    QCOMPARE(ids.has_value() && IsOurDevice(*ids), ours);
}

// The real libudev monitor: this machine may have no udev at all; either way starting, idling and stopping
// must be clean, and with no box plugged in nothing is decided.
void TestDeviceMonitor::udevMonitorStartsAndStops() {
    LinkSnapshot link;
    CDeviceMonitor monitor([&] { return link; });
    QSignalSpy connects(&monitor, &CDeviceMonitor::ArrivalConnection);
    QSignalSpy closes(&monitor, &CDeviceMonitor::RemovalClose);

    const bool started = monitor.Start();
    QCOMPARE(monitor.IsRunning(), started);
    QCOMPARE(monitor.Start(), started); // a second start changes nothing
    QCoreApplication::processEvents();
    monitor.Stop();
    QVERIFY(!monitor.IsRunning());
    monitor.Stop();
    QCOMPARE(connects.count(), 0);
    QCOMPARE(closes.count(), 0);
    if (!started)
        qInfo("no udev monitor on this machine");
}

QTEST_GUILESS_MAIN(TestDeviceMonitor)
#include "tst_devicemonitor.moc"
