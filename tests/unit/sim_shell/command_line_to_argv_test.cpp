#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/support/command_line_cases.h"
#include "tests/support/sim_test.h"

namespace {

class CommandLineToArgvTest : public vistane_test::SimTest {
protected:
    // Splits a line, copies the elements out and frees the block as a caller must.
    std::vector<std::wstring> Split(const wchar_t* line) {
        int count = -1;
        LPWSTR* argv = CommandLineToArgvW(line, &count);
        EXPECT_NE(argv, nullptr);
        if (argv == nullptr) return {};
        EXPECT_EQ(winsim::LedgerReport(), "local memory=1") << "one block for the array and its strings";
        std::vector<std::wstring> elements(argv, argv + count);
        EXPECT_EQ(argv[count], nullptr) << "the array is closed by a null pointer";
        EXPECT_EQ(LocalFree(argv), nullptr);
        return elements;
    }
};

TEST_F(CommandLineToArgvTest, TrickyLinesSplitAsOnWindows) {
    for (const auto& c : vistane_test::TrickyCommandLines()) {
        EXPECT_EQ(Split(c.line), c.elements) << "line: " << testing::PrintToString(std::wstring(c.line));
    }
    EXPECT_LEDGER_BALANCED();
}

TEST_F(CommandLineToArgvTest, EmptyLineGivesTheRunningProgramsPath) {
    winsim::SetHostExecutablePath(L"C:\\Host\\PluginHost.exe");
    EXPECT_EQ(Split(L""), (std::vector<std::wstring>{L"C:\\Host\\PluginHost.exe"}));
}

TEST_F(CommandLineToArgvTest, MissingCountOrLineIsAnInvalidParameter) {
    EXPECT_EQ(CommandLineToArgvW(L"a b", nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    int count = 7;
    EXPECT_EQ(CommandLineToArgvW(nullptr, &count), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(count, 7);
    EXPECT_LEDGER_BALANCED();
}

TEST_F(CommandLineToArgvTest, InjectedFailureAllocatesNothing) {
    winsim::FailCall("CommandLineToArgvW", 1, ERROR_NOT_ENOUGH_MEMORY);
    int count = 0;
    EXPECT_EQ(CommandLineToArgvW(L"test.exe a", &count), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_LEDGER_BALANCED();
}

TEST_F(CommandLineToArgvTest, FreeingTwiceIsReportedBack) {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(L"test.exe a", &count);
    ASSERT_NE(argv, nullptr);
    EXPECT_EQ(LocalFree(argv), nullptr);
    EXPECT_EQ(LocalFree(argv), static_cast<HLOCAL>(argv));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
