#include <gtest/gtest.h>

#include "security/tool_launch/tool_argument_validators.h"
#include "tests/unit/tool_launch/tool_launch_fixture.h"

namespace tool_launch_test {
namespace {

using Qv::Vantix::Security::ValidateRegsvr32Arguments;
using Qv::Vantix::Security::ValidateRundll32Arguments;
using vistane_test::Info;

const std::wstring kLibrary = kSystem32 + L"x.dll";
const std::wstring kSpacedLibrary = L"C:\\Program Files\\Orlent Works\\a b.dll";

// What IsFileTrustedExtended logs for a library it accepts under the Windows folder.
std::vector<vistane_test::LogRecord> AcceptedLibrary(const std::wstring& path) {
    return Then({Verification(path, kExtendedSubject),
                 {Info(L"Security - IsFileTrusted - trusted by windows = yes, trusted by Meridel = yes"),
                  Info(L"ExpandEnvironmentStrings: [" + path + L"] [" + path + L"]")},
                 FullPaths({path}, L""), {Info(L"ExpandEnvironmentStrings: [%windir%\\] [C:\\Windows\\]")},
                 FullPaths({L"C:\\Windows\\"}, L"")});
}

class ToolArgumentValidatorsTest : public ToolLaunchTest {
protected:
    void SetUp() override {
        ToolLaunchTest::SetUp();
        AddTrustedLibrary(kLibrary);
    }
};

TEST_F(ToolArgumentValidatorsTest, Regsvr32ChecksTheLibraryAfterItsOwnSwitches) {
    EXPECT_TRUE(ValidateRegsvr32Arguments(L"/s C:\\Windows\\System32\\x.dll"));
    EXPECT_LOG(AcceptedLibrary(kLibrary));
    EXPECT_TRUE(ValidateRegsvr32Arguments(
        L"/S /u /N /c /i /I:U /i: /i:.\\x.sct /i:\"C:\\Program Files\\a b.sct\" /i:\\\\?\\C:\\x.sct "
        L"C:\\Windows\\System32\\x.dll"));
    EXPECT_LOG(AcceptedLibrary(kLibrary));
    EXPECT_EQ(winsim::LedgerReport(), "balanced") << "the argument array was freed";
}

TEST_F(ToolArgumentValidatorsTest, Regsvr32WithOnlySwitchesOrNothingChecksNoFile) {
    EXPECT_TRUE(ValidateRegsvr32Arguments(L"/s /u"));
    EXPECT_TRUE(ValidateRegsvr32Arguments(L""));
    EXPECT_NO_LOG();
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 0u);
}

// Each row names a library other than the file that would be checked, or hands the
// library a script from elsewhere: refused before any file is opened. The library's
// extension-less twin is trusted, so only the shape of the arguments can refuse.
TEST_F(ToolArgumentValidatorsTest, ArgumentsNamingAnUncheckedFileAreRefusedUnseen) {
    AddTrustedLibrary(kSystem32 + L"x");
    struct Row {
        bool (*validator)(std::wstring);
        const wchar_t* arguments;
    };
    const Row rows[] = {
        {ValidateRundll32Arguments, L"C:\\Windows\\System32\\x,Entry"},  // loads x.dll
        {ValidateRundll32Arguments, L"C:\\Windows\\System32\\x.dll.,Entry"},
        {ValidateRundll32Arguments, L"\"C:\\Windows\\System32\\x.dll \",Entry"},
        {ValidateRundll32Arguments, L"C:\\Windows\\System32\\x:x.dll,Entry"},  // a stream of x
        {ValidateRundll32Arguments, L"\\\\?\\C:\\Windows\\System32\\x.dll:s,Entry"},
        {ValidateRundll32Arguments, L"\"\""},
        {ValidateRundll32Arguments, L"\"\" C:\\Windows\\System32\\x.dll"},
        {ValidateRundll32Arguments, L",Entry"},
        {ValidateRundll32Arguments, L"C:\\Windows\\System32\\,Entry"},
        {ValidateRegsvr32Arguments, L"/s C:\\Windows\\System32\\x"},
        {ValidateRegsvr32Arguments, L"-s C:\\Windows\\System32\\x.dll"},  // a dash is no switch here
        {ValidateRegsvr32Arguments, L"/s //host/share/x.dll C:\\Windows\\System32\\x.dll"},
        {ValidateRegsvr32Arguments, L"/s /u1/x.dll C:\\Windows\\System32\\x.dll"},
        {ValidateRegsvr32Arguments, L"/sx C:\\Windows\\System32\\x.dll"},
        {ValidateRegsvr32Arguments, L"/i:http://host/x.sct C:\\Windows\\System32\\x.dll"},
        {ValidateRegsvr32Arguments, L"/I:\" Script:x.sct\" C:\\Windows\\System32\\x.dll"},
        {ValidateRegsvr32Arguments, L"/i:\\\\host\\share\\x.sct C:\\Windows\\System32\\x.dll"},
        {ValidateRegsvr32Arguments, L"/i:\\\\?\\UNC\\host\\share\\x.sct C:\\Windows\\System32\\x.dll"},
        {ValidateRegsvr32Arguments, L"/i:// C:\\Windows\\System32\\x.dll"},
    };
    for (const Row& row : rows) EXPECT_FALSE(row.validator(row.arguments)) << std::wstring(row.arguments);
    EXPECT_NO_LOG();
    EXPECT_EQ(winsim::CallCount("CreateFileW"), 0u);
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 0u);
    EXPECT_LEDGER_BALANCED();
}

