// The main form's own controls against the simulated device: what they show, what a click, a typed value
// and a drag send, links, the box's own knobs, the language, accessibility and the keyboard.
#include "app/ChannelStrip.h"
#include "app/CrossoverPanel.h"
#include "app/LinkRow.h"
#include "app/MasterPanel.h"
#include "app/OutputDlg.h"
#include "app/TavelApp.h"
#include "app/TitleBar.h"
#include "app/TitleButton.h"
#include "controls/BitmapButton.h"
#include "controls/BitmapSlider.h"
#include "controls/ListButton.h"
#include "editors/FStatic.h"
#include "editors/NumEdit.h"
#include "link/Frame.h"
#include "model/KTV_Data.h"
#include "model/SystemSettings.h"

#include "app/FormActions.h"
#include "app/FormRig.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QElapsedTimer>
#include <QMenu>
#include <QSignalSpy>

#include <cmath>
#include <optional>

namespace {

using Region = CTavelView::Region;

constexpr int kGainSlider = CChannelStrip::kGainSliderBase;
constexpr int kGainEdit = CChannelStrip::kGainEditBase;

// The box set apart from its factory state wherever the start-up test looks.
void TuneDevice(SimState& s) {
    s.system[SystemLayout::kSource] = 3; // "Optical"
    WriteU16(&s.system[2], 27);          // master volume
    s.system[SystemLayout::kNoiseGate] = 5;
    s.system[SystemLayout::kMasterOutput] = 0;
    s.system[SystemLayout::kOptionFlag] = 1;
    s.live.outputs[2].gainCode = 42;
    s.live.outputs[2].outputOn = 0;
    s.live.outputs[2].polarity = 1;
    s.live.outputs[5].gainCode = 7;
}

bool IsWrite(const SimFrame& f) {
    return f.header.command == Frame::kCmdWrite;
}
bool IsSystemWrite(const SimFrame& f) {
    return IsWrite(f) && f.header.type == KTVCommand::kTypeSystem &&
           f.header.index == KTVCommand::kSubSystemBlock;
}
bool IsGainWrite(const SimFrame& f, int channel) {
    return IsWrite(f) && f.header.type == KTVCommand::kTypeOutput && f.header.index == channel &&
           f.header.slice == OutputSlice::kGainGroup && f.payload.size() == Layout::kSliceSize;
}
// The value a frame carries: master volume (system bytes 2..3) or channel gain (slice 31 bytes 2..3).
int CarriedValue(const SimFrame& f) {
    return ReadU16(&f.payload[2]);
}

// A drag of the thumb along a horizontal slider in `steps` moves spread over `totalMs` of wall time (the
// pace of a hand; nothing is judged by time). Returns the positions the slider reported.
int Drag(CBitmapSlider* slider, int pixels, int steps, int totalMs) {
    QSignalSpy changing(slider, &CBitmapSlider::Changing);
    const QPoint grab = slider->ThumbRect().center();
    QTest::mousePress(slider, Qt::LeftButton, {}, grab);
    QElapsedTimer clock;
    clock.start();
    QPoint at = grab;
    for (int k = 1; k <= steps; ++k) {
        const qint64 due = qint64(k) * totalMs / steps;
        if (const qint64 left = due - clock.elapsed(); left > 0)
            QTest::qWait(static_cast<int>(left));
        at = grab + QPoint(static_cast<int>(std::lround(double(k) * pixels / steps)), 0);
        QTest::mouseMove(slider, at);
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
    return static_cast<int>(changing.count());
}

QAccessibleInterface* Accessible(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w);
}

enum class Field { Ch3Output, Ch4Polarity, MasterOutput, DspSwitch };

int DeviceField(const SimState& s, Field field) {
    switch (field) {
    case Field::Ch3Output:
        return s.live.outputs[2].outputOn;
    case Field::Ch4Polarity:
        return s.live.outputs[3].polarity;
    case Field::MasterOutput:
        return s.system[SystemLayout::kMasterOutput];
    case Field::DspSwitch:
        return s.system[SystemLayout::kOptionFlag];
    }
    return -1;
}

enum class Knob { Volume, Source, Output };

} // namespace

Q_DECLARE_METATYPE(Region)
Q_DECLARE_METATYPE(Field)
Q_DECLARE_METATYPE(Knob)
Q_DECLARE_METATYPE(QAccessible::Role)

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void controlsShowTheDeviceAfterStartUp();
    void everyControlSitsInItsRegion_data();
    void everyControlSitsInItsRegion();
    void clickSendsItsEdit_data();
    void clickSendsItsEdit();
    void typedGainAndVolumeAreSent();
    void listsSendTheChosenEntry();
    void dragSendsFarFewerMessagesThanPositions_data();
    void dragSendsFarFewerMessagesThanPositions();
    void linkedPairFollowsInEditsAndSliders_data();
    void linkedPairFollowsInEditsAndSliders();
    void polarityStaysPerChannelWhenLinked();
    void boxKnobsShowWithoutEcho_data();
    void boxKnobsShowWithoutEcho();
    void volumeChangeShowsOutputOnButKeepsItsValue();
    void channelSelectionAndCurveToggles();
    void linkedPartnerIsPressedUntilTheModelReloads();
    void eqResetAsksFirst_data();
    void eqResetAsksFirst();
    void idleEditsStayInTheModel();
    void languageSwitchedTwiceRestoresEverySelection();
    void accessibleNamesRolesAndValues_data();
    void accessibleNamesRolesAndValues();
    void tabReachesEveryControlInOrderWithAFocusLook();
    void enterAndEscapeInTheControlsLeaveTheFormOpen();
};

