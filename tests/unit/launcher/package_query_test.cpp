#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "server/launcher.h"
#include "tests/support/launcher_inspector.h"
#include "tests/support/launcher_machine.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Server::Services::Launcher;
using Qv::Vantix::Server::Services::LauncherInspector;
using namespace vistane_test;

const std::wstring kAttempting = L"Attempting to impersonate logged in user.";
const std::wstring kFamilySizeZero = L"Problem while finding out the size of the buffer. Returned length is 0.";
const std::wstring kViewerFound = L"Found package's full name for " + kViewerFamily + L": " + kViewerFullName;

class LauncherPackageTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        token = launcher.GetUserTokenForCurrentUser(TokenImpersonation);
        TakeLog();
    }
    void TearDown() override {
        token.reset();
        std::string problem;
        EXPECT_TRUE(EveryImpersonationReverted(&problem)) << problem;
        SimTest::TearDown();
    }
    Launcher launcher;
    std::shared_ptr<void> token;
};

TEST_F(LauncherPackageTest, EmptyNamesAnswerAtOnce) {
    EXPECT_EQ(launcher.GetPackageFullNameByFamilyName(L""), L"");
    EXPECT_EQ(launcher.GetPackageInstalledPathByFullName(L""), L"");
    EXPECT_NO_LOG();
    EXPECT_EQ(winsim::CallCount("FindPackagesByPackageFamily"), 0u);
    EXPECT_EQ(winsim::CallCount("GetPackagePathByFullName"), 0u);

    // With the lookup lock held elsewhere, an empty family is still answered.
    std::mutex& lookup = LauncherInspector::LookupLock();
    lookup.lock();
    auto answer = std::async(std::launch::async, [this] { return launcher.GetPackageFullNameByFamilyName(L""); });
    const bool answeredWhileLocked = answer.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    lookup.unlock();
    EXPECT_TRUE(answeredWhileLocked) << "the empty family took the lock";
    EXPECT_EQ(answer.get(), L"");
}

TEST_F(LauncherPackageTest, TheFamilyLookupChoosesTheFirstPackageWithoutPropertyFlags) {
    winsim::InstallPackage(L"user1", kViewerFamily, ViewerResourcePackage());
    winsim::Package framework = ViewerPackage();
    framework.fullName = L"Orlent.Viewer_1.2.3.4_x64_framework_qv5n2x8z1k3m4";
    framework.properties = PACKAGE_PROPERTY_FRAMEWORK;
    winsim::InstallPackage(L"user1", kViewerFamily, framework);
    winsim::Package developer = ViewerPackage();
    developer.fullName = L"Orlent.Viewer_1.2.3.5_x64_dev_qv5n2x8z1k3m4";
    developer.properties = PACKAGE_PROPERTY_DEVELOPMENT_MODE;
    winsim::InstallPackage(L"user1", kViewerFamily, developer);
    winsim::InstallPackage(L"user1", kViewerFamily, ViewerPackage());
    winsim::Package later = ViewerPackage();
    later.fullName = L"Orlent.Viewer_1.2.3.6_x64__qv5n2x8z1k3m4";
    winsim::InstallPackage(L"user1", kViewerFamily, later);

    EXPECT_EQ(launcher.GetPackageFullNameByFamilyName(kViewerFamily, token), kViewerFullName);
    EXPECT_LOG(Info(kViewerFound));
    EXPECT_TRUE(LauncherInspector::LookupLockIsFree());
}

TEST_F(LauncherPackageTest, AFamilyOfFlaggedPackagesOnlyGivesNothingSilently) {
    winsim::InstallPackage(L"user1", kViewerFamily, ViewerResourcePackage());
    winsim::Package bundle = ViewerPackage();
    bundle.fullName = L"Orlent.Viewer_1.2.3.4_neutral_~_qv5n2x8z1k3m4";
    bundle.properties = PACKAGE_PROPERTY_BUNDLE;
    winsim::InstallPackage(L"user1", kViewerFamily, bundle);
    EXPECT_EQ(launcher.GetPackageFullNameByFamilyName(kViewerFamily, token), L"");
    EXPECT_NO_LOG();
    EXPECT_EQ(winsim::CallCount("FindPackagesByPackageFamily"), 2u);
}

