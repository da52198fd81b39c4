// Nothing lost: thousands of random clicks, keys, typed values, fader and graph drags, undo, redo and A/B
// switches on the form's controls and the routing window's while the simulated device loses and repeats
// replies and is unplugged now and then; whenever the link is quiet the device holds exactly what the program
// holds and the controls show it.
#include "app/CH_Link_Dlg.h"
#include "app/CarPicture.h"
#include "app/ChannelStrip.h"
#include "app/CrossoverPanel.h"
#include "app/FileChooser.h"
#include "app/FormDialogs.h"
#include "app/InputSourceNameDlg.h"
#include "app/LimiterDlg.h"
#include "app/LinkRow.h"
#include "app/MasterPanel.h"
#include "app/OutputDlg.h"
#include "app/PositionIcon.h"
#include "app/SourceLoadDlg.h"
#include "app/SourceSaveDlg.h"
#include "app/TavelApp.h"
#include "app/TitleBar.h"
#include "app/TitleButton.h"
#include "app/TopMenu.h"
#include "controls/BitmapButton.h"
#include "controls/BitmapSlider.h"
#include "controls/ListButton.h"
#include "editors/FStatic.h"
#include "editors/NumEdit.h"
#include "model/KTV_Data.h"
#include "model/SystemSettings.h"

#include "app/FormRig.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <random>

namespace {

constexpr unsigned kSeed = 20240611;
constexpr int kActions = 3000;
constexpr int kActionsPerCheck = 40;

// Everything the controller has to send has been acknowledged: the link is open and not halted, no
// pending mark is set and the queue is empty. The controller's own Settled() where it has one.
template <typename Controller> bool Settled(Controller& c, CSession& session) {
    if constexpr (requires { c.Settled(); }) {
        return c.Settled();
    } else {
        if (!c.LinkOpen() || !c.Connected())
            return false;
        std::lock_guard lock(c.LinkLock()); // the worker clears marks and pops packets under it
        if (c.Command().StopFlag() || session.Globals().systemPending.load() != 0)
            return false;
        for (int ch = 0; ch < Layout::kChannels; ++ch) {
            const CKTV_OutData& out = session.Data().Channel(ch);
            if (out.GetNamePending() || out.GetGainPending() || out.GetMixPendingA() ||
                out.GetMixPendingB() || out.GetLimPending() || out.XoverPending() ||
                out.FirstPendingBand() >= 0)
                return false;
        }
        return c.Command().Count() == 0;
    }
}

// The texts a box may carry during the run; anything else is a fault the run found.
const QStringList kExpectedBoxTexts{
    QStringLiteral("unable to connect"),
    QStringLiteral("无法连接设备"),
    QStringLiteral("Whether the reset all EQ?"),
    QStringLiteral("是否恢复所有EQ的初始值"),
    QStringLiteral("无通道可以联调"),
    // The preset dialogs.
    QStringLiteral("The device is not connected"),
    QStringLiteral("设备未连接"),
    QStringLiteral("The name can not be all spaces!"),
    QStringLiteral("组名不能全为空格!"),
    QStringLiteral("Are you delete this Source Data?"),
    QStringLiteral("是否删除本组音效数据?"),
    // Storing over a named preset backs the device up first; a link lost during that read asks.
    CDeviceBackup::kLinkLost.In(0) + u'\n' + CDeviceBackup::kGoOnQuestion.In(0),
    CDeviceBackup::kLinkLost.In(1) + u'\n' + CDeviceBackup::kGoOnQuestion.In(1),
    CDeviceBackup::kBusy.In(0),
    CDeviceBackup::kBusy.In(1),
    CPresetMemories::kBackupReading.In(0),
    CPresetMemories::kBackupReading.In(1),
};

class CMonkey {
public:
    explicit CMonkey(FormRig& f) : m_f(f), m_rng(kSeed) {
        // The file buttons of the preset dialogs: a user who changes their mind.
        f.View().Dialogs().Files().SetChooser(
            [](const FileRequest&, CFileChooser::Answer answer) { answer({}); });
        Collect();
    }