void TestMainForm::initTestCase() {
    CTavelApp::SetUpApplication(*qApp);
}

void TestMainForm::cleanup() {
    for (QMessageBox* box : VisibleBoxes())
        box->done(QMessageBox::Cancel);
}

// After the read-back every control shows the device's value.
void TestMainForm::controlsShowTheDeviceAfterStartUp() {
    FormRig f;
    f.Sim().ModifyState(TuneDevice);
    QVERIFY(f.Connect());

    QCOMPARE(f.Find<CBitmapSlider>(CMasterPanel::kVolumeSlider)->Position(), 27);
    QCOMPARE(f.Find<CNumEdit>(CMasterPanel::kVolumeEdit)->text(), QStringLiteral("27"));
    CBitmapButton* output = f.Find<CBitmapButton>(CMasterPanel::kMasterOutput);
    QVERIFY(!output->isChecked());
    QCOMPARE(output->text(), QStringLiteral("Output off"));
    QVERIFY(f.Find<CBitmapButton>(CMasterPanel::kDspSwitch)->isChecked());
    QCOMPARE(f.Find<CListButton>(CMasterPanel::kSourceList)->CurrentText(), QStringLiteral("Optical"));
    QCOMPARE(f.Find<CListButton>(CMasterPanel::kNoiseGateList)->CurrentText(), QStringLiteral("-89dB"));

    QCOMPARE(f.Find<CNumEdit>(kGainEdit + 2)->text(), QStringLiteral("-18dB"));
    QCOMPARE(f.Find<CBitmapSlider>(kGainSlider + 2)->Position(), 42);
    QVERIFY(f.Find<CBitmapButton>(CChannelStrip::kMuteBase + 2)->isChecked());
    CBitmapButton* polarity = f.Find<CBitmapButton>(CChannelStrip::kPolarityBase + 2);
    QVERIFY(polarity->isChecked());
    QCOMPARE(polarity->text(), QStringLiteral("Pol-"));
    QCOMPARE(f.Find<CNumEdit>(kGainEdit + 5)->text(), QStringLiteral("-53dB"));
    QCOMPARE(f.Find<CBitmapSlider>(kGainSlider + 5)->Position(), 7);
    QVERIFY(!f.Find<CBitmapButton>(CChannelStrip::kMuteBase)->isChecked());
    QCOMPARE(f.Find<CBitmapButton>(CChannelStrip::kPolarityBase)->text(), QStringLiteral("Pol+"));
    QCOMPARE(f.View().CurrentChannel(), 0);
    QVERIFY(f.Find<CBitmapButton>(CChannelStrip::kSelectBase)->isChecked());
}

void TestMainForm::everyControlSitsInItsRegion_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<Region>("region");
    for (const int id : {CMasterPanel::kVolumeSlider, CMasterPanel::kVolumeEdit, CMasterPanel::kMasterOutput,
                         CMasterPanel::kDspSwitch, CMasterPanel::kSourceList, CMasterPanel::kNoiseGateList})
        QTest::addRow("%d", id) << id << Region::MasterPanel;
    for (int c = 0; c < CTavelView::kShownChannels; ++c)
        for (const int base : {CChannelStrip::kSelectBase, CChannelStrip::kLineBase, CChannelStrip::kMuteBase,
                               CChannelStrip::kPolarityBase, kGainSlider, kGainEdit})
            QTest::addRow("%d", base + c) << base + c << Region::ChannelStrips;
    QTest::addRow("2331") << int(CTavelView::kEqReset) << Region::ChannelStrips;
    QTest::addRow("2388") << int(CTavelView::kAllBypass) << Region::ChannelStrips;
}

// Each control is shown inside its region, the master panel's above the Link row and the crossover area,
// and none covers another.
void TestMainForm::everyControlSitsInItsRegion() {
    QFETCH(int, id);
    QFETCH(Region, region);
    FormRig f;
    QWidget* form = &f.View();
    const QList<QWidget*> named = form->findChildren<QWidget*>(QString::number(id));
    QCOMPARE(named.size(), 1);
    QWidget* w = named.front();
    QVERIFY(w->isVisible());
    const QRect place = InForm(w, form);
    QVERIFY2(CTavelView::RegionRect(region).contains(place), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                                                                            .arg(id)
                                                                            .arg(place.x())
                                                                            .arg(place.y())
                                                                            .arg(place.width())
                                                                            .arg(place.height())));
    if (region == Region::MasterPanel) {
        const QRect own = CMasterPanel::kOwnArea.translated(CTavelView::RegionRect(region).topLeft());
        QVERIFY(own.contains(place));
    }
    for (QWidget* other : form->findChildren<QWidget*>()) {
        bool numbered = false;
        other->objectName().toInt(&numbered);
        if (other == w || !numbered || !other->isVisible() || other->isAncestorOf(w) ||
            w->isAncestorOf(other))
            continue;
        QVERIFY2(!InForm(other, form).intersects(place), qPrintable(other->objectName()));
    }
    // The gain edits' value holders exist but are never shown.
    if (id >= kGainEdit && id < kGainEdit + CTavelView::kShownChannels) {
        QWidget* spin =
            form->findChild<QWidget*>(QString::number(id - kGainEdit + CChannelStrip::kGainSpinBase));
        QVERIFY(spin);
        QVERIFY(!spin->isVisible());
    }
}

