// Finding and opening the box over HID: matching on a made-up enumeration, and hidapi without hardware.
#include "link/HidEnumerator.h"
#include "link/HidTransport.h"
#include "support/OtherInstance.h"
#include "support/TempSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using Entries = std::vector<HidDeviceEntry>;

class CFakeEnumerator : public CDeviceEnumerator {
public:
    explicit CFakeEnumerator(Entries entries) : m_entries(std::move(entries)) {}

protected:
    std::vector<HidDeviceEntry> List() override { return m_entries; }

private:
    Entries m_entries;
};

constexpr DeviceIds kOurs{0x0483, 0x5750, 0x0200};
constexpr DeviceIds kNextRelease{0x0483, 0x5750, 0x0201};
constexpr DeviceIds kOtherProduct{0x0483, 0x5740, 0x0200};
constexpr DeviceIds kMouse{0x046D, 0xC52B, 0x1211};

enum class Claim { None, ThisProcess, OtherRunning, OtherEnded };

} // namespace

Q_DECLARE_METATYPE(Entries)
Q_DECLARE_METATYPE(Claim)
Q_DECLARE_METATYPE(CHidTransport::OpenFailure)

class TestHidTransport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void firstMatchingDevice_data();
    void firstMatchingDevice();
    void openFirstDeviceHonoursRunningClaims_data();
    void openFirstDeviceHonoursRunningClaims();
    void openDevicePathFailsCleanly_data();
    void openDevicePathFailsCleanly();
    void closedLinkMovesNoReports();
    void hidapiFindsNoBoxHere();

private:
    std::unique_ptr<CTempSettings> m_settings;
    QTemporaryDir m_devDir; // paths under it name no device
};

void TestHidTransport::initTestCase() {
    QVERIFY(m_devDir.isValid());
    QVERIFY(CHidTransport::InitLibrary());
}

void TestHidTransport::cleanupTestCase() {
    CHidTransport::ExitLibrary();
}

void TestHidTransport::init() {
    m_settings = std::make_unique<CTempSettings>();
    QVERIFY(m_settings->isValid());
}

void TestHidTransport::cleanup() {
    m_settings.reset();
}

void TestHidTransport::firstMatchingDevice_data() {
    // Paths are names under a temporary folder, so that no device of the test machine is ever opened.
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QString>("expected"); // empty: none taken
    QTest::addColumn<int>("listed");       // entries left after dropping repeated paths

    QTest::newRow("nothing present") << Entries{} << QString() << 0;
    QTest::newRow("right ids") << Entries{{"hidraw0", kOurs}} << "hidraw0" << 1;
    QTest::newRow("release 0x0201") << Entries{{"hidraw0", kNextRelease}} << QString() << 1;
    QTest::newRow("same vendor, other product") << Entries{{"hidraw0", kOtherProduct}} << QString() << 1;
    QTest::newRow("foreign HID device") << Entries{{"hidraw0", kMouse}} << QString() << 1;
    QTest::newRow("foreign devices listed first")
        << Entries{{"hidraw0", kMouse}, {"hidraw1", kNextRelease}, {"hidraw2", kOurs}} << "hidraw2" << 3;
    QTest::newRow("two boxes: the first in enumeration order")
        << Entries{{"hidraw7", kOurs}, {"hidraw1", kOurs}} << "hidraw7" << 2;
    QTest::newRow("one box listed twice for two usages")
        << Entries{{"hidraw4", kOurs}, {"hidraw4", kOurs}, {"hidraw5", kMouse}} << "hidraw4" << 2;
}

void TestHidTransport::firstMatchingDevice() {
    QFETCH(Entries, entries);
    QFETCH(QString, expected);
    QFETCH(int, listed);
    const std::string folder = m_devDir.path().toStdString() + '/';
    for (auto& entry : entries)
        entry.path = folder + entry.path;
    const std::string expectedPath = expected.isEmpty() ? std::string() : folder + expected.toStdString();

    CFakeEnumerator enumerator(entries);
    const Entries devices = enumerator.Devices();
    QCOMPARE(int(devices.size()), listed);
    for (std::size_t i = 0; i < devices.size(); ++i)
        for (std::size_t j = i + 1; j < devices.size(); ++j)
            QVERIFY(devices[i].path != devices[j].path);

    const auto path = enumerator.FirstMatchingPath();
    QCOMPARE(path.value_or(std::string()), expectedPath);

    // The transport opens what the matching chose (nothing is at that path, so the open fails); with
    // nothing chosen it reports that no box is there.
    CHidTransport transport(std::make_unique<CFakeEnumerator>(entries));
    QVERIFY(!transport.OpenFirstDevice());
    QVERIFY(!transport.IsOpen());
    QCOMPARE(transport.LastOpenFailure(), expected.isEmpty() ? CHidTransport::OpenFailure::NoDevice
                                                             : CHidTransport::OpenFailure::OpenFailed);
    QCOMPARE(transport.CurrentPath(), expectedPath);
}

