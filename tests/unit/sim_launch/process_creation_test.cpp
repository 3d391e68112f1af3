// Starting a program as a user where the parity tables do not reach: the token's kind,
// and the attribute list that names the handles a program inherits.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

constexpr const wchar_t* kApp = L"C:\\Program Files\\Orlent\\app.exe";

class UserProcessTest : public vistane_test::SimCallTest {
protected:
    void SetUp() override {
        SimCallTest::SetUp();
        ASSERT_TRUE(WTSQueryUserToken(1, &user));
        winsim::AddFile(kApp, "MZ");
    }
    void TearDown() override {
        CloseHandle(user);
        SimCallTest::TearDown();
    }
    BOOL Start(HANDLE token, std::wstring commandLine, BOOL inherit = FALSE, const wchar_t* folder = nullptr,
               LPPROC_THREAD_ATTRIBUTE_LIST list = nullptr) {
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = list;
        PROCESS_INFORMATION created{};
        SetLastError(0xdeadbeef);
        const BOOL started = CreateProcessAsUserW(token, kApp, commandLine.empty() ? nullptr : commandLine.data(), nullptr,
                                                  nullptr, inherit, list ? EXTENDED_STARTUPINFO_PRESENT : 0, nullptr,
                                                  folder, &startup.StartupInfo, &created);
        if (!started) return FALSE;
        CloseHandle(created.hProcess);
        CloseHandle(created.hThread);
        return TRUE;
    }
    HANDLE user = nullptr;
};

TEST_F(UserProcessTest, OnlyAPrimaryTokenStartsAProgram) {
    HANDLE impersonation = nullptr;
    ASSERT_TRUE(DuplicateTokenEx(user, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenImpersonation, &impersonation));
    EXPECT_FALSE(Start(impersonation, L"app.exe"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_TOKEN_TYPE));
    CloseHandle(impersonation);
    EXPECT_TRUE(Start(user, L""));
    EXPECT_EQ(winsim::StartedProcesses().size(), 1u);
}

TEST_F(UserProcessTest, AHandleListNeedsInheritanceAndAnExistingFolder) {
    SIZE_T bytes = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(bytes, 48u);
    auto list = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(HeapAlloc(GetProcessHeap(), 0, bytes));
    ASSERT_TRUE(InitializeProcThreadAttributeList(list, 1, 0, &bytes));
    HANDLE handles[] = {user};
    ASSERT_TRUE(UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof handles, nullptr,
                                          nullptr));
    EXPECT_FALSE(UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, handles, sizeof(HANDLE),
                                           nullptr, nullptr)) << "room for one attribute only";
    EXPECT_EQ(winsim::LedgerReport(), "attribute list=1 heap block=1 token=1");

    EXPECT_FALSE(Start(user, L"app.exe", FALSE, nullptr, list));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "a handle list without inheritance";
    EXPECT_FALSE(Start(user, L"app.exe", TRUE, L"C:\\Nowhere", list));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    ASSERT_TRUE(Start(user, L"app.exe", TRUE, L"C:\\Program Files", list));
    EXPECT_EQ(winsim::StartedProcesses().back().inheritedHandles, std::vector<HANDLE>{user});
    DeleteProcThreadAttributeList(list);
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, list));
}

}  // namespace
