// Numeric spin: stepping (frequencies on the response grid), notifications while a button is held, the
// data error of SetPos, the pairing with its editor and how the pair looks.
#include "ManualTimeline.h"

#include "controls/SkinPalette.h"
#include "editors/NumEdit.h"
#include "editors/NumSpin.h"

#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// An editor and its spin on a panel, the spin's timers on a hand-driven clock.
struct Pair {
    CManualTimeline clock; // outlives the spin, whose timers unregister from it when destroyed
    QWidget panel;
    CNumEdit* edit = new CNumEdit(&panel);
    CNumSpin* spin = new CNumSpin(&panel);

    explicit Pair(int kind = CNumEdit::kBandFreq, int min = 20, int max = 20000) {
        edit->setObjectName("5200");
        spin->setObjectName("5240");
        edit->setGeometry(0, 0, 48, 22);
        spin->setGeometry(48, 0, 16, 22);
        // Made one after the other: timers due together fire in the order they were made.
        auto autoRepeat = clock.NewTimer();
        auto notify = clock.NewTimer();
        spin->SetTimers(std::move(autoRepeat), std::move(notify));
        spin->SetBuddy(edit);
        edit->SetEditKind(kind);
        spin->SetRange(min, max);
    }

    QPoint Up() const { return {8, 5}; }
    QPoint Down() const { return {8, 16}; }
};

QMessageBox* TakeMessage(QWidget& window) {
    QMessageBox* box = window.findChild<QMessageBox*>();
    if (box != nullptr) {
        box->setParent(nullptr);
    }
    return box;
}

} // namespace

class TestNumSpin : public QObject {
    Q_OBJECT

private slots:
    void steppedCode_data();
    void steppedCode();
    void gridStepsAlwaysMove();
    void setRangeReachesTheBuddy();
    void setPosInRange();
    void setPosOutsideTheRange_data();
    void setPosOutsideTheRange();
    void clickNotifiesOnceOnRelease();
    void holdNotifiesOncePerPeriodAndOnRelease();
    void holdAtTheLimitNotifiesNothing();
    void draggedOffTheButtonPauses();
    void hidingWhileHeldEndsThePress();
    void stepStartsFromTypedText();
    void stepAfterTypedValueWasCommitted();
    void wheelNotifiesAtOnce();
    void unpairOnDestruction();
    void renderedPair();
};

void TestNumSpin::steppedCode_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("up");
    QTest::addColumn<int>("down");

    QTest::newRow("1000 Hz") << CNumEdit::kBandFreq << 1000 << 20 << 20000 << 1030 << 972;
    QTest::newRow("99 Hz") << CNumEdit::kBandFreq << 99 << 20 << 20000 << 102 << 96;
    QTest::newRow("bottom stays") << CNumEdit::kBandFreq << 20 << 20 << 20000 << 21 << 20;
    QTest::newRow("top stays") << CNumEdit::kBandFreq << 20000 << 20 << 20000 << 20000 << 19585;
    QTest::newRow("crossover on the grid") << CNumEdit::kXoverFreq << 1000 << 20 << 20000 << 1030 << 972;
    QTest::newRow("grid step limited to range") << CNumEdit::kXoverFreq << 1000 << 990 << 1010 << 1010 << 990;
    QTest::newRow("gain by one") << CNumEdit::kBandGain << 200 << 0 << 400 << 201 << 199;
    QTest::newRow("gain at top") << CNumEdit::kBandGain << 400 << 0 << 400 << 400 << 399;
    QTest::newRow("delay at bottom") << CNumEdit::kDelayMs << 0 << 0 << 960 << 1 << 0;
    QTest::newRow("Q index") << CNumEdit::kBandwidth << 15 << 0 << 295 << 16 << 14;
}

void TestNumSpin::steppedCode() {
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, up);
    QFETCH(int, down);
    QCOMPARE(CNumSpin::SteppedCode(kind, code, 1, min, max), up);
    QCOMPARE(CNumSpin::SteppedCode(kind, code, -1, min, max), down);
}

void TestNumSpin::gridStepsAlwaysMove() {
    // Every frequency a band can hold moves on a step, up to the ends of the grid, and a step up then
    // down never moves by much more than one grid interval (about 3 %).
    for (int c = 20; c <= 20000; ++c) {
        const int up = CNumSpin::SteppedCode(CNumEdit::kBandFreq, c, 1, 20, 20000);
        const int down = CNumSpin::SteppedCode(CNumEdit::kBandFreq, c, -1, 20, 20000);
        if (c < 20000) {
            QVERIFY2(up > c, qPrintable(QString::number(c)));
        }
        if (c > 20) {
            QVERIFY2(down < c, qPrintable(QString::number(c)));
        }
        QVERIFY(up <= c * 1.07 + 2 && down >= c / 1.07 - 2);
    }
}

