// Undo and redo of the user's edits, one step per gesture, and the A/B slots as steps of the same history.
#include "app/EditHistory.h"

#include "control/Session.h"
#include "control/SetupChange.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUndoCommand>

#include <functional>

namespace {

constexpr int kBurstStepId = 1;

qint64 NowMs() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

// Keys that step a value: a burst of them on one band is one step, as the wheel's is.
bool IsNudgeKey(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

QString SlotName(CAbCompare::Slot slot) {
    return slot == CAbCompare::A ? QStringLiteral("A") : QStringLiteral("B");
}

CAbCompare::Slot OtherSlot(CAbCompare::Slot slot) {
    return slot == CAbCompare::A ? CAbCompare::B : CAbCompare::A;
}

// "Copy A onto B": the slot copied from, onto the other one.
QString CopyText(CAbCompare::Slot from) {
    return CEditHistory::tr("Copy %1 onto %2").arg(SlotName(from), SlotName(OtherSlot(from)));
}

// Every step says what it changes in the language of the moment; the history renames them all when the
// language changes.
class CHistoryStep : public QUndoCommand {
public:
    virtual QString Describe() const = 0;
    void Retext() { setText(Describe()); }
};

// A change of the setup, already made when the step is pushed.
class CSetupStep : public CHistoryStep {
public:
    CSetupStep(CEditHistory& history, SetupState before, SetupState after, int burstChannel, int burstBand,
               std::function<QString()> text = {})
        : m_history(history), m_before(std::move(before)), m_after(std::move(after)),
          m_burstChannel(burstChannel), m_burstBand(burstBand), m_stamp(NowMs()), m_text(text) {
        Retext();
    }

    QString Describe() const override {
        return m_text ? m_text() : CSetupChange::Describe(m_before, m_after, m_history.Language());
    }

    int id() const override { return m_burstBand >= 0 ? kBurstStepId : -1; }

    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const CSetupStep*>(other); // the same id: a step of a burst
        if (next->m_burstBand != m_burstBand || next->m_burstChannel != m_burstChannel ||
            next->m_stamp - m_stamp > CEditHistory::kBurstMergeMs)
            return false;
        m_after = next->m_after;
        m_stamp = next->m_stamp;
        Retext();
        setObsolete(m_before == m_after);
        return true;
    }

    void undo() override { m_history.Restore(m_before); }

    void redo() override {
        if (std::exchange(m_pushed, false))
            return; // the change was made before the step was recorded
        m_history.Restore(m_after);
    }

private:
    CEditHistory& m_history;
    SetupState m_before;
    SetupState m_after;
    int m_burstChannel;
    int m_burstBand;
    qint64 m_stamp;
    std::function<QString()> m_text; // a text of the window's own, or the change described
    bool m_pushed = true;
};

// The other A/B slot made live; a switch undoes itself.
class CAbSwitchStep : public CHistoryStep {
public:
    CAbSwitchStep(CEditHistory& history, CAbCompare::Slot next) : m_history(history), m_next(next) {
        Retext();
    }
    QString Describe() const override { return CEditHistory::tr("A/B: %1 live").arg(SlotName(m_next)); }
    void undo() override { m_history.DoSwitch(); }
    void redo() override {
        if (std::exchange(m_pushed, false))
            return;
        m_history.DoSwitch();
    }

private:
    CEditHistory& m_history;
    CAbCompare::Slot m_next;
    bool m_pushed = true;
};

// The live setup copied onto the other slot: only the stored slot changes.
class CAbStoreStep : public CHistoryStep {
public:
    CAbStoreStep(CEditHistory& history, SetupState before, SetupState after, CAbCompare::Slot from)
        : m_history(history), m_before(std::move(before)), m_after(std::move(after)), m_from(from) {
        Retext();
    }
    QString Describe() const override { return CopyText(m_from); }
    void undo() override { m_history.PutStored(m_before); }
    void redo() override {
        if (std::exchange(m_pushed, false))
            return;
        m_history.PutStored(m_after);
    }

private:
    CEditHistory& m_history;
    SetupState m_before;
    SetupState m_after;
    CAbCompare::Slot m_from;
    bool m_pushed = true;
};

} // namespace

CEditHistory::CEditHistory(CSession& session, QObject* parent)
    : QObject(parent), m_session(session), m_editor(session.Editor()), m_ab(session.Editor()),
      m_committed(session.Editor().CaptureSetup()) {
    m_stack.setUndoLimit(kUndoLimit);
    m_commitTimer.setSingleShot(true);
    m_commitTimer.setInterval(0);
    connect(&m_commitTimer, &QTimer::timeout, this, [this] { Commit(); });
    connect(&m_editor, &CModelEditor::channelChanged, this, [this] { Changed(); });
    connect(&m_editor, &CModelEditor::linkGroupsChanged, this, [this] { Changed(); });
    connect(&session, &CSession::modelReloaded, this, [this] { Changed(); });
    connect(&session, &CSession::deviceImageRead, this, [this] { NewHistory(); });
    connect(&m_stack, &QUndoStack::indexChanged, this, [this] { emit changed(); });
    connect(&m_stack, &QUndoStack::cleanChanged, this, [this] { emit changed(); });
    QCoreApplication::instance()->installEventFilter(this);
}

