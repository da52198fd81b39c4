// The car picture against the simulated device: which positions the speaker types show, which channel a
// position stands for, delays typed in each unit, the unit switch, the highlighted marker, language.
#include "app/CarPicture.h"
#include "app/ChannelStrip.h"
#include "app/PositionIcon.h"
#include "app/TavelApp.h"
#include "controls/BitmapButton.h"
#include "editors/NumSpin.h"
#include "model/KTV_Data.h"
#include "model/SystemSettings.h"

#include "app/FormActions.h"

#include <QAccessible>

#include <algorithm>

namespace {

using Car = CCarPicture;
using Types = QList<int>; // speaker types of channels 0..7

// The box with these speaker types and a delay of 10 x (c + 1) samples on channel c, so that every
// channel's delay tells it apart.
void SetUpDevice(FormRig& f, const Types& types) {
    f.Sim().ModifyState([&types](SimState& s) {
        for (int c = 0; c < Layout::kChannels; ++c) {
            s.system[SystemLayout::kSpeakerTypeBytes + static_cast<std::size_t>(c)] =
                static_cast<std::uint8_t>(types.value(c));
            s.live.outputs[c].delay = static_cast<std::uint16_t>(10 * (c + 1));
        }
    });
}

int DelayOf(FormRig& f, int channel) {
    return f.session->Data().Channel(channel).GetDelay();
}

// The position of marker `icon` (2700 + m).
int PositionOfIcon(int icon) {
    for (std::size_t p = 0; p < Car::kPositions.size(); ++p)
        if (Car::kIconBase + Car::kPositions[p].icon == icon)
            return static_cast<int>(p);
    return -1;
}

QStringList ShownDelayTexts(FormRig& f) {
    QStringList texts;
    for (std::size_t p = 0; p < Car::kPositions.size(); ++p)
        if (CNumEdit* edit = f.View().CarPicture().DelayEdit(static_cast<int>(p)); edit->isVisible())
            texts << edit->text();
    return texts;
}

enum class Via { Marker, Delay };

} // namespace

Q_DECLARE_METATYPE(Via)

class TestCarPicture : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CTavelApp::SetUpApplication(*qApp); }
    void cleanup() {
        for (QMessageBox* box : VisibleBoxes())
            box->done(QMessageBox::Cancel);
    }

    void speakerTypesShowTheirPositions_data();
    void speakerTypesShowTheirPositions();
    void positionStandsForItsChannel_data();
    void positionStandsForItsChannel();
    void currentChannelsMarkerIsHighlighted();
    void delayTypedInTheUnitIsStoredInSamples_data();
    void delayTypedInTheUnitIsStoredInSamples();
    void unitSwitchChangesTheTextsOnly_data();
    void unitSwitchChangesTheTextsOnly();
    void textsInBothLanguages_data();
    void textsInBothLanguages();
};

void TestCarPicture::speakerTypesShowTheirPositions_data() {
    QTest::addColumn<Types>("types");
    QTest::addColumn<QList<int>>("icons");
    QTest::newRow("start-up types") << Types{1, 7, 5, 11, 15, 18, 0, 0}
                                    << QList<int>{2700, 2701, 2704, 2705, 2708, 2711};
    QTest::newRow("front three-way, rear high")
        << Types{1, 2, 3, 7, 8, 9, 13, 16} << QList<int>{2700, 2702, 2704, 2701, 2703, 2705, 2706, 2709};
    QTest::newRow("rear low, centres and subs") << Types{14, 17, 19, 20, 21, 22, 23, 24}
                                                << QList<int>{2708, 2711, 2717, 2715, 2716, 2712, 2714, 2713};
    QTest::newRow("one centre on CH8") << Types{0, 0, 0, 0, 0, 0, 0, 21} << QList<int>{2716};
    QTest::newRow("no types") << Types{0, 0, 0, 0, 0, 0, 0, 0} << QList<int>{};
}

