// A clock the editor tests advance by hand, with repeat timers that fire on it in time order.
#pragma once

#include "editors/RepeatTimer.h"

#include <algorithm>
#include <memory>
#include <vector>

class CManualTimeline {
public:
    class Timer final : public CRepeatTimer {
    public:
        explicit Timer(CManualTimeline& line) : m_line(line) { line.m_timers.push_back(this); }
        ~Timer() override { std::erase(m_line.m_timers, this); }

        void Start(int periodMs) override {
            m_period = std::max(1, periodMs);
            m_due = m_line.m_now + m_period;
            m_active = true;
        }
        void Stop() override { m_active = false; }
        bool IsActive() const override { return m_active; }

    private:
        friend class CManualTimeline;
        void Expire() {
            m_due += m_period; // before the handler, which may restart the timer
            Fire();
        }

        CManualTimeline& m_line;
        int m_period = 1;
        long long m_due = 0;
        bool m_active = false;
    };

    std::unique_ptr<CRepeatTimer> NewTimer() { return std::make_unique<Timer>(*this); }

    // Moves the clock on by ms, firing every timeout that falls due on the way; timers due at the same
    // moment fire in the order they were made.
    void Advance(long long ms) {
        const long long target = m_now + ms;
        for (;;) {
            Timer* next = nullptr;
            for (Timer* timer : m_timers) {
                if (timer->m_active && timer->m_due <= target &&
                    (next == nullptr || timer->m_due < next->m_due)) {
                    next = timer;
                }
            }
            if (next == nullptr) {
                break;
            }
            m_now = next->m_due;
            next->Expire();
        }
        m_now = target;
    }

    long long Now() const { return m_now; }

private:
    long long m_now = 0;
    std::vector<Timer*> m_timers;
};
