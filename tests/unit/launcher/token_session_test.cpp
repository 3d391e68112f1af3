#include <gtest/gtest.h>

#include "server/launcher.h"
#include "tests/support/launcher_inspector.h"
#include "tests/support/launcher_machine.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Logging::LogManager;
using Qv::Vantix::Server::Services::Launcher;
using Qv::Vantix::Server::Services::LauncherInspector;
using namespace vistane_test;

const std::wstring kAttempting = L"Attempting to impersonate logged in user.";
const std::wstring kNoSession =
    L"Problem while detecting active console session ID. This could be caused if the business logic ran while the "
    L"user was not logged in.";
const std::wstring kNoUserToken = L"Problem while querying user's access token.";
const std::wstring kDuplicationFailed = L"Problem while duplicating the user's access token.";
const std::wstring kDependencies =
    L"Problem in GetUserTokenForCurrentUser. Dependencies is not available in this platform.";
const std::wstring kImpersonationFailed = L"Problem while impersonating logged in user.";
const std::wstring kExpansionFailed = L"Problem while expanding path.";
const std::wstring kSessionContract = L"ext-ms-win-session-wtsapi32-l1-1-0";

class LauncherTokenTest : public SimTest {
protected:
    void TearDown() override {
        std::string problem;
        EXPECT_TRUE(EveryImpersonationReverted(&problem)) << problem;
        SimTest::TearDown();
    }
    Launcher launcher;
};

TEST_F(LauncherTokenTest, ConstructionSetsTheAliasFolderAndFallsBackToTheProviderLogger) {
    EXPECT_EQ(LauncherInspector::AliasFolder(launcher), L"%userprofile%\\AppData\\Local\\Microsoft\\WindowsApps\\");
    EXPECT_EQ(LauncherInspector::Logger(launcher), LogManager::GetLogger());
    EXPECT_EQ(LauncherInspector::LongestCommandLine(), 32767u);

    LogManager::SetGetLoggerFailure(true);
    Launcher recovered;
    LogManager::SetGetLoggerFailure(false);
    ASSERT_NE(LauncherInspector::Logger(recovered), nullptr);
    EXPECT_STREQ(LogManager::ProviderName(), "Qv-Vantix-SystemInformation");

    Launcher copy(recovered);
    EXPECT_EQ(LauncherInspector::Logger(copy), LauncherInspector::Logger(recovered)) << "a copy shares the logger";
    EXPECT_EQ(LauncherInspector::AliasFolder(copy), LauncherInspector::AliasFolder(recovered));
    EXPECT_NO_LOG();
}

TEST_F(LauncherTokenTest, TheConsoleUsersTokenIsDuplicatedAsAskedAndTheQueriedTokenClosed) {
    for (TOKEN_TYPE type : {TokenImpersonation, TokenPrimary}) {
        auto token = launcher.GetUserTokenForCurrentUser(type);
        ASSERT_NE(token.get(), nullptr);
        ASSERT_NE(token.get(), INVALID_HANDLE_VALUE);
        const auto facts = winsim::InspectToken(token.get());
        EXPECT_EQ(facts.user, L"user1");
        EXPECT_EQ(facts.type, type);
        EXPECT_EQ(winsim::LedgerReport(), "token=1") << "only the duplicate stays open";
        EXPECT_LOG(Info(kAttempting));
        auto copy = token;
        token.reset();
        EXPECT_EQ(winsim::LedgerReport(), "token=1") << "the last copy closes the token";
    }
    EXPECT_LEDGER_BALANCED();

    const auto asked = winsim::TokenDuplications();
    ASSERT_EQ(asked.size(), 2u);
    for (const auto& duplication : asked) {
        EXPECT_EQ(duplication.desiredAccess, MAXIMUM_ALLOWED);
        EXPECT_TRUE(duplication.hasAttributes);
        EXPECT_EQ(duplication.attributesLength, 24u);
        EXPECT_FALSE(duplication.hasSecurityDescriptor);
        EXPECT_EQ(duplication.inheritHandle, FALSE);
        EXPECT_EQ(duplication.level, SecurityImpersonation);
    }
    EXPECT_EQ(asked[0].type, TokenImpersonation);
    EXPECT_EQ(asked[1].type, TokenPrimary);
}

