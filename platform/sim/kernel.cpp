#include <thread>

#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {
constexpr DWORD kLongestEnvironmentText = 32767;
}

DWORD WINAPI GetLastError(void) { return ThreadLastError(); }
void WINAPI SetLastError(DWORD error) { SetThreadLastError(error); }

BOOL WINAPI CloseHandle(HANDLE handle) {
    if (Enter("CloseHandle", ERROR_INVALID_HANDLE, FaultScope::ExplicitOnly)) return FALSE;
    if (handle == GetCurrentProcess()) return TRUE;  // the pseudo handle needs no close
    if (!CloseHandleObject(handle)) {
        SetThreadLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

void WINAPI Sleep(DWORD milliseconds) {
    Enter("Sleep", 0, FaultScope::ExplicitOnly);
    MachineLock lock(MachineMutex());
    TheMachine().sleeps.push_back(milliseconds);
    TheMachine().clockMilliseconds += milliseconds;
}

ULONGLONG WINAPI GetTickCount64(void) {
    MachineLock lock(MachineMutex());
    return TheMachine().clockMilliseconds;
}

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR filename, DWORD size) {
    if (Enter("GetModuleFileNameW", ERROR_MOD_NOT_FOUND)) return 0;
    std::wstring path;
    {
        MachineLock lock(MachineMutex());
        if (module != nullptr) {
            SetThreadLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = TheMachine().hostExecutablePath;
    }
    if (filename == nullptr || size == 0) {
        SetThreadLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    CopyOut(path, filename, size);
    if (path.size() >= size) {
        // Cut to fit, terminated, and the size reported as on Windows Vista and later.
        SetThreadLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    SetThreadLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE /*module*/) {
    if (Enter("DisableThreadLibraryCalls", ERROR_INVALID_PARAMETER)) return FALSE;
    return TRUE;
}

DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size) {
    if (Enter("ExpandEnvironmentStringsW", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    if (source == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring expanded;
    {
        MachineLock lock(MachineMutex());
        expanded = ExpandWith(TheMachine().environment, source);
    }
    if (expanded.size() + 1 > kLongestEnvironmentText) {
        SetThreadLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const DWORD needed = static_cast<DWORD>(expanded.size() + 1);
    if (destination != nullptr && size > 0) {
        // When it does not fit, Windows fills what it can and leaves it unterminated.
        const DWORD count = needed <= size ? needed - 1 : size;
        std::copy_n(expanded.begin(), count, destination);
        if (count < size) destination[count] = L'\0';
    }
    return needed;
}

HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

DWORD WINAPI GetCurrentProcessId(void) { return winsim::ServiceProcessId(); }

DWORD WINAPI GetCurrentThreadId(void) {
    return static_cast<DWORD>(std::hash<std::thread::id>()(std::this_thread::get_id()));
}

namespace winsim {

std::vector<DWORD> Sleeps() {
    detail::MachineLock lock(detail::MachineMutex());
    return detail::TheMachine().sleeps;
}

std::uint64_t NowMilliseconds() {
    detail::MachineLock lock(detail::MachineMutex());
    return detail::TheMachine().clockMilliseconds;
}

}  // namespace winsim
