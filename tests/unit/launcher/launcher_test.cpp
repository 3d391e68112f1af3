// The launcher's operations, one row per case: a machine, one call, and what must
// follow. One checker compares the outcome (the result and every process created), the
// impersonations, the exact log records, and after every row a balanced ledger, every
// impersonation reverted and the lookup lock free (also while a process is created).
// Rows that list failures are swept too: each platform call the row makes fails in
// turn, and whatever fails, everything obtained is released and the outcome is the
// whole one or a listed failure, never a success claimed that did not happen.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "tests/support/launcher_machine.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Logging::LogManager;
using Qv::Vantix::Server::Services::Launcher;
using Qv::Vantix::Server::Services::LauncherInspector;
using namespace vistane_test;
using Arrange = std::function<void()>;
// A row's call: an expression of the launcher `l`, as text.
#define CALL(...) [](Launcher& l) -> std::wstring { return __VA_ARGS__; }

const std::wstring kMissing = L"Orlent.Missing_qv5n2x8z1k3m4";
const std::wstring kAliasPath = L"C:\\Users\\user1\\AppData\\Local\\Microsoft\\WindowsApps\\viewer.exe";
const std::wstring kTool = L"C:\\Tools\\tool.exe";
const std::wstring kLongest = kTool + L" " + std::wstring(32766 - kTool.size() - 1, L'a');
const std::wstring kLongDir = L"C:\\" + std::wstring(256, L'd');  // 259 characters: with the NUL, MAX_PATH
const std::wstring kSessionSet = L"ext-ms-win-session-wtsapi32-l1-1-0";
const std::shared_ptr<void> kInvalid(INVALID_HANDLE_VALUE, [](void*) {});

LogRecord Problem(const std::wstring& text) { return Warning(L"Problem while " + text); }
std::vector<LogRecord> Log(const std::string& words) {
    static const std::map<std::string, LogRecord> records = {
        {"try", Info(L"Attempting to impersonate logged in user.")},
        {"found", Info(L"Found package's full name for " + kViewerFamily + L": " + kViewerFullName)},
        {"nosession", Problem(L"detecting active console session ID. This could be caused if the business logic ran "
                              L"while the user was not logged in.")},
        {"notoken", Problem(L"querying user's access token.")}, {"imp", Problem(L"impersonating logged in user.")},
        {"dup", Problem(L"duplicating the user's access token.")}, {"expand", Problem(L"expanding path.")},
        {"deps", Error(L"Problem in GetUserTokenForCurrentUser. Dependencies is not available in this platform.")},
        {"revert", Error(L"Problem while reverting the impersonation.")},
        {"size0", Problem(L"finding out the size of the buffer. Returned length is 0.")},
        {"pathsize", Problem(L"finding out the size of the buffer.")},
        {"path", Problem(L"finding the full path for the package.")}, {"open", Problem(L"opening the package info.")},
        {"origin", Problem(L"retrieving the origin of the package.")}, {"info", Problem(L"getting the package info.")},
        {"count", Problem(L"getting the count for the package info.")},
        {"count2", Problem(L"getting the count for the package info. Insufficient buffer.")},
        {"version", Info(L"Origin: 3. Version: 1 2 4 3")},  // revision before build
        {"store", Info(L"Origin: 3. Version: 0 0 0 0")}, {"unknown", Info(L"Origin: -1. Version: 0 0 0 0")},
        {"create", Problem(L"creating process as user 2.")}, {"fill", Problem(L"finding package's resources.")},
    };
    std::vector<LogRecord> log;
    std::istringstream stream(words);
    for (std::string word; stream >> word;) log.push_back(records.at(word));
    return log;
}

