// The simulated kernel where no parity table reaches: faults on demand and a user's own
// environment.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

using KernelCallsTest = vistane_test::SimCallTest;

TEST_F(KernelCallsTest, FaultsFailTheChosenCallWithTheChosenError) {
    winsim::AddFile(L"C:\\f", "x");
    winsim::FailCall("CreateFileW", 2, ERROR_ACCESS_DENIED);
    const HANDLE first = CreateFileW(L"C:\\f", GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(first, INVALID_HANDLE_VALUE);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateFileW(L"C:\\f", GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(first);
    winsim::ClearFaults();
    winsim::FailNthPlatformCall(2, 0);
    WCHAR buffer[MAX_PATH];
    EXPECT_NE(ExpandEnvironmentStringsW(L"x", buffer, MAX_PATH), 0u);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFullPathNameW(L"C:\\x", MAX_PATH, buffer, nullptr), 0u) << "the second call fails";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME)) << "with the call's own plausible error";
    EXPECT_EQ(winsim::FaultsInjected(), 2u);
    // A misspelt name is refused, never read as "no call" or "none held".
    EXPECT_THROW(winsim::FailCall("CreateFile", 1, 0), std::invalid_argument);
    EXPECT_THROW(winsim::CallCount("createfilew"), std::invalid_argument);
    EXPECT_THROW(winsim::OpenCount("files"), std::invalid_argument);
}

TEST_F(KernelCallsTest, UserExpansionUsesTheTokenUsersEnvironment) {
    HANDLE token = nullptr;
    ASSERT_TRUE(WTSQueryUserToken(1, &token));
    WCHAR buffer[MAX_PATH] = {};
    ASSERT_TRUE(ExpandEnvironmentStringsForUserW(token, L"%userprofile%;%WINDIR%;%nope%", buffer, MAX_PATH));
    EXPECT_STREQ(buffer, L"C:\\Users\\user1;C:\\Windows;%nope%") << "the user's own first, any case";
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ExpandEnvironmentStringsForUserW(token, (std::wstring(250, L'a') + L"%USERPROFILE%").c_str(), buffer,
                                                  MAX_PATH));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(winsim::LedgerReport(), "token=1");
    CloseHandle(token);
}

}  // namespace
