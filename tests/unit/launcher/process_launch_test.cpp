#include <gtest/gtest.h>

#include "server/launcher.h"
#include "tests/support/launcher_inspector.h"
#include "tests/support/launcher_machine.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Server::Services::Launcher;
using Qv::Vantix::Server::Services::LauncherInspector;
using namespace vistane_test;

const std::wstring kAttempting = L"Attempting to impersonate logged in user.";
const std::wstring kViewerFound = L"Found package's full name for " + kViewerFamily + L": " + kViewerFullName;
const std::wstring kTool = L"C:\\Tools\\tool.exe";
constexpr DWORD kExpectedFlags = 0x00080430;

class LauncherProcessTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        winsim::AddFile(kTool, "MZ");
        // The lookup lock must be free whenever a process is being created.
        winsim::SetProcessCreationObserver([this] { lockFreeDuringCreation.push_back(LauncherInspector::LookupLockIsFree()); });
    }
    void TearDown() override {
        winsim::SetProcessCreationObserver(nullptr);
        for (bool free : lockFreeDuringCreation) EXPECT_TRUE(free) << "rLock held while creating a process";
        std::string problem;
        EXPECT_TRUE(EveryImpersonationReverted(&problem)) << problem;
        SimTest::TearDown();
    }
    std::shared_ptr<void> PrimaryToken() {
        auto token = launcher.GetUserTokenForCurrentUser(TokenPrimary);
        TakeLog();
        return token;
    }
    Launcher launcher;
    std::vector<bool> lockFreeDuringCreation;
};

TEST_F(LauncherProcessTest, RunStartsTheAliasWithItsArgumentsInThePackageFolder) {
    InstallViewer();
    EXPECT_TRUE(launcher.Run(kViewerAlias, kViewerFamily, L"-x"));
    EXPECT_LOG(Info(kAttempting), Info(kAttempting), Info(kAttempting), Info(kViewerFound), Info(kAttempting));

    const auto created = winsim::ProcessesCreatedAsUser();
    ASSERT_EQ(created.size(), 1u);
    const auto& started = created[0].process;
    EXPECT_EQ(started.user, L"user1");
    EXPECT_EQ(started.applicationName, kAliasFolder + kViewerAlias);
    EXPECT_EQ(started.commandLine, L"viewer.exe -x") << "the alias as passed, a space, the arguments";
    EXPECT_EQ(started.currentDirectory, kViewerFolder);
    EXPECT_EQ(started.inheritHandles, FALSE);
    EXPECT_EQ(started.creationFlags, kExpectedFlags);
    EXPECT_EQ(started.startupInfoSize, 112u);
    EXPECT_TRUE(started.hasEnvironment);
    EXPECT_EQ(created[0].tokenType, TokenPrimary);
    EXPECT_FALSE(created[0].attributeListAttached);
    EXPECT_EQ(created[0].environment.at(L"USERPROFILE"), L"C:\\Users\\user1") << "the user's environment";
    EXPECT_EQ(created[0].environment.at(L"USERNAME"), L"user1");
    EXPECT_EQ(lockFreeDuringCreation, std::vector<bool>{true});
    EXPECT_EQ(ImpersonationCount(), 3u);
}

TEST_F(LauncherProcessTest, RunWithoutArgumentsHandsTheExpandedAliasPathAsCommandLine) {
    InstallViewer();
    EXPECT_TRUE(launcher.Run(kViewerAlias, kViewerFamily, L""));
    TakeLog();
    const auto started = winsim::StartedProcesses();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].commandLine, kAliasFolder + kViewerAlias);
    EXPECT_EQ(started[0].applicationName, kAliasFolder + kViewerAlias);
}

TEST_F(LauncherProcessTest, RunRefusesEmptyNamesWithoutAskingForATokenOrLogging) {
    InstallViewer();
    EXPECT_FALSE(launcher.Run(kViewerAlias, L"", L"-x"));
    EXPECT_FALSE(launcher.Run(L"", kViewerFamily, L"-x"));
    EXPECT_NO_LOG();
    EXPECT_EQ(winsim::CallCount("WTSGetActiveConsoleSessionId"), 0u);
    EXPECT_TRUE(winsim::StartedProcesses().empty());
}

TEST_F(LauncherProcessTest, RunOfAFamilyNotInstalledCreatesNothing) {
    InstallViewer();
    EXPECT_FALSE(launcher.Run(kViewerAlias, L"Orlent.Missing_qv5n2x8z1k3m4", L""));
    EXPECT_LOG(Info(kAttempting), Info(kAttempting), Info(kAttempting),
               Warning(L"Problem while finding out the size of the buffer. Returned length is 0."));
    EXPECT_TRUE(winsim::StartedProcesses().empty());
}