    // The numbered controls the user can reach now: the form's and, while it is open, the routing
    // window's (which comes and goes with the routing button and its close button).
    void Collect() {
        m_buttons.clear();
        m_sliders.clear();
        m_lists.clear();
        m_edits.clear();
        QList<QWidget*> all = m_f.View().findChildren<QWidget*>();
        if (CLimiterDlg* routing = m_f.View().LinkRow().RoutingWindow(); routing && routing->isVisible())
            all += routing->findChildren<QWidget*>();
        for (QWidget* w : all) {
            bool numbered = false;
            const int id = w->objectName().toInt(&numbered);
            if (!numbered || !w->isVisible())
                continue;
            if (auto* button = qobject_cast<CBitmapButton*>(w))
                m_buttons << button;
            else if (auto* icon = qobject_cast<CPositionIcon*>(w))
                m_buttons << icon; // the car picture's speaker positions
            else if (auto* slider = qobject_cast<CBitmapSlider*>(w))
                m_sliders << slider;
            else if (auto* list = qobject_cast<CListButton*>(w))
                m_lists << list;
            else if (auto* edit = qobject_cast<CNumEdit*>(w))
                m_edits << edit;
            else if (id == CTitleBar::kUndo || id == CTitleBar::kRedo || id == CTitleBar::kSlotA ||
                     id == CTitleBar::kSlotB || id == CTitleBar::kAbCopy)
                m_buttons << qobject_cast<QAbstractButton*>(w); // undo, redo and the A/B setups
            else if (id == CTitleBar::kConnect)
                m_connect = w;
        }
        m_graph = &m_f.View().Graph();
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool Chance(int percent) { return Pick(100) < percent; }
    template <typename T> T* Any(const QList<T*>& list) { return list[Pick(static_cast<int>(list.size()))]; }

    QList<QWidget*> Focusable() const {
        QList<QWidget*> all;
        for (QWidget* w : m_buttons)
            all << w;
        for (QWidget* w : m_sliders)
            all << w;
        for (QWidget* w : m_lists)
            all << w;
        for (QWidget* w : m_edits)
            all << w;
        all << m_graph;
        return all;
    }

    // The newest actions, for the report of a fault.
    void Log(const QString& what) {
        m_log << QStringLiteral("%1: %2").arg(m_actions + 1).arg(what);
        if (m_log.size() > 40)
            m_log.removeFirst();
    }
    static QString Name(const QWidget* w) { return w->objectName(); }

    void Act() {
        Collect();
        const int roll = Pick(100);
        if (roll < 34) {
            QAbstractButton* button = Any(m_buttons);
            Log(QStringLiteral("click ") + Name(button));
            QTest::mouseClick(button, Qt::LeftButton);
        } else if (roll < 50)
            PressKey();
        else if (roll < 60)
            TypeValue();
        else if (roll < 72)
            DragSlider();
        else if (roll < 78)
            DragOnGraph();
        else if (roll < 83)
            TurnWheel();
        else if (roll < 94)
            OpenList();
        else if (roll < 96) {
            Log(QStringLiteral("language"));
            m_f.View().ToggleLanguage();
        } else if (roll < 97) {
            TroubleOnTheLine();
        } else if (roll < 98) {
            UsePresetDialog();
        } else if (Chance(50)) {
            Log(QStringLiteral("Connect"));
            QTest::mouseClick(m_connect, Qt::LeftButton);
        } else {
            QTest::mouseClick(Any(m_buttons), Qt::LeftButton);
        }
        ++m_actions;
        Settle();
        ComeBack();
    }

    // A user who lost the device plugs it back in after a while and presses Connect again.
    void ComeBack() {
        if (!m_f.Sim().IsPlugged()) {
            if (Chance(10)) {
                Log(QStringLiteral("plug in"));
                m_f.Sim().PlugIn();
            }
        } else if (!m_f.Controller().LinkOpen() && Chance(10)) {
            Log(QStringLiteral("Connect again"));
            QTest::mouseClick(m_connect, Qt::LeftButton);
            Settle();
        }
    }

    // Answers what the action opened: boxes, lists, dialogs, as a user in a hurry would.
    void Settle() {
        QCoreApplication::processEvents();
        for (int round = 0; round < 3; ++round) {
            bool any = false;
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                const QList<QAction*> actions = menu->actions();
                if (!actions.isEmpty() && Chance(70))
                    QTest::mouseClick(
                        menu, Qt::LeftButton, {},
                        menu->actionGeometry(actions[Pick(static_cast<int>(actions.size()))]).center());
                else
                    menu->close();
                any = true;
            }
            for (QMessageBox* box : VisibleBoxes()) {
                if (!kExpectedBoxTexts.contains(box->text()))
                    m_strangeBoxes << box->text();
                const QList<QAbstractButton*> buttons = box->buttons();
                QAbstractButton* answer = buttons[Pick(static_cast<int>(buttons.size()))];
                Log(QStringLiteral("  box \"%1\": %2").arg(box->text(), answer->text()));
                QTest::mouseClick(answer, Qt::LeftButton);
                any = true;
            }
            if (auto* link = qobject_cast<CCH_Link_Dlg*>(QApplication::activeModalWidget());
                link && link->isVisible() && Chance(60)) {
                // The pairs are linked, with either reference.
                const int reference = Pick(2);
                Log(QStringLiteral("  link with reference %1").arg(reference));
                QTest::mouseClick(link->Button(reference == 0 ? CCH_Link_Dlg::kFirst : CCH_Link_Dlg::kSecond),
                                  Qt::LeftButton);
                QTest::mouseClick(link->Button(CCH_Link_Dlg::kOk), Qt::LeftButton);
                any = true;
            } else if (auto* entry = qobject_cast<CInputSourceNameDlg*>(QApplication::activeModalWidget());
                       entry && entry->isVisible()) {
                NameAPreset(entry);
                any = true;
            } else if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                       dialog && !qobject_cast<QMessageBox*>(dialog) && !qobject_cast<CPresetDlg*>(dialog) &&
                       dialog->isVisible()) {
                dialog->reject();
                any = true;
            }
            QCoreApplication::processEvents();
            if (!any)
                break;
        }
    }

