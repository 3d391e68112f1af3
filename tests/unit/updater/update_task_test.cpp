#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <latch>
#include <system_error>

#include "logging/log_manager.h"
#include "service/vistane/setup_program.h"
#include "service/vistane/vistane_service.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Logging::LogManager;
using Qv::Vantix::Server::Services::Vistane::SetupPathFromHostPath;
using vistane_test::Error;
using vistane_test::Info;
using vistane_test::LogRecord;
using Log = std::vector<LogRecord>;

const std::wstring kSetup = L"C:\\Program Files\\Orlent Works\\Host\\QVVSSetup.exe";
const std::wstring kCompanion = L"C:\\Program Files\\Orlent Works\\QV Vistane Service\\VistaneService.exe";
const LogRecord kGoesOn = Info(L"StartUpTask vistane services.");
const Log kCompanionOld = {Info(L"StartUpTask QVVS services."), Info(L"Upgrade QVVS: version out of date"), kGoesOn};

Log Join(Log first, const Log& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}
Log Old(const Log& rest) { return Join(kCompanionOld, rest); }
LogRecord FailedToCreate(int error) {
    return vistane_test::Warning(L"Failed to create QVVSSetup.exe. The error code is " + std::to_wstring(error));
}
// What the trust check says of the setup: no catalog holds it, its signer, and (for the
// pinned one) the allowed folders it is compared with.
const Log kNotCatalogued = {
    Info(L"Security - GetSecurityCatalogInfo - File = " + kSetup),
    Error(L"Security - GetSecurityCatalogInfo - Failed during CryptCATAdminEnumCatalogFromHash. Error Code = 1168")};
Log Signer(const std::wstring& subject, const wchar_t* pinned) {
    return Join(kNotCatalogued, {Info(L"Subject = C=US\r\n" + subject),
                                 Info(L"Security - IsFileTrusted - trusted by windows = yes, trusted by Meridel = " +
                                      std::wstring(pinned))});
}
Log NotBelow(const wchar_t* variable, const std::wstring& folder) {
    return {Info(std::wstring(L"ExpandEnvironmentStrings: [") + variable + L"] [" + folder + L"]"),
            Info(L"GetFullPathName: [" + folder + L"]"),
            Error(L"Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed - BeginsWith() failed [" + kSetup + L"] [" +
                  folder + L"]")};
}
const Log kSetupTrusted =
    Join(Join(Join(Signer(L"S=Oregon\r\nL=Portland\r\nO=Orlent Works\r\nCN=Orlent Works Test Signer", L"yes"),
                   {Info(L"ExpandEnvironmentStrings: [" + kSetup + L"] [" + kSetup + L"]"),
                    Info(L"GetFullPathName: [" + kSetup + L"]")}),
              Join(NotBelow(L"%windir%\\", L"C:\\Windows\\"), NotBelow(L"%PROGRAMFILES(x86)%\\", L"C:\\Program Files (x86)\\"))),
         {Info(L"ExpandEnvironmentStrings: [%PROGRAMFILES%\\] [C:\\Program Files\\]"),
          Info(L"GetFullPathName: [C:\\Program Files\\]")});

void PlaceSetup(const std::wstring& path, const char* certificate) {
    winsim::AddFile(path, "MZ QVVSSetup");
    winsim::TrustRoot(winsim::LoadCertificate("test-root"));
    winsim::SignFile(path, winsim::SignatureSpec{winsim::LoadCertificate(certificate)});
}
void PinnedSetup() { PlaceSetup(kSetup, "pinned-2048-a"); }

struct TaskRow {
    const char* what;
    std::uint32_t event;
    std::function<void()> machine;
    Log log;
    bool started;
};

class UpdateTaskTest : public vistane_test::SimTest {
protected:
    void TearDown() override {
        EXPECT_TRUE(winsim::WaitForModuleReferences(0)) << "an update task is still running";
        LogManager::SetGetLoggerFailure(false);
        SimTest::TearDown();
    }
    void Deliver(std::uint32_t eventType) { service_.OnSessionChange(eventType, nullptr, nullptr); }
    void ExpectLog(const Log& expected) { EXPECT_EQ(vistane_test::Describe(TakeLog()), vistane_test::Describe(expected)); }

