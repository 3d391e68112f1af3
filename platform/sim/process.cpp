#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

constexpr DWORD kEnvironmentBufferLimit = 32767;

HANDLE NewProcessHandle(DWORD pid, DWORD access) {
    auto object = std::make_shared<ProcessObject>();
    object->kind = "process";
    object->pid = pid;
    object->access = access;
    return AddHandle(object);
}

// The process a handle names; the pseudo handle names the service itself.
const SimProcess* ProcessOfHandle(HANDLE process) {
    if (process == GetCurrentProcess()) return FindProcess(TheMachine().serviceProcessId);
    auto object = FindHandleAs<ProcessObject>(process);
    return object ? FindProcess(object->pid) : nullptr;
}

}  // namespace

HANDLE WINAPI OpenProcess(DWORD desiredAccess, BOOL /*inheritHandle*/, DWORD processId) {
    if (Enter("OpenProcess", ERROR_ACCESS_DENIED)) return nullptr;
    MachineLock lock(MachineMutex());
    const SimProcess* process = FindProcess(processId);
    if (process == nullptr || process->exited || processId == 0) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return NewProcessHandle(processId, desiredAccess);
}

BOOL WINAPI OpenProcessToken(HANDLE process, DWORD /*desiredAccess*/, PHANDLE token) {
    if (Enter("OpenProcessToken", ERROR_ACCESS_DENIED)) return FALSE;
    if (token == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MachineLock lock(MachineMutex());
    const SimProcess* target = ProcessOfHandle(process);
    if (target == nullptr) {
        SetThreadLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto object = std::make_shared<TokenObject>();
    object->kind = "token";
    object->user = target->user;
    object->type = TokenPrimary;
    *token = AddHandle(object);
    return TRUE;
}

BOOL WINAPI DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, LPHANDLE target,
                            DWORD desiredAccess, BOOL /*inheritHandle*/, DWORD options) {
    if (Enter("DuplicateHandle", ERROR_INVALID_HANDLE)) return FALSE;
    MachineLock lock(MachineMutex());
    if (sourceProcess != GetCurrentProcess() || targetProcess != GetCurrentProcess() || target == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto object = FindHandle(source);
    if (!object) {
        SetThreadLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::shared_ptr<HandleObject> copy;
    if (auto processObject = std::dynamic_pointer_cast<ProcessObject>(object)) {
        auto duplicate = std::make_shared<ProcessObject>(*processObject);
        if (!(options & DUPLICATE_SAME_ACCESS)) duplicate->access = desiredAccess;
        copy = duplicate;
    } else if (auto tokenObject = std::dynamic_pointer_cast<TokenObject>(object)) {
        copy = std::make_shared<TokenObject>(*tokenObject);
    } else if (auto fileObject = std::dynamic_pointer_cast<FileObject>(object)) {
        copy = std::make_shared<FileObject>(*fileObject);
    } else {
        SetThreadLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    *target = AddHandle(copy);
    if (options & DUPLICATE_CLOSE_SOURCE) CloseHandleObject(source);
    return TRUE;
}

BOOL WINAPI ImpersonateLoggedOnUser(HANDLE token) {
    if (Enter("ImpersonateLoggedOnUser", ERROR_CANT_OPEN_ANONYMOUS)) return FALSE;
    MachineLock lock(MachineMutex());
    auto object = FindHandleAs<TokenObject>(token);
    if (!object) {
        SetThreadLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    BeginImpersonation(object->user, "ImpersonateLoggedOnUser");
    return TRUE;
}

BOOL WINAPI RevertToSelf(void) {
    if (Enter("RevertToSelf", ERROR_ACCESS_DENIED, FaultScope::ExplicitOnly)) return FALSE;
    EndImpersonation("RevertToSelf");
    return TRUE;
}

BOOL WINAPI ExpandEnvironmentStringsForUserW(HANDLE token, LPCWSTR source, LPWSTR destination, DWORD size) {
    if (Enter("ExpandEnvironmentStringsForUserW", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    if (source == nullptr || destination == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring expanded;
    {
        MachineLock lock(MachineMutex());
        std::wstring user = L"SYSTEM";  // no token: system variables only
        if (token != nullptr) {
            auto object = FindHandleAs<TokenObject>(token);
            if (!object) {
                SetThreadLastError(ERROR_INVALID_HANDLE);
                return FALSE;
            }
            user = object->user;
        }
        expanded = ExpandForUser(user, source);
    }
    if (expanded.size() + 1 > size || expanded.size() + 1 > kEnvironmentBufferLimit) {
        SetThreadLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    CopyOut(expanded, destination, size);
    return TRUE;
}

LONG WINAPI GetPackageFamilyName(HANDLE process, UINT32* length, PWSTR familyName) {
    if (auto fault = Enter("GetPackageFamilyName", ERROR_INVALID_HANDLE)) return static_cast<LONG>(*fault);
    if (length == nullptr) return ERROR_INVALID_PARAMETER;
    MachineLock lock(MachineMutex());
    const SimProcess* target = ProcessOfHandle(process);
    if (target == nullptr) return ERROR_INVALID_HANDLE;
    if (target->packageFamilyName.empty()) return APPMODEL_ERROR_NO_PACKAGE;
    const UINT32 needed = static_cast<UINT32>(target->packageFamilyName.size() + 1);
    if (familyName == nullptr || *length < needed) {
        *length = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    CopyOut(target->packageFamilyName, familyName, *length);
    *length = needed;
    return ERROR_SUCCESS;
}
