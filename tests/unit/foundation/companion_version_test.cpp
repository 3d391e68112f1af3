#include <gtest/gtest.h>

#include "service/vistane/companion_version.h"
#include "tests/support/sim_test.h"

namespace {

using namespace Qv::Vantix::Server::Services::Vistane;
using vistane_test::Info;

const wchar_t* const kCompanion = L"C:\\Program Files\\Orlent Works\\QV Vistane Service\\VistaneService.exe";

TEST(CompanionVersionRule, ComparesMajorMinorBuildAsUnsigned) {
    EXPECT_TRUE(IsVersionCurrent({5, 2, 60}));
    EXPECT_FALSE(IsVersionCurrent({5, 2, 59}));
    EXPECT_FALSE(IsVersionCurrent({5, 1, 999}));
    EXPECT_TRUE(IsVersionCurrent({5, 3, 0}));
    EXPECT_TRUE(IsVersionCurrent({6, 0, 0}));
    EXPECT_FALSE(IsVersionCurrent({4, 65535, 65535}));
    EXPECT_TRUE(IsVersionCurrent({5, 2, 65535}));
    EXPECT_TRUE(IsVersionCurrent({65535, 0, 0}));
    EXPECT_FALSE(IsVersionCurrent({0, 0, 0}));
}

class CompanionVersionTest : public vistane_test::SimTest {};

TEST_F(CompanionVersionTest, MissingCompanionIsNotCurrent) {
    EXPECT_FALSE(IsCompanionUpToDate());
    EXPECT_LOG(Info(L"StartUpTask QVVS services."), Info(L"Install QVVS: QVVSINSTALLPATH was empty"),
               Info(L"QVVS is not found or version information cannot be retrieved."));
}

TEST_F(CompanionVersionTest, CompanionWithoutVersionResourceIsNotFound) {
    winsim::AddFile(kCompanion, "MZ");
    EXPECT_FALSE(IsCompanionUpToDate());
    EXPECT_LOG(Info(L"StartUpTask QVVS services."), Info(L"Install QVVS: QVVSINSTALLPATH was empty"),
               Info(L"QVVS is not found or version information cannot be retrieved."));
}

TEST_F(CompanionVersionTest, UnreadableResourceIsReported) {
    winsim::AddFile(kCompanion, "MZ", winsim::FileVersion{5, 2, 60, 0});
    winsim::SetVersionResourceUnreadable(kCompanion);
    EXPECT_FALSE(IsCompanionUpToDate());
    EXPECT_LOG(Info(L"StartUpTask QVVS services."), Info(L"Install QVVS: Unable to GetFileVersionInfo"),
               Info(L"QVVS is not found or version information cannot be retrieved."));
}

TEST_F(CompanionVersionTest, FailedRootBlockQueryIsReported) {
    winsim::AddFile(kCompanion, "MZ", winsim::FileVersion{6, 0, 0, 0});
    winsim::FailCall("VerQueryValueW", 1, ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_FALSE(IsCompanionUpToDate());
    EXPECT_LOG(Info(L"StartUpTask QVVS services."), Info(L"Install QVVS: Unable to GetFileVersionInfo"),
               Info(L"QVVS is not found or version information cannot be retrieved."));
}

TEST_F(CompanionVersionTest, VersionsAroundTheMinimum) {
    struct Case {
        winsim::FileVersion version;
        bool current;
    };
    const Case cases[] = {
        {{5, 2, 60, 0}, true},  {{5, 2, 59, 9999}, false}, {{5, 1, 999, 0}, false},
        {{6, 0, 0, 0}, true},   {{5, 3, 0, 0}, true},      {{5, 2, 60, 65535}, true},
    };
    for (const Case& c : cases) {
        winsim::AddFile(kCompanion, "MZ", c.version);
        EXPECT_EQ(IsCompanionUpToDate(), c.current) << c.version.major << "." << c.version.minor << "." << c.version.build;
        EXPECT_LOG(Info(L"StartUpTask QVVS services."),
                   Info(c.current ? L"QVVS is up to date" : L"Upgrade QVVS: version out of date"));
    }
}

TEST_F(CompanionVersionTest, PathFollowsTheProgramFilesVariable) {
    winsim::SetEnvironmentVariable(L"ProgramFiles", L"D:\\Apps");
    winsim::AddFile(L"D:\\Apps\\Orlent Works\\QV Vistane Service\\VistaneService.exe", "MZ", winsim::FileVersion{5, 2, 60, 0});
    EXPECT_TRUE(IsCompanionUpToDate());
    EXPECT_LOG(Info(L"StartUpTask QVVS services."), Info(L"QVVS is up to date"));
}

TEST_F(CompanionVersionTest, ExpansionCutToTheBufferFindsNothing) {
    winsim::SetEnvironmentVariable(L"ProgramFiles", std::wstring(300, L'x'));
    EXPECT_FALSE(IsCompanionUpToDate());
    EXPECT_LOG(Info(L"StartUpTask QVVS services."), Info(L"Install QVVS: QVVSINSTALLPATH was empty"),
               Info(L"QVVS is not found or version information cannot be retrieved."));
}

}  // namespace
