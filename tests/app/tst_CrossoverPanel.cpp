// The crossover panel against the simulated device: what its edits and lists show and send, the corners
// that never cross, linked channels, the off slope, corners dragged on the graph, selection, language.
#include "app/CrossoverPanel.h"
#include "app/MasterPanel.h"
#include "app/TavelApp.h"
#include "base/DataDefine.h"
#include "editors/FStatic.h"
#include "editors/NumSpin.h"
#include "link/Notifier.h"
#include "link/QtNotifier.h"
#include "model/KTV_Data.h"

#include "app/FormActions.h"

#include <QAccessible>

#include <algorithm>
#include <cmath>

namespace {

using Panel = CCrossoverPanel;

CFilter& FilterOf(FormRig& f, int channel, Xover which) {
    CKTV_OutData& ch = f.session->Data().Channel(channel);
    return which == Xover::HighPass ? ch.HighPass() : ch.LowPass();
}

const XoverRecord& DeviceFilter(const SimState& s, int channel, Xover which) {
    const OutputBlock& out = s.live.outputs[channel];
    return which == Xover::HighPass ? out.highPass : out.lowPass;
}

// CH3 set apart from the others on the box: a Bessel high-pass at 120 Hz, 24 dB/Oct, a Link_Ril low-pass at
// 6300 Hz, 12 dB/Oct.
void TuneChannel3(SimState& s) {
    OutputBlock& out = s.live.outputs[2];
    out.highPass = {120, 1, 3};
    out.lowPass = {6300, 0, 1};
}

enum class Part { Family, Slope, Freq };

} // namespace

Q_DECLARE_METATYPE(Xover)
Q_DECLARE_METATYPE(Part)

class TestCrossoverPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CTavelApp::SetUpApplication(*qApp); }

    void controlsSitInTheCrossoverArea_data();
    void controlsSitInTheCrossoverArea();
    void panelShowsTheCurrentChannel();
    void listsSendTheChosenEntry_data();
    void listsSendTheChosenEntry();
    void cornersNeverCross_data();
    void cornersNeverCross();
    void arrowKeysStepAlongTheGrid_data();
    void arrowKeysStepAlongTheGrid();
    void linkedChannelFollows_data();
    void linkedChannelFollows();
    void offSlopeLeavesAFlatCurve_data();
    void offSlopeLeavesAFlatCurve();
    void cornerDraggedOnTheGraphShowsInItsEdit_data();
    void cornerDraggedOnTheGraphShowsInItsEdit();
    void textsInBothLanguages_data();
    void textsInBothLanguages();
};

void TestCrossoverPanel::controlsSitInTheCrossoverArea_data() {
    QTest::addColumn<int>("id");
    for (const int id : {Panel::kHighPassEdit, Panel::kHighPassType, Panel::kHighPassSlope,
                         Panel::kLowPassEdit, Panel::kLowPassType, Panel::kLowPassSlope})
        QTest::addRow("%d", id) << id;
}

// Each control is shown inside the master region's crossover area and covers no other control; the
// frequency edits' value holders exist but are never shown.
void TestCrossoverPanel::controlsSitInTheCrossoverArea() {
    QFETCH(int, id);
    FormRig f;
    QWidget* form = &f.View();
    const QList<QWidget*> named = form->findChildren<QWidget*>(QString::number(id));
    QCOMPARE(named.size(), 1);
    QWidget* w = named.front();
    QVERIFY(w->isVisible());
    const QRect area = CMasterPanel::kCrossoverArea.translated(
        CTavelView::RegionRect(CTavelView::Region::MasterPanel).topLeft());
    QVERIFY(area.contains(InForm(w, form)));
    for (QWidget* other : form->findChildren<QWidget*>()) {
        bool numbered = false;
        other->objectName().toInt(&numbered);
        if (other != w && numbered && other->isVisible())
            QVERIFY2(!InForm(other, form).intersects(InForm(w, form)), qPrintable(other->objectName()));
    }
    for (const int spin : {Panel::kHighPassSpin, Panel::kLowPassSpin}) {
        auto* holder = f.Find<CNumSpin>(spin);
        QVERIFY(holder);
        QVERIFY(!holder->isVisible());
    }
}

