#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <latch>
#include <map>
#include <mutex>
#include <thread>

#include "server/launcher.h"
#include "tests/support/launcher_inspector.h"
#include "tests/support/launcher_machine.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Server::Services::Launcher;
using namespace vistane_test;

constexpr int kThreads = 8;

class LauncherConcurrencyTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        InstallViewer();
    }
    void TearDown() override {
        winsim::SetProcessCreationObserver(nullptr);
        std::string problem;
        EXPECT_TRUE(EveryImpersonationReverted(&problem)) << problem;
        SimTest::TearDown();
    }

    // Runs `body` on kThreads threads released together.
    template <typename Body>
    void OnManyThreads(Body body) {
        std::latch start(kThreads);
        std::vector<std::thread> threads;
        for (int index = 0; index < kThreads; ++index) {
            threads.emplace_back([&] {
                start.arrive_and_wait();
                body();
            });
        }
        for (auto& thread : threads) thread.join();
    }
};

TEST_F(LauncherConcurrencyTest, ManyThreadsLookUpAndRunAtOnce) {
    constexpr int kRounds = 12;
    std::atomic<int> wrongNames{0};
    std::atomic<int> failedRuns{0};
    const Launcher shared;
    OnManyThreads([&] {
        Launcher launcher(shared);
        for (int round = 0; round < kRounds; ++round) {
            auto token = launcher.GetUserTokenForCurrentUser(TokenImpersonation);
            if (launcher.GetPackageFullNameByFamilyName(kViewerFamily, token) != kViewerFullName) ++wrongNames;
            if (!launcher.Run(kViewerAlias, kViewerFamily, L"-n")) ++failedRuns;
        }
    });
    EXPECT_EQ(wrongNames.load(), 0);
    EXPECT_EQ(failedRuns.load(), 0);
    const auto started = winsim::StartedProcesses();
    ASSERT_EQ(started.size(), static_cast<size_t>(kThreads * kRounds));
    for (const auto& process : started) {
        EXPECT_EQ(process.commandLine, L"viewer.exe -n");
        EXPECT_EQ(process.currentDirectory, kViewerFolder);
    }

    // Per round: a token and a lookup, then Run's three tokens, its lookup and its launch.
    std::map<std::wstring, int> texts;
    for (const auto& record : TakeLog()) {
        EXPECT_EQ(record.level, Qv::Vantix::Logging::Level::Info) << std::string(record.text.begin(), record.text.end());
        ++texts[record.text];
    }
    const int total = kThreads * kRounds;
    EXPECT_EQ(texts[L"Attempting to impersonate logged in user."], 5 * total);
    EXPECT_EQ(texts[L"Found package's full name for " + kViewerFamily + L": " + kViewerFullName], 2 * total);
    EXPECT_EQ(texts.size(), 2u);
    EXPECT_EQ(ImpersonationCount(), static_cast<unsigned>(4 * total));
}

TEST_F(LauncherConcurrencyTest, ProcessCreationRunsOutsideTheLookupLock) {
    // Every thread waits inside process creation until all have arrived there: that
    // meeting is only possible when no thread holds the lookup lock while creating.
    std::mutex meeting;
    std::condition_variable arrivedChanged;
    int arrived = 0;
    std::atomic<int> metEveryone{0};
    winsim::SetProcessCreationObserver([&] {
        std::unique_lock lock(meeting);
        ++arrived;
        arrivedChanged.notify_all();
        if (arrivedChanged.wait_for(lock, std::chrono::seconds(20), [&] { return arrived == kThreads; }))
            ++metEveryone;
    });
    std::atomic<int> started{0};
    OnManyThreads([&] {
        Launcher launcher;
        started += launcher.Run(kViewerAlias, kViewerFamily, L"") ? 1 : 0;
    });
    EXPECT_EQ(metEveryone.load(), kThreads);
    EXPECT_EQ(started.load(), kThreads);
    TakeLog();
}

}  // namespace
