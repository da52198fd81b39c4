// Where the skinned controls read the interface language from when Qt announces a language change.
#pragma once

#include <atomic>

// The application points this at its language flag once (0 English, 1 Chinese); the flag is changed, then
// a translator installed, and Qt's language-change event, which arrives later through the event loop, makes
// every control redraw in the flag's language. Without a flag the controls stay in English.
class CSkinLanguage {
public:
    static void SetFlag(const std::atomic<int>* flag) { s_flag.store(flag); }
    static int Current() {
        const std::atomic<int>* flag = s_flag.load();
        return flag != nullptr && flag->load() == 1 ? 1 : 0;
    }

private:
    static inline std::atomic<const std::atomic<int>*> s_flag{nullptr};
};
