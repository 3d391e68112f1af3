// References to a module: what keeps the module loaded while a thread of it runs.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

using ModuleReferenceTest = vistane_test::SimCallTest;

const int kSomethingInThisProgram = 0;
LPCWSTR AddressInThisProgram() { return reinterpret_cast<LPCWSTR>(&kSomethingInThisProgram); }

TEST_F(ModuleReferenceTest, ReferencesByAddressAreCountedUntilFreed) {
    HMODULE first = nullptr;
    HMODULE second = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), &first));
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), &second));
    HMODULE unchanged = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   AddressInThisProgram(), &unchanged));
    EXPECT_TRUE(first == second && second == unchanged);
    EXPECT_EQ(winsim::LedgerReport(), "module reference=2");
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_TRUE(FreeLibrary(second));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(FreeLibrary(first)) << "no reference is left to drop";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(ModuleReferenceTest, BadRequestsGiveNoHandle) {
    const struct {
        DWORD flags;
        LPCWSTR name;
        bool out;
        DWORD error;
    } rows[] = {
        {GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, nullptr, true,
         ERROR_INVALID_PARAMETER},
        {GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), false, ERROR_INVALID_PARAMETER},
        {GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, nullptr, true, ERROR_MOD_NOT_FOUND},
        {0, L"kernel32.dll", true, ERROR_MOD_NOT_FOUND},
    };
    for (const auto& row : rows) {
        HMODULE module = reinterpret_cast<HMODULE>(0x1);
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(GetModuleHandleExW(row.flags, row.name, row.out ? &module : nullptr));
        EXPECT_EQ(GetLastError(), row.error);
        EXPECT_EQ(module, row.out ? nullptr : reinterpret_cast<HMODULE>(0x1));
    }
}

// The reference is dropped only after every frame of the exiting thread has unwound,
// so a waiter that sees the count fall knows no code of the module still runs. The
// thread is one CreateThread made: closing its handle does not end it.
TEST_F(ModuleReferenceTest, FreeLibraryAndExitThreadEndsTheThreadThenDropsTheReference) {
    struct UnwindWitness {
        std::atomic<bool>& unwound;
        ~UnwindWitness() { unwound = true; }
    };
    struct ThreadState {
        std::atomic<bool> unwound{false};
        std::atomic<bool> returned{false};
        HMODULE module = nullptr;
    } state;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), &state.module));
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
}

}  // namespace