Arrange Fail(const char* api, unsigned nth) { return [=] { winsim::FailCall(api, nth, ERROR_ACCESS_DENIED); }; }
Arrange Profile(std::wstring path) { return [=] { winsim::SetUserProfile(L"user1", path); }; }
const Arrange kNobody = [] { winsim::SetNobodyAtConsole(); };
const Arrange kLongDirSet = [] { winsim::SetUserEnvironmentVariable(L"user1", L"LONGDIR", kLongDir); };
Arrange Family(std::vector<winsim::Package> packages) {
    return [=] {
        winsim::RemovePackageFamily(L"user1", kViewerFamily);
        for (const auto& package : packages) winsim::InstallPackage(L"user1", kViewerFamily, package);
    };
}
std::wstring Text(bool value) { return value ? L"1" : L"0"; }
std::wstring Text(std::tuple<int, UINT64> a) { auto [o, v] = a; return std::to_wstring(o) + L" " + std::to_wstring(v); }
std::shared_ptr<void> User(Launcher& l) { return l.GetUserTokenForCurrentUser(TokenImpersonation); }
std::wstring Expand(Launcher& l, std::wstring p) { return l.GetPathExpandedImpersonatedAsCurrentUser(p, User(l)); }
std::wstring Name(Launcher& l, std::wstring family) { return l.GetPackageFullNameByFamilyName(family, User(l)); }
std::wstring Origin(Launcher& l, std::wstring family) { return Text(l.GetOriginAndVersionByFamilyName(family)); }
// The token as text; a user's token alone stays open (the queried one is closed).
std::wstring Token(Launcher& l, TOKEN_TYPE type) {
    const auto token = l.GetUserTokenForCurrentUser(type);
    if (!token || token.get() == INVALID_HANDLE_VALUE) return token ? L"invalid" : L"empty";
    const auto facts = winsim::InspectToken(token.get());
    return facts.user + (facts.type == TokenPrimary ? L" primary" : L" impersonation");
}
std::wstring Real(Launcher& l, std::wstring profile = L"left from before") {
    return Text(l.IsRealUserSession(profile)) + L" " + profile;
}
std::wstring OriginOf(Launcher& l) {  // the form by full name, the caller impersonating the user
    const auto token = User(l);
    ImpersonateLoggedOnUser(token.get());
    const std::wstring answer = Text(l.GetOriginAndVersionByFullName(kViewerFullName));
    return RevertToSelf() ? answer : L"not reverted";
}
// A launcher made while the logger cannot be had logs through a provider of its own.
std::wstring Recovered(Launcher&, const std::wstring& family) {
    LogManager::SetGetLoggerFailure(true);
    Launcher recovered;
    LogManager::SetGetLoggerFailure(false);
    const std::string provider = LogManager::ProviderName();
    return std::wstring(provider.begin(), provider.end()) + L" " + recovered.GetPackageFullNameByFamilyName(family);
}
std::wstring Alias(Launcher& l, const std::wstring& alias) {
    const std::wstring path = l.GetAbsolutePathForUWPAlias(alias);
    return path + L"|" + Text(l.Run(alias, kViewerFamily, L""));
}
// RunExeAsUser with the user's primary token, which also stands for the handles passed.
std::wstring Exe(Launcher& l, std::wstring executable, std::wstring folder, std::wstring commandLine, int handles = 0) {
    unsigned long pid = 77;
    const auto token = l.GetUserTokenForCurrentUser(TokenPrimary);
    const std::vector<void*> passed(handles, token.get());
    const bool started = l.RunExeAsUser(executable, folder, token, commandLine, pid, passed);
    const auto created = winsim::StartedProcesses();
    return Text(started) + (pid == 77 ? L"" : !created.empty() && pid == created.back().pid ? L" pid" : L" bad pid");
}
std::wstring Started(std::wstring program, std::wstring commandLine, std::wstring folder, int handles = 0) {
    return L" [" + program + L"|" + commandLine + L"|" + folder + L"|" + std::to_wstring(handles) + L"]";
}