void TestMainForm::clickSendsItsEdit_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<Field>("field");
    QTest::newRow("CH3 mute") << CChannelStrip::kMuteBase + 2 << Field::Ch3Output;
    QTest::newRow("CH4 polarity") << CChannelStrip::kPolarityBase + 3 << Field::Ch4Polarity;
    QTest::newRow("master output") << int(CMasterPanel::kMasterOutput) << Field::MasterOutput;
    QTest::newRow("DSP switch") << int(CMasterPanel::kDspSwitch) << Field::DspSwitch;
}

// A click flips the value on the device and the button with it; a second click flips both back.
void TestMainForm::clickSendsItsEdit() {
    QFETCH(int, id);
    QFETCH(Field, field);
    FormRig f;
    QVERIFY(f.Connect());
    CBitmapButton* button = f.Find<CBitmapButton>(id);
    const int before = DeviceField(f.Sim().State(), field);
    const bool checkedBefore = button->isChecked();
    for (const int expected : {before == 0 ? 1 : 0, before}) {
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(DeviceField(f.Sim().State(), field), expected, FormRig::kLimit);
        QCOMPARE(button->isChecked(), expected == before ? checkedBefore : !checkedBefore);
    }
}

// A value typed into a gain edit or the master-volume edit goes to the device; the slider beside follows.
void TestMainForm::typedGainAndVolumeAreSent() {
    FormRig f;
    QVERIFY(f.Connect());
    TypeInto(f.Find<CNumEdit>(kGainEdit + 4), QStringLiteral("-12"));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[4].gainCode), 48, FormRig::kLimit);
    QCOMPARE(f.Find<CBitmapSlider>(kGainSlider + 4)->Position(), 48);
    QCOMPARE(f.Find<CNumEdit>(kGainEdit + 4)->text(), QStringLiteral("-12dB"));

    TypeInto(f.Find<CNumEdit>(CMasterPanel::kVolumeEdit), QStringLiteral("35"));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().MasterVolume()), 35, FormRig::kLimit);
    QCOMPARE(f.Find<CBitmapSlider>(CMasterPanel::kVolumeSlider)->Position(), 35);
    // Out of range: limited, never sent beyond what the device takes.
    TypeInto(f.Find<CNumEdit>(CMasterPanel::kVolumeEdit), QStringLiteral("99"));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().MasterVolume()), 60, FormRig::kLimit);
}

// The source and noise-gate lists send the chosen entry.
void TestMainForm::listsSendTheChosenEntry() {
    FormRig f;
    QVERIFY(f.Connect());
    QVERIFY(ChooseFromList(f.Find<CListButton>(CMasterPanel::kSourceList), 2));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().system[SystemLayout::kSource]), 2, FormRig::kLimit);
    QCOMPARE(f.Find<CListButton>(CMasterPanel::kSourceList)->CurrentText(), QStringLiteral("Bluetooth"));
    QVERIFY(ChooseFromList(f.Find<CListButton>(CMasterPanel::kNoiseGateList), 8));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().system[SystemLayout::kNoiseGate]), 8, FormRig::kLimit);
    QCOMPARE(f.Find<CListButton>(CMasterPanel::kNoiseGateList)->CurrentText(), QStringLiteral("-80dB"));
}

void TestMainForm::dragSendsFarFewerMessagesThanPositions_data() {
    QTest::addColumn<int>("sliderId");
    QTest::addColumn<int>("editId");
    QTest::addColumn<int>("channel"); // -1: the master volume
    QTest::newRow("master volume") << int(CMasterPanel::kVolumeSlider) << int(CMasterPanel::kVolumeEdit)
                                   << -1;
    QTest::newRow("CH3 gain") << kGainSlider + 2 << kGainEdit + 2 << 2;
}

