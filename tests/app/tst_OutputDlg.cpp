// The EQ page in the main window against the simulated device: where its columns sit, what the bands show,
// the bypass and all-bypass rules, linked channels, graphic mode, the graph's drags, selection, keys and
// language.
#include "app/ChannelStrip.h"
#include "app/OutputDlg.h"
#include "app/TavelApp.h"
#include "app/TitleBar.h"
#include "app/TitleButton.h"
#include "controls/BitmapButton.h"
#include "controls/BitmapSlider.h"
#include "controls/SkinStatic.h"
#include "editors/FStatic.h"
#include "editors/NumEdit.h"
#include "link/Notifier.h"
#include "link/QtNotifier.h"
#include "model/KTV_Data.h"

#include "app/FormRig.h"

#include <QAccessible>
#include <QSignalSpy>

#include <cstring>

namespace {

using Region = CTavelView::Region;
constexpr int kBands = COutputDlg::kBands;
constexpr int kFreqEdit = COutputDlg::kFreqEditBase;
constexpr int kQEdit = COutputDlg::kQEditBase;
constexpr int kGainEdit = COutputDlg::kGainEditBase;
constexpr int kSlider = COutputDlg::kSliderBase;
constexpr int kBypass = COutputDlg::kBypassBase;
constexpr int kNumber = COutputDlg::kNumberBase;
constexpr int kFlat = COutputDlg::kZeroGainCode;
constexpr int kDeviceGainOffset = 400; // a band record carries 400 + the gain code

// The main window, active (the keys and the focus need that), on the simulated device.
struct PageRig : FormRig {
    explicit PageRig(int lang = 0) : FormRig(lang) { active = Activate(); }
    bool active = false;

    bool Activate() {
        return QTest::qWaitFor(
            [this] {
                if (QGuiApplication::focusWindow() == frame->windowHandle())
                    return true;
                frame->activateWindow();
                return false;
            },
            kLimit);
    }
    // The transfer popup of the read-back takes the activation while it is shown: it comes back after.
    bool Connect() { return FormRig::Connect() && Activate(); }

    COutputDlg& Page() { return View().EqPage(); }
    CFStatic& Graph() { return View().Graph(); }
    const CFilter& Band(int channel, int band) { return session->Data().Channel(channel).Band(band); }
    BandRecord DeviceBand(int channel, int band) { return Sim().State().live.outputs[channel].bands[band]; }
    CBitmapButton* AllBypass() { return View().AllBypassButton(); }
    QString Focus() const {
        const QWidget* w = QApplication::focusWidget();
        return w != nullptr ? w->objectName() : QString();
    }