    // Source Load or Source Save from the preset menu: a few clicks and context-menu choices on its
    // preset buttons (recalls, stores under a name, deletions), then the dialog is closed again.
    void UsePresetDialog() {
        const bool load = Chance(50);
        Log(load ? QStringLiteral("Source Load") : QStringLiteral("Source Save"));
        m_f.View().RunCommand(load ? TopCommand::PresetRecall : TopCommand::PresetSave);
        CFormDialogs& dialogs = m_f.View().Dialogs();
        CPresetDlg* dialog = load ? static_cast<CPresetDlg*>(dialogs.SourceLoad())
                                  : static_cast<CPresetDlg*>(dialogs.SourceSave());
        if (!dialog)
            return;
        ++m_presetDialogs;
        for (int n = 1 + Pick(3); n > 0 && dialog->isVisible(); --n) {
            const int k = 1 + Pick(CPresetDlg::kPresets);
            CBitmapButton* button = dialog->PresetButton(k);
            const int choice = Pick(4);
            if (choice == 0) {
                Log(QStringLiteral("  file button"));
                QTest::mouseClick(dialog->FileButton(), Qt::LeftButton);
            } else if (choice == 1) {
                Log(QStringLiteral("  context menu of preset %1").arg(k));
                const QPoint at = button->rect().center();
                QContextMenuEvent event(QContextMenuEvent::Mouse, at, button->mapToGlobal(at));
                QApplication::sendEvent(button, &event); // Settle picks an item or closes the menu
            } else {
                Log(QStringLiteral("  preset %1").arg(k));
                QTest::mouseClick(button, Qt::LeftButton);
            }
            Settle();
        }
        dialog->reject();
    }

