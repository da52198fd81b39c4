// The routing matrix window and the Source Volume dialog against the simulated device: what the cells and
// columns show and send, one routing window at a time, the keyboard, the drag band, the language and
// accessibility.
#include "app/ChannelStrip.h"
#include "app/LimiterDlg.h"
#include "app/LinkRow.h"
#include "app/MasterPanel.h"
#include "app/SvolumeDLG.h"
#include "app/TavelApp.h"
#include "app/TitleBar.h"
#include "controls/BitmapButton.h"
#include "controls/BitmapSlider.h"
#include "controls/SkinStatic.h"
#include "editors/NumEdit.h"
#include "editors/NumSpin.h"
#include "link/Frame.h"
#include "model/KTV_Data.h"

#include "app/FormRig.h"

#include <QAccessible>
#include <QSignalSpy>

#include <algorithm>
#include <array>

namespace {

// The row the window edits in most tests: channel 2 (CH3), input 3 (IN4).
constexpr int kRow = 2;
constexpr int kInput = 3;
constexpr std::array<std::uint8_t, 12> kDeviceMix{10, 20, 30, 40, 50, 60, 70, 80, 90, 5, 6, 7};

void PresetMix(SimState& s) {
    std::copy(kDeviceMix.begin(), kDeviceMix.end(), s.live.outputs[kRow].mix);
}

std::array<int, 12> DeviceMix(const SimState& s, int channel) {
    std::array<int, 12> mix{};
    std::copy_n(s.live.outputs[channel].mix, mix.size(), mix.begin());
    return mix;
}

bool IsMixAWrite(const SimFrame& f, int channel) {
    return f.header.command == Frame::kCmdWrite && f.header.type == KTVCommand::kTypeOutput &&
           f.header.index == channel && f.header.slice == OutputSlice::kMixA;
}

bool IsSourceVolumeWrite(const SimFrame& f) {
    return f.header.command == Frame::kCmdWrite && f.header.type == KTVCommand::kTypeSystem &&
           f.header.index == KTVCommand::kSubSourceVolumes;
}

template <typename Match> int CountFrames(FormRig& f, Match match) {
    const std::vector<SimFrame> trace = f.Sim().Trace();
    return static_cast<int>(std::count_if(trace.begin(), trace.end(), match));
}

// Types a value into a numeric edit as the user does: select, type, Enter.
void Type(CNumEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Drags the thumb of a vertical slider by `pixels` (up is negative) in a few moves.
void DragVertically(CBitmapSlider* slider, int pixels) {
    const QPoint grab = slider->ThumbRect().center();
    QTest::mousePress(slider, Qt::LeftButton, {}, grab);
    QPoint at = grab;
    for (int k = 1; k <= 8; ++k) {
        at = grab + QPoint(0, pixels * k / 8);
        QTest::mouseMove(slider, at);
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
}

QList<CLimiterDlg*> RoutingWindows() {
    QList<CLimiterDlg*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<CLimiterDlg*>(w); window && window->isVisible())
            windows << window;
    return windows;
}

// Opened as the user opens them: the window comes up active, so that the keyboard goes to it.
bool Active(QWidget* window) {
    return window &&
           QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, FormRig::kLimit);
}

CLimiterDlg* OpenRouting(FormRig& f) {
    QTest::mouseClick(f.Find<CBitmapButton>(CLinkRow::kRouting), Qt::LeftButton);
    CLimiterDlg* window = f.View().LinkRow().RoutingWindow();
    return Active(window) ? window : nullptr;
}

CSvolumeDLG* OpenSourceVolume(FormRig& f) {
    f.View().RunCommand(TopCommand::SourceVolume);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<CSvolumeDLG*>(w); dialog && dialog->isVisible())
            return Active(dialog) ? dialog : nullptr;
    return nullptr;
}

template <typename T> T* In(QWidget* window, int id) {
    return window->findChild<T*>(QString::number(id));
}

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

