#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <system_error>

#include "logging/log_manager.h"
#include "platform/win32.h"
#include "security/file_trust/authenticode_facade.h"
#include "service/vistane/vistane_service.h"
#include "tests/support/sim_test.h"
#include "tests/unit/updater_concurrency/updater_machine.h"

namespace {

using Qv::Vantix::Logging::LogManager;
using Qv::Vantix::Server::Services::Vistane::VistaneService;
using vistane_test::Error;
using vistane_test::Info;
using vistane_test::LogRecord;
using vistane_test::Warning;
using namespace updater_test;

std::vector<LogRecord> Join(std::initializer_list<std::vector<LogRecord>> parts) {
    std::vector<LogRecord> joined;
    for (const auto& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

const std::vector<LogRecord> kCompanionMissing = {
    Info(L"StartUpTask QVVS services."), Info(L"Install QVVS: QVVSINSTALLPATH was empty"),
    Info(L"QVVS is not found or version information cannot be retrieved.")};
const std::vector<LogRecord> kCompanionOld = {Info(L"StartUpTask QVVS services."),
                                              Info(L"Upgrade QVVS: version out of date")};
const std::vector<LogRecord> kCompanionCurrent = {Info(L"StartUpTask QVVS services."), Info(L"QVVS is up to date")};
const std::vector<LogRecord> kTaskGoesOn = {Info(L"StartUpTask vistane services.")};
const std::wstring kExpectedCommandLine = L"\"" + std::wstring(kSetupPath) + L"\" /S /v\" Reboot=ReallySupress /qn\"";

class UpdateTaskTest : public vistane_test::SimTest {
protected:
    void TearDown() override {
        EXPECT_TRUE(winsim::WaitForModuleReferences(0)) << "an update task is still running";
        LogManager::SetGetLoggerFailure(false);
        SimTest::TearDown();
    }

    void Deliver(std::uint32_t eventType) { service_.OnSessionChange(eventType, nullptr, nullptr); }
    // Delivers the event and waits for its task to end: a task holds the module until then.
    void DeliverAndWait(std::uint32_t eventType) {
        Deliver(eventType);
        ASSERT_TRUE(winsim::WaitForModuleReferences(0));
    }

    // What the trust check logs about `path` on this machine (the task must log exactly
    // this between its own lines) and the last error it leaves. It runs here, on the
    // test's thread; the call counts start again afterwards.
    std::vector<LogRecord> TrustCheckLog(const std::wstring& path, bool expectTrusted, DWORD* lastError = nullptr) {
        EXPECT_TRUE(TakeLog().empty());
        Qv::Vantix::Security::QvAuthenticodeFacade facade;
        EXPECT_EQ(facade.IsFileTrusted(path.c_str()), expectTrusted);
        if (lastError) *lastError = GetLastError();
        trustCheckCloses_ = winsim::CallCount("CloseHandle");
        winsim::ClearCallLog();
        EXPECT_LEDGER_BALANCED();
        return TakeLog();
    }
    static LogRecord FailedToCreate(DWORD lastError) {
        return Warning(L"Failed to create QVVSSetup.exe. The error code is " +
                       std::to_wstring(static_cast<std::int32_t>(lastError)));
    }

    void ExpectLog(const std::vector<LogRecord>& expected) {
        EXPECT_EQ(vistane_test::Describe(TakeLog()), vistane_test::Describe(expected));
    }
    // Two tasks interleave their lines: compare them without their order.
    void ExpectLogInAnyOrder(std::vector<LogRecord> expected) {
        auto actual = TakeLog();
        const auto byText = [](const LogRecord& a, const LogRecord& b) { return a.text < b.text; };
        std::stable_sort(actual.begin(), actual.end(), byText);
        std::stable_sort(expected.begin(), expected.end(), byText);
        EXPECT_EQ(vistane_test::Describe(actual), vistane_test::Describe(expected));
    }

    void ExpectSetupStartedOnce() {
        const auto started = winsim::StartedProcesses();
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].api, "CreateProcessW");
        EXPECT_EQ(started[0].program, kSetupPath);
        EXPECT_EQ(started[0].applicationName, kSetupPath);
        EXPECT_EQ(started[0].commandLine, kExpectedCommandLine);
        EXPECT_EQ(started[0].user, L"SYSTEM");
        EXPECT_EQ(started[0].currentDirectory, L"");
        EXPECT_EQ(started[0].inheritHandles, FALSE);
        EXPECT_EQ(started[0].creationFlags, 0u);
        EXPECT_FALSE(started[0].hasEnvironment);
        EXPECT_EQ(started[0].startupInfoSize, static_cast<DWORD>(sizeof(STARTUPINFOW)));
    }

    VistaneService service_;
    unsigned trustCheckCloses_ = 0;  // handles one trust check opens and closes
};

TEST_F(UpdateTaskTest, EventsOtherThanLogonAndUnlockStartNothing) {
    for (std::uint32_t eventType : {0u, 1u, 2u, 3u, 4u, 6u, 7u, 9u, 10u, 0xFFFFFFFFu}) {
        Deliver(eventType);
        EXPECT_EQ(winsim::ModuleReferences(), 0) << "event " << eventType;
    }
    EXPECT_TRUE(winsim::CallLog().empty()) << "no task, so no platform call";
    EXPECT_TRUE(winsim::Sleeps().empty());
    ExpectLog({});
}

class QualifyingEventTest : public UpdateTaskTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(QualifyingEventTest, StartsOneTaskThatRunsTheVerifiedSetupSilently) {
    PlaceSetup(kSetupPath, Signing::PinnedKey);
    const auto trustLog = TrustCheckLog(kSetupPath, true);
    ASSERT_NE(std::find(trustLog.begin(), trustLog.end(),
                        Info(L"Security - IsFileTrusted - trusted by windows = yes, trusted by Meridel = yes")),
              trustLog.end());
    DeliverAndWait(GetParam());
    EXPECT_EQ(winsim::Sleeps(), std::vector<DWORD>{60000});
    ExpectSetupStartedOnce();
    EXPECT_EQ(winsim::CallCount("WaitForSingleObject"), 1u);
    EXPECT_EQ(winsim::CallCount("FreeLibraryAndExitThread"), 1u);
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, trustLog}));
}