    void NameAPreset(CInputSourceNameDlg* entry) {
        static const QStringList kNames{"Bass", "Jazz", "", "   ", "A very long preset name", "音效", "2"};
        const QString name = kNames[Pick(static_cast<int>(kNames.size()))];
        const bool ok = Chance(75);
        Log(QStringLiteral("  name \"%1\": %2")
                .arg(name, ok ? QStringLiteral("OK") : QStringLiteral("Cancel")));
        entry->Field()->selectAll();
        QTest::keyClick(entry->Field(), Qt::Key_Backspace);
        // Chinese comes from an input method, which commits the text at once.
        const bool latin = std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (latin)
            QTest::keyClicks(entry->Field(), name);
        else
            entry->Field()->insert(name);
        QTest::mouseClick(ok ? entry->OkButton() : entry->CancelButton(), Qt::LeftButton);
    }

    void PressKey() {
        static constexpr Qt::Key kKeys[] = {Qt::Key_Space, Qt::Key_Return, Qt::Key_Up,       Qt::Key_Down,
                                            Qt::Key_Left,  Qt::Key_Right,  Qt::Key_PageUp,   Qt::Key_PageDown,
                                            Qt::Key_Home,  Qt::Key_End,    Qt::Key_Escape,   Qt::Key_Tab,
                                            Qt::Key_Enter, Qt::Key_F4,     Qt::Key_Backspace};
        QWidget* w = Any(Focusable());
        w->setFocus(Qt::TabFocusReason);
        if (Chance(10)) { // undo or redo by key
            const bool undo = Chance(60);
            Log(QStringLiteral("%1 on %2")
                    .arg(undo ? QStringLiteral("Ctrl+Z") : QStringLiteral("Ctrl+Y"), Name(w)));
            QTest::keyClick(w, undo ? Qt::Key_Z : Qt::Key_Y, Qt::ControlModifier);
            return;
        }
        const Qt::Key key = kKeys[Pick(std::size(kKeys))];
        Log(QStringLiteral("key %1 on %2").arg(QKeySequence(key).toString(), Name(w)));
        QTest::keyClick(w, key);
    }

    void TypeValue() {
        static const QStringList kTexts{"0",   "-0",  "12",  "-12", "60", "-60", "99",   "-99",
                                        "OFF", "abc", "3.7", "-",   "",   "35",  "-5.5", "1e3"};
        CNumEdit* edit = Any(m_edits);
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
        const QString text = kTexts[Pick(static_cast<int>(kTexts.size()))];
        QTest::keyClicks(edit, text);
        // Enter, or leave it for the next control (which commits the typed text too).
        const bool enter = Chance(60);
        Log(QStringLiteral("type \"%1\" into %2%3")
                .arg(text, Name(edit), enter ? QStringLiteral(", Enter") : QString()));
        if (enter)
            QTest::keyClick(edit, Qt::Key_Return);
        else
            Any(Focusable())->setFocus(Qt::TabFocusReason);
    }

    void DragSlider() {
        CBitmapSlider* slider = Any(m_sliders);
        const QPoint grab = slider->ThumbRect().center();
        const int distance = Pick(301) - 150;
        const int moves = 2 + Pick(14);
        const bool vertical = slider->Orientation() == Qt::Vertical;
        Log(QStringLiteral("drag %1 by %2 in %3 moves").arg(Name(slider)).arg(distance).arg(moves));
        QTest::mousePress(slider, Qt::LeftButton, {}, grab);
        QPoint at = grab;
        for (int k = 1; k <= moves; ++k) {
            const int along = distance * k / moves;
            const int across = Pick(7) - 3;
            at = grab + (vertical ? QPoint(across, along) : QPoint(along, across));
            QTest::mouseMove(slider, at);
            if (Chance(30))
                QCoreApplication::processEvents(); // some moves arrive between worker cycles, some not
        }
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
    }