enum class Way { SliderKey, Typed, TypedTooHigh, SpinStep, Drag };

} // namespace

Q_DECLARE_METATYPE(Way)

class TestRouting : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void cellChangeStoresTheRowAndSendsSliceA_data();
    void cellChangeStoresTheRowAndSendsSliceA();
    void cellChangeWithoutADeviceStaysInTheModel();
    void openingTwiceGivesOneWindow();
    void onlyTheSixBySixCellsAreShown();
    void windowFollowsDeviceReadsAndLinkedRows();
    void currentChannelIsMarked();
    void enterMovesToTheNextCell_data();
    void enterMovesToTheNextCell();
    void enterAndEscapeLeaveTheWindowsOpen();
    void topBandDragsTheWindow_data();
    void topBandDragsTheWindow();
    void routingTextsInBothLanguages_data();
    void routingTextsInBothLanguages();

    void sourceVolumeOpensFromTheMenu_data();
    void sourceVolumeOpensFromTheMenu();
    void sourceVolumeSliderSendsOncePerMessage_data();
    void sourceVolumeSliderSendsOncePerMessage();
    void sourceVolumeDragSendsEachPosition();
    void sourceVolumeTypedValueIsSent();
    void sourceVolumeEnterCyclesTheEditors();
};

void TestRouting::initTestCase() {
    CTavelApp::SetUpApplication(*qApp);
}

void TestRouting::cleanup() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible() && dialog->isModal())
            dialog->done(QDialog::Rejected);
}

void TestRouting::cellChangeStoresTheRowAndSendsSliceA_data() {
    QTest::addColumn<Way>("way");
    QTest::addColumn<int>("level"); // -1: where the slider ended
    QTest::newRow("slider Page Up") << Way::SliderKey << 50;
    QTest::newRow("typed") << Way::Typed << 75;
    QTest::newRow("typed above the range") << Way::TypedTooHigh << 100;
    QTest::newRow("spin step") << Way::SpinStep << 41;
    QTest::newRow("drag") << Way::Drag << -1;
}

// The level of input 3 into channel 2 changes: the row's inputs 0..5 are stored, the device receives slice
// 33 of channel 2 only, and its inputs 6..11 keep what they held.
void TestRouting::cellChangeStoresTheRowAndSendsSliceA() {
    QFETCH(Way, way);
    QFETCH(int, level);
    FormRig f;
    f.Sim().ModifyState(PresetMix);
    QVERIFY(f.Connect());
    CLimiterDlg* window = OpenRouting(f);
    QVERIFY(window);
    CBitmapSlider* slider = window->Slider(kRow, kInput);
    CNumEdit* edit = window->Edit(kRow, kInput);
    QCOMPARE(slider->objectName(), QStringLiteral("2462"));
    QCOMPARE(edit->objectName(), QStringLiteral("2609"));
    QCOMPARE(slider->Position(), 40);
    QCOMPARE(edit->text(), QStringLiteral("40"));
    f.Sim().ClearTrace();

    switch (way) {
    case Way::SliderKey:
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_PageUp);
        break;
    case Way::Typed:
        Type(edit, QStringLiteral("75"));
        break;
    case Way::TypedTooHigh:
        Type(edit, QStringLiteral("250"));
        break;
    case Way::SpinStep:
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Up);
        break;
    case Way::Drag:
        DragVertically(slider, -60);
        level = slider->Position();
        QVERIFY(level > 40);
        break;
    }
    std::array<int, 12> expected{};
    std::copy(kDeviceMix.begin(), kDeviceMix.end(), expected.begin());
    expected[kInput] = level;

    QTRY_COMPARE_WITH_TIMEOUT(DeviceMix(f.Sim().State(), kRow), expected, FormRig::kLimit);
    const CKTV_OutData& ch = f.session->Data().Channel(kRow);
    for (int c = 0; c < 12; ++c)
        QCOMPARE(ch.GetMix(c), expected[static_cast<std::size_t>(c)]);
    QTRY_COMPARE_WITH_TIMEOUT(slider->Position(), level, FormRig::kLimit);
    QCOMPARE(window->Spin(kRow, kInput)->GetPos(), level);
    QCOMPARE(edit->text(), QString::number(level));
    QVERIFY(CountFrames(f, [](const SimFrame& fr) { return IsMixAWrite(fr, kRow); }) >= 1);
    for (int other = 0; other < Layout::kChannels; ++other)
        if (other != kRow)
            QCOMPARE(CountFrames(f, [other](const SimFrame& fr) { return IsMixAWrite(fr, other); }), 0);
    QCOMPARE(CountFrames(f,
                         [](const SimFrame& fr) {
                             return fr.header.command == Frame::kCmdWrite &&
                                    fr.header.slice == OutputSlice::kMixB;
                         }),
             0);
}