INSTANTIATE_TEST_SUITE_P(LogonAndUnlock, QualifyingEventTest, ::testing::Values(5u, 8u));

TEST_F(UpdateTaskTest, SleepsTheFullMinuteBeforeItsFirstCheckEvenWhenCurrent) {
    InstallCompanion({5, 2, 60, 0});
    DeliverAndWait(5);
    EXPECT_EQ(winsim::Sleeps(), std::vector<DWORD>{60000});
    EXPECT_EQ(winsim::NowMilliseconds(), 60000u);
    const auto calls = winsim::CallLog();
    const auto sleep = std::find(calls.begin(), calls.end(), "Sleep");
    const auto firstCheck = std::find(calls.begin(), calls.end(), "ExpandEnvironmentStringsW");
    ASSERT_NE(sleep, calls.end());
    EXPECT_LT(sleep, firstCheck) << "the version is checked only after the delay";
    EXPECT_EQ(winsim::CallCount("GetModuleFileNameW"), 0u);
    EXPECT_TRUE(winsim::StartedProcesses().empty());
    ExpectLog(kCompanionCurrent);
}

TEST_F(UpdateTaskTest, LogonThenUnlockWithinTheMinuteRunTwoIndependentTasks) {
    InstallCompanion({5, 2, 59, 0});
    PlaceSetup(kSetupPath, Signing::PinnedKey);
    const auto trustLog = TrustCheckLog(kSetupPath, true);
    winsim::SetProgramBehaviour(kSetupPath, {nullptr, true, 0});  // the setups run until ended below
    Deliver(5);
    Deliver(8);
    ASSERT_TRUE(winsim::WaitForStartedProcesses(2));
    EXPECT_EQ(winsim::ModuleReferences(), 2) << "both tasks are alive at once";
    for (const auto& started : winsim::StartedProcesses()) {
        EXPECT_EQ(started.commandLine, kExpectedCommandLine);
        EXPECT_TRUE(winsim::EndProcess(started.pid));
    }
    ASSERT_TRUE(winsim::WaitForModuleReferences(0));
    EXPECT_EQ(winsim::Sleeps(), (std::vector<DWORD>{60000, 60000}));
    EXPECT_EQ(winsim::CallCount("CloseHandle"), 2 * trustCheckCloses_ + 8)
        << "for each task, its thread handle, its hold on the setup, the setup's process and thread";
    ExpectLogInAnyOrder(Join({kCompanionOld, kTaskGoesOn, trustLog, kCompanionOld, kTaskGoesOn, trustLog}));
}

TEST_F(UpdateTaskTest, ALaterTaskStopsAtTheVersionTheSetupInstalled) {
    InstallCompanion({5, 2, 59, 0});
    PlaceSetup(kSetupPath, Signing::PinnedKey);
    const auto trustLog = TrustCheckLog(kSetupPath, true);
    winsim::SetProgramBehaviour(kSetupPath, {[](const winsim::StartedProcess&) { InstallCompanion({5, 2, 60, 0}); },
                                             false, 0});
    DeliverAndWait(5);
    ExpectSetupStartedOnce();
    ExpectLog(Join({kCompanionOld, kTaskGoesOn, trustLog}));

    DeliverAndWait(8);
    EXPECT_EQ(winsim::StartedProcesses().size(), 1u) << "nothing more is started";
    ExpectLog(kCompanionCurrent);
}