// After the read-back the panel shows CH1; selecting CH3 shows CH3's filters as the box holds them, and
// CH1 again shows CH1's.
void TestCrossoverPanel::panelShowsTheCurrentChannel() {
    FormRig f;
    f.Sim().ModifyState(TuneChannel3);
    QVERIFY(f.Connect());
    Panel& panel = f.View().CrossoverPanel();
    const auto shown = [&panel] {
        return QStringList{
            panel.FreqEdit(Xover::HighPass)->text(),         panel.TypeList(Xover::HighPass)->CurrentText(),
            panel.SlopeList(Xover::HighPass)->CurrentText(), panel.FreqEdit(Xover::LowPass)->text(),
            panel.TypeList(Xover::LowPass)->CurrentText(),   panel.SlopeList(Xover::LowPass)->CurrentText()};
    };
    const QStringList ch1 = shown();
    QCOMPARE(ch1.at(0), FilterOf(f, 0, Xover::HighPass).FreqText());
    QCOMPARE(ch1.at(3), FilterOf(f, 0, Xover::LowPass).FreqText());

    f.View().SelectChannel(2);
    QCOMPARE(shown(), (QStringList{"120Hz", "Bessel", "24dB/Oct", "6300Hz", "Link_Ril", "12dB/Oct"}));
    QCOMPARE(panel.SlopeList(Xover::HighPass)->Count(), 7);
    f.View().SelectChannel(0);
    QCOMPARE(shown(), ch1);
}

void TestCrossoverPanel::listsSendTheChosenEntry_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<Xover>("which");
    QTest::addColumn<Part>("part");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("high-pass type") << int(Panel::kHighPassType) << Xover::HighPass << Part::Family << 1
                                    << "Bessel";
    QTest::newRow("high-pass slope") << int(Panel::kHighPassSlope) << Xover::HighPass << Part::Slope << 5
                                     << "48dB/Oct";
    QTest::newRow("low-pass type") << int(Panel::kLowPassType) << Xover::LowPass << Part::Family << 0
                                   << "Link_Ril";
    QTest::newRow("low-pass slope") << int(Panel::kLowPassSlope) << Xover::LowPass << Part::Slope << 0
                                    << "6dB/Oct";
}

// A chosen family or slope reaches the current channel's filter on the device, and the list shows it.
void TestCrossoverPanel::listsSendTheChosenEntry() {
    QFETCH(int, id);
    QFETCH(Xover, which);
    QFETCH(Part, part);
    QFETCH(int, index);
    QFETCH(QString, text);
    FormRig f;
    QVERIFY(f.Connect());
    f.View().SelectChannel(3);
    auto* list = f.Find<CListButton>(id);
    QVERIFY(ChooseFromList(list, index));
    QCOMPARE(list->CurrentText(), text);
    const CFilter& filter = FilterOf(f, 3, which);
    // The list's message reaches the form through the event loop.
    QTRY_COMPARE_WITH_TIMEOUT(part == Part::Family ? filter.GetFamily() : filter.GetSlope(), index,
                              FormRig::kLimit);
    QTRY_COMPARE_WITH_TIMEOUT(part == Part::Family ? int(DeviceFilter(f.Sim().State(), 3, which).family)
                                                   : int(DeviceFilter(f.Sim().State(), 3, which).slope),
                              index, FormRig::kLimit);
    // CH1, not the current channel, is left as it was.
    QCOMPARE(part == Part::Family ? FilterOf(f, 0, which).GetFamily() : FilterOf(f, 0, which).GetSlope(),
             part == Part::Family ? int(CFilter::Butterworth) : 2);
}