// No device: the model takes the level, nothing is marked for sending, and nothing goes out.
void TestRouting::cellChangeWithoutADeviceStaysInTheModel() {
    FormRig f;
    CLimiterDlg* window = OpenRouting(f);
    QVERIFY(window);
    const int accepted = f.Sim().Counters().accepted;
    Type(window->Edit(kRow, kInput), QStringLiteral("33"));
    const CKTV_OutData& ch = f.session->Data().Channel(kRow);
    QCOMPARE(ch.GetMix(kInput), 33);
    QCOMPARE(ch.GetMixPendingA(), 0);
    QCOMPARE(window->Slider(kRow, kInput)->Position(), 33);
    QCOMPARE(f.Sim().Counters().accepted, accepted);
}

// The routing button twice brings up one window; its close button destroys it, and the button opens a new
// one.
void TestRouting::openingTwiceGivesOneWindow() {
    FormRig f;
    CLimiterDlg* first = OpenRouting(f);
    QVERIFY(first);
    QCOMPARE(OpenRouting(f), first);
    QCOMPARE(RoutingWindows(), QList<CLimiterDlg*>{first});
    QVERIFY(!first->isModal());
    QVERIFY(first->windowFlags() & Qt::FramelessWindowHint);

    QPointer<CLimiterDlg> gone = first;
    QTest::mouseClick(first->CloseButton(), Qt::LeftButton);
    QCOMPARE(first->CloseButton()->objectName(), QStringLiteral("2281"));
    QTRY_VERIFY_WITH_TIMEOUT(gone.isNull(), FormRig::kLimit);
    QVERIFY(!f.View().LinkRow().RoutingWindow());
    QVERIFY(RoutingWindows().isEmpty());

    CLimiterDlg* again = OpenRouting(f);
    QVERIFY(again);
    QCOMPARE(RoutingWindows(), QList<CLimiterDlg*>{again});
    // Asked to close another way, it goes the same way.
    QPointer<CLimiterDlg> closing = again;
    again->close();
    QTRY_VERIFY_WITH_TIMEOUT(closing.isNull(), FormRig::kLimit);
}