// With the box's own pauses, a slider dragged through 60 positions in two seconds leaves as far fewer
// messages, the last of them carrying the final value.
void TestMainForm::dragSendsFarFewerMessagesThanPositions() {
    QFETCH(int, sliderId);
    QFETCH(int, editId);
    QFETCH(int, channel);
    FormRig f(0, TimingProfile::Device());
    QVERIFY(f.Connect());
    auto* slider = f.Find<CBitmapSlider>(sliderId);
    QCOMPARE(slider->Position(), 60); // both start at the top: drag to the bottom
    f.Sim().ClearTrace();

    const int travel = slider->width(); // more than the thumb can go: the last moves hold at 0
    const int positions = Drag(slider, -travel, 60, 2000);
    QVERIFY2(positions >= 30, qPrintable(QString::number(positions)));
    QCOMPARE(slider->Position(), 0);

    const auto sent = [&] {
        std::vector<SimFrame> frames;
        for (const SimFrame& frame : f.Sim().Trace())
            if (channel < 0 ? IsSystemWrite(frame) : IsGainWrite(frame, channel))
                frames.push_back(frame);
        return frames;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!sent().empty() && CarriedValue(sent().back()) == 0, FormRig::kLimit);
    QVERIFY(f.WaitForPolls(3)); // nothing more was on its way
    const std::vector<SimFrame> frames = sent();
    qInfo("%d messages for %d positions", int(frames.size()), positions);
    QVERIFY2(int(frames.size()) * 2 <= positions,
             qPrintable(QStringLiteral("%1 messages for %2 positions").arg(frames.size()).arg(positions)));
    QCOMPARE(CarriedValue(frames.back()), 0);
    QCOMPARE(f.Find<CNumEdit>(editId)->Code(), 0);
    const SimState device = f.Sim().State();
    QCOMPARE(channel < 0 ? int(device.MasterVolume()) : int(device.live.outputs[channel].gainCode), 0);
}

void TestMainForm::linkedPairFollowsInEditsAndSliders_data() {
    QTest::addColumn<int>("edited"); // channel whose control the user moves
    QTest::addColumn<bool>("bySlider");
    QTest::newRow("CH1 edit") << 0 << false;
    QTest::newRow("CH2 edit") << 1 << false;
    QTest::newRow("CH1 slider") << 0 << true;
    QTest::newRow("CH2 slider") << 1 << true;
}

// CH1 and CH2 linked: a gain change on either shows in both edits and both sliders and reaches the device
// for both channels.
void TestMainForm::linkedPairFollowsInEditsAndSliders() {
    QFETCH(int, edited);
    QFETCH(bool, bySlider);
    FormRig f;
    QVERIFY(f.Connect());
    f.Editor().CopyIntoGroup(1, 0);
    QVERIFY(f.WaitForPolls(2));
    f.Sim().ClearTrace();

    int expected = 0;
    if (bySlider) {
        auto* slider = f.Find<CBitmapSlider>(kGainSlider + edited);
        slider->setFocus();
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(slider, Qt::Key_PageDown); // five pages of 6 dB
        expected = 30;
        QCOMPARE(slider->Position(), expected);
    } else {
        TypeInto(f.Find<CNumEdit>(kGainEdit + edited), QStringLiteral("-21"));
        expected = 39;
    }
    for (const int c : {0, 1}) {
        QTRY_COMPARE_WITH_TIMEOUT(f.Find<CNumEdit>(kGainEdit + c)->Code(), expected, FormRig::kLimit);
        QCOMPARE(f.Find<CBitmapSlider>(kGainSlider + c)->Position(), expected);
        QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[c].gainCode), expected, FormRig::kLimit);
    }
    QCOMPARE(f.Find<CNumEdit>(kGainEdit + 2)->Code(), 60); // not linked: untouched
    if (!bySlider) {
        // One edit, one gain-group message per channel.
        QVERIFY(f.WaitForPolls(3));
        for (const int c : {0, 1}) {
            int count = 0;
            for (const SimFrame& frame : f.Sim().Trace())
                count += IsGainWrite(frame, c) ? 1 : 0;
            QCOMPARE(count, 1);
        }
    }
}

// Polarity is carried per channel: the partner's POL button stays as it was.
void TestMainForm::polarityStaysPerChannelWhenLinked() {
    FormRig f;
    QVERIFY(f.Connect());
    f.Editor().CopyIntoGroup(1, 0);
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kPolarityBase), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[0].polarity), 1, FormRig::kLimit);
    QVERIFY(f.Find<CBitmapButton>(CChannelStrip::kPolarityBase)->isChecked());
    QVERIFY(!f.Find<CBitmapButton>(CChannelStrip::kPolarityBase + 1)->isChecked());
    QCOMPARE(f.Find<CBitmapButton>(CChannelStrip::kPolarityBase + 1)->text(), QStringLiteral("Pol+"));
    QCOMPARE(int(f.Sim().State().live.outputs[1].polarity), 0);
}

void TestMainForm::boxKnobsShowWithoutEcho_data() {
    QTest::addColumn<Knob>("knob");
    QTest::newRow("volume") << Knob::Volume;
    QTest::newRow("source") << Knob::Source;
    QTest::newRow("output") << Knob::Output;
}