    // A handle of the current channel (a band, the high-pass or the low-pass) grabbed and moved anywhere,
    // also beyond the plot.
    void DragOnGraph() {
        CFStatic& graph = *m_graph;
        const int index = Pick(CFStatic::kFilters);
        const CFilter& filter = m_f.session->Data().Channel(graph.Channel()).Filters().Filter(index);
        const QPoint grab = filter.HandleRect().center();
        const QPoint distance(Pick(401) - 200, Pick(241) - 120);
        const int moves = 2 + Pick(14);
        Log(QStringLiteral("graph: drag filter %1 by %2,%3 in %4 moves")
                .arg(index)
                .arg(distance.x())
                .arg(distance.y())
                .arg(moves));
        QMouseEvent hover(QEvent::MouseMove, grab, graph.mapToGlobal(grab), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&graph, &hover); // the offscreen platform moves no real pointer
        QTest::mousePress(&graph, Qt::LeftButton, {}, grab);
        QPoint at = grab;
        for (int k = 1; k <= moves; ++k) {
            at = grab + distance * k / moves;
            QTest::mouseMove(&graph, at);
            if (Chance(30))
                QCoreApplication::processEvents();
        }
        QTest::mouseRelease(&graph, Qt::LeftButton, {}, at);
    }

    void TurnWheel() {
        QWidget* w = Chance(50) ? static_cast<QWidget*>(Any(m_sliders)) : Any(m_edits);
        const QPointF at = QRectF(w->rect()).center();
        const int notches = (Pick(2) == 0 ? -1 : 1) * (1 + Pick(3));
        Log(QStringLiteral("wheel %1 on %2").arg(notches).arg(Name(w)));
        QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &wheel);
    }

    void OpenList() {
        CListButton* list = Any(m_lists);
        Log(QStringLiteral("open ") + Name(list));
        QTest::mouseClick(list, Qt::LeftButton); // Settle chooses an entry or closes the list
    }

    void TroubleOnTheLine() {
        CSimDevice& sim = m_f.Sim();
        const int kind = Pick(10);
        if (kind == 0) {
            // A lost reply ends the link after the reply limit: rare, it costs a second each time.
            if (m_drops < 3) {
                Log(QStringLiteral("drop a reply"));
                sim.DropReplies(1);
                ++m_drops;
            }
        } else if (kind < 9) {
            Log(QStringLiteral("repeat requests"));
            sim.RequestRepeats(1 + Pick(3));
            ++m_repeats;
        } else {
            if (sim.IsPlugged()) {
                Log(QStringLiteral("unplug"));
                sim.Unplug();
                ++m_unplugs;
            }
        }
    }

    // A quiet moment while connected: nothing pending, the queue empty. Returns false when the link went
    // away meanwhile (a lost reply, an unplug), which leaves nothing to compare.
    bool WaitQuiet() {
        CDeviceController& c = m_f.Controller();
        return QTest::qWaitFor(
                   [&] {
                       Settle();
                       return !c.LinkOpen() || (c.Connected() && !m_f.View().TransferPopup().isVisible() &&
                                                Settled(c, *m_f.session));
                   },
                   FormRig::kLimit) &&
               c.LinkOpen() && c.Connected() && Settled(c, *m_f.session);
    }

    // Back on the line as a user would be: plug the box in and press Connect.
    void Reconnect() {
        if (!m_f.Sim().IsPlugged())
            m_f.Sim().PlugIn();
        if (!m_f.Controller().LinkOpen())
            QTest::mouseClick(m_connect, Qt::LeftButton);
        // Whether it connected or said it could not, the next check looks again.
        (void)QTest::qWaitFor(
            [&] {
                Settle();
                return !m_f.Controller().LinkOpen() ||
                       (m_f.Controller().Connected() && !m_f.View().TransferPopup().isVisible());
            },
            FormRig::kLimit);
    }

    QStringList m_log;
    int m_actions = 0;
    int m_drops = 0;
    int m_repeats = 0;
    int m_unplugs = 0;
    int m_presetDialogs = 0;
    QStringList m_strangeBoxes;