TEST_F(LauncherPackageTest, PackagesAreTheImpersonatedUsersOnly) {
    InstallViewer();
    EXPECT_EQ(launcher.GetPackageFullNameByFamilyName(kViewerFamily), L"") << "the system account has no packages";
    EXPECT_LOG(Warning(kFamilySizeZero));
    EXPECT_EQ(launcher.GetPackageFullNameByFamilyName(L"Orlent.Missing_qv5n2x8z1k3m4", token), L"");
    EXPECT_LOG(Warning(kFamilySizeZero));
    EXPECT_EQ(launcher.GetPackageFullNameByFamilyName(kViewerFamily, token), kViewerFullName);
    EXPECT_LOG(Info(kViewerFound));
}

TEST_F(LauncherPackageTest, AFailedFillOfTheFamilyLookupReleasesEverything) {
    InstallViewer();
    winsim::FailCall("FindPackagesByPackageFamily", 2, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(launcher.GetPackageFullNameByFamilyName(kViewerFamily, token), L"");
    EXPECT_LOG(Warning(L"Problem while finding package's resources."));
    EXPECT_TRUE(LauncherInspector::LookupLockIsFree());
}

TEST_F(LauncherPackageTest, TokenFormsSkipTheQueryWhenImpersonationIsRefused) {
    InstallViewer();
    std::shared_ptr<void> empty;
    std::shared_ptr<void> invalid(INVALID_HANDLE_VALUE, [](void*) {});
    for (const auto& holder : {empty, invalid}) {
        EXPECT_EQ(launcher.GetPackageFullNameByFamilyName(kViewerFamily, holder), L"");
        EXPECT_EQ(launcher.GetPackageInstalledPathByFullName(kViewerFullName, holder), L"");
    }
    EXPECT_NO_LOG();
    EXPECT_EQ(winsim::CallCount("FindPackagesByPackageFamily"), 0u);
    EXPECT_EQ(ImpersonationCount(), 0u);
}

TEST_F(LauncherPackageTest, TheInstallFolderComesFromTheUsersRegistration) {
    InstallViewer();
    EXPECT_EQ(launcher.GetPackageInstalledPathByFullName(kViewerFullName, token), kViewerFolder);
    EXPECT_NO_LOG();
    EXPECT_EQ(launcher.GetPackageInstalledPathByFullName(kViewerFullName), L"");
    EXPECT_LOG(Warning(L"Problem while finding out the size of the buffer."));
    winsim::FailCall("GetPackagePathByFullName", 5, ERROR_NOT_FOUND);
    EXPECT_EQ(launcher.GetPackageInstalledPathByFullName(kViewerFullName, token), L"");
    EXPECT_LOG(Warning(L"Problem while finding the full path for the package."));
}

TEST_F(LauncherPackageTest, OriginAndVersionAreLoggedWithRevisionBeforeBuild) {
    InstallViewer();
    const auto [origin, version] = launcher.GetOriginAndVersionByFamilyName(kViewerFamily);
    EXPECT_EQ(origin, PackageOrigin_Store);
    EXPECT_EQ(version, 0x0001000200030004ull);
    EXPECT_LOG(Info(kAttempting), Info(kViewerFound), Info(L"Origin: 3. Version: 1 2 4 3"));
    EXPECT_EQ(ImpersonationCount(), 1u);
    EXPECT_TRUE(LauncherInspector::LookupLockIsFree());
}

TEST_F(LauncherPackageTest, OriginAndVersionOfAFamilyNotInstalled) {
    const auto result = launcher.GetOriginAndVersionByFamilyName(L"Orlent.Missing_qv5n2x8z1k3m4");
    EXPECT_EQ(result, std::make_tuple(-1, std::uint64_t{0}));
    EXPECT_LOG(Info(kAttempting), Warning(kFamilySizeZero),
               Warning(L"Problem while retrieving the origin of the package."),
               Info(L"Origin: -1. Version: 0 0 0 0"));
}

TEST_F(LauncherPackageTest, OriginAndVersionWithoutAConsoleUserOrToken) {
    InstallViewer();
    winsim::SetNobodyAtConsole();
    EXPECT_EQ(launcher.GetOriginAndVersionByFamilyName(kViewerFamily), std::make_tuple(-1, std::uint64_t{0}));
    EXPECT_LOG(Info(kAttempting),
               Warning(L"Problem while detecting active console session ID. This could be caused if the business "
                       L"logic ran while the user was not logged in."));

    winsim::SetConsoleSession(1, L"user1");
    winsim::FailCall("DuplicateTokenEx", 0, ERROR_ACCESS_DENIED);
    EXPECT_EQ(launcher.GetOriginAndVersionByFamilyName(kViewerFamily), std::make_tuple(-1, std::uint64_t{0}));
    EXPECT_LOG(Info(kAttempting), Warning(L"Problem while duplicating the user's access token."));
    EXPECT_EQ(ImpersonationCount(), 0u);
    EXPECT_EQ(winsim::CallCount("FindPackagesByPackageFamily"), 0u);
}

TEST_F(LauncherPackageTest, EachFailingStepOfOriginAndVersionKeepsWhatWasReached) {
    struct Case {
        const char* name;
        std::wstring fullName;
        const char* failingApi;
        unsigned nth;
        std::wstring warning;
        int origin;
    };
    const Case cases[] = {
        {"origin refused", kViewerFullName, "GetStagedPackageOrigin", 1,
         L"Problem while retrieving the origin of the package.", -1},
        {"info not opened", kViewerFullName, "OpenPackageInfoByFullName", 1, L"Problem while opening the package info.",
         3},
        // A resource package lists no record under the query's filter: the size query succeeds.
        {"size query succeeds", kViewerResourceName, "", 0, L"Problem while getting the count for the package info.",
         3},
        {"size query fails", kViewerFullName, "GetPackageInfo", 1,
         L"Problem while getting the count for the package info. Insufficient buffer.", 3},
        {"fill fails", kViewerFullName, "GetPackageInfo", 2, L"Problem while getting the package info.", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::ClearFaults();
        winsim::ClearCallLog();
        winsim::RemovePackageFamily(L"user1", kViewerFamily);
        winsim::InstallPackage(L"user1", kViewerFamily, ViewerPackage());
        winsim::InstallPackage(L"user1", kViewerFamily, ViewerResourcePackage());
        if (*c.failingApi) winsim::FailCall(c.failingApi, c.nth, ERROR_NOT_FOUND);
        ASSERT_EQ(ImpersonateLoggedOnUser(token.get()), TRUE);
        const auto result = launcher.GetOriginAndVersionByFullName(c.fullName);
        ASSERT_EQ(RevertToSelf(), TRUE);
        EXPECT_EQ(result, std::make_tuple(c.origin, std::uint64_t{0}));
        EXPECT_LOG(Warning(c.warning), Info(L"Origin: " + std::to_wstring(c.origin) + L". Version: 0 0 0 0"));
        EXPECT_EQ(winsim::LedgerReport(), "token=1") << "the package information is closed";
    }
}

TEST_F(LauncherPackageTest, AFailedRevertAfterALookupIsLogged) {
    InstallViewer();
    winsim::FailCall("RevertToSelf", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(launcher.GetPackageFullNameByFamilyName(kViewerFamily, token), kViewerFullName);
    EXPECT_LOG(Info(kViewerFound), Error(L"Problem while reverting the impersonation."));
    ASSERT_EQ(winsim::ThreadsStillImpersonating().size(), 1u);
    EXPECT_EQ(RevertToSelf(), TRUE);
}

}  // namespace
