#include <gtest/gtest.h>

#include <cwctype>

#include "platform/win32.h"
#include "security/path_policy/authenticode_helper.h"
#include "tests/unit/path_policy/path_policy_log.h"

namespace path_policy_test {
namespace {

using Qv::Vantix::Security::QvAuthenticodeHelper::CheckForFullConrolByTrustedInstallAndSystem;
using Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed;
using winsim::AceKind;
using winsim::ObjectSecurity;

const std::vector<DWORD> kFourPauses = {250, 250, 250, 250};

ObjectSecurity StoreFolderSecurity(std::vector<winsim::AccessEntry> entries,
                                   const std::wstring& owner = L"TrustedInstaller") {
    ObjectSecurity security;
    security.owner = owner;
    security.entries = std::move(entries);
    return security;
}

// What a real store-application folder holds: both accounts with full control, users
// reading.
ObjectSecurity FullControlForBoth(const std::wstring& owner = L"TrustedInstaller") {
    const BYTE inherited = CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE;
    return StoreFolderSecurity({{AceKind::Allowed, L"Users", READ_CONTROL | FILE_READ_DATA | FILE_EXECUTE, 0},
                                {AceKind::Allowed, L"SYSTEM", GENERIC_ALL, inherited},
                                {AceKind::Denied, L"user1", FILE_WRITE_DATA, 0},
                                {AceKind::Allowed, L"TrustedInstaller", GENERIC_ALL, 0}},
                               owner);
}

std::wstring Lowered(std::wstring text) {
    for (wchar_t& unit : text) unit = static_cast<wchar_t>(std::towlower(unit));
    return text;
}
std::wstring Raised(std::wstring text) {
    for (wchar_t& unit : text) unit = static_cast<wchar_t>(std::towupper(unit));
    return text;
}

class PathAllowedTest : public PathPolicyTest {};

TEST_F(PathAllowedTest, WindowsAndProgramFilesFoldersAreAllowedAtOnceInAnyCase) {
    for (const std::wstring& path : {std::wstring(L"C:\\Windows\\System32\\x.dll"), Lowered(L"C:\\Windows\\System32\\x.dll"),
                                     Raised(L"C:\\Windows\\System32\\x.dll")}) {
        EXPECT_TRUE(IsPathAllowed(path.c_str()));
        ExpectLog(ServiceExpansion(path, path) + WindowsPrefix());
    }
    for (const std::wstring& path : {std::wstring(L"C:\\Program Files (x86)\\A\\b.exe"),
                                     Lowered(L"C:\\Program Files (x86)\\A\\b.exe")}) {
        EXPECT_TRUE(IsPathAllowed(path.c_str()));
        ExpectLog(ServiceExpansion(path, path) + WindowsPrefix() + Log{PrefixError(path, L"C:\\Windows\\")} +
                  ProgramFilesX86Prefix());
    }
    for (const std::wstring& path : {std::wstring(L"C:\\Program Files\\A\\b.exe"), Raised(L"C:\\Program Files\\A\\b.exe")}) {
        EXPECT_TRUE(IsPathAllowed(path.c_str()));
        ExpectLog(ServiceExpansion(path, path) + WindowsPrefix() + Log{PrefixError(path, L"C:\\Windows\\")} +
                  ProgramFilesX86Prefix() + Log{PrefixError(path, L"C:\\Program Files (x86)\\")} +
                  ProgramFilesPrefix());
    }
    EXPECT_EQ(winsim::CallCount("GetNamedSecurityInfoW"), 0u) << "no ownership check";
    EXPECT_TRUE(winsim::Sleeps().empty());
}

TEST_F(PathAllowedTest, PathsAreJudgedInTheirFullForm) {
    const std::wstring path = L"C:\\Program Files\\..\\Users\\x.exe";
    EXPECT_FALSE(IsPathAllowed(path.c_str()));
    ExpectLog(Log{ExpandedInfo(path, path), FullPathInfo(L"C:\\Users\\x.exe")} + AllPrefixesRefused(L"C:\\Users\\x.exe") +
              Log{SubstringError(L"C:\\Users\\x.exe")});
}

TEST_F(PathAllowedTest, StoreFolderOnTheSystemDriveIsNotTheWindowsFolder) {
    const std::wstring path = L"C:\\WindowsApps\\x.exe";
    winsim::SetObjectSecurity(L"C:\\WindowsApps", FullControlForBoth());
    EXPECT_TRUE(IsPathAllowed(path.c_str()));
    ExpectLog(ServiceExpansion(path, path) + AllPrefixesRefused(path));
    EXPECT_EQ(winsim::CallCount("GetNamedSecurityInfoW"), 1u);
}

TEST_F(PathAllowedTest, StoreFolderOwnedByTheSystemWithFullControlForBothAccountsIsAllowed) {
    const std::wstring path = L"D:\\WindowsApps\\Vendor.App_1.0_x64__abc\\app.exe";
    for (const wchar_t* owner : {L"TrustedInstaller", L"SYSTEM", L"Administrators"}) {
        winsim::SetObjectSecurity(L"D:\\WindowsApps", FullControlForBoth(owner));
        EXPECT_TRUE(IsPathAllowed(path.c_str())) << std::wstring(owner);
        ExpectLog(ServiceExpansion(path, path) + AllPrefixesRefused(path));
    }
    EXPECT_TRUE(winsim::Sleeps().empty());
}

struct RefusedOwnership {
    const char* name;
    ObjectSecurity security;
};

class RefusedOwnershipTest : public PathPolicyTest, public ::testing::WithParamInterface<RefusedOwnership> {};

// Without full control for both accounts the folder is tried five times, one second in all.
TEST_P(RefusedOwnershipTest, StoreFolderIsRefusedAfterFiveAttempts) {
    const std::wstring path = L"D:\\WindowsApps\\A\\b.exe";
    winsim::SetObjectSecurity(L"D:\\WindowsApps", GetParam().security);
    EXPECT_FALSE(IsPathAllowed(path.c_str()));
    ExpectLog(ServiceExpansion(path, path) + AllPrefixesRefused(path) + FiveOwnershipErrors(ERROR_SUCCESS));
    EXPECT_EQ(winsim::Sleeps(), kFourPauses);
    EXPECT_EQ(winsim::NowMilliseconds(), 1000u);
    EXPECT_EQ(winsim::CallCount("GetNamedSecurityInfoW"), 5u);
}

std::vector<RefusedOwnership> RefusedOwnerships() {
    return {
        {"SystemMissing", StoreFolderSecurity({{AceKind::Allowed, L"TrustedInstaller", GENERIC_ALL, 0}})},
        {"TrustedInstallerMissing", StoreFolderSecurity({{AceKind::Allowed, L"SYSTEM", GENERIC_ALL, 0}})},
        {"SpecificRightsOnly", StoreFolderSecurity({{AceKind::Allowed, L"TrustedInstaller", FILE_ALL_ACCESS, 0},
                                                    {AceKind::Allowed, L"SYSTEM", GENERIC_ALL, 0}})},
        {"DeniedEntriesDoNotCount", StoreFolderSecurity({{AceKind::Denied, L"TrustedInstaller", GENERIC_ALL, 0},
                                                         {AceKind::Allowed, L"SYSTEM", GENERIC_ALL, 0}})},
        {"OtherAccountsDoNotCount", StoreFolderSecurity({{AceKind::Allowed, L"Administrators", GENERIC_ALL, 0},
                                                         {AceKind::Allowed, L"SYSTEM", GENERIC_ALL, 0}})},
        {"NoAccessList", [] {
             ObjectSecurity security;
             security.hasDacl = false;
             return security;
         }()},
        // Made by a user at the drive's root, who then granted both accounts full control.
        {"OwnedByTheUserWhoMadeIt", FullControlForBoth(L"user1")},
        {"OwnedByUsers", FullControlForBoth(L"Users")},
        {"OwnedByASidNextToTrustedInstallers",
         FullControlForBoth(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478465")},
        {"WithoutAnOwner", FullControlForBoth(L"")},
    };
}

INSTANTIATE_TEST_SUITE_P(Ownership, RefusedOwnershipTest, ::testing::ValuesIn(RefusedOwnerships()),
                         [](const ::testing::TestParamInfo<RefusedOwnership>& info) { return info.param.name; });

TEST_F(PathAllowedTest, AccountNamesAreComparedWithTheirDomain) {
    // A local account that merely carries the name does not stand in for the service.
    winsim::AddAccount({L"DESKTOP-SIM", L"TrustedInstaller", L"S-1-5-21-1-2-3-1010", {}});
    winsim::SetObjectSecurity(L"D:\\WindowsApps", StoreFolderSecurity({
                                                      {AceKind::Allowed, L"S-1-5-21-1-2-3-1010", GENERIC_ALL, 0},
                                                      {AceKind::Allowed, L"SYSTEM", GENERIC_ALL, 0},
                                                  }));
    EXPECT_FALSE(CheckForFullConrolByTrustedInstallAndSystem(L"D:\\WindowsApps"));
    ExpectLog({});
}

TEST_F(PathAllowedTest, EntriesWhoseAccountIsUnknownAreSkipped) {
    winsim::SetObjectSecurity(L"D:\\WindowsApps", StoreFolderSecurity({
                                                      {AceKind::Allowed, L"S-1-5-21-9-9-9-9999", GENERIC_ALL, 0},
                                                      {AceKind::Allowed, L"SYSTEM", GENERIC_ALL, 0},
                                                      {AceKind::Allowed, L"TrustedInstaller", GENERIC_ALL, 0},
                                                  }));
    EXPECT_TRUE(CheckForFullConrolByTrustedInstallAndSystem(L"D:\\WindowsApps"));
    EXPECT_EQ(winsim::CallCount("LookupAccountSidW"), 3u);
    ExpectLog({});
}

TEST_F(PathAllowedTest, MissingStoreFolderIsRefusedWithItsErrorCode) {
    const std::wstring path = L"E:\\WindowsApps\\A\\b.exe";
    EXPECT_FALSE(IsPathAllowed(path.c_str()));
    ExpectLog(ServiceExpansion(path, path) + AllPrefixesRefused(path) + FiveOwnershipErrors(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(winsim::Sleeps(), kFourPauses);
}

// Only the store folder at the root of a local drive is asked about: another machine
// answers for its own folders whatever it likes.
TEST_F(PathAllowedTest, PathsWithoutAStoreFolderAtALocalDriveRootAreRefusedWithoutOwnershipCheck) {
    const auto notAtRoot = [](const std::wstring& full) {
        return vistane_test::Error(L"Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed - [" + full +
                                   L"] is not below a store folder at the root of a local drive");
    };
    const std::pair<std::wstring, LogRecord> rows[] = {
        {L"D:\\windowsapps\\A\\b.exe", SubstringError(L"D:\\windowsapps\\A\\b.exe")},
        {L"D:\\Data\\x.exe", SubstringError(L"D:\\Data\\x.exe")},
        {L"D:\\WindowsAppsX\\b.exe", SubstringError(L"D:\\WindowsAppsX\\b.exe")},
        {L"\\\\host\\share\\x:\\WindowsApps\\b.exe", notAtRoot(L"\\\\host\\share\\x:\\WindowsApps\\b.exe")},
        {L"\\\\?\\D:\\WindowsApps\\b.exe", notAtRoot(L"\\\\?\\D:\\WindowsApps\\b.exe")},
        {L"C:\\Data\\D:\\WindowsApps\\b.exe", notAtRoot(L"C:\\Data\\D:\\WindowsApps\\b.exe")},
    };
    winsim::SetObjectSecurity(L"D:\\WindowsApps", FullControlForBoth());
    for (const auto& [path, last] : rows) {
        EXPECT_FALSE(IsPathAllowed(path.c_str())) << path;
        ExpectLog(ServiceExpansion(path, path) + AllPrefixesRefused(path) + Log{last});
    }
    EXPECT_EQ(winsim::CallCount("GetNamedSecurityInfoW"), 0u);
    EXPECT_TRUE(winsim::Sleeps().empty());
}

TEST_F(PathAllowedTest, NullPathIsRefused) {
    EXPECT_FALSE(IsPathAllowed(nullptr));
    ExpectLog(Log{NullWarning(L"filePath")} + AllPrefixesRefused(L"") + Log{SubstringError(L"")});
}

// A prefix whose expansion failed must not turn into a prefix of every path.
TEST_F(PathAllowedTest, FailedPrefixExpansionOnAnRpcThreadAllowsNothing) {
    const DWORD client = winsim::AddProcess({L"user1", L"C:\\Apps\\client.exe", L""});
    winsim::RpcCallScope call(client);
    winsim::FailCall("ExpandEnvironmentStringsW", 1, ERROR_ENVVAR_NOT_FOUND);  // the %windir%\ prefix
    const std::wstring path = L"D:\\Data\\x.exe";
    EXPECT_FALSE(IsPathAllowed(path.c_str()));
    ExpectLog(Log{FullPathInfo(path), StepWarning(L"ExpandEnvironmentStrings", ERROR_ENVVAR_NOT_FOUND),
                  PrefixError(path, L""), FullPathInfo(L"C:\\Program Files (x86)\\"),
                  PrefixError(path, L"C:\\Program Files (x86)\\"), FullPathInfo(L"C:\\Program Files\\"),
                  PrefixError(path, L"C:\\Program Files\\"), SubstringError(path)});
}

TEST_F(PathAllowedTest, ClientWhoseProcessCannotBeOpenedGetsNothingAllowed) {
    const DWORD client = winsim::AddProcess({L"user1", L"C:\\Apps\\client.exe", L""});
    winsim::RpcCallScope call(client);
    winsim::FailCall("OpenProcess", 0, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(IsPathAllowed(L"C:\\Windows\\System32\\x.dll"));
    ExpectLog({StepWarning(L"process_handle is NULL or INVALID_HANDLE_VALUE", ERROR_ACCESS_DENIED),
               FullPathInfo(L"C:\\Windows\\"), PrefixError(L"", L"C:\\Windows\\"),
               FullPathInfo(L"C:\\Program Files (x86)\\"), PrefixError(L"", L"C:\\Program Files (x86)\\"),
               FullPathInfo(L"C:\\Program Files\\"), PrefixError(L"", L"C:\\Program Files\\"), SubstringError(L"")});
}

// The caller's path takes the caller's values; the allowed folders keep the service's,
// so a caller who defines ProgramFiles in their own environment moves nothing.
TEST_F(PathAllowedTest, PrefixesKeepTheServicesValuesOnAnRpcThread) {
    winsim::SetUserEnvironmentVariable(L"user1", L"ProgramFiles", L"E:\\Programs");
    const DWORD client = winsim::AddProcess({L"user1", L"C:\\Apps\\client.exe", L""});
    winsim::RpcCallScope call(client);
    const std::wstring path = L"E:\\Programs\\A\\b.exe";
    for (const wchar_t* asked : {L"%ProgramFiles%\\A\\b.exe", L"E:\\Programs\\A\\b.exe"}) {
        EXPECT_FALSE(IsPathAllowed(asked));
        ExpectLog({FullPathInfo(path), FullPathInfo(L"C:\\Windows\\"), PrefixError(path, L"C:\\Windows\\"),
                   FullPathInfo(L"C:\\Program Files (x86)\\"), PrefixError(path, L"C:\\Program Files (x86)\\"),
                   FullPathInfo(L"C:\\Program Files\\"), PrefixError(path, L"C:\\Program Files\\"),
                   SubstringError(path)});
    }
    EXPECT_EQ(winsim::CallCount("ExpandEnvironmentStringsForUserW"), 2u) << "only the caller's paths";
}

TEST_F(PathAllowedTest, MissingWindowsVariableLeavesTheWindowsFolderUnmatched) {
    winsim::RemoveEnvironmentVariable(L"windir");
    const std::wstring path = L"C:\\Windows\\System32\\x.dll";
    const std::wstring unexpanded = L"C:\\Windows\\system32\\%windir%\\";
    EXPECT_FALSE(IsPathAllowed(path.c_str()));
    ExpectLog(ServiceExpansion(path, path) + Log{ExpandedInfo(L"%windir%\\", L"%windir%\\"), FullPathInfo(unexpanded),
                                                 PrefixError(path, unexpanded)} +
              ProgramFilesX86Prefix() + Log{PrefixError(path, L"C:\\Program Files (x86)\\")} + ProgramFilesPrefix() +
              Log{PrefixError(path, L"C:\\Program Files\\"), SubstringError(path)});
}

struct OwnershipFault {
    const char* api;
    unsigned nth;  // the call that reaches SYSTEM's entry in FullControlForBoth()
    DWORD error;
};

class OwnershipFaultTest : public PathPolicyTest, public ::testing::WithParamInterface<OwnershipFault> {};

// A call failing inside the first attempt costs one error and one pause; the second
// attempt decides.
TEST_P(OwnershipFaultTest, FirstAttemptFailsAndTheSecondSucceeds) {
    const std::wstring path = L"D:\\WindowsApps\\A\\b.exe";
    winsim::SetObjectSecurity(L"D:\\WindowsApps", FullControlForBoth());
    winsim::FailCall(GetParam().api, GetParam().nth, GetParam().error);
    EXPECT_TRUE(IsPathAllowed(path.c_str()));
    ExpectLog(ServiceExpansion(path, path) + AllPrefixesRefused(path) + Log{OwnershipError(1, GetParam().error)});
    EXPECT_EQ(winsim::Sleeps(), std::vector<DWORD>{250});
    EXPECT_EQ(winsim::CallCount("GetNamedSecurityInfoW"), 2u);
}

INSTANTIATE_TEST_SUITE_P(EachCall, OwnershipFaultTest,
                         ::testing::Values(OwnershipFault{"GetNamedSecurityInfoW", 1, ERROR_ACCESS_DENIED},
                                           OwnershipFault{"GetAce", 2, ERROR_INVALID_PARAMETER},
                                           OwnershipFault{"LookupAccountSidW", 2, ERROR_NONE_MAPPED}),
                         [](const ::testing::TestParamInfo<OwnershipFault>& info) { return info.param.api; });

// Whatever platform call fails, a path that must be refused stays refused and every
// handle and block is released.
TEST_F(PathAllowedTest, NoSingleFailureTurnsARefusalIntoAnAllowance) {
    winsim::SetObjectSecurity(L"D:\\WindowsApps", StoreFolderSecurity({{AceKind::Allowed, L"SYSTEM", GENERIC_ALL, 0}}));
    const DWORD client = winsim::AddProcess({L"user1", L"C:\\Apps\\client.exe", L""});
    for (const bool onRpcThread : {false, true}) {
        std::optional<winsim::RpcCallScope> call;
        if (onRpcThread) call.emplace(client);
        for (const wchar_t* path : {L"D:\\Data\\x.exe", L"D:\\WindowsApps\\A\\b.exe"}) {
            const unsigned before = winsim::SweepCallCount();
            EXPECT_FALSE(IsPathAllowed(path));
            const unsigned calls = winsim::SweepCallCount() - before;
            ASSERT_GT(calls, 5u);
            for (unsigned nth = 1; nth <= calls; ++nth) {
                const unsigned injectedBefore = winsim::FaultsInjected();
                winsim::FailNthPlatformCall(nth, ERROR_ACCESS_DENIED);
                EXPECT_FALSE(IsPathAllowed(path)) << "call " << nth << " failing";
                EXPECT_EQ(winsim::FaultsInjected() - injectedBefore, 1u);
                EXPECT_LEDGER_BALANCED();
                winsim::ClearFaults();
            }
            TakeLog();
        }
    }
}

}  // namespace
}  // namespace path_policy_test
