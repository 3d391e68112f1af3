// The simulated GetFullPathNameW held to the shared table the Wine suite checks the
// real function with, including the rows where Wine strays from Windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/parity/full_path_cases.h"
#include "tests/support/sim_test.h"
#include "tests/unit/platform_parity/parity_machine.h"

namespace {

class FullPathParity : public vistane_test::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        UseParityMachine();
    }
};

TEST_F(FullPathParity, EveryRowResolvesAsTheTableSays) {
    for (const parity::FullPathCase& row : parity::kFullPathCases) {
        SCOPED_TRACE(testing::Message() << "input [" << std::wstring(row.input) << "]");
        std::vector<wchar_t> buffer(MAX_PATH, L'?');
        const DWORD answer = GetFullPathNameW(row.input, MAX_PATH, buffer.data(), nullptr);
        EXPECT_EQ(std::wstring(buffer.data()), row.full);
        EXPECT_EQ(answer, std::wstring(row.full).size()) << "the answer leaves out the NUL";
    }
    EXPECT_NO_LOG();
    EXPECT_LEDGER_BALANCED();
}

TEST_F(FullPathParity, ShortBufferAnswersTheNeededSizeCountingTheNul) {
    for (const parity::FullPathShortBufferCase& row : parity::kFullPathShortBufferCases) {
        SCOPED_TRACE(testing::Message() << "input [" << std::wstring(row.input) << "] size " << row.bufferSize);
        std::vector<wchar_t> buffer(row.bufferSize + 1, L'?');
        EXPECT_EQ(GetFullPathNameW(row.input, row.bufferSize, row.bufferSize ? buffer.data() : nullptr, nullptr),
                  row.answer);
        EXPECT_EQ(buffer[row.bufferSize], L'?') << "nothing is written past the buffer";
    }
    EXPECT_NO_LOG();
}

TEST_F(FullPathParity, EmptyNameHasNoFullPath) {
    wchar_t buffer[MAX_PATH] = {};
    EXPECT_EQ(GetFullPathNameW(L"", MAX_PATH, buffer, nullptr), 0u);
    EXPECT_NO_LOG();
}

}  // namespace
