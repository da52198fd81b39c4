// Whole setups put back through the edit entry point (undo, redo, A/B): only what differs reaches the
// device, the device ends equal to the setup, links come back, and the words that name a change.
#include "control/AbCompare.h"
#include "control/ModelEditor.h"
#include "control/SetupChange.h"
#include "model/KTV_Data.h"
#include "support/ControllerRig.h"

#include <QTest>

#include <cstring>
#include <set>

namespace {

constexpr int kLimit = CControllerRig::kLimitMs;

// The distinct writes the device received since the trace was cleared, status polls left out.
std::set<QString> Writes(const CSimDevice& sim) {
    std::set<QString> out;
    for (const QString& line : TraceLines(sim))
        if (line.startsWith(QLatin1Char('W')))
            out.insert(line);
    return out;
}

// Output blocks 0..7 of the device's live image, the bytes that travel.
QByteArray DeviceOutputs(const CSimDevice& sim) {
    const SimState state = sim.State();
    QByteArray bytes;
    for (const OutputBlock& block : state.live.outputs)
        bytes.append(reinterpret_cast<const char*>(&block), static_cast<qsizetype>(Layout::kOutputWireSize));
    return bytes;
}

bool SendAll(CControllerRig& rig) {
    return rig.WaitFor([&rig] { return rig.C().Settled(); }) && rig.WaitForPolls(2);
}

// A few edits on different channels, each a different slice; no band frequency moves (its ramp would send
// the slice several times).
void EditSome(CModelEditor& e) {
    e.SetBandGain(0, 5, 250); // channel 0, slice 5
    e.SetDelay(2, 48);        // channel 2, slice 31
    e.SetXoverSlope(3, Xover::HighPass, 4);
    const std::array<int, CKTV_OutData::kMixInputs> mix{0, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    e.SetMix(1, mix); // channel 1, slice 33
}

} // namespace

class TestSetupRestore : public QObject {
    Q_OBJECT

private slots:
    void restoreSendsOnlyWhatDiffersAndTheDeviceEndsEqual();
    void restoreKeepsWhatTheDeviceDoesNotCarry();
    void restoreBringsLinksBackWithoutCarryingValues();
    void restoreIsRefusedWhileTheDeviceIsRead();
    void abSwitchSendsOnlyTheDifferingSlices();
    void describe_data();
    void describe();
    void singleBandTellsWheelBursts();
};

void TestSetupRestore::restoreSendsOnlyWhatDiffersAndTheDeviceEndsEqual() {
    CControllerRig rig;
    QVERIFY(rig.Connect());
    CModelEditor& e = rig.session.Editor();
    QVERIFY(SendAll(rig));
    const SetupState before = e.CaptureSetup();
    const QByteArray deviceBefore = DeviceOutputs(*rig.sim);

    EditSome(e);
    QVERIFY(SendAll(rig));
    const SetupState after = e.CaptureSetup();
    QVERIFY(!(after == before));
    QVERIFY(DeviceOutputs(*rig.sim) != deviceBefore);

    rig.ClearTrace();
    QVERIFY(e.RestoreSetup(before));
    QVERIFY(e.CaptureSetup() == before);
    QVERIFY(SendAll(rig));
    const std::set<QString> expected{QStringLiteral("W 3/0 s5 p0"), QStringLiteral("W 3/1 s33 p0"),
                                     QStringLiteral("W 3/2 s31 p0"), QStringLiteral("W 3/3 s32 p0")};
    QCOMPARE(Writes(*rig.sim), expected);
    QCOMPARE(DeviceOutputs(*rig.sim), deviceBefore);

    // And forward again (redo): the same slices, the device as after the edits.
    const QByteArray deviceAfterEdits = [&] {
        rig.ClearTrace();
        e.RestoreSetup(after);
        SendAll(rig);
        return DeviceOutputs(*rig.sim);
    }();
    QCOMPARE(Writes(*rig.sim), expected);
    QVERIFY(e.CaptureSetup() == after);
    QVERIFY(deviceAfterEdits != deviceBefore);

    // Restoring the setup the model already has sends nothing.
    rig.ClearTrace();
    QVERIFY(e.RestoreSetup(after));
    QVERIFY(SendAll(rig));
    QCOMPARE(Writes(*rig.sim), std::set<QString>{});
}

void TestSetupRestore::restoreKeepsWhatTheDeviceDoesNotCarry() {
    // A bypassed band keeps its gain, and the bands under all-bypass keep their own bypass states: the
    // device sees 0 dB for both, the user gets the values back when switching them on again.
    CControllerRig rig;
    CModelEditor& e = rig.session.Editor();
    e.SetBandGain(0, 3, 260);
    e.SetBandBypass(0, 3, 1);
    e.SetBandGain(0, 7, 150);
    const SetupState kept = e.CaptureSetup();
    e.SetBandBypass(0, 3, 0);
    e.SetAllBypass(0, true);
    e.SetName(0, QStringLiteral("Tweeter"));
    QVERIFY(e.RestoreSetup(kept));
    QVERIFY(e.CaptureSetup() == kept);
    const CKTV_OutData& ch = rig.model.Channel(0);
    QCOMPARE(ch.Band(3).GetEffectiveBypass(), 1);
    QCOMPARE(ch.Band(3).GetGain(), 6.0);
    QCOMPARE(ch.Band(7).GetGainCode(), 150);
    QCOMPARE(ch.Band(7).GetEffectiveBypass(), 0);
    e.SetBandBypass(0, 3, 0);
    QCOMPARE(ch.Band(3).GetGainCode(), 260);
}

void TestSetupRestore::restoreBringsLinksBackWithoutCarryingValues() {
    CControllerRig rig;
    QVERIFY(rig.Connect());
    CModelEditor& e = rig.session.Editor();
    e.SetChannelGain(1, 40);
    e.CopyIntoGroup(1, 0); // channel 1 joins channel 0 and takes its values
    const SetupState linked = e.CaptureSetup();
    QVERIFY(e.Linked(0, 1));
    e.Unlink();
    e.SetChannelGain(0, 20); // channel 1 keeps its gain now
    QCOMPARE(rig.model.Channel(1).GetChannelGain(), linked.channels[1].gainCode);

    QVERIFY(e.RestoreSetup(linked));
    QVERIFY(e.Linked(0, 1));
    QVERIFY(e.CaptureSetup() == linked);
    e.SetChannelGain(0, 33); // linked again: channel 1 follows
    QCOMPARE(rig.model.Channel(1).GetChannelGain(), 33);

    // Unlinked setup restored while linked: the first channel's values are not carried to the second.
    e.Unlink();
    e.SetChannelGain(1, 12);
    const SetupState apart = e.CaptureSetup();
    e.CopyIntoGroup(1, 0);
    QVERIFY(e.RestoreSetup(apart));
    QVERIFY(!e.Linked(0, 1));
    QCOMPARE(rig.model.Channel(0).GetChannelGain(), 33);
    QCOMPARE(rig.model.Channel(1).GetChannelGain(), 12);
}

void TestSetupRestore::restoreIsRefusedWhileTheDeviceIsRead() {
    CControllerRig rig;
    CModelEditor& e = rig.session.Editor();
    const SetupState flat = e.CaptureSetup();
    e.SetDelay(0, 100);
    const SetupState edited = e.CaptureSetup();
    QVERIFY(rig.C().ToggleConnection()); // the link is open, the image not yet applied
    QVERIFY(!e.Editable());
    QVERIFY(!e.RestoreSetup(flat));
    QVERIFY(e.CaptureSetup() == edited);
    QVERIFY(rig.WaitFor([&rig] { return rig.C().Connected(); }));
    QVERIFY(e.Editable());
}

void TestSetupRestore::abSwitchSendsOnlyTheDifferingSlices() {
    CControllerRig rig;
    QVERIFY(rig.Connect());
    CModelEditor& e = rig.session.Editor();
    CAbCompare ab(e);
    QVERIFY(SendAll(rig));
    QCOMPARE(ab.Live(), CAbCompare::A);

    // B starts as a copy of A: the first switch sends nothing.
    rig.ClearTrace();
    QVERIFY(ab.Switch());
    QCOMPARE(ab.Live(), CAbCompare::B);
    QVERIFY(SendAll(rig));
    QCOMPARE(Writes(*rig.sim), std::set<QString>{});
    const QByteArray deviceA = DeviceOutputs(*rig.sim);

    e.SetBandGain(4, 12, 120); // B differs from A in one band of channel 4 and the delay of channel 5
    e.SetDelay(5, 300);
    QVERIFY(SendAll(rig));
    const SetupState setupB = e.CaptureSetup();
    const QByteArray deviceB = DeviceOutputs(*rig.sim);

    const std::set<QString> differing{QStringLiteral("W 3/4 s12 p0"), QStringLiteral("W 3/5 s31 p0")};
    rig.ClearTrace();
    QVERIFY(ab.Switch());
    QCOMPARE(ab.Live(), CAbCompare::A);
    QVERIFY(SendAll(rig));
    QCOMPARE(Writes(*rig.sim), differing);
    QCOMPARE(DeviceOutputs(*rig.sim), deviceA);
    QVERIFY(ab.Stored() == setupB);

    rig.ClearTrace();
    QVERIFY(ab.Switch());
    QVERIFY(SendAll(rig));
    QCOMPARE(Writes(*rig.sim), differing);
    QCOMPARE(DeviceOutputs(*rig.sim), deviceB);
    QVERIFY(e.CaptureSetup() == setupB);

    // Copying the live B onto A makes the next switch send nothing; copying A onto the live B sends A.
    ab.CopyLiveToOther();
    rig.ClearTrace();
    QVERIFY(ab.Switch());
    QVERIFY(SendAll(rig));
    QCOMPARE(Writes(*rig.sim), std::set<QString>{});
    QCOMPARE(DeviceOutputs(*rig.sim), deviceB);
}

void TestSetupRestore::describe_data() {
    QTest::addColumn<std::function<void(CModelEditor&)>>("edit");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("text");
    using Edit = std::function<void(CModelEditor&)>;
    QTest::newRow("band gain") << Edit([](CModelEditor& e) {
        e.SetBandGain(1, 4, 170); // -3.0 dB from +3.0 dB below
    }) << 0 << QStringLiteral("CH2 band 5 gain +3.0 dB \u2192 \u22123.0 dB");
    QTest::newRow("band gain, Chinese") << Edit([](CModelEditor& e) { e.SetBandGain(1, 4, 170); }) << 1
                                        << QStringLiteral("CH2 频段 5 增益 +3.0 dB \u2192 \u22123.0 dB");
    QTest::newRow("dragged handle") << Edit([](CModelEditor& e) {
        e.MoveBand(0, 9, 1250, 180);
    }) << 0 << QStringLiteral("CH1 band 10 1000 Hz +3.0 dB \u2192 1250 Hz \u22122.0 dB");
    QTest::newRow("Q") << Edit([](CModelEditor& e) { e.SetBandBandwidth(0, 9, 95); }) << 0
                       << QStringLiteral("CH1 band 10 Q 2.871 \u2192 1.414");
    QTest::newRow("channel gain") << Edit([](CModelEditor& e) { e.SetChannelGain(2, 54); }) << 0
                                  << QStringLiteral("CH3 gain 0 dB \u2192 \u22126 dB");
    QTest::newRow("delays of two channels") << Edit([](CModelEditor& e) {
        e.SetDelay(0, 10);
        e.SetDelay(3, 20);
    }) << 0 << QStringLiteral("CH1, CH4 delay");
    QTest::newRow("the same delay on two") << Edit([](CModelEditor& e) {
        e.SetDelay(0, 10);
        e.SetDelay(3, 10);
    }) << 0 << QStringLiteral("CH1, CH4 delay 0 \u2192 10 samples");
    QTest::newRow("several bands") << Edit([](CModelEditor& e) {
        e.SetBandGain(5, 1, 210);
        e.SetBandGain(5, 2, 210);
    }) << 0 << QStringLiteral("CH6 EQ: 2 bands");
    QTest::newRow("high-pass corner") << Edit([](CModelEditor& e) { e.SetXoverFreq(0, Xover::HighPass, 80); })
                                      << 0 << QStringLiteral("CH1 high-pass 20 Hz \u2192 80 Hz");
    QTest::newRow("mute") << Edit([](CModelEditor& e) { e.SetOutputOn(1, 0); }) << 0
                          << QStringLiteral("CH2 mute on");
    QTest::newRow("link") << Edit([](CModelEditor& e) { e.CopyIntoGroup(1, 0); }) << 0
                          << QStringLiteral("CH1 + CH2 linked");
    QTest::newRow("many channels") << Edit([](CModelEditor& e) {
        for (int c = 0; c < 5; ++c)
            c % 2 ? e.SetDelay(c, 5) : e.SetChannelGain(c, 50);
    }) << 0 << QStringLiteral("Setup of 5 channels");
    QTest::newRow("nothing") << Edit([](CModelEditor&) {}) << 0 << QString();
}

void TestSetupRestore::describe() {
    QFETCH(std::function<void(CModelEditor&)>, edit);
    QFETCH(int, language);
    QFETCH(QString, text);
    CControllerRig rig;
    CModelEditor& e = rig.session.Editor();
    e.SetBandGain(1, 4, 230);
    e.SetBandFreq(0, 9, 1000);
    e.SetBandBandwidth(0, 9, 45);
    e.SetBandGain(0, 9, 230);
    e.SetChannelGain(2, 60);
    const SetupState before = e.CaptureSetup();
    edit(e);
    QCOMPARE(CSetupChange::Describe(before, e.CaptureSetup(), language), text);
}

void TestSetupRestore::singleBandTellsWheelBursts() {
    CControllerRig rig;
    CModelEditor& e = rig.session.Editor();
    e.CopyIntoGroup(1, 0);
    const SetupState before = e.CaptureSetup();
    e.SetBandBandwidth(0, 6, 80); // linked: channel 1 takes it too
    int channel = -1;
    QCOMPARE(CSetupChange::SingleBand(before, e.CaptureSetup(), &channel), 6);
    QCOMPARE(channel, 0);
    e.SetBandBandwidth(0, 7, 80);
    QCOMPARE(CSetupChange::SingleBand(before, e.CaptureSetup(), &channel), -1);
    const SetupState twoBands = e.CaptureSetup();
    e.SetDelay(0, 3);
    QCOMPARE(CSetupChange::SingleBand(twoBands, e.CaptureSetup(), &channel), -1);
}

QTEST_GUILESS_MAIN(TestSetupRestore)
#include "tst_SetupRestore.moc"
