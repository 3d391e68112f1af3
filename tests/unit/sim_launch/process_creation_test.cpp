#include <gtest/gtest.h>

#include <vector>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

using vistane_test::SimTest;

class SimProcessCreationTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        HANDLE user = nullptr;
        ASSERT_EQ(WTSQueryUserToken(1, &user), TRUE);
        userToken = user;
        winsim::AddFile(L"C:\\Program Files\\Orlent\\app.exe", "MZ");
    }
    void TearDown() override {
        CloseHandle(userToken);
        SimTest::TearDown();
    }
    BOOL Create(LPCWSTR application, std::wstring commandLine, PROCESS_INFORMATION& created, HANDLE token = nullptr) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        const bool noCommandLine = commandLine.empty();
        commandLine.push_back(L'\0');
        return CreateProcessAsUserW(token ? token : userToken, application, noCommandLine ? nullptr : commandLine.data(),
                                    nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created);
    }
    void CloseProcess(PROCESS_INFORMATION& created) {
        CloseHandle(created.hProcess);
        CloseHandle(created.hThread);
    }
    HANDLE userToken = nullptr;
};

TEST_F(SimProcessCreationTest, RefusalsCarryTheirDocumentedErrors) {
    PROCESS_INFORMATION created{};
    EXPECT_EQ(Create(L"C:\\Program Files\\Orlent\\missing.exe", L"", created), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Create(nullptr, L"", created), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Create(L"C:\\Program Files\\Orlent\\app.exe", std::wstring(32767, L'a'), created), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(Create(L"C:\\Program Files\\Orlent\\app.exe", std::wstring(32766, L'a'), created), TRUE);
    CloseProcess(created);

    HANDLE impersonation = nullptr;
    ASSERT_EQ(DuplicateTokenEx(userToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenImpersonation,
                               &impersonation),
              TRUE);
    EXPECT_EQ(Create(L"C:\\Program Files\\Orlent\\app.exe", L"", created, impersonation), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_TOKEN_TYPE));
    CloseHandle(impersonation);
    EXPECT_EQ(winsim::StartedProcesses().size(), 1u);
}

TEST_F(SimProcessCreationTest, AHandleListNeedsInheritanceAndAnExistingFolder) {
    SIZE_T bytes = 0;
    EXPECT_EQ(InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(bytes, 48u);
    auto list = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(HeapAlloc(GetProcessHeap(), 0, bytes));
    ASSERT_EQ(InitializeProcThreadAttributeList(list, 1, 0, &bytes), TRUE);
    HANDLE handles[] = {userToken};
    ASSERT_EQ(UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof(handles), nullptr,
                                        nullptr),
              TRUE);
    EXPECT_EQ(UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, handles, sizeof(HANDLE),
                                        nullptr, nullptr),
              FALSE) << "room for one attribute only";
    EXPECT_EQ(winsim::LedgerReport(), "attribute list=1 heap block=1 token=1");

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.lpAttributeList = list;
    PROCESS_INFORMATION created{};
    std::wstring commandLine = L"app.exe";
    EXPECT_EQ(CreateProcessAsUserW(userToken, L"C:\\Program Files\\Orlent\\app.exe", commandLine.data(), nullptr,
                                   nullptr, FALSE, EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                   &startup.StartupInfo, &created),
              FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "a handle list without inheritance";
    EXPECT_EQ(CreateProcessAsUserW(userToken, L"C:\\Program Files\\Orlent\\app.exe", commandLine.data(), nullptr,
                                   nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT, nullptr, L"C:\\Nowhere",
                                   &startup.StartupInfo, &created),
              FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    ASSERT_EQ(CreateProcessAsUserW(userToken, L"C:\\Program Files\\Orlent\\app.exe", commandLine.data(), nullptr,
                                   nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT, nullptr, L"C:\\Program Files",
                                   &startup.StartupInfo, &created),
              TRUE);
    EXPECT_EQ(winsim::StartedProcesses().back().inheritedHandles, std::vector<HANDLE>{userToken});
    CloseProcess(created);
    DeleteProcThreadAttributeList(list);
    EXPECT_EQ(HeapFree(GetProcessHeap(), 0, list), TRUE);
}

}  // namespace