class LauncherTest : public SimTest {
protected:
    void Prepare(const Arrange& arrange) {
        winsim::Reset();
        InstallViewer();
        winsim::AddFile(kTool, "MZ");
        winsim::SetProcessCreationObserver([] { EXPECT_TRUE(LauncherInspector::LookupLockIsFree()); });
        if (arrange) arrange();
        TakeLog();
    }
    // The call's result, then each process it created: every one the user's, with the
    // user's environment, the launch flags, and a one-attribute handle list only when
    // handles pass.
    static std::wstring Outcome(const std::function<std::wstring(Launcher&)>& call) {
        Launcher launcher;
        std::wstring outcome = call(launcher);
        for (const auto& created : winsim::ProcessesCreatedAsUser()) {
            const auto& process = created.process;
            const size_t n = process.inheritedHandles.size(), some = n > 0;
            EXPECT_EQ(process.user + L" " + created.environment.at(L"USERPROFILE"), L"user1 C:\\Users\\user1");
            EXPECT_EQ(std::vector<size_t>({created.tokenType, process.creationFlags, process.startupInfoSize,
                                           size_t(process.inheritHandles), created.attributeListAttached,
                                           created.attributeCapacity, created.attributesSet, created.handleListBytes}),
                      std::vector<size_t>({TokenPrimary, 0x00080430, 112, some, some, some, some, n * sizeof(HANDLE)}));
            outcome += Started(process.program, process.commandLine, process.currentDirectory, int(n));
        }
        return outcome;
    }
    void ExpectReleased() {
        EXPECT_LEDGER_BALANCED();
        EXPECT_TRUE(winsim::ThreadsStillImpersonating().empty());
        EXPECT_TRUE(LauncherInspector::LookupLockIsFree());
        for (const auto& asked : winsim::TokenDuplications())
            EXPECT_TRUE(asked.desiredAccess == MAXIMUM_ALLOWED && asked.level == SecurityImpersonation &&
                        asked.attributesLength == 24 && !asked.hasSecurityDescriptor && !asked.inheritHandle);
    }
};