void TestCrossoverPanel::cornersNeverCross_data() {
    QTest::addColumn<Xover>("edited");
    QTest::addColumn<int>("highPass"); // corners before
    QTest::addColumn<int>("lowPass");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("highPassAfter");
    QTest::addColumn<int>("lowPassAfter");
    QTest::newRow("high-pass 3000 over a low-pass at 2000")
        << Xover::HighPass << 100 << 2000 << "3000" << 2000 << 2000;
    QTest::newRow("low-pass 500 under a high-pass at 800")
        << Xover::LowPass << 800 << 5000 << "500" << 800 << 800;
    QTest::newRow("high-pass below the low-pass") << Xover::HighPass << 100 << 2000 << "1500" << 1500 << 2000;
    QTest::newRow("low-pass above the high-pass") << Xover::LowPass << 800 << 5000 << "12000" << 800 << 12000;
    QTest::newRow("high-pass typed out of range") << Xover::HighPass << 100 << 20000 << "5" << 20 << 20000;
}

// A typed corner goes to the device; one that would cross the other filter's corner is set to it, silently.
void TestCrossoverPanel::cornersNeverCross() {
    QFETCH(Xover, edited);
    QFETCH(int, highPass);
    QFETCH(int, lowPass);
    QFETCH(QString, typed);
    QFETCH(int, highPassAfter);
    QFETCH(int, lowPassAfter);
    FormRig f;
    QVERIFY(f.Connect());
    f.Editor().SetXoverFreq(0, Xover::LowPass, lowPass);
    f.Editor().SetXoverFreq(0, Xover::HighPass, highPass);
    Panel& panel = f.View().CrossoverPanel();

    TypeInto(panel.FreqEdit(edited), typed);
    QCOMPARE(panel.FreqEdit(Xover::HighPass)->text(), QStringLiteral("%1Hz").arg(highPassAfter));
    QCOMPARE(panel.FreqEdit(Xover::LowPass)->text(), QStringLiteral("%1Hz").arg(lowPassAfter));
    QCOMPARE(FilterOf(f, 0, Xover::HighPass).GetFreq(), highPassAfter);
    QCOMPARE(FilterOf(f, 0, Xover::LowPass).GetFreq(), lowPassAfter);
    QTRY_COMPARE_WITH_TIMEOUT(int(DeviceFilter(f.Sim().State(), 0, Xover::HighPass).freq), highPassAfter,
                              FormRig::kLimit);
    QTRY_COMPARE_WITH_TIMEOUT(int(DeviceFilter(f.Sim().State(), 0, Xover::LowPass).freq), lowPassAfter,
                              FormRig::kLimit);
    QVERIFY(VisibleBoxes().isEmpty());
}

void TestCrossoverPanel::arrowKeysStepAlongTheGrid_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("up") << Qt::Key_Up << 1030;
    QTest::newRow("down") << Qt::Key_Down << 972;
}

// Up and Down in a frequency edit step its corner along the response grid and send it at once.
void TestCrossoverPanel::arrowKeysStepAlongTheGrid() {
    QFETCH(Qt::Key, key);
    QFETCH(int, expected);
    FormRig f;
    QVERIFY(f.Connect());
    f.Editor().SetXoverFreq(0, Xover::HighPass, 1000);
    CNumEdit* edit = f.View().CrossoverPanel().FreqEdit(Xover::HighPass);
    QCOMPARE(edit->text(), QStringLiteral("1000Hz"));
    edit->setFocus();
    QTest::keyClick(edit, key);
    QCOMPARE(FilterOf(f, 0, Xover::HighPass).GetFreq(), expected);
    QCOMPARE(edit->Code(), expected);
    QTRY_COMPARE_WITH_TIMEOUT(int(DeviceFilter(f.Sim().State(), 0, Xover::HighPass).freq), expected,
                              FormRig::kLimit);
}

