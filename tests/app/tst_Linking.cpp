// Channel linking from the Link button against the simulated device: the reference dialog, the copy onto
// the partner, edits that follow, the message when no pair forms, unlinking and the end of the link when
// the device is read again.
#include "app/CH_Link_Dlg.h"
#include "app/ChannelStrip.h"
#include "app/LinkRow.h"
#include "app/TavelApp.h"
#include "app/TitleBar.h"
#include "controls/BitmapButton.h"
#include "editors/NumEdit.h"
#include "model/KTV_Data.h"
#include "model/SystemSettings.h"

#include "app/FormRig.h"

#include <QAccessible>

#include <array>
#include <cstring>

namespace {

// Speaker type 1 (front left, high) on channel 0 and 7 (front right, high) on channel 1: one pair.
constexpr std::array<std::uint8_t, 12> kOnePair{1, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
// Front-left bands only: no pair forms.
constexpr std::array<std::uint8_t, 12> kNoPair{1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0};

void SetTypes(SimState& s, const std::array<std::uint8_t, 12>& types) {
    std::copy(types.begin(), types.end(), s.system.begin() + SystemLayout::kSpeakerTypeBytes);
}

// Channels 0 and 1 set apart on the device so that a copy shows.
void TuneChannels(SimState& s) {
    OutputBlock& a = s.live.outputs[0];
    OutputBlock& b = s.live.outputs[1];
    a.gainCode = 44;
    b.gainCode = 12;
    a.bands[4].gain = 400 + 260;
    b.bands[4].gain = 400 + 150;
    a.bands[9].qIndex = 30;
    b.bands[9].qIndex = 90;
    a.highPass.freq = 80;
    b.highPass.freq = 200;
}

// What CopyEqFrom carries: the 31 bands, both crossovers, gain and EQ mode.
bool SameEq(const OutputBlock& a, const OutputBlock& b) {
    return std::memcmp(a.bands, b.bands, sizeof a.bands) == 0 &&
           std::memcmp(&a.highPass, &b.highPass, sizeof a.highPass) == 0 &&
           std::memcmp(&a.lowPass, &b.lowPass, sizeof a.lowPass) == 0 && a.gainCode == b.gainCode &&
           a.eqMode == b.eqMode;
}

CCH_Link_Dlg* LinkDialog(FormRig& f) {
    CCH_Link_Dlg* dialog = f.View().LinkRow().LinkDialog();
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

// The Link button pressed, then the dialog answered by the button `answer` (0 for none: the window is
// closed), after choosing the reference with its toggle.
bool PressLink(FormRig& f, int reference, int answer = CCH_Link_Dlg::kOk) {
    QTest::mouseClick(f.Find<CBitmapButton>(CLinkRow::kLink), Qt::LeftButton);
    CCH_Link_Dlg* dialog = LinkDialog(f);
    if (!dialog)
        return false;
    QTest::mouseClick(dialog->Button(reference == 0 ? CCH_Link_Dlg::kFirst : CCH_Link_Dlg::kSecond),
                      Qt::LeftButton);
    if (answer == 0)
        dialog->close();
    else
        QTest::mouseClick(dialog->Button(answer), Qt::LeftButton);
    return QTest::qWaitFor([&] { return LinkDialog(f) == nullptr; }, FormRig::kLimit);
}

QList<int> PressedChannels(FormRig& f) {
    QList<int> channels;
    for (int c = 0; c < CTavelView::kShownChannels; ++c)
        if (f.Find<CBitmapButton>(CChannelStrip::kSelectBase + c)->isChecked())
            channels << c;
    return channels;
}

bool OwnGroups(const ModelGlobals& g) {
    for (int c = 0; c < Layout::kChannels; ++c)
        if (g.g_linkGroup[static_cast<std::size_t>(c)] != c)
            return false;
    return true;
}

// Types a value into a numeric edit as the user does: select, type, Enter.
void Type(CNumEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

class TestLinking : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void referenceIsCopiedOntoItsPartner_data();
    void referenceIsCopiedOntoItsPartner();
    void noPairShowsTheMessageAndLinksNothing_data();
    void noPairShowsTheMessageAndLinksNothing();
    void cancelLinksNothing_data();
    void cancelLinksNothing();
    void pressingAgainUnlinksEveryChannel();
    void readingTheDeviceAgainEndsTheLink();
    void dialogTogglesAndTexts_data();
    void dialogTogglesAndTexts();
};

void TestLinking::initTestCase() {
    CTavelApp::SetUpApplication(*qApp);
}

void TestLinking::cleanup() {
    for (QMessageBox* box : VisibleBoxes())
        box->done(QMessageBox::Cancel);
}

void TestLinking::referenceIsCopiedOntoItsPartner_data() {
    QTest::addColumn<int>("reference");
    QTest::addColumn<int>("source"); // the channel whose settings both end with
    QTest::newRow("first channel") << 0 << 0;
    QTest::newRow("second channel") << 1 << 1;
}

// Types 1 on channel 0 and 7 on channel 1: the chosen channel's settings land on the other on the device,
// the Link button and both CH buttons are pressed, and a gain change on channel 0 changes channel 1 too.
void TestLinking::referenceIsCopiedOntoItsPartner() {
    QFETCH(int, reference);
    QFETCH(int, source);
    FormRig f;
    f.Sim().ModifyState([](SimState& s) {
        SetTypes(s, kOnePair);
        TuneChannels(s);
    });
    QVERIFY(f.Connect());
    const OutputBlock expected = f.Sim().State().live.outputs[source];
    const OutputBlock before = f.Sim().State().live.outputs[1 - source];
    QVERIFY(!SameEq(expected, before));

    QVERIFY(PressLink(f, reference));
    QVERIFY(f.Editor().LinkOn());
    QVERIFY(f.Editor().Linked(0, 1));
    QVERIFY(f.Find<CBitmapButton>(CLinkRow::kLink)->isChecked());
    QCOMPARE(PressedChannels(f), (QList<int>{0, 1}));
    QTRY_VERIFY_WITH_TIMEOUT(SameEq(f.Sim().State().live.outputs[1 - source], expected), FormRig::kLimit);
    QVERIFY(SameEq(f.Sim().State().live.outputs[source], expected));        // the reference stays as it was
    QCOMPARE(f.Sim().State().live.outputs[1 - source].delay, before.delay); // per channel
    QCOMPARE(f.Find<CNumEdit>(CChannelStrip::kGainEditBase + 1 - source)->Code(), int(expected.gainCode));
    for (int c = 2; c < Layout::kChannels; ++c)
        QVERIFY(!f.Editor().Linked(0, c));

    Type(f.Find<CNumEdit>(CChannelStrip::kGainEditBase), QStringLiteral("-25"));
    for (const int c : {0, 1})
        QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[c].gainCode), 35, FormRig::kLimit);
    QCOMPARE(f.Find<CNumEdit>(CChannelStrip::kGainEditBase + 1)->Code(), 35);

    // Selecting the partner keeps both pressed.
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 1), Qt::LeftButton);
    QCOMPARE(PressedChannels(f), (QList<int>{0, 1}));
}

