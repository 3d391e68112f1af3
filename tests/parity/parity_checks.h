#pragma once

// One checker per shared table, run by both platforms: the simulated Windows
// (tests/unit/platform_parity) and the real one under Wine (tests/wine/parity_test.cpp).
// A platform says how it places a program, how it reads and ends a started one, and
// what its ledger holds; Wine keeps no ledger, so its ledger check does nothing. Under
// Wine the rows that say Wine strays from Windows are left out (on Windows they run).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cwctype>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/parity/environment_expansion_cases.h"
#include "tests/parity/file_sharing_cases.h"
#include "tests/parity/full_path_cases.h"
#include "tests/parity/object_security_cases.h"
#include "tests/parity/process_creation_cases.h"
#include "tests/parity/version_resource_cases.h"
#include "tests/support/command_line_cases.h"

namespace parity {

struct Platform {
    std::function<void(const wchar_t* path)> placeProgram;
    std::function<std::wstring(const PROCESS_INFORMATION&)> imageOfEnded;  // the program run; the process is ended
    std::function<void(const char* report)> ledger;                        // the kinds held: "file=1"
    bool wine = false;
};

template <class Row> bool LeftOut(const Platform& platform, const Row& row) { return platform.wine && row.wineDiffers; }

inline constexpr DWORD kSentinel = 0xdeadbeef;  // the last error before a call whose error is checked

inline void CheckExpansionRows() {
    for (const ExpansionCase& row : kExpansionCases) {
        SCOPED_TRACE(testing::Message() << "source [" << std::wstring(row.source) << "] size " << row.bufferSize);
        std::vector<wchar_t> buffer(row.bufferSize + 1, L'?');
        const DWORD needed = std::wcslen(row.expanded) + 1;
        EXPECT_EQ(ExpandEnvironmentStringsW(row.source, row.bufferSize ? buffer.data() : nullptr, row.bufferSize), needed);
        if (row.bufferSize >= needed) { EXPECT_EQ(std::wstring(buffer.data()), row.expanded); }
        EXPECT_EQ(buffer[row.bufferSize], L'?') << "nothing is written past the buffer";
    }
}

inline void CheckFullPathRows(const Platform& platform) {
    for (const FullPathCase& row : kFullPathCases) {
        if (LeftOut(platform, row)) continue;
        SCOPED_TRACE(testing::Message() << "input [" << std::wstring(row.input) << "] size " << row.bufferSize);
        std::vector<wchar_t> buffer(row.bufferSize + 1, L'?');
        const DWORD length = std::wcslen(row.full);
        const bool fits = row.bufferSize > length;
        EXPECT_EQ(GetFullPathNameW(row.input, row.bufferSize, row.bufferSize ? buffer.data() : nullptr, nullptr),
                  fits ? length : length + 1);
        if (fits) { EXPECT_EQ(std::wstring(buffer.data()), row.full); }
        EXPECT_EQ(buffer[row.bufferSize], L'?') << "nothing is written past the buffer";
    }
    wchar_t buffer[MAX_PATH] = {};
    EXPECT_EQ(GetFullPathNameW(L"", MAX_PATH, buffer, nullptr), 0u) << "an empty name has no full path";
}

// `folder` holds the programs the table names.
inline void CheckVersionRows(const Platform& platform, const std::wstring& folder) {
    for (const VersionCase& row : kVersionCases) {
        if (LeftOut(platform, row)) continue;
        SCOPED_TRACE(testing::Message() << "file [" << std::wstring(row.fileName) << "]");
        const std::wstring path = folder + row.fileName;
        DWORD handle = 77;
        SetLastError(kSentinel);
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        EXPECT_EQ(handle, 0u);
        if (!row.readable) {
            EXPECT_EQ(size, 0u);
            EXPECT_EQ(GetLastError(), row.sizeError);
            continue;
        }
        ASSERT_GT(size, 0u);
        std::vector<BYTE> block(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length));
        EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed->dwFileVersionMS, (DWORD{row.major} << 16) | row.minor);
        EXPECT_EQ(fixed->dwFileVersionLS, (DWORD{row.build} << 16) | row.revision);
    }
}