void TestCrossoverPanel::linkedChannelFollows_data() {
    QTest::addColumn<Xover>("which");
    QTest::addColumn<Part>("part");
    QTest::addColumn<int>("value"); // list index or corner
    QTest::newRow("high-pass slope") << Xover::HighPass << Part::Slope << 3;
    QTest::newRow("high-pass type") << Xover::HighPass << Part::Family << 0;
    QTest::newRow("high-pass corner") << Xover::HighPass << Part::Freq << 250;
    QTest::newRow("low-pass slope") << Xover::LowPass << Part::Slope << 4;
    QTest::newRow("low-pass corner") << Xover::LowPass << Part::Freq << 3150;
}

// CH1 and CH2 linked: a crossover edit on CH1 changes CH2 too, in the model and on the device; CH3 stays.
void TestCrossoverPanel::linkedChannelFollows() {
    QFETCH(Xover, which);
    QFETCH(Part, part);
    QFETCH(int, value);
    FormRig f;
    QVERIFY(f.Connect());
    f.Editor().CopyIntoGroup(1, 0);
    Panel& panel = f.View().CrossoverPanel();
    switch (part) {
    case Part::Family:
        QVERIFY(ChooseFromList(panel.TypeList(which), value));
        break;
    case Part::Slope:
        QVERIFY(ChooseFromList(panel.SlopeList(which), value));
        break;
    case Part::Freq:
        TypeInto(panel.FreqEdit(which), QString::number(value));
        break;
    }
    const auto modelValue = [&](int channel) {
        const CFilter& filter = FilterOf(f, channel, which);
        return part == Part::Family  ? filter.GetFamily()
               : part == Part::Slope ? filter.GetSlope()
                                     : filter.GetFreq();
    };
    const auto deviceValue = [&](int channel) {
        const XoverRecord r = DeviceFilter(f.Sim().State(), channel, which);
        return part == Part::Family ? int(r.family) : part == Part::Slope ? int(r.slope) : int(r.freq);
    };
    const int untouched = modelValue(2);
    QVERIFY(untouched != value);
    for (const int c : {0, 1}) {
        QTRY_COMPARE_WITH_TIMEOUT(modelValue(c), value, FormRig::kLimit);
        QTRY_COMPARE_WITH_TIMEOUT(deviceValue(c), value, FormRig::kLimit);
    }
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(deviceValue(2), untouched);
}

void TestCrossoverPanel::offSlopeLeavesAFlatCurve_data() {
    QTest::addColumn<Xover>("which");
    QTest::addColumn<int>("corner");
    QTest::newRow("high-pass") << Xover::HighPass << 1000;
    QTest::newRow("low-pass") << Xover::LowPass << 1000;
}

// "关闭", the last slope of the list in either language, switches the filter off: its response is 0 dB
// everywhere, where before it fell away well below 0 dB.
void TestCrossoverPanel::offSlopeLeavesAFlatCurve() {
    QFETCH(Xover, which);
    QFETCH(int, corner);
    FormRig f;
    f.Editor().SetXoverFreq(0, which, corner);
    const CFilter& filter = FilterOf(f, 0, which);
    const auto deepest = [&filter] {
        const auto& r = filter.Response();
        return *std::min_element(r.begin(), r.end());
    };
    QVERIFY(deepest() < -20.0);

    CListButton* slope = f.View().CrossoverPanel().SlopeList(which);
    QCOMPARE(slope->Entries().at(kSlopeOff).In(0), QStringLiteral("关闭"));
    QCOMPARE(slope->Entries().at(kSlopeOff).In(1), QStringLiteral("关闭"));
    QVERIFY(ChooseFromList(slope, kSlopeOff));
    QCOMPARE(slope->CurrentText(), QStringLiteral("关闭"));
    QTRY_COMPARE_WITH_TIMEOUT(filter.GetSlope(), kSlopeOff, FormRig::kLimit);
    for (const double db : filter.Response())
        QVERIFY(std::abs(db) < 1e-9);
}

