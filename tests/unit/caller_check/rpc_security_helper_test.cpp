#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <system_error>

#include "security/tool_launch/rpc_security_helper.h"
#include "tests/support/sim_test.h"

namespace Qv::Vantix::Security {
// Reaches the fallback table, which nothing in the module fills.
class RpcSecurityHelperTestAccess {
public:
    static void AddKnownProcess(RpcSecurityHelper& helper, DWORD pid, HANDLE handle) {
        helper._process_handles[pid] = handle;
    }
};
}  // namespace Qv::Vantix::Security

namespace {

using Qv::Vantix::Security::RpcSecurityHelper;
using Qv::Vantix::Security::RpcSecurityHelperTestAccess;
using Qv::Vantix::Platform::ScopedHandle;
using vistane_test::Error;

const std::wstring kFamily = L"C7E4A920.QVCompanionHub_k4m2x9pq7wd3t";

// The record logged for a std::system_error: what() is the message, ": " and the
// generic category's own description of the code.
vistane_test::LogRecord StatusRecord(const std::string& message, int code) {
    const std::string what = message + ": " + std::generic_category().message(code);
    return Error(L"RpcSecurityHelper::GetPFNOfCaller - " + std::wstring(what.begin(), what.end()) +
                 L", Status: " + std::to_wstring(code));
}

std::vector<std::string> Actions() {
    std::vector<std::string> actions;
    for (const auto& event : winsim::ImpersonationEvents()) actions.push_back(event.action);
    return actions;
}

class RpcSecurityHelperTest : public vistane_test::SimTest {
protected:
    DWORD AddCaller(const std::wstring& family) {
        return winsim::AddProcess({L"user1", L"C:\\Apps\\caller.exe", family});
    }
};

TEST_F(RpcSecurityHelperTest, NoCallOnThisThreadGivesEmptyAndOneError) {
    RpcSecurityHelper helper;
    EXPECT_EQ(helper.GetPFNOfCaller(), L"");
    EXPECT_LOG(StatusRecord("RpcServerInqCallAttributes failed", RPC_S_NO_CALL_ACTIVE));
    EXPECT_TRUE(winsim::ImpersonationEvents().empty());
    EXPECT_EQ(winsim::CallCount("OpenProcess"), 0u);
}

TEST_F(RpcSecurityHelperTest, PackagedCallerGivesTheFamilyNameWithoutTerminator) {
    const DWORD pid = AddCaller(kFamily);
    winsim::RpcCallScope call(pid);
    RpcSecurityHelper helper;
    const std::wstring name = helper.GetPFNOfCaller();
    EXPECT_EQ(name, kFamily);
    EXPECT_EQ(name.size(), kFamily.size());
    EXPECT_EQ(name.find(L'\0'), std::wstring::npos);
    EXPECT_NO_LOG();
    EXPECT_EQ(Actions(), (std::vector<std::string>{"RpcImpersonateClient", "RpcRevertToSelf"}));
    EXPECT_EQ(winsim::ImpersonationEvents().front().user, L"user1");

    // The process is opened as the service, queried as the client, closed, then reverted.
    const auto calls = winsim::CallLog();
    const auto at = [&](const char* api) { return std::find(calls.begin(), calls.end(), api) - calls.begin(); };
    EXPECT_LT(at("OpenProcess"), at("RpcImpersonateClient"));
    EXPECT_LT(at("RpcImpersonateClient"), at("GetPackageFamilyName"));
    EXPECT_LT(at("CloseHandle"), at("RpcRevertToSelf"));
    EXPECT_EQ(winsim::CallCount("GetPackageFamilyName"), 2u);
}

TEST_F(RpcSecurityHelperTest, UnpackagedCallerIsReportedWithTheAppModelError) {
    winsim::RpcCallScope call(AddCaller(L""));
    RpcSecurityHelper helper;
    EXPECT_EQ(helper.GetPFNOfCaller(), L"");
    EXPECT_LOG(StatusRecord("GetPackageFamilyName failed", APPMODEL_ERROR_NO_PACKAGE));
    EXPECT_EQ(Actions(), (std::vector<std::string>{"RpcImpersonateClient", "RpcRevertToSelf"}));
}

TEST_F(RpcSecurityHelperTest, ExitedCallerWithoutFallbackIsAccessDenied) {
    const DWORD pid = AddCaller(kFamily);
    winsim::MarkProcessExited(pid);
    winsim::RpcCallScope call(pid);
    RpcSecurityHelper helper;
    EXPECT_EQ(helper.GetPFNOfCaller(), L"");
    EXPECT_LOG(StatusRecord("OpenProcess yielded null or invalid handle", ERROR_ACCESS_DENIED));
    EXPECT_TRUE(winsim::ImpersonationEvents().empty()) << "no impersonation before the process is open";
    EXPECT_EQ(winsim::CallCount("DuplicateHandle"), 0u);
}

TEST_F(RpcSecurityHelperTest, FallbackTableIsReadThroughADuplicate) {
    const DWORD pid = AddCaller(kFamily);
    ScopedHandle kept(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    ASSERT_TRUE(kept);
    winsim::MarkProcessExited(pid);
    winsim::RpcCallScope call(pid);

    RpcSecurityHelper helper;
    RpcSecurityHelperTestAccess::AddKnownProcess(helper, pid, kept.get());
    EXPECT_EQ(helper.GetPFNOfCaller(), kFamily);
    EXPECT_NO_LOG();
    EXPECT_EQ(winsim::CallCount("DuplicateHandle"), 1u);
    EXPECT_EQ(winsim::LedgerReport(), "process=1") << "only the table's own handle stays open";
    kept.reset();
}

TEST_F(RpcSecurityHelperTest, FallbackEntryOfAnotherProcessIsNotUsed) {
    const DWORD other = AddCaller(L"Other_family");
    const DWORD pid = AddCaller(kFamily);
    ScopedHandle kept(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, other));
    winsim::MarkProcessExited(pid);
    winsim::RpcCallScope call(pid);

    RpcSecurityHelper helper;
    RpcSecurityHelperTestAccess::AddKnownProcess(helper, other, kept.get());
    EXPECT_EQ(helper.GetPFNOfCaller(), L"");
    EXPECT_LOG(StatusRecord("OpenProcess yielded null or invalid handle", ERROR_ACCESS_DENIED));
    kept.reset();
}

TEST_F(RpcSecurityHelperTest, FailedDuplicateOfAFallbackEntryIsAccessDenied) {
    const DWORD pid = AddCaller(kFamily);
    ScopedHandle kept(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    winsim::MarkProcessExited(pid);
    winsim::RpcCallScope call(pid);
    winsim::FailCall("DuplicateHandle", 1, ERROR_INVALID_HANDLE);

    RpcSecurityHelper helper;
    RpcSecurityHelperTestAccess::AddKnownProcess(helper, pid, kept.get());
    EXPECT_EQ(helper.GetPFNOfCaller(), L"");
    EXPECT_LOG(StatusRecord("OpenProcess yielded null or invalid handle", ERROR_ACCESS_DENIED));
    EXPECT_EQ(winsim::LedgerReport(), "process=1");
    kept.reset();
}

TEST_F(RpcSecurityHelperTest, RefusedImpersonationClosesTheProcessAndRevertsNothing) {
    winsim::RpcCallScope call(AddCaller(kFamily));
    winsim::FailCall("RpcImpersonateClient", 1, ERROR_CANT_OPEN_ANONYMOUS);
    RpcSecurityHelper helper;
    EXPECT_EQ(helper.GetPFNOfCaller(), L"");
    EXPECT_LOG(StatusRecord("Failed to impersonate client", ERROR_CANT_OPEN_ANONYMOUS));
    EXPECT_EQ(winsim::CallCount("RpcRevertToSelf"), 0u);
    EXPECT_EQ(winsim::CallCount("GetPackageFamilyName"), 0u);
}

TEST_F(RpcSecurityHelperTest, FailedSecondQueryIsLoggedAsCaughtErrorFive) {
    winsim::RpcCallScope call(AddCaller(kFamily));
    winsim::FailCall("GetPackageFamilyName", 2, ERROR_INVALID_HANDLE);
    RpcSecurityHelper helper;
    EXPECT_EQ(helper.GetPFNOfCaller(), L"");
    EXPECT_LOG(Error(L"RpcSecurityHelper::GetPFNOfCaller - Caught error 5"));
    EXPECT_EQ(Actions(), (std::vector<std::string>{"RpcImpersonateClient", "RpcRevertToSelf"}));
}

TEST_F(RpcSecurityHelperTest, EveryInjectedFailureReleasesAndReverts) {
    const DWORD pid = AddCaller(kFamily);
    winsim::RpcCallScope call(pid);
    {
        RpcSecurityHelper probe;
        ASSERT_EQ(probe.GetPFNOfCaller(), kFamily);
    }
    const unsigned calls = winsim::SweepCallCount();
    ASSERT_GE(calls, 5u);
    for (unsigned nth = 1; nth <= calls; ++nth) {
        winsim::Reset();
        winsim::RpcCallScope again(AddCaller(kFamily));
        winsim::FailNthPlatformCall(nth, ERROR_ACCESS_DENIED);
        RpcSecurityHelper helper;
        const std::wstring name = helper.GetPFNOfCaller();
        EXPECT_TRUE(name.empty() || name == kFamily) << "call " << nth;
        EXPECT_EQ(name.empty(), TakeLog().size() == 1u) << "call " << nth << ": one record per failure";
        EXPECT_LEDGER_BALANCED() << "call " << nth;
        EXPECT_TRUE(winsim::ThreadsStillImpersonating().empty()) << "call " << nth;
    }
}

}  // namespace
