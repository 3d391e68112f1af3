// The simulated kernel where no parity table reaches: faults on demand. (A user's own
// environment is held by the launcher's suite.)
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

using KernelCallsTest = vistane_test::SimCallTest;

// The nth call fails with its own plausible error when none is chosen. (A chosen call
// failing with a chosen error is what every failure row of the module's suites arranges.)
TEST_F(KernelCallsTest, TheNthCallFailsWithItsOwnError) {
    winsim::FailNthPlatformCall(2, 0);
    WCHAR buffer[MAX_PATH];
    EXPECT_NE(ExpandEnvironmentStringsW(L"x", buffer, MAX_PATH), 0u);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFullPathNameW(L"C:\\x", MAX_PATH, buffer, nullptr), 0u) << "the second call fails";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME)) << "with the call's own plausible error";
    EXPECT_EQ(winsim::FaultsInjected(), 1u);
    // A misspelt name is refused, never read as "no call" or "none held".
    EXPECT_THROW(winsim::FailCall("CreateFile", 1, 0), std::invalid_argument);
    EXPECT_THROW(winsim::CallCount("createfilew"), std::invalid_argument);
    EXPECT_THROW(winsim::OpenCount("files"), std::invalid_argument);
}

}  // namespace
