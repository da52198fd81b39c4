// A restartable periodic timer for the spin buttons, so that tests can run it on a clock they control.
#pragma once

#include <functional>
#include <utility>

class CRepeatTimer {
public:
    virtual ~CRepeatTimer() = default;

    // The first timeout comes one period after the call; starting a running timer restarts it.
    virtual void Start(int periodMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;

    void SetHandler(std::function<void()> handler) { m_handler = std::move(handler); }

protected:
    void Fire() {
        if (m_handler) {
            m_handler();
        }
    }

private:
    std::function<void()> m_handler;
};