void TestNumSpin::setRangeReachesTheBuddy() {
    Pair pair(CNumEdit::kBandGain, 0, 400);
    QCOMPARE(pair.spin->Minimum(), 0);
    QCOMPARE(pair.spin->Maximum(), 400);
    QCOMPARE(pair.edit->Minimum(), 0);
    QCOMPARE(pair.edit->Maximum(), 400);
    QCOMPARE(pair.spin->EditKind(), CNumEdit::kBandGain);
    QCOMPARE(pair.spin->GetPos(), 0);
    QCOMPARE(pair.edit->Spin(), pair.spin);
    QCOMPARE(pair.spin->Buddy(), pair.edit);
    QCOMPARE(pair.spin->RepeatPeriod(), 400);
}

void TestNumSpin::setPosInRange() {
    Pair pair;
    QVERIFY(pair.spin->SetPos(1000));
    QCOMPARE(pair.spin->GetPos(), 1000);
    QCOMPARE(pair.edit->text(), QString("1000"));
    QVERIFY(TakeMessage(pair.panel) == nullptr);
}

void TestNumSpin::setPosOutsideTheRange_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("message");
    QTest::newRow("above, English") << 0 << 20001 << "5240:Data err";
    QTest::newRow("below, Chinese") << 1 << 19 << "5240:数据错误";
}

void TestNumSpin::setPosOutsideTheRange() {
    QFETCH(int, language);
    QFETCH(int, pos);
    QFETCH(QString, message);

    Pair pair;
    pair.edit->SetLanguage(language);
    QVERIFY(pair.spin->SetPos(500));
    QSignalSpy notified(pair.spin, &CNumSpin::valueNotified);

    QVERIFY(!pair.spin->SetPos(pos));
    std::unique_ptr<QMessageBox> box(TakeMessage(pair.panel));
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), message);
    QCOMPARE(box->standardButtons(), QMessageBox::Ok);
    QCOMPARE(pair.spin->GetPos(), 500);
    QCOMPARE(pair.edit->text(), QString("500"));
    QCOMPARE(notified.count(), 0);
}

void TestNumSpin::clickNotifiesOnceOnRelease() {
    Pair pair;
    pair.spin->SetPos(1000);
    QSignalSpy notified(pair.spin, &CNumSpin::valueNotified);

    QTest::mousePress(pair.spin, Qt::LeftButton, {}, pair.Up());
    QCOMPARE(pair.spin->GetPos(), 1030);
    QCOMPARE(pair.edit->text(), QString("1030"));
    QCOMPARE(notified.count(), 0);
    QTest::mouseRelease(pair.spin, Qt::LeftButton, {}, pair.Up());
    QCOMPARE(notified.count(), 1);
    QCOMPARE(notified.at(0).at(0).toInt(), 5240);
    QCOMPARE(notified.at(0).at(1).toInt(), 1030);

    QTest::mouseClick(pair.spin, Qt::LeftButton, {}, pair.Down());
    QCOMPARE(pair.spin->GetPos(), 1000);
    QCOMPARE(notified.count(), 2);
}

void TestNumSpin::holdNotifiesOncePerPeriodAndOnRelease() {
    Pair pair(CNumEdit::kBandGain, 0, 400);
    pair.spin->SetPos(100);
    QList<long long> times;
    QList<int> codes;
    QList<int> positions;
    connect(pair.spin, &CNumSpin::valueNotified, pair.spin, [&](int, int code) {
        times.append(pair.clock.Now());
        codes.append(code);
        positions.append(pair.spin->GetPos());
    });

    QTest::mousePress(pair.spin, Qt::LeftButton, {}, pair.Up());
    QVERIFY(pair.spin->IsPressed());
    pair.clock.Advance(399);
    QCOMPARE(times.size(), 0);
    pair.clock.Advance(1);
    QCOMPARE(times.size(), 1);
    pair.clock.Advance(650);
    QCOMPARE(times.size(), 2);
    QCOMPARE(times, (QList<long long>{400, 800}));
    const int atLastNotification = codes.constLast();

    QTest::mouseRelease(pair.spin, Qt::LeftButton, {}, pair.Up());
    QCOMPARE(times.size(), 3);
    QCOMPARE(times.constLast(), 1050);
    // Each notification carried the code of its moment; the repeat kept stepping in between.
    QCOMPARE(codes, positions);
    QVERIFY(codes.constLast() > atLastNotification);
    const int expected = 100 + 1 + 1 + (1050 - CNumSpin::kAutoRepeatDelayMs) / CNumSpin::kAutoRepeatRateMs;
    QCOMPARE(pair.spin->GetPos(), expected);

    // Released, nothing more comes.
    pair.clock.Advance(5000);
    QCOMPARE(times.size(), 3);
    QCOMPARE(pair.spin->GetPos(), expected);
}

