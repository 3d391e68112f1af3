#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/sim/sim_machine.h"

namespace winsim::detail {

namespace {
std::set<void*>& LiveBlocks() {
    static auto* blocks = new std::set<void*>();
    return *blocks;
}
}  // namespace

void* AllocateLocal(SIZE_T bytes) {
    MachineLock lock(MachineMutex());
    void* block = std::calloc(1, bytes ? bytes : 1);
    if (!block) return nullptr;
    LiveBlocks().insert(block);
    LedgerAcquire("local memory");
    return block;
}

}  // namespace winsim::detail

using namespace winsim::detail;

HLOCAL WINAPI LocalAlloc(UINT /*flags*/, SIZE_T bytes) {
    if (Enter("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    return AllocateLocal(bytes);
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
    if (Enter("LocalFree", ERROR_INVALID_HANDLE, FaultScope::ExplicitOnly)) return memory;
    if (memory == nullptr) return nullptr;
    MachineLock lock(MachineMutex());
    if (LiveBlocks().erase(memory) == 0) {
        SetThreadLastError(ERROR_INVALID_HANDLE);
        return memory;  // not ours or already freed: Windows reports the block back
    }
    std::free(memory);
    LedgerRelease("local memory");
    return nullptr;
}
