// Undo and redo in the window: every kind of gesture is one step, undo then redo ends where it started in
// the model and on the simulated device, wheel bursts merge, a new link's read-back starts a new history,
// and the A/B buttons switch the live setup as a step of the same history.
#include "app/EditHistory.h"
#include "app/EqTextActions.h"
#include "app/FormActions.h"
#include "app/FormRig.h"
#include "app/TitleBar.h"
#include "app/TitleButton.h"
#include "base/DataDefine.h"
#include "control/PresetMemories.h"
#include "control/TimeAlignment.h"
#include "controls/BitmapButton.h"
#include "controls/BitmapSlider.h"
#include "editors/FStatic.h"
#include "editors/NumEdit.h"
#include "model/KTV_Data.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <functional>

namespace {

// The device's output blocks as it plays them. The name field is compared as the name it holds: a whole
// block pads the name with zeros, a new device with spaces, and both are the same empty name.
QByteArray DeviceOutputs(CSimDevice& sim) {
    const SimState state = sim.State();
    QByteArray bytes;
    for (OutputBlock block : state.live.outputs) {
        const QByteArray name = ReadFieldFull(block.name, sizeof block.name).toLatin1();
        std::fill(std::begin(block.name), std::end(block.name), std::uint8_t{0});
        std::copy(name.begin(), name.end(), std::begin(block.name));
        bytes.append(reinterpret_cast<const char*>(&block), static_cast<qsizetype>(Layout::kOutputWireSize));
    }
    return bytes;
}

bool SendAll(FormRig& rig) {
    return QTest::qWaitFor([&rig] { return rig.Controller().Settled(); }, FormRig::kLimit) &&
           rig.WaitForPolls(2);
}

// Everything the history waits for: the release's commit, the zero timers.
void Settle() {
    QTest::qWait(5);
}

QPoint Centre(const QRect& r) {
    return {r.x() + r.width() / 2, r.y() + r.height() / 2};
}

void Hover(QWidget& w, QPoint at) {
    QMouseEvent hover(QEvent::MouseMove, at, w.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &hover); // the offscreen platform moves no real pointer
}

void Drag(QWidget& w, QPoint from, QPoint to, int steps = 10) {
    Hover(w, from);
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, from);
    for (int i = 1; i <= steps; ++i)
        QTest::mouseMove(&w, from + (to - from) * i / steps);
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, to);
}

void Wheel(CFStatic& graph, QPoint at, int notches) {
    Hover(graph, at);
    QWheelEvent event(at, graph.mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&graph, &event);
}

QPoint HandleOf(FormRig& rig, int band) {
    return Centre(rig.session->Doc().Data().Channel(0).Band(band).HandleRect());
}

using Gesture = std::function<void(FormRig&)>;

} // namespace

Q_DECLARE_METATYPE(Gesture)

class TestEditHistory : public QObject {
    Q_OBJECT

private slots:
    void everyGestureIsOneStepAndUndoRedoEndsWhereItStarted_data();
    void everyGestureIsOneStepAndUndoRedoEndsWhereItStarted();
    void burstsOnOneBandMerge();
    void undoTextsSayWhatChanges();
    void aNewLinkStartsANewHistory();
    void abButtonsSwitchAndUndoSwitchesBack();
};