    // What band `band` of the current channel shows: gain editor, fader and BY button agree, and the model.
    bool ShowsGain(int band, int code, bool bypassed) {
        const CFilter& f = Band(Page().Channel(), band);
        return Page().GainEdit(band)->Code() == code && Page().Slider(band)->Position() == code &&
               Page().BypassButton(band)->isChecked() == bypassed && f.GetGainCode() == code &&
               (f.GetEffectiveBypass() != 0) == bypassed;
    }
};

// Types into an editor as the user does: select, type, Enter.
void Type(CNumEdit* edit, const QString& text) {
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QRect InForm(const QWidget* w, const QWidget* form) {
    return {w->mapTo(form, QPoint(0, 0)), w->size()};
}

QPoint Centre(const QRect& r) {
    return {r.x() + r.width() / 2, r.y() + r.height() / 2};
}

// A drag on the graph as the user makes it: over the handle, press, move in steps, release.
void DragOnGraph(CFStatic& graph, QPoint from, QPoint to, int steps = 12) {
    QMouseEvent hover(QEvent::MouseMove, from, graph.mapToGlobal(from), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&graph, &hover); // the offscreen platform moves no real pointer
    QTest::mousePress(&graph, Qt::LeftButton, Qt::NoModifier, from);
    for (int i = 1; i <= steps; ++i)
        QTest::mouseMove(&graph, from + (to - from) * i / steps);
    QTest::mouseRelease(&graph, Qt::LeftButton, Qt::NoModifier, to);
}

enum class Action { TypeGain, FaderPageUp, FaderPageDown, ClickBypass, ClickBypassTwice, AllBypass };

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(QAccessible::Role)

class TestOutputDlg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void columnsFillTheEqRegionInOrder();
    void bandsShowTheDeviceAfterReading();
    void gainAndBypassRules_data();
    void gainAndBypassRules();
    void allBypassToggle_data();
    void allBypassToggle();
    void editsFollowTheLinkGroupOnly_data();
    void editsFollowTheLinkGroupOnly();
    void graphicModeFromTheDevice();
    void graphDragShowsOnThePage();
    void pageAndGraphSelectTheSameBand();
    void channelSelectionAndReloadFillThePage();
    void keys_data();
    void keys();
    void enterTakesTypedTextAndArrowsStepAFader();
    void accessibleNames_data();
    void accessibleNames();
    void languageSwitchRenamesEveryControl();
};

void TestOutputDlg::initTestCase() {
    CTavelApp::SetUpApplication(*qApp);
}

void TestOutputDlg::cleanup() {
    for (QMessageBox* box : VisibleBoxes())
        box->done(QMessageBox::Cancel);
}

// Each band's controls are shown inside its own column of the EQ region, top to bottom in the order
// number, frequency, Q, gain, fader, BY, and none covers another; the spins exist but are never shown.
void TestOutputDlg::columnsFillTheEqRegionInOrder() {
    PageRig f;
    QWidget* form = &f.View();
    const QRect region = CTavelView::RegionRect(Region::EqPage);
    QList<QRect> placed;
    for (int b = 0; b < kBands; ++b) {
        const int left = region.left() + COutputDlg::kColumnLeft + b * COutputDlg::kColumnWidth;
        int above = region.top() - 1;
        for (const int base : {kNumber, kFreqEdit, kQEdit, kGainEdit, kSlider, kBypass}) {
            const QList<QWidget*> named = form->findChildren<QWidget*>(QString::number(base + b));
            QCOMPARE(named.size(), 1);
            QWidget* w = named.front();
            QVERIFY(w->isVisible());
            const QRect r = InForm(w, form);
            QVERIFY2(region.contains(r) && r.left() >= left && r.right() < left + COutputDlg::kColumnWidth,
                     qPrintable(w->objectName()));
            QVERIFY2(r.top() > above, qPrintable(w->objectName()));
            above = r.bottom();
            for (const QRect& other : placed)
                QVERIFY2(!other.intersects(r), qPrintable(w->objectName()));
            placed << r;
        }
        for (const int base :
             {COutputDlg::kFreqSpinBase, COutputDlg::kQSpinBase, COutputDlg::kGainSpinBase}) {
            QWidget* spin = form->findChild<QWidget*>(QString::number(base + b));
            QVERIFY(spin);
            QVERIFY(!spin->isVisible());
        }
    }
}

// After the read-back every band shows the device's frequency, Q and gain; a bypassed band shows 0.0 dB
// with its fader at the centre and BY pressed.
void TestOutputDlg::bandsShowTheDeviceAfterReading() {
    PageRig f;
    f.Sim().ModifyState([](SimState& s) {
        s.live.outputs[0].bands[3] = {250, kDeviceGainOffset + 260, 40, 0, 0};
        s.live.outputs[0].bands[8] = {1200, kDeviceGainOffset + kFlat, 12, 0, 0};
    });
    QVERIFY(f.Connect());
    COutputDlg& page = f.Page();
    QCOMPARE(page.FreqEdit(3)->text(), QStringLiteral("250"));
    QCOMPARE(page.QEdit(3)->Code(), 40);
    QCOMPARE(page.QEdit(3)->text(), page.QEdit(3)->TextOf(40));
    QCOMPARE(page.GainEdit(3)->text(), QStringLiteral("6.0"));
    QVERIFY(f.ShowsGain(3, 260, false));
    QCOMPARE(page.FreqEdit(8)->text(), QStringLiteral("1200"));
    QCOMPARE(page.GainEdit(8)->text(), QStringLiteral("0.0"));
    QVERIFY(f.ShowsGain(8, kFlat, true));
    QVERIFY(!f.AllBypass()->isChecked()); // band 3 is not bypassed
    QVERIFY(page.FreqEdit(3)->isEnabled());
}

void TestOutputDlg::gainAndBypassRules_data() {
    QTest::addColumn<int>("start"); // gain code the band starts at; 200 is flat, which is bypassed
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("bypassed");
    QTest::addColumn<int>("ownGain"); // the gain code the filter keeps

    QTest::newRow("nonzero gain typed into a bypassed band ends its bypass")
        << kFlat << Action::TypeGain << "3.5" << 235 << false << 235;
    QTest::newRow("negative gain typed into a bypassed band ends its bypass")
        << kFlat << Action::TypeGain << "-12" << 80 << false << 80;
    QTest::newRow("0.0 typed bypasses") << 260 << Action::TypeGain << "0" << kFlat << true << kFlat;
    QTest::newRow("code 200 from the fader bypasses")
        << 230 << Action::FaderPageDown << "" << kFlat << true << kFlat;
    QTest::newRow("the fader off the centre ends bypass")
        << kFlat << Action::FaderPageUp << "" << 230 << false << 230;
    QTest::newRow("BY on a band at 0.0 dB leaves it bypassed")
        << kFlat << Action::ClickBypass << "" << kFlat << true << kFlat;
    QTest::newRow("BY on a boosted band bypasses it, its gain kept")
        << 260 << Action::ClickBypass << "" << kFlat << true << 260;
    QTest::newRow("BY twice brings the gain back")
        << 260 << Action::ClickBypassTwice << "" << 260 << false << 260;
}

// What the gain editor, the fader and BY do to a band's bypass, on the page, in the model and on the device.
void TestOutputDlg::gainAndBypassRules() {
    QFETCH(int, start);
    QFETCH(Action, action);
    QFETCH(QString, typed);
    QFETCH(int, shown);
    QFETCH(bool, bypassed);
    QFETCH(int, ownGain);
    constexpr int band = 6;
    PageRig f;
    QVERIFY(f.active);
    QVERIFY(f.Connect());
    if (start != kFlat)
        f.Editor().SetBandGain(0, band, start);
    QVERIFY(f.ShowsGain(band, start, start == kFlat));

    COutputDlg& page = f.Page();
    switch (action) {
    case Action::TypeGain:
        Type(page.GainEdit(band), typed);
        break;
    case Action::FaderPageUp:
    case Action::FaderPageDown:
        page.Slider(band)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(page.Slider(band), action == Action::FaderPageUp ? Qt::Key_PageUp : Qt::Key_PageDown);
        break;
    case Action::ClickBypassTwice:
        QTest::mouseClick(page.BypassButton(band), Qt::LeftButton);
        QVERIFY(f.ShowsGain(band, kFlat, true));
        [[fallthrough]];
    case Action::ClickBypass:
        QTest::mouseClick(page.BypassButton(band), Qt::LeftButton);
        break;
    case Action::AllBypass:
        QFAIL("not a band's own control");
    }
    QTRY_VERIFY_WITH_TIMEOUT(f.ShowsGain(band, shown, bypassed), FormRig::kLimit);
    QCOMPARE(page.GainEdit(band)->text(), QString::number((shown - kFlat) / 10.0, 'f', 1));
    QCOMPARE(EqGainCode(f.Band(0, band).GetGain()), ownGain);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.DeviceBand(0, band).gain), kDeviceGainOffset + shown, FormRig::kLimit);
    // The band the user is on is the graph's and the page's selection: after Enter, the next band's gain.
    const int at = action == Action::TypeGain ? band + 1 : band;
    QCOMPARE(f.Graph().Highlight(), at);
    QCOMPARE(page.HighlightedBand(), at);
    QCOMPARE(page.HighlightedEditor(), page.GainEdit(at));
}