// The user turns a knob at the box: the form shows it and sends nothing back.
void TestMainForm::boxKnobsShowWithoutEcho() {
    QFETCH(Knob, knob);
    FormRig f;
    QVERIFY(f.Connect());
    QVERIFY(f.WaitUntilPollsCompared());
    const int writes = f.Sim().Counters().writes;
    auto* slider = f.Find<CBitmapSlider>(CMasterPanel::kVolumeSlider);
    auto* edit = f.Find<CNumEdit>(CMasterPanel::kVolumeEdit);
    auto* source = f.Find<CListButton>(CMasterPanel::kSourceList);
    auto* output = f.Find<CBitmapButton>(CMasterPanel::kMasterOutput);
    switch (knob) {
    case Knob::Volume:
        f.Sim().UserSetVolume(17);
        QTRY_COMPARE_WITH_TIMEOUT(slider->Position(), 17, FormRig::kLimit);
        QCOMPARE(edit->Code(), 17);
        QCOMPARE(edit->text(), QStringLiteral("17"));
        break;
    case Knob::Source:
        f.Sim().UserSelectSource(4);
        QTRY_COMPARE_WITH_TIMEOUT(source->CurrentIndex(), 4, FormRig::kLimit);
        QCOMPARE(source->CurrentText(), QStringLiteral("Coaxial"));
        break;
    case Knob::Output:
        f.Sim().UserSetOutput(false);
        QTRY_VERIFY_WITH_TIMEOUT(!output->isChecked(), FormRig::kLimit);
        break;
    }
    QVERIFY(f.WaitForPolls(20));
    QCOMPARE(f.Sim().Counters().writes, writes);
}

// A volume change shows the master output as on; the stored switch, and what the device gets, stay off.
void TestMainForm::volumeChangeShowsOutputOnButKeepsItsValue() {
    FormRig f;
    QVERIFY(f.Connect());
    auto* output = f.Find<CBitmapButton>(CMasterPanel::kMasterOutput);
    QTest::mouseClick(output, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().system[SystemLayout::kMasterOutput]), 0, FormRig::kLimit);
    QVERIFY(!output->isChecked());

    TypeInto(f.Find<CNumEdit>(CMasterPanel::kVolumeEdit), QStringLiteral("40"));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().MasterVolume()), 40, FormRig::kLimit);
    QVERIFY(output->isChecked());
    QCOMPARE(output->text(), QStringLiteral("Output on"));
    QCOMPARE(int(f.G().systemBlock[SystemLayout::kMasterOutput]), 0);
    QCOMPARE(int(f.Sim().State().system[SystemLayout::kMasterOutput]), 0);

    // The next click makes what the button showed after it the stored state: off.
    QTest::mouseClick(output, Qt::LeftButton);
    QVERIFY(!output->isChecked());
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(int(f.G().systemBlock[SystemLayout::kMasterOutput]), 0);
    QCOMPARE(int(f.Sim().State().system[SystemLayout::kMasterOutput]), 0);
}

// CH buttons select; the current channel's Line toggle is pressed and stays so; the others show and hide
// their curves, which the form keeps for the graph.
void TestMainForm::channelSelectionAndCurveToggles() {
    FormRig f;
    CTavelView& view = f.View();
    QSignalSpy selected(&view, &CTavelView::channelSelected);
    QSignalSpy shown(&view, &CTavelView::curveShownChanged);
    const auto pressed = [&](int base) {
        QList<int> channels;
        for (int c = 0; c < CTavelView::kShownChannels; ++c)
            if (f.Find<CBitmapButton>(base + c)->isChecked())
                channels << c;
        return channels;
    };

    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 2), Qt::LeftButton);
    QCOMPARE(view.CurrentChannel(), 2);
    QCOMPARE(f.G().g_currentChannel, 2);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.takeFirst().at(0).toInt(), 2);
    QCOMPARE(pressed(CChannelStrip::kSelectBase), QList<int>{2});
    QCOMPARE(pressed(CChannelStrip::kLineBase), QList<int>{2});

    // The current channel again: still selected.
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 2), Qt::LeftButton);
    QCOMPARE(view.CurrentChannel(), 2);
    QCOMPARE(pressed(CChannelStrip::kSelectBase), QList<int>{2});
    // Its Line toggle cannot be switched off.
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kLineBase + 2), Qt::LeftButton);
    QCOMPARE(pressed(CChannelStrip::kLineBase), QList<int>{2});
    QVERIFY(!view.CurveShown(2));
    QCOMPARE(shown.count(), 0);

    // Another channel's curve is shown, and hidden again.
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kLineBase + 4), Qt::LeftButton);
    QVERIFY(view.CurveShown(4));
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.takeFirst(), (QList<QVariant>{4, true}));
    QCOMPARE(pressed(CChannelStrip::kLineBase), (QList<int>{2, 4}));

    // Selecting CH5 leaves CH3's toggle to its own flag (off) and CH5's pressed.
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 4), Qt::LeftButton);
    QCOMPARE(pressed(CChannelStrip::kLineBase), QList<int>{4});
    QCOMPARE(pressed(CChannelStrip::kSelectBase), QList<int>{4});
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kSelectBase), Qt::LeftButton);
    QCOMPARE(pressed(CChannelStrip::kLineBase), (QList<int>{0, 4})); // CH5's curve stays shown
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kLineBase + 4), Qt::LeftButton);
    QVERIFY(!view.CurveShown(4));
    QCOMPARE(shown.takeFirst(), (QList<QVariant>{4, false}));
    QCOMPARE(pressed(CChannelStrip::kLineBase), QList<int>{0});
}

