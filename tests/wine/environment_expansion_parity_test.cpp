// The shared ExpandEnvironmentStringsW table, answered by the real function; the
// Linux suite holds the simulated function to the same rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/parity/environment_expansion_cases.h"
#include "tests/wine/parity_machine_scope.h"

TEST(EnvironmentExpansionParity, EveryRowExpandsAsTheTableSays) {
    ParityMachineScope machine;
    for (const parity::ExpansionCase& row : parity::kExpansionCases) {
        SCOPED_TRACE(testing::Message() << "source [" << std::wstring(row.source) << "]");
        std::vector<wchar_t> buffer(MAX_PATH, L'?');
        const DWORD answer = ExpandEnvironmentStringsW(row.source, buffer.data(), MAX_PATH);
        EXPECT_EQ(std::wstring(buffer.data()), row.expanded);
        EXPECT_EQ(answer, std::wstring(row.expanded).size() + 1) << "the answer counts the NUL";
    }
}

TEST(EnvironmentExpansionParity, ShortBufferAnswersTheNeededSize) {
    ParityMachineScope machine;
    for (const parity::ShortBufferCase& row : parity::kExpansionShortBufferCases) {
        SCOPED_TRACE(testing::Message() << "source [" << std::wstring(row.source) << "] size " << row.bufferSize);
        std::vector<wchar_t> buffer(row.bufferSize + 1, L'?');
        EXPECT_EQ(ExpandEnvironmentStringsW(row.source, row.bufferSize ? buffer.data() : nullptr, row.bufferSize),
                  row.answer);
        EXPECT_EQ(buffer[row.bufferSize], L'?') << "nothing is written past the buffer";
    }
}
