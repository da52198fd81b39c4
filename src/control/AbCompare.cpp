// Two setups of the output channels held side by side, one of them live, for comparing by ear.
#include "control/AbCompare.h"

SetupState CAbCompare::Stored() const {
    return m_stored ? *m_stored : m_editor.CaptureSetup();
}

bool CAbCompare::Switch() {
    const SetupState live = m_editor.CaptureSetup();
    const SetupState other = m_stored.value_or(live);
    if (!m_editor.RestoreSetup(other))
        return false;
    m_stored = live;
    m_live = Other();
    return true;
}

bool CAbCompare::CopyOtherToLive() {
    return m_editor.RestoreSetup(Stored());
}