// While the Link button is on the current channel's partner is pressed too; a reload ends the link.
void TestMainForm::linkedPartnerIsPressedUntilTheModelReloads() {
    FormRig f;
    QVERIFY(f.Connect());
    QVERIFY(f.Editor().LinkPairs(0)); // speaker types 1/7, 5/11, 15/18 pair CH1+CH2, CH3+CH4, CH5+CH6
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 2), Qt::LeftButton);
    QVERIFY(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 2)->isChecked());
    QVERIFY(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 3)->isChecked());
    QVERIFY(!f.Find<CBitmapButton>(CChannelStrip::kSelectBase)->isChecked());

    QTest::mouseClick(f.Find<CTitleButton>(CTitleBar::kConnect), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(f.session->Controller().Idle(), FormRig::kLimit); // the close runs in steps
    QVERIFY(f.Connect());
    QVERIFY(!f.Editor().LinkOn());
    QCOMPARE(f.View().CurrentChannel(), 2);
    QVERIFY(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 2)->isChecked());
    QVERIFY(!f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 3)->isChecked());
}

void TestMainForm::eqResetAsksFirst_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << 0 << true;
    QTest::newRow("Cancel") << 0 << false;
    QTest::newRow("Chinese, OK") << 1 << true;
}

// Button 2331 asks with OK and Cancel; OK resets the current channel's bands, on the device too.
void TestMainForm::eqResetAsksFirst() {
    QFETCH(int, language);
    QFETCH(bool, ok);
    FormRig f(language);
    QVERIFY(f.Connect());
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 1), Qt::LeftButton);
    f.Editor().SetBandBypass(1, 3, 0);
    f.Editor().SetBandGain(1, 3, 260);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[1].bands[3].gain), 660, FormRig::kLimit);

    QTest::mouseClick(f.Find<CBitmapButton>(CTavelView::kEqReset), Qt::LeftButton);
    const QString question = language == 1 ? QStringLiteral("是否恢复所有EQ的初始值")
                                           : QStringLiteral("Whether the reset all EQ?");
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(question) != nullptr, FormRig::kLimit);
    QMessageBox* box = BoxSaying(question);
    QCOMPARE(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    QTest::mouseClick(box->button(ok ? QMessageBox::Ok : QMessageBox::Cancel), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(question) == nullptr, FormRig::kLimit);

    const CKTV_OutData& ch = f.session->Data().Channel(1);
    if (!ok) {
        QVERIFY(f.WaitForPolls(3));
        QCOMPARE(ch.Band(3).GetGainCode(), 260);
        QCOMPARE(int(f.Sim().State().live.outputs[1].bands[3].gain), 660);
        return;
    }
    QCOMPARE(ch.Band(3).GetGainCode(), 200);
    QVERIFY(ch.Band(3).GetEffectiveBypass() != 0);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[1].bands[3].gain), 600, FormRig::kLimit);
    // Silenced only while the block travelled.
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[1].outputOn), 1, FormRig::kLimit);
}

// Without a device every control changes the model and sends nothing; connecting shows the device again.
void TestMainForm::idleEditsStayInTheModel() {
    FormRig f;
    f.Sim().ModifyState(TuneDevice);
    const int accepted = f.Sim().Counters().accepted;
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kMuteBase + 1), Qt::LeftButton);
    TypeInto(f.Find<CNumEdit>(kGainEdit + 2), QStringLiteral("-30"));
    QVERIFY(ChooseFromList(f.Find<CListButton>(CMasterPanel::kSourceList), 1));
    QCOMPARE(f.session->Data().Channel(1).GetOutputOn(), 0);
    QCOMPARE(f.session->Data().Channel(2).GetChannelGain(), 30);
    QTRY_COMPARE_WITH_TIMEOUT(CSystemSettings(f.G()).Source(), 1, FormRig::kLimit); // the list's message
    QCOMPARE(f.Sim().Counters().accepted, accepted);

    QVERIFY(f.Connect());
    QVERIFY(!f.Find<CBitmapButton>(CChannelStrip::kMuteBase + 1)->isChecked());
    QCOMPARE(f.Find<CNumEdit>(kGainEdit + 2)->Code(), 42);
    QCOMPARE(f.Find<CListButton>(CMasterPanel::kSourceList)->CurrentIndex(), 3);
}