void TestLinking::noPairShowsTheMessageAndLinksNothing_data() {
    QTest::addColumn<int>("language");
    QTest::newRow("English") << 0;
    QTest::newRow("Chinese") << 1;
}

// Speaker types that form no pair: "无通道可以联调" in every language, nothing linked, nothing sent.
void TestLinking::noPairShowsTheMessageAndLinksNothing() {
    QFETCH(int, language);
    FormRig f(language);
    f.Sim().ModifyState([](SimState& s) {
        SetTypes(s, kNoPair);
        TuneChannels(s);
    });
    QVERIFY(f.Connect());
    QVERIFY(f.WaitForPolls(2));
    const int writes = f.Sim().Counters().writes;

    QVERIFY(PressLink(f, 0));
    QTRY_VERIFY_WITH_TIMEOUT(BoxSaying(QStringLiteral("无通道可以联调")) != nullptr, FormRig::kLimit);
    QVERIFY(!f.Editor().LinkOn());
    QVERIFY(OwnGroups(f.G()));
    QVERIFY(!f.Find<CBitmapButton>(CLinkRow::kLink)->isChecked());
    QCOMPARE(PressedChannels(f), QList<int>{0});
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(f.Sim().Counters().writes, writes);
    QCOMPARE(int(f.Sim().State().live.outputs[1].gainCode), 12);
}

void TestLinking::cancelLinksNothing_data() {
    QTest::addColumn<int>("answer"); // 0: the window closed
    QTest::newRow("Cancel") << int(CCH_Link_Dlg::kCancel);
    QTest::newRow("window closed") << 0;
}

// Cancel in the dialog, or closing it, leaves every channel alone and the button released.
void TestLinking::cancelLinksNothing() {
    QFETCH(int, answer);
    FormRig f;
    f.Sim().ModifyState([](SimState& s) {
        SetTypes(s, kOnePair);
        TuneChannels(s);
    });
    QVERIFY(f.Connect());
    QVERIFY(f.WaitForPolls(2));
    const int writes = f.Sim().Counters().writes;
    QVERIFY(PressLink(f, 1, answer));
    QVERIFY(!f.Editor().LinkOn());
    QVERIFY(OwnGroups(f.G()));
    QVERIFY(!f.Find<CBitmapButton>(CLinkRow::kLink)->isChecked());
    QCOMPARE(PressedChannels(f), QList<int>{0});
    QVERIFY(VisibleBoxes().isEmpty());
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(f.Sim().Counters().writes, writes);
}

