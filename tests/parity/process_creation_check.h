#pragma once

// The process-creation table run through both ways of starting a program:
// CreateProcessW, and CreateProcessAsUserW with the caller's own token made primary.
// One checker for every platform; each says how it reads which image a started
// process runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <string>

#include "platform/win32.h"
#include "tests/parity/process_creation_cases.h"

namespace parity {

inline std::wstring FoldedPath(std::wstring path) {
    std::transform(path.begin(), path.end(), path.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return path;
}

// `imageOf` names the program a started process runs and may end it; the checker
// closes its handles.
inline void CheckProcessCreationRows(const std::function<std::wstring(const PROCESS_INFORMATION&)>& imageOf) {
    HANDLE own = nullptr;
    HANDLE primary = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own));
    ASSERT_TRUE(DuplicateTokenEx(own, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary));
    CloseHandle(own);
    for (const bool asUser : {false, true}) {
        for (const ProcessCreationCase& row : kProcessCreationCases) {
            SCOPED_TRACE(testing::Message() << (asUser ? "CreateProcessAsUserW" : "CreateProcessW") << " application ["
                                            << std::wstring(row.applicationName ? row.applicationName : L"(none)")
                                            << "] command line [" << std::wstring(row.commandLine) << "]");
            std::wstring commandLine = row.commandLine;
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION process{};
            SetLastError(0);
            const BOOL started =
                asUser ? CreateProcessAsUserW(primary, row.applicationName, commandLine.data(), nullptr, nullptr, FALSE,
                                              CREATE_SUSPENDED, nullptr, nullptr, &startup, &process)
                       : CreateProcessW(row.applicationName, commandLine.data(), nullptr, nullptr, FALSE,
                                        CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
            const unsigned long error = started ? 0 : GetLastError();
            EXPECT_EQ(started ? FoldedPath(imageOf(process)) : L"(none)", row.runs[0] ? FoldedPath(row.runs) : L"(none)");
            EXPECT_EQ(error, row.error);
            if (!started) continue;
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    CloseHandle(primary);
}

}  // namespace parity
