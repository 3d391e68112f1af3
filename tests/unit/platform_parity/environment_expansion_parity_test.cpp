// The simulated ExpandEnvironmentStringsW held to the shared table the Wine suite
// checks the real function with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/parity/environment_expansion_cases.h"
#include "tests/support/sim_test.h"
#include "tests/unit/platform_parity/parity_machine.h"

namespace {

class EnvironmentExpansionParity : public vistane_test::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        UseParityMachine();
    }
};

TEST_F(EnvironmentExpansionParity, EveryRowExpandsAsTheTableSays) {
    for (const parity::ExpansionCase& row : parity::kExpansionCases) {
        SCOPED_TRACE(testing::Message() << "source [" << std::wstring(row.source) << "]");
        std::vector<wchar_t> buffer(MAX_PATH, L'?');
        const DWORD answer = ExpandEnvironmentStringsW(row.source, buffer.data(), MAX_PATH);
        EXPECT_EQ(std::wstring(buffer.data()), row.expanded);
        EXPECT_EQ(answer, std::wstring(row.expanded).size() + 1) << "the answer counts the NUL";
    }
    EXPECT_NO_LOG();
    EXPECT_LEDGER_BALANCED();
}

TEST_F(EnvironmentExpansionParity, ShortBufferAnswersTheNeededSize) {
    for (const parity::ShortBufferCase& row : parity::kExpansionShortBufferCases) {
        SCOPED_TRACE(testing::Message() << "source [" << std::wstring(row.source) << "] size " << row.bufferSize);
        std::vector<wchar_t> buffer(row.bufferSize + 1, L'?');
        EXPECT_EQ(ExpandEnvironmentStringsW(row.source, row.bufferSize ? buffer.data() : nullptr, row.bufferSize),
                  row.answer);
        EXPECT_EQ(buffer[row.bufferSize], L'?') << "nothing is written past the buffer";
    }
    EXPECT_NO_LOG();
}

TEST_F(EnvironmentExpansionParity, InjectedFailureAnswersZeroWithTheError) {
    winsim::FailCall("ExpandEnvironmentStringsW", 1, ERROR_NOT_ENOUGH_MEMORY);
    wchar_t buffer[MAX_PATH] = {};
    EXPECT_EQ(ExpandEnvironmentStringsW(L"%windir%", buffer, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_NO_LOG();
}

}  // namespace