// Exactly the markers and delay edits of the positions in use are shown, each inside the car region and
// clear of every other control; a position no channel uses shows neither its marker nor its delay edit,
// and the value holders are never shown.
void TestCarPicture::speakerTypesShowTheirPositions() {
    QFETCH(Types, types);
    QFETCH(QList<int>, icons);
    FormRig f;
    SetUpDevice(f, types);
    QVERIFY(f.Connect());
    QWidget* form = &f.View();
    Car& car = f.View().CarPicture();

    QList<QWidget*> shown;
    for (int i = 0; i < Car::kSlots; ++i) {
        auto* icon = f.Find<CPositionIcon>(Car::kIconBase + i);
        auto* edit = f.Find<CNumEdit>(Car::kEditBase + i);
        QVERIFY(icon && edit && f.Find<CNumSpin>(Car::kSpinBase + i));
        QVERIFY(!f.Find<CNumSpin>(Car::kSpinBase + i)->isVisible());
        const int position = PositionOfIcon(Car::kIconBase + i);
        const bool used = icons.contains(Car::kIconBase + i);
        QVERIFY2(icon->isVisible() == used, qPrintable(icon->objectName()));
        if (position < 0) { // 2707 and 2710 and their delay slots
            QVERIFY(!icon->isVisible());
            QVERIFY(!edit->isVisible());
            continue;
        }
        QCOMPARE(car.DelayEdit(position)->isVisible(), used);
        if (used)
            shown << icon << car.DelayEdit(position);
    }
    const QRect region = CTavelView::RegionRect(CTavelView::Region::CarPicture);
    for (QWidget* w : shown) {
        QVERIFY2(region.contains(InForm(w, form)), qPrintable(w->objectName()));
        for (QWidget* other : form->findChildren<QWidget*>()) {
            bool numbered = false;
            other->objectName().toInt(&numbered);
            if (other != w && numbered && other->isVisible())
                QVERIFY2(!InForm(other, form).intersects(InForm(w, form)),
                         qPrintable(w->objectName() + QStringLiteral(" and ") + other->objectName()));
        }
    }
}

void TestCarPicture::positionStandsForItsChannel_data() {
    QTest::addColumn<Types>("types");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("channel");
    QTest::addColumn<Via>("via");
    struct Row {
        const char* name;
        Types types;
        int icon;
        int channel;
    };
    const Row rows[] = {
        {"types 4 and 1 share 2700: the lowest channel", {4, 7, 1, 11, 15, 18, 0, 0}, 2700, 0},
        {"type 1 on CH3, type 4 on CH5", {0, 7, 1, 11, 4, 18, 0, 0}, 2700, 2},
        {"types 12 and 11 share 2705: the lowest channel", {1, 12, 5, 11, 15, 18, 0, 0}, 2705, 1},
        {"type 13 twice at 2706: the highest channel", {1, 7, 13, 11, 13, 18, 0, 0}, 2706, 4},
        {"type 13 once", {1, 7, 13, 11, 15, 18, 0, 0}, 2706, 2},
        {"type 24 twice at 2713: the highest channel", {24, 7, 24, 11, 15, 18, 0, 0}, 2713, 2},
    };
    for (const Row& row : rows) {
        QTest::addRow("%s, marker", row.name) << row.types << row.icon << row.channel << Via::Marker;
        QTest::addRow("%s, delay", row.name) << row.types << row.icon << row.channel << Via::Delay;
    }
}

// A position shows the number and the delay of the channel it stands for; a click on its marker selects
// that channel, and a delay typed into its edit goes to that channel alone and selects it.
void TestCarPicture::positionStandsForItsChannel() {
    QFETCH(Types, types);
    QFETCH(int, icon);
    QFETCH(int, channel);
    QFETCH(Via, via);
    FormRig f;
    SetUpDevice(f, types);
    QVERIFY(f.Connect());
    Car& car = f.View().CarPicture();
    const int position = PositionOfIcon(icon);
    auto* marker = f.Find<CPositionIcon>(icon);
    QVERIFY(marker->isVisible());
    QCOMPARE(marker->Channel(), channel);
    QCOMPARE(car.ChannelAt(position), channel);
    CNumEdit* edit = car.DelayEdit(position);
    QCOMPARE(edit->Code(), 10 * (channel + 1));

    f.View().SelectChannel(channel == 5 ? 0 : 5);
    QVERIFY(!marker->IsHighlighted());
    if (via == Via::Marker) {
        QTest::mouseClick(marker, Qt::LeftButton);
    } else {
        TypeInto(edit, QStringLiteral("1")); // 1 ms: 48 samples
        QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[channel].delay), 48, FormRig::kLimit);
    }
    QCOMPARE(f.View().CurrentChannel(), channel);
    QVERIFY(marker->IsHighlighted());
    QVERIFY(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + channel)->isChecked());
    for (int c = 0; c < Layout::kChannels; ++c)
        QCOMPARE(DelayOf(f, c), c == channel && via == Via::Delay ? 48 : 10 * (c + 1));
}

