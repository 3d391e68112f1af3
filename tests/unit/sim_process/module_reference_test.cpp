#include <gtest/gtest.h>

#include <atomic>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

class ModuleReferenceTest : public vistane_test::SimTest {};

const int kSomethingInThisProgram = 0;
LPCWSTR AddressInThisProgram() { return reinterpret_cast<LPCWSTR>(&kSomethingInThisProgram); }

TEST_F(ModuleReferenceTest, ReferencesByAddressAreCountedUntilFreed) {
    HMODULE first = nullptr;
    HMODULE second = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), &first));
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), &second));
    EXPECT_EQ(first, second);
    EXPECT_EQ(winsim::ModuleReferences(first), 2);
    EXPECT_EQ(winsim::OpenResources(), (std::map<std::string, long>{{"module reference", 2}}));

    HMODULE unchanged = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   AddressInThisProgram(), &unchanged));
    EXPECT_EQ(unchanged, first);
    EXPECT_EQ(winsim::ModuleReferences(), 2);

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(winsim::ModuleReferences(), 0);
    EXPECT_FALSE(FreeLibrary(first)) << "no reference is left to drop";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_NO_LOG();
}

TEST_F(ModuleReferenceTest, BadRequestsGiveNoHandle) {
    HMODULE module = reinterpret_cast<HMODULE>(0x1);
    EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                    nullptr, &module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(module, nullptr);
    EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, nullptr, &module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(GetModuleHandleExW(0, L"kernel32.dll", &module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    winsim::FailCall("GetModuleHandleExW", winsim::CallCount("GetModuleHandleExW") + 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), &module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(module, nullptr);

    ASSERT_TRUE(GetModuleHandleExW(0, nullptr, &module)) << "no name: the program itself";
    EXPECT_NE(module, nullptr);
    EXPECT_TRUE(FreeLibrary(module));
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
    EXPECT_EQ(winsim::CallCount("FreeLibraryAndExitThread"), 1u);
    EXPECT_LEDGER_BALANCED();
}

TEST_F(ModuleReferenceTest, WaitingForReferencesGivesUpAfterItsTimeOut) {
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisProgram(), &module));
    EXPECT_FALSE(winsim::WaitForModuleReferences(0, std::chrono::milliseconds(1)));
    EXPECT_TRUE(winsim::WaitForModuleReferences(1, std::chrono::milliseconds(1)));
    FreeLibrary(module);
}

}  // namespace
