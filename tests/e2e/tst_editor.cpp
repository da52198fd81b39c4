// Edits through the edit entry point reach the simulated device, for the edited and the linked channels.
#include "control/DeviceController.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "model/KTV_Data.h"
#include "model/SystemSettings.h"
#include "sim/SimDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>

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

enum class ReadingEdit { EqReset, AllBypass, Gain, NoiseGate, CopyIntoGroup, GroupWrite };

} // namespace

Q_DECLARE_METATYPE(ReadingEdit)

class TestEditor : public QObject {
    Q_OBJECT

private slots:
    void linkedPairReachesTheDevice();
    void crossoverCorrectionReachesTheDevice();
    void editsWhileTheDeviceIsReadChangeNothing_data();
    void editsWhileTheDeviceIsReadChangeNothing();
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

void TestEditor::editsWhileTheDeviceIsReadChangeNothing_data() {
    QTest::addColumn<ReadingEdit>("edit");
    QTest::newRow("EQ reset") << ReadingEdit::EqReset;
    QTest::newRow("all-bypass") << ReadingEdit::AllBypass;
    QTest::newRow("gain") << ReadingEdit::Gain;
    QTest::newRow("noise gate") << ReadingEdit::NoiseGate;
    QTest::newRow("copy into a group") << ReadingEdit::CopyIntoGroup;
    QTest::newRow("group write of the controller") << ReadingEdit::GroupWrite;
}

// While the device is being read (the link open, its image not yet applied) the objects still hold the
// settings from before the connection: edits are refused and the controller sends no block made from them.
// Afterwards the device and the program hold the same channel and system values, the device's own.
void TestEditor::editsWhileTheDeviceIsReadChangeNothing() {
    QFETCH(ReadingEdit, edit);
    CSession session(OnSimulatedDevice());
    CModelEditor& editor = session.Editor();
    // Settings made while idle: the model and the device part.
    editor.SetChannelGain(4, 12);
    editor.SetOutputOn(4, 0);
    editor.SetBandBypass(4, 7, 0);
    editor.SetBandGain(4, 7, 300);
    session.Sim()->SetReplyDelay(std::chrono::milliseconds(20)); // the read-back takes a while

    bool editedWhileReading = false;
    QObject::connect(&session, &CSession::transferStarted, &session, [&](const PopupRequest&) {
        // Outside the controller's handler, while the read-back is still under way.
        QTimer::singleShot(0, &session, [&] {
            CDeviceController& controller = session.Controller();
            editedWhileReading = controller.LinkOpen() && !controller.Connected();
            switch (edit) {
            case ReadingEdit::EqReset:
                editor.ResetEq(4);
                break;
            case ReadingEdit::AllBypass:
                editor.SetAllBypass(4, true);
                break;
            case ReadingEdit::Gain:
                editor.SetChannelGain(4, 30);
                break;
            case ReadingEdit::NoiseGate:
                editor.SetNoiseGate(6);
                break;
            case ReadingEdit::CopyIntoGroup:
                editor.CopyIntoGroup(4, 5);
                break;
            case ReadingEdit::GroupWrite: {
                std::lock_guard lock(controller.LinkLock());
                controller.BeginGroupWrite(4);
                controller.QueueChannelBlock(4);
                controller.EndGroupWrite(4);
                controller.CopyChannel(2, 4);
                break;
            }
            }
        });
    });
    QVERIFY(session.Controller().ToggleConnection());
    QVERIFY(WaitFor([&] { return session.Controller().Connected(); }));
    QVERIFY(editedWhileReading);
    const int polls = session.Sim()->Counters().statusPolls;
    QVERIFY(WaitFor([&] { return session.Sim()->Counters().statusPolls >= polls + 5; }));

    const SimState device = session.Sim()->State();
    QVERIFY(SameBlock(device.live.outputs[4], session.Globals().liveImage.outputs[4]));
    QCOMPARE(int(device.live.outputs[4].gainCode), 60); // the device's own, never the idle edit's
    QCOMPARE(int(device.live.outputs[4].outputOn), 1);
    QCOMPARE(session.Data().Channel(4).GetChannelGain(), 60);
    QCOMPARE(session.Data().Channel(4).GetOutputOn(), 1);
    QCOMPARE(session.Data().Channel(4).Band(7).GetGainCode(), 200);
    for (int b = 0; b < 8; ++b)
        QCOMPARE(int(device.system[b]), int(session.Globals().systemBlock[b]));
    QCOMPARE(int(device.system[SystemLayout::kNoiseGate]), 0);
}

QTEST_GUILESS_MAIN(TestEditor)
#include "tst_editor.moc"