void TestEditHistory::everyGestureIsOneStepAndUndoRedoEndsWhereItStarted_data() {
    QTest::addColumn<Gesture>("prepare"); // before the state the undo must come back to
    QTest::addColumn<Gesture>("gesture");
    const Gesture none = [](FormRig&) {};
    QTest::newRow("graph drag") << none << Gesture([](FormRig& rig) {
        const QPoint from = HandleOf(rig, 17);
        Drag(rig.View().Graph(), from, from + QPoint(30, -60));
    });
    QTest::newRow("fader drag") << none << Gesture([](FormRig& rig) {
        auto* fader = rig.Find<CBitmapSlider>(5103);
        const QPoint grab = fader->ThumbRect().center();
        Drag(*fader, grab, grab + QPoint(0, -40));
    });
    QTest::newRow("typed value") << none << Gesture([](FormRig& rig) {
        TypeInto(rig.Find<CNumEdit>(5006), QStringLiteral("4.5"));
    });
    QTest::newRow("wheel burst") << none << Gesture([](FormRig& rig) {
        for (int i = 0; i < 4; ++i)
            Wheel(rig.View().Graph(), HandleOf(rig, 9), 1);
    });
    QTest::newRow("EQ reset") << none << Gesture([](FormRig& rig) {
        QTest::mouseClick(rig.View().EqResetButton(), Qt::LeftButton);
        const QString question = QStringLiteral("Whether the reset all EQ?");
        QVERIFY(QTest::qWaitFor([&] { return BoxSaying(question) != nullptr; }, FormRig::kLimit));
        QTest::mouseClick(BoxSaying(question)->button(QMessageBox::Ok), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return BoxSaying(question) == nullptr; }, FormRig::kLimit));
    });
    QTest::newRow("link") << none << Gesture([](FormRig& rig) { rig.Editor().CopyIntoGroup(1, 0); });
    QTest::newRow("unlink") << Gesture([](FormRig& rig) { rig.Editor().CopyIntoGroup(1, 0); })
                            << Gesture([](FormRig& rig) { rig.Editor().Unlink(); });
    QTest::newRow("import") << none << Gesture([](FormRig& rig) {
        QGuiApplication::clipboard()->setText(
            QStringLiteral("Preamp: -4 dB\nFilter 1: ON PK Fc 120 Hz Gain -5 dB Q 2\n"
                           "Filter 2: ON HSC Fc 8000 Hz Gain 3 dB Q 0.7\n"));
        rig.View().EqText().Paste();
    });
    QTest::newRow("time alignment") << none << Gesture([](FormRig& rig) {
        const std::array<SpeakerDistance, 3> speakers{{{0, 1.0}, {1, 1.2}, {2, 1.9}}};
        QVERIFY(CTimeAlignment::Align(rig.Editor(), rig.session->Doc().Data(), speakers).Ok());
    });
    QTest::newRow("preset recall") << Gesture([](FormRig& rig) {
        rig.Editor().SetDelay(4, 111);
        rig.Editor().SetBandGain(1, 20, 150);
        QVERIFY(rig.session->Presets().WriteSetupToDevice(3, true));
        QVERIFY(QTest::qWaitFor([&rig] { return !rig.View().TransferPopup().isVisible(); }, FormRig::kLimit));
        rig.Editor().SetDelay(4, 0);
        rig.Editor().SetBandGain(1, 20, 200);
    }) << Gesture([](FormRig& rig) {
        QVERIFY(rig.session->Presets().RecallPreset(3, false));
        QVERIFY(QTest::qWaitFor(
            [&rig] { return rig.Controller().Connected() && !rig.View().TransferPopup().isVisible(); },
            FormRig::kLimit));
    });
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("setup.dsps"));
    QTest::newRow("file load") << Gesture([path](FormRig& rig) {
        rig.Editor().SetDelay(3, 222);
        rig.Editor().SetBandGain(2, 8, 120);
        QVERIFY(rig.session->Presets().SaveSetup(path));
        rig.Editor().SetDelay(3, 0);
        rig.Editor().SetBandGain(2, 8, 200);
    }) << Gesture([path](FormRig& rig) {
        QVERIFY(rig.session->Presets().LoadFile(path));
        QVERIFY(QTest::qWaitFor([&rig] { return !rig.View().TransferPopup().isVisible(); }, FormRig::kLimit));
    });
}

void TestEditHistory::everyGestureIsOneStepAndUndoRedoEndsWhereItStarted() {
    QFETCH(Gesture, prepare);
    QFETCH(Gesture, gesture);
    FormRig rig;
    QVERIFY(rig.Connect());
    CEditHistory& history = rig.View().History();
    rig.Editor().SetBandGain(0, 17, 230); // audible bands with handles to grab
    rig.Editor().SetBandGain(0, 9, 240);
    rig.Editor().SetBandGain(0, 3, 220);
    prepare(rig);
    Settle();
    QVERIFY(SendAll(rig));
    history.Stack().clear();

    const SetupState before = rig.Editor().CaptureSetup();
    const QByteArray deviceBefore = DeviceOutputs(rig.Sim());
    gesture(rig);
    Settle();
    QCOMPARE(history.Stack().count(), 1);
    QVERIFY(SendAll(rig));
    const SetupState after = rig.Editor().CaptureSetup();
    const QByteArray deviceAfter = DeviceOutputs(rig.Sim());
    QVERIFY(!(after == before));

    QVERIFY(history.Undo());
    QVERIFY(SendAll(rig));
    QVERIFY(rig.Editor().CaptureSetup() == before);
    QCOMPARE(DeviceOutputs(rig.Sim()), deviceBefore);

    QVERIFY(history.Redo());
    QVERIFY(SendAll(rig));
    QVERIFY(rig.Editor().CaptureSetup() == after);
    QCOMPARE(DeviceOutputs(rig.Sim()), deviceAfter);
    QCOMPARE(history.Stack().count(), 1); // undo and redo record nothing of their own
}