void TestOutputDlg::allBypassToggle_data() {
    QTest::addColumn<bool>("boosted");       // band 4 at +6 dB, every other band flat
    QTest::addColumn<QList<bool>>("states"); // the button after each of two clicks
    QTest::newRow("every band flat: switching off leaves it on") << false << QList<bool>{true, true};
    QTest::newRow("a boosted band: on, then off") << true << QList<bool>{true, false};
}

// The form's all-bypass button runs the page's toggle and shows the state the channel ends in; the bands
// show bypass while it is on and their own gains once it is off.
void TestOutputDlg::allBypassToggle() {
    QFETCH(bool, boosted);
    QFETCH(QList<bool>, states);
    constexpr int band = 4;
    PageRig f;
    QVERIFY(f.Connect());
    if (boosted)
        f.Editor().SetBandGain(0, band, 260);
    CBitmapButton* button = f.AllBypass();
    QCOMPARE(button->isChecked(), !boosted); // every band bypassed on its own shows as all-bypassed
    for (const bool on : states) {
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->isChecked(), on);
        const int code = on || !boosted ? kFlat : 260;
        QVERIFY(f.ShowsGain(band, code, on || !boosted));
        for (int b = 0; b < kBands; ++b)
            QCOMPARE(f.Page().BypassButton(b)->isChecked(), on || b != band || !boosted);
        QCOMPARE(f.Graph().Highlight(), -1);
        QTRY_COMPARE_WITH_TIMEOUT(int(f.DeviceBand(0, band).gain), kDeviceGainOffset + code, FormRig::kLimit);
    }
    QCOMPARE(EqGainCode(f.Band(0, band).GetGain()), boosted ? 260 : kFlat);
}