private:
    FormRig& m_f;
    std::mt19937 m_rng;
    QList<QAbstractButton*> m_buttons;
    QList<CBitmapSlider*> m_sliders;
    QList<CListButton*> m_lists;
    QList<CNumEdit*> m_edits;
    QWidget* m_connect = nullptr;
    CFStatic* m_graph = nullptr;
};

// Where the device and the program part: empty when they agree.
QStringList Differences(FormRig& f) {
    QStringList found;
    const SimState device = f.Sim().State();
    const ModelGlobals& g = f.G();
    for (int b = 0; b < 8; ++b)
        if (device.system[b] != g.systemBlock[b])
            found << QStringLiteral("system byte %1: device %2, program %3")
                         .arg(b)
                         .arg(device.system[b])
                         .arg(g.systemBlock[b]);
    for (int c = 0; c < Layout::kChannels; ++c) {
        const auto* live = reinterpret_cast<const std::uint8_t*>(&device.live.outputs[c]);
        const auto* held = reinterpret_cast<const std::uint8_t*>(&g.liveImage.outputs[c]);
        for (std::size_t i = 0; i < Layout::kOutputWireSize; ++i)
            if (live[i] != held[i]) {
                found << QStringLiteral("channel %1 byte %2: device %3, program's image %4")
                             .arg(c)
                             .arg(i)
                             .arg(live[i])
                             .arg(held[i]);
                break;
            }
        // What the channel objects hold is what was encoded last.
        const CKTV_OutData& ch = f.session->Data().Channel(c);
        const OutputBlock& out = device.live.outputs[c];
        if (ch.GetOutputOn() != out.outputOn || ch.GetPolarity() != (out.polarity != 0 ? 1 : 0) ||
            ch.GetChannelGain() != out.gainCode || ch.GetDelay() != out.delay)
            found << QStringLiteral(
                         "channel %1: object (on %2, pol %3, gain %4) device (on %5, pol %6, gain %7)")
                         .arg(c)
                         .arg(ch.GetOutputOn())
                         .arg(ch.GetPolarity())
                         .arg(ch.GetChannelGain())
                         .arg(out.outputOn)
                         .arg(out.polarity)
                         .arg(out.gainCode);
    }
    return found;
}

