// The shared GetFullPathNameW table, answered by the real function; the Linux suite
// holds the simulated function to the same rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/parity/full_path_cases.h"
#include "tests/wine/parity_machine_scope.h"
#include "tests/wine/wine_environment.h"

namespace {

void ExpectRow(const parity::FullPathCase& row) {
    SCOPED_TRACE(testing::Message() << "input [" << std::wstring(row.input) << "]");
    std::vector<wchar_t> buffer(MAX_PATH, L'?');
    const DWORD answer = GetFullPathNameW(row.input, MAX_PATH, buffer.data(), nullptr);
    EXPECT_EQ(std::wstring(buffer.data()), row.full);
    EXPECT_EQ(answer, std::wstring(row.full).size()) << "the answer leaves out the NUL";
}

}  // namespace

TEST(FullPathParity, EveryRowResolvesAsTheTableSays) {
    ParityMachineScope machine;
    for (const parity::FullPathCase& row : parity::kFullPathCases) {
        if (row.wineDiffers == nullptr || !wine_checks::RunningUnderWine()) ExpectRow(row);
    }
}

TEST(FullPathParity, RowsWineResolvesItsOwnWay) {
    std::string strays;
    for (const parity::FullPathCase& row : parity::kFullPathCases) {
        if (row.wineDiffers) strays += std::string(strays.empty() ? "" : "; ") + row.wineDiffers;
    }
    if (wine_checks::RunningUnderWine()) GTEST_SKIP() << "Wine strays from Windows here: " << strays;
    ParityMachineScope machine;
    for (const parity::FullPathCase& row : parity::kFullPathCases) {
        if (row.wineDiffers) ExpectRow(row);
    }
}

TEST(FullPathParity, ShortBufferAnswersTheNeededSizeCountingTheNul) {
    ParityMachineScope machine;
    for (const parity::FullPathShortBufferCase& row : parity::kFullPathShortBufferCases) {
        SCOPED_TRACE(testing::Message() << "input [" << std::wstring(row.input) << "] size " << row.bufferSize);
        std::vector<wchar_t> buffer(row.bufferSize + 1, L'?');
        EXPECT_EQ(GetFullPathNameW(row.input, row.bufferSize, row.bufferSize ? buffer.data() : nullptr, nullptr),
                  row.answer);
        EXPECT_EQ(buffer[row.bufferSize], L'?') << "nothing is written past the buffer";
    }
}

TEST(FullPathParity, EmptyNameHasNoFullPath) {
    ParityMachineScope machine;
    wchar_t buffer[MAX_PATH] = {};
    EXPECT_EQ(GetFullPathNameW(L"", MAX_PATH, buffer, nullptr), 0u);
}
