// Numeric editor: texts and parsing of every kind in both languages, typing, focus, keys, colours and what
// assistive technology sees.
#include "editors/NumEdit.h"
#include "editors/NumSpin.h"

#include <QAccessible>
#include <QApplication>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <atomic>

namespace {

// What a page sets up for one kind.
struct KindSetup {
    int kind = 0;
    QString unit;
    int min = 0;
    int max = 0;
    double step = 0.0;
    double offset = 0.0;
    int temperature = CNumEdit::kDefaultTemperature;
};

void Configure(CNumEdit& edit, const KindSetup& s) {
    edit.SetEditKind(s.kind, s.unit);
    edit.SetStep(s.step);
    edit.SetOffset(s.offset);
    edit.SetTemperature(s.temperature);
    edit.SetRange(s.min, s.max);
}

const KindSetup kMs{CNumEdit::kDelayMs, "ms", 0, 960};
const KindSetup kMsBare{CNumEdit::kDelayMs, "", 0, 960};
const KindSetup kCm{CNumEdit::kDelayCm, "cm", 0, 960};
const KindSetup kCmCold{CNumEdit::kDelayCm, "cm", 0, 960, 0.0, 0.0, 50};
const KindSetup kCmBare{CNumEdit::kDelayCm, "", 0, 960};
const KindSetup kInch{CNumEdit::kDelayInch, "inch", 0, 960};
const KindSetup kInchBare{CNumEdit::kDelayInch, "", 0, 960};
const KindSetup kBandFreq{CNumEdit::kBandFreq, "", 20, 20000};
const KindSetup kXoverFreq{CNumEdit::kXoverFreq, "", 20, 20000};
const KindSetup kBandGain{CNumEdit::kBandGain, "", 0, 400, 0.1, 20.0};
const KindSetup kBandwidth{CNumEdit::kBandwidth, "", 0, 295};
const KindSetup kCount{CNumEdit::kCount, "", 0, 10, 1.0};
const KindSetup kCountUnit{CNumEdit::kCount, " x", 0, 10, 1.0};
const KindSetup kChannelGain{CNumEdit::kChannelGain, "", 0, 60, 1.0, 60.0};

// Types text as a user does: ASCII through key presses, anything else as an input method commits it.
void Type(CNumEdit& edit, const QString& text) {
    edit.selectAll();
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) {
            QTest::keyClick(&edit, static_cast<char>(ch.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(ch));
            QCoreApplication::sendEvent(&edit, &commit);
        }
    }
}

// A window with two editors so that the focus can move between them, and a button that holds the focus
// at the start (an active window would otherwise give it to the first editor).
struct FocusRig {
    QWidget window;
    QPushButton* park = new QPushButton(&window);
    CNumEdit* edit = new CNumEdit(&window);
    CNumEdit* other = new CNumEdit(&window);

    FocusRig() {
        edit->setObjectName("5200");
        other->setObjectName("5201");
        edit->setGeometry(0, 0, 60, 20);
        other->setGeometry(0, 30, 60, 20);
        window.resize(80, 60);
        window.show();
        window.activateWindow();
    }
    bool Ready() {
        park->setFocus();
        return QTest::qWaitForWindowActive(&window) && park->hasFocus();
    }
};

} // namespace

Q_DECLARE_METATYPE(KindSetup)

class TestNumEdit : public QObject {
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void parse_data();
    void parse();
    void focusOutCommitsTypedTextOnce();
    void focusOutWithoutTypingKeepsTheCode_data();
    void focusOutWithoutTypingKeepsTheCode();
    void enterNotifiesOnce();
    void enterWithoutTypingNotifiesTheCode();
    void focusSelectsAll();
    void clickNotifiesBeforeItIsHandled();
    void highlightColours();
    void setValueOutsideTheRangeIsIgnored();
    void setRangeStartsAtMin();
    void languageChangeReformats();
    void languageChangeKeepsTypedText();
    void keysAndWheelStepWithoutSpin_data();
    void keysAndWheelStepWithoutSpin();
    void keysStepThroughTheSpin();
    void getValueParsesTypedText();
    void accessibleValue();
};