// The current channel's marker wears the highlight, whichever way the channel was selected; the others
// do not.
void TestCarPicture::currentChannelsMarkerIsHighlighted() {
    FormRig f;
    Car& car = f.View().CarPicture();
    const QList<int> markers{2700, 2701, 2704, 2705, 2708, 2711}; // start-up types of CH1..CH6
    for (int c = CTavelView::kShownChannels - 1; c >= 0; --c) {
        QTest::mouseClick(f.Find<CBitmapButton>(CChannelStrip::kSelectBase + c), Qt::LeftButton);
        for (std::size_t p = 0; p < Car::kPositions.size(); ++p) {
            CPositionIcon* icon = car.Icon(static_cast<int>(p));
            QCOMPARE(icon->IsHighlighted(), icon->objectName() == QString::number(markers[c]));
        }
    }
}

void TestCarPicture::delayTypedInTheUnitIsStoredInSamples_data() {
    QTest::addColumn<int>("unitButton");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("samples");
    QTest::addColumn<QString>("shown");
    QTest::newRow("5 ms") << int(Car::kUnitMs) << "5" << 240 << "5.000MS";
    QTest::newRow("25 ms, above 20 ms") << int(Car::kUnitMs) << "25" << 960 << "20.000MS";
    QTest::newRow("-1 ms") << int(Car::kUnitMs) << "-1" << 0 << "0.000MS";
    QTest::newRow("100 cm") << int(Car::kUnitCm) << "100" << 139 << "100CM";
    QTest::newRow("100 inch") << int(Car::kUnitInch) << "100" << 352 << "100INCH";
}

// CH1 and CH2 linked, CH3 current: a delay typed into CH1's position in the chosen unit is stored and
// sent in samples for CH1 only, and CH1 becomes the current channel.
void TestCarPicture::delayTypedInTheUnitIsStoredInSamples() {
    QFETCH(int, unitButton);
    QFETCH(QString, typed);
    QFETCH(int, samples);
    QFETCH(QString, shown);
    FormRig f;
    SetUpDevice(f, Types{1, 7, 5, 11, 15, 18, 0, 0});
    QVERIFY(f.Connect());
    f.Editor().CopyIntoGroup(1, 0);
    QVERIFY(f.Editor().Linked(0, 1));
    QTest::mouseClick(f.Find<CBitmapButton>(unitButton), Qt::LeftButton);
    f.View().SelectChannel(2);

    CNumEdit* edit = f.Find<CNumEdit>(Car::kEditBase); // 2580: CH1's front left high
    TypeInto(edit, typed);
    QCOMPARE(DelayOf(f, 0), samples);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(f.View().CurrentChannel(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[0].delay), samples, FormRig::kLimit);
    QVERIFY(f.WaitForPolls(3));
    const int partnerDelay = DelayOf(f, 1);
    QCOMPARE(int(f.Sim().State().live.outputs[1].delay), partnerDelay);
    QVERIFY(partnerDelay != samples);
}

void TestCarPicture::unitSwitchChangesTheTextsOnly_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("unitButton");
    QTest::addColumn<int>("samples"); // CH1's delay
    QTest::addColumn<QString>("msText");
    QTest::addColumn<QString>("unitText");
    QTest::newRow("cm") << 0 << int(Car::kUnitCm) << 480 << "10.000MS"
                        << "346CM";
    QTest::newRow("inch") << 0 << int(Car::kUnitInch) << 480 << "10.000MS"
                          << "136INCH";
    QTest::newRow("cm at 20 ms") << 0 << int(Car::kUnitCm) << 960 << "20.000MS"
                                 << "692.00CM";
    QTest::newRow("inch at 20 ms") << 0 << int(Car::kUnitInch) << 960 << "20.000MS"
                                   << "272";
    QTest::newRow("cm, Chinese") << 1 << int(Car::kUnitCm) << 480 << "10.000毫秒"
                                 << "346厘米";
    QTest::newRow("inch, Chinese") << 1 << int(Car::kUnitInch) << 100 << "2.083毫秒"
                                   << "28英寸";
}