// Two language switches bring every list's selection and every text back; in between they are Chinese.
void TestMainForm::languageSwitchedTwiceRestoresEverySelection() {
    FormRig f;
    QVERIFY(f.Connect());
    auto* source = f.Find<CListButton>(CMasterPanel::kSourceList);
    auto* gate = f.Find<CListButton>(CMasterPanel::kNoiseGateList);
    QVERIFY(ChooseFromList(source, 4));
    QVERIFY(ChooseFromList(gate, 7));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().system[SystemLayout::kNoiseGate]), 7, FormRig::kLimit);
    QCOMPARE(int(f.Sim().State().system[SystemLayout::kSource]), 4);
    const int writes = f.Sim().Counters().writes;
    auto* mute = f.Find<CBitmapButton>(CChannelStrip::kMuteBase);
    auto* gainEdit = f.Find<CNumEdit>(kGainEdit + 3);
    const auto texts = [&] {
        return QStringList{source->CurrentText(),
                           gate->CurrentText(),
                           mute->text(),
                           mute->accessibleName(),
                           gainEdit->accessibleName(),
                           f.Find<CBitmapButton>(CMasterPanel::kMasterOutput)->text()};
    };
    const QStringList english = texts();
    QCOMPARE(english.mid(0, 4), (QStringList{"Coaxial", "-83dB", "Mute", "CH1 mute"}));

    f.View().ToggleLanguage();
    QTRY_COMPARE_WITH_TIMEOUT(source->CurrentText(), QStringLiteral("同轴"), FormRig::kLimit);
    QCOMPARE(source->CurrentIndex(), 4);
    QCOMPARE(gate->CurrentIndex(), 7);
    QCOMPARE(texts(), (QStringList{"同轴", "-83dB", "静音", "CH1 静音", "CH4 增益", "输出 开"}));
    QCOMPARE(gate->Entries().front().In(1), QStringLiteral("关闭"));

    f.View().ToggleLanguage();
    QTRY_COMPARE_WITH_TIMEOUT(source->CurrentText(), QStringLiteral("Coaxial"), FormRig::kLimit);
    QCOMPARE(texts(), english);
    QCOMPARE(source->CurrentIndex(), 4);
    QCOMPARE(gate->CurrentIndex(), 7);
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(f.Sim().Counters().writes, writes); // the switch itself sends nothing
}

void TestMainForm::accessibleNamesRolesAndValues_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("id");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::newRow("CH2 gain slider") << 0 << kGainSlider + 1 << QAccessible::Slider << "CH2 gain";
    QTest::newRow("CH2 gain edit") << 0 << kGainEdit + 1 << QAccessible::SpinBox << "CH2 gain";
    QTest::newRow("CH2 gain edit, Chinese") << 1 << kGainEdit + 1 << QAccessible::SpinBox << "CH2 增益";
    QTest::newRow("CH6 mute") << 0 << CChannelStrip::kMuteBase + 5 << QAccessible::Button << "CH6 mute";
    QTest::newRow("CH3 select") << 0 << CChannelStrip::kSelectBase + 2 << QAccessible::Button
                                << "CH3 Rear.Left, select the channel";
    QTest::newRow("CH3 select, Chinese")
        << 1 << CChannelStrip::kSelectBase + 2 << QAccessible::Button << "CH3 后左，选择此通道";
    QTest::newRow("CH1 line") << 0 << CChannelStrip::kLineBase << QAccessible::Button << "CH1 curve shown";
    QTest::newRow("CH4 polarity") << 0 << CChannelStrip::kPolarityBase + 3 << QAccessible::Button
                                  << "CH4 polarity inverted";
    QTest::newRow("master slider") << 0 << int(CMasterPanel::kVolumeSlider) << QAccessible::Slider
                                   << "Master volume";
    QTest::newRow("master slider, Chinese")
        << 1 << int(CMasterPanel::kVolumeSlider) << QAccessible::Slider << "主音量";
    QTest::newRow("master edit") << 0 << int(CMasterPanel::kVolumeEdit) << QAccessible::SpinBox
                                 << "Master volume";
    QTest::newRow("master output") << 0 << int(CMasterPanel::kMasterOutput) << QAccessible::Button
                                   << "Master output";
    QTest::newRow("DSP switch") << 0 << int(CMasterPanel::kDspSwitch) << QAccessible::Button << "DSP switch";
    QTest::newRow("source") << 0 << int(CMasterPanel::kSourceList) << QAccessible::ComboBox << "Input source";
    QTest::newRow("source, Chinese") << 1 << int(CMasterPanel::kSourceList) << QAccessible::ComboBox
                                     << "输入音源";
    QTest::newRow("noise gate") << 0 << int(CMasterPanel::kNoiseGateList) << QAccessible::ComboBox
                                << "Noise gate";
    QTest::newRow("EQ reset") << 0 << int(CTavelView::kEqReset) << QAccessible::Button
                              << "Reset the EQ of the current channel";
    QTest::newRow("all bypass") << 0 << int(CTavelView::kAllBypass) << QAccessible::Button
                                << "Bypass every EQ band of the current channel";
    QTest::newRow("Connect") << 0 << int(CTitleBar::kConnect) << QAccessible::Button << "Connect";
}

// Every control names itself in the interface language, says what it is, and the sliders and edits
// their value.
void TestMainForm::accessibleNamesRolesAndValues() {
    QFETCH(int, language);
    QFETCH(int, id);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    FormRig f(language);
    QWidget* w = f.View().findChild<QWidget*>(QString::number(id));
    QVERIFY(w);
    QAccessibleInterface* a = Accessible(w);
    QVERIFY(a);
    QCOMPARE(a->text(QAccessible::Name), name);
    QCOMPARE(a->role(), role);
    if (auto* button = qobject_cast<CBitmapButton*>(w))
        QCOMPARE(bool(a->state().checkable), button->isCheckable()); // toggles say so, and their state
    if (auto* slider = qobject_cast<CBitmapSlider*>(w)) {
        QVERIFY(a->valueInterface());
        QCOMPARE(a->valueInterface()->currentValue().toInt(), slider->Position());
        QCOMPARE(a->valueInterface()->maximumValue().toInt(), 60);
    }
    if (auto* edit = qobject_cast<CNumEdit*>(w)) {
        QVERIFY(a->valueInterface());
        QCOMPARE(a->valueInterface()->currentValue().toInt(), edit->Code());
        QCOMPARE(a->text(QAccessible::Value), edit->text());
    }
}