void TestNumEdit::text_data() {
    QTest::addColumn<KindSetup>("setup");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");

    QTest::newRow("ms one sample") << kMs << 1 << "0.021MS"
                                   << "0.021毫秒";
    QTest::newRow("ms 1 ms") << kMs << 48 << "1.000MS"
                             << "1.000毫秒";
    QTest::newRow("ms max") << kMs << 960 << "20.000MS"
                            << "20.000毫秒";
    QTest::newRow("ms no unit text") << kMsBare << 1 << "0.021"
                                     << "0.021";
    QTest::newRow("cm 1 ms") << kCm << 48 << "35CM"
                             << "35厘米";
    QTest::newRow("cm zero") << kCm << 0 << "0CM"
                             << "0厘米";
    QTest::newRow("cm below max") << kCm << 959 << "691CM"
                                  << "691厘米";
    QTest::newRow("cm max") << kCm << 960 << "692.00CM"
                            << "692.00厘米";
    QTest::newRow("cm at 0 C") << kCmCold << 480 << "331CM"
                               << "331厘米";
    QTest::newRow("cm max at 0 C") << kCmCold << 960 << "662.00CM"
                                   << "662.00厘米";
    QTest::newRow("cm no unit text") << kCmBare << 960 << "692"
                                     << "692";
    QTest::newRow("inch 1 ms") << kInch << 48 << "14INCH"
                               << "14英寸";
    QTest::newRow("inch 10 ms") << kInch << 480 << "136INCH"
                                << "136英寸";
    QTest::newRow("inch max has no unit") << kInch << 960 << "272"
                                          << "272";
    QTest::newRow("inch no unit text") << kInchBare << 48 << "14"
                                       << "14";
    QTest::newRow("band freq") << kBandFreq << 1000 << "1000"
                               << "1000";
    QTest::newRow("band freq bottom") << kBandFreq << 20 << "20"
                                      << "20";
    QTest::newRow("xover freq") << kXoverFreq << 80 << "80Hz"
                                << "80Hz";
    QTest::newRow("band gain +3.2") << kBandGain << 232 << "3.2"
                                    << "3.2";
    QTest::newRow("band gain 0") << kBandGain << 200 << "0.0"
                                 << "0.0";
    QTest::newRow("band gain -0.1") << kBandGain << 199 << "-0.1"
                                    << "-0.1";
    QTest::newRow("band gain bottom") << kBandGain << 0 << "-20.0"
                                      << "-20.0";
    QTest::newRow("band gain top") << kBandGain << 400 << "20.0"
                                   << "20.0";
    QTest::newRow("Q index 15") << kBandwidth << 15 << "7.233"
                                << "7.233";
    QTest::newRow("Q index 95") << kBandwidth << 95 << "1.439"
                                << "1.439";
    QTest::newRow("Q widest") << kBandwidth << 295 << "0.429"
                              << "0.429";
    QTest::newRow("Q narrowest") << kBandwidth << 0 << "28.877"
                                 << "28.877";
    QTest::newRow("count") << kCount << 5 << "5"
                           << "5";
    QTest::newRow("count with unit") << kCountUnit << 5 << "5 x"
                                     << "5 x";
    QTest::newRow("channel gain off") << kChannelGain << 0 << "-60dB"
                                      << "-60dB";
    QTest::newRow("channel gain -6") << kChannelGain << 54 << "-6dB"
                                     << "-6dB";
    QTest::newRow("channel gain top") << kChannelGain << 60 << "0dB"
                                      << "0dB";
}

