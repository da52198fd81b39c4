// The drop-down list button opens its list, reports the user's choice to the window and keeps it across
// a language switch; what the program sets reports nothing.
#include "controls/ListButton.h"
#include "controls/SkinAccessibility.h"
#include "controls/SkinLanguage.h"
#include "link/Notifier.h"
#include "support/MessageSink.h"

#include <QAccessible>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

constexpr int kListId = 5514; // the HPF type list's notification; the button itself is control 5510

const QList<SkinText> kFamilies{{"Link_Ril", "宁克"}, {"Bessel", "贝塞尔"}, {"Butter_W", "巴特沃斯"}};

QStringList PopupTexts(const CListButton& button) {
    QStringList texts;
    for (const QAction* action : button.Popup()->actions())
        texts << action->text();
    return texts;
}

} // namespace

class TestListButton : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CSkinAccessibility::Install(); }
    void init();
    void cleanup();

    void opensOnClickAndKeys_data();
    void opensOnClickAndKeys();
    void choosingPostsTheListIdAndIndex_data();
    void choosingPostsTheListIdAndIndex();
    void escapeChoosesNothing();
    void settingFromCodeReportsNothing();
    void selectionSurvivesALanguageSwitch();
    void disabledDoesNotOpen();
    void accessibleValueIsTheChosenText();

private:
    std::atomic<int> m_language{0};
    std::unique_ptr<CListButton> m_button;
    CMessageSink m_sink;
};

void TestListButton::init() {
    m_language = 0;
    CSkinLanguage::SetFlag(&m_language);
    m_button = std::make_unique<CListButton>();
    m_button->setObjectName("5510");
    m_button->SetListId(kListId);
    m_button->SetEntries(kFamilies);
    m_button->SetMessageTarget(&m_sink);
    m_button->resize(100, 24);
    m_button->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_button.get()));
}

void TestListButton::cleanup() {
    m_button.reset();
    CSkinLanguage::SetFlag(nullptr);
}

void TestListButton::opensOnClickAndKeys_data() {
    QTest::addColumn<int>("key"); // 0: a mouse click
    QTest::addColumn<int>("modifiers");
    QTest::newRow("click") << 0 << int(Qt::NoModifier);
    QTest::newRow("space") << int(Qt::Key_Space) << int(Qt::NoModifier);
    QTest::newRow("return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    QTest::newRow("alt+down") << int(Qt::Key_Down) << int(Qt::AltModifier);
    QTest::newRow("f4") << int(Qt::Key_F4) << int(Qt::NoModifier);
}

void TestListButton::opensOnClickAndKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    if (key == 0)
        QTest::mouseClick(m_button.get(), Qt::LeftButton);
    else
        QTest::keyClick(m_button.get(), static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(m_button->Popup() != nullptr);
    QTRY_VERIFY(m_button->Popup()->isVisible());
    QCOMPARE(PopupTexts(*m_button), (QStringList{"Link_Ril", "Bessel", "Butter_W"}));
    QVERIFY(m_sink.Take().empty()); // opening is no choice
}

void TestListButton::choosingPostsTheListIdAndIndex_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("downs"); // Down presses in the open list before Return
    QTest::addColumn<int>("expected");
    QTest::newRow("the next entry") << 0 << 1 << 1;
    QTest::newRow("two further") << 0 << 2 << 2;
    QTest::newRow("the chosen one again") << 1 << 0 << 1;
}

void TestListButton::choosingPostsTheListIdAndIndex() {
    QFETCH(int, start);
    QFETCH(int, downs);
    QFETCH(int, expected);
    m_button->SetCurrentIndex(start);
    QSignalSpy selected(m_button.get(), &CListButton::Selected);
    QTest::mouseClick(m_button.get(), Qt::LeftButton);
    QMenu* popup = m_button->Popup();
    QVERIFY(popup != nullptr);
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(popup->activeAction()->data().toInt(), start); // the list opens on the chosen entry
    for (int i = 0; i < downs; ++i)
        QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);

    QCOMPARE(m_button->CurrentIndex(), expected);
    QCOMPARE(m_sink.Take(), (std::vector<Notification>{{UM_LIST_SELECTED, kListId, expected}}));
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toInt(), expected);
    QVERIFY(m_button->Popup() == nullptr);
}