void TestHidTransport::openFirstDeviceHonoursRunningClaims_data() {
    QTest::addColumn<Claim>("claim");
    QTest::addColumn<CHidTransport::OpenFailure>("failure");
    // Without a box at the path the open itself fails: OpenFailed shows the open was tried.
    QTest::newRow("unclaimed") << Claim::None << CHidTransport::OpenFailure::OpenFailed;
    QTest::newRow("claimed by this process") << Claim::ThisProcess << CHidTransport::OpenFailure::OpenFailed;
    QTest::newRow("claim left by an ended instance")
        << Claim::OtherEnded << CHidTransport::OpenFailure::OpenFailed;
    QTest::newRow("claimed by a running instance")
        << Claim::OtherRunning << CHidTransport::OpenFailure::ClaimedByAnother;
}

void TestHidTransport::openFirstDeviceHonoursRunningClaims() {
    QFETCH(Claim, claim);
    QFETCH(CHidTransport::OpenFailure, failure);

    const std::string first = (m_devDir.path() + QStringLiteral("/hidraw0")).toStdString();
    const std::string second = (m_devDir.path() + QStringLiteral("/hidraw1")).toStdString();
    COtherInstance other;
    QVERIFY(other.started());
    switch (claim) {
    case Claim::None:
        break;
    case Claim::ThisProcess:
        CClaimList().ClaimPath(first);
        break;
    case Claim::OtherRunning:
        CClaimList(other.owner()).ClaimPath(first);
        break;
    case Claim::OtherEnded:
        CClaimList(other.owner()).ClaimPath(first);
        other.End();
        break;
    }

    // Two boxes: a box in use by another instance is not given up for the next one.
    CHidTransport transport(std::make_unique<CFakeEnumerator>(Entries{{first, kOurs}, {second, kOurs}}));
    QVERIFY(!transport.OpenFirstDevice());
    QCOMPARE(transport.LastOpenFailure(), failure);
    QCOMPARE(transport.CurrentPath(), first);
    QVERIFY(!transport.IsOpen());
    QCOMPARE(transport.DevicePath(), std::string());
    // A failed open claims nothing and leaves another instance's claim alone.
    QCOMPARE(CClaimList().IsPathClaimed(first), claim == Claim::OtherRunning);
    QCOMPARE(CClaimList().Holder(second), std::nullopt);
}

void TestHidTransport::openDevicePathFailsCleanly_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("no such file") << m_devDir.path() + QStringLiteral("/hidraw9");
    QTest::newRow("not a HID device") << QStringLiteral("/dev/null");
    QTest::newRow("a regular file") << m_devDir.path() + QStringLiteral("/plain");
    QTest::newRow("empty path") << QString();
}

void TestHidTransport::openDevicePathFailsCleanly() {
    QFETCH(QString, path);
    QFile plain(m_devDir.path() + QStringLiteral("/plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write(QByteArray(kReportSize, '\x5A'));
    plain.close();

    CHidTransport transport(std::make_unique<CFakeEnumerator>(Entries{}));
    QVERIFY(!transport.OpenDevicePath(path.toStdString()));
    QCOMPARE(transport.LastOpenFailure(), CHidTransport::OpenFailure::OpenFailed);
    QVERIFY(!transport.IsOpen());
    // The announced path is remembered, so its removal can still be matched.
    QCOMPARE(transport.CurrentPath(), path.toStdString());
    QCOMPARE(CClaimList().Holder(path.toStdString()), std::nullopt);
    Report report{};
    QVERIFY(!transport.WriteReport(report));
}

void TestHidTransport::closedLinkMovesNoReports() {
    CHidTransport transport(std::make_unique<CFakeEnumerator>(Entries{}));
    QVERIFY(!transport.IsOpen());
    QCOMPARE(transport.DevicePath(), std::string());

    Report out{};
    out.fill(0xA2);
    QVERIFY(!transport.WriteReport(out));
    Report in{};
    in.fill(0x33);
    QVERIFY(!transport.ReadReport(in));

    transport.SetReadMode(CHidTransport::ReadMode::InterruptPipe, std::chrono::milliseconds{5});
    QVERIFY(!transport.ReadReport(in));

    // Closing what is not open, twice, is harmless; so is the generic interface.
    transport.CloseDevice();
    transport.Close();
    QVERIFY(!transport.Open());
    QCOMPARE(transport.LastOpenFailure(), CHidTransport::OpenFailure::NoDevice);
}

void TestHidTransport::hidapiFindsNoBoxHere() {
    CHidEnumerator enumerator;
    const Entries devices = enumerator.Devices();
    for (const auto& device : devices)
        QVERIFY(!device.path.empty());
    if (enumerator.FirstMatchingPath())
        QSKIP("a box is attached to this machine; the test needs none");

    CHidTransport transport;
    QVERIFY(!transport.OpenFirstDevice());
    QCOMPARE(transport.LastOpenFailure(), CHidTransport::OpenFailure::NoDevice);
    QVERIFY(!transport.IsOpen());
    Report report{};
    QVERIFY(!transport.ReadReport(report));
}

QTEST_GUILESS_MAIN(TestHidTransport)
#include "tst_hidtransport.moc"
