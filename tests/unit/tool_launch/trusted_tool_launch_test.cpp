#include <gtest/gtest.h>

#include <system_error>
#include <typeinfo>

#include "security/file_trust/authenticode_facade.h"
#include "security/path_policy/util_helper.h"
#include "security/tool_launch/trusted_tool_launch.h"
#include "security/tool_launch/trusted_tool_white_list.h"
#include "tests/support/locale_scope.h"
#include "tests/unit/tool_launch/tool_launch_fixture.h"

namespace tool_launch_test {
namespace {

using Qv::Vantix::Security::IsTrustedToolLaunchIn;
using Qv::Vantix::Security::QvAuthenticodeFacade;
using Qv::Vantix::Security::TrustedToolEntry;
using Qv::Vantix::Security::TrustedToolTable;
using Qv::Vantix::Security::TrustedToolWhiteList;
using vistane_test::Error;
using vistane_test::Warning;
using vistane_test::WithContext;

const std::wstring kContext = L"request-7";

bool Launch(const wchar_t* path, bool option = false, const wchar_t* arguments = L"") {
    QvAuthenticodeFacade facade;
    return facade.IsTrustedToolLaunch(path, option, arguments, kContext.c_str());
}

class TrustedToolLaunchTest : public ToolLaunchTest {};

TEST_F(TrustedToolLaunchTest, WhiteListHoldsTheSixToolsForTheSupportApplication) {
    std::vector<std::wstring> keys;
    for (const auto& [key, entry] : TrustedToolWhiteList) {
        keys.push_back(key);
        EXPECT_EQ(entry.allowedCallers, std::vector<std::wstring>{kSupportFamily}) << key;
        EXPECT_TRUE(entry.allowsOption) << key;
        const bool validated = key.ends_with(L"regsvr32.exe") || key.ends_with(L"rundll32.exe");
        EXPECT_EQ(static_cast<bool>(entry.argumentValidator), validated) << key;
    }
    EXPECT_EQ(keys, (std::vector<std::wstring>{
                        L"%windir%\\System32\\DISM.exe", L"%windir%\\System32\\mmc.exe", L"%windir%\\System32\\regsvr32.exe",
                        L"%windir%\\System32\\rstrui.exe", L"%windir%\\System32\\rundll32.exe", L"%windir%\\System32\\sfc.exe"}));
}

TEST_F(TrustedToolLaunchTest, ListedCallerStartsATrustedToolWithTheOption) {
    const std::wstring sfc = AddTool(L"sfc.exe");
    winsim::RpcCallScope call(AddCaller(kSupportFamily));
    EXPECT_TRUE(Launch(L"C:\\Windows\\System32\\sfc.exe", true, L"/scannow"));
    EXPECT_LOG(Then({FullPaths({sfc}, kContext), FullPaths(KeysUpTo(L"sfc.exe"), kContext),
                     Verification(sfc, kUnpinnedSubject)}));
    EXPECT_EQ(winsim::CallCount("RpcImpersonateClient"), 1u);
}

TEST_F(TrustedToolLaunchTest, ToolMatchesAfterExpansionOnBothSidesIgnoringCase) {
    winsim::SetEnvironmentVariable(L"windir", L"D:\\WinNT");
    winsim::AddFile(L"D:\\WinNT\\System32\\regsvr32.exe", "tool");
    winsim::SignFile(L"D:\\WinNT\\System32\\regsvr32.exe", winsim::SignatureSpec{winsim::LoadCertificate("unpinned-2048")});
    winsim::RpcCallScope call(AddCaller(kSupportFamily));
    EXPECT_TRUE(Launch(L"%WINDIR%\\SYSTEM32\\REGSVR32.EXE", false, L"/s"));
    const auto log = TakeLog();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0].text, L"GetFullPathName: [D:\\WinNT\\SYSTEM32\\REGSVR32.EXE]");
    EXPECT_EQ(log[3].text, L"GetFullPathName: [D:\\WinNT\\System32\\regsvr32.exe]") << "matched the third key";
}

TEST_F(TrustedToolLaunchTest, ParentStepsAreCanonicalisedBeforeMatching) {
    const std::wstring sfc = AddTool(L"sfc.exe");
    winsim::RpcCallScope call(AddCaller(kSupportFamily));
    EXPECT_TRUE(Launch(L"C:\\Windows\\System32\\..\\System32\\sfc.exe"));
    EXPECT_LOG(Then({FullPaths({sfc}, kContext), FullPaths(KeysUpTo(L"sfc.exe"), kContext),
                     Verification(sfc, kUnpinnedSubject)}));
}

TEST_F(TrustedToolLaunchTest, ToolWithoutItsExtensionMatchesNothing) {
    AddTool(L"sfc.exe");
    winsim::RpcCallScope call(AddCaller(kSupportFamily));
    EXPECT_FALSE(Launch(L"C:\\Windows\\System32\\sfc"));
    EXPECT_LOG(Then({FullPaths({kSystem32 + L"sfc"}, kContext), FullPaths(KeysUpTo(L"sfc.exe"), kContext)}));
    EXPECT_EQ(winsim::CallCount("RpcImpersonateClient"), 0u) << "no caller check without a matching entry";
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 0u);
}