// Tab walks the title bar, the car picture, the graph, the master panel with its routing and Link row, the
// crossover panel, the strips left to right, the EQ buttons and the EQ page band by band, and each stop looks
// different while it has the focus. Inside the graph Tab first selects its filters one by one, then moves on.
void TestMainForm::tabReachesEveryControlInOrderWithAFocusLook() {
    FormRig f;
    f.frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
    QStringList expected;
    // Undo and Redo are passed over while there is nothing to undo or redo.
    for (const int id :
         {CTitleBar::kConnect, CTitleBar::kSlotA, CTitleBar::kSlotB, CTitleBar::kAbCopy,
          CTitleBar::kSettingsMenu, CTitleBar::kPresetMenu, CTitleBar::kMinimise, CTitleBar::kClose})
        expected << QString::number(id);
    // The car picture: the delays of the start-up speaker types (front high, front mid-low, rear full range,
    // each left then right), then its unit buttons.
    for (const int id : {2580, 2583, 2582, 2585, 2588, 2591, 2286, 2285, 2287})
        expected << QString::number(id);
    const QString graph = f.View().Graph().objectName();
    expected << graph;
    for (const int id : {CMasterPanel::kVolumeSlider, CMasterPanel::kVolumeEdit, CMasterPanel::kMasterOutput,
                         CMasterPanel::kDspSwitch, CMasterPanel::kSourceList, CMasterPanel::kNoiseGateList,
                         CLinkRow::kRouting, CLinkRow::kLink})
        expected << QString::number(id);
    for (const int id :
         {CCrossoverPanel::kHighPassEdit, CCrossoverPanel::kHighPassType, CCrossoverPanel::kHighPassSlope,
          CCrossoverPanel::kLowPassEdit, CCrossoverPanel::kLowPassType, CCrossoverPanel::kLowPassSlope})
        expected << QString::number(id);
    for (int c = 0; c < CTavelView::kShownChannels; ++c)
        for (const int base : {CChannelStrip::kSelectBase, CChannelStrip::kLineBase, CChannelStrip::kMuteBase,
                               CChannelStrip::kPolarityBase, kGainSlider, kGainEdit})
            expected << QString::number(base + c);
    expected << QString::number(CTavelView::kEqReset) << QString::number(CTavelView::kAllBypass);
    for (int b = 0; b < COutputDlg::kBands; ++b)
        for (const int base : {COutputDlg::kFreqEditBase, COutputDlg::kQEditBase, COutputDlg::kGainEditBase,
                               COutputDlg::kSliderBase, COutputDlg::kBypassBase})
            expected << QString::number(base + b);

    f.View().setFocus();
    QMap<QString, QImage> unfocused;
    for (const QString& id : expected)
        unfocused[id] = f.View().findChild<QWidget*>(id)->grab().toImage();

    f.View().findChild<QWidget*>(expected.front())->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        visited << focus->objectName();
        QVERIFY2(focus->grab().toImage() != unfocused.value(focus->objectName()),
                 qPrintable(focus->objectName() + QStringLiteral(" has no focus look")));
        QTest::keyClick(focus, Qt::Key_Tab);
        for (int k = 0; focus->objectName() == graph && QApplication::focusWidget() == focus; ++k) {
            QVERIFY2(k < CFStatic::kFilters, "the graph keeps the focus");
            QTest::keyClick(focus, Qt::Key_Tab);
        }
    }
    QCOMPARE(visited, expected);
    QCOMPARE(QApplication::focusWidget()->objectName(), expected.front()); // round again
}

// Enter and Escape in an edit, on a slider and on a button never close the form.
void TestMainForm::enterAndEscapeInTheControlsLeaveTheFormOpen() {
    FormRig f;
    QVERIFY(f.Connect());
    for (const int id : {kGainEdit + 1, kGainSlider + 1, int(CChannelStrip::kSelectBase + 3),
                         int(CMasterPanel::kVolumeEdit), int(CMasterPanel::kSourceList)})
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QWidget* w = f.View().findChild<QWidget*>(QString::number(id));
            w->setFocus();
            QTest::keyClick(w, key);
            if (auto* list = qobject_cast<CListButton*>(w); list && list->Popup())
                list->HidePopup();
        }
    QVERIFY(f.frame->isVisible());
    QVERIFY(f.Controller().LinkOpen());
    QVERIFY(VisibleBoxes().isEmpty());
    QCOMPARE(f.View().CurrentChannel(), 3); // Enter pressed the CH4 button
}

QTEST_MAIN(TestMainForm)
#include "tst_MainForm.moc"