// regsvr32 registers every library it is named, so each one must be trusted.
TEST_F(ToolArgumentValidatorsTest, Regsvr32ChecksEveryLibraryItWouldLoad) {
    const std::wstring other = kSystem32 + L"y.dll";
    AddUnpinnedLibrary(other);
    EXPECT_FALSE(ValidateRegsvr32Arguments(L"/s C:\\Windows\\System32\\x.dll C:\\Windows\\System32\\y.dll"));
    EXPECT_LOG(Then({AcceptedLibrary(kLibrary), Verification(other, kUnpinnedSubject),
                     {Info(L"Security - IsFileTrusted - trusted by windows = yes, trusted by Meridel = no")}}));
    AddTrustedLibrary(other);
    EXPECT_TRUE(ValidateRegsvr32Arguments(L"/s C:\\Windows\\System32\\x.dll C:\\Windows\\System32\\y.dll"));
    EXPECT_LOG(Then({AcceptedLibrary(kLibrary), AcceptedLibrary(other)}));
}

TEST_F(ToolArgumentValidatorsTest, Regsvr32UnquotesALibraryPathWithBlanks) {
    AddTrustedLibrary(kSpacedLibrary);
    EXPECT_TRUE(ValidateRegsvr32Arguments(L"/s \"C:\\Program Files\\Orlent Works\\a b.dll\""));
    const auto log = TakeLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().text, L"Security - GetSecurityCatalogInfo - File = " + kSpacedLibrary);
}

TEST_F(ToolArgumentValidatorsTest, Rundll32ChecksOnlyTheLibraryBeforeTheComma) {
    EXPECT_TRUE(ValidateRundll32Arguments(L"C:\\Windows\\System32\\x.dll,Entry 1 2"));
    EXPECT_LOG(AcceptedLibrary(kLibrary));
    EXPECT_TRUE(ValidateRundll32Arguments(L"C:\\Windows\\System32\\x.dll"));
    EXPECT_LOG(AcceptedLibrary(kLibrary));
}

TEST_F(ToolArgumentValidatorsTest, Rundll32UnquotesALibraryFollowedByItsEntry) {
    AddTrustedLibrary(kSpacedLibrary);
    EXPECT_TRUE(ValidateRundll32Arguments(L"\"C:\\Program Files\\Orlent Works\\a b.dll\",Entry"));
    const auto log = TakeLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().text, L"Security - GetSecurityCatalogInfo - File = " + kSpacedLibrary);
}

TEST_F(ToolArgumentValidatorsTest, Rundll32WithoutArgumentsChecksNoFile) {
    EXPECT_TRUE(ValidateRundll32Arguments(L""));
    EXPECT_TRUE(ValidateRundll32Arguments(L"  "));
    EXPECT_NO_LOG();
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 0u);
}

TEST_F(ToolArgumentValidatorsTest, Rundll32RefusesAnUntrustedLibrary) {
    EXPECT_FALSE(ValidateRundll32Arguments(L"C:\\Windows\\System32\\missing.dll,Entry"));
    EXPECT_LOG(Verification(kSystem32 + L"missing.dll"));
}

TEST_F(ToolArgumentValidatorsTest, ArgumentsWindowsCannotSplitAreRefused) {
    winsim::FailCall("CommandLineToArgvW", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(ValidateRegsvr32Arguments(L"/s"));
    winsim::FailCall("CommandLineToArgvW", 2, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(ValidateRundll32Arguments(L""));
    EXPECT_NO_LOG();
}

TEST_F(ToolArgumentValidatorsTest, EveryInjectedFailureReleasesTheArgumentArray) {
    ASSERT_TRUE(ValidateRundll32Arguments(L"C:\\Windows\\System32\\x.dll,Entry"));
    const unsigned calls = winsim::SweepCallCount();
    for (unsigned nth = 1; nth <= calls; ++nth) {
        winsim::ClearFaults();
        winsim::FailNthPlatformCall(nth, ERROR_ACCESS_DENIED);
        ValidateRundll32Arguments(L"C:\\Windows\\System32\\x.dll,Entry");
        ValidateRegsvr32Arguments(L"/s C:\\Windows\\System32\\x.dll");
        EXPECT_LEDGER_BALANCED() << "failed call " << nth;
    }
    TakeLog();
}

}  // namespace
}  // namespace tool_launch_test
