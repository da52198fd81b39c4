// Time alignment from speaker distances: known distances give known delays, the 20 ms limit, refusals that
// change nothing, and the delays set through the edit entry point.
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "control/TimeAlignment.h"
#include "model/KTV_Data.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <vector>

namespace {

SessionOptions Offline() {
    SessionOptions options;
    options.device = DeviceOption{DeviceOption::Kind::Sim, {}};
    options.timing = TimingProfile::Fast();
    return options;
}

using Unit = CTimeAlignment::Unit;

// Channel numbers 1..8 and distances in the unit, as pairs.
std::vector<SpeakerDistance> Speakers(const QList<double>& pairs, Unit unit) {
    std::vector<SpeakerDistance> out;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2)
        out.push_back({static_cast<int>(pairs[i]) - 1, CTimeAlignment::Metres(pairs[i + 1], unit)});
    return out;
}

} // namespace

class TestTimeAlignment : public QObject {
    Q_OBJECT

private slots:
    void knownDistances_data();
    void knownDistances();
    void refusals_data();
    void refusals();
    void delaysThroughTheEditor();
};

void TestTimeAlignment::knownDistances_data() {
    QTest::addColumn<QList<double>>("speakers");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("temperature");
    QTest::addColumn<QList<int>>("samples");
    const int cm = static_cast<int>(Unit::Cm);
    const int inch = static_cast<int>(Unit::Inch);
    // 346.4 m/s at 25 degrees: 1 cm is 1.3857 samples at 48 kHz.
    QTest::newRow("front pair and sub")
        << QList<double>{1, 212, 2, 190, 6, 160} << cm << 75 << QList<int>{0, 30, 72};
    QTest::newRow("the farthest need not come first")
        << QList<double>{3, 120, 4, 212} << cm << 75 << QList<int>{127, 0};
    QTest::newRow("all at one distance") << QList<double>{1, 150, 2, 150} << cm << 75 << QList<int>{0, 0};
    QTest::newRow("one speaker") << QList<double>{5, 100} << cm << 75 << QList<int>{0};
    QTest::newRow("inches") << QList<double>{1, 83.5, 2, 74.8} << inch << 75 << QList<int>{0, 31};
    QTest::newRow("20 ms exactly") << QList<double>{1, 692.8, 2, 0} << cm << 75 << QList<int>{0, 960};
    QTest::newRow("just within 20 ms") << QList<double>{1, 792.9, 2, 100} << cm << 75 << QList<int>{0, 960};
    // 331.4 m/s at 0 degrees.
    QTest::newRow("cold air") << QList<double>{1, 300, 2, 200} << cm << 50 << QList<int>{0, 145};
}

void TestTimeAlignment::knownDistances() {
    QFETCH(QList<double>, speakers);
    QFETCH(int, unit);
    QFETCH(int, temperature);
    QFETCH(QList<int>, samples);
    const auto given = Speakers(speakers, static_cast<Unit>(unit));
    const TimeAlignmentPlan plan = CTimeAlignment::Plan(given, temperature);
    QVERIFY(plan.Ok());
    QCOMPARE(static_cast<qsizetype>(plan.channels.size()), samples.size());
    for (qsizetype i = 0; i < samples.size(); ++i) {
        QCOMPARE(plan.channels[static_cast<std::size_t>(i)].channel,
                 given[static_cast<std::size_t>(i)].channel);
        QCOMPARE(plan.channels[static_cast<std::size_t>(i)].samples, samples[i]);
    }
}