// Only CH1..CH6 by inputs 1..6 are shown, each a slider and an edit over a hidden spin of range 0..100;
// the routing and Link buttons sit in the master panel's row for them.
void TestRouting::onlyTheSixBySixCellsAreShown() {
    FormRig f;
    CLimiterDlg* window = OpenRouting(f);
    QVERIFY(window);
    QCOMPARE(window->objectName(), QStringLiteral("402"));
    QStringList shownIds;
    for (int r = 0; r < CLimiterDlg::kStride; ++r)
        for (int c = 0; c < CLimiterDlg::kStride; ++c) {
            const int id = CLimiterDlg::kStride * r + c;
            auto* slider = In<CBitmapSlider>(window, CLimiterDlg::kSliderBase + id);
            auto* edit = In<CNumEdit>(window, CLimiterDlg::kEditBase + id);
            auto* spin = In<CNumSpin>(window, CLimiterDlg::kSpinBase + id);
            const bool edited = r < CLimiterDlg::kShown && c < CLimiterDlg::kShown;
            if (!edited) {
                QVERIFY(!(slider && slider->isVisible()) && !(edit && edit->isVisible()));
                continue;
            }
            QVERIFY(slider && edit && spin);
            QVERIFY(slider->isVisible() && edit->isVisible() && !spin->isVisible());
            QCOMPARE(slider->Orientation(), Qt::Vertical);
            QCOMPARE(slider->Maximum(), 100);
            QCOMPARE(spin->Maximum(), 100);
            QCOMPARE(edit->EditKind(), int(CNumEdit::kCount));
            QVERIFY(window->rect().contains(QRect(slider->pos(), slider->size())));
            QVERIFY(window->rect().contains(QRect(edit->pos(), edit->size())));
            shownIds << slider->objectName() << edit->objectName();
        }
    QCOMPARE(shownIds.size(), 72);
    QCOMPARE(QSet<QString>(shownIds.begin(), shownIds.end()).size(), 72);

    const QRect row =
        CMasterPanel::kLinkRow.translated(CTavelView::RegionRect(CTavelView::Region::MasterPanel).topLeft());
    for (const int id : {CLinkRow::kRouting, CLinkRow::kLink}) {
        QWidget* button = f.Find<QWidget>(id);
        QVERIFY(button && button->isVisible());
        QVERIFY(row.contains(QRect(button->mapTo(&f.View(), QPoint(0, 0)), button->size())));
    }
}

// While open the window shows what a new device read brought, and the rows of linked channels follow an
// edit of one of them.
void TestRouting::windowFollowsDeviceReadsAndLinkedRows() {
    FormRig f;
    QVERIFY(f.Connect());
    CLimiterDlg* window = OpenRouting(f);
    QVERIFY(window);
    QCOMPARE(window->Slider(kRow, 0)->Position(), 100); // the factory mix: input 1 at 100 %
    QCOMPARE(window->Slider(kRow, kInput)->Position(), 0);

    f.Sim().ModifyState(PresetMix);
    QTest::mouseClick(f.Find<QWidget>(CTitleBar::kConnect), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(f.Controller().Idle(), FormRig::kLimit);
    QVERIFY(f.Connect());
    for (int c = 0; c < CLimiterDlg::kShown; ++c) {
        QCOMPARE(window->Slider(kRow, c)->Position(), int(kDeviceMix[static_cast<std::size_t>(c)]));
        QCOMPARE(window->Edit(kRow, c)->Code(), int(kDeviceMix[static_cast<std::size_t>(c)]));
    }

    f.Editor().CopyIntoGroup(1, 0); // CH1 and CH2 linked
    window->activateWindow();       // the transfer popup of the read had the focus
    QVERIFY(Active(window));
    Type(window->Edit(0, 4), QStringLiteral("64"));
    QCOMPARE(window->Slider(1, 4)->Position(), 64);
    QCOMPARE(window->Edit(1, 4)->Code(), 64);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().live.outputs[1].mix[4]), 64, FormRig::kLimit);
    QCOMPARE(int(f.Sim().State().live.outputs[0].mix[4]), 64);
    QCOMPARE(window->Slider(3, 4)->Position(), 0); // not linked
}

// The window opens on the form's current channel, whose group is marked and whose first value has the
// focus; selecting another channel moves the mark.
void TestRouting::currentChannelIsMarked() {
    FormRig f;
    QTest::mouseClick(f.Find<QWidget>(CChannelStrip::kSelectBase + 3), Qt::LeftButton);
    CLimiterDlg* window = OpenRouting(f);
    QVERIFY(window);
    QCOMPARE(window->ShownCurrent(), 3);
    QCOMPARE(window->focusWidget(), window->Edit(3, 0));
    const QImage marked = window->grab().toImage();
    QTest::mouseClick(f.Find<QWidget>(CChannelStrip::kSelectBase + 1), Qt::LeftButton);
    QCOMPARE(window->ShownCurrent(), 1);
    QVERIFY(window->grab().toImage() != marked);
}

