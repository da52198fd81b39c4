// Skinned labels show their text in the current language and tell screen readers what they say.
#include "controls/SkinAccessibility.h"
#include "controls/SkinLanguage.h"
#include "controls/SkinStatic.h"

#include <QAccessible>
#include <QtTest>

class TestSkinStatic : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CSkinAccessibility::Install(); }
    void cleanup() { CSkinLanguage::SetFlag(nullptr); }

    void labelFollowsTheLanguage();
};

void TestSkinStatic::labelFollowsTheLanguage() {
    std::atomic<int> language{0};
    CSkinLanguage::SetFlag(&language);
    CSkinStatic label({"High-Pass", "高通"});
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&label);
    QVERIFY(iface != nullptr);
    QCOMPARE(iface->role(), QAccessible::StaticText);
    QCOMPARE(iface->text(QAccessible::Name), QString("High-Pass")); // the text itself without a name
    QVERIFY(!iface->state().focusable);

    language = 1;
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&label, &change);
    QCOMPARE(label.CurrentText(), QString("高通"));
    QCOMPARE(iface->text(QAccessible::Name), QString("高通"));

    label.SetAccessibleText({"High-pass crossover", "高通分频"});
    QCOMPARE(iface->text(QAccessible::Name), QString("高通分频"));
    const QSize before = label.sizeHint();
    label.SetPixelSize(20);
    QVERIFY(label.sizeHint().height() > before.height());
}

QTEST_MAIN(TestSkinStatic)
#include "tst_SkinStatic.moc"
