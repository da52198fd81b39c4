// A notifier for tests: keeps every posted notification and lets the test thread wait for one.
#pragma once

#include "link/Notifier.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

struct Notification {
    int message = 0;
    std::intptr_t wParam = 0;
    std::intptr_t lParam = 0;
    bool operator==(const Notification&) const = default;
};

// Safe to post from any thread. Waits never sleep blindly: they wake on every post.
class CCollectingNotifier : public CNotifier {
public:
    void Post(int message, std::intptr_t wParam, std::intptr_t lParam) override;

    std::vector<Notification> All() const;
    std::vector<Notification> Of(int message) const;
    int Count(int message) const;
    void Clear();

    // The first notification with `message` (posted since the last Clear), waiting up to `limit`.
    std::optional<Notification> WaitFor(int message,
                                        std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits until `count` notifications with `message` have been posted; false when the limit passed first.
    bool WaitForCount(int message, int count, std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    int CountLocked(int message) const;

    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::vector<Notification> m_all;
};
