// The firmware update end to end: the device controller, the update and the simulated device on the fast
// timing profile, as the update dialog drives them.
#include "control/DeviceController.h"
#include "firmware/FirmwareUpdate.h"
#include "link/DeviceAccess.h"
#include "link/Notifier.h"
#include "link/SettingsStore.h"
#include "sim/InProcessTransport.h"
#include "sim/SimDevice.h"
#include "support/FirmwareContent.h"
#include "support/ModelFixture.h"
#include "support/RecordingView.h"
#include "support/TestFile.h"

#include <QtTest>

#include <functional>
#include <memory>
#include <numeric>

using namespace std::chrono_literals;
using Stages = QList<int>;
using Fault = std::function<void(CSimDevice&)>;
Q_DECLARE_METATYPE(Stages)
Q_DECLARE_METATYPE(Fault)

namespace {

constexpr int kLimit = 10000; // ms; generous, the fast profile needs a fraction of it

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

QString English(const SysText& text) {
    return text.In(0);
}

// Model, simulated device, recording view, the controller on its own Qt notifier and the update attached
// to it; the update dialog's progress bar is stood for by the positions the controller sees go by.
struct Rig {
    explicit Rig(const TimingProfile& timing = TimingProfile::Fast()) {
        model.g->language = 0;
        controller = std::make_unique<CDeviceController>(*model.g, *model.data, access, view, timing);
        update = std::make_unique<CFirmwareUpdate>(*controller, store, timing);
        controller->SetFirmwareUpdate(update.get());
        controller->SetMessageObserver([this](int message, std::intptr_t wParam, std::intptr_t) {
            if (message == UM_FIRMWARE_PROGRESS)
                positions.push_back(static_cast<int>(wParam));
        });
    }
    ~Rig() {
        controller->StopLinkIO();
        controller->SetFirmwareUpdate(nullptr);
        update.reset();
        controller.reset();
    }

    QString Write(const QString& name, const QByteArray& content) {
        return WriteTestFile(dir, name, content);
    }
    CDeviceController& C() { return *controller; }
    // The link is back to idle with nothing of the update left on it.
    bool Idle() {
        return !C().LinkOpen() && !C().FirmwareUpdating() && !access.IsOpen() && !C().Worker().IsRunning() &&
               !update->InProgress() && C().Command().FirmwareHook() == nullptr;
    }

    QTemporaryDir dir;
    ModelFixture model;
    std::shared_ptr<CSimDevice> sim = std::make_shared<CSimDevice>();
    CDeviceAccess access{std::make_unique<CInProcessTransport>(sim)};
    CRecordingView view;
    CSettingsStore store;
    std::unique_ptr<CDeviceController> controller;
    std::unique_ptr<CFirmwareUpdate> update;
    std::vector<int> positions;
};

TimingProfile ShortLimit() {
    TimingProfile t = TimingProfile::Fast();
    t.firmwareLimit = 200ms;
    return t;
}

} // namespace

class TestFirmware : public QObject {
    Q_OBJECT

private slots:
    void deliversTheFile_data();
    void deliversTheFile();
    void takesOverAConnectedLinkAndGuardsTheFactoryReset();
    void failureEndsWithTheConnectionError_data();
    void failureEndsWithTheConnectionError();
    void noDevice();
};

void TestFirmware::deliversTheFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("range");
    QTest::addColumn<Stages>("stages");
    QTest::addColumn<QByteArray>("head");   // what stage 177 delivered
    QTest::addColumn<QByteArray>("chunks"); // stage 178 or 226 chunks as the device put them together
    QTest::addColumn<int>("restarts");

    const QByteArray dsp592 = FirmwareContent(592);
    QTest::newRow("DSP 592") << "fw.MVA" << dsp592 << 8 << Stages{176, 177, 178, 178, 179} << dsp592.left(4)
                             << dsp592 << 1;
    const QByteArray dsp300 = FirmwareContent(300);
    QTest::newRow("DSP 300") << "fw.MVA" << dsp300 << 7 << Stages{176, 177, 178, 178, 179} << dsp300.left(4)
                             << dsp300 + Fill(292, 0xFF) << 1;
    const QByteArray contr = FirmwareContent(100);
    QTest::newRow("controller 100") << "remote.contr" << contr << 8 << Stages{224, 225, 226, 226, 226, 227}
                                    << QByteArray() << contr + Fill(44, 0xFF) << 0;
}