void TestNumEdit::text() {
    QFETCH(KindSetup, setup);
    QFETCH(int, code);
    QFETCH(QString, english);
    QFETCH(QString, chinese);

    CNumEdit edit;
    Configure(edit, setup);
    edit.SetValue(code);
    QCOMPARE(edit.Code(), code);
    QCOMPARE(edit.text(), english);
    edit.SetLanguage(1);
    QCOMPARE(edit.text(), chinese);
    edit.SetLanguage(0);
    QCOMPARE(edit.text(), english);
}

void TestNumEdit::parse_data() {
    QTest::addColumn<KindSetup>("setup");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");

    QTest::newRow("ms above 20 is max") << kMs << 100 << "25" << 960;
    QTest::newRow("ms below 0 is min") << kMs << 100 << "-1" << 0;
    QTest::newRow("ms 1") << kMs << 0 << "1" << 48;
    QTest::newRow("ms with unit") << kMs << 0 << "0.5MS" << 24;
    QTest::newRow("ms truncates") << kMs << 0 << "0.104" << 4;
    QTest::newRow("ms 20 exactly") << kMs << 0 << "20" << 960;
    QTest::newRow("ms not a number") << kMs << 100 << "abc" << 0;
    QTest::newRow("cm rounds to nearest") << kCm << 0 << "35" << 48;
    QTest::newRow("cm 34") << kCm << 0 << "34" << 47;
    QTest::newRow("cm just under 20 ms") << kCm << 0 << "692" << 959;
    QTest::newRow("cm beyond 20 ms") << kCm << 0 << "700" << 960;
    QTest::newRow("cm negative") << kCm << 100 << "-5" << 0;
    QTest::newRow("cm at 0 C") << kCmCold << 0 << "35" << 51;
    QTest::newRow("inch 14") << kInch << 0 << "14" << 49;
    QTest::newRow("inch beyond 20 ms") << kInch << 0 << "300" << 960;
    QTest::newRow("freq") << kBandFreq << 500 << "1000" << 1000;
    QTest::newRow("freq with unit") << kXoverFreq << 500 << "1030Hz" << 1030;
    QTest::newRow("freq blanks") << kBandFreq << 500 << " 640 " << 640;
    QTest::newRow("freq OFF keeps") << kBandFreq << 500 << "OFF" << 500;
    QTest::newRow("freq above max") << kBandFreq << 500 << "25000" << 20000;
    QTest::newRow("freq below min") << kBandFreq << 500 << "5" << 20;
    QTest::newRow("freq not a number") << kBandFreq << 500 << "abc" << 20;
    QTest::newRow("freq huge") << kBandFreq << 500 << "99999999999999999999" << 20000;
    QTest::newRow("gain truncates 3.25") << kBandGain << 0 << "3.25" << 232;
    QTest::newRow("gain 3.29") << kBandGain << 0 << "3.29" << 232;
    QTest::newRow("gain -19.8") << kBandGain << 0 << "-19.8" << 2;
    QTest::newRow("gain 0.04") << kBandGain << 0 << "0.04" << 200;
    QTest::newRow("gain above") << kBandGain << 0 << "30" << 400;
    QTest::newRow("gain below") << kBandGain << 200 << "-30" << 0;
    QTest::newRow("gain not a number is 0 dB") << kBandGain << 0 << "OFF" << 200;
    QTest::newRow("Q label text") << kBandwidth << 0 << "7.208" << 15;
    QTest::newRow("Q editor text") << kBandwidth << 0 << "7.233" << 15;
    QTest::newRow("Q 1.414") << kBandwidth << 0 << "1.414" << 95;
    QTest::newRow("Q above the table") << kBandwidth << 0 << "100" << 4;
    QTest::newRow("Q below the table") << kBandwidth << 0 << "0.1" << 295;
    QTest::newRow("count") << kCount << 0 << "7" << 7;
    QTest::newRow("count above") << kCount << 0 << "99" << 10;
    QTest::newRow("count with unit") << kCountUnit << 0 << "3 x" << 3;
    QTest::newRow("channel gain OFF") << kChannelGain << 30 << "OFF" << 0;
    QTest::newRow("channel gain off") << kChannelGain << 30 << "off" << 0;
    QTest::newRow("channel gain 关闭") << kChannelGain << 30 << "关闭" << 0;
    QTest::newRow("channel gain -6") << kChannelGain << 0 << "-6" << 54;
    QTest::newRow("channel gain truncates") << kChannelGain << 0 << "-6.5" << 53;
    QTest::newRow("channel gain above") << kChannelGain << 0 << "10" << 60;
    QTest::newRow("channel gain below") << kChannelGain << 30 << "-100" << 0;
}