void TestOutputDlg::editsFollowTheLinkGroupOnly_data() {
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("code");
    QTest::newRow("gain editor") << Action::TypeGain << 245;
    QTest::newRow("fader") << Action::FaderPageUp << 245; // 215 + 3 dB
    QTest::newRow("all-bypass") << Action::AllBypass << kFlat;
}

// Channels 0 and 1 in one group, channel 2 in another: an edit of band 5 on channel 0 changes band 5 of
// channel 1, in the model, on the device and on the page once channel 1 is shown, and not of channel 2.
void TestOutputDlg::editsFollowTheLinkGroupOnly() {
    QFETCH(Action, action);
    QFETCH(int, code);
    constexpr int band = 5;
    PageRig f;
    QVERIFY(f.Connect());
    f.Editor().SetBandGain(0, band, 215);
    f.Editor().CopyIntoGroup(1, 0);
    f.Editor().SetBandGain(2, band, 215);
    QVERIFY(f.ShowsGain(band, 215, false));
    COutputDlg& page = f.Page();
    switch (action) {
    case Action::TypeGain:
        Type(page.GainEdit(band), QStringLiteral("4.5"));
        break;
    case Action::FaderPageUp:
        page.Slider(band)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(page.Slider(band), Qt::Key_PageUp);
        break;
    default:
        QTest::mouseClick(f.AllBypass(), Qt::LeftButton);
        break;
    }
    QTRY_VERIFY_WITH_TIMEOUT(f.ShowsGain(band, code, code == kFlat), FormRig::kLimit);
    QCOMPARE(f.Band(1, band).GetGainCode(), code);
    QCOMPARE(f.Band(2, band).GetGainCode(), 215);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.DeviceBand(1, band).gain), kDeviceGainOffset + code, FormRig::kLimit);
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(int(f.DeviceBand(2, band).gain), kDeviceGainOffset + 215);

    f.View().SelectChannel(1);
    QVERIFY(f.ShowsGain(band, code, code == kFlat));
    QCOMPARE(f.AllBypass()->isChecked(), action == Action::AllBypass);
    f.View().SelectChannel(2);
    QVERIFY(f.ShowsGain(band, 215, false));
    QVERIFY(!f.AllBypass()->isChecked());
}

