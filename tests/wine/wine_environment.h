#pragma once

#include <string>

namespace wine_checks {

// True when the program runs under Wine rather than Windows.
bool RunningUnderWine();

// The folder this test program lies in (the build's bin folder), ending in a backslash.
std::wstring ProgramFolder();

}  // namespace wine_checks

// Skips a check Wine cannot run, naming what Wine lacks; on Windows the check runs.
#define SKIP_UNDER_WINE(what)                                                  \
    do {                                                                       \
        if (::wine_checks::RunningUnderWine()) GTEST_SKIP() << "Wine does not implement " what; \
    } while (false)

// Skips a check of a system function this system lacks (or only stubs), naming it.
#define SKIP_MISSING_FUNCTION(name)                                                              \
    GTEST_SKIP() << (::wine_checks::RunningUnderWine() ? "Wine does not implement " : "this Windows has no ") \
                 << name
