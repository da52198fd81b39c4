// The --device option: which device kind each text names, and that the sim choice opens the given device.
#include "control/DeviceOption.h"
#include "sim/SimDevice.h"

#include <QtTest>

Q_DECLARE_METATYPE(DeviceOption::Kind)

class TestDeviceOption : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void simOpensTheGivenDevice();
};

void TestDeviceOption::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<DeviceOption::Kind>("kind");
    QTest::addColumn<QString>("socketPath");
    QTest::newRow("default") << "" << true << DeviceOption::Kind::Usb << "";
    QTest::newRow("usb") << "usb" << true << DeviceOption::Kind::Usb << "";
    QTest::newRow("sim") << "sim" << true << DeviceOption::Kind::Sim << "";
    QTest::newRow("socket") << "socket:/run/box.sock" << true << DeviceOption::Kind::Socket
                            << "/run/box.sock";
    QTest::newRow("socket without path") << "socket:" << false << DeviceOption::Kind::Usb << "";
    QTest::newRow("upper case") << "USB" << false << DeviceOption::Kind::Usb << "";
    QTest::newRow("unknown") << "serial" << false << DeviceOption::Kind::Usb << "";
}

void TestDeviceOption::parse() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(DeviceOption::Kind, kind);
    QFETCH(QString, socketPath);
    const std::optional<DeviceOption> option = DeviceOption::Parse(text.toStdString());
    QCOMPARE(option.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(option->kind, kind);
    QCOMPARE(QString::fromStdString(option->socketPath), socketPath);
}

void TestDeviceOption::simOpensTheGivenDevice() {
    auto sim = std::make_shared<CSimDevice>();
    const auto access = DeviceOption::Parse("sim")->MakeAccess(sim, std::chrono::milliseconds(1));
    QVERIFY(access->OpenFirstDevice());
    QCOMPARE(access->CurrentPath(), std::string("sim"));
    QCOMPARE(sim->OpenSession(), std::uint64_t{0}); // the one session is taken
    QVERIFY(!access->OpenDevicePath("/dev/hidraw0"));
    access->CloseDevice();
    QCOMPARE(access->CurrentPath(), std::string("sim")); // kept for matching a later removal
    QVERIFY(access->OpenDevicePath("sim"));
}

QTEST_GUILESS_MAIN(TestDeviceOption)
#include "tst_DeviceOption.moc"