CEditHistory::~CEditHistory() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

int CEditHistory::Language() const {
    return m_session.Globals().language.load();
}

bool CEditHistory::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_pointerDown = true;
        m_burstArmed = false;
        break;
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        // A move without a button also ends a gesture whose release went to nobody.
        if (m_pointerDown && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
            m_pointerDown = false;
            m_commitTimer.start(); // after the release has been handled: a menu item acts on it
        }
        break;
    case QEvent::LanguageChange:
        // Renamed once the change has reached every widget: nothing runs inside the application's own
        // handling of it.
        if (watched == QCoreApplication::instance())
            QTimer::singleShot(0, this, [this] { Retext(); });
        break;
    case QEvent::Wheel:
        m_burstArmed = true;
        break;
    case QEvent::KeyPress:
        m_burstArmed = IsNudgeKey(static_cast<QKeyEvent*>(event)->key());
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CEditHistory::Retext() {
    // QUndoStack hands its steps out const; every one of them is ours.
    for (int i = 0; i < m_stack.count(); ++i)
        static_cast<CHistoryStep*>(const_cast<QUndoCommand*>(m_stack.command(i)))->Retext();
    emit changed();
}

void CEditHistory::Changed() {
    if (m_restoring)
        return;
    m_commitTimer.start();
}

void CEditHistory::Commit() {
    if (m_pointerDown)
        return; // the release commits
    m_commitTimer.stop();
    SetupState now = m_editor.CaptureSetup();
    const bool burst = std::exchange(m_burstArmed, false);
    if (now == m_committed)
        return;
    int channel = -1;
    const int band = burst ? CSetupChange::SingleBand(m_committed, now, &channel) : -1;
    SetupState before = std::move(m_committed);
    m_committed = now;
    m_stack.push(new CSetupStep(*this, std::move(before), std::move(now), channel, band));
}

void CEditHistory::Flush() {
    m_pointerDown = false;
    Commit();
}

void CEditHistory::NewHistory() {
    m_commitTimer.stop();
    m_burstArmed = false;
    m_stack.clear();
    m_committed = m_editor.CaptureSetup();
    emit changed();
}

bool CEditHistory::Undo() {
    Flush();
    if (!m_stack.canUndo() || !m_editor.Editable())
        return false;
    m_stack.undo();
    return true;
}

bool CEditHistory::Redo() {
    Flush();
    if (!m_stack.canRedo() || !m_editor.Editable())
        return false;
    m_stack.redo();
    return true;
}

QString CEditHistory::UndoText() const {
    return m_stack.undoText();
}

QString CEditHistory::RedoText() const {
    return m_stack.redoText();
}

bool CEditHistory::Restore(const SetupState& state) {
    m_restoring = true;
    const bool restored = m_editor.RestoreSetup(state);
    m_restoring = false;
    m_committed = m_editor.CaptureSetup();
    return restored;
}

bool CEditHistory::DoSwitch() {
    m_restoring = true;
    const bool switched = m_ab.Switch();
    m_restoring = false;
    m_committed = m_editor.CaptureSetup();
    emit changed();
    return switched;
}

void CEditHistory::PutStored(const SetupState& state) {
    m_ab.SetStored(state);
    emit changed();
}

bool CEditHistory::SwitchAb() {
    Flush();
    if (!m_editor.Editable())
        return false;
    const CAbCompare::Slot next = m_ab.Other();
    if (!DoSwitch())
        return false;
    m_stack.push(new CAbSwitchStep(*this, next));
    return true;
}

void CEditHistory::CopyLiveToOther() {
    Flush();
    SetupState before = m_ab.Stored();
    m_ab.CopyLiveToOther();
    m_stack.push(new CAbStoreStep(*this, std::move(before), m_ab.Stored(), m_ab.Live()));
    emit changed();
}

bool CEditHistory::CopyOtherToLive() {
    Flush();
    if (!m_editor.Editable())
        return false;
    SetupState before = m_editor.CaptureSetup();
    m_restoring = true;
    const bool copied = m_ab.CopyOtherToLive();
    m_restoring = false;
    SetupState after = m_editor.CaptureSetup();
    m_committed = after;
    if (copied && !(before == after))
        m_stack.push(new CSetupStep(*this, std::move(before), std::move(after), -1, -1,
                                    [from = m_ab.Other()] { return CopyText(from); }));
    return copied;
}
