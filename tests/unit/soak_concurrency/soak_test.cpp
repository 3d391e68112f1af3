#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <iostream>
#include <latch>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/sim_test.h"
#include "tests/unit/soak_concurrency/soak_calls.h"

namespace soak_test {
namespace {

// ThreadSanitizer slows every call down tenfold or more: fewer rounds keep the stage short
// while every call still meets every other on several threads.
#if defined(__SANITIZE_THREAD__)
constexpr int kRounds = 6;
#else
constexpr int kRounds = 60;
#endif
constexpr int kThreads = 4;
constexpr std::uint32_t kFaultSeed = 20261206;
constexpr unsigned kFaultPercent = 2;

struct Outcome {
    std::size_t call = 0;
    Answer answer;
    std::string exception;  // what() of an exception the call let out, if any
};

// Each impersonation on a thread is followed by its revert before the next one.
bool ImpersonationsPaired(std::string* problem) {
    std::map<std::wstring, int> depth;
    for (const auto& event : winsim::ImpersonationEvents()) {
        const bool revert = event.action.ends_with("RevertToSelf");
        int& level = depth[event.thread];
        if (level != (revert ? 1 : 0)) {
            *problem = event.action + " out of turn";
            return false;
        }
        level = revert ? 0 : 1;
    }
    return true;
}

std::map<std::string, int> CountRecords(const std::vector<vistane_test::LogRecord>& records, int times = 1) {
    std::map<std::string, int> counts;
    for (const auto& record : records) counts[vistane_test::Describe({record})] += times;
    return counts;
}

class SoakTest : public vistane_test::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        calls_ = SoakCalls(BuildSoakMachine());
        for (const SoakCall& call : calls_) {
            expected_.push_back(call.run());
            sequentialLogs_.push_back(TakeLog());
        }
        runsGranted_ = CountGranted("Run ");
        ASSERT_EQ(winsim::LedgerReport(), "balanced");
    }

    void TearDown() override {
        std::string problem;
        EXPECT_TRUE(ImpersonationsPaired(&problem)) << problem;
        SimTest::TearDown();
    }

    int CountGranted(const std::string& prefix) const {
        int granted = 0;
        for (std::size_t index = 0; index < calls_.size(); ++index)
            granted += calls_[index].name.starts_with(prefix) && expected_[index].granted;
        return granted;
    }

