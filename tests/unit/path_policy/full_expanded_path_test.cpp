#include <gtest/gtest.h>

#include "platform/win32.h"
#include "security/path_policy/util_helper.h"
#include "tests/unit/path_policy/path_policy_log.h"

namespace path_policy_test {
namespace {

using Qv::Vantix::Server::Services::UtilHelper;

class FullExpandedPathTest : public PathPolicyTest {};

TEST_F(FullExpandedPathTest, NullCheckerWarnsForEveryNullArgumentInOrder) {
    const int value = 1;
    EXPECT_TRUE(UtilHelper::NullChecker({{nullptr, "first"}, {&value, "second"}, {nullptr, "third"}}, L"ctx"));
    ExpectLog({NullWarning(L"first", L"ctx"), NullWarning(L"third", L"ctx")});

    EXPECT_FALSE(UtilHelper::NullChecker({{&value, "only"}}, L"ctx"));
    EXPECT_FALSE(UtilHelper::NullChecker({}, L"ctx"));
    ExpectLog({});
}

TEST_F(FullExpandedPathTest, NullPathGivesTheEmptyTextAndTouchesNoPlatformCall) {
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(nullptr, L"ctx"), L"");
    ExpectLog({NullWarning(L"filePath", L"ctx")});
    EXPECT_EQ(winsim::CallCount("RpcServerInqCallAttributesW"), 0u);
}

TEST_F(FullExpandedPathTest, ServiceThreadExpandsInTheServiceEnvironmentAndCarriesTheContext) {
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(L"%windir%\\System32\\..\\notepad.exe", L"ctx"),
              L"C:\\Windows\\notepad.exe");
    ExpectLog({ExpandedInfo(L"%windir%\\System32\\..\\notepad.exe", L"C:\\Windows\\System32\\..\\notepad.exe", L"ctx"),
               FullPathInfo(L"C:\\Windows\\notepad.exe", L"ctx")});

    // Relative paths are completed against the current folder; unknown variables stay.
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(L"%TOOLS%\\a.exe", L""), L"C:\\Windows\\system32\\%TOOLS%\\a.exe");
    ExpectLog({ExpandedInfo(L"%TOOLS%\\a.exe", L"%TOOLS%\\a.exe"),
               FullPathInfo(L"C:\\Windows\\system32\\%TOOLS%\\a.exe")});
    EXPECT_EQ(winsim::CallCount("ExpandEnvironmentStringsForUserW"), 0u);
}

TEST_F(FullExpandedPathTest, RpcThreadExpandsInTheClientUsersEnvironment) {
    winsim::SetUserEnvironmentVariable(L"user1", L"TOOLS", L"E:\\Tools");
    const DWORD client = winsim::AddProcess({L"user1", L"C:\\Apps\\client.exe", L""});
    {
        winsim::RpcCallScope call(client);
        EXPECT_EQ(UtilHelper::GetFullExpandedPath(L"%TOOLS%\\a.exe", L"ctx"), L"E:\\Tools\\a.exe");
        // Only the full path is logged on this road.
        ExpectLog({FullPathInfo(L"E:\\Tools\\a.exe", L"ctx")});
        // A decision's anchors keep the service's values, logged as on this road.
        EXPECT_EQ(UtilHelper::GetFullExpandedPathInServiceEnvironment(L"%TOOLS%\\a.exe", L"ctx"),
                  L"C:\\Windows\\system32\\%TOOLS%\\a.exe");
        ExpectLog({FullPathInfo(L"C:\\Windows\\system32\\%TOOLS%\\a.exe", L"ctx")});
        EXPECT_LEDGER_BALANCED();
    }
    EXPECT_EQ(winsim::CallCount("OpenProcess"), 1u);
    EXPECT_EQ(winsim::CallCount("OpenProcessToken"), 1u);
    EXPECT_EQ(winsim::CallCount("ExpandEnvironmentStringsForUserW"), 1u);

    // The service's own thread does not see the client's variable.
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(L"%TOOLS%\\a.exe", L""), L"C:\\Windows\\system32\\%TOOLS%\\a.exe");
    TakeLog();
}

TEST_F(FullExpandedPathTest, ClientThatHasExitedCannotBeOpened) {
    const DWORD client = winsim::AddProcess({L"user1", L"C:\\Apps\\client.exe", L""});
    winsim::MarkProcessExited(client);
    winsim::RpcCallScope call(client);
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(L"C:\\x.exe", L"ctx"), L"");
    ExpectLog({StepWarning(L"process_handle is NULL or INVALID_HANDLE_VALUE", ERROR_INVALID_PARAMETER, L"ctx")});
    EXPECT_EQ(winsim::CallCount("GetFullPathNameW"), 0u);
}

struct StepFault {
    const char* api;
    bool onRpcThread;
    DWORD error;
    std::vector<LogRecord> log;  // what GetFullExpandedPath(L"%windir%\\x.dll", L"ctx") logs
};

