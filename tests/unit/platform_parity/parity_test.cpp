// The simulated Windows held to the shared tables the Wine suite checks the real calls
// with (tests/parity), with its ledger checked on every row.
#include <gtest/gtest.h>

#include "tests/parity/parity_checks.h"
#include "tests/parity/parity_machine.h"
#include "tests/support/sim_test.h"

namespace {

class Parity : public vistane_test::SimCallTest {
protected:
    void SetUp() override {
        SimCallTest::SetUp();
        for (const parity::Variable& variable : parity::kVariables)
            winsim::SetEnvironmentVariable(variable.name, variable.value);
        winsim::SetCurrentDirectory(parity::kCurrentFolder);
    }
    const parity::Platform sim{
        [](const wchar_t* path) { winsim::AddFile(path, "MZ"); },
        [](const PROCESS_INFORMATION& process) {
            for (const winsim::StartedProcess& started : winsim::StartedProcesses())
                if (started.pid == process.dwProcessId) return started.program;
            return std::wstring(L"(not recorded)");
        },
        [](const char* report) { EXPECT_EQ(winsim::LedgerReport(), report); }};
};

TEST_F(Parity, EnvironmentExpansion) { parity::CheckExpansionRows(); }
TEST_F(Parity, FullPaths) { parity::CheckFullPathRows(sim); }
TEST_F(Parity, FileSharing) { parity::CheckSharingRows(sim); }
TEST_F(Parity, AccountLookup) { parity::CheckAccountRows(sim); }

TEST_F(Parity, CommandLinesAndProgramPath) {
    winsim::SetHostExecutablePath(L"C:\\Host\\PluginHost.exe");
    parity::CheckCommandLineRows(sim);
}

TEST_F(Parity, ObjectSecurity) {
    winsim::AddFolder(L"C:\\Parity\\Owned");
    parity::CheckSecurityPartsRows(sim, L"C:\\Parity\\Owned");
}

TEST_F(Parity, VersionResources) {
    // The machine holds what the Wine build puts beside its test program.
    for (const parity::VersionCase& row : parity::kVersionCases) {
        const std::wstring path = std::wstring(L"C:\\Parity\\Bin\\") + row.fileName;
        if (row.readable) winsim::AddFile(path, "MZ", winsim::FileVersion{row.major, row.minor, row.build, row.revision});
        else if (row.sizeError != ERROR_FILE_NOT_FOUND) winsim::AddFile(path, "MZ");
    }
    parity::CheckVersionRows(sim, L"C:\\Parity\\Bin\\");
}

TEST_F(Parity, ProcessCreation) { parity::CheckProcessCreationRows(sim); }

}  // namespace
