// The calls and records the launcher relies on, checked on the real platform: the
// figures the simulated Windows reproduces for them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/wine/wine_environment.h"

namespace {

// A primary token of this process, as process creation under a user's token takes it.
HANDLE PrimaryTokenOfThisProcess() {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, &own))
        return nullptr;
    HANDLE primary = nullptr;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
    const BOOL duplicated =
        DuplicateTokenEx(own, MAXIMUM_ALLOWED, &attributes, SecurityImpersonation, TokenPrimary, &primary);
    CloseHandle(own);
    return duplicated ? primary : nullptr;
}

}  // namespace

TEST(LauncherPlatform, RecordsHaveTheLayoutsTheLauncherFills) {
    EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), 24u);
    EXPECT_EQ(sizeof(STARTUPINFOEXW), 112u);
    EXPECT_EQ(sizeof(PROCESS_INFORMATION), 24u);
    EXPECT_EQ(sizeof(PACKAGE_INFO), 80u);
    EXPECT_EQ(PROC_THREAD_ATTRIBUTE_HANDLE_LIST, 0x00020002u);
    EXPECT_EQ(EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT | NORMAL_PRIORITY_CLASS | CREATE_NEW_CONSOLE,
              0x00080430u);
}

TEST(LauncherPlatform, AHandleListAttributeTakesTwoHandlesInAOneAttributeList) {
    SIZE_T bytes = 0;
    SetLastError(0);
    EXPECT_FALSE(InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_GT(bytes, 0u);
    std::vector<BYTE> memory(bytes);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(memory.data());
    ASSERT_TRUE(InitializeProcThreadAttributeList(list, 1, 0, &bytes));
    HANDLE handles[2] = {GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE)};
    EXPECT_TRUE(UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof(handles),
                                          nullptr, nullptr));
    DeleteProcThreadAttributeList(list);
}

TEST(LauncherPlatform, UserExpansionFailsWhenTheResultDoesNotFitMaxPath) {
    HANDLE token = PrimaryTokenOfThisProcess();
    ASSERT_NE(token, nullptr);
    SetEnvironmentVariableW(L"VISTANE_LONG", (L"C:\\" + std::wstring(256, L'd')).c_str());
    WCHAR buffer[MAX_PATH] = {};
    const BOOL fits = ExpandEnvironmentStringsForUserW(token, L"%windir%", buffer, MAX_PATH);
    const DWORD fitsError = GetLastError();
    CloseHandle(token);
    if (!fits && fitsError == ERROR_CALL_NOT_IMPLEMENTED) SKIP_MISSING_FUNCTION("ExpandEnvironmentStringsForUserW");
    ASSERT_TRUE(fits);
    EXPECT_NE(std::wstring(buffer).find(L":\\"), std::wstring::npos);
    // Without a token the expansion uses this process's variables.
    EXPECT_TRUE(ExpandEnvironmentStringsForUserW(nullptr, L"%VISTANE_LONG%", buffer, MAX_PATH));
    EXPECT_EQ(std::wstring(buffer).size(), 259u);
    SKIP_UNDER_WINE("the failure of ExpandEnvironmentStringsForUserW on a short buffer (it cuts the text)");
    EXPECT_FALSE(ExpandEnvironmentStringsForUserW(nullptr, L"%VISTANE_LONG%x", buffer, MAX_PATH));
}

TEST(LauncherPlatform, ProcessCreationAsUserOfAMissingProgramReportsFileNotFound) {
    HANDLE token = PrimaryTokenOfThisProcess();
    ASSERT_NE(token, nullptr);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    PROCESS_INFORMATION created{};
    std::wstring commandLine = L"missing.exe";
    SetLastError(0);
    const BOOL started = CreateProcessAsUserW(token, L"C:\\windows\\no-such-program.exe", commandLine.data(), nullptr,
                                              nullptr, FALSE, EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                              &startup.StartupInfo, &created);
    const DWORD error = GetLastError();
    CloseHandle(token);
    EXPECT_FALSE(started);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(LauncherPlatform, TheApiSetSchemaQueryIsAnNtdllEntry) {
    // Asked whatever GetVersion says: a program without a manifest is told 6.2 even on 10.
    using PresenceQuery = NTSTATUS(NTAPI*)(PCUNICODE_STRING, BOOLEAN*);
    const auto query = reinterpret_cast<PresenceQuery>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "ApiSetQueryApiSetPresence")));
    if (query == nullptr) SKIP_MISSING_FUNCTION("ApiSetQueryApiSetPresence");
    std::wstring name = L"api-ms-win-core-processthreads-l1-1-0";
    UNICODE_STRING contract{static_cast<USHORT>(name.size() * sizeof(WCHAR)),
                            static_cast<USHORT>(name.size() * sizeof(WCHAR)), name.data()};
    BOOLEAN present = FALSE;
    EXPECT_TRUE(NT_SUCCESS(query(&contract, &present)));
    EXPECT_TRUE(present);
}
