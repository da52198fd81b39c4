// Invariant checks of the fuzz targets: a broken invariant names itself and aborts, which libFuzzer reports
// as a finding with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void Require(bool ok, const char* what) {
    if (!ok)
        Fail(what);
}