void TestNumEdit::parse() {
    QFETCH(KindSetup, setup);
    QFETCH(int, start);
    QFETCH(QString, typed);
    QFETCH(int, expected);

    for (const int language : {0, 1}) {
        CNumEdit edit;
        Configure(edit, setup);
        edit.SetLanguage(language);
        edit.SetValue(start);
        Type(edit, typed);
        QVERIFY(edit.IsModified());
        QCOMPARE(edit.GetValue(), expected);
        QVERIFY(!edit.IsModified());
        QCOMPARE(edit.Parse(typed), expected);
    }
}

void TestNumEdit::focusOutCommitsTypedTextOnce() {
    FocusRig rig;
    QVERIFY(rig.Ready());
    Configure(*rig.edit, kBandGain);
    rig.edit->SetValue(200);
    QSignalSpy notified(rig.edit, &CNumEdit::valueNotified);

    rig.edit->setFocus(Qt::TabFocusReason);
    Type(*rig.edit, "3.25");
    QCOMPARE(rig.edit->text(), QString("3.25"));
    QCOMPARE(notified.count(), 0);

    rig.other->setFocus(Qt::TabFocusReason);
    QCOMPARE(rig.edit->text(), QString("3.2"));
    QCOMPARE(notified.count(), 1);
    QCOMPARE(notified.at(0).at(0).toInt(), 5200);
    QCOMPARE(notified.at(0).at(1).toInt(), 232);

    rig.edit->setFocus(Qt::TabFocusReason);
    rig.other->setFocus(Qt::TabFocusReason);
    QCOMPARE(notified.count(), 1);
}

void TestNumEdit::focusOutWithoutTypingKeepsTheCode_data() {
    QTest::addColumn<KindSetup>("setup");
    QTest::addColumn<int>("code");
    // Codes whose text reads back as another code.
    QTest::newRow("cm") << kCm << 49;
    QTest::newRow("ms") << kMs << 5;
    QTest::newRow("Q") << kBandwidth << 295;
}

void TestNumEdit::focusOutWithoutTypingKeepsTheCode() {
    QFETCH(KindSetup, setup);
    QFETCH(int, code);
    FocusRig rig;
    QVERIFY(rig.Ready());
    Configure(*rig.edit, setup);
    rig.edit->SetValue(code);
    QSignalSpy notified(rig.edit, &CNumEdit::valueNotified);

    rig.edit->setFocus(Qt::TabFocusReason);
    rig.other->setFocus(Qt::TabFocusReason);
    QCOMPARE(rig.edit->GetValue(), code);
    QCOMPARE(notified.count(), 0);
}

void TestNumEdit::enterNotifiesOnce() {
    FocusRig rig;
    QVERIFY(rig.Ready());
    Configure(*rig.edit, kBandFreq);
    rig.edit->SetValue(1000);
    QSignalSpy notified(rig.edit, &CNumEdit::valueNotified);

    rig.edit->setFocus(Qt::TabFocusReason);
    Type(*rig.edit, "1234");
    QTest::keyClick(rig.edit, Qt::Key_Return);
    QCOMPARE(notified.count(), 1);
    QCOMPARE(notified.at(0).at(1).toInt(), 1234);
    QCOMPARE(rig.edit->text(), QString("1234"));
    QCOMPARE(rig.edit->selectedText(), QString("1234"));

    rig.other->setFocus(Qt::TabFocusReason);
    QCOMPARE(notified.count(), 1);
}