// A channel read with EQ mode 1 (graphic) shows its frequency and Q editors disabled, Enter skips them, and
// its handles on the graph move only vertically; a parametric channel's editors work again.
void TestOutputDlg::graphicModeFromTheDevice() {
    PageRig f;
    QVERIFY(f.active);
    f.Sim().ModifyState([](SimState& s) {
        s.live.outputs[0].eqMode = 1;
        s.live.outputs[0].bands[17] = {1000, kDeviceGainOffset + 260, 60, 0, 0};
    });
    QVERIFY(f.Connect());
    COutputDlg& page = f.Page();
    for (int b = 0; b < kBands; ++b) {
        QVERIFY(!page.FreqEdit(b)->isEnabled());
        QVERIFY(!page.QEdit(b)->isEnabled());
        QVERIFY(page.GainEdit(b)->isEnabled());
        QVERIFY(page.Slider(b)->isEnabled());
        QVERIFY(page.BypassButton(b)->isEnabled());
    }
    page.GainEdit(30)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(page.GainEdit(30), Qt::Key_Return);
    QCOMPARE(f.Focus(), QString::number(kGainEdit)); // round to the first gain, past the disabled rows

    CFStatic& graph = f.Graph();
    const QPoint handle = Centre(f.Band(0, 17).HandleRect());
    DragOnGraph(graph, handle, handle + QPoint(150, 40));
    QCOMPARE(f.Band(0, 17).GetFreq(), 1000);
    QVERIFY(f.Band(0, 17).GetGainCode() < 260);
    QCOMPARE(f.Band(0, 17).GetQIndex(), 60);
    QTRY_COMPARE_WITH_TIMEOUT(page.GainEdit(17)->Code(), f.Band(0, 17).GetGainCode(), FormRig::kLimit);
    QCOMPARE(page.FreqEdit(17)->Code(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.DeviceBand(0, 17).gain), kDeviceGainOffset + f.Band(0, 17).GetGainCode(),
                              FormRig::kLimit);
    QCOMPARE(int(f.DeviceBand(0, 17).freq), 1000);

    f.View().SelectChannel(1);
    QVERIFY(page.FreqEdit(17)->isEnabled());
    QVERIFY(page.QEdit(17)->isEnabled());
}

// A drag of a band's handle on the graph shows on the page through the graph's notification: the band's
// editors and fader follow, the band is highlighted with its gain editor, and the linked channel has it too.
// A notification about a channel no longer shown changes nothing.
void TestOutputDlg::graphDragShowsOnThePage() {
    PageRig f;
    QVERIFY(f.Connect());
    constexpr int band = 12;
    f.Editor().CopyIntoGroup(1, 0);
    f.Editor().SetBandGain(0, band, 260); // lifted off the row of flat handles
    QSignalSpy notified(&f.Graph(), &CFStatic::pointMoved);
    CFStatic& graph = f.Graph();
    const QPoint handle = Centre(f.Band(0, band).HandleRect());
    DragOnGraph(graph, handle, handle + QPoint(60, 50));
    QTRY_VERIFY_WITH_TIMEOUT(!notified.isEmpty(), FormRig::kLimit);
    QCOMPARE(notified.last().at(0).toInt(), band);

    COutputDlg& page = f.Page();
    const CFilter& filter = f.Band(0, band);
    QVERIFY(filter.GetFreq() > 251);
    QVERIFY(filter.GetGainCode() < 260);
    QTRY_COMPARE_WITH_TIMEOUT(page.HighlightedEditor(), page.GainEdit(band), FormRig::kLimit);
    QCOMPARE(page.HighlightedBand(), band);
    QCOMPARE(page.FreqEdit(band)->Code(), filter.GetFreq());
    QCOMPARE(page.QEdit(band)->Code(), filter.GetQIndex());
    QVERIFY(f.ShowsGain(band, filter.GetGainCode(), filter.GetEffectiveBypass() != 0));
    QCOMPARE(f.Band(1, band).GetFreq(), filter.GetFreq());
    QCOMPARE(f.Band(1, band).GetGainCode(), filter.GetGainCode());

    QCoreApplication::postEvent(
        &f.View(), new CQtNotifier::MessageEvent(UM_GRAPH_POINT_MOVED, 3, CFStatic::kSourceIdBase + 4));
    QCoreApplication::processEvents();
    QCOMPARE(page.HighlightedBand(), band);
    QCOMPARE(page.HighlightedEditor(), page.GainEdit(band));
}