void TestRouting::enterMovesToTheNextCell_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("nextRow");
    QTest::addColumn<int>("nextInput");
    QTest::newRow("along the row") << 0 << 0 << 0 << 1;
    QTest::newRow("to the next channel") << 0 << 5 << 1 << 0;
    QTest::newRow("from the last cell to the first") << 5 << 5 << 0 << 0;
}

// Enter in a value stores what was typed and moves on to the next value, its text selected.
void TestRouting::enterMovesToTheNextCell() {
    QFETCH(int, row);
    QFETCH(int, input);
    QFETCH(int, nextRow);
    QFETCH(int, nextInput);
    FormRig f;
    CLimiterDlg* window = OpenRouting(f);
    QVERIFY(window);
    Type(window->Edit(row, input), QStringLiteral("12"));
    QCOMPARE(f.session->Data().Channel(row).GetMix(input), 12);
    CNumEdit* next = window->Edit(nextRow, nextInput);
    QCOMPARE(window->focusWidget(), next);
    QCOMPARE(next->selectedText(), next->text());
    QVERIFY(window->isVisible());
}

// Enter and Escape close neither window; they only bring the focus back to it.
void TestRouting::enterAndEscapeLeaveTheWindowsOpen() {
    FormRig f;
    CLimiterDlg* window = OpenRouting(f);
    QVERIFY(window);
    for (QWidget* w : {static_cast<QWidget*>(window->Slider(1, 1)), static_cast<QWidget*>(window)})
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            w->setFocus();
            QTest::keyClick(w, key);
        }
    QCOMPARE(QApplication::focusWidget(), window);
    QTest::qWait(0); // anything posted has arrived
    QCOMPARE(RoutingWindows(), QList<CLimiterDlg*>{window});

    CSvolumeDLG* dialog = OpenSourceVolume(f);
    QVERIFY(dialog);
    for (QWidget* w : {static_cast<QWidget*>(dialog->Slider(2)), static_cast<QWidget*>(dialog)})
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            w->setFocus();
            QTest::keyClick(w, key);
        }
    QVERIFY(dialog->isVisible());
    QCOMPARE(QApplication::focusWidget(), dialog);
    QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
}

void TestRouting::topBandDragsTheWindow_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("moves");
    QTest::newRow("top band") << 12 << true;
    QTest::newRow("last row of the band") << CLimiterDlg::kDragBand - 1 << true;
    QTest::newRow("below the band") << CLimiterDlg::kDragBand + 4 << false;
}

// A press in the top 30 pixels drags the window with the mouse; a press below leaves it where it is.
void TestRouting::topBandDragsTheWindow() {
    QFETCH(int, y);
    QFETCH(bool, moves);
    FormRig f;
    CLimiterDlg* window = OpenRouting(f);
    QVERIFY(window);
    const QPoint before = window->pos();
    const QPoint grab(400, y);
    // The mouse moves on the screen; the window may move under it.
    const auto local = [&](QPoint delta) { return before + grab + delta - window->pos(); };
    QTest::mousePress(window, Qt::LeftButton, {}, grab);
    QTest::mouseMove(window, local({30, 20}));
    QTest::mouseMove(window, local({60, 40}));
    QTest::mouseRelease(window, Qt::LeftButton, {}, local({60, 40}));
    QCOMPARE(window->pos(), moves ? before + QPoint(60, 40) : before);
}