void TestNumEdit::enterWithoutTypingNotifiesTheCode() {
    CNumEdit edit;
    edit.setObjectName("4500");
    Configure(edit, kBandwidth);
    edit.SetValue(15);
    QSignalSpy notified(&edit, &CNumEdit::valueNotified);
    QTest::keyClick(&edit, Qt::Key_Enter);
    QCOMPARE(notified.count(), 1);
    QCOMPARE(notified.at(0).at(0).toInt(), 4500);
    QCOMPARE(notified.at(0).at(1).toInt(), 15);
}

void TestNumEdit::focusSelectsAll() {
    FocusRig rig;
    QVERIFY(rig.Ready());
    Configure(*rig.edit, kBandFreq);
    rig.edit->SetValue(1000);

    rig.edit->setFocus(Qt::OtherFocusReason);
    QCOMPARE(rig.edit->selectedText(), QString("1000"));
    rig.other->setFocus(Qt::TabFocusReason);

    // A click that brings the focus selects everything; the next click places the cursor.
    QTest::mouseClick(rig.edit, Qt::LeftButton, {}, QPoint(5, 10));
    QVERIFY(rig.edit->hasFocus());
    QCOMPARE(rig.edit->selectedText(), QString("1000"));
    QTest::mouseClick(rig.edit, Qt::LeftButton, {}, QPoint(5, 10));
    QVERIFY(!rig.edit->hasSelectedText());

    // A read-only editor selects nothing.
    rig.other->setFocus(Qt::TabFocusReason);
    rig.edit->setReadOnly(true);
    rig.edit->setFocus(Qt::OtherFocusReason);
    QVERIFY(!rig.edit->hasSelectedText());
}

void TestNumEdit::clickNotifiesBeforeItIsHandled() {
    FocusRig rig;
    QVERIFY(rig.Ready());
    Configure(*rig.edit, kBandFreq);
    rig.edit->SetValue(630);
    int notifications = 0;
    bool selectedWhenNotified = true;
    connect(rig.edit, &CNumEdit::valueNotified, rig.edit, [&](int id, int code) {
        ++notifications;
        QCOMPARE(id, 5200);
        QCOMPARE(code, 630);
        selectedWhenNotified = rig.edit->hasSelectedText();
    });

    QTest::mouseClick(rig.edit, Qt::LeftButton, {}, QPoint(5, 10));
    QCOMPARE(notifications, 1);
    QVERIFY(!selectedWhenNotified); // the press had not been handled yet
    QVERIFY(rig.edit->hasFocus());

    QTest::mouseClick(rig.edit, Qt::RightButton, {}, QPoint(5, 10));
    QCOMPARE(notifications, 1);
}

void TestNumEdit::highlightColours() {
    FocusRig rig;
    QVERIFY(rig.Ready());
    const QColor highlight(137, 172, 209);
    QCOMPARE(rig.edit->HighlightColour(), highlight);
    QVERIFY(!rig.edit->IsHighlighted());
    QCOMPARE(rig.edit->palette().color(QPalette::Base).alpha(), 0);
    QCOMPARE(rig.edit->palette().color(QPalette::Text), QColor(Qt::white));

    rig.edit->setFocus(Qt::TabFocusReason);
    QVERIFY(rig.edit->IsHighlighted());
    QCOMPARE(rig.edit->palette().color(QPalette::Base), highlight);
    QCOMPARE(rig.edit->palette().color(QPalette::Text), QColor(Qt::black));
    // What is drawn: the highlight fills the editor outside its text.
    QCOMPARE(rig.edit->grab().toImage().pixelColor(1, 1), highlight);

    rig.other->setFocus(Qt::TabFocusReason);
    QVERIFY(!rig.edit->IsHighlighted());
    QCOMPARE(rig.edit->palette().color(QPalette::Base).alpha(), 0);

    rig.edit->SetHighlight(true);
    QVERIFY(rig.edit->IsHighlighted());
    QCOMPARE(rig.edit->palette().color(QPalette::Base), highlight);
    rig.edit->SetHighlight(false);
    QCOMPARE(rig.edit->palette().color(QPalette::Text), QColor(Qt::white));

    // Without its own colours the editor keeps the page's palette.
    rig.other->SetOwnColours(false);
    rig.other->setFocus(Qt::TabFocusReason);
    QVERIFY(rig.other->IsHighlighted());
    QCOMPARE(rig.other->palette().color(QPalette::Base), rig.window.palette().color(QPalette::Base));
}