// Where the controls and the model part: empty when every control shows the model.
QStringList ControlsOffTheModel(FormRig& f) {
    QStringList found;
    CTavelView& view = f.View();
    for (int c = 0; c < CTavelView::kShownChannels; ++c) {
        const CKTV_OutData& ch = f.session->Data().Channel(c);
        CChannelStrip* strip = view.Strip(c);
        if (strip->GainEdit()->Code() != ch.GetChannelGain() ||
            strip->GainSlider()->Position() != ch.GetChannelGain())
            found << QStringLiteral("CH%1 gain shows %2/%3, model %4")
                         .arg(c + 1)
                         .arg(strip->GainEdit()->Code())
                         .arg(strip->GainSlider()->Position())
                         .arg(ch.GetChannelGain());
        if (strip->MuteButton()->isChecked() != (ch.GetOutputOn() == 0))
            found << QStringLiteral("CH%1 mute").arg(c + 1);
        if (strip->PolarityButton()->isChecked() != (ch.GetPolarity() != 0))
            found << QStringLiteral("CH%1 polarity").arg(c + 1);
    }
    // The crossover panel shows the current channel's filters, and each shown delay edit the delay of the
    // channel its position stands for.
    CCrossoverPanel& crossover = view.CrossoverPanel();
    CKTV_OutData& shownChannel = f.session->Data().Channel(view.CurrentChannel());
    for (const Xover which : {Xover::HighPass, Xover::LowPass}) {
        const CFilter& filter = which == Xover::HighPass ? shownChannel.HighPass() : shownChannel.LowPass();
        const QString name =
            which == Xover::HighPass ? QStringLiteral("high-pass") : QStringLiteral("low-pass");
        if (crossover.FreqEdit(which)->Code() != filter.GetFreq())
            found << QStringLiteral("%1 corner shows %2, model %3")
                         .arg(name)
                         .arg(crossover.FreqEdit(which)->Code())
                         .arg(filter.GetFreq());
        if (crossover.TypeList(which)->CurrentIndex() != filter.GetFamily())
            found << name + QStringLiteral(" type");
        if (crossover.SlopeList(which)->CurrentIndex() != filter.GetSlope())
            found << name + QStringLiteral(" slope");
    }
    const CCarPicture& car = view.CarPicture();
    for (int p = 0; p < static_cast<int>(CCarPicture::kPositions.size()); ++p) {
        const int channel = car.ChannelAt(p);
        if (channel >= 0 && car.DelayEdit(p)->Code() != f.session->Data().Channel(channel).GetDelay())
            found << QStringLiteral("delay %1 shows %2, CH%3 holds %4")
                         .arg(car.DelayEdit(p)->objectName())
                         .arg(car.DelayEdit(p)->Code())
                         .arg(channel + 1)
                         .arg(f.session->Data().Channel(channel).GetDelay());
    }
    const CSystemSettings system(f.G());
    CMasterPanel& master = view.MasterPanel();
    if (master.VolumeEdit()->Code() != system.MasterVolume() ||
        master.VolumeSlider()->Position() != system.MasterVolume())
        found << QStringLiteral("master volume shows %1/%2, model %3")
                     .arg(master.VolumeEdit()->Code())
                     .arg(master.VolumeSlider()->Position())
                     .arg(system.MasterVolume());
    if (master.SourceList()->CurrentIndex() != system.DisplayedSource())
        found << QStringLiteral("source");
    if (master.NoiseGate()->CurrentIndex() != system.NoiseGate())
        found << QStringLiteral("noise gate");
    if (master.DspButton()->isChecked() != (system.OptionFlag() != 0))
        found << QStringLiteral("DSP switch");
    // The master output may show "on" after a volume change while its stored value is off; never the
    // other way round.
    if (!master.OutputButton()->isChecked() && system.MasterOutput() != 0)
        found << QStringLiteral("master output");
    if (const CLimiterDlg* routing = view.LinkRow().RoutingWindow())
        for (int r = 0; r < CLimiterDlg::kShown; ++r)
            for (int c = 0; c < CLimiterDlg::kShown; ++c) {
                const int level =
                    std::clamp(f.session->Data().Channel(r).GetMix(c), 0, CLimiterDlg::kMaxLevel);
                if (routing->Edit(r, c)->Code() != level || routing->Slider(r, c)->Position() != level)
                    found << QStringLiteral("CH%1 input %2 level shows %3/%4, model %5")
                                 .arg(r + 1)
                                 .arg(c + 1)
                                 .arg(routing->Edit(r, c)->Code())
                                 .arg(routing->Slider(r, c)->Position())
                                 .arg(level);
            }
    if (view.LinkRow().LinkButton()->isChecked() != f.Editor().LinkOn())
        found << QStringLiteral("Link button");
    const int current = view.CurrentChannel();
    // The EQ page and the graph show the current channel's bands and its all-bypass state.
    const COutputDlg& page = view.EqPage();
    if (page.Channel() != current || view.Graph().Channel() != current)
        found << QStringLiteral("EQ page shows channel %1, graph %2, current %3")
                     .arg(page.Channel())
                     .arg(view.Graph().Channel())
                     .arg(current);
    const CKTV_OutData& shown = f.session->Data().Channel(page.Channel());
    bool allBypassed = true;
    for (int b = 0; b < COutputDlg::kBands; ++b) {
        const CFilter& band = shown.Band(b);
        const int code = band.GetGainCode();
        allBypassed = allBypassed && band.GetEffectiveBypass() != 0;
        if (page.FreqEdit(b)->Code() != band.GetFreq() || page.QEdit(b)->Code() != band.GetQIndex() ||
            page.GainEdit(b)->Code() != code || page.Slider(b)->Position() != code ||
            page.BypassButton(b)->isChecked() != (band.GetEffectiveBypass() != 0))
            found << QStringLiteral(
                         "band %1 shows %2 Hz, Q %3, gain %4/%5, BY %6; model %7 Hz, Q %8, gain %9")
                         .arg(b + 1)
                         .arg(page.FreqEdit(b)->Code())
                         .arg(page.QEdit(b)->Code())
                         .arg(page.GainEdit(b)->Code())
                         .arg(page.Slider(b)->Position())
                         .arg(page.BypassButton(b)->isChecked())
                         .arg(band.GetFreq())
                         .arg(band.GetQIndex())
                         .arg(code);
        if (page.FreqEdit(b)->isEnabled() != (shown.GetEqMode() != COutputDlg::kGraphicMode))
            found << QStringLiteral("band %1 frequency editor enabled in EQ mode %2")
                         .arg(b + 1)
                         .arg(shown.GetEqMode());
    }
    if (view.AllBypassButton()->isChecked() != allBypassed)
        found << QStringLiteral("all-bypass button");
    for (int c = 0; c < CTavelView::kShownChannels; ++c) {
        const bool partner = f.Editor().LinkOn() && f.Editor().PairPartner(current) == c;
        if (view.Strip(c)->ShownSelected() != (c == current || partner))
            found << QStringLiteral("CH%1 button").arg(c + 1);
        if (view.Strip(c)->ShownCurve() != (c == current || view.CurveShown(c)))
            found << QStringLiteral("CH%1 Line").arg(c + 1);
    }
    return found;
}

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { CTavelApp::SetUpApplication(*qApp); }
    void nothingIsLost();
};

