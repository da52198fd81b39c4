// The fader reports user drags, steps and screen-reader changes to its window, and nothing set from code.
#include "controls/BitmapSlider.h"
#include "controls/SkinAccessibility.h"
#include "controls/SkinLanguage.h"
#include "link/Notifier.h"
#include "support/MessageSink.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(Qt::Orientation)

namespace {

constexpr int kId = 8650;

// Pixels along the axis that move the value by `values` (positive: towards the maximum).
QPoint Towards(const CBitmapSlider& slider, int pixels) {
    return slider.Orientation() == Qt::Vertical ? QPoint(0, -pixels) : QPoint(pixels, 0);
}

// How far the thumb travels over the whole range, read off the slider itself.
int Travel(CBitmapSlider& slider) {
    const int keep = slider.Position();
    slider.SetPosition(slider.Minimum());
    const QPoint low = slider.ThumbRect().center();
    slider.SetPosition(slider.Maximum());
    const QPoint high = slider.ThumbRect().center();
    slider.SetPosition(keep);
    return (high - low).manhattanLength();
}

} // namespace

class TestBitmapSlider : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CSkinAccessibility::Install(); }
    void init();
    void cleanup();

    void dragPostsChangingThenCommitsTheFinalPosition_data();
    void dragPostsChangingThenCommitsTheFinalPosition();
    void grabbingTheThumbOffCentreDoesNotMoveIt();
    void clickOnTheTrackPagesTowardsTheClick();
    void keysStepAndCommit_data();
    void keysStepAndCommit();
    void wheelStepsPerNotchAndCommits_data();
    void wheelStepsPerNotchAndCommits();
    void settingFromCodeReportsNothing();
    void idIsTheSetOneElseTheObjectName();
    void hidingDuringADragCommitsWhereItGotTo();
    void accessibleValueReadsAndSets();

private:
    std::unique_ptr<CBitmapSlider> m_slider;
    CMessageSink m_sink;
};

void TestBitmapSlider::init() {
    m_slider = std::make_unique<CBitmapSlider>(Qt::Vertical);
    m_slider->setObjectName(QString::number(kId));
    m_slider->resize(m_slider->sizeHint());
    m_slider->SetRange(0, 60);
    m_slider->SetPageStep(10);
    m_slider->SetPosition(30);
    m_slider->SetMessageTarget(&m_sink);
    m_slider->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_slider.get()));
    m_sink.Take();
}

void TestBitmapSlider::cleanup() {
    m_slider.reset();
    CSkinLanguage::SetFlag(nullptr);
}

void TestBitmapSlider::dragPostsChangingThenCommitsTheFinalPosition_data() {
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<int>("pixels"); // towards the maximum
    QTest::newRow("vertical up") << Qt::Vertical << 40;
    QTest::newRow("vertical down") << Qt::Vertical << -25;
    QTest::newRow("horizontal right") << Qt::Horizontal << 33;
    QTest::newRow("horizontal left past the minimum") << Qt::Horizontal << -500;
}

void TestBitmapSlider::dragPostsChangingThenCommitsTheFinalPosition() {
    QFETCH(Qt::Orientation, orientation);
    QFETCH(int, pixels);
    m_slider->SetOrientation(orientation);
    m_slider->resize(m_slider->sizeHint());
    const int travel = Travel(*m_slider);
    QSignalSpy changing(m_slider.get(), &CBitmapSlider::Changing);
    QSignalSpy committed(m_slider.get(), &CBitmapSlider::Committed);

    const QPoint grab = m_slider->ThumbRect().center();
    QTest::mousePress(m_slider.get(), Qt::LeftButton, {}, grab);
    const int moves = 8;
    for (int i = 1; i <= moves; ++i)
        QTest::mouseMove(m_slider.get(), grab + Towards(*m_slider, pixels * i / moves));
    const std::vector<Notification> whileDragged = m_sink.Take();
    QTest::mouseRelease(m_slider.get(), Qt::LeftButton, {}, grab + Towards(*m_slider, pixels));
    const std::vector<Notification> onRelease = m_sink.Take();

    const int expected = std::clamp(30 + static_cast<int>(std::lround(pixels * 60.0 / travel)), 0, 60);
    QCOMPARE(m_slider->Position(), expected);
    QVERIFY(!whileDragged.empty());
    int last = 30;
    for (const Notification& n : whileDragged) {
        QCOMPARE(n.message, int(UM_SLIDER_CHANGING));
        QCOMPARE(n.wParam, kId);
        QVERIFY(n.lParam != last); // only new positions are reported
        last = static_cast<int>(n.lParam);
    }
    QCOMPARE(last, expected);
    QCOMPARE(onRelease, (std::vector<Notification>{{UM_SLIDER_COMMITTED, kId, expected}}));
    QCOMPARE(changing.count(), static_cast<int>(whileDragged.size()));
    QCOMPARE(committed.count(), 1);
    QCOMPARE(committed.at(0).at(0).toInt(), expected);
}