TEST_F(LauncherTest, EachRowGivesItsOutcomeLogAndReleasesEverything) {
    using winsim::ApiSetState;
    const std::wstring run = L"1" + Started(kAliasPath, L"viewer.exe -x", kViewerFolder);
    const struct {
        Arrange arrange;
        std::function<std::wstring(Launcher&)> call;
        std::wstring outcome;
        int impersonations;
        const char* log;
        std::vector<std::wstring> failures = {};
    } rows[] = {
        // The console user's token and session; an API set counts as present before Windows 10.
        {{}, CALL(Token(l, TokenImpersonation)), L"user1 impersonation", 0, "try"},
        {[] { winsim::SetWindowsVersion(6, 3, 9600), winsim::SetApiSet(kSessionSet, ApiSetState::NotInSchema); },
         CALL(Token(l, TokenPrimary)), L"user1 primary", 0, "try"},
        // The extended presence entry is asked, not the plain one.
        {[] { winsim::SetApiSet(kSessionSet, ApiSetState::NoHost); }, CALL(Token(l, TokenPrimary) + L" plain calls: " +
                                           std::to_wstring(winsim::CallCount("ApiSetQueryApiSetPresence"))),
         L"empty plain calls: 0", 0, "deps"},
        {[] { winsim::SetConsoleSessionWithoutUser(1); }, CALL(Token(l, TokenPrimary)), L"empty", 0, "try notoken"},
        {Fail("DuplicateTokenEx", 1), CALL(Token(l, TokenImpersonation)), L"invalid", 0, "try dup"},
        {kLongDirSet, CALL(Expand(l, L"%LONGDIR%")), kLongDir, 1, "try"},
        {kLongDirSet, CALL(Expand(l, L"%LONGDIR%x")), L"", 1, "try expand"},
        {Fail("RevertToSelf", 1), CALL(Expand(l, L"%username%")), L"user1 (impersonating)", 1, "try revert"},
        // Profiles of no real user, recognised as Windows writes them, letter case included.
        {{}, CALL(Real(l)), L"1 C:\\Users\\user1", 1, "try", {L"0 "}},
        {kNobody, CALL(Real(l)), L"0 ", 0, "try nosession imp"},
        {Profile(L"C:\\Windows\\system32\\config\\x"), CALL(Real(l)), L"0 C:\\Windows\\system32\\config\\x", 1, "try"},
        {Profile(L"C:\\Users\\Default\\"), CALL(Real(l)), L"0 C:\\Users\\Default\\", 1, "try"},
        {Profile(L"C:\\Users\\defaultuser0"), CALL(Real(l)), L"0 C:\\Users\\defaultuser0", 1, "try"},
        {Profile(L"C:\\Users\\DEFAULT\\"), CALL(Real(l)), L"1 C:\\Users\\DEFAULT\\", 1, "try"},
        {Profile(L"C:\\Users\\Defaulted"), CALL(Real(l)), L"1 C:\\Users\\Defaulted", 1, "try"},
        // The package queries; the forms without a token ask as the service (no packages),
        // those with an empty or invalid one ask nothing.
        {{}, CALL(l.GetPackageFullNameByFamilyName(L"") + l.GetPackageInstalledPathByFullName(L"")), L"", 0, ""},
        {Family({ViewerPackage(PACKAGE_PROPERTY_RESOURCE, L"res"), ViewerPackage(PACKAGE_PROPERTY_FRAMEWORK, L"fw"),
                 ViewerPackage(PACKAGE_PROPERTY_DEVELOPMENT_MODE, L"dev"), ViewerPackage(), ViewerPackage(0, L"next")}),
         CALL(Name(l, kViewerFamily)), kViewerFullName, 1, "try found"},
        {Family({ViewerPackage(PACKAGE_PROPERTY_RESOURCE, L"res"), ViewerPackage(PACKAGE_PROPERTY_BUNDLE, L"bundle")}),
         CALL(Name(l, kViewerFamily)), L"", 1, "try"},
        {Fail("FindPackagesByPackageFamily", 2), CALL(Name(l, kViewerFamily)), L"", 1, "try fill"},
        {Fail("RevertToSelf", 1), CALL(Name(l, kViewerFamily)), kViewerFullName + L" (impersonating)", 1,
         "try found revert"},
        {{}, CALL(Recovered(l, kViewerFamily)), L"Qv-Vantix-SystemInformation ", 0, "size0"},
        {{}, CALL(l.GetPackageFullNameByFamilyName(kViewerFamily, nullptr)), L"", 0, ""},
        {{}, CALL(l.GetPackageInstalledPathByFullName(kViewerFullName, kInvalid)), L"", 0, ""},
        {{}, CALL(l.GetPackageInstalledPathByFullName(kViewerFullName, User(l))), kViewerFolder, 1, "try"},
        {{}, CALL(l.GetPackageInstalledPathByFullName(kViewerFullName)), L"", 0, "pathsize"},
        {Fail("GetPackagePathByFullName", 2), CALL(l.GetPackageInstalledPathByFullName(kViewerFullName, User(l))), L"",
         1, "try path"},
        {{}, CALL(Origin(l, kViewerFamily)), L"3 281483566841860", 1, "try found version", {L"-1 0", L"3 0"}},
        {kNobody, CALL(Origin(l, kViewerFamily)), L"-1 0", 0, "try nosession"},
        // Each failing step of the origin and version keeps what was reached. A resource
        // package lists no record under the query's filter: its size query succeeds.
        {Fail("GetStagedPackageOrigin", 1), CALL(Origin(l, kViewerFamily)), L"-1 0", 1, "try found origin unknown"},
        {Fail("OpenPackageInfoByFullName", 1), CALL(Origin(l, kViewerFamily)), L"3 0", 1, "try found open store"},
        {Family({ViewerPackage(PACKAGE_PROPERTY_RESOURCE)}), CALL(OriginOf(l)), L"3 0", 1, "try count store"},
        {Fail("GetPackageInfo", 1), CALL(Origin(l, kViewerFamily)), L"3 0", 1, "try found count2 store"},
        {Fail("GetPackageInfo", 2), CALL(Origin(l, kViewerFamily)), L"3 0", 1, "try found info store"},
        // Processes in the user's session. An alias is a file name in the alias folder.
        {{}, CALL(Text(l.Run(kViewerAlias, kViewerFamily, L"-x"))), run, 3, "try try try found try", {L"0"}},
        {{}, CALL(Text(l.Run(kViewerAlias, L"", L"-x")) + Text(l.Run(L"", kViewerFamily, L"-x"))), L"00", 0, ""},
        {{}, CALL(Text(l.Run(kViewerAlias, kMissing, L""))), L"0", 3, "try try try size0"},
        {kNobody, CALL(Text(l.Run(kViewerAlias, kViewerFamily, L""))), L"0", 0,
         "try nosession try nosession try nosession imp imp"},
        {{}, CALL(Alias(l, kViewerAlias)), kAliasPath + L"|1" + Started(kAliasPath, kAliasPath, kViewerFolder), 4,
         "try try try try found try"},
        {{}, CALL(Alias(l, L"..\\..\\evil.exe") + Alias(l, L"../../evil.exe") + Alias(l, L"..") + Alias(l, kTool)),
         L"|0|0|0|0", 8, "try try found try try found try try found try try found"},
        {{}, CALL(Exe(l, kTool, L"", kLongest)), L"1 pid" + Started(kTool, kLongest, L""), 0, "try try"},
        {{}, CALL(Exe(l, kTool, L"", kLongest + L"a")), L"0", 0, "try try"},
        {{}, CALL(Text(l.RunExeAsUser(kTool, L"", nullptr, L"")) + Text(l.RunExeAsUser(kTool, L"", kInvalid, L""))),
         L"00", 0, "try try"},
        {{}, CALL(Exe(l, kTool, L"C:\\Tools", L"")), L"1 pid" + Started(kTool, kTool, L"C:\\Tools"), 0, "try try"},
        {{}, CALL(Exe(l, kTool, L"C:\\Tools", L"tool --pipe", 2)),
         L"1 pid" + Started(kTool, L"tool --pipe", L"C:\\Tools", 2), 0, "try try", {L"0"}},
        {[] { winsim::AddFile(L"C:\\Orlent\\app.exe"); }, CALL(Exe(l, L"", L"", L"C:\\Orlent\\app.exe -q")),
         L"1 pid" + Started(L"C:\\Orlent\\app.exe", L"C:\\Orlent\\app.exe -q", L""), 0, "try try"},
        {{}, CALL(Exe(l, L"C:\\Tools\\missing.exe", L"", L"", 1)), L"0", 0, "try try create"},
    };
    for (size_t index = 0; index < std::size(rows); ++index) {
        const auto& row = rows[index];
        SCOPED_TRACE("row " + std::to_string(index + 1));
        Prepare(row.arrange);
        const unsigned before = winsim::SweepCallCount();
        std::wstring outcome = Outcome(row.call);
        const unsigned calls = winsim::SweepCallCount() - before;
        if (!winsim::ThreadsStillImpersonating().empty() && RevertToSelf()) outcome += L" (impersonating)";
        EXPECT_EQ(outcome, row.outcome);
        EXPECT_EQ(PairedImpersonations(), row.impersonations);
        EXPECT_EQ(Describe(TakeLog()), Describe(Log(row.log)));
        ExpectReleased();
        for (unsigned nth = 1; !row.failures.empty() && nth <= calls; ++nth) {
            SCOPED_TRACE("platform call " + std::to_string(nth) + " fails");
            Prepare(row.arrange);
            winsim::FailNthPlatformCall(nth, ERROR_ACCESS_DENIED);
            outcome = Outcome(row.call);
            EXPECT_TRUE(outcome == row.outcome || std::ranges::count(row.failures, outcome)) << outcome;
            EXPECT_EQ(winsim::FaultsInjected(), 1u);
            ExpectReleased();
        }
    }
}

}  // namespace
