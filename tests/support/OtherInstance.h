// A second running process standing in for another instance of the program that holds device claims.
#pragma once

#include "link/ClaimList.h"

#include <QProcess>

// The process is `cat` reading its open standard input, so it runs until End() closes that input; no
// timing is involved. owner() names it exactly as a claim of that process would.
class COtherInstance {
public:
    COtherInstance();
    ~COtherInstance();
    COtherInstance(const COtherInstance&) = delete;
    COtherInstance& operator=(const COtherInstance&) = delete;

    bool started() const { return m_owner.pid > 0; }
    const ClaimOwner& owner() const { return m_owner; }
    // Ends the process and waits until the system has reaped it.
    void End();

private:
    QProcess m_process;
    ClaimOwner m_owner;
};