    // Every thread runs every call kRounds times, each thread starting at another call so
    // that different operations overlap.
    std::vector<Outcome> RunOnThreads() {
        std::vector<std::vector<Outcome>> perThread(kThreads);
        std::latch start(kThreads);
        std::vector<std::thread> threads;
        for (int thread = 0; thread < kThreads; ++thread) {
            threads.emplace_back([&, thread] {
                start.arrive_and_wait();
                for (int round = 0; round < kRounds; ++round) {
                    for (std::size_t step = 0; step < calls_.size(); ++step) {
                        Outcome outcome;
                        outcome.call = (step + static_cast<std::size_t>(thread) * 5) % calls_.size();
                        try {
                            outcome.answer = calls_[outcome.call].run();
                        } catch (const std::exception& error) {
                            outcome.exception = error.what();
                        }
                        perThread[thread].push_back(std::move(outcome));
                    }
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
        std::vector<Outcome> all;
        for (auto& outcomes : perThread) all.insert(all.end(), outcomes.begin(), outcomes.end());
        return all;
    }

    Answer AnswerOf(const std::string& name) const {
        for (std::size_t index = 0; index < calls_.size(); ++index)
            if (calls_[index].name == name) return expected_[index];
        ADD_FAILURE() << "no call " << name;
        return {};
    }

    std::string Name(const Outcome& outcome) const { return calls_[outcome.call].name; }

    std::vector<SoakCall> calls_;
    std::vector<Answer> expected_;
    std::vector<std::vector<vistane_test::LogRecord>> sequentialLogs_;
    int runsGranted_ = 0;
};

TEST_F(SoakTest, TheMachineHoldsGrantsAndRefusalsOfEveryKind) {
    const std::map<std::string, bool> wanted = {
        {"IsFileTrusted C:\\Program Files\\Orlent Works\\Host\\QVVSSetup.exe", true},
        {"IsFileTrusted C:\\Program Files\\Orlent Works\\Host\\unsigned.exe", false},
        {"IsFileTrusted C:\\Program Files\\Orlent Works\\Host\\rogue.exe", false},
        {"IsFileTrusted C:\\Program Files\\Orlent Works\\Host\\tampered.exe", false},
        {"IsFileTrusted C:\\Windows\\System32\\tool.exe", false},
        {"IsFileTrusted C:\\Windows\\System32\\catalogued.dll", true},
        {"IsFileTrusted C:\\Windows\\System32\\expired.exe", true},
        {"IsFileTrusted D:\\Data\\QVVSSetup.exe", false},
        {"IsFileTrustedByWindows C:\\Windows\\System32\\tool.exe", true},
        {"IsFileTrustedByWindows C:\\Program Files\\Orlent Works\\Host\\rogue.exe", false},
        {"IsFileTrustedByWindows D:\\Data\\QVVSSetup.exe", false},
        {"IsPathAllowed C:\\Windows\\System32\\expired.exe", true},
        {"IsPathAllowed D:\\Data\\QVVSSetup.exe", false},
        {"IsPathAllowed D:\\WindowsApps\\Orlent.Viewer_1.2.3.4_x64__qv5n2x8z1k3m4\\Viewer.exe", true},
        {"IsPathAllowed E:\\WindowsApps\\Other.App_1.0.0.0_x64__abc\\app.exe", false},
        {"IsTrustedToolLaunch support C:\\Windows\\System32\\sfc.exe /scannow", true},
        {"IsTrustedToolLaunch support C:\\Windows\\System32\\regsvr32.exe /s C:\\Windows\\System32\\orlent.dll", true},
        {"IsTrustedToolLaunch support C:\\Windows\\System32\\regsvr32.exe /s D:\\Data\\orlent.dll", false},
        {"IsTrustedToolLaunch support %windir%\\System32\\rundll32.exe \"C:\\Windows\\System32\\orlent.dll\",Entry 1",
         true},
        {"IsTrustedToolLaunch support C:\\Windows\\System32\\mmc.exe ", false},
        {"IsTrustedToolLaunch support C:\\Windows\\System32\\tool.exe ", false},
        {"IsTrustedToolLaunch stranger C:\\Windows\\System32\\sfc.exe /scannow", false},
        {"IsRealUserSession", true},
        {"GetPackageFullNameByFamilyName Orlent.Viewer_qv5n2x8z1k3m4", true},
        {"GetPackageFullNameByFamilyName Orlent.Missing_qv5n2x8z1k3m4", false},
        {"Run viewer.exe Orlent.Viewer_qv5n2x8z1k3m4", true},
        {"Run viewer.exe Orlent.Missing_qv5n2x8z1k3m4", false},
    };
    std::map<std::string, bool> actual;
    for (std::size_t index = 0; index < calls_.size(); ++index) actual[calls_[index].name] = expected_[index].granted;
    EXPECT_EQ(actual, wanted);
    EXPECT_EQ(Describe(AnswerOf("GetPackageFullNameByFamilyName Orlent.Viewer_qv5n2x8z1k3m4")),
              "granted (Orlent.Viewer_1.2.3.4_x64__qv5n2x8z1k3m4)");
    EXPECT_EQ(Describe(AnswerOf("IsRealUserSession")), "granted (C:\\Users\\user1)");
}

TEST_F(SoakTest, ConcurrentAnswersAndLogEqualTheSequentialOnes) {
    const std::vector<Outcome> outcomes = RunOnThreads();
    ASSERT_EQ(outcomes.size(), static_cast<std::size_t>(kThreads * kRounds) * calls_.size());
    int mismatches = 0;
    for (const Outcome& outcome : outcomes) {
        if (outcome.exception.empty() && outcome.answer == expected_[outcome.call]) continue;
        if (++mismatches <= 5)
            ADD_FAILURE() << Name(outcome) << ": " << Describe(outcome.answer) << " " << outcome.exception
                          << ", alone: " << Describe(expected_[outcome.call]);
    }
    EXPECT_EQ(mismatches, 0);

    // The same records, as many times each, in whatever order the threads wrote them.
    std::map<std::string, int> wantedRecords;
    for (const auto& log : sequentialLogs_) {
        for (const auto& [text, count] : CountRecords(log, kThreads * kRounds)) wantedRecords[text] += count;
    }
    EXPECT_EQ(CountRecords(TakeLog()), wantedRecords);

    EXPECT_EQ(winsim::StartedProcesses().size(), static_cast<std::size_t>((1 + kThreads * kRounds) * runsGranted_));
    EXPECT_LEDGER_BALANCED();
    EXPECT_TRUE(winsim::ThreadsStillImpersonating().empty());
}

TEST_F(SoakTest, FaultsAtRandomPointsNeverTurnARefusalIntoAGrant) {
    winsim::FailRandomCalls(kFaultSeed, kFaultPercent, 0);
    const std::vector<Outcome> outcomes = RunOnThreads();
    winsim::ClearFaults();
    EXPECT_GT(winsim::FaultsInjected(), 0u);

    int wrongGrants = 0;
    int escapedExceptions = 0;
    int refusedByFaults = 0;
    int grantsKept = 0;
    for (const Outcome& outcome : outcomes) {
        const Answer& alone = expected_[outcome.call];
        if (!outcome.exception.empty()) {
            if (++escapedExceptions <= 5) ADD_FAILURE() << Name(outcome) << " threw: " << outcome.exception;
            continue;
        }
        if (outcome.answer.granted && outcome.answer != alone) {
            if (++wrongGrants <= 5)
                ADD_FAILURE() << Name(outcome) << ": " << Describe(outcome.answer) << " under faults, "
                              << Describe(alone) << " without";
        }
        refusedByFaults += alone.granted && !outcome.answer.granted;
        grantsKept += alone.granted && outcome.answer.granted;
    }
    EXPECT_EQ(wrongGrants, 0);
    EXPECT_EQ(escapedExceptions, 0);
    EXPECT_GT(refusedByFaults, 0) << "the faults reached no granting call";
    EXPECT_GT(grantsKept, 0) << "the faults left no call whole";
    std::cout << "[ soak ] " << outcomes.size() << " calls, " << winsim::FaultsInjected() << " faults injected, "
              << refusedByFaults << " grants turned into refusals, " << grantsKept << " grants kept\n";
    TakeLog();

    EXPECT_LEDGER_BALANCED();
    EXPECT_TRUE(winsim::ThreadsStillImpersonating().empty());
    // The faults left nothing behind: the machine answers as before.
    for (std::size_t index = 0; index < calls_.size(); ++index)
        EXPECT_EQ(Describe(calls_[index].run()), Describe(expected_[index])) << calls_[index].name;
    TakeLog();
}

}  // namespace
}  // namespace soak_test
