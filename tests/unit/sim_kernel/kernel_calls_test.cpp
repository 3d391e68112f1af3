// The simulated kernel where no parity table reaches: faults on demand, the virtual
// clock, a user's own environment and the RPC call a thread serves.
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

TEST_F(KernelCallsTest, SleepAdvancesTheVirtualClockOnly) {
    Sleep(60000);
    Sleep(250);
    EXPECT_EQ(winsim::Sleeps(), (std::vector<DWORD>{60000, 250}));
    EXPECT_EQ(winsim::NowMilliseconds(), 60250u);
}

TEST_F(KernelCallsTest, UserExpansionUsesTheTokenUsersEnvironment) {
    const DWORD pid = winsim::AddProcess({L"user1", L"C:\\app.exe", L""});
    const HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(process, TOKEN_ALL_ACCESS, &token));
    EXPECT_EQ(winsim::LedgerReport(), "process=1 token=1");
    WCHAR buffer[MAX_PATH] = {};
    ASSERT_TRUE(ExpandEnvironmentStringsForUserW(token, L"%userprofile%;%WINDIR%;%nope%", buffer, MAX_PATH));
    EXPECT_STREQ(buffer, L"C:\\Users\\user1;C:\\Windows;%nope%") << "the user's own first, any case";
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ExpandEnvironmentStringsForUserW(token, (std::wstring(250, L'a') + L"%USERPROFILE%").c_str(), buffer,
                                                  MAX_PATH));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    CloseHandle(token);
    CloseHandle(process);
    winsim::MarkProcessExited(pid);
    EXPECT_EQ(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid), nullptr);
}

TEST_F(KernelCallsTest, RpcCallIsVisibleOnlyWhileServed) {
    RPC_CALL_ATTRIBUTES_V3_W attributes{};
    attributes.Version = 3;
    attributes.Flags = RPC_QUERY_CLIENT_PID;
    EXPECT_EQ(RpcServerInqCallAttributesW(nullptr, &attributes), RPC_S_NO_CALL_ACTIVE);
    const DWORD pid = winsim::AddProcess({});
    {
        winsim::RpcCallScope call(pid);
        EXPECT_EQ(RpcServerInqCallAttributesW(nullptr, &attributes), RPC_S_OK);
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(attributes.ClientPID), pid);
        EXPECT_EQ(RpcImpersonateClient(nullptr), RPC_S_OK);
        EXPECT_EQ(winsim::CurrentThreadIdentity(), L"user1");
        EXPECT_EQ(RpcRevertToSelf(), RPC_S_OK);
        EXPECT_EQ(winsim::CurrentThreadIdentity(), L"");
    }
    EXPECT_EQ(RpcServerInqCallAttributesW(nullptr, &attributes), RPC_S_NO_CALL_ACTIVE);
}

}  // namespace