void TestEditHistory::burstsOnOneBandMerge() {
    FormRig rig;
    CEditHistory& history = rig.View().History();
    rig.Editor().SetBandGain(0, 9, 240);
    rig.Editor().SetBandGain(0, 20, 160);
    Settle();
    history.Stack().clear();
    CFStatic& graph = rig.View().Graph();
    for (int i = 0; i < 3; ++i) {
        Wheel(graph, HandleOf(rig, 9), -1); // wider: far from the end of the table
        Settle();
    }
    QCOMPARE(history.Stack().count(), 1);
    Wheel(graph, HandleOf(rig, 20), 1); // another band: a step of its own
    Settle();
    QCOMPARE(history.Stack().count(), 2);
    Wheel(graph, HandleOf(rig, 9), -1);
    Settle();
    QCOMPARE(history.Stack().count(), 3); // not merged across the other band's step
    // Arrow presses on a fader are a burst too; a typed value is a step of its own.
    auto* fader = rig.Find<CBitmapSlider>(5103);
    fader->setFocus();
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(fader, Qt::Key_Up);
        Settle();
    }
    QCOMPARE(history.Stack().count(), 4);
    TypeInto(rig.Find<CNumEdit>(5003), QStringLiteral("2"));
    Settle();
    QCOMPARE(history.Stack().count(), 5);
    QVERIFY(history.Undo());
    QVERIFY(history.Undo()); // the three presses at once
    QCOMPARE(rig.session->Doc().Data().Channel(0).Band(3).GetGainCode(), kEqGainCodeZero);
}

