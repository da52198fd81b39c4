// Outcome of a core operation: success, or the system's text that the caller shows to the user.
#pragma once

#include "base/SysText.h"

#include <optional>

class Status {
public:
    Status() = default;
    static Status Ok() { return {}; }
    static Status Error(const SysText& text) {
        Status s;
        s.m_error = text;
        return s;
    }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const SysText& error() const { return *m_error; }

private:
    std::optional<SysText> m_error;
};
