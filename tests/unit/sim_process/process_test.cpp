// The references that keep a module loaded, and the unload a thread ends with: what the
// module's own suites cannot see happen in order. (A started program's end wakes the
// update task's wait in its own suite.)
#include <gtest/gtest.h>

#include <atomic>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

using ProcessTest = vistane_test::SimCallTest;

const int kSomethingInThisProgram = 0;
LPCWSTR AddressInThisProgram() { return reinterpret_cast<LPCWSTR>(&kSomethingInThisProgram); }

// The reference is dropped only after every frame of the exiting thread has unwound,
// so a waiter that sees the count fall knows no code of the module still runs. The
// thread is one CreateThread made: closing its handle does not end it. References are
// counted: the module stays while any is held, and none is left to drop after the last.
TEST_F(ProcessTest, FreeLibraryAndExitThreadEndsTheThreadThenDropsTheReference) {
    struct UnwindWitness {
        std::atomic<bool>& unwound;
        ~UnwindWitness() { unwound = true; }
    };
    struct ThreadState {
        std::atomic<bool> unwound{false};
        std::atomic<bool> returned{false};
        HMODULE module = nullptr;
    } state;
    HMODULE first = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), &first));
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), &state.module));
    EXPECT_EQ(first, state.module);
    EXPECT_EQ(winsim::LedgerReport(), "module reference=2");
    EXPECT_TRUE(FreeLibrary(first));
    const auto body = [](LPVOID parameter) -> DWORD {
        auto* state = static_cast<ThreadState*>(parameter);
        UnwindWitness witness{state->unwound};
        FreeLibraryAndExitThread(state->module, 0);
        state->returned = true;  // never reached
        return 0;
    };
    const HANDLE thread = CreateThread(nullptr, 0, body, &state, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    ASSERT_TRUE(winsim::WaitForModuleReferences(0));
    EXPECT_TRUE(state.unwound) << "the thread's frames unwound before the reference fell";
    EXPECT_FALSE(state.returned);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(FreeLibrary(first)) << "no reference is left to drop";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