void TestTimeAlignment::refusals_data() {
    QTest::addColumn<QList<double>>("speakers");
    QTest::addColumn<int>("refusal");
    QTest::addColumn<QString>("text");
    QTest::newRow("more than 960 samples")
        << QList<double>{1, 693.2, 2, 0} << static_cast<int>(TimeAlignmentPlan::Refusal::TooWide)
        << "differ by 693.2 cm (CH2 to CH1): 961 samples (20.012 ms)";
    QTest::newRow("far more") << QList<double>{1, 100, 2, 1500, 3, 400}
                              << static_cast<int>(TimeAlignmentPlan::Refusal::TooWide) << "(CH1 to CH2)";
    QTest::newRow("no speaker") << QList<double>{} << static_cast<int>(TimeAlignmentPlan::Refusal::NoSpeaker)
                                << "No speaker distance";
    QTest::newRow("no such channel") << QList<double>{1, 100, 9, 120}
                                     << static_cast<int>(TimeAlignmentPlan::Refusal::BadChannel)
                                     << "CH9 does not exist";
    QTest::newRow("a channel twice") << QList<double>{2, 100, 2, 120}
                                     << static_cast<int>(TimeAlignmentPlan::Refusal::Twice)
                                     << "CH2 is given twice";
    QTest::newRow("negative distance")
        << QList<double>{1, 100, 3, -5} << static_cast<int>(TimeAlignmentPlan::Refusal::BadDistance) << "CH3";
    QTest::newRow("no number") << QList<double>{1, std::numeric_limits<double>::quiet_NaN()}
                               << static_cast<int>(TimeAlignmentPlan::Refusal::BadDistance) << "CH1";
}

void TestTimeAlignment::refusals() {
    QFETCH(QList<double>, speakers);
    QFETCH(int, refusal);
    QFETCH(QString, text);
    CSession session(Offline());
    CKTV_Data& data = session.Data();
    for (int c = 0; c < Layout::kChannels; ++c)
        session.Editor().SetDelay(c, 100 + c);
    const TimeAlignmentPlan plan =
        CTimeAlignment::Align(session.Editor(), data, Speakers(speakers, Unit::Cm));
    QCOMPARE(static_cast<int>(plan.refusal), refusal);
    QVERIFY(plan.channels.empty());
    const QStringList report = CTimeAlignment::Report(plan, Unit::Cm, 0);
    QCOMPARE(report.size(), 1);
    QVERIFY2(report[0].contains(text), qPrintable(report[0]));
    QVERIFY(report[0].endsWith(QStringLiteral("nothing changed")));
    QVERIFY(!CTimeAlignment::Report(plan, Unit::Cm, 1)[0].isEmpty());
    for (int c = 0; c < Layout::kChannels; ++c)
        QCOMPARE(data.Channel(c).GetDelay(), 100 + c);
}

void TestTimeAlignment::delaysThroughTheEditor() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    CKTV_Data& data = session.Data();
    editor.CopyIntoGroup(1, 0); // delays stay per channel even so
    editor.SetDelay(1, 500);
    editor.SetDelay(4, 77);
    data.ClearPending(0);
    session.Globals().connected = 1;

    const auto given = Speakers({1, 212, 3, 190, 6, 160}, Unit::Cm);
    const TimeAlignmentPlan plan = CTimeAlignment::Align(editor, data, given);
    QVERIFY(plan.Ok());
    QCOMPARE(data.Channel(0).GetDelay(), 0);
    QCOMPARE(data.Channel(2).GetDelay(), 30);
    QCOMPARE(data.Channel(5).GetDelay(), 72);
    QCOMPARE(data.Channel(1).GetDelay(), 500); // linked, not given: its own
    QCOMPARE(data.Channel(4).GetDelay(), 77);
    for (int c : {0, 2, 5})
        QVERIFY(data.Channel(c).GetGainPending() != 0); // the delay travels in the gain group
    QVERIFY(data.Channel(4).GetGainPending() == 0);

    const QStringList report = CTimeAlignment::Report(plan, Unit::Cm, 0);
    QCOMPARE(report.size(), 3);
    QVERIFY2(report[1].startsWith(QStringLiteral("CH3: 190.0 cm, delay 30 samples = 0.625 ms (21.")),
             qPrintable(report[1]));
    QCOMPARE(report[2],
             QStringLiteral("CH6: 160.0 cm, delay 72 samples = 1.500 ms (52.0 cm of travel), was 0 samples"));
    QVERIFY(
        CTimeAlignment::Report(plan, Unit::Inch, 1)[2].startsWith(QStringLiteral("CH6：63.0 inch，延时 72")));
}

QTEST_GUILESS_MAIN(TestTimeAlignment)
#include "tst_TimeAlignment.moc"
