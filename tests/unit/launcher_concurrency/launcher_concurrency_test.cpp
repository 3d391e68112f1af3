// Many threads look packages up and start the viewer at once, each through its own copy
// of one launcher: every answer is right, every process starts as asked, and each
// thread's impersonations stay its own (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <latch>
#include <thread>

#include "tests/support/launcher_machine.h"
#include "tests/support/sim_test.h"

namespace {

using namespace vistane_test;

class LauncherConcurrencyTest : public SimTest {};

TEST_F(LauncherConcurrencyTest, ManyThreadsLookUpAndRunAtOnce) {
    constexpr int kThreads = 8, kRounds = 12, kTotal = kThreads * kRounds;
    InstallViewer();
    std::atomic<int> wrongAnswers{0};
    const Qv::Vantix::Server::Services::Launcher shared;
    std::latch start(kThreads);
    std::vector<std::jthread> threads;
    for (int index = 0; index < kThreads; ++index) {
        threads.emplace_back([&] {
            start.arrive_and_wait();
            auto launcher = shared;  // copied on every thread at once
            for (int round = 0; round < kRounds; ++round) {
                auto token = launcher.GetUserTokenForCurrentUser(TokenImpersonation);
                wrongAnswers += launcher.GetPackageFullNameByFamilyName(kViewerFamily, token) != kViewerFullName;
                wrongAnswers += !launcher.Run(kViewerAlias, kViewerFamily, L"-n");
            }
        });
    }
    threads.clear();  // joins
    EXPECT_EQ(wrongAnswers, 0);
    const auto started = winsim::StartedProcesses();
    EXPECT_EQ(started.size(), size_t(kTotal));
    for (const auto& process : started)
        EXPECT_EQ(process.commandLine + L"|" + process.currentDirectory, L"viewer.exe -n|" + kViewerFolder);

    // Per round: a token and a lookup, then Run's three tokens, its lookup and its launch.
    const auto log = TakeLog();
    const auto found = Info(L"Found package's full name for " + kViewerFamily + L": " + kViewerFullName);
    EXPECT_EQ(log.size(), size_t(7 * kTotal));
    EXPECT_EQ(std::ranges::count(log, Info(L"Attempting to impersonate logged in user.")), 5 * kTotal);
    EXPECT_EQ(std::ranges::count(log, found), 2 * kTotal);
    EXPECT_EQ(PairedImpersonations(), 4 * kTotal);
}

}  // namespace