// The table of tricky lines, and this program's path, which an empty line gives: a
// buffer too short for the path gets it cut, the buffer's size and an error answered.
inline void CheckCommandLineRows(const Platform& platform) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 8u);
    wchar_t cut[8] = {};
    SetLastError(kSentinel);
    EXPECT_EQ(GetModuleFileNameW(nullptr, cut, 8), 8u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::wstring(cut, 7), std::wstring(self, 7));
    auto rows = vistane_test::TrickyCommandLines();
    rows.push_back({L"", {self}});  // an empty line gives this program's path
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "line [" << std::wstring(row.line) << "]");
        int count = -1;
        LPWSTR* elements = CommandLineToArgvW(row.line, &count);
        ASSERT_NE(elements, nullptr) << "error " << GetLastError();
        platform.ledger("local memory=1");  // one block: the array and its texts
        EXPECT_EQ(std::vector<std::wstring>(elements, elements + count), row.elements);
        EXPECT_EQ(elements[count], nullptr) << "the array ends in a null pointer";
        EXPECT_EQ(LocalFree(elements), nullptr);
    }
    SetLastError(kSentinel);
    EXPECT_EQ(CommandLineToArgvW(L"a b", nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "no count to answer in";
}

inline void CheckSecurityPartsRows(const Platform& platform, const wchar_t* folder) {
    for (const SecurityPartsCase& row : kSecurityPartsCases) {
        SCOPED_TRACE(testing::Message() << "request " << row.request);
        PSID owner = nullptr;
        PSID group = nullptr;
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(GetNamedSecurityInfoW(folder, SE_FILE_OBJECT, row.request, &owner, &group, &dacl, nullptr, &descriptor),
                  static_cast<DWORD>(ERROR_SUCCESS));
        platform.ledger("local memory=1");  // one block holds the parts returned
        EXPECT_EQ((std::array{owner != nullptr, group != nullptr, dacl != nullptr}), (std::array{row.owner, row.group, row.dacl}));
        LocalFree(descriptor);
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SetLastError(kSentinel);
    EXPECT_EQ(GetNamedSecurityInfoW((std::wstring(folder) + L"\\Missing").c_str(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(descriptor, nullptr);
}

inline void CheckAccountRows(const Platform& platform) {
    for (const AccountCase& row : kAccountCases) {
        if (LeftOut(platform, row)) continue;
        SCOPED_TRACE(testing::Message() << "S-1-5-" << row.rid << " size " << row.size);
        BYTE sid[12] = {1 /* SID_REVISION */, 1, 0, 0, 0, 0, 0, 5 /* SECURITY_NT_AUTHORITY */};
        std::memcpy(sid + 8, &row.rid, 4);
        std::wstring name(row.size, L'?'), domain(row.size, L'?');
        DWORD nameSize = row.size, domainSize = row.size;
        SID_NAME_USE use = SidTypeInvalid;
        SetLastError(kSentinel);
        const BOOL found = LookupAccountSidW(nullptr, sid, name.data(), &nameSize, domain.data(), &domainSize, &use);
        EXPECT_EQ(found ? 0 : GetLastError(), row.error);
        if (row.error == ERROR_NONE_MAPPED) continue;
        EXPECT_EQ(nameSize, std::wcslen(row.name) + !found) << "a size needed counts the NUL, a length found not";
        EXPECT_EQ(domainSize, std::wcslen(row.domain) + !found);
        if (!found) continue;
        EXPECT_EQ(name.c_str(), std::wstring(row.name));
        EXPECT_EQ(domain.c_str(), std::wstring(row.domain));
        EXPECT_EQ(use, row.use);
    }
}

inline std::wstring FoldedPath(std::wstring path) {
    std::transform(path.begin(), path.end(), path.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return path;
}

// Starts a program suspended, as the token's user when there is one, and answers the
// program that ran (case folded), or "" with the start's last error left. The process
// is ended and its handles closed; meanwhile the ledger holds `whileRunning`.
inline std::wstring Started(const Platform& platform, HANDLE token, const wchar_t* application, std::wstring commandLine,
                            const char* whileRunning) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    SetLastError(kSentinel);
    const BOOL started = token ? CreateProcessAsUserW(token, application, commandLine.data(), nullptr, nullptr, FALSE,
                                                      CREATE_SUSPENDED, nullptr, nullptr, &startup, &process)
                               : CreateProcessW(application, commandLine.data(), nullptr, nullptr, FALSE,
                                                CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
    if (!started) return L"";
    platform.ledger(whileRunning);
    const std::wstring image = FoldedPath(platform.imageOfEnded(process));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return image;
}

// The attempt's outcome: 0, or the last error of its failure. Whatever it opened or
// started is closed again.
inline DWORD Attempt(const Platform& platform, const FileSharingCase& row) {
    SetLastError(kSentinel);
    BOOL done = FALSE;
    switch (row.attempt) {
        case Open: {
            const HANDLE file = CreateFileW(kHeldFile, row.access, row.share, nullptr, OPEN_EXISTING, 0, nullptr);
            done = file != INVALID_HANDLE_VALUE;
            if (done) CloseHandle(file);
            break;
        }
        case Delete: done = DeleteFileW(kHeldFile); break;
        case MoveAway: done = MoveFileExW(kHeldFile, kFreeName, 0); break;
        case ReplaceHeld: done = MoveFileExW(kOtherFile, kHeldFile, MOVEFILE_REPLACE_EXISTING); break;
        case Start: done = !Started(platform, nullptr, kHeldFile, L"Held.exe", "file=1 process=1 thread=1").empty();
    }
    return done ? 0 : GetLastError();
}

inline bool Exists(const wchar_t* path) {
    const HANDLE file = CreateFileW(path, 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

inline void CheckSharingRows(const Platform& platform) {
    unsigned number = 0;
    for (const FileSharingCase& row : kFileSharingCases) {
        SCOPED_TRACE(testing::Message() << "sharing row " << ++number);
        platform.placeProgram(kHeldFile);
        platform.placeProgram(kOtherFile);
        const HANDLE held = CreateFileW(kHeldFile, row.heldAccess, row.heldShare, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << "error " << GetLastError();
        EXPECT_EQ(Attempt(platform, row), row.error);
        platform.ledger("file=1");  // only the held handle is open
        EXPECT_TRUE(CloseHandle(held));
        SetLastError(kSentinel);
        EXPECT_FALSE(CloseHandle(held)) << "a handle is closed once";
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        // Files are where the attempt left them: a failed attempt changes nothing.
        const bool done = row.error == 0;
        EXPECT_EQ(Exists(kHeldFile), !(done && (row.attempt == Delete || row.attempt == MoveAway)));
        EXPECT_EQ(Exists(kFreeName), done && row.attempt == MoveAway);
        EXPECT_EQ(Exists(kOtherFile), !(done && row.attempt == ReplaceHeld));
        for (const wchar_t* file : {kHeldFile, kOtherFile, kFreeName}) DeleteFileW(file);
    }
}

// Every row through both ways of starting a program: CreateProcessW, and
// CreateProcessAsUserW with the caller's own token made primary.
inline void CheckProcessCreationRows(const Platform& platform) {
    for (const wchar_t* program : kProgramFiles) platform.placeProgram(program);
    HANDLE own = nullptr;
    HANDLE primary = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own));
    ASSERT_TRUE(DuplicateTokenEx(own, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary));
    CloseHandle(own);
    for (const bool asUser : {false, true}) {
        for (const ProcessCreationCase& row : kProcessCreationCases) {
            if (LeftOut(platform, row)) continue;
            std::wstring commandLine = row.commandLine;
            if (row.padTo) commandLine.resize(row.padTo, L'a');
            SCOPED_TRACE(testing::Message() << (asUser ? "CreateProcessAsUserW" : "CreateProcessW") << " application ["
                                            << std::wstring(row.applicationName ? row.applicationName : L"(none)")
                                            << "] command line [" << commandLine.substr(0, 80) << "]");
            const std::wstring image = Started(platform, asUser ? primary : nullptr, row.applicationName, commandLine,
                                               "process=1 thread=1 token=1");
            EXPECT_EQ(image.empty() ? GetLastError() : 0, row.error);
            EXPECT_EQ(image, FoldedPath(row.runs));
        }
    }
    CloseHandle(primary);
}

}  // namespace parity
