// The calls and records the launcher relies on, checked on the real platform: the
// figures the simulated Windows reproduces for them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/wine/wine_environment.h"

// The records the launcher fills have the layouts the simulated Windows gives them, and
// one handle-list attribute takes all the handles a process inherits.
TEST(LauncherPlatform, RecordsAndAHandleListOfTwoInAOneAttributeList) {
    EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), 24u);
    EXPECT_EQ(sizeof(STARTUPINFOEXW), 112u);
    EXPECT_EQ(sizeof(PACKAGE_INFO), 80u);
    EXPECT_EQ(EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT | NORMAL_PRIORITY_CLASS | CREATE_NEW_CONSOLE,
              0x00080430u);
    SIZE_T bytes = 0;
    EXPECT_FALSE(InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes));
    std::vector<BYTE> memory(bytes);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(memory.data());
    ASSERT_TRUE(InitializeProcThreadAttributeList(list, 1, 0, &bytes));
    HANDLE handles[2] = {GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE)};
    EXPECT_TRUE(UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof(handles),
                                          nullptr, nullptr));
    DeleteProcThreadAttributeList(list);
}

// 259 characters and the terminator fill a MAX_PATH buffer (without a token the
// expansion uses this process's variables); one more does not fit.
TEST(LauncherPlatform, UserExpansionFailsWhenTheResultDoesNotFitMaxPath) {
    SetEnvironmentVariableW(L"VISTANE_LONG", (L"C:\\" + std::wstring(256, L'd')).c_str());
    WCHAR buffer[MAX_PATH] = {};
    SetLastError(0xdeadbeef);
    const BOOL fits = ExpandEnvironmentStringsForUserW(nullptr, L"%VISTANE_LONG%", buffer, MAX_PATH);
    if (!fits && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
        SKIP_MISSING_FUNCTION("ExpandEnvironmentStringsForUserW");
    EXPECT_TRUE(fits);
    EXPECT_EQ(std::wstring(buffer).size(), 259u);
    SKIP_UNDER_WINE("the failure of ExpandEnvironmentStringsForUserW on a short buffer (it cuts the text)");
    EXPECT_FALSE(ExpandEnvironmentStringsForUserW(nullptr, L"%VISTANE_LONG%x", buffer, MAX_PATH));
}

TEST(LauncherPlatform, TheApiSetSchemaQueryIsAnNtdllEntry) {
    // Asked whatever GetVersion says: a program without a manifest is told 6.2 even on 10.
    using PresenceQuery = NTSTATUS(NTAPI*)(PCUNICODE_STRING, BOOLEAN*);
    const auto query = reinterpret_cast<PresenceQuery>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "ApiSetQueryApiSetPresence")));
    if (query == nullptr) SKIP_MISSING_FUNCTION("ApiSetQueryApiSetPresence");
    WCHAR name[] = L"api-ms-win-core-processthreads-l1-1-0";
    UNICODE_STRING contract{sizeof(name) - sizeof(WCHAR), sizeof(name), name};
    BOOLEAN present = FALSE;
    EXPECT_TRUE(NT_SUCCESS(query(&contract, &present)));
    EXPECT_TRUE(present);
}
