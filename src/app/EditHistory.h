// Undo and redo of the user's edits, one step per gesture, and the A/B slots as steps of the same history.
#pragma once

#include "control/AbCompare.h"
#include "control/ModelEditor.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUndoStack>

class CSession;

// Watches the edit entry point and records what changed as steps of a QUndoStack. Gestures are told by the
// input that made them: everything between a mouse button going down and the last one coming up is one step
// (a drag, a slider, a spin held down, a menu item), every other change is committed once the event that
// caused it has been handled (a typed value, a key, an import, a time alignment, a preset recall or a file
// load). Bursts merge into one step: wheel steps, and presses of the arrow and page keys (the graph's
// nudges, a fader's steps), each on the same band within kBurstMergeMs of the one before.
//
// Undo and redo put back the whole setup before or after the step through CModelEditor::RestoreSetup, so
// the device receives exactly the slices in which the two differ. They are refused while the device is read.
// The image a new link starts with begins a new history: the setups before it were not the device's.
class CEditHistory : public QObject {
    Q_OBJECT

public:
    static constexpr int kBurstMergeMs = 1000;
    static constexpr int kUndoLimit = 200;

    CEditHistory(CSession& session, QObject* parent = nullptr);
    ~CEditHistory() override;

    QUndoStack& Stack() { return m_stack; }
    CAbCompare& Ab() { return m_ab; }

    // Commits what changed since the last step (the window calls it before anything that reads the history).
    void Flush();
    bool Undo();
    bool Redo();
    QString UndoText() const;
    QString RedoText() const;

    // The A/B slots: each one step.
    bool SwitchAb();
    void CopyLiveToOther();
    bool CopyOtherToLive();

    // Used by the steps themselves.
    bool Restore(const SetupState& state);
    bool DoSwitch();
    void PutStored(const SetupState& state);
    int Language() const;

signals:
    // The Undo and Redo texts or their availability changed, or the live A/B slot.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Changed();
    void Commit();
    void Retext();
    void NewHistory();

    CSession& m_session;
    CModelEditor& m_editor;
    CAbCompare m_ab;
    QUndoStack m_stack;
    QTimer m_commitTimer;
    SetupState m_committed;
    bool m_pointerDown = false;
    bool m_burstArmed = false;
    bool m_restoring = false;
};
