// Edits through the edit entry point reach the simulated device, for the edited and the linked channels.
#include "control/DeviceController.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "model/KTV_Data.h"
#include "sim/SimDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstring>
#include <functional>

namespace {

constexpr int kLimitMs = 10000;

bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > kLimitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

SessionOptions OnSimulatedDevice() {
    SessionOptions options;
    options.device = DeviceOption{DeviceOption::Kind::Sim, {}};
    options.timing = TimingProfile::Fast();
    return options;
}

OutputBlock DeviceBlock(const CSession& session, int channel) {
    return session.Sim()->State().live.outputs[channel];
}

bool SameBlock(const OutputBlock& a, const OutputBlock& b) {
    // Everything but the name, which is per channel.
    return std::memcmp(&a, &b, offsetof(OutputBlock, name)) == 0;
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT

private slots:
    void linkedPairReachesTheDevice();
    void crossoverCorrectionReachesTheDevice();
};

void TestEditor::linkedPairReachesTheDevice() {
    CSession session(OnSimulatedDevice());
    CModelEditor& editor = session.Editor();
    QVERIFY(session.Controller().ToggleConnection());
    QVERIFY(WaitFor([&] { return session.Controller().Connected(); }));

    // Types 1 and 7 on channels 0 and 1, first channel chosen: channel 1 becomes a copy of channel 0.
    editor.SetChannelGain(0, 33);
    editor.SetBandGain(0, 12, 290);
    QVERIFY(WaitFor([&] { return DeviceBlock(session, 0).bands[12].gain == 290 + 400; }));
    QVERIFY(editor.LinkPairs(0));
    QVERIFY(WaitFor([&] { return SameBlock(DeviceBlock(session, 1), DeviceBlock(session, 0)); }));
    QCOMPARE(DeviceBlock(session, 1).gainCode, 33);

    // Edits of channel 0 now land on channel 1 too, in the model and on the device.
    editor.SetChannelGain(0, 20);
    editor.MoveBand(0, 3, 150, 170);
    editor.SetXoverSlope(0, Xover::HighPass, 4);
    editor.SetDelay(0, 96); // per channel
    QVERIFY(WaitFor([&] {
        const OutputBlock device0 = DeviceBlock(session, 0);
        const OutputBlock device1 = DeviceBlock(session, 1);
        return device0.delay == 96 && device1.gainCode == 20 && device1.bands[3].gain == 170 + 400 &&
               device1.highPass.slope == 4 &&
               std::memcmp(&device0.bands, &device1.bands, sizeof device0.bands) == 0;
    }));
    QCOMPARE(DeviceBlock(session, 1).delay, 0);
    QCOMPARE(session.Data().Channel(1).Band(3).GetFreq(), 150);
    QCOMPARE(session.Data().Channel(1).GetDelay(), 0);
}

void TestEditor::crossoverCorrectionReachesTheDevice() {
    CSession session(OnSimulatedDevice());
    CModelEditor& editor = session.Editor();
    QVERIFY(session.Controller().ToggleConnection());
    QVERIFY(WaitFor([&] { return session.Controller().Connected(); }));
    editor.SetXoverFreq(2, Xover::LowPass, 2000);
    QCOMPARE(editor.SetXoverFreq(2, Xover::HighPass, 3000), 2000);
    QVERIFY(WaitFor([&] {
        const OutputBlock b = DeviceBlock(session, 2);
        return b.highPass.freq == 2000 && b.lowPass.freq == 2000;
    }));
}

QTEST_GUILESS_MAIN(TestEditor)
#include "tst_editor.moc"