// A click into a band's editor selects that band on the graph and highlights its number; a band chosen on
// the graph is highlighted on the page; choosing another channel clears the highlight.
void TestOutputDlg::pageAndGraphSelectTheSameBand() {
    PageRig f;
    COutputDlg& page = f.Page();
    QTest::mouseClick(page.QEdit(7), Qt::LeftButton);
    QCOMPARE(f.Graph().Highlight(), 7);
    QCOMPARE(page.HighlightedBand(), 7);
    QCOMPARE(page.HighlightedEditor(), page.QEdit(7));
    for (int b = 0; b < kBands; ++b)
        QCOMPARE(page.Number(b)->Colour(), b == 7 ? QColor(58, 114, 255) : QColor(200, 200, 200));

    f.Editor().SetBandGain(0, 20, 300);
    const QPoint handle = Centre(f.Band(0, 20).HandleRect());
    DragOnGraph(f.Graph(), handle, handle, 0); // a click on its handle
    QCOMPARE(f.Graph().Highlight(), 20);
    QCOMPARE(page.HighlightedBand(), 20);
    QCOMPARE(page.Number(20)->Colour(), QColor(58, 114, 255));
    QCOMPARE(page.Number(7)->Colour(), QColor(200, 200, 200));

    QTest::mouseClick(f.View().Strip(3)->SelectButton(), Qt::LeftButton);
    QCOMPARE(page.HighlightedBand(), -1);
    QCOMPARE(page.HighlightedEditor(), nullptr);
}

// Choosing a channel and reloading the model fill the page from the current channel.
void TestOutputDlg::channelSelectionAndReloadFillThePage() {
    PageRig f;
    QVERIFY(f.Connect());
    f.Editor().SetBandGain(3, 9, 150);
    f.Editor().SetBandFreq(3, 9, 777);
    QCOMPARE(f.Page().GainEdit(9)->Code(), kFlat); // channel 0 is shown
    QTest::mouseClick(f.View().Strip(3)->SelectButton(), Qt::LeftButton);
    QCOMPARE(f.Page().Channel(), 3);
    QCOMPARE(f.Graph().Channel(), 3);
    QVERIFY(f.ShowsGain(9, 150, false));
    QCOMPARE(f.Page().FreqEdit(9)->text(), QStringLiteral("777"));

    // The device's own values come back with a new read.
    QTest::mouseClick(f.View().TitleBar().Button(CTitleBar::kConnect), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(f.Controller().Idle(), FormRig::kLimit);
    f.Sim().ModifyState([](SimState& s) {
        s.live.outputs[3].bands[9] = {640, kDeviceGainOffset + 230, 20, 0, 0};
    });
    QVERIFY(f.Connect());
    QCOMPARE(f.Page().Channel(), 3);
    QVERIFY(f.ShowsGain(9, 230, false));
    QCOMPARE(f.Page().FreqEdit(9)->text(), QStringLiteral("640"));
}

void TestOutputDlg::keys_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("to"); // the object name of the control that has the focus afterwards
    const QString page = QStringLiteral("eqPage");
    const auto id = [](int n) { return QString::number(n); };
    QTest::newRow("Right on a fader") << kSlider + 5 << int(Qt::Key_Right) << id(kSlider + 6);
    QTest::newRow("Left on a fader") << kSlider + 5 << int(Qt::Key_Left) << id(kSlider + 4);
    QTest::newRow("Left on the first fader wraps") << kSlider << int(Qt::Key_Left) << id(kSlider + 30);
    QTest::newRow("Right on the last fader wraps") << kSlider + 30 << int(Qt::Key_Right) << id(kSlider);
    QTest::newRow("Enter in a frequency") << kFreqEdit + 3 << int(Qt::Key_Return) << id(kFreqEdit + 4);
    QTest::newRow("keypad Enter in a Q") << kQEdit + 3 << int(Qt::Key_Enter) << id(kQEdit + 4);
    QTest::newRow("Enter in the last frequency") << kFreqEdit + 30 << int(Qt::Key_Return) << id(kQEdit);
    QTest::newRow("Enter in the last Q") << kQEdit + 30 << int(Qt::Key_Return) << id(kGainEdit);
    QTest::newRow("Enter in the last gain") << kGainEdit + 30 << int(Qt::Key_Return) << id(kFreqEdit);
    QTest::newRow("Tab in a band goes down its column")
        << kFreqEdit + 2 << int(Qt::Key_Tab) << id(kQEdit + 2);
    QTest::newRow("Tab from a band's BY to the next band")
        << kBypass + 2 << int(Qt::Key_Tab) << id(kFreqEdit + 3);
    QTest::newRow("Tab on the last gain: the window's next control")
        << kGainEdit + 30 << int(Qt::Key_Tab) << id(kSlider + 30);
    QTest::newRow("Tab on the page's last control leaves it")
        << kBypass + 30 << int(Qt::Key_Tab) << id(CTitleBar::kConnect);
    QTest::newRow("Backtab on the first control leaves it")
        << kFreqEdit << int(Qt::Key_Backtab) << id(CTavelView::kAllBypass);
    QTest::newRow("Tab on the form's last EQ button enters the page")
        << int(CTavelView::kAllBypass) << int(Qt::Key_Tab) << id(kFreqEdit);
    QTest::newRow("Enter on a fader") << kSlider + 3 << int(Qt::Key_Return) << page;
    QTest::newRow("Escape on a fader") << kSlider + 3 << int(Qt::Key_Escape) << page;
    QTest::newRow("Escape in an editor") << kGainEdit + 3 << int(Qt::Key_Escape) << page;
    QTest::newRow("Enter on BY") << kBypass + 3 << int(Qt::Key_Return) << page;
    QTest::newRow("Escape on BY") << kBypass + 3 << int(Qt::Key_Escape) << page;
}

