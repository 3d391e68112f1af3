// Sessions, tokens and programs started as a user: the refusals Wine cannot answer for
// another user. (Packages, the environment block and the API-set query are held by the
// launcher's own tests and scenarios.)
#include <gtest/gtest.h>

#include <functional>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

constexpr const wchar_t* kApp = L"C:\\Program Files\\Orlent\\app.exe";

DWORD ErrorOf(BOOL done) { return done ? 0 : GetLastError(); }

class LaunchTest : public vistane_test::SimCallTest {
protected:
    void SetUp() override {
        SimCallTest::SetUp();
        winsim::AddFile(kApp, "MZ");
        ASSERT_TRUE(WTSQueryUserToken(1, &user));
    }
    void TearDown() override {
        CloseHandle(user);
        SimCallTest::TearDown();
    }
    // Every start here is refused; one that is not shows in the ledger the row checks.
    DWORD Start(HANDLE token, BOOL inherit = FALSE, const wchar_t* folder = nullptr,
                LPPROC_THREAD_ATTRIBUTE_LIST list = nullptr) {
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = list;
        PROCESS_INFORMATION created{};
        return ErrorOf(CreateProcessAsUserW(token, kApp, nullptr, nullptr, nullptr, inherit,
                                            list ? EXTENDED_STARTUPINFO_PRESENT : 0, nullptr, folder,
                                            &startup.StartupInfo, &created));
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
        {"a start with an impersonation token", [&] { return Start(impersonation); }, ERROR_BAD_TOKEN_TYPE},
        {"a handle list without inheritance", [&] { return Start(user, FALSE, nullptr, list); }, ERROR_INVALID_PARAMETER},
        {"a current folder that is not there", [&] { return Start(user, TRUE, L"C:\\Nowhere", list); }, ERROR_DIRECTORY},
    };
    for (const auto& row : rows) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(row.call(), row.error) << row.what;
        EXPECT_EQ(winsim::LedgerReport(), "attribute list=1 heap block=1 token=3") << row.what;
    }
    EXPECT_EQ(untouched, INVALID_HANDLE_VALUE) << "an out-value is left alone on failure";
    DeleteProcThreadAttributeList(list);
    HeapFree(GetProcessHeap(), 0, list);
    CloseHandle(identification);
    CloseHandle(impersonation);
}

}  // namespace