TEST_F(LauncherProcessTest, RunWithNobodyAtTheConsoleCreatesNothing) {
    InstallViewer();
    winsim::SetNobodyAtConsole();
    EXPECT_FALSE(launcher.Run(kViewerAlias, kViewerFamily, L""));
    const std::wstring noSession =
        L"Problem while detecting active console session ID. This could be caused if the business logic ran while "
        L"the user was not logged in.";
    EXPECT_LOG(Info(kAttempting), Warning(noSession), Info(kAttempting), Warning(noSession), Info(kAttempting),
               Warning(noSession), Warning(L"Problem while impersonating logged in user."),
               Warning(L"Problem while impersonating logged in user."));
    EXPECT_TRUE(winsim::StartedProcesses().empty());
}

TEST_F(LauncherProcessTest, AnAliasThatLeavesTheAliasFolderIsNoAlias) {
    InstallViewer();
    winsim::AddFile(L"C:\\Users\\user1\\AppData\\Local\\evil.exe", "MZ");
    winsim::SetUserEnvironmentVariable(L"user1", L"EVIL", L"..\\..\\evil.exe");
    for (const std::wstring alias : {L"..\\..\\evil.exe", L"../../evil.exe", L"C:\\Tools\\tool.exe", L"..", L"%EVIL%",
                                     L"viewer.exe\" -evil"}) {
        EXPECT_EQ(launcher.GetAbsolutePathForUWPAlias(alias), L"");
        EXPECT_FALSE(launcher.Run(alias, kViewerFamily, L""));
    }
    TakeLog();
    EXPECT_TRUE(winsim::StartedProcesses().empty());
    EXPECT_EQ(launcher.GetAbsolutePathForUWPAlias(kViewerAlias), kAliasFolder + kViewerAlias);
    EXPECT_LOG(Info(kAttempting));
}

TEST_F(LauncherProcessTest, CommandLinesUpToTheLimitAreAccepted) {
    auto token = PrimaryToken();
    const std::wstring prefix = kTool + L" ";
    const std::wstring longest = prefix + std::wstring(32766 - prefix.size(), L'a');
    unsigned long pid = 0;
    EXPECT_TRUE(launcher.RunExeAsUser(kTool, L"", token, longest, pid, {}));
    EXPECT_LOG(Info(kAttempting));
    EXPECT_FALSE(launcher.RunExeAsUser(kTool, L"", token, longest + L"a", pid, {}));
    EXPECT_LOG(Info(kAttempting));
    const auto started = winsim::StartedProcesses();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].commandLine.size(), 32766u);
    EXPECT_EQ(started[0].currentDirectory, L"") << "no working folder: none passed";
    EXPECT_EQ(winsim::CallCount("CreateEnvironmentBlock"), 1u) << "the long line is refused before any resource";
}

TEST_F(LauncherProcessTest, AnEmptyTokenHolderCreatesNothing) {
    unsigned long pid = 77;
    EXPECT_FALSE(launcher.RunExeAsUser(kTool, L"", std::shared_ptr<void>(), L"", pid, {}));
    EXPECT_LOG(Info(kAttempting));
    EXPECT_EQ(pid, 77u);
    EXPECT_EQ(winsim::CallCount("CreateEnvironmentBlock"), 0u);
    EXPECT_EQ(winsim::CallCount("CreateProcessAsUserW"), 0u);
}

TEST_F(LauncherProcessTest, WithoutHandlesNothingIsInheritedAndNoListIsMade) {
    auto token = PrimaryToken();
    unsigned long pid = 0;
    EXPECT_TRUE(launcher.RunExeAsUser(kTool, L"C:\\Tools", token, L"", pid, {}));
    EXPECT_LOG(Info(kAttempting));
    const auto created = winsim::ProcessesCreatedAsUser();
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(pid, created[0].process.pid);
    EXPECT_EQ(created[0].process.commandLine, kTool) << "the executable path alone";
    EXPECT_EQ(created[0].process.inheritHandles, FALSE);
    EXPECT_EQ(created[0].process.creationFlags, kExpectedFlags) << "the extended flag stays";
    EXPECT_FALSE(created[0].attributeListAttached);
    EXPECT_EQ(winsim::CallCount("HeapAlloc"), 0u);
    EXPECT_EQ(winsim::LedgerReport(), "token=1") << "process, thread and environment released";
}