// Where a key moves the focus; no key closes anything or changes a value on its own.
void TestOutputDlg::keys() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(QString, to);
    PageRig f;
    QVERIFY(f.active);
    QVERIFY(f.Connect());
    const OutputBlock before = f.Sim().State().live.outputs[0];
    QWidget* start = f.View().findChild<QWidget*>(QString::number(from));
    QVERIFY(start);
    start->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.Focus(), QString::number(from));
    QTest::keyClick(start, Qt::Key(key), key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(f.Focus(), to);
    QVERIFY(f.frame->isVisible());
    QVERIFY(VisibleBoxes().isEmpty());
    QVERIFY(f.WaitForPolls(3));
    const OutputBlock after = f.Sim().State().live.outputs[0];
    QVERIFY(std::memcmp(&before.bands, &after.bands, sizeof before.bands) == 0);
    for (int b = 0; b < kBands; ++b)
        QVERIFY(f.ShowsGain(b, kFlat, true));
}

// Enter takes what was typed before the focus moves on; Up and Down on a fader step its gain and keep the
// focus there.
void TestOutputDlg::enterTakesTypedTextAndArrowsStepAFader() {
    PageRig f;
    QVERIFY(f.active);
    QVERIFY(f.Connect());
    COutputDlg& page = f.Page();
    Type(page.FreqEdit(3), QStringLiteral("1000"));
    QCOMPARE(f.Band(0, 3).GetFreq(), 1000);
    QCOMPARE(page.FreqEdit(3)->text(), QStringLiteral("1000"));
    QCOMPARE(f.Focus(), QString::number(kFreqEdit + 4));
    Type(page.QEdit(3), QStringLiteral("2.5"));
    QCOMPARE(f.Band(0, 3).GetQIndex(), page.QEdit(3)->Code());
    QCOMPARE(page.QEdit(3)->Code(), page.QEdit(3)->Parse(QStringLiteral("2.5")));
    QCOMPARE(page.QEdit(3)->text(), page.QEdit(3)->TextOf(page.QEdit(3)->Code())); // shown as the editor does
    Type(page.GainEdit(3), QStringLiteral("3.25"));
    QCOMPARE(page.GainEdit(3)->text(), QStringLiteral("3.2"));
    QVERIFY(f.ShowsGain(3, 232, false));

    CBitmapSlider* fader = page.Slider(9);
    fader->setFocus(Qt::TabFocusReason);
    QTest::keyClick(fader, Qt::Key_Up);
    QTRY_VERIFY_WITH_TIMEOUT(f.ShowsGain(9, kFlat + 5, false), FormRig::kLimit);
    QCOMPARE(f.Focus(), QString::number(kSlider + 9));
    QTest::keyClick(fader, Qt::Key_Down);
    QTRY_VERIFY_WITH_TIMEOUT(f.ShowsGain(9, kFlat, true), FormRig::kLimit);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.DeviceBand(0, 3).gain), kDeviceGainOffset + 232, FormRig::kLimit);
    QCOMPARE(int(f.DeviceBand(0, 3).qIndex), f.Band(0, 3).GetQIndex());
}