void TestNumEdit::setValueOutsideTheRangeIsIgnored() {
    CNumEdit edit;
    Configure(edit, kBandGain);
    edit.SetValue(232);
    edit.SetValue(401);
    edit.SetValue(-1);
    QCOMPARE(edit.Code(), 232);
    QCOMPARE(edit.text(), QString("3.2"));
}

void TestNumEdit::setRangeStartsAtMin() {
    CNumEdit edit;
    edit.SetEditKind(CNumEdit::kBandFreq);
    edit.SetRange(20, 20000);
    QCOMPARE(edit.Code(), 20);
    QCOMPARE(edit.text(), QString("20"));
    edit.SetRange(300, 100);
    QCOMPARE(edit.Minimum(), 100);
    QCOMPARE(edit.Maximum(), 300);
    QCOMPARE(edit.Code(), 100);
}

void TestNumEdit::languageChangeReformats() {
    std::atomic<int> language{0};
    CNumEdit edit;
    Configure(edit, kMs);
    edit.SetLanguageSource(&language);
    edit.SetValue(48);
    QCOMPARE(edit.text(), QString("1.000MS"));

    language = 1;
    QCOMPARE(edit.text(), QString("1.000MS")); // until the event says so
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&edit, &change);
    QCOMPARE(edit.Language(), 1);
    QCOMPARE(edit.text(), QString("1.000毫秒"));
}

void TestNumEdit::languageChangeKeepsTypedText() {
    std::atomic<int> language{0};
    CNumEdit edit;
    Configure(edit, kMs);
    edit.SetLanguageSource(&language);
    Type(edit, "2");
    language = 1;
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&edit, &change);
    QCOMPARE(edit.text(), QString("2"));
    QCOMPARE(edit.GetValue(), 96);
}

void TestNumEdit::keysAndWheelStepWithoutSpin_data() {
    QTest::addColumn<KindSetup>("setup");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("up");
    QTest::addColumn<int>("down");
    QTest::newRow("band freq on the grid") << kBandFreq << 1000 << 1030 << 972;
    QTest::newRow("band gain by one code") << kBandGain << 232 << 233 << 231;
    QTest::newRow("channel gain at the top") << kChannelGain << 60 << 60 << 59;
}

void TestNumEdit::keysAndWheelStepWithoutSpin() {
    QFETCH(KindSetup, setup);
    QFETCH(int, start);
    QFETCH(int, up);
    QFETCH(int, down);

    CNumEdit edit;
    edit.setObjectName("5000");
    Configure(edit, setup);
    edit.SetValue(start);
    QSignalSpy notified(&edit, &CNumEdit::valueNotified);

    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(edit.Code(), up);
    QCOMPARE(notified.count(), up != start ? 1 : 0);
    edit.SetValue(start);
    QTest::keyClick(&edit, Qt::Key_Down);
    QCOMPARE(edit.Code(), down);
    QCOMPARE(notified.constLast().at(1).toInt(), down);
    QCOMPARE(notified.constLast().at(0).toInt(), 5000);

    edit.SetValue(start);
    const QPointF at(5, 5);
    QWheelEvent wheelUp(at, edit.mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&edit, &wheelUp);
    QCOMPARE(edit.Code(), up);
    edit.SetValue(start);
    // Half a notch does nothing yet; the second half completes a step.
    QWheelEvent halfDown(at, edit.mapToGlobal(at), {}, {0, -60}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&edit, &halfDown);
    QCOMPARE(edit.Code(), start);
    QCoreApplication::sendEvent(&edit, &halfDown);
    QCOMPARE(edit.Code(), down);
}

