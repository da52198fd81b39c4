// The desktop program's command line.
#include "app/AppOptions.h"

#include <QtTest>

Q_DECLARE_METATYPE(AppOptions::Outcome)
Q_DECLARE_METATYPE(DeviceOption::Kind)

class TestAppOptions : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void TestAppOptions::parse_data() {
    using O = AppOptions::Outcome;
    using K = DeviceOption::Kind;
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<O>("outcome");
    QTest::addColumn<K>("kind");
    QTest::addColumn<QString>("socketPath");
    QTest::addColumn<int>("language"); // -1: from the system locale
    QTest::addColumn<QString>("screenshot");
    QTest::addColumn<bool>("unknownOptions");

    QTest::newRow("nothing: the box") << QStringList{} << O::Run << K::Usb << "" << -1 << "" << false;
    QTest::newRow("usb") << QStringList{"--device", "usb"} << O::Run << K::Usb << "" << -1 << "" << false;
    QTest::newRow("sim") << QStringList{"--device=sim"} << O::Run << K::Sim << "" << -1 << "" << false;
    QTest::newRow("socket") << QStringList{"--device", "socket:/tmp/box"} << O::Run << K::Socket << "/tmp/box"
                            << -1 << "" << false;
    QTest::newRow("Chinese") << QStringList{"--lang", "zh"} << O::Run << K::Usb << "" << 1 << "" << false;
    QTest::newRow("English") << QStringList{"--lang=en", "--device", "sim"} << O::Run << K::Sim << "" << 0
                             << "" << false;
    QTest::newRow("screenshot") << QStringList{"--screenshot", "/tmp/w.png"} << O::Run << K::Usb << "" << -1
                                << "/tmp/w.png" << false;
    QTest::newRow("help") << QStringList{"--help"} << O::Help << K::Usb << "" << -1 << "" << false;
    QTest::newRow("version") << QStringList{"--version"} << O::Version << K::Usb << "" << -1 << "" << false;
    QTest::newRow("unknown language")
        << QStringList{"--lang", "fr"} << O::Error << K::Usb << "" << -1 << "" << false;
    QTest::newRow("unknown device") << QStringList{"--device", "floppy"} << O::Error << K::Usb << "" << -1
                                    << "" << false;
    QTest::newRow("socket without a path")
        << QStringList{"--device", "socket:"} << O::Error << K::Usb << "" << -1 << "" << false;
    QTest::newRow("missing value") << QStringList{"--device"} << O::Error << K::Usb << "" << -1 << ""
                                   << false;
    QTest::newRow("argument") << QStringList{"file.dsps"} << O::Error << K::Usb << "" << -1 << "" << false;
    QTest::newRow("not ours") << QStringList{"--frobnicate"} << O::Error << K::Usb << "" << -1 << "" << true;
}

void TestAppOptions::parse() {
    QFETCH(QStringList, args);
    QFETCH(AppOptions::Outcome, outcome);
    QFETCH(DeviceOption::Kind, kind);
    QFETCH(QString, socketPath);
    QFETCH(int, language);
    QFETCH(QString, screenshot);
    QFETCH(bool, unknownOptions);

    args.prepend(QStringLiteral("selvano"));
    const AppOptions o = AppOptions::Parse(args);
    QCOMPARE(o.outcome, outcome);
    QCOMPARE(!o.unknownOptions.isEmpty(), unknownOptions);
    if (outcome == AppOptions::Outcome::Help)
        QVERIFY(o.text.contains(QStringLiteral("--device")));
    if (outcome == AppOptions::Outcome::Version)
        QCOMPARE(o.text, QStringLiteral("selvano %1\n").arg(QCoreApplication::applicationVersion()));
    if (outcome == AppOptions::Outcome::Error)
        QVERIFY(!o.text.isEmpty());
    if (outcome != AppOptions::Outcome::Run)
        return;
    QCOMPARE(o.device.kind, kind);
    QCOMPARE(QString::fromStdString(o.device.socketPath), socketPath);
    QCOMPARE(o.language.value_or(-1), language);
    QCOMPARE(o.screenshot, screenshot);
}

QTEST_GUILESS_MAIN(TestAppOptions)
#include "tst_AppOptions.moc"