void TestCrossoverPanel::cornerDraggedOnTheGraphShowsInItsEdit_data() {
    QTest::addColumn<int>("point");
    QTest::addColumn<Xover>("which");
    QTest::addColumn<int>("corner");
    QTest::newRow("high-pass, 31") << int(CFStatic::kHighPassPoint) << Xover::HighPass << 315;
    QTest::newRow("low-pass, 32") << int(CFStatic::kLowPassPoint) << Xover::LowPass << 8000;
}

// The graph moves a corner itself and then posts UM_GRAPH_POINT_MOVED: the edit of that corner shows the
// filter's new frequency when the message arrives (not before), and the other edit stays.
void TestCrossoverPanel::cornerDraggedOnTheGraphShowsInItsEdit() {
    QFETCH(int, point);
    QFETCH(Xover, which);
    QFETCH(int, corner);
    FormRig f;
    Panel& panel = f.View().CrossoverPanel();
    const Xover other = which == Xover::HighPass ? Xover::LowPass : Xover::HighPass;
    const QString otherText = panel.FreqEdit(other)->text();
    const QString before = panel.FreqEdit(which)->text();
    FilterOf(f, 0, which).SetFreq(corner, 1); // as a drag leaves the filter, without the editor's signal
    QCOMPARE(panel.FreqEdit(which)->text(), before);

    QCoreApplication::postEvent(&f.View(),
                                new CQtNotifier::MessageEvent(UM_GRAPH_POINT_MOVED, point, 768 + 0));
    QTRY_COMPARE_WITH_TIMEOUT(panel.FreqEdit(which)->text(), QStringLiteral("%1Hz").arg(corner),
                              FormRig::kLimit);
    QCOMPARE(panel.FreqEdit(which)->Code(), corner);
    QCOMPARE(panel.FreqEdit(other)->text(), otherText);
}

void TestCrossoverPanel::textsInBothLanguages_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("id");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown"); // what the control shows with the start-up filters
    QTest::newRow("HPF frequency") << 0 << int(Panel::kHighPassEdit) << QAccessible::SpinBox
                                   << "High-pass frequency"
                                   << "20Hz";
    QTest::newRow("HPF type") << 0 << int(Panel::kHighPassType) << QAccessible::ComboBox << "High-pass type"
                              << "Butter_W";
    QTest::newRow("LPF slope") << 0 << int(Panel::kLowPassSlope) << QAccessible::ComboBox << "Low-pass slope"
                               << "18dB/Oct";
    QTest::newRow("LPF frequency, Chinese")
        << 1 << int(Panel::kLowPassEdit) << QAccessible::SpinBox << "低通频率"
        << "20000Hz";
    QTest::newRow("HPF type, Chinese")
        << 1 << int(Panel::kHighPassType) << QAccessible::ComboBox << "高通类型"
        << "巴特沃斯";
    QTest::newRow("HPF slope, Chinese")
        << 1 << int(Panel::kHighPassSlope) << QAccessible::ComboBox << "高通斜率"
        << "18dB/Oct";
}

// Each control names itself in the interface language and shows the system's texts; a language switch
// there and back brings every text back.
void TestCrossoverPanel::textsInBothLanguages() {
    QFETCH(int, language);
    QFETCH(int, id);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, shown);
    FormRig f(language);
    QWidget* w = f.View().findChild<QWidget*>(QString::number(id));
    QVERIFY(w);
    const auto texts = [w] {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        const QString show = qobject_cast<CListButton*>(w) ? qobject_cast<CListButton*>(w)->CurrentText()
                                                           : qobject_cast<CNumEdit*>(w)->text();
        return QStringList{a->text(QAccessible::Name), show};
    };
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    QCOMPARE(a->role(), role);
    QCOMPARE(texts(), (QStringList{name, shown}));

    f.View().ToggleLanguage();
    QTRY_VERIFY_WITH_TIMEOUT(texts().front() != name, FormRig::kLimit);
    f.View().ToggleLanguage();
    QTRY_COMPARE_WITH_TIMEOUT(texts(), (QStringList{name, shown}), FormRig::kLimit);
}

QTEST_MAIN(TestCrossoverPanel)
#include "tst_CrossoverPanel.moc"