void TestBitmapSlider::grabbingTheThumbOffCentreDoesNotMoveIt() {
    const QRect thumb = m_slider->ThumbRect();
    const QPoint grab(thumb.center().x(), thumb.bottom() - 1); // near the thumb's lower edge
    QTest::mousePress(m_slider.get(), Qt::LeftButton, {}, grab);
    QCOMPARE(m_slider->Position(), 30);
    QVERIFY(m_slider->IsDragging());

    QTest::mouseMove(m_slider.get(), grab + QPoint(0, -12));
    QVERIFY(m_slider->Position() > 30);
    QTest::mouseMove(m_slider.get(), grab); // back to where it was grabbed: back to where it was
    QCOMPARE(m_slider->Position(), 30);
    QTest::mouseRelease(m_slider.get(), Qt::LeftButton, {}, grab);

    const std::vector<Notification> got = m_sink.Take();
    QVERIFY(!got.empty());
    QCOMPARE(got.back(), (Notification{UM_SLIDER_COMMITTED, kId, 30}));

    // A press and release on the thumb without moving reports nothing.
    QTest::mouseClick(m_slider.get(), Qt::LeftButton, {}, grab);
    QCOMPARE(m_slider->Position(), 30);
    QVERIFY(m_sink.Take().empty());
}

void TestBitmapSlider::clickOnTheTrackPagesTowardsTheClick() {
    const QRect thumb = m_slider->ThumbRect();
    QTest::mouseClick(m_slider.get(), Qt::LeftButton, {}, {thumb.center().x(), 3}); // above: up a page
    QCOMPARE(m_slider->Position(), 40);
    QTest::mouseClick(m_slider.get(), Qt::LeftButton, {}, {thumb.center().x(), m_slider->height() - 3});
    QCOMPARE(m_slider->Position(), 30);
    QCOMPARE(m_sink.Take(),
             (std::vector<Notification>{{UM_SLIDER_COMMITTED, kId, 40}, {UM_SLIDER_COMMITTED, kId, 30}}));
}

void TestBitmapSlider::keysStepAndCommit_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");
    QTest::newRow("up") << int(Qt::Key_Up) << 30 << 31;
    QTest::newRow("right") << int(Qt::Key_Right) << 30 << 31;
    QTest::newRow("down") << int(Qt::Key_Down) << 30 << 29;
    QTest::newRow("left") << int(Qt::Key_Left) << 30 << 29;
    QTest::newRow("page up") << int(Qt::Key_PageUp) << 30 << 40;
    QTest::newRow("page down") << int(Qt::Key_PageDown) << 30 << 20;
    QTest::newRow("page up near the top stops at the maximum") << int(Qt::Key_PageUp) << 55 << 60;
    QTest::newRow("home") << int(Qt::Key_Home) << 30 << 0;
    QTest::newRow("end") << int(Qt::Key_End) << 30 << 60;
    QTest::newRow("up at the maximum") << int(Qt::Key_Up) << 60 << 60;
    QTest::newRow("down at the minimum") << int(Qt::Key_Down) << 0 << 0;
}

void TestBitmapSlider::keysStepAndCommit() {
    QFETCH(int, key);
    QFETCH(int, start);
    QFETCH(int, expected);
    m_slider->SetPosition(start);
    QTest::keyClick(m_slider.get(), static_cast<Qt::Key>(key));
    QCOMPARE(m_slider->Position(), expected);
    const std::vector<Notification> got = m_sink.Take();
    if (expected == start)
        QVERIFY(got.empty());
    else
        QCOMPARE(got, (std::vector<Notification>{{UM_SLIDER_COMMITTED, kId, expected}}));
}

