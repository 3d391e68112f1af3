// The simulated CreateProcessW held to the shared table the Wine suite checks the
// real function with: the same program runs for each application name and command line.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "tests/parity/process_creation_cases.h"
#include "tests/support/sim_test.h"

namespace {

class ProcessCreationParity : public vistane_test::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        for (const wchar_t* program : parity::kProgramFiles) winsim::AddFile(program, "MZ");
    }
};

TEST_F(ProcessCreationParity, EveryRowRunsTheProgramTheTableNames) {
    for (const parity::ProcessCreationCase& row : parity::kProcessCreationCases) {
        SCOPED_TRACE(testing::Message() << "application [" << std::wstring(row.applicationName ? row.applicationName : L"(none)")
                                        << "] command line [" << std::wstring(row.commandLine) << "]");
        std::wstring commandLine = row.commandLine;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        const size_t startsBefore = winsim::StartedProcesses().size();
        SetLastError(0);
        const BOOL started = CreateProcessW(row.applicationName, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                            nullptr, nullptr, &startup, &process);
        if (std::wstring(row.runs).empty()) {
            EXPECT_FALSE(started);
            EXPECT_EQ(GetLastError(), row.error);
            EXPECT_EQ(winsim::StartedProcesses().size(), startsBefore) << "a failed start runs nothing";
            continue;
        }
        ASSERT_TRUE(started) << "error " << GetLastError();
        ASSERT_EQ(winsim::StartedProcesses().size(), startsBefore + 1);
        EXPECT_EQ(winsim::StartedProcesses().back().program, row.runs);
        EXPECT_EQ(winsim::LedgerReport(), "process=1 thread=1");
        EXPECT_TRUE(CloseHandle(process.hThread));
        EXPECT_TRUE(CloseHandle(process.hProcess));
        EXPECT_LEDGER_BALANCED();
    }
    EXPECT_NO_LOG();
}

}  // namespace