// With the default speaker types three pairs link; pressing the button again unlinks every channel, and a
// gain change then stays on its channel.
void TestLinking::pressingAgainUnlinksEveryChannel() {
    FormRig f;
    QVERIFY(f.Connect());
    QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + 2), Qt::LeftButton);
    QVERIFY(PressLink(f, 0)); // types 1/7, 5/11, 15/18: CH1+CH2, CH3+CH4, CH5+CH6
    QVERIFY(f.Editor().Linked(0, 1) && f.Editor().Linked(2, 3) && f.Editor().Linked(4, 5));
    QCOMPARE(PressedChannels(f), (QList<int>{2, 3}));

    QTest::mouseClick(f.Find<CBitmapButton>(CLinkRow::kLink), Qt::LeftButton);
    QVERIFY(!LinkDialog(f)); // unlinking asks nothing
    QVERIFY(!f.Editor().LinkOn());
    QVERIFY(OwnGroups(f.G()));
    QVERIFY(!f.Find<CBitmapButton>(CLinkRow::kLink)->isChecked());
    QCOMPARE(PressedChannels(f), QList<int>{2});

    Type(f.Find<CNumEdit>(CChannelStrip::kGainEditBase + 4), QStringLiteral("-30"));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[4].gainCode), 30, FormRig::kLimit);
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(int(f.Sim().State().live.outputs[5].gainCode), 60);
}

// After linking, reading the device again (a new connection) ends the link and releases the button.
void TestLinking::readingTheDeviceAgainEndsTheLink() {
    FormRig f;
    f.Sim().ModifyState([](SimState& s) { SetTypes(s, kOnePair); });
    QVERIFY(f.Connect());
    QVERIFY(PressLink(f, 0));
    QVERIFY(f.Find<CBitmapButton>(CLinkRow::kLink)->isChecked());

    QTest::mouseClick(f.Find<QWidget>(CTitleBar::kConnect), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(f.Controller().Idle(), FormRig::kLimit);
    QVERIFY(f.Connect());
    QVERIFY(!f.Editor().LinkOn());
    QVERIFY(OwnGroups(f.G()));
    QVERIFY(!f.Find<CBitmapButton>(CLinkRow::kLink)->isChecked());
    QCOMPARE(PressedChannels(f), QList<int>{0});

    Type(f.Find<CNumEdit>(CChannelStrip::kGainEditBase), QStringLiteral("-40"));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[0].gainCode), 20, FormRig::kLimit);
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(int(f.Sim().State().live.outputs[1].gainCode), 60);
}

void TestLinking::dialogTogglesAndTexts_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("texts"); // title, the two toggles, OK, Cancel
    QTest::newRow("English") << 0
                             << QStringList{"Grouping of Front channel", "Left as reference",
                                            "Right as reference", "OK", "Cancel"};
    QTest::newRow("Chinese") << 1 << QStringList{"声场联调", "以左声道为准", "以右声道为准", "确定", "取消"};
}

// The dialog: 2420 pressed at start, pressing one toggle releases the other, keyboard reaches every
// button, texts in the interface language.
void TestLinking::dialogTogglesAndTexts() {
    QFETCH(int, language);
    QFETCH(QStringList, texts);
    FormRig f(language);
    QTest::mouseClick(f.Find<CBitmapButton>(CLinkRow::kLink), Qt::LeftButton);
    CCH_Link_Dlg* dialog = LinkDialog(f);
    QVERIFY(dialog);
    QCOMPARE(dialog->objectName(), QStringLiteral("370"));
    QVERIFY(dialog->isModal());
    CBitmapButton* first = dialog->Button(CCH_Link_Dlg::kFirst);
    CBitmapButton* second = dialog->Button(CCH_Link_Dlg::kSecond);
    QCOMPARE((QStringList{dialog->windowTitle(), first->text(), second->text(),
                          dialog->Button(CCH_Link_Dlg::kOk)->text(),
                          dialog->Button(CCH_Link_Dlg::kCancel)->text()}),
             texts);
    for (const int id :
         {CCH_Link_Dlg::kFirst, CCH_Link_Dlg::kSecond, CCH_Link_Dlg::kOk, CCH_Link_Dlg::kCancel})
        QCOMPARE(dialog->findChild<CBitmapButton*>(QString::number(id)), dialog->Button(id));
    QVERIFY(first->isChecked() && !second->isChecked());
    QCOMPARE(dialog->Reference(), 0);

    // By keyboard: the second toggle with Space, then back to the first with an arrow, as in a radio group
    // (Tab stops at the pressed toggle only).
    QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }, FormRig::kLimit));
    second->setFocus(Qt::TabFocusReason);
    QTest::keyClick(second, Qt::Key_Space);
    QVERIFY(second->isChecked() && !first->isChecked());
    QCOMPARE(dialog->Reference(), 1);
    QTest::keyClick(second, Qt::Key_Left);
    QCOMPARE(QApplication::focusWidget(), first);
    QVERIFY(first->isChecked() && !second->isChecked());
    QTest::keyClick(first, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog->Button(CCH_Link_Dlg::kOk));
    QVERIFY(!QAccessible::queryAccessibleInterface(first)->text(QAccessible::Name).isEmpty());

    QTest::keyClick(first, Qt::Key_Escape); // cancels
    QTRY_VERIFY_WITH_TIMEOUT(LinkDialog(f) == nullptr, FormRig::kLimit);
    QVERIFY(!f.Editor().LinkOn());
}

QTEST_MAIN(TestLinking)
#include "tst_Linking.moc"