void TestFirmware::deliversTheFile() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, range);
    QFETCH(Stages, stages);
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, chunks);
    QFETCH(int, restarts);

    Rig rig;
    rig.sim->SetRestartTime(20ms);
    QVERIFY(rig.update->StartUpdate(rig.Write(name, content)));
    QVERIFY(rig.C().FirmwareUpdating());
    QCOMPARE(rig.update->ProgressRange(), range);

    QStringList messages;
    if (rig.update->File().ControllerLoaded())
        messages << English(CFirmwareFile::kControllerNotice);
    messages << QStringLiteral("Update successfully!");
    QTRY_COMPARE_WITH_TIMEOUT(rig.view.Messages(), messages, kLimit);
    QVERIFY(rig.Idle());

    const SimFirmwareLog log = rig.sim->Firmware();
    QCOMPARE(Stages(log.stages.begin(), log.stages.end()), stages);
    QCOMPARE(Bytes(log.dspHead), head);
    const bool dsp = rig.update->File().DspLoaded();
    QCOMPARE(Bytes(dsp ? log.dsp : log.controller), chunks);
    QCOMPARE(dsp ? log.dspCheck : log.controllerCheck, std::optional(rig.update->File().CheckByte()));
    QCOMPARE(rig.sim->Counters().restarts, restarts);
    QCOMPARE(rig.sim->Counters().rejected, 0);

    // One step per acknowledged frame.
    std::vector<int> expected(static_cast<std::size_t>(stages.size()));
    std::iota(expected.begin(), expected.end(), 1);
    QCOMPARE(rig.positions, expected);

    // The box connects as usual afterwards.
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
}

void TestFirmware::takesOverAConnectedLinkAndGuardsTheFactoryReset() {
    Rig rig;
    QVERIFY(rig.C().ToggleConnection());
    QTRY_VERIFY_WITH_TIMEOUT(rig.C().Connected(), kLimit);
    QVERIFY(!rig.C().FactoryResetRefused());
    rig.view.Clear();

    QVERIFY(rig.update->StartUpdate(rig.Write("fw.MVA", FirmwareContent(300))));
    // The normal link was closed.
    QCOMPARE(rig.view.Lines(), (QStringList{QStringLiteral("popup hide"), QStringLiteral("look idle")}));
    QVERIFY(!rig.C().Connected());
    // Until the controller has handled the end of the update, the update runs.
    QVERIFY(rig.C().FactoryResetRefused());
    QVERIFY(rig.update->RefuseWhileUpdating());
    QCOMPARE(rig.view.Messages(), (QStringList{QStringLiteral("Don't close up the update!"),
                                               QStringLiteral("Don't close up the update!")}));
    QVERIFY(!rig.update->StartUpdate(rig.Write("other.MVA", FirmwareContent(10)))); // ignored while it runs

    QTRY_VERIFY_WITH_TIMEOUT(rig.view.Messages().contains(QStringLiteral("Update successfully!")), kLimit);
    QVERIFY(rig.Idle());
    QCOMPARE(Bytes(rig.sim->Firmware().dsp), FirmwareContent(300) + Fill(292, 0xFF));
    QVERIFY(!rig.C().FactoryResetRefused());
}

void TestFirmware::failureEndsWithTheConnectionError_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<Stages>("stages");

    QTest::newRow("frame written twice without acknowledgement")
        << "fw.MVA" << Fault([](CSimDevice& d) { d.RequestRepeats(2); }) << Stages{176, 176};
    QTest::newRow("reply lost") << "remote.contr" << Fault([](CSimDevice& d) { d.DropReplies(1); })
                                << Stages{224};
    QTest::newRow("device not back after its restart")
        << "fw.MVA" << Fault([](CSimDevice& d) { d.SetRestartTime(1h); }) << Stages{176};
}

void TestFirmware::failureEndsWithTheConnectionError() {
    QFETCH(QString, name);
    QFETCH(Fault, fault);
    QFETCH(Stages, stages);

    Rig rig(ShortLimit());
    fault(*rig.sim);
    QVERIFY(rig.update->StartUpdate(rig.Write(name, FirmwareContent(100))));
    QTRY_VERIFY_WITH_TIMEOUT(rig.view.Messages().contains(QStringLiteral("unable to connect")), kLimit);
    QVERIFY(rig.Idle());
    Stages written;
    for (const SimFrame& f : rig.sim->Trace())
        written << f.header.index;
    QCOMPARE(written, stages);
    QVERIFY(!rig.view.Messages().contains(QStringLiteral("Update successfully!")));
    QCOMPARE(rig.view.Messages().count(QStringLiteral("unable to connect")), 1);
}

void TestFirmware::noDevice() {
    Rig rig(ShortLimit());
    rig.sim->Unplug();
    QVERIFY(!rig.update->StartUpdate(rig.Write("fw.MVA", FirmwareContent(100))));
    QCOMPARE(rig.view.Messages(), QStringList{QStringLiteral("unable to connect")});
    QVERIFY(rig.Idle());
    QVERIFY(rig.sim->Trace().empty());
}

QTEST_GUILESS_MAIN(TestFirmware)
#include "tst_firmware.moc"