// Another unit changes the text of every shown delay edit and leaves the delays, on the device and in the
// program, as they were; nothing is sent. Milliseconds again show the former texts.
void TestCarPicture::unitSwitchChangesTheTextsOnly() {
    QFETCH(int, language);
    QFETCH(int, unitButton);
    QFETCH(int, samples);
    QFETCH(QString, msText);
    QFETCH(QString, unitText);
    FormRig f(language);
    SetUpDevice(f, Types{1, 7, 5, 11, 15, 18, 0, 0});
    f.Sim().ModifyState(
        [samples](SimState& s) { s.live.outputs[0].delay = static_cast<std::uint16_t>(samples); });
    QVERIFY(f.Connect());
    CNumEdit* ch1 = f.Find<CNumEdit>(Car::kEditBase);
    QCOMPARE(ch1->text(), msText);
    QVERIFY(f.Find<CBitmapButton>(Car::kUnitMs)->isChecked());
    const QStringList before = ShownDelayTexts(f);
    QCOMPARE(before.size(), 6);
    const SimState device = f.Sim().State();
    const int writes = f.Sim().Counters().writes;

    QTest::mouseClick(f.Find<CBitmapButton>(unitButton), Qt::LeftButton);
    QCOMPARE(f.View().CarPicture().DelayUnit(), unitButton == Car::kUnitCm ? Car::Centimetres : Car::Inches);
    for (const int id : {Car::kUnitMs, Car::kUnitCm, Car::kUnitInch})
        QCOMPARE(f.Find<CBitmapButton>(id)->isChecked(), id == unitButton);
    QCOMPARE(ch1->text(), unitText);
    const QStringList switched = ShownDelayTexts(f);
    for (qsizetype i = 0; i < before.size(); ++i)
        QVERIFY2(switched[i] != before[i], qPrintable(switched[i]));
    QCOMPARE(DelayOf(f, 0), samples);
    QCOMPARE(ch1->Code(), samples);

    QTest::mouseClick(f.Find<CBitmapButton>(Car::kUnitMs), Qt::LeftButton);
    QCOMPARE(ShownDelayTexts(f), before);
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(f.Sim().Counters().writes, writes);
    for (int c = 0; c < Layout::kChannels; ++c) {
        QCOMPARE(int(f.Sim().State().live.outputs[c].delay), int(device.live.outputs[c].delay));
        QCOMPARE(DelayOf(f, c), int(device.live.outputs[c].delay));
    }
}

void TestCarPicture::textsInBothLanguages_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("id");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown"); // the edit's or button's text; empty for a marker
    QTest::newRow("CH1 delay") << 0 << 2580 << QAccessible::SpinBox << "CH1 Front Left High delay"
                               << "0.000MS";
    QTest::newRow("CH1 delay, Chinese") << 1 << 2580 << QAccessible::SpinBox << "CH1 前左高频 延时"
                                        << "0.000毫秒";
    QTest::newRow("CH1 marker") << 0 << 2700 << QAccessible::Button
                                << "CH1 Front Left High, select the channel"
                                << "";
    QTest::newRow("CH6 marker, Chinese") << 1 << 2711 << QAccessible::Button << "CH6 后右全频，选择此通道"
                                         << "";
    QTest::newRow("cm button") << 0 << int(Car::kUnitCm) << QAccessible::Button << "Delay in centimetres"
                               << "Cm";
    QTest::newRow("ms button, Chinese") << 1 << int(Car::kUnitMs) << QAccessible::Button << "延时以毫秒显示"
                                        << "毫秒";
    QTest::newRow("inch button") << 0 << int(Car::kUnitInch) << QAccessible::Button << "Delay in inches"
                                 << "Inch";
}

// Markers, delay edits and unit buttons name themselves in the interface language; a language switch there
// and back brings every text back.
void TestCarPicture::textsInBothLanguages() {
    QFETCH(int, language);
    QFETCH(int, id);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, shown);
    FormRig f(language);
    QWidget* w = f.View().findChild<QWidget*>(QString::number(id));
    QVERIFY(w && w->isVisible());
    const auto texts = [w] {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        QString show;
        if (auto* edit = qobject_cast<CNumEdit*>(w))
            show = edit->text();
        else if (auto* button = qobject_cast<CBitmapButton*>(w))
            show = button->text();
        return QStringList{a->text(QAccessible::Name), show};
    };
    QCOMPARE(QAccessible::queryAccessibleInterface(w)->role(), role);
    QCOMPARE(texts(), (QStringList{name, shown}));

    f.View().ToggleLanguage();
    QTRY_VERIFY_WITH_TIMEOUT(texts().front() != name, FormRig::kLimit);
    f.View().ToggleLanguage();
    QTRY_COMPARE_WITH_TIMEOUT(texts(), (QStringList{name, shown}), FormRig::kLimit);
}

QTEST_MAIN(TestCarPicture)
#include "tst_CarPicture.moc"
