#pragma once

// Internals shared by the simulated calls: the machine lock, call recording and fault
// injection, the resource ledger, the handle table and per-thread state. Not for
// module code; tests use winsim.h.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/sim/win32_types.h"

namespace winsim::detail {

// The lock of the machine model. Recursive, so a simulated call may use another; and
// as it is only ever held over short bookkeeping, a thread that finds it taken tries
// again for a moment before it sleeps, which costs less than being put to sleep and
// woken.
class WINSIM_API RecursiveSpinMutex {
public:
    void lock();
    bool try_lock();
    void unlock();

private:
    bool TakeFree();
    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    unsigned depth_ = 0;  // read and written by the owner only
};

// One lock for the whole machine model, held over its records only (state, ledger,
// call log): a call reads what it needs under it and hashes or checks signatures after
// letting go, so that threads verify in parallel.
WINSIM_API RecursiveSpinMutex& MachineMutex();
using MachineLock = std::lock_guard<RecursiveSpinMutex>;

// Whether a call may be failed by the sweep of "fail the Nth platform call". Calls
// that release what was obtained are only failed when a test names them explicitly:
// a real release of a valid object does not fail.
enum class FaultScope { Sweep, ExplicitOnly };

// Records the call and decides whether it fails. When it does, the thread's last
// error is set and the error is returned; the caller returns its failure value.
// `api` is the function's name as a literal: the call log keeps the pointer.
WINSIM_API std::optional<DWORD> Enter(const char* api, DWORD defaultError,
                                      FaultScope scope = FaultScope::Sweep);

// Ledger: every object the sim hands out is counted by kind until released.
WINSIM_API void LedgerAcquire(const std::string& kind);
WINSIM_API void LedgerRelease(const std::string& kind);

// Handle table. Handles are never reused, so a double close is always seen.
struct HandleObject {
    virtual ~HandleObject() = default;
    std::string kind;  // ledger kind: "file", "process", "thread", "token", ...
};
WINSIM_API HANDLE AddHandle(std::shared_ptr<HandleObject> object);
WINSIM_API std::shared_ptr<HandleObject> FindHandle(HANDLE handle);
WINSIM_API bool CloseHandleObject(HANDLE handle);
// Visits every open handle's object, under the machine lock.
WINSIM_API void ForEachHandleObject(const std::function<void(HandleObject& object)>& visit);
template <typename T>
std::shared_ptr<T> FindHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

// Local memory (LocalAlloc/LocalFree), counted under "local memory"; simulated calls
// that hand out local memory (security descriptors, argument arrays) use it too.
WINSIM_API void* AllocateLocal(SIZE_T bytes);

// Areas register how to return their state to the default machine.
WINSIM_API void RegisterResetHook(std::function<void()> hook);
struct ResetHookRegistrar {
    explicit ResetHookRegistrar(std::function<void()> hook) { RegisterResetHook(std::move(hook)); }
};

WINSIM_API void SetThreadLastError(DWORD error);
WINSIM_API DWORD ThreadLastError();

// Identity of the calling thread: the account it impersonates, or empty for the
// service's own (the process user).
WINSIM_API void BeginImpersonation(const std::wstring& user, const char* how);
WINSIM_API bool EndImpersonation(const char* how);
WINSIM_API std::wstring CurrentThreadUser();
WINSIM_API std::wstring ThreadIdText();

// Case-insensitive key for names and paths.
WINSIM_API std::wstring FoldCase(std::wstring_view text);

}  // namespace winsim::detail