TEST_F(TrustedToolLaunchTest, CallerIsComparedCaseSensitively) {
    const std::wstring sfc = AddTool(L"sfc.exe");
    winsim::RpcCallScope call(AddCaller(L"c7e4a920.qvcompanionhub_k4m2x9pq7wd3t"));
    EXPECT_FALSE(Launch(sfc.c_str()));
    EXPECT_LOG(Then({FullPaths({sfc}, kContext), FullPaths(KeysUpTo(L"sfc.exe"), kContext)}));
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 0u) << "refused before the tool file is examined";
}

TEST_F(TrustedToolLaunchTest, UnidentifiedCallersAreRefused) {
    const std::wstring sfc = AddTool(L"sfc.exe");
    {
        winsim::RpcCallScope call(AddCaller(L""));
        EXPECT_FALSE(Launch(sfc.c_str()));
        const std::string what = "GetPackageFamilyName failed: " + std::generic_category().message(APPMODEL_ERROR_NO_PACKAGE);
        EXPECT_LOG(Then({FullPaths({sfc}, kContext), FullPaths(KeysUpTo(L"sfc.exe"), kContext),
                         {Error(L"RpcSecurityHelper::GetPFNOfCaller - " + std::wstring(what.begin(), what.end()) +
                                L", Status: 15700")}}));
    }
    // Off an RPC thread the paths expand in the service's environment and no caller exists.
    EXPECT_FALSE(Launch(sfc.c_str()));
    const auto log = TakeLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().level, vistane_test::Level::Error);
    EXPECT_NE(log.back().text.find(L"RpcServerInqCallAttributes failed"), std::wstring::npos);
    EXPECT_NE(log.back().text.find(L"Status: 1725"), std::wstring::npos);
}

TEST_F(TrustedToolLaunchTest, UnsignedToolIsRefusedEvenWhenTheArgumentsPass) {
    winsim::AddFile(kSystem32 + L"rundll32.exe", "unsigned tool");
    AddTrustedLibrary(kSystem32 + L"x.dll");
    winsim::RpcCallScope call(AddCaller(kSupportFamily));
    EXPECT_FALSE(Launch(L"C:\\Windows\\System32\\rundll32.exe", false, L"C:\\Windows\\System32\\x.dll,Entry"));
    EXPECT_LOG(Then({FullPaths({kSystem32 + L"rundll32.exe"}, kContext), FullPaths(KeysUpTo(L"rundll32.exe"), kContext),
                     Verification(kSystem32 + L"rundll32.exe"),
                     Verification(kSystem32 + L"x.dll", kExtendedSubject),
                     {vistane_test::Info(L"Security - IsFileTrusted - trusted by windows = yes, trusted by Meridel = yes")},
                     FullPaths({kSystem32 + L"x.dll", L"C:\\Windows\\"}, L"")}));
}

TEST_F(TrustedToolLaunchTest, TrustedToolWithRefusedArgumentsIsRefused) {
    const std::wstring rundll32 = AddTool(L"rundll32.exe");
    AddUnpinnedLibrary(kSystem32 + L"x.dll");
    winsim::RpcCallScope call(AddCaller(kSupportFamily));
    EXPECT_FALSE(Launch(rundll32.c_str(), false, L"x.dll,Entry"));
    TakeLog();
    EXPECT_TRUE(Launch(rundll32.c_str(), false, L""));
}

TEST_F(TrustedToolLaunchTest, NullPathMatchesNothing) {
    winsim::RpcCallScope call(AddCaller(kSupportFamily));
    EXPECT_FALSE(Launch(nullptr));
    const std::string type = typeid(Qv::Vantix::Server::Services::UtilHelper).name();
    EXPECT_LOG(Then({{WithContext(Warning(std::wstring(type.begin(), type.end()) + L".NullChecker - filePath cannot be null"),
                                  kContext)},
                     FullPaths(KeysUpTo(L"sfc.exe"), kContext)}));
}

TEST_F(TrustedToolLaunchTest, NullArgumentsAreRefusedRatherThanRead) {
    const std::wstring sfc = AddTool(L"sfc.exe");
    winsim::RpcCallScope call(AddCaller(kSupportFamily));
    EXPECT_FALSE(Launch(sfc.c_str(), false, nullptr));
    EXPECT_LOG(Then({FullPaths({sfc}, kContext), FullPaths(KeysUpTo(L"sfc.exe"), kContext)}));
}

class ToolTableTest : public ToolLaunchTest {
protected:
    bool LaunchIn(const TrustedToolTable& table, const std::wstring& path, bool option, const wchar_t* arguments = L"") {
        const bool answer = IsTrustedToolLaunchIn(table, path.c_str(), option, arguments, L"");
        TakeLog();
        return answer;
    }
};