void TestNumEdit::keysStepThroughTheSpin() {
    CNumEdit edit;
    CNumSpin spin;
    edit.setObjectName("5200");
    spin.setObjectName("5240");
    spin.SetBuddy(&edit);
    edit.SetEditKind(CNumEdit::kBandFreq);
    spin.SetRange(20, 20000);
    spin.SetPos(99);
    QSignalSpy fromEdit(&edit, &CNumEdit::valueNotified);
    QSignalSpy fromSpin(&spin, &CNumSpin::valueNotified);

    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(spin.GetPos(), 102);
    QCOMPARE(edit.text(), QString("102"));
    QCOMPARE(fromSpin.count(), 1);
    QCOMPARE(fromSpin.at(0).at(0).toInt(), 5240);
    QCOMPARE(fromSpin.at(0).at(1).toInt(), 102);
    QTest::keyClick(&edit, Qt::Key_Down);
    QTest::keyClick(&edit, Qt::Key_Down);
    QCOMPARE(spin.GetPos(), 96);
    QCOMPARE(fromSpin.count(), 3);
    QCOMPARE(fromEdit.count(), 0);
}

void TestNumEdit::getValueParsesTypedText() {
    FocusRig rig;
    QVERIFY(rig.Ready());
    Configure(*rig.edit, kChannelGain);
    QSignalSpy notified(rig.edit, &CNumEdit::valueNotified);
    rig.edit->setFocus(Qt::TabFocusReason);
    Type(*rig.edit, "-12");
    QCOMPARE(rig.edit->GetValue(), 48);
    QCOMPARE(notified.count(), 0);
    // Reading the value does not swallow the edit: leaving still shows it canonically and tells the page.
    rig.other->setFocus(Qt::TabFocusReason);
    QCOMPARE(rig.edit->text(), QString("-12dB"));
    QCOMPARE(notified.count(), 1);
    QCOMPARE(notified.at(0).at(1).toInt(), 48);
}

void TestNumEdit::accessibleValue() {
    CNumEdit edit;
    edit.setObjectName("5000");
    Configure(edit, kBandGain);
    edit.SetValue(232);
    edit.setAccessibleName("Band 18 gain");
    QSignalSpy notified(&edit, &CNumEdit::valueNotified);

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&edit);
    QVERIFY(iface != nullptr);
    QCOMPARE(iface->role(), QAccessible::SpinBox);
    QCOMPARE(iface->text(QAccessible::Name), QString("Band 18 gain"));
    QCOMPARE(iface->text(QAccessible::Value), QString("3.2"));
    QAccessibleValueInterface* value = iface->valueInterface();
    QVERIFY(value != nullptr);
    QCOMPARE(value->currentValue().toInt(), 232);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 400);

    value->setCurrentValue(250);
    QCOMPARE(edit.Code(), 250);
    QCOMPARE(edit.text(), QString("5.0"));
    QCOMPARE(notified.count(), 1);
    value->setCurrentValue(5000);
    QCOMPARE(edit.Code(), 400);

    QAccessibleTextInterface* text = iface->textInterface();
    QVERIFY(text != nullptr);
    QCOMPARE(text->characterCount(), 4);
    QCOMPARE(text->text(0, 2), QString("20"));

    edit.setReadOnly(true);
    value->setCurrentValue(100);
    QCOMPARE(edit.Code(), 400);
}

QTEST_MAIN(TestNumEdit)
#include "tst_NumEdit.moc"
