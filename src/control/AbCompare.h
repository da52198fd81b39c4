// Two setups of the output channels held side by side, one of them live, for comparing by ear.
#pragma once

#include "control/ModelEditor.h"

#include <optional>

// The live slot is the model itself; the other slot is kept here. A switch keeps the live setup in its slot
// and restores the other through the edit entry point, so the device receives only the slices that differ
// and every view follows. Until the other slot is first filled it equals the live setup.
class CAbCompare {
public:
    enum Slot { A = 0, B = 1 };

    explicit CAbCompare(CModelEditor& editor) : m_editor(editor) {}

    Slot Live() const { return m_live; }
    Slot Other() const { return m_live == A ? B : A; }
    // The setup the other slot holds (the live setup while it was never filled).
    SetupState Stored() const;

    // The other slot becomes live. Refused (false, nothing changed) while the device is being read.
    bool Switch();
    // The live setup copied onto the other slot; nothing is sent.
    void CopyLiveToOther() { m_stored = m_editor.CaptureSetup(); }
    // The other slot's setup copied onto the live one (sent like a switch). Refused while the device is read.
    bool CopyOtherToLive();
    // Puts a slot's content back as it was (undo of a copy); nothing is sent.
    void SetStored(const SetupState& state) { m_stored = state; }

private:
    CModelEditor& m_editor;
    Slot m_live = A;
    std::optional<SetupState> m_stored;
};
