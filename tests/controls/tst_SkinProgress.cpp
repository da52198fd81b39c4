// The skinned progress bar keeps its position inside the range and tells screen readers how far it is.
#include "controls/SkinAccessibility.h"
#include "controls/SkinProgress.h"

#include <QAccessible>
#include <QtTest>

class TestSkinProgress : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CSkinAccessibility::Install(); }

    void clampsAndReportsItsValue_data();
    void clampsAndReportsItsValue();
};

void TestSkinProgress::clampsAndReportsItsValue_data() {
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("value");
    QTest::newRow("inside") << 0 << 200 << 50 << 50 << "25%";
    QTest::newRow("above the range") << 0 << 10 << 30 << 10 << "100%";
    QTest::newRow("below the range") << 5 << 10 << 0 << 5 << "0%";
    QTest::newRow("empty range") << 3 << 1 << 9 << 3 << "0%";
}

void TestSkinProgress::clampsAndReportsItsValue() {
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, position);
    QFETCH(int, shown);
    QFETCH(QString, value);
    CSkinProgress bar;
    bar.SetAccessibleText({"Transfer", "传输"});
    bar.SetRange(minimum, maximum);
    bar.SetPosition(position);
    QCOMPARE(bar.Position(), shown);

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&bar);
    QVERIFY(iface != nullptr);
    QCOMPARE(iface->role(), QAccessible::ProgressBar);
    QCOMPARE(iface->text(QAccessible::Name), QString("Transfer"));
    QCOMPARE(iface->text(QAccessible::Value), value);
    QAccessibleValueInterface* values = iface->valueInterface();
    QVERIFY(values != nullptr);
    QCOMPARE(values->currentValue().toInt(), shown);
    values->setCurrentValue(minimum + 1); // a screen reader cannot move it
    QCOMPARE(bar.Position(), shown);
}

QTEST_MAIN(TestSkinProgress)
#include "tst_SkinProgress.moc"
