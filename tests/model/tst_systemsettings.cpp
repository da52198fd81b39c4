// System-block operations, the master-volume rule and the speaker-type texts.
#include "model/ModelGlobals.h"
#include "model/SystemSettings.h"

#include <QTest>

#include <memory>

class TestSystemSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<ModelGlobals> g;

private slots:
    void init() {
        g = std::make_unique<ModelGlobals>();
        ResetModelGlobals(*g);
    }

    void masterVolumeIsRememberedForTheSourceGroup_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("group");
        QTest::newRow("High level") << 0 << 0;
        QTest::newRow("RCA") << 1 << 1;
        QTest::newRow("Bluetooth") << 2 << 2;
        QTest::newRow("Optical") << 3 << 3;
        QTest::newRow("Coaxial") << 4 << 3;
        QTest::newRow("Player") << 5 << 4;
        QTest::newRow("source 9 from the device counts as Player") << 9 << 4;
    }

    void masterVolumeIsRememberedForTheSourceGroup() {
        QFETCH(int, source);
        QFETCH(int, group);
        CSystemSettings system(*g);
        g->systemBlock[0] = static_cast<std::uint8_t>(source);
        system.SetMasterVolume(37);

        QCOMPARE(g->systemBlock[2], std::uint8_t{37});
        QCOMPARE(g->systemBlock[3], std::uint8_t{0});
        for (int i = 0; i < 5; ++i)
            QCOMPARE(int(g->sourceVolumes[static_cast<std::size_t>(i)]), i == group ? 37 : 50);
    }

    void selectingASourceKeepsTheMasterVolume() {
        CSystemSettings system(*g);
        system.SetMasterVolume(42);
        system.SelectSource(5);
        QCOMPARE(system.Source(), 5);
        QCOMPARE(system.MasterVolume(), 42);
        QCOMPARE(system.RememberedVolume(4), 50);
    }

    void operationsStoreTheirByte_data() {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("value");
        QTest::newRow("source") << 0 << 0 << 4;
        QTest::newRow("noise gate") << 1 << 4 << 8;
        QTest::newRow("option flag") << 2 << 7 << 1;
        QTest::newRow("master output toggled off") << 3 << 5 << 0;
    }

    void operationsStoreTheirByte() {
        QFETCH(int, op);
        QFETCH(int, byte);
        QFETCH(int, value);
        CSystemSettings system(*g);
        QByteArray before(reinterpret_cast<const char*>(g->systemBlock.data()), 32);
        Run(system, op, value);
        QByteArray expected = before;
        expected[byte] = static_cast<char>(value);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(g->systemBlock.data()), 32), expected);
    }

    // The system block is marked for the link worker only while a device is connected.
    void operationsMarkTheSystemBlockWhileConnected_data() {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("connected");
        for (int op = 0; op < 5; ++op) {
            const QByteArray name = QByteArray("op ") + QByteArray::number(op);
            QTest::newRow(name + " connected") << op << 1;
            QTest::newRow(name + " not connected") << op << 0;
        }
    }

    void operationsMarkTheSystemBlockWhileConnected() {
        QFETCH(int, op);
        QFETCH(int, connected);
        g->connected = connected;
        CSystemSettings system(*g);
        Run(system, op, 1);
        QCOMPARE(g->systemPending.load(), connected);
    }

    void toggleMasterOutputAlternates() {
        CSystemSettings system(*g);
        QCOMPARE(system.ToggleMasterOutput(), 0);
        QCOMPARE(system.MasterOutput(), 0);
        QCOMPARE(system.ToggleMasterOutput(), 1);
        QCOMPARE(system.MasterOutput(), 1);
    }

    void displayedSourceIsLimitedToPlayer() {
        CSystemSettings system(*g);
        g->systemBlock[0] = 9;
        QCOMPARE(system.Source(), 9);
        QCOMPARE(system.DisplayedSource(), 5);
    }

    void startupSpeakerTypes() {
        CSystemSettings system(*g);
        const int expected[12] = {1, 7, 5, 11, 15, 18, 0, 0, 0, 0, 0, 0};
        for (int slot = 0; slot < 12; ++slot)
            QCOMPARE(system.SpeakerType(slot), expected[slot]);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(system.Level(i), 200);
    }

    void speakerTypeTexts_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("none") << 0 << "None" << QString::fromUtf8("空");
        QTest::newRow("front left high") << 1 << "Front Left High" << QString::fromUtf8("前左高频");
        QTest::newRow("front left full range")
            << 6 << "Front Left Full Range" << QString::fromUtf8("前左全频");
        QTest::newRow("front right mid-low")
            << 11 << "Front Right Mid-Low" << QString::fromUtf8("前右中低频");
        QTest::newRow("rear left low") << 14 << "Rear Left Low" << QString::fromUtf8("后左低频");
        QTest::newRow("rear right full range")
            << 18 << "Rear Right Full Range" << QString::fromUtf8("后右全频");
        QTest::newRow("center high") << 19 << "Center High" << QString::fromUtf8("中置高频");
        QTest::newRow("left sub") << 22 << "Left Sub" << QString::fromUtf8("左超低");
        QTest::newRow("sub") << 24 << "Sub" << QString::fromUtf8("超低");
        QTest::newRow("unknown") << 25 << ""
                                 << "";
    }

    void speakerTypeTexts() {
        QFETCH(int, type);
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        QCOMPARE(SpeakerTypeText(type, 0), english);
        QCOMPARE(SpeakerTypeText(type, 1), chinese);
    }

    void currentPositionIsLimitedToThree_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("limited");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("3") << 3 << 3;
        QTest::newRow("7") << 7 << 3;
        QTest::newRow("255") << 255 << 3;
    }

    void currentPositionIsLimitedToThree() {
        QFETCH(int, stored);
        QFETCH(int, limited);
        g->positionDelays[48] = static_cast<std::uint8_t>(stored);
        g->positionDelays[49] = 0x5C;
        CSystemSettings system(*g);
        system.LimitCurrentPosition();
        QCOMPARE(system.CurrentPosition(), limited);
        QCOMPARE(g->positionDelays[49], std::uint8_t{0x5C});
    }

private:
    static void Run(CSystemSettings& system, int op, int value) {
        switch (op) {
        case 0:
            system.SelectSource(value);
            break;
        case 1:
            system.SetNoiseGate(value);
            break;
        case 2:
            system.SetOptionFlag(value);
            break;
        case 3:
            system.ToggleMasterOutput();
            break;
        default:
            system.SetMasterVolume(value);
            break;
        }
    }
};

QTEST_APPLESS_MAIN(TestSystemSettings)
#include "tst_systemsettings.moc"
