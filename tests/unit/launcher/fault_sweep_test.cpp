#include <gtest/gtest.h>

#include "server/launcher.h"
#include "tests/support/launcher_inspector.h"
#include "tests/support/launcher_machine.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Server::Services::Launcher;
using Qv::Vantix::Server::Services::LauncherInspector;
using namespace vistane_test;

// Fails each platform call of an operation in turn: whatever fails, everything
// obtained is released, no thread stays impersonating, the lookup lock is free, and
// success is claimed only when it happened.
class LauncherFaultSweepTest : public SimTest {
protected:
    template <typename Operation, typename Check>
    void Sweep(Operation operation, Check check) {
        winsim::Reset();
        InstallViewer();
        operation();
        const unsigned calls = winsim::SweepCallCount();
        ASSERT_GT(calls, 5u);
        for (unsigned nth = 1; nth <= calls; ++nth) {
            SCOPED_TRACE("platform call " + std::to_string(nth) + " fails");
            winsim::Reset();
            InstallViewer();
            winsim::FailNthPlatformCall(nth, ERROR_ACCESS_DENIED);
            check(operation());
            EXPECT_EQ(winsim::FaultsInjected(), 1u);
            EXPECT_LEDGER_BALANCED();
            std::string problem;
            EXPECT_TRUE(EveryImpersonationReverted(&problem)) << problem;
            EXPECT_TRUE(LauncherInspector::LookupLockIsFree());
            TakeLog();
        }
    }
    Launcher launcher;
};

TEST_F(LauncherFaultSweepTest, RunClaimsSuccessOnlyForACreatedProcess) {
    Sweep([&] { return launcher.Run(kViewerAlias, kViewerFamily, L"-x"); },
          [](bool started) {
              const auto created = winsim::StartedProcesses();
              EXPECT_EQ(started, created.size() == 1u);
              if (started) {
                  EXPECT_EQ(created[0].user, L"user1");
              }
          });
}

TEST_F(LauncherFaultSweepTest, OriginAndVersionAreEitherRightOrUnknown) {
    Sweep([&] { return launcher.GetOriginAndVersionByFamilyName(kViewerFamily); },
          [](const std::tuple<int, std::uint64_t>& answer) {
              const auto [origin, version] = answer;
              EXPECT_TRUE(origin == -1 || origin == PackageOrigin_Store);
              EXPECT_TRUE(version == 0 || version == winsim::PackedVersion(1, 2, 3, 4));
          });
}

TEST_F(LauncherFaultSweepTest, RealUserSessionIsNeverClaimedOnAFailure) {
    Sweep(
        [&] {
            std::wstring profile;
            const bool real = launcher.IsRealUserSession(profile);
            return std::make_pair(real, profile);
        },
        [](const std::pair<bool, std::wstring>& answer) {
            EXPECT_EQ(answer.first, answer.second == L"C:\\Users\\user1");
        });
}

}  // namespace
