// The simulated CreateProcessW and CreateProcessAsUserW held to the shared table the
// Wine suite checks the real functions with.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/parity/process_creation_check.h"
#include "tests/support/sim_test.h"
#include "tests/unit/platform_parity/parity_machine.h"

namespace {

using ProcessCreationParity = vistane_test::SimTest;

TEST_F(ProcessCreationParity, EveryRowRunsTheProgramTheTableNames) {
    UseParityMachine();
    for (const wchar_t* program : parity::kProgramFiles) winsim::AddFile(program, "MZ");
    parity::CheckProcessCreationRows([](const PROCESS_INFORMATION& process) {
        for (const winsim::StartedProcess& started : winsim::StartedProcesses())
            if (started.pid == process.dwProcessId) return started.program;
        return std::wstring(L"(not recorded)");
    });
    const auto runs = std::ranges::count_if(parity::kProcessCreationCases, [](const auto& row) { return *row.runs != 0; });
    EXPECT_EQ(winsim::StartedProcesses().size(), 2u * runs) << "a failed start runs nothing";
    EXPECT_NO_LOG();
}

}  // namespace