TEST_F(UpdateTaskTest, HostPathShorterThanFourteenCharactersKeepsItWhole) {
    winsim::SetHostExecutablePath(L"C:\\T\\Host.exe");  // 13 characters
    PlaceSetup(L"C:\\T\\Host.exeQVVSSetup.exe", Signing::PinnedKey);
    DWORD lastError = 0;
    const auto trustLog = TrustCheckLog(L"C:\\T\\Host.exeQVVSSetup.exe", false, &lastError);
    DeliverAndWait(5);
    EXPECT_TRUE(winsim::StartedProcesses().empty()) << "a folder outside the allowed ones";
    const std::vector<LogRecord> taskLog = TakeLog();
    const LogRecord asked = Info(L"GetFullPathName: [C:\\T\\Host.exeQVVSSetup.exe]");
    EXPECT_NE(std::find(taskLog.begin(), taskLog.end(), asked), taskLog.end()) << "the whole path was asked about";
    EXPECT_EQ(vistane_test::Describe(taskLog),
              vistane_test::Describe(Join({kCompanionMissing, kTaskGoesOn, trustLog, {FailedToCreate(lastError)}})));
}

class UntrustedSetupTest : public UpdateTaskTest, public ::testing::WithParamInterface<Signing> {};

TEST_P(UntrustedSetupTest, IsNeverStartedAndTheWarningCarriesTheLastError) {
    PlaceSetup(kSetupPath, GetParam());
    DWORD lastError = 0;
    const auto trustLog = TrustCheckLog(kSetupPath, false, &lastError);
    DeliverAndWait(5);
    EXPECT_EQ(winsim::CallCount("CreateProcessW"), 0u);
    EXPECT_TRUE(winsim::StartedProcesses().empty());
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, trustLog, {FailedToCreate(lastError)}}));
}

INSTANTIATE_TEST_SUITE_P(UnsignedOrUnpinned, UntrustedSetupTest, ::testing::Values(Signing::Unsigned, Signing::UnpinnedKey));

TEST_F(UpdateTaskTest, AMissingSetupIsNeverStarted) {
    DWORD lastError = 0;
    const auto trustLog = TrustCheckLog(kSetupPath, false, &lastError);
    DeliverAndWait(8);
    EXPECT_EQ(winsim::CallCount("CreateProcessW"), 0u);
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, trustLog, {FailedToCreate(lastError)}}));
}

TEST_F(UpdateTaskTest, AHostPathThatCannotBeHadWholeFailsTheTrustCheck) {
    // A trusted setup where a bare file name would lead: the host's current folder.
    PlaceSetup(L"C:\\Windows\\system32\\QVVSSetup.exe", Signing::PinnedKey);
    DWORD lastError = 0;
    const auto trustLog = TrustCheckLog(L"", false, &lastError);
    winsim::FailCall("GetModuleFileNameW", 1, ERROR_NOT_ENOUGH_MEMORY);
    DeliverAndWait(5);
    EXPECT_TRUE(winsim::StartedProcesses().empty()) << "no host path";
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, trustLog, {FailedToCreate(lastError)}}));

    winsim::SetHostExecutablePath(L"C:\\" + std::wstring(300, L'x') + L"\\PluginHost.exe");
    DeliverAndWait(8);
    EXPECT_TRUE(winsim::StartedProcesses().empty()) << "a host path cut to the buffer";
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, trustLog, {FailedToCreate(lastError)}}));
}

// The setup is held before it is verified: a setup that cannot be held, or cannot be
// started, is not run, and the warning carries that call's error.
TEST_F(UpdateTaskTest, AFailedHoldOrStartLogsTheWarningWithItsErrorAndHoldsNothing) {
    PlaceSetup(kSetupPath, Signing::PinnedKey);
    const auto trustLog = TrustCheckLog(kSetupPath, true);
    for (const auto& [api, error] : {std::pair{"CreateFileW", ERROR_SHARING_VIOLATION}, {"CreateProcessW", ERROR_ACCESS_DENIED}}) {
        SCOPED_TRACE(api);
        winsim::ClearCallLog();
        winsim::FailCall(api, 1, error);
        DeliverAndWait(5);
        winsim::ClearFaults();
        EXPECT_TRUE(winsim::StartedProcesses().empty());
        EXPECT_EQ(winsim::CallCount("WaitForSingleObject"), 0u);
        EXPECT_EQ(winsim::CallCount("CloseHandle"), trustCheckCloses_ + (std::string(api) == "CreateFileW" ? 1 : 2))
            << "the thread handle and the hold, when there was one; no process handle";
        ExpectLog(Join({kCompanionMissing, kTaskGoesOn, trustLog, {FailedToCreate(error)}}));
    }
}