    // Delivers the event and waits for its task to end (a task holds the module until then).
    void Check(const TaskRow& row) {
        SCOPED_TRACE(row.what);
        winsim::Reset();
        winsim::AddFile(kCompanion, "MZ", winsim::FileVersion{5, 2, 59, 9999});
        row.machine();
        Deliver(row.event);
        ASSERT_TRUE(winsim::WaitForModuleReferences(0));
        EXPECT_EQ(winsim::Sleeps(), std::vector<DWORD>{60000});
        const auto calls = winsim::CallLog();
        EXPECT_LT(std::find(calls.begin(), calls.end(), "Sleep"),
                  std::find(calls.begin(), calls.end(), "ExpandEnvironmentStringsW"))
            << "the companion is looked at only after the delay";
        const auto started = winsim::StartedProcesses();
        ASSERT_EQ(started.size(), row.started ? 1u : 0u);
        if (row.started) {
            const auto& setup = started[0];  // the verified file is named, not looked for
            EXPECT_EQ(std::tuple(setup.api, setup.program, setup.applicationName, setup.commandLine, setup.user),
                      std::tuple("CreateProcessW", kSetup, kSetup,
                                 L"\"" + kSetup + L"\" /S /v\" Reboot=ReallySupress /qn\"", L"SYSTEM"));
            EXPECT_EQ(std::tuple(setup.currentDirectory, setup.inheritHandles, setup.creationFlags, setup.hasEnvironment,
                                 setup.startupInfoSize),
                      std::tuple(L"", FALSE, 0u, false, static_cast<DWORD>(sizeof(STARTUPINFOW))));
            EXPECT_EQ(winsim::CallCount("WaitForSingleObject"), 1u) << "the task waits for the setup";
        }
        ExpectLog(row.log);
        EXPECT_LEDGER_BALANCED();
    }

    Qv::Vantix::Server::Services::Vistane::VistaneService service_;
};

TEST_F(UpdateTaskTest, OnLogonAndUnlockATaskWaitsAMinuteAndRunsOnlyATrustedSetup) {
    const Log noHostPath = {Error(L"Security - IsFileTrusted - Refused []: not a path on a local drive"),
                            FailedToCreate(ERROR_INVALID_NAME)};
    const TaskRow rows[] = {
        {"unlock; a program planted where the unquoted path leads", 8, [] {
             PinnedSetup();
             winsim::AddFile(L"C:\\Program.exe", "MZ planted");
         }, Old(kSetupTrusted), true},
        {"current companion", 8, [] {
             PinnedSetup();
             winsim::AddFile(kCompanion, "MZ", winsim::FileVersion{5, 2, 60, 0});
         }, {Info(L"StartUpTask QVVS services."), Info(L"QVVS is up to date")}, false},
        {"unpinned", 8, [] { PlaceSetup(kSetup, "unpinned-2048"); },
         Old(Join(Signer(L"O=Somebody Else\r\nCN=Somebody Else Signer", L"no"), {FailedToCreate(1168)})), false},
        {"missing", 5, [] {}, Old({kNotCatalogued[0], FailedToCreate(ERROR_FILE_NOT_FOUND)}), false},
        {"no host path, a trusted setup where a bare name leads", 5, [] {
             PlaceSetup(L"C:\\Windows\\system32\\QVVSSetup.exe", "pinned-2048-a");
             winsim::FailCall("GetModuleFileNameW", 1, ERROR_NOT_ENOUGH_MEMORY);
         }, Old(noHostPath), false},
        {"host path cut to the buffer", 5,
         [] { winsim::SetHostExecutablePath(L"C:\\" + std::wstring(300, L'x') + L"\\PluginHost.exe"); }, Old(noHostPath), false},
        {"the setup cannot be held", 5, [] {
             PinnedSetup();
             winsim::FailCall("CreateFileW", 1, ERROR_SHARING_VIOLATION);
         }, Old(Join(kSetupTrusted, {FailedToCreate(ERROR_SHARING_VIOLATION)})), false},
        {"the setup cannot be started", 5, [] {
             PinnedSetup();
             winsim::FailCall("CreateProcessW", 1, ERROR_ACCESS_DENIED);
         }, Old(Join(kSetupTrusted, {FailedToCreate(ERROR_ACCESS_DENIED)})), false},
        {"the logger is lost inside the task: its narrow error line", 5, [] {
             PinnedSetup();
             winsim::BeforeCall("GetModuleFileNameW", 1, [] { LogManager::SetGetLoggerFailure(true); });
         }, Old({Error(L"Logging provider is not registered.")}), false},
    };
    for (const TaskRow& row : rows) Check(row);
    // No logger at all: the task ends quietly before its delay, and lets the module go.
    Deliver(5);
    ASSERT_TRUE(winsim::WaitForModuleReferences(0));
    EXPECT_EQ(winsim::Sleeps(), std::vector<DWORD>{60000});
    EXPECT_EQ(winsim::CallCount("FreeLibraryAndExitThread"), 2u);
    ExpectLog({});
}