void TestRouting::routingTextsInBothLanguages_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("texts"); // title, cell name, input label, routing and Link buttons
    QTest::newRow("English") << 0
                             << QStringList{"Routing matrix", "CH3 Rear.Left, input 4 level", "IN4",
                                            "Open the routing matrix", "Link the channel pairs"};
    QTest::newRow("Chinese") << 1
                             << QStringList{"路由矩阵", "CH3 后左，输入4 电平", "输入4", "打开路由矩阵",
                                            "联调通道对"};
}

// The window, its cells and the two buttons speak the interface language, and switch with it while open.
void TestRouting::routingTextsInBothLanguages() {
    QFETCH(int, language);
    QFETCH(QStringList, texts);
    FormRig f(language);
    CLimiterDlg* window = OpenRouting(f);
    QVERIFY(window);
    const auto shown = [&] {
        const QList<CSkinStatic*> statics = window->findChildren<CSkinStatic*>();
        QStringList labels;
        for (const CSkinStatic* s : statics)
            labels << s->CurrentText();
        return QStringList{window->windowTitle(), AccessibleName(window->Slider(kRow, kInput)),
                           labels.contains(texts[2]) ? texts[2] : QString(),
                           AccessibleName(f.Find<QWidget>(CLinkRow::kRouting)),
                           AccessibleName(f.Find<QWidget>(CLinkRow::kLink))};
    };
    QCOMPARE(shown(), texts);
    QCOMPARE(AccessibleName(window->Edit(kRow, kInput)), texts[1]);
    QCOMPARE(QAccessible::queryAccessibleInterface(window->Slider(kRow, kInput))->role(),
             QAccessible::Slider);
    QCOMPARE(QAccessible::queryAccessibleInterface(window->Edit(kRow, kInput))->role(), QAccessible::SpinBox);

    f.View().ToggleLanguage();
    QTRY_VERIFY_WITH_TIMEOUT(window->windowTitle() != texts[0], FormRig::kLimit);
    f.View().ToggleLanguage();
    QTRY_COMPARE_WITH_TIMEOUT(shown(), texts, FormRig::kLimit);
}

void TestRouting::sourceVolumeOpensFromTheMenu_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("English") << 0 << "Source Volume"
                             << QStringList{"High level", "RCA", "Bluetooth", "Digit", "Player"};
    QTest::newRow("Chinese") << 1 << "音源音量" << QStringList{"高电平", "低电平", "蓝牙", "数字", "播放器"};
}

// The settings menu's item opens the dialog modally, titled and labelled in the interface language, its
// columns showing the volumes the device holds.
void TestRouting::sourceVolumeOpensFromTheMenu() {
    QFETCH(int, language);
    QFETCH(QString, title);
    QFETCH(QStringList, labels);
    FormRig f(language);
    f.Sim().ModifyState([](SimState& s) {
        for (std::size_t k = 0; k < 5; ++k)
            s.sourceVolumes[k] = static_cast<std::uint8_t>(11 * (k + 1));
    });
    QVERIFY(f.Connect());
    CSvolumeDLG* dialog = OpenSourceVolume(f);
    QVERIFY(dialog);
    QCOMPARE(dialog->objectName(), QStringLiteral("784"));
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->windowTitle(), title);
    for (int k = 0; k < 5; ++k) {
        const CSvolumeDLG::Column& column = CSvolumeDLG::kColumns[static_cast<std::size_t>(k)];
        QCOMPARE(dialog->Label(k)->CurrentText(), labels[k]);
        QCOMPARE(dialog->Label(k)->Colour(), QColor(Qt::white));
        QCOMPARE(In<CBitmapSlider>(dialog, column.slider), dialog->Slider(k));
        QCOMPARE(In<CNumEdit>(dialog, column.edit), dialog->Edit(k));
        QCOMPARE(In<CNumSpin>(dialog, column.spin), dialog->Spin(k));
        QVERIFY(!dialog->Spin(k)->isVisible());
        QCOMPARE(dialog->Slider(k)->Position(), 11 * (k + 1));
        QCOMPARE(dialog->Edit(k)->text(), QString::number(11 * (k + 1)));
        QCOMPARE(AccessibleName(dialog->Slider(k)), labels[k] + (language == 1 ? "音量" : " volume"));
    }
}