void TestOutputDlg::accessibleNames_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("id");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::newRow("frequency") << 0 << kFreqEdit + 4 << QAccessible::SpinBox << "Band 5 frequency";
    QTest::newRow("frequency, Chinese") << 1 << kFreqEdit + 4 << QAccessible::SpinBox << "频段 5 频率";
    QTest::newRow("Q") << 0 << kQEdit << QAccessible::SpinBox << "Band 1 Q";
    QTest::newRow("Q, Chinese") << 1 << kQEdit << QAccessible::SpinBox << "频段 1 Q值";
    QTest::newRow("gain") << 0 << kGainEdit + 30 << QAccessible::SpinBox << "Band 31 gain";
    QTest::newRow("fader") << 0 << kSlider + 10 << QAccessible::Slider << "Band 11 gain";
    QTest::newRow("fader, Chinese") << 1 << kSlider + 10 << QAccessible::Slider << "频段 11 增益";
    QTest::newRow("BY") << 0 << kBypass + 2 << QAccessible::Button << "Band 3 bypass";
    QTest::newRow("BY, Chinese") << 1 << kBypass + 2 << QAccessible::Button << "频段 3 直通";
    QTest::newRow("number") << 0 << kNumber + 8 << QAccessible::StaticText << "Band 9";
}

// Every control of the page names itself in the interface language and says what it is.
void TestOutputDlg::accessibleNames() {
    QFETCH(int, language);
    QFETCH(int, id);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    PageRig f(language);
    QWidget* w = f.View().findChild<QWidget*>(QString::number(id));
    QVERIFY(w);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    QVERIFY(a);
    QCOMPARE(a->text(QAccessible::Name), name);
    QCOMPARE(a->role(), role);
    if (auto* button = qobject_cast<CBitmapButton*>(w)) {
        QVERIFY(a->state().checkable);
        QCOMPARE(button->text(), QStringLiteral("BY"));
    }
}

// The language switch renames every band's controls and switches back again.
void TestOutputDlg::languageSwitchRenamesEveryControl() {
    PageRig f;
    COutputDlg& page = f.Page();
    const auto names = [&] {
        QStringList all;
        for (int b = 0; b < kBands; ++b)
            all << page.FreqEdit(b)->accessibleName() << page.QEdit(b)->accessibleName()
                << page.GainEdit(b)->accessibleName() << page.Slider(b)->accessibleName()
                << page.BypassButton(b)->accessibleName();
        return all;
    };
    const QStringList english = names();
    QCOMPARE(english.mid(0, 5),
             (QStringList{"Band 1 frequency", "Band 1 Q", "Band 1 gain", "Band 1 gain", "Band 1 bypass"}));
    f.View().ToggleLanguage();
    QTRY_COMPARE_WITH_TIMEOUT(page.FreqEdit(0)->accessibleName(), QStringLiteral("频段 1 频率"),
                              FormRig::kLimit);
    const QStringList chinese = names();
    QCOMPARE(chinese.mid(150),
             (QStringList{"频段 31 频率", "频段 31 Q值", "频段 31 增益", "频段 31 增益", "频段 31 直通"}));
    f.View().ToggleLanguage();
    QTRY_COMPARE_WITH_TIMEOUT(names(), english, FormRig::kLimit);
}

QTEST_MAIN(TestOutputDlg)
#include "tst_OutputDlg.moc"
