// The real CommandLineToArgvW on the table of tricky lines the simulated Windows is
// checked against: both must split every line alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/support/command_line_cases.h"

namespace {

std::vector<std::wstring> Split(const wchar_t* line) {
    int count = 0;
    LPWSTR* elements = CommandLineToArgvW(line, &count);
    if (elements == nullptr) {
        ADD_FAILURE() << "CommandLineToArgvW failed with " << GetLastError();
        return {};
    }
    std::vector<std::wstring> split(elements, elements + count);
    EXPECT_EQ(LocalFree(elements), nullptr);
    return split;
}

}  // namespace

TEST(CommandLineSplit, TrickyLinesSplitAsTheSimulationSplitsThem) {
    for (const auto& c : vistane_test::TrickyCommandLines()) {
        EXPECT_EQ(Split(c.line), c.elements) << "line: " << testing::PrintToString(std::wstring(c.line));
    }
}

TEST(CommandLineSplit, EmptyLineGivesThisProgramsPath) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    EXPECT_EQ(Split(L""), std::vector<std::wstring>{self});
}
