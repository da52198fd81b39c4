// A second running process standing in for another instance of the program that holds device claims.
#include "support/OtherInstance.h"

COtherInstance::COtherInstance() {
    m_process.start(QStringLiteral("cat"), {});
    if (!m_process.waitForStarted(30000))
        return;
    if (const auto owner = ClaimOwner::Running(m_process.processId()))
        m_owner = *owner;
}

COtherInstance::~COtherInstance() {
    End();
}

void COtherInstance::End() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(30000)) {
        m_process.kill();
        m_process.waitForFinished(30000);
    }
}