void TestListButton::escapeChoosesNothing() {
    m_button->SetCurrentIndex(2);
    QTest::keyClick(m_button.get(), Qt::Key_Space);
    QMenu* popup = m_button->Popup();
    QVERIFY(popup != nullptr);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Escape);
    QVERIFY(m_button->Popup() == nullptr);
    QCOMPARE(m_button->CurrentIndex(), 2);
    QVERIFY(m_sink.Take().empty());
}

void TestListButton::settingFromCodeReportsNothing() {
    QSignalSpy selected(m_button.get(), &CListButton::Selected);
    m_button->SetCurrentIndex(2);
    QCOMPARE(m_button->CurrentText(), QString("Butter_W"));
    m_button->SetEntries(kFamilies); // a refill keeps the selection
    QCOMPARE(m_button->CurrentIndex(), 2);
    m_button->SetEntries(kFamilies.mid(0, 2)); // one that no longer holds it selects the first entry
    QCOMPARE(m_button->CurrentIndex(), 0);
    m_button->SetCurrentIndex(7);
    QCOMPARE(m_button->CurrentIndex(), -1);
    QCOMPARE(m_button->CurrentText(), QString());
    m_button->SetEntries({});
    QCOMPARE(m_button->CurrentIndex(), -1);
    QVERIFY(m_sink.Take().empty());
    QCOMPARE(selected.count(), 0);
}

void TestListButton::selectionSurvivesALanguageSwitch() {
    m_button->Choose(1);
    m_sink.Take();
    m_language = 1;
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(m_button.get(), &change);
    QCOMPARE(m_button->Language(), 1);
    QCOMPARE(m_button->CurrentIndex(), 1);
    QCOMPARE(m_button->CurrentText(), QString("贝塞尔"));
    QTest::mouseClick(m_button.get(), Qt::LeftButton);
    QVERIFY(m_button->Popup() != nullptr);
    QCOMPARE(PopupTexts(*m_button), (QStringList{"宁克", "贝塞尔", "巴特沃斯"}));
    QTest::keyClick(m_button->Popup(), Qt::Key_Return);
    QCOMPARE(m_sink.Take(), (std::vector<Notification>{{UM_LIST_SELECTED, kListId, 1}}));
}

void TestListButton::disabledDoesNotOpen() {
    m_button->setEnabled(false);
    QTest::mouseClick(m_button.get(), Qt::LeftButton);
    QTest::keyClick(m_button.get(), Qt::Key_Space);
    QVERIFY(m_button->Popup() == nullptr);
}

void TestListButton::accessibleValueIsTheChosenText() {
    m_button->SetAccessibleText({"HPF type", "高通类型"});
    m_button->SetCurrentIndex(2);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(m_button.get());
    QVERIFY(iface != nullptr);
    QCOMPARE(iface->role(), QAccessible::ComboBox);
    QCOMPARE(iface->text(QAccessible::Name), QString("HPF type"));
    QCOMPARE(iface->text(QAccessible::Value), QString("Butter_W"));
    QVERIFY(iface->state().collapsed);
    iface->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    QVERIFY(m_button->Popup() != nullptr);
    QVERIFY(iface->state().expanded);
    m_button->HidePopup();
    m_button->SetLanguage(1);
    QCOMPARE(iface->text(QAccessible::Name), QString("高通类型"));
    QCOMPARE(iface->text(QAccessible::Value), QString("巴特沃斯"));
}

QTEST_MAIN(TestListButton)
#include "tst_ListButton.moc"
