// Sessions, tokens, packages and programs started as a user: what Wine cannot answer
// for another user. (What the launcher reads of a package, its environment block and
// the API-set query are held by the launcher's own tests and scenarios.)
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

constexpr const wchar_t* kApp = L"C:\\Program Files\\Orlent\\app.exe";
constexpr const wchar_t* kFamily = L"Orlent.Notes_abc123";
constexpr const wchar_t* kResource = L"Orlent.Notes_2.0.1.0_neutral_split.language-de_abc123";
constexpr const wchar_t* kHead = L"Orlent.Notes_2.0.1.0_x64__abc123";

DWORD ErrorOf(BOOL done) { return done ? 0 : GetLastError(); }

class LaunchTest : public vistane_test::SimCallTest {
protected:
    void SetUp() override {
        SimCallTest::SetUp();
        winsim::AddFile(kApp, "MZ");
        ASSERT_TRUE(WTSQueryUserToken(1, &user));
        winsim::InstallPackage(L"user1", kFamily, {kResource, PACKAGE_PROPERTY_RESOURCE, L"C:\\Apps\\Notes.de",
                                                   PackageOrigin_Store, winsim::PackedVersion(2, 0, 1, 0)});
        winsim::InstallPackage(L"user1", kFamily,
                               {kHead, 0, L"C:\\Apps\\Notes", PackageOrigin_Inbox, winsim::PackedVersion(2, 0, 1, 0)});
    }
    void TearDown() override {
        CloseHandle(user);
        SimCallTest::TearDown();
    }
    DWORD Start(HANDLE token, const wchar_t* application, BOOL inherit = FALSE, const wchar_t* folder = nullptr,
                LPPROC_THREAD_ATTRIBUTE_LIST list = nullptr) {
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = list;
        PROCESS_INFORMATION created{};
        const BOOL started = CreateProcessAsUserW(token, application, nullptr, nullptr, nullptr, inherit,
                                                  list ? EXTENDED_STARTUPINFO_PRESENT : 0, nullptr, folder,
                                                  &startup.StartupInfo, &created);
        const DWORD error = ErrorOf(started);
        if (started) {
            CloseHandle(created.hProcess);
            CloseHandle(created.hThread);
        }
        return error;
    }
    HANDLE user = nullptr;
};

// Each refusal answers its documented error and leaves nothing behind.
TEST_F(LaunchTest, RefusalsAnswerTheirDocumentedErrors) {
    HANDLE identification = nullptr;
    HANDLE impersonation = nullptr;
    ASSERT_TRUE(DuplicateTokenEx(user, MAXIMUM_ALLOWED, nullptr, SecurityIdentification, TokenImpersonation, &identification));
    ASSERT_TRUE(DuplicateTokenEx(user, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenImpersonation, &impersonation));
    SIZE_T bytes = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes);
    auto list = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(HeapAlloc(GetProcessHeap(), 0, bytes));
    ASSERT_TRUE(InitializeProcThreadAttributeList(list, 1, 0, &bytes));
    HANDLE handles[] = {user};
    ASSERT_TRUE(UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof handles, nullptr,
                                          nullptr));
    HANDLE untouched = INVALID_HANDLE_VALUE;
    const struct {
        const char* what;
        std::function<DWORD()> call;
        DWORD error;
    } rows[] = {
        {"an attribute list's size asked", [&] { return ErrorOf(InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes)); },
         ERROR_INSUFFICIENT_BUFFER},
        {"an attribute past the list's room", [&] {
             return ErrorOf(UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, handles,
                                                      sizeof(HANDLE), nullptr, nullptr)); }, ERROR_INSUFFICIENT_BUFFER},
        {"the user's token asked by a thread that impersonates", [&] {
             ImpersonateLoggedOnUser(user);
             const DWORD error = ErrorOf(WTSQueryUserToken(1, &untouched));
             RevertToSelf();
             return error; }, ERROR_PRIVILEGE_NOT_HELD},
        {"the token of a session nobody is in", [&] { return ErrorOf(WTSQueryUserToken(0, &untouched)); }, ERROR_NO_TOKEN},
        {"a duplicate above the level it comes from", [&] {
             return ErrorOf(DuplicateTokenEx(identification, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation,
                                             TokenImpersonation, &untouched)); }, ERROR_BAD_IMPERSONATION_LEVEL},
        {"a start with an impersonation token", [&] { return Start(impersonation, kApp); }, ERROR_BAD_TOKEN_TYPE},
        {"a handle list without inheritance", [&] { return Start(user, kApp, FALSE, nullptr, list); }, ERROR_INVALID_PARAMETER},
        {"a current folder that is not there", [&] { return Start(user, kApp, TRUE, L"C:\\Nowhere", list); }, ERROR_DIRECTORY},
        {"the path of a package nobody has", [&] {
             UINT32 length = 0;
             return static_cast<DWORD>(GetPackagePathByFullName(L"Orlent.Other_1.0.0.0_x64__abc123", &length, nullptr)); },
         ERROR_NOT_FOUND},
    };
    for (const auto& row : rows) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(row.call(), row.error) << row.what;
        EXPECT_EQ(winsim::LedgerReport(), "attribute list=1 heap block=1 token=3") << row.what;
    }
    EXPECT_EQ(untouched, INVALID_HANDLE_VALUE) << "an out-value is left alone on failure";
    EXPECT_EQ(Start(user, kApp, TRUE, L"C:\\Program Files", list), 0u);
    EXPECT_EQ(winsim::StartedProcesses().back().inheritedHandles, std::vector<HANDLE>{user});
    DeleteProcThreadAttributeList(list);
    HeapFree(GetProcessHeap(), 0, list);
    CloseHandle(identification);
    CloseHandle(impersonation);
}

// A user's packages, in the order they were registered; a resource package only when
// the filter asks for it; none for the system account.
TEST_F(LaunchTest, PackagesAreTheImpersonatedUsers) {
    const struct {
        bool impersonating;
        UINT32 filter;
        std::vector<std::wstring> names;
    } rows[] = {{true, 0xF0, {kResource, kHead}}, {true, PACKAGE_FILTER_HEAD, {kHead}}, {false, 0xF0, {}}};
    for (const auto& row : rows) {
        if (row.impersonating) { ASSERT_TRUE(ImpersonateLoggedOnUser(user)); }
        UINT32 count = 0;
        UINT32 length = 0;
        EXPECT_EQ(FindPackagesByPackageFamily(kFamily, row.filter, &count, nullptr, &length, nullptr, nullptr),
                  row.names.empty() ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER);
        std::vector<PWSTR> names(count);
        std::vector<WCHAR> buffer(length);
        std::vector<UINT32> properties(count);
        EXPECT_EQ(FindPackagesByPackageFamily(kFamily, row.filter, &count, names.data(), &length, buffer.data(),
                                              properties.data()), ERROR_SUCCESS);
        EXPECT_EQ(std::vector<std::wstring>(names.begin(), names.end()), row.names);
        RevertToSelf();
    }
}

}  // namespace
