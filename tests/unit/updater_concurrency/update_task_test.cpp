#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <system_error>

#include "logging/log_manager.h"
#include "platform/win32.h"
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
    DeliverAndWait(GetParam());
    EXPECT_EQ(winsim::Sleeps(), std::vector<DWORD>{60000});
    ExpectSetupStartedOnce();
    EXPECT_EQ(winsim::CallCount("WaitForSingleObject"), 1u);
    EXPECT_EQ(winsim::CallCount("FreeLibraryAndExitThread"), 1u);
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, TrustedSetupLog()}));
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
    EXPECT_EQ(winsim::CallCount("CloseHandle"), 4u);
    ExpectLogInAnyOrder(Join({kCompanionOld, kTaskGoesOn, TrustedSetupLog(), kCompanionOld, kTaskGoesOn,
                              TrustedSetupLog()}));
}

TEST_F(UpdateTaskTest, ALaterTaskStopsAtTheVersionTheSetupInstalled) {
    InstallCompanion({5, 2, 59, 0});
    PlaceSetup(kSetupPath, Signing::PinnedKey);
    winsim::SetProgramBehaviour(kSetupPath, {[](const winsim::StartedProcess&) { InstallCompanion({5, 2, 60, 0}); },
                                             false, 0});
    DeliverAndWait(5);
    ExpectSetupStartedOnce();
    ExpectLog(Join({kCompanionOld, kTaskGoesOn, TrustedSetupLog()}));

    DeliverAndWait(8);
    EXPECT_EQ(winsim::StartedProcesses().size(), 1u) << "nothing more is started";
    ExpectLog(kCompanionCurrent);
}

TEST_F(UpdateTaskTest, HostPathShorterThanFourteenCharactersKeepsItWhole) {
    winsim::SetHostExecutablePath(L"C:\\H\\Host.exe");
    PlaceSetup(L"C:\\H\\Host.exeQVVSSetup.exe", Signing::PinnedKey);
    DeliverAndWait(5);
    const auto started = winsim::StartedProcesses();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, L"C:\\H\\Host.exeQVVSSetup.exe");
    TakeLog();
}

TEST_F(UpdateTaskTest, UntrustedSetupIsNeverStartedAndTheWarningCarriesTheLastError) {
    PlaceSetup(kSetupPath, Signing::Unsigned);
    DeliverAndWait(5);
    EXPECT_EQ(winsim::CallCount("CreateProcessW"), 0u);
    EXPECT_TRUE(winsim::StartedProcesses().empty());
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, UntrustedSetupLog(Signing::Unsigned)}));
}

TEST_F(UpdateTaskTest, AFailedStartLogsTheWarningWithItsErrorAndHoldsNothing) {
    PlaceSetup(kSetupPath, Signing::PinnedKey);
    winsim::FailCall("CreateProcessW", 1, ERROR_ACCESS_DENIED);
    DeliverAndWait(5);
    EXPECT_TRUE(winsim::StartedProcesses().empty());
    EXPECT_EQ(winsim::CallCount("WaitForSingleObject"), 0u);
    EXPECT_EQ(winsim::CallCount("CloseHandle"), 0u);
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, TrustedSetupLog(),
                    {Warning(L"Failed to create QVVSSetup.exe. The error code is 5")}}));
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
    DeliverAndWait(5);
    ExpectSetupStartedOnce();
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, TrustedSetupLog()}));
}

TEST_F(UpdateTaskTest, TheTaskHoldsTheModuleUntilItsLastActAndThenReleasesIt) {
    PlaceSetup(kSetupPath, Signing::PinnedKey);
    winsim::SetProgramBehaviour(kSetupPath, {nullptr, true, 0});
    Deliver(5);
    ASSERT_TRUE(winsim::WaitForStartedProcesses(1));
    EXPECT_EQ(winsim::ModuleReferences(), 1) << "held while the setup runs";
    EXPECT_EQ(winsim::OpenResources(),
              (std::map<std::string, long>{{"module reference", 1}, {"process", 1}, {"thread", 1}}));

    EXPECT_TRUE(winsim::EndProcess(winsim::StartedProcesses()[0].pid));
    ASSERT_TRUE(winsim::WaitForModuleReferences(0));
    // Once the reference falls, every line of the task is already written.
    ExpectLog(Join({kCompanionMissing, kTaskGoesOn, TrustedSetupLog()}));
    EXPECT_EQ(winsim::CallCount("FreeLibraryAndExitThread"), 1u);
    EXPECT_EQ(winsim::CallCount("FreeLibrary"), 0u);
    EXPECT_EQ(winsim::CallLog().back(), "FreeLibraryAndExitThread") << "releasing the module is the last act";
    EXPECT_LEDGER_BALANCED();
}

TEST_F(UpdateTaskTest, WithoutAModuleReferenceNoTaskIsStarted) {
    winsim::FailCall("GetModuleHandleExW", 1, ERROR_NOT_ENOUGH_MEMORY);
    try {
        Deliver(5);
        ADD_FAILURE() << "the event must fail as a thread that cannot be created";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    EXPECT_EQ(winsim::CallLog(), std::vector<std::string>{"GetModuleHandleExW"}) << "no task ran";
    ExpectLog({});

    Deliver(8);  // the next event finds the platform well again
    ASSERT_TRUE(winsim::WaitForModuleReferences(0));
    EXPECT_EQ(winsim::Sleeps(), std::vector<DWORD>{60000});
    TakeLog();
}

}  // namespace
