// Undo and redo of the user's edits, one step per gesture, and the A/B slots as steps of the same history.
#include "app/EditHistory.h"

#include "control/Session.h"
#include "control/SetupChange.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QUndoCommand>

namespace {

constexpr int kWheelStepId = 1;

qint64 NowMs() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

QString SlotName(CAbCompare::Slot slot) {
    return slot == CAbCompare::A ? QStringLiteral("A") : QStringLiteral("B");
}

// A change of the setup, already made when the step is pushed.
class CSetupStep : public QUndoCommand {
public:
    CSetupStep(CEditHistory& history, SetupState before, SetupState after, int wheelChannel, int wheelBand,
               const QString& text = {})
        : m_history(history), m_before(std::move(before)), m_after(std::move(after)),
          m_wheelChannel(wheelChannel), m_wheelBand(wheelBand), m_stamp(NowMs()) {
        setText(text.isEmpty() ? CSetupChange::Describe(m_before, m_after, history.Language()) : text);
    }

    int id() const override { return m_wheelBand >= 0 ? kWheelStepId : -1; }

    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const CSetupStep*>(other); // the same id: a wheel step
        if (next->m_wheelBand != m_wheelBand || next->m_wheelChannel != m_wheelChannel ||
            next->m_stamp - m_stamp > CEditHistory::kWheelMergeMs)
            return false;
        m_after = next->m_after;
        m_stamp = next->m_stamp;
        setText(CSetupChange::Describe(m_before, m_after, m_history.Language()));
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
    int m_wheelChannel;
    int m_wheelBand;
    qint64 m_stamp;
    bool m_pushed = true;
};

// The other A/B slot made live; a switch undoes itself.
class CAbSwitchStep : public QUndoCommand {
public:
    CAbSwitchStep(CEditHistory& history, const QString& text) : m_history(history) { setText(text); }
    void undo() override { m_history.DoSwitch(); }
    void redo() override {
        if (std::exchange(m_pushed, false))
            return;
        m_history.DoSwitch();
    }

private:
    CEditHistory& m_history;
    bool m_pushed = true;
};

// The live setup copied onto the other slot: only the stored slot changes.
class CAbStoreStep : public QUndoCommand {
public:
    CAbStoreStep(CEditHistory& history, SetupState before, SetupState after, const QString& text)
        : m_history(history), m_before(std::move(before)), m_after(std::move(after)) {
        setText(text);
    }
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
        m_wheelArmed = false;
        break;
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        // A move without a button also ends a gesture whose release went to nobody.
        if (m_pointerDown && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
            m_pointerDown = false;
            m_commitTimer.start(); // after the release has been handled: a menu item acts on it
        }
        break;
    case QEvent::Wheel:
        m_wheelArmed = true;
        break;
    case QEvent::KeyPress:
        m_wheelArmed = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
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
    const bool wheel = std::exchange(m_wheelArmed, false);
    if (now == m_committed)
        return;
    int channel = -1;
    const int band = wheel ? CSetupChange::SingleBand(m_committed, now, &channel) : -1;
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
    m_wheelArmed = false;
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
    m_stack.push(new CAbSwitchStep(*this, tr("A/B: %1 live").arg(SlotName(next))));
    return true;
}

void CEditHistory::CopyLiveToOther() {
    Flush();
    SetupState before = m_ab.Stored();
    m_ab.CopyLiveToOther();
    m_stack.push(new CAbStoreStep(*this, std::move(before), m_ab.Stored(),
                                  tr("Copy %1 onto %2").arg(SlotName(m_ab.Live()), SlotName(m_ab.Other()))));
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
        m_stack.push(
            new CSetupStep(*this, std::move(before), std::move(after), -1, -1,
                           tr("Copy %1 onto %2").arg(SlotName(m_ab.Other()), SlotName(m_ab.Live()))));
    return copied;
}