void TestNumSpin::holdAtTheLimitNotifiesNothing() {
    Pair pair(CNumEdit::kBandGain, 0, 400);
    pair.spin->SetPos(400);
    QSignalSpy notified(pair.spin, &CNumSpin::valueNotified);
    QTest::mousePress(pair.spin, Qt::LeftButton, {}, pair.Up());
    pair.clock.Advance(2000);
    QTest::mouseRelease(pair.spin, Qt::LeftButton, {}, pair.Up());
    QCOMPARE(notified.count(), 0);
    QCOMPARE(pair.spin->GetPos(), 400);
}

void TestNumSpin::draggedOffTheButtonPauses() {
    Pair pair(CNumEdit::kBandGain, 0, 400);
    pair.spin->SetPos(100);
    QTest::mousePress(pair.spin, Qt::LeftButton, {}, pair.Down());
    QTest::mouseMove(pair.spin, QPoint(40, 40));
    pair.clock.Advance(2000);
    QCOMPARE(pair.spin->GetPos(), 99); // only the press itself stepped
    QTest::mouseMove(pair.spin, pair.Down());
    pair.clock.Advance(CNumSpin::kAutoRepeatRateMs);
    QCOMPARE(pair.spin->GetPos(), 98);
    QTest::mouseRelease(pair.spin, Qt::LeftButton, {}, pair.Down());
}

void TestNumSpin::hidingWhileHeldEndsThePress() {
    Pair pair(CNumEdit::kBandGain, 0, 400);
    pair.panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pair.panel));
    pair.spin->SetPos(100);
    QSignalSpy notified(pair.spin, &CNumSpin::valueNotified);
    QTest::mousePress(pair.spin, Qt::LeftButton, {}, pair.Up());
    pair.spin->hide();
    QVERIFY(!pair.spin->IsPressed());
    QCOMPARE(notified.count(), 1);
    pair.clock.Advance(5000);
    QCOMPARE(pair.spin->GetPos(), 101);
    QCOMPARE(notified.count(), 1);
}

void TestNumSpin::stepStartsFromTypedText() {
    Pair pair;
    pair.spin->SetPos(1000);
    QSignalSpy notified(pair.spin, &CNumSpin::valueNotified);
    pair.edit->selectAll();
    QTest::keyClicks(pair.edit, "500");
    QTest::mouseClick(pair.spin, Qt::LeftButton, {}, pair.Up());
    QCOMPARE(pair.spin->GetPos(), 515);
    QCOMPARE(pair.edit->text(), QString("515"));
    QCOMPARE(notified.count(), 1);
    QCOMPARE(notified.at(0).at(1).toInt(), 515);
}

void TestNumSpin::stepAfterTypedValueWasCommitted() {
    Pair pair;
    pair.spin->SetPos(1000);
    pair.edit->selectAll();
    QTest::keyClicks(pair.edit, "500");
    QTest::keyClick(pair.edit, Qt::Key_Return);
    QCOMPARE(pair.edit->Code(), 500);
    // The spin holds the committed code, not the one it had before the typing.
    QTest::mouseClick(pair.spin, Qt::LeftButton, {}, pair.Down());
    QCOMPARE(pair.spin->GetPos(), 486);
}