void TestEditHistory::undoTextsSayWhatChanges() {
    FormRig rig;
    CEditHistory& history = rig.View().History();
    TypeInto(rig.Find<CNumEdit>(5004), QStringLiteral("3"));
    Settle();
    const QString text = QStringLiteral("CH1 band 5 gain 0.0 dB \u2192 +3.0 dB");
    QCOMPARE(history.UndoText(), text);
    const auto* undo = rig.View().TitleBar().Button(CTitleBar::kUndo);
    QVERIFY(undo->isEnabled());
    QCOMPARE(undo->toolTip(), QStringLiteral("Undo ") + text);
    QVERIFY(!rig.View().TitleBar().Button(CTitleBar::kRedo)->isEnabled());
    QTest::mouseClick(rig.View().TitleBar().Button(CTitleBar::kSettingsMenu), Qt::LeftButton);
    auto* undoItem = rig.View().findChild<QAction*>(QStringLiteral("32853"));
    QVERIFY(undoItem && undoItem->isEnabled());
    QCOMPARE(undoItem->text(), QStringLiteral("Undo ") + text + QStringLiteral("\tCtrl+Z"));
    QVERIFY(!rig.View().findChild<QAction*>(QStringLiteral("32854"))->isEnabled());
    qobject_cast<QMenu*>(undoItem->parent())->close();

    // Ctrl+Z from the graph undoes it; Ctrl+Y and Ctrl+Shift+Z redo.
    rig.View().Graph().setFocus();
    QTest::keyClick(&rig.View().Graph(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(rig.session->Doc().Data().Channel(0).Band(4).GetGainCode(), kEqGainCodeZero);
    QCOMPARE(history.RedoText(), text);
    QTest::keyClick(&rig.View().Graph(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(rig.session->Doc().Data().Channel(0).Band(4).GetGainCode(), 230);
    QTest::keyClick(&rig.View().Graph(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&rig.View().Graph(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(rig.session->Doc().Data().Channel(0).Band(4).GetGainCode(), 230);

    // A language switch renames the steps already made.
    QTest::mouseClick(rig.View().TitleBar().Button(CTitleBar::kSlotB), Qt::LeftButton);
    Settle();
    rig.G().language = 1;
    rig.language.Apply(1);
    QTRY_COMPARE_WITH_TIMEOUT(history.UndoText(), QStringLiteral("A/B：B 生效"), FormRig::kLimit);
    QCOMPARE(history.Stack().text(0), QStringLiteral("CH1 频段 5 增益 0.0 dB \u2192 +3.0 dB"));
    QCOMPARE(undo->toolTip(), QStringLiteral("撤销 A/B：B 生效"));
}

void TestEditHistory::aNewLinkStartsANewHistory() {
    FormRig rig;
    CEditHistory& history = rig.View().History();
    rig.Editor().SetDelay(0, 30); // offline edits
    Settle();
    QCOMPARE(history.Stack().count(), 1);
    QVERIFY(rig.Connect()); // the device's image replaces them
    Settle();
    QCOMPARE(history.Stack().count(), 0);
    QVERIFY(!history.Undo());
    rig.Editor().SetDelay(0, 60);
    Settle();
    QCOMPARE(history.Stack().count(), 1);
}

void TestEditHistory::abButtonsSwitchAndUndoSwitchesBack() {
    FormRig rig;
    QVERIFY(rig.Connect());
    CEditHistory& history = rig.View().History();
    CTitleBar& bar = rig.View().TitleBar();
    QVERIFY(SendAll(rig));
    const QByteArray deviceA = DeviceOutputs(rig.Sim());
    QVERIFY(bar.Button(CTitleBar::kSlotA)->IsLit());

    QTest::mouseClick(bar.Button(CTitleBar::kSlotB), Qt::LeftButton);
    Settle();
    QVERIFY(bar.Button(CTitleBar::kSlotB)->IsLit());
    QVERIFY(!bar.Button(CTitleBar::kSlotA)->IsLit());
    QCOMPARE(history.UndoText(), QStringLiteral("A/B: B live"));
    rig.Editor().SetBandGain(2, 11, 260);
    Settle();
    QVERIFY(SendAll(rig));
    const QByteArray deviceB = DeviceOutputs(rig.Sim());

    QTest::mouseClick(bar.Button(CTitleBar::kSlotA), Qt::LeftButton);
    Settle();
    QVERIFY(SendAll(rig));
    QCOMPARE(DeviceOutputs(rig.Sim()), deviceA);
    QVERIFY(bar.Button(CTitleBar::kSlotA)->IsLit());
    QCOMPARE(history.Stack().count(), 3);

    QVERIFY(history.Undo()); // back to B live
    QVERIFY(SendAll(rig));
    QCOMPARE(DeviceOutputs(rig.Sim()), deviceB);
    QVERIFY(bar.Button(CTitleBar::kSlotB)->IsLit());
    QCOMPARE(history.Ab().Live(), CAbCompare::B);

    // Copy B onto A from the copy menu, then A live again sends nothing new.
    QTest::mouseClick(bar.Button(CTitleBar::kAbCopy), Qt::LeftButton);
    auto* menu = rig.View().findChild<QMenu*>(QStringLiteral("abCopyMenu"));
    QVERIFY(menu);
    QAction* copy = menu->findChild<QAction*>(QStringLiteral("copyLiveToOther"));
    QVERIFY(copy);
    QCOMPARE(copy->text(), QStringLiteral("Copy B onto A"));
    copy->trigger();
    menu->close();
    Settle();
    QTest::mouseClick(bar.Button(CTitleBar::kSlotA), Qt::LeftButton);
    Settle();
    QVERIFY(SendAll(rig));
    QCOMPARE(DeviceOutputs(rig.Sim()), deviceB);
    QVERIFY(history.Undo()); // the switch
    QVERIFY(history.Undo()); // the copy: A holds its own setup again
    QTest::mouseClick(bar.Button(CTitleBar::kSlotA), Qt::LeftButton);
    Settle();
    QVERIFY(SendAll(rig));
    QCOMPARE(DeviceOutputs(rig.Sim()), deviceA);
}

QTEST_MAIN(TestEditHistory)
#include "tst_EditHistory.moc"