class FullExpandedPathFaultTest : public PathPolicyTest, public ::testing::WithParamInterface<StepFault> {};

// Every step that fails leaves no path at all, logs its warning and releases what it had.
TEST_P(FullExpandedPathFaultTest, FailedStepGivesTheEmptyText) {
    const StepFault& fault = GetParam();
    const DWORD client = winsim::AddProcess({L"user1", L"C:\\Apps\\client.exe", L""});
    std::optional<winsim::RpcCallScope> call;
    if (fault.onRpcThread) call.emplace(client);
    winsim::FailCall(fault.api, 1, fault.error);

    EXPECT_EQ(UtilHelper::GetFullExpandedPath(L"%windir%\\x.dll", L"ctx"), L"");
    ExpectLog(fault.log);
    EXPECT_EQ(winsim::FaultsInjected(), 1u);
    EXPECT_LEDGER_BALANCED();
}

std::vector<StepFault> StepFaults() {
    return {
        {"OpenProcess", true, ERROR_ACCESS_DENIED,
         {StepWarning(L"process_handle is NULL or INVALID_HANDLE_VALUE", ERROR_ACCESS_DENIED, L"ctx")}},
        {"OpenProcessToken", true, ERROR_ACCESS_DENIED,
         {StepWarning(L"OpenProcessToken", ERROR_ACCESS_DENIED, L"ctx")}},
        {"ExpandEnvironmentStringsForUserW", true, ERROR_NOT_ENOUGH_MEMORY,
         {StepWarning(L"ExpandEnvironmentStringsForUser", ERROR_NOT_ENOUGH_MEMORY, L"ctx")}},
        {"GetFullPathNameW", true, ERROR_INVALID_NAME, {StepWarning(L"GetFullPathName", ERROR_INVALID_NAME, L"ctx")}},
        {"ExpandEnvironmentStringsW", false, ERROR_NOT_ENOUGH_MEMORY,
         {StepWarning(L"ExpandEnvironmentStrings", ERROR_NOT_ENOUGH_MEMORY, L"ctx")}},
        {"GetFullPathNameW", false, ERROR_INVALID_NAME,
         {ExpandedInfo(L"%windir%\\x.dll", L"C:\\Windows\\x.dll", L"ctx"),
          StepWarning(L"GetFullPathName", ERROR_INVALID_NAME, L"ctx")}},
    };
}

INSTANTIATE_TEST_SUITE_P(EachStep, FullExpandedPathFaultTest, ::testing::ValuesIn(StepFaults()),
                         [](const ::testing::TestParamInfo<StepFault>& info) {
                             return std::string(info.param.api) + (info.param.onRpcThread ? "OnRpcThread" : "");
                         });

TEST_F(FullExpandedPathTest, RpcAttributeFailureFallsBackToTheServiceEnvironment) {
    const DWORD client = winsim::AddProcess({L"user1", L"C:\\Apps\\client.exe", L""});
    winsim::RpcCallScope call(client);
    winsim::FailCall("RpcServerInqCallAttributesW", 1, RPC_S_NO_CALL_ACTIVE);
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(L"%windir%\\x.dll", L""), L"C:\\Windows\\x.dll");
    ExpectLog(ServiceExpansion(L"%windir%\\x.dll", L"C:\\Windows\\x.dll"));
    EXPECT_EQ(winsim::CallCount("OpenProcess"), 0u);
}

TEST_F(FullExpandedPathTest, TextsThatDoNotFitInMaxPathGiveTheEmptyText) {
    const std::wstring longName(300, L'a');
    winsim::SetEnvironmentVariable(L"LONG", longName);
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(L"C:\\%LONG%", L""), L"");
    ExpectLog({StepWarning(L"ExpandEnvironmentStrings", ERROR_INSUFFICIENT_BUFFER)});

    // 255 characters expand fine but do not fit once the current folder is put before them.
    const std::wstring relative(255, L'b');
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(relative.c_str(), L""), L"");
    ExpectLog({ExpandedInfo(relative, relative), StepWarning(L"GetFullPathName", ERROR_INSUFFICIENT_BUFFER)});

    // The longest text that fits: 259 characters and the terminator.
    const std::wstring longest = L"C:\\" + std::wstring(256, L'c');
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(longest.c_str(), L""), longest);
    ExpectLog(ServiceExpansion(longest, longest));

    const DWORD client = winsim::AddProcess({L"user1", L"C:\\Apps\\client.exe", L""});
    winsim::RpcCallScope call(client);
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(L"C:\\%LONG%", L""), L"");
    ExpectLog({StepWarning(L"ExpandEnvironmentStringsForUser", ERROR_INSUFFICIENT_BUFFER)});
}

TEST_F(FullExpandedPathTest, EmptyPathHasNoFullPath) {
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(L"", L""), L"");
    ExpectLog({ExpandedInfo(L"", L""), StepWarning(L"GetFullPathName", ERROR_INVALID_NAME)});
}

}  // namespace
}  // namespace path_policy_test