// Loses the logging provider as soon as the task announces itself, so the next part
// that asks for a logger (the trust check) throws inside the task.
class ProviderLossSink : public Qv::Vantix::Logging::MemorySink {
public:
    void Write(const LogRecord& record) override {
        if (record.text == L"StartUpTask vistane services.") LogManager::SetGetLoggerFailure(true);
        MemorySink::Write(record);
    }
};

TEST_F(UpdateTaskTest, AnExceptionInsideTheTaskEndsItWithTheNarrowErrorLine) {
    sink_ = std::make_shared<ProviderLossSink>();
    LogManager::SetSink(sink_);
    PlaceSetup(kSetupPath, Signing::PinnedKey);
    DeliverAndWait(5);
    EXPECT_TRUE(winsim::StartedProcesses().empty());
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, {Error(L"Logging provider is not registered.")}}));
}

TEST_F(UpdateTaskTest, ALoggerThatCannotBeHadEndsTheTaskQuietlyWithoutHarmToTheHost) {
    LogManager::SetGetLoggerFailure(true);
    DeliverAndWait(5);
    EXPECT_TRUE(winsim::Sleeps().empty()) << "the task ends before its delay";
    EXPECT_EQ(winsim::CallCount("FreeLibraryAndExitThread"), 1u);
    ExpectLog({});
}

TEST_F(UpdateTaskTest, HostFolderWithSpacesRunsExactlyTheVerifiedFile) {
    // A program planted where the unquoted path's first prefix points.
    winsim::AddFile(L"C:\\Program.exe", "MZ planted");
    PlaceSetup(kSetupPath, Signing::PinnedKey);
    const auto trustLog = TrustCheckLog(kSetupPath, true);
    DeliverAndWait(5);
    ExpectSetupStartedOnce();
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, trustLog}));
}

TEST_F(UpdateTaskTest, TheTaskHoldsTheModuleUntilItsLastActAndThenReleasesIt) {
    PlaceSetup(kSetupPath, Signing::PinnedKey);
    const auto trustLog = TrustCheckLog(kSetupPath, true);
    winsim::SetProgramBehaviour(kSetupPath, {nullptr, true, 0});
    auto waiting = std::make_shared<std::promise<void>>();
    const std::future<void> waited = waiting->get_future();
    winsim::BeforeCall("WaitForSingleObject", 1, [waiting] { waiting->set_value(); });
    Deliver(5);
    ASSERT_EQ(waited.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(winsim::ModuleReferences(), 1) << "held while the setup runs";
    EXPECT_EQ(winsim::OpenResources(),
              (std::map<std::string, long>{{"module reference", 1}, {"process", 1}, {"thread", 1}}))
        << "the setup's file is let go once its process exists";

    EXPECT_TRUE(winsim::EndProcess(winsim::StartedProcesses()[0].pid));
    ASSERT_TRUE(winsim::WaitForModuleReferences(0));
    // Once the reference falls, every line of the task is already written.
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, trustLog}));
    EXPECT_EQ(winsim::CallCount("FreeLibraryAndExitThread"), 1u);
    EXPECT_EQ(winsim::CallCount("FreeLibrary"), 0u);
    EXPECT_EQ(winsim::CallLog().back(), "FreeLibraryAndExitThread") << "releasing the module is the last act";
    EXPECT_LEDGER_BALANCED();
}

// Without a module reference, or without a thread, no task starts: the host sees the
// error of a thread that cannot be created, and the reference taken is given back.
TEST_F(UpdateTaskTest, WithoutAModuleReferenceOrAThreadNoTaskIsStarted) {
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"GetModuleHandleExW", {"GetModuleHandleExW"}},
        {"CreateThread", {"GetModuleHandleExW", "CreateThread", "FreeLibrary"}},
    };
    for (const auto& [api, calls] : rows) {
        winsim::ClearCallLog();
        winsim::FailCall(api, 1, ERROR_NOT_ENOUGH_MEMORY);
        try {
            Deliver(5);
            ADD_FAILURE() << "the event must fail as a thread that cannot be created";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code(), std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        winsim::ClearFaults();
        EXPECT_EQ(winsim::CallLog(), calls) << "no task ran";
        EXPECT_EQ(winsim::ModuleReferences(), 0);
        EXPECT_LEDGER_BALANCED();
        ExpectLog({});
    }

    winsim::ClearCallLog();
    Deliver(8);  // the next event finds the platform well again
    ASSERT_TRUE(winsim::WaitForModuleReferences(0));
    EXPECT_EQ(winsim::Sleeps(), std::vector<DWORD>{60000});
    EXPECT_EQ(winsim::CallCount("CreateThread"), 1u) << "a plain Windows thread: nothing of a thread library leaks";
    TakeLog();
}

}  // namespace