TEST_F(UpdateTaskTest, OtherSessionEventsStartNothing) {
    for (std::uint32_t eventType : {0u, 1u, 2u, 3u, 4u, 6u, 7u, 9u, 10u, 0xFFFFFFFFu}) Deliver(eventType);
    EXPECT_EQ(winsim::ModuleReferences(), 0);
    EXPECT_TRUE(winsim::CallLog().empty()) << "no task, so no platform call";
    ExpectLog({});
}

// The rule counts characters only: another host name length leaves a wrong path, which
// the trust check then refuses.
TEST(SetupProgram, PathReplacesTheLastFourteenCharactersOfTheHostPath) {
    EXPECT_EQ(SetupPathFromHostPath(L"C:\\Host\\svchost.exe"), L"C:\\HoQVVSSetup.exe");
    EXPECT_EQ(SetupPathFromHostPath(L"PluginHost.exe"), L"QVVSSetup.exe");
    EXPECT_EQ(SetupPathFromHostPath(L"C:\\H\\Host.exe"), L"C:\\H\\Host.exeQVVSSetup.exe");
}

// A logon and an unlock within the minute: two tasks at once, each holding the module
// and its setup's process (not its file) while the setup runs, each letting go at its end.
TEST_F(UpdateTaskTest, TwoTasksRunSideBySideAndEachReleasesItsModuleLast) {
    winsim::AddFile(kCompanion, "MZ", winsim::FileVersion{5, 2, 59, 0});
    PinnedSetup();
    winsim::SetProgramBehaviour(kSetup, {nullptr, true, 0});  // the setups run until ended below
    std::latch waiting(2);
    for (int task = 0; task < 2; ++task) winsim::BeforeCall("WaitForSingleObject", 1, [&] { waiting.count_down(); });
    Deliver(5);
    Deliver(8);
    waiting.wait();
    EXPECT_EQ(winsim::OpenResources(), (std::map<std::string, long>{{"module reference", 2}, {"process", 2}, {"thread", 2}}));
    for (const auto& started : winsim::StartedProcesses()) EXPECT_TRUE(winsim::EndProcess(started.pid));
    ASSERT_TRUE(winsim::WaitForModuleReferences(0));
    EXPECT_EQ(winsim::Sleeps(), (std::vector<DWORD>{60000, 60000}));
    EXPECT_EQ(winsim::CallCount("FreeLibrary"), 0u);
    EXPECT_EQ(winsim::CallLog().back(), "FreeLibraryAndExitThread") << "releasing the module is a task's last act";
    // Every line is written before the module is let go; the two tasks' lines interleave.
    Log expected = Join(Join(kCompanionOld, kSetupTrusted), Join(kCompanionOld, kSetupTrusted)), actual = TakeLog();
    const auto byText = [](const LogRecord& a, const LogRecord& b) { return a.text < b.text; };
    std::stable_sort(actual.begin(), actual.end(), byText);
    std::stable_sort(expected.begin(), expected.end(), byText);
    EXPECT_EQ(vistane_test::Describe(actual), vistane_test::Describe(expected));
}

// Without a module reference or a thread no task starts: the host sees the error of a
// thread that cannot be created, and the reference taken is given back.
TEST_F(UpdateTaskTest, WithoutAModuleReferenceOrAThreadNoTaskIsStarted) {
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"GetModuleHandleExW", {"GetModuleHandleExW"}},
        {"CreateThread", {"GetModuleHandleExW", "CreateThread", "FreeLibrary"}},
    };
    for (const auto& [api, calls] : rows) {
        winsim::Reset();
        winsim::FailCall(api, 1, ERROR_NOT_ENOUGH_MEMORY);
        try {
            Deliver(5);
            ADD_FAILURE() << "the event must fail as a thread that cannot be created";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code(), std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        EXPECT_EQ(winsim::CallLog(), calls) << "no task ran";
        EXPECT_LEDGER_BALANCED();
        ExpectLog({});
    }
}

}  // namespace
