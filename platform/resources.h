#pragma once

// Holders of the kernel's own resources, chosen where the resource is obtained.
#include "platform/unique_any.h"
#include "platform/win32.h"

namespace Qv::Vantix::Platform {

// A kernel handle. Both NULL and INVALID_HANDLE_VALUE mean "no handle": calls disagree
// on which one they return.
inline bool IsNoHandle(HANDLE handle) { return handle == nullptr || handle == INVALID_HANDLE_VALUE; }
inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
using ScopedHandle = UniqueAny<HANDLE, &CloseKernelHandle, &IsNoHandle>;

// A block of local memory a call hands out (security descriptors, argument arrays).
template <typename T>
void FreeLocalMemory(T* block) {
    LocalFree(reinterpret_cast<HLOCAL>(block));
}
template <typename T>
using ScopedLocalMemory = UniqueAny<T*, &FreeLocalMemory<T>>;
// The descriptor GetNamedSecurityInfoW returns; owner, group and lists point into it.
using ScopedSecurityDescriptor = ScopedLocalMemory<void>;

// The process and thread handles a process creation fills in; each is closed only
// when it was received.
inline bool IsNoProcess(const PROCESS_INFORMATION& created) {
    return created.hProcess == nullptr && created.hThread == nullptr;
}
inline void CloseProcessInformation(const PROCESS_INFORMATION& created) {
    if (created.hProcess != nullptr) CloseHandle(created.hProcess);
    if (created.hThread != nullptr) CloseHandle(created.hThread);
}
using UniqueProcessInformation = UniqueAny<PROCESS_INFORMATION, &CloseProcessInformation, &IsNoProcess>;

}  // namespace Qv::Vantix::Platform