void TestNumSpin::wheelNotifiesAtOnce() {
    Pair pair(CNumEdit::kChannelGain, 0, 60);
    pair.edit->SetStep(1.0);
    pair.edit->SetOffset(60.0);
    pair.spin->SetPos(30);
    QSignalSpy notified(pair.spin, &CNumSpin::valueNotified);
    const QPointF at(8, 8);
    QWheelEvent wheel(at, pair.spin->mapToGlobal(at), {}, {0, -240}, Qt::NoButton, {}, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(pair.spin, &wheel);
    QCOMPARE(pair.spin->GetPos(), 28);
    QCOMPARE(pair.edit->text(), QString("-32dB"));
    QCOMPARE(notified.count(), 2);
}

void TestNumSpin::unpairOnDestruction() {
    auto edit = std::make_unique<CNumEdit>();
    {
        CNumSpin spin;
        spin.SetBuddy(edit.get());
        QCOMPARE(edit->Spin(), &spin);
    }
    QVERIFY(edit->Spin() == nullptr);
    edit->SetRange(0, 10);
    QTest::keyClick(edit.get(), Qt::Key_Up); // steps on its own now
    QCOMPARE(edit->Code(), 1);

    CNumSpin spin;
    spin.SetBuddy(edit.get());
    edit.reset();
    QVERIFY(spin.Buddy() == nullptr);
    spin.SetRange(0, 5);
    QVERIFY(spin.SetPos(3));
    QCOMPARE(spin.GetPos(), 3);
}

void TestNumSpin::renderedPair() {
    // A strip of a page: band frequency (focused), Q and gain (page-highlighted), a delay in Chinese with
    // its up button held and a channel gain at the bottom of its range, each editor with its spin.
    QWidget page;
    page.setAutoFillBackground(true);
    QPalette palette = CSkinPalette::Palette();
    palette.setColor(QPalette::Window, QColor(28, 28, 30));
    page.setPalette(palette);
    QFont font = page.font();
    font.setPixelSize(12);
    page.setFont(font);
    page.resize(424, 42);

    struct Field {
        int kind;
        QString unit;
        int min, max, code;
        double step, offset;
        int language;
    };
    const Field fields[] = {
        {CNumEdit::kBandFreq, "", 20, 20000, 1000, 0.0, 0.0, 0},
        {CNumEdit::kBandwidth, "", 0, 295, 15, 0.0, 0.0, 0},
        {CNumEdit::kBandGain, "", 0, 400, 232, 0.1, 20.0, 0},
        {CNumEdit::kDelayMs, "ms", 0, 960, 1, 0.0, 0.0, 1},
        {CNumEdit::kChannelGain, "", 0, 60, 0, 1.0, 60.0, 0},
    };
    QList<CNumEdit*> edits;
    QList<CNumSpin*> spins;
    int x = 8;
    for (const Field& f : fields) {
        auto* edit = new CNumEdit(&page);
        auto* spin = new CNumSpin(&page);
        const int width = f.kind == CNumEdit::kDelayMs ? 84 : 52;
        edit->setGeometry(x, 10, width, 22);
        spin->setGeometry(x + width, 10, 16, 22);
        spin->SetBuddy(edit);
        edit->SetEditKind(f.kind, f.unit);
        edit->SetStep(f.step);
        edit->SetOffset(f.offset);
        edit->SetLanguage(f.language);
        spin->SetRange(f.min, f.max);
        spin->SetPos(f.code);
        edits.append(edit);
        spins.append(spin);
        x += width + 16 + 8;
    }
    page.show();
    page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    edits[0]->setFocus(Qt::TabFocusReason);
    edits[0]->deselect();
    edits[1]->SetHighlight(true);
    edits[2]->SetHighlight(true);
    QTest::mousePress(spins[3], Qt::LeftButton, {}, QPoint(8, 5)); // held: the up button in the accent

    const QImage shot = page.grab().toImage();
    QTest::mouseRelease(spins[3], Qt::LeftButton, {}, QPoint(8, 5));
    if (const QByteArray dir = qgetenv("SELVANO_SHOT_DIR"); !dir.isEmpty()) {
        QVERIFY(shot.save(QString::fromLocal8Bit(dir) + "/numeditors.png"));
        // Enlarged pixel for pixel, to judge the edges of text and arrows.
        QVERIFY(shot.scaled(shot.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .save(QString::fromLocal8Bit(dir) + "/numeditors-x4.png"));
    }

    const auto pixel = [&shot](QWidget* w, int dx, int dy) {
        return shot.pixelColor(w->pos() + QPoint(dx, dy));
    };
    const QColor highlight(137, 172, 209);
    QCOMPARE(pixel(edits[0], 1, 1), highlight);
    QCOMPARE(pixel(edits[1], 1, 1), highlight);
    QCOMPARE(pixel(edits[3], 1, 1), QColor(28, 28, 30)); // the page shows through
    QCOMPARE(pixel(spins[3], 3, 2), CSkinPalette::Accent());
    QCOMPARE(pixel(spins[3], 3, 13), QColor(28, 28, 30));
    QCOMPARE(pixel(spins[0], 0, 0), CSkinPalette::Accent()); // focus frame
    QCOMPARE(pixel(spins[3], 0, 0), QColor(62, 62, 65));     // quiet frame

    // Text is drawn: white in the plain editors, black in the highlighted ones.
    const auto hasTextOf = [&shot](QWidget* w, auto isText) {
        for (int yy = w->y() + 4; yy < w->y() + w->height() - 4; ++yy) {
            for (int xx = w->x() + 2; xx < w->x() + w->width() - 2; ++xx) {
                if (isText(shot.pixelColor(xx, yy))) {
                    return true;
                }
            }
        }
        return false;
    };
    const auto white = [](const QColor& c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; };
    const auto black = [](const QColor& c) { return c.red() < 40 && c.green() < 40 && c.blue() < 40; };
    QVERIFY(hasTextOf(edits[3], white));
    QVERIFY(hasTextOf(edits[4], white));
    QVERIFY(hasTextOf(edits[2], black));
}

QTEST_MAIN(TestNumSpin)
#include "tst_NumSpin.moc"