void TestRouting::sourceVolumeSliderSendsOncePerMessage_data() {
    QTest::addColumn<int>("column");
    for (int k = 0; k < 5; ++k)
        QTest::addRow("%d", CSvolumeDLG::kColumns[static_cast<std::size_t>(k)].slider) << k;
}

// One slider message at 75: the entry becomes 75, message 48 goes out once, the device holds 75.
void TestRouting::sourceVolumeSliderSendsOncePerMessage() {
    QFETCH(int, column);
    FormRig f;
    QVERIFY(f.Connect());
    CSvolumeDLG* dialog = OpenSourceVolume(f);
    QVERIFY(dialog);
    f.Sim().ClearTrace();
    QVERIFY(dialog->Slider(column)->CommitUserPosition(75));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().sourceVolumes[static_cast<std::size_t>(column)]), 75,
                              FormRig::kLimit);
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(CountFrames(f, IsSourceVolumeWrite), 1);
    QCOMPARE(int(f.G().sourceVolumes[static_cast<std::size_t>(column)]), 75);
    QCOMPARE(dialog->Edit(column)->text(), QStringLiteral("75"));
    for (int other = 0; other < 5; ++other)
        if (other != column)
            QCOMPARE(int(f.Sim().State().sourceVolumes[static_cast<std::size_t>(other)]), 50);
}

// A drag sends one message 48 per slider message, the last carrying where the slider stopped.
void TestRouting::sourceVolumeDragSendsEachPosition() {
    FormRig f;
    QVERIFY(f.Connect());
    CSvolumeDLG* dialog = OpenSourceVolume(f);
    QVERIFY(dialog);
    CBitmapSlider* slider = dialog->Slider(4);
    QSignalSpy changing(slider, &CBitmapSlider::Changing);
    QSignalSpy committed(slider, &CBitmapSlider::Committed);
    f.Sim().ClearTrace();
    DragVertically(slider, -50);
    const int final = slider->Position();
    QVERIFY(final > 50);
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().sourceVolumes[4]), final, FormRig::kLimit);
    QVERIFY(f.WaitForPolls(3));
    QCOMPARE(CountFrames(f, IsSourceVolumeWrite), int(changing.count() + committed.count()));
    QCOMPARE(dialog->Edit(4)->Code(), final);
}

// A value typed into a column's edit is stored and sent; the slider follows.
void TestRouting::sourceVolumeTypedValueIsSent() {
    FormRig f;
    QVERIFY(f.Connect());
    CSvolumeDLG* dialog = OpenSourceVolume(f);
    QVERIFY(dialog);
    Type(dialog->Edit(2), QStringLiteral("30"));
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().sourceVolumes[2]), 30, FormRig::kLimit);
    QCOMPARE(dialog->Slider(2)->Position(), 30);
    Type(dialog->Edit(3), QStringLiteral("180")); // limited to the range
    QTRY_COMPARE_WITH_TIMEOUT(int(f.Sim().State().sourceVolumes[3]), 100, FormRig::kLimit);
}

// Enter walks the editors 2591, 8631, 8632, 8633, 8634 and back to 2591.
void TestRouting::sourceVolumeEnterCyclesTheEditors() {
    FormRig f;
    CSvolumeDLG* dialog = OpenSourceVolume(f);
    QVERIFY(dialog);
    dialog->Edit(0)->setFocus();
    QStringList visited;
    for (int i = 0; i < 6; ++i) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        visited << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Return);
    }
    QCOMPARE(visited, (QStringList{"2591", "8631", "8632", "8633", "8634", "2591"}));
}

QTEST_MAIN(TestRouting)
#include "tst_Routing.moc"