TEST_F(LauncherProcessTest, TwoHandlesAreInheritedThroughAOneAttributeList) {
    auto token = PrimaryToken();
    winsim::AddFile(L"C:\\Data\\a.txt");
    winsim::AddFile(L"C:\\Data\\b.txt");
    HANDLE first = CreateFileW(L"C:\\Data\\a.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE second = CreateFileW(L"C:\\Data\\b.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    unsigned long pid = 0;
    EXPECT_TRUE(launcher.RunExeAsUser(kTool, L"C:\\Tools", token, L"\"C:\\Tools\\tool.exe\" --pipe", pid,
                                      {first, second}));
    EXPECT_LOG(Info(kAttempting));
    const auto created = winsim::ProcessesCreatedAsUser();
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].process.inheritHandles, TRUE);
    EXPECT_TRUE(created[0].attributeListAttached);
    EXPECT_EQ(created[0].attributeCapacity, 1u);
    EXPECT_EQ(created[0].attributesSet, 1u);
    EXPECT_EQ(created[0].handleListBytes, 16u);
    EXPECT_EQ(created[0].process.inheritedHandles, (std::vector<HANDLE>{first, second}));
    EXPECT_EQ(winsim::LedgerReport(), "file=2 token=1") << "list, heap block and environment released";
    CloseHandle(first);
    CloseHandle(second);
}

TEST_F(LauncherProcessTest, AFailedCreationLogsTheErrorAndLeavesTheProcessIdAlone) {
    auto token = PrimaryToken();
    winsim::AddFile(L"C:\\Data\\a.txt");
    HANDLE file = CreateFileW(L"C:\\Data\\a.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    unsigned long pid = 4242;
    EXPECT_FALSE(launcher.RunExeAsUser(L"C:\\Tools\\missing.exe", L"", token, L"", pid, {file}));
    EXPECT_LOG(Info(kAttempting), Warning(L"Problem while creating process as user 2."));
    EXPECT_EQ(pid, 4242u);
    EXPECT_TRUE(winsim::StartedProcesses().empty());
    EXPECT_EQ(winsim::LedgerReport(), "file=1 token=1");
    CloseHandle(file);
}

TEST_F(LauncherProcessTest, EachFailedPreparationStepReturnsFalseSilentlyAndReleasesWhatItGot) {
    struct Case {
        const char* api;
        unsigned nth;
    };
    const Case cases[] = {
        {"InitializeProcThreadAttributeList", 1},  // the size query reports no size
        {"HeapAlloc", 1},
        {"InitializeProcThreadAttributeList", 2},
        {"UpdateProcThreadAttribute", 1},
        {"CreateEnvironmentBlock", 1},
    };
    auto token = PrimaryToken();
    winsim::AddFile(L"C:\\Data\\a.txt");
    HANDLE file = CreateFileW(L"C:\\Data\\a.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.api) + " #" + std::to_string(c.nth));
        winsim::ClearFaults();
        winsim::ClearCallLog();
        winsim::FailCall(c.api, c.nth, ERROR_NOT_ENOUGH_MEMORY);
        unsigned long pid = 9;
        EXPECT_FALSE(launcher.RunExeAsUser(kTool, L"", token, L"", pid, {file}));
        EXPECT_LOG(Info(kAttempting));
        EXPECT_EQ(pid, 9u);
        EXPECT_EQ(winsim::CallCount("CreateProcessAsUserW"), 0u);
        EXPECT_EQ(winsim::LedgerReport(), "file=1 token=1");
    }
    CloseHandle(file);
}

TEST_F(LauncherProcessTest, TheProgramCanComeFromTheCommandLineAlone) {
    auto token = PrimaryToken();
    winsim::AddFile(L"C:\\Program Files\\Orlent\\app.exe", "MZ");
    winsim::AddFile(L"C:\\Program.exe", "MZ");
    unsigned long pid = 0;
    EXPECT_TRUE(launcher.RunExeAsUser(L"", L"", token, L"\"C:\\Program Files\\Orlent\\app.exe\" -q", pid, {}));
    EXPECT_LOG(Info(kAttempting));
    const auto started = winsim::StartedProcesses();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].applicationName, L"");
    EXPECT_EQ(started[0].program, L"C:\\Program Files\\Orlent\\app.exe");
}

TEST_F(LauncherProcessTest, AnInvalidTokenIsRefusedBeforeCreation) {
    unsigned long pid = 5;
    EXPECT_FALSE(launcher.RunExeAsUser(kTool, L"", std::shared_ptr<void>(INVALID_HANDLE_VALUE, [](void*) {}), L"",
                                       pid, {}));
    EXPECT_LOG(Info(kAttempting));
    EXPECT_EQ(pid, 5u);
    EXPECT_EQ(winsim::CallCount("CreateProcessAsUserW"), 0u);
}

}  // namespace