TEST_F(LauncherTokenTest, NobodyAtTheConsoleGivesAnEmptyHolderAndNoRealSession) {
    winsim::SetNobodyAtConsole();
    auto token = launcher.GetUserTokenForCurrentUser(TokenImpersonation);
    EXPECT_EQ(token.get(), nullptr);
    EXPECT_EQ(token.use_count(), 0) << "an empty holder, not a holder of null";
    EXPECT_LOG(Info(kAttempting), Warning(kNoSession));
    EXPECT_EQ(winsim::CallCount("WTSQueryUserToken"), 0u);

    std::wstring profile = L"left from before";
    EXPECT_FALSE(launcher.IsRealUserSession(profile));
    EXPECT_EQ(profile, L"") << "the reference is written whatever the verdict";
    EXPECT_LOG(Info(kAttempting), Warning(kNoSession), Warning(kImpersonationFailed));
    EXPECT_EQ(ImpersonationCount(), 0u);
}

TEST_F(LauncherTokenTest, AMissingUserTokenGivesAnEmptyHolder) {
    struct Case {
        const char* name;
        void (*arrange)();
    };
    const Case cases[] = {
        {"console session nobody logged on to", [] { winsim::SetConsoleSessionWithoutUser(1); }},
        {"query refused", [] { winsim::FailCall("WTSQueryUserToken", 0, ERROR_PRIVILEGE_NOT_HELD); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Reset();
        c.arrange();
        auto token = launcher.GetUserTokenForCurrentUser(TokenPrimary);
        EXPECT_EQ(token.get(), nullptr);
        EXPECT_LOG(Info(kAttempting), Warning(kNoUserToken));
        EXPECT_EQ(winsim::CallCount("DuplicateTokenEx"), 0u);
        EXPECT_LEDGER_BALANCED();
    }
}

TEST_F(LauncherTokenTest, FailedDuplicationGivesAHolderOfInvalidHandleAndClosesTheUserToken) {
    winsim::FailCall("DuplicateTokenEx", 1, ERROR_ACCESS_DENIED);
    auto token = launcher.GetUserTokenForCurrentUser(TokenImpersonation);
    EXPECT_EQ(token.get(), INVALID_HANDLE_VALUE);
    EXPECT_LOG(Info(kAttempting), Warning(kDuplicationFailed));
    EXPECT_LEDGER_BALANCED() << "the queried user token is closed even though the holder lives";

    EXPECT_EQ(launcher.GetPathExpandedImpersonatedAsCurrentUser(L"%userprofile%", token), L"");
    EXPECT_LOG(Warning(kImpersonationFailed));
    EXPECT_EQ(ImpersonationCount(), 0u);
}

TEST_F(LauncherTokenTest, EachHolderStateIsTreatedAsItsCallersExpect) {
    struct Case {
        const char* state;
        void (*arrange)();
        std::vector<LogRecord> fetchLog;  // one token fetch
        bool usable;
    };
    const Case cases[] = {
        {"empty", [] { winsim::SetNobodyAtConsole(); }, {Info(kAttempting), Warning(kNoSession)}, false},
        {"invalid handle", [] { winsim::FailCall("DuplicateTokenEx", 0, ERROR_ACCESS_DENIED); },
         {Info(kAttempting), Warning(kDuplicationFailed)}, false},
        {"token", [] {}, {Info(kAttempting)}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        winsim::Reset();
        InstallViewer();
        c.arrange();
        const bool empty = std::string(c.state) == "empty";

        // The alias path: an invalid handle is caught by the caller's test, an empty
        // holder only by the impersonation that follows.
        std::vector<LogRecord> expected = c.fetchLog;
        if (empty) expected.push_back(Warning(kImpersonationFailed));
        EXPECT_EQ(launcher.GetAbsolutePathForUWPAlias(kViewerAlias), c.usable ? kAliasFolder + kViewerAlias : L"");
        EXPECT_EQ(Describe(TakeLog()), Describe(expected));

        // Process creation refuses both kinds of missing token.
        auto primary = launcher.GetUserTokenForCurrentUser(TokenPrimary);
        TakeLog();
        unsigned long pid = 0;
        EXPECT_EQ(launcher.RunExeAsUser(kViewerFolder + L"\\Viewer.exe", L"", primary, L"", pid, {}), c.usable);
        EXPECT_LOG(Info(kAttempting));
        EXPECT_EQ(winsim::StartedProcesses().size(), c.usable ? 1u : 0u);
        primary.reset();
        EXPECT_LEDGER_BALANCED();
    }
}

TEST_F(LauncherTokenTest, AnAbsentApiSetStopsBeforeTheSessionIsAsked) {
    struct Case {
        const char* name;
        void (*arrange)();
    };
    const Case cases[] = {
        {"not in the schema", [] { winsim::SetApiSet(L"ext-ms-win-session-wtsapi32-l1-1-0", winsim::ApiSetState::NotInSchema); }},
        {"no host", [] { winsim::SetApiSet(L"ext-ms-win-session-wtsapi32-l1-1-0", winsim::ApiSetState::NoHost); }},
        {"query fails", [] { winsim::FailCall("ApiSetQueryApiSetPresenceEx", 0, ERROR_INVALID_PARAMETER); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Reset();
        c.arrange();
        auto token = launcher.GetUserTokenForCurrentUser(TokenImpersonation);
        EXPECT_EQ(token.get(), nullptr);
        EXPECT_LOG(Error(kDependencies));
        EXPECT_EQ(winsim::CallCount("WTSGetActiveConsoleSessionId"), 0u);
        EXPECT_EQ(winsim::CallCount("ApiSetQueryApiSetPresenceEx"), 1u) << "the extended entry is preferred";
        EXPECT_EQ(winsim::CallCount("ApiSetQueryApiSetPresence"), 0u);
    }
}

TEST_F(LauncherTokenTest, BeforeWindows10TheApiSetCountsAsPresent) {
    winsim::SetWindowsVersion(6, 3, 9600);
    winsim::SetApiSet(kSessionContract, winsim::ApiSetState::NotInSchema);
    auto token = launcher.GetUserTokenForCurrentUser(TokenImpersonation);
    ASSERT_NE(token.get(), nullptr);
    EXPECT_NE(token.get(), INVALID_HANDLE_VALUE);
    EXPECT_LOG(Info(kAttempting));
    EXPECT_EQ(winsim::CallCount("ApiSetQueryApiSetPresenceEx"), 0u) << "no schema query before Windows 10";
}

TEST_F(LauncherTokenTest, ProfilesOfNoRealUserAreRecognisedAsWindowsWritesThem) {
    struct Case {
        std::wstring profile;
        bool realUser;
    };
    const Case cases[] = {
        {L"C:\\Windows\\system32\\config\\systemprofile", false},
        {L"C:\\Users\\Default\\", false},
        {L"C:\\Users\\defaultuser0", false},
        {L"C:\\Users\\user1", true},
        // The marks match letter case exactly: other spellings are not rejected.
        {L"C:\\WINDOWS\\System32\\config\\systemprofile", true},
        {L"C:\\Users\\DEFAULT\\", true},
        {L"C:\\Users\\DefaultUser0", true},
        {L"C:\\Users\\Defaulted", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.profile.begin(), c.profile.end()));
        winsim::SetUserProfile(L"user1", c.profile);
        std::wstring stored;
        EXPECT_EQ(launcher.IsRealUserSession(stored), c.realUser);
        EXPECT_EQ(stored, c.profile);
        EXPECT_LOG(Info(kAttempting));
        EXPECT_LEDGER_BALANCED();
    }
    EXPECT_EQ(ImpersonationCount(), std::size(cases));
}

TEST_F(LauncherTokenTest, ExpansionUsesTheUsersEnvironmentAndFailsBeyondMaxPath) {
    auto token = launcher.GetUserTokenForCurrentUser(TokenImpersonation);
    TakeLog();
    EXPECT_EQ(launcher.GetPathExpandedImpersonatedAsCurrentUser(L"%userprofile%\\Documents", token),
              L"C:\\Users\\user1\\Documents");

    // 259 characters and the terminator fill the 260-character buffer; one more does not fit.
    winsim::SetUserEnvironmentVariable(L"user1", L"LONGDIR", L"C:\\" + std::wstring(256, L'd'));
    EXPECT_EQ(launcher.GetPathExpandedImpersonatedAsCurrentUser(L"%LONGDIR%", token).size(), 259u);
    EXPECT_NO_LOG();
    EXPECT_EQ(launcher.GetPathExpandedImpersonatedAsCurrentUser(L"%LONGDIR%x", token), L"");
    EXPECT_LOG(Warning(kExpansionFailed));
    EXPECT_EQ(ImpersonationCount(), 3u);
    EXPECT_EQ(winsim::ThreadsStillImpersonating().size(), 0u);
}

TEST_F(LauncherTokenTest, AFailedRevertIsLoggedAndTheResultKept) {
    auto token = launcher.GetUserTokenForCurrentUser(TokenImpersonation);
    TakeLog();
    winsim::FailCall("RevertToSelf", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(launcher.GetPathExpandedImpersonatedAsCurrentUser(L"%userprofile%", token), L"C:\\Users\\user1");
    EXPECT_LOG(Error(L"Problem while reverting the impersonation."));
    EXPECT_EQ(winsim::ThreadsStillImpersonating().size(), 1u) << "Windows left the thread impersonating";
    EXPECT_EQ(RevertToSelf(), TRUE);
}

}  // namespace
