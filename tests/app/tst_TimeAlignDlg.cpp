// The time alignment dialog against the simulated device: known distances give known delays, a refusal
// changes nothing, the texts in both languages.
#include "app/TimeAlignDlg.h"
#include "app/TopMenu.h"
#include "model/KTV_Data.h"

#include "app/FormRig.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

int DeviceDelay(FormRig& f, int channel) {
    return f.Sim().State().live.outputs[channel].delay;
}

// 0.3464 m is 1 ms (48 samples) at the speed of sound at 25 degrees, 346.4 m/s.
CTimeAlignDlg* OpenDialog(FormRig& f) {
    f.View().RunCommand(TopCommand::TimeAlignment);
    CTimeAlignDlg* dialog = f.View().TimeAlignDialog();
    return dialog != nullptr && dialog->isVisible() ? dialog : nullptr;
}

} // namespace

class TestTimeAlignDlg : public QObject {
    Q_OBJECT

private slots:
    void knownDistancesGiveKnownDelays_data();
    void knownDistancesGiveKnownDelays();
    void aSpreadTooWideChangesNothing();
    void oneDialogAtATimeWithItsIds();
};

void TestTimeAlignDlg::knownDistancesGiveKnownDelays_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("inches");
    QTest::addColumn<QStringList>("distances"); // CH1..CH6, empty: left out
    QTest::addColumn<QList<int>>("delays");     // samples on the device afterwards, CH1..CH6
    const QList<int> kept{11, 12, 13, 14, 15, 16};
    QTest::newRow("cm, English") << 0 << false << QStringList{"400", "365.36", "330.72", "", "", ""}
                                 << QList<int>{0, 48, 96, 14, 15, 16};
    QTest::newRow("inch, Chinese") << 1 << true << QStringList{"", "100", "", "86.36", "100", ""}
                                   << QList<int>{11, 0, 13, 48, 0, 16};
    QTest::newRow("one speaker") << 0 << false << QStringList{"", "", "", "", "", "250"}
                                 << QList<int>{11, 12, 13, 14, 15, 0};
}

// Apply sets the planned delay of every channel with a distance and leaves the others, on the device and in
// the model, and the dialog shows the core's report.
void TestTimeAlignDlg::knownDistancesGiveKnownDelays() {
    QFETCH(int, language);
    QFETCH(bool, inches);
    QFETCH(QStringList, distances);
    QFETCH(QList<int>, delays);
    FormRig f(language);
    QVERIFY(f.Connect());
    for (int c = 0; c < CTimeAlignDlg::kChannels; ++c)
        f.Editor().SetDelay(c, 11 + c);
    QTRY_COMPARE_WITH_TIMEOUT(DeviceDelay(f, 5), 16, FormRig::kLimit);

    CTimeAlignDlg* dialog = OpenDialog(f);
    QVERIFY(dialog);
    if (inches)
        QTest::mouseClick(dialog->findChild<QRadioButton*>(QString::number(CTimeAlignDlg::kInch)),
                          Qt::LeftButton);
    for (int c = 0; c < CTimeAlignDlg::kChannels; ++c)
        dialog->DistanceEdit(c)->setText(distances[c]);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::number(CTimeAlignDlg::kApply)),
                      Qt::LeftButton);

    QVERIFY(dialog->LastPlan().Ok());
    for (int c = 0; c < CTimeAlignDlg::kChannels; ++c) {
        QTRY_COMPARE_WITH_TIMEOUT(DeviceDelay(f, c), delays[c], FormRig::kLimit);
        QCOMPARE(f.session->Data().Channel(c).GetDelay(), delays[c]);
    }
    const auto unit = inches ? CTimeAlignment::Unit::Inch : CTimeAlignment::Unit::Cm;
    QCOMPARE(dialog->ResultText(), CTimeAlignment::Report(dialog->LastPlan(), unit, language).join(u'\n'));
    QCOMPARE(dialog->ResultText().count(u'\n') + 1, int(distances.size() - distances.count(QString())));
    QVERIFY(dialog->isVisible()); // open for the next try
}

// Speakers 0 and 8 m away need 23 ms of delay, more than a channel holds: the dialog shows the refusal and no
// delay changes.
void TestTimeAlignDlg::aSpreadTooWideChangesNothing() {
    FormRig f;
    QVERIFY(f.Connect());
    for (int c = 0; c < CTimeAlignDlg::kChannels; ++c)
        f.Editor().SetDelay(c, 100 + c);
    QTRY_COMPARE_WITH_TIMEOUT(DeviceDelay(f, 5), 105, FormRig::kLimit);
    const int writes = f.Sim().Counters().writes;

    CTimeAlignDlg* dialog = OpenDialog(f);
    QVERIFY(dialog);
    dialog->DistanceEdit(0)->setText(QStringLiteral("0"));
    dialog->DistanceEdit(1)->setText(QStringLiteral("300"));
    dialog->DistanceEdit(2)->setText(QStringLiteral("800"));
    dialog->Apply();

    QCOMPARE(dialog->LastPlan().refusal, TimeAlignmentPlan::Refusal::TooWide);
    QCOMPARE(dialog->ResultText(),
             CTimeAlignment::RefusalText(dialog->LastPlan(), CTimeAlignment::Unit::Cm, 0));
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(f.Sim().Counters().writes, writes);
    for (int c = 0; c < CTimeAlignDlg::kChannels; ++c) {
        QCOMPARE(DeviceDelay(f, c), 100 + c);
        QCOMPARE(f.session->Data().Channel(c).GetDelay(), 100 + c);
    }
}

// A second request brings the open dialog forward; every control has its id and an accessible name.
void TestTimeAlignDlg::oneDialogAtATimeWithItsIds() {
    FormRig f(1);
    CTimeAlignDlg* dialog = OpenDialog(f);
    QVERIFY(dialog);
    QCOMPARE(OpenDialog(f), dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("时间校准"));
    for (int id : {CTimeAlignDlg::kCm, CTimeAlignDlg::kInch, CTimeAlignDlg::kResult, CTimeAlignDlg::kApply,
                   CTimeAlignDlg::kClose, CTimeAlignDlg::kDistanceBase, CTimeAlignDlg::kDistanceBase + 5}) {
        auto* control = dialog->findChild<QWidget*>(QString::number(id));
        QVERIFY2(control, qPrintable(QString::number(id)));
        QVERIFY(!control->accessibleName().isEmpty() || qobject_cast<QPushButton*>(control));
    }
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::number(CTimeAlignDlg::kClose)),
                      Qt::LeftButton);
    QTRY_VERIFY(f.View().TimeAlignDialog() == nullptr);
}

QTEST_MAIN(TestTimeAlignDlg)
#include "tst_TimeAlignDlg.moc"