TEST_F(ToolTableTest, EmptyTableRefusesEverything) {
    const std::wstring sfc = AddTool(L"sfc.exe");
    EXPECT_FALSE(LaunchIn({}, sfc, false));
}

TEST_F(ToolTableTest, OptionIsRefusedOnlyWhereTheEntryForbidsIt) {
    const std::wstring tool = AddTool(L"tool.exe");
    const TrustedToolTable forbids{{L"%windir%\\System32\\tool.exe", {{}, false, nullptr}}};
    const TrustedToolTable allows{{L"%windir%\\System32\\tool.exe", {{}, true, nullptr}}};
    EXPECT_FALSE(LaunchIn(forbids, tool, true));
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 0u);
    EXPECT_TRUE(LaunchIn(forbids, tool, false));
    EXPECT_TRUE(LaunchIn(allows, tool, true));
}

TEST_F(ToolTableTest, EntryWithoutCallersNeverAsksWhoCalls) {
    const std::wstring tool = AddTool(L"tool.exe");
    const TrustedToolTable anyone{{L"%windir%\\System32\\tool.exe", {{}, true, nullptr}}};
    EXPECT_TRUE(LaunchIn(anyone, tool, false));
    EXPECT_EQ(winsim::CallCount("RpcImpersonateClient"), 0u);
    EXPECT_EQ(winsim::CallCount("GetPackageFamilyName"), 0u);
}

TEST_F(ToolTableTest, VerdictIsComputedBeforeTheValidatorAndBothMustAgree) {
    const std::wstring tool = AddTool(L"tool.exe");
    winsim::AddFile(kSystem32 + L"unsigned.exe", "unsigned");
    std::vector<std::wstring> seen;
    auto recorder = [&seen](bool answer) {
        return [&seen, answer](std::wstring arguments) {
            EXPECT_GT(winsim::CallCount("WinVerifyTrust"), 0u) << "the signature verdict comes first";
            seen.push_back(arguments);
            return answer;
        };
    };
    const TrustedToolTable table{{L"%windir%\\System32\\tool.exe", {{}, true, recorder(false)}},
                                 {L"%windir%\\System32\\unsigned.exe", {{}, true, recorder(true)}}};
    EXPECT_FALSE(LaunchIn(table, tool, false, L"a b")) << "trusted tool, refused arguments";
    EXPECT_FALSE(LaunchIn(table, kSystem32 + L"unsigned.exe", false, L"c")) << "accepted arguments, untrusted tool";
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"a b", L"c"}));
}

TEST_F(ToolTableTest, FirstMatchingKeyDecides) {
    const std::wstring tool = AddTool(L"tool.exe");
    const TrustedToolTable table{{L"%windir%\\System32\\tool.exe", {{}, false, nullptr}},
                                 {L"C:\\Windows\\System32\\TOOL.exe", {{}, true, nullptr}}};
    EXPECT_TRUE(LaunchIn(table, tool, false));
    EXPECT_FALSE(LaunchIn(table, tool, true)) << "the upper-case key sorts first and forbids the option";
}

// A user may make C:\W\u0130ndows and copy a signed program into it; a host's locale
// must not make it a listed tool.
TEST_F(ToolTableTest, KeysFoldAsciiLettersOnlyWhateverTheLocale) {
    AddTool(L"tool.exe");
    const std::wstring planted = L"C:\\W\u0130ndows\\System32\\tool.exe";
    winsim::AddFile(planted, "a signed program");
    winsim::SignFile(planted, winsim::SignatureSpec{winsim::LoadCertificate("unpinned-2048")});
    const TrustedToolTable anyone{{L"%windir%\\System32\\tool.exe", {{}, true, nullptr}}};
    const vistane_test::LocaleScope utf8("C.UTF-8");
    ASSERT_TRUE(utf8.applied());
    EXPECT_TRUE(LaunchIn(anyone, L"c:\\WINDOWS\\system32\\TOOL.exe", false));
    EXPECT_FALSE(LaunchIn(anyone, planted, false));
}

TEST_F(ToolTableTest, EveryInjectedFailureRefusesOrGrantsCleanly) {
    const std::wstring sfc = AddTool(L"sfc.exe");
    const DWORD caller = AddCaller(kSupportFamily);
    {
        winsim::RpcCallScope call(caller);
        ASSERT_TRUE(LaunchIn(TrustedToolWhiteList, sfc, false));
    }
    const unsigned calls = winsim::SweepCallCount();
    for (unsigned nth = 1; nth <= calls; ++nth) {
        winsim::ClearFaults();
        winsim::RpcCallScope call(caller);
        winsim::FailNthPlatformCall(nth, ERROR_ACCESS_DENIED);
        LaunchIn(TrustedToolWhiteList, sfc, false);
        EXPECT_LEDGER_BALANCED() << "failed call " << nth;
        EXPECT_TRUE(winsim::ThreadsStillImpersonating().empty()) << "failed call " << nth;
    }
}

}  // namespace
}  // namespace tool_launch_test
