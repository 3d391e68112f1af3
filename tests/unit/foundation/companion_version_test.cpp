#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "service/vistane/companion_version.h"
#include "service/vistane/vistane_service.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Server::Services::Vistane::IsCompanionUpToDate;

const std::wstring kSuffix = L"\\Orlent Works\\QV Vistane Service\\VistaneService.exe";
const std::wstring kCompanion = L"C:\\Program Files" + kSuffix;
const wchar_t* const kStart = L"StartUpTask QVVS services.";
const wchar_t* const kNoFile = L"Install QVVS: QVVSINSTALLPATH was empty";
const wchar_t* const kNoVersion = L"Install QVVS: Unable to GetFileVersionInfo";
const wchar_t* const kNotFound = L"QVVS is not found or version information cannot be retrieved.";
const wchar_t* const kOld = L"Upgrade QVVS: version out of date";
const wchar_t* const kCurrent = L"QVVS is up to date";

// A companion installed under a Program Files folder named `length` characters long.
std::function<void()> InstalledUnderFolderOfLength(std::size_t length) {
    const std::wstring folder = L"D:\\" + std::wstring(length - 3, L'x');
    return [folder] {
        winsim::SetEnvironmentVariable(L"ProgramFiles", folder);
        winsim::AddFile(folder + kSuffix, "MZ", winsim::FileVersion{5, 2, 60, 0});
    };
}

struct CompanionRow {
    std::function<void()> machine;
    bool current;
    std::vector<const wchar_t*> log;  // Info records
};

class CompanionVersionTest : public vistane_test::SimTest {
protected:
    void Check(const CompanionRow& row) {
        winsim::Reset();
        row.machine();
        EXPECT_EQ(IsCompanionUpToDate(), row.current);
        std::vector<vistane_test::LogRecord> expected;
        for (const wchar_t* text : row.log) expected.push_back(vistane_test::Info(text));
        EXPECT_EQ(vistane_test::Describe(TakeLog()), vistane_test::Describe(expected));
        EXPECT_LEDGER_BALANCED();
    }
};

TEST_F(CompanionVersionTest, MachinesWithoutAReadableVersionAreNotCurrent) {
    const CompanionRow rows[] = {
        {[] {}, false, {kStart, kNoFile, kNotFound}},
        {[] {
             winsim::AddFile(kCompanion, "MZ", winsim::FileVersion{5, 2, 60, 0});
             winsim::SetVersionResourceUnreadable(kCompanion);
         }, false, {kStart, kNoVersion, kNotFound}},
        {[] {
             winsim::AddFile(kCompanion, "MZ", winsim::FileVersion{6, 0, 0, 0});
             winsim::FailCall("VerQueryValueW", 1, ERROR_RESOURCE_TYPE_NOT_FOUND);
         }, false, {kStart, kNoVersion, kNotFound}},
        // The expanded path must fit MAX_PATH with its terminator; a longer one is cut.
        {InstalledUnderFolderOfLength(208), true, {kStart, kCurrent}},
        {InstalledUnderFolderOfLength(209), false, {kStart, kNoFile, kNotFound}},
    };
    for (const CompanionRow& row : rows) {
        SCOPED_TRACE(&row - rows);
        Check(row);
    }
}

TEST_F(CompanionVersionTest, CurrentFrom5_2_60OnComparedAsUnsignedParts) {
    const std::pair<winsim::FileVersion, bool> versions[] = {
        {{5, 2, 60, 0}, true},     {{5, 2, 59, 9999}, false},     {{5, 1, 999, 0}, false},   {{5, 3, 0, 0}, true},
        {{65535, 0, 0, 0}, true},  {{4, 65535, 65535, 0}, false}, {{5, 2, 65535, 0}, true}, {{5, 2, 60, 65535}, true},
    };
    for (const auto& [version, current] : versions) {
        SCOPED_TRACE(testing::Message() << version.major << "." << version.minor << "." << version.build);
        Check({[version] { winsim::AddFile(kCompanion, "MZ", version); }, current, {kStart, current ? kCurrent : kOld}});
    }
}

// What the host asks of every service: this one answers as its base does.
TEST_F(CompanionVersionTest, BaseOperationsKeepTheirContractWithoutAPlatformCall) {
    Qv::Vantix::Server::Services::Vistane::VistaneService service;
    EXPECT_EQ(service.RequiredOperation1(nullptr) + service.RequiredOperation2(nullptr), 0u);
    EXPECT_TRUE(service.QueryFlag(nullptr));
    service.FreeBuffer(nullptr);
    service.FreeBuffer(std::malloc(32));  // released on the module's heap (checked by ASan)
    EXPECT_TRUE(winsim::CallLog().empty());
    EXPECT_NO_LOG();
}

}  // namespace
