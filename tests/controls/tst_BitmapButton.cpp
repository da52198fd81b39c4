// Skinned buttons press, toggle and group like Qt's, ignore input while disabled and follow the language.
#include "controls/BitmapButton.h"
#include "controls/SkinAccessibility.h"
#include "controls/SkinLanguage.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QSignalSpy>
#include <QtTest>

#include <array>
#include <memory>

namespace {

enum class Input { Click, Space, Return, Enter };

void Give(CBitmapButton& button, Input input) {
    switch (input) {
    case Input::Click:
        QTest::mouseClick(&button, Qt::LeftButton);
        break;
    case Input::Space:
        QTest::keyClick(&button, Qt::Key_Space);
        break;
    case Input::Return:
        QTest::keyClick(&button, Qt::Key_Return);
        break;
    case Input::Enter:
        QTest::keyClick(&button, Qt::Key_Enter, Qt::KeypadModifier);
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Input)

class TestBitmapButton : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CSkinAccessibility::Install(); }
    void cleanup() { CSkinLanguage::SetFlag(nullptr); }

    void inputPressesOnlyWhenEnabled_data();
    void inputPressesOnlyWhenEnabled();
    void toggleFlipsOnEveryPress();
    void radioGroupKeepsOneChecked_data();
    void radioGroupKeepsOneChecked();
    void textAndNameFollowTheLanguage();
    void accessibleRoleStateAndPress();
};

void TestBitmapButton::inputPressesOnlyWhenEnabled_data() {
    QTest::addColumn<Input>("input");
    QTest::addColumn<bool>("enabled");
    const std::array<std::pair<const char*, Input>, 4> inputs{{{"click", Input::Click},
                                                               {"space", Input::Space},
                                                               {"return", Input::Return},
                                                               {"enter", Input::Enter}}};
    for (const auto& [name, input] : inputs) {
        QTest::addRow("%s, enabled", name) << input << true;
        QTest::addRow("%s, disabled", name) << input << false;
    }
}

void TestBitmapButton::inputPressesOnlyWhenEnabled() {
    QFETCH(Input, input);
    QFETCH(bool, enabled);
    CBitmapButton button({"Connect", "连接"});
    button.resize(button.sizeHint());
    button.setEnabled(enabled);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    Give(button, input);
    QCOMPARE(clicked.count(), enabled ? 1 : 0);
    QVERIFY(!button.isDown());
}

void TestBitmapButton::toggleFlipsOnEveryPress() {
    CBitmapButton button({"Mute", "静音"});
    button.setCheckable(true);
    QSignalSpy toggled(&button, &QAbstractButton::toggled);
    Give(button, Input::Click);
    QVERIFY(button.isChecked());
    Give(button, Input::Return);
    QVERIFY(!button.isChecked());
    QCOMPARE(toggled.count(), 2);
    button.setChecked(true); // from code, as the window's refresh does
    QVERIFY(button.isChecked());
}

void TestBitmapButton::radioGroupKeepsOneChecked_data() {
    QTest::addColumn<bool>("useGroup"); // QButtonGroup, else auto-exclusive siblings
    QTest::newRow("button group") << true;
    QTest::newRow("auto-exclusive siblings") << false;
}

void TestBitmapButton::radioGroupKeepsOneChecked() {
    QFETCH(bool, useGroup);
    QWidget form;
    QButtonGroup group;
    std::array<CBitmapButton*, 3> units{new CBitmapButton({"Cm", "厘米"}, &form),
                                        new CBitmapButton({"Ms", "毫秒"}, &form),
                                        new CBitmapButton({"Inch", "英寸"}, &form)};
    for (int i = 0; i < 3; ++i) {
        units[i]->setCheckable(true);
        units[i]->move(i * 60, 0);
        if (useGroup)
            group.addButton(units[i], i);
        else
            units[i]->setAutoExclusive(true);
    }
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    auto checked = [&] {
        QList<bool> states;
        for (CBitmapButton* unit : units)
            states << unit->isChecked();
        return states;
    };
    Give(*units[1], Input::Click);
    QCOMPARE(checked(), (QList<bool>{false, true, false}));
    Give(*units[2], Input::Space);
    QCOMPARE(checked(), (QList<bool>{false, false, true}));
    Give(*units[2], Input::Click); // the checked one stays checked
    QCOMPARE(checked(), (QList<bool>{false, false, true}));
    units[0]->setEnabled(false);
    Give(*units[0], Input::Click);
    QCOMPARE(checked(), (QList<bool>{false, false, true}));
}

void TestBitmapButton::textAndNameFollowTheLanguage() {
    std::atomic<int> language{0};
    CSkinLanguage::SetFlag(&language);
    CBitmapButton button({"Connect", "连接"});
    button.SetAccessibleText({"Connect to the device", "连接设备"});
    QCOMPARE(button.text(), QString("Connect"));
    QCOMPARE(button.accessibleName(), QString("Connect to the device"));
    const int englishWidth = button.sizeHint().width();

    language = 1;
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&button, &change);
    QCOMPARE(button.Language(), 1);
    QCOMPARE(button.text(), QString("连接"));
    QCOMPARE(button.accessibleName(), QString("连接设备"));
    QVERIFY(button.sizeHint().width() != englishWidth);

    button.SetLanguage(0);
    QCOMPARE(button.text(), QString("Connect"));
    button.SetText({"Link", ""}); // no Chinese text: English stands in
    button.SetLanguage(1);
    QCOMPARE(button.text(), QString("Link"));
}

void TestBitmapButton::accessibleRoleStateAndPress() {
    CBitmapButton push({"Connect", "连接"});
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&push);
    QVERIFY(iface != nullptr);
    QCOMPARE(iface->role(), QAccessible::Button);
    QCOMPARE(iface->text(QAccessible::Name), QString("Connect")); // the caption without a name of its own
    QVERIFY(iface->state().focusable);
    QSignalSpy clicked(&push, &QAbstractButton::clicked);
    QVERIFY(iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(clicked.count(), 1);

    CBitmapButton toggle({"Mute", "静音"});
    toggle.setCheckable(true);
    toggle.setChecked(true);
    QAccessibleInterface* toggleIface = QAccessible::queryAccessibleInterface(&toggle);
    QCOMPARE(toggleIface->role(), QAccessible::Button);
    QVERIFY(toggleIface->state().checkable);
    QVERIFY(toggleIface->state().checked);

    QButtonGroup group;
    group.addButton(&toggle);
    QCOMPARE(toggleIface->role(), QAccessible::RadioButton);
}

QTEST_MAIN(TestBitmapButton)
#include "tst_BitmapButton.moc"