void TestBitmapSlider::wheelStepsPerNotchAndCommits_data() {
    QTest::addColumn<QList<int>>("deltas");
    QTest::addColumn<QList<int>>("commits");
    QTest::newRow("one notch up") << QList<int>{120} << QList<int>{31};
    QTest::newRow("two notches down at once") << QList<int>{-240} << QList<int>{28};
    QTest::newRow("half notches add up") << QList<int>{60, 60, 60} << QList<int>{31};
    QTest::newRow("beyond the maximum") << QList<int>{120 * 50, 120} << QList<int>{60};
}

void TestBitmapSlider::wheelStepsPerNotchAndCommits() {
    QFETCH(QList<int>, deltas);
    QFETCH(QList<int>, commits);
    const QPointF at = m_slider->rect().center();
    for (const int delta : deltas) {
        QWheelEvent wheel(at, m_slider->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_slider.get(), &wheel);
    }
    std::vector<Notification> expected;
    for (const int position : commits)
        expected.push_back({UM_SLIDER_COMMITTED, kId, position});
    QCOMPARE(m_sink.Take(), expected);
    QCOMPARE(m_slider->Position(), commits.back());
}

void TestBitmapSlider::settingFromCodeReportsNothing() {
    QSignalSpy changing(m_slider.get(), &CBitmapSlider::Changing);
    QSignalSpy committed(m_slider.get(), &CBitmapSlider::Committed);
    m_slider->SetPosition(12);
    m_slider->SetPosition(99); // clamped
    QCOMPARE(m_slider->Position(), 60);
    m_slider->SetRange(0, 20); // clamps the position too
    QCOMPARE(m_slider->Position(), 20);
    QVERIFY(m_sink.Take().empty());
    QCOMPARE(changing.count() + committed.count(), 0);
}

void TestBitmapSlider::idIsTheSetOneElseTheObjectName() {
    QCOMPARE(m_slider->ControlId(), kId);
    m_slider->SetControlId(2227);
    QTest::keyClick(m_slider.get(), Qt::Key_Up);
    QCOMPARE(m_sink.Take(), (std::vector<Notification>{{UM_SLIDER_COMMITTED, 2227, 31}}));
}

void TestBitmapSlider::hidingDuringADragCommitsWhereItGotTo() {
    const QPoint grab = m_slider->ThumbRect().center();
    QTest::mousePress(m_slider.get(), Qt::LeftButton, {}, grab);
    QTest::mouseMove(m_slider.get(), grab + QPoint(0, -20));
    const int reached = m_slider->Position();
    QVERIFY(reached > 30);
    m_slider->hide();
    QVERIFY(!m_slider->IsDragging());
    const std::vector<Notification> got = m_sink.Take();
    QCOMPARE(got.back(), (Notification{UM_SLIDER_COMMITTED, kId, reached}));
    QTest::mouseRelease(m_slider.get(), Qt::LeftButton, {}, grab); // the late release adds nothing
    QVERIFY(m_sink.Take().empty());
}

void TestBitmapSlider::accessibleValueReadsAndSets() {
    std::atomic<int> language{0};
    CSkinLanguage::SetFlag(&language);
    m_slider->SetAccessibleText({"CH1 gain", "CH1 增益"});

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(m_slider.get());
    QVERIFY(iface != nullptr);
    QCOMPARE(iface->role(), QAccessible::Slider);
    QCOMPARE(iface->text(QAccessible::Name), QString("CH1 gain"));
    QVERIFY(iface->state().focusable);
    QAccessibleValueInterface* value = iface->valueInterface();
    QVERIFY(value != nullptr);
    QCOMPARE(value->currentValue().toInt(), 30);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 60);
    QCOMPARE(value->minimumStepSize().toInt(), 1);

    value->setCurrentValue(42);
    QCOMPARE(m_slider->Position(), 42);
    value->setCurrentValue(500);
    QCOMPARE(value->currentValue().toInt(), 60);
    iface->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    QCOMPARE(iface->text(QAccessible::Value), QString("59"));
    QCOMPARE(m_sink.Take(), (std::vector<Notification>{{UM_SLIDER_COMMITTED, kId, 42},
                                                       {UM_SLIDER_COMMITTED, kId, 60},
                                                       {UM_SLIDER_COMMITTED, kId, 59}}));

    language = 1;
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(m_slider.get(), &change);
    QCOMPARE(iface->text(QAccessible::Name), QString("CH1 增益"));
}

QTEST_MAIN(TestBitmapSlider)
#include "tst_BitmapSlider.moc"