void TestMonkey::nothingIsLost() {
    FormRig f;
    QVERIFY(f.Connect());
    CMonkey monkey(f);
    const int writesAtStart = f.Sim().Counters().writes;
    int checks = 0;
    for (int i = 1; i <= kActions; ++i) {
        monkey.Act();
        if (i % kActionsPerCheck != 0 && i != kActions)
            continue;
        if (!monkey.WaitQuiet()) {
            monkey.Log(QStringLiteral("(not connected at the check: reconnect)"));
            monkey.Reconnect();
            if (!monkey.WaitQuiet())
                continue;
        }
        monkey.Log(QStringLiteral("(quiet check)"));
        const QStringList apart = Differences(f) + ControlsOffTheModel(f);
        if (!apart.isEmpty()) {
            // Qt Test cuts long messages: the whole story goes to the log.
            for (const QString& line : apart + QStringList{QStringLiteral("last actions:")} + monkey.m_log)
                qWarning().noquote() << line;
            QStringList frames;
            for (const SimFrame& frame : f.Sim().Trace())
                if (frame.header.type != KTVCommand::kTypeSystem ||
                    frame.header.index != KTVCommand::kSubStatus)
                    frames << QString::fromStdString(frame.Describe()).left(110);
            qWarning().noquote() << "last frames the device received, status polls left out:";
            for (const QString& line : frames.mid(std::max<qsizetype>(0, frames.size() - 60)))
                qWarning().noquote() << line;
        }
        QVERIFY2(apart.isEmpty(),
                 qPrintable(QStringLiteral("after action %1: %2").arg(i).arg(apart.value(0))));
        ++checks;
    }
    QVERIFY2(monkey.m_strangeBoxes.isEmpty(), qPrintable(monkey.m_strangeBoxes.join(u'\n')));
    qInfo("random start %u: %d actions, %d quiet checks, %d lost replies, %d repeat requests, %d unplugs, "
          "%d preset dialogs, %d writes",
          kSeed, monkey.m_actions, checks, monkey.m_drops, monkey.m_repeats, monkey.m_unplugs,
          monkey.m_presetDialogs, f.Sim().Counters().writes - writesAtStart);
    // The run did what it is for: it was connected and sending most of the time.
    QVERIFY(checks >= kActions / kActionsPerCheck / 2);
    QVERIFY(f.Sim().Counters().writes - writesAtStart > kActions / 10);
    QVERIFY(monkey.m_presetDialogs > 0);
}

QTEST_MAIN(TestMonkey)
#include "tst_Monkey.moc"
