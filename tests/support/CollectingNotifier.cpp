// A notifier for tests: keeps every posted notification and lets the test thread wait for one.
#include "support/CollectingNotifier.h"

#include <algorithm>

void CCollectingNotifier::Post(int message, std::intptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard lock(m_mutex);
        m_all.push_back({message, wParam, lParam});
    }
    m_posted.notify_all();
}

std::vector<Notification> CCollectingNotifier::All() const {
    std::lock_guard lock(m_mutex);
    return m_all;
}

std::vector<Notification> CCollectingNotifier::Of(int message) const {
    std::lock_guard lock(m_mutex);
    std::vector<Notification> out;
    std::copy_if(m_all.begin(), m_all.end(), std::back_inserter(out),
                 [message](const Notification& n) { return n.message == message; });
    return out;
}

int CCollectingNotifier::CountLocked(int message) const {
    return static_cast<int>(std::count_if(m_all.begin(), m_all.end(),
                                          [message](const Notification& n) { return n.message == message; }));
}

int CCollectingNotifier::Count(int message) const {
    std::lock_guard lock(m_mutex);
    return CountLocked(message);
}

void CCollectingNotifier::Clear() {
    std::lock_guard lock(m_mutex);
    m_all.clear();
}

std::optional<Notification> CCollectingNotifier::WaitFor(int message, std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    if (!m_posted.wait_for(lock, limit, [&] { return CountLocked(message) > 0; }))
        return std::nullopt;
    return *std::find_if(m_all.begin(), m_all.end(),
                         [message](const Notification& n) { return n.message == message; });
}

bool CCollectingNotifier::WaitForCount(int message, int count, std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_posted.wait_for(lock, limit, [&] { return CountLocked(message) >= count; });
}
