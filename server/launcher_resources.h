#pragma once

// Holders of what the launcher obtains from the platform: each releases its resource
// exactly once, only when it was obtained.
#include <cstddef>
#include <memory>

#include "platform/resources.h"
#include "platform/win32.h"

namespace Qv::Vantix::Server::Services {

using Platform::ScopedHandle;
using Platform::UniqueAny;
using Platform::UniqueProcessInformation;

// The shared token holder handed between operations: closes the handle with its last
// copy unless it is null.
inline std::shared_ptr<void> MakeTokenHolder(HANDLE token) {
    return std::shared_ptr<void>(token, [](void* handle) {
        if (handle != nullptr) CloseHandle(handle);
    });
}

inline void DestroyEnvironment(LPVOID block) { DestroyEnvironmentBlock(block); }
using UniqueEnvironmentBlock = UniqueAny<LPVOID, &DestroyEnvironment>;

inline void ClosePackage(PACKAGE_INFO_REFERENCE reference) { ClosePackageInfo(reference); }
using UniquePackageInfo = UniqueAny<PACKAGE_INFO_REFERENCE, &ClosePackage>;

inline void FreeProcessHeapBlock(LPVOID block) { HeapFree(GetProcessHeap(), 0, block); }
using UniqueProcessHeapBlock = UniqueAny<LPVOID, &FreeProcessHeapBlock>;

inline void DeleteAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST list) { DeleteProcThreadAttributeList(list); }
using UniqueAttributeList = UniqueAny<LPPROC_THREAD_ATTRIBUTE_LIST, &DeleteAttributeList>;

// A thread attribute list in process-heap memory: the list is deleted when it was
// initialised, then the memory returned to the heap.
class ProcThreadAttributeList {
public:
    // Sizes, allocates and initialises a list for `attributeCount` attributes.
    bool Create(DWORD attributeCount) {
        SIZE_T bytes = 0;
        InitializeProcThreadAttributeList(nullptr, attributeCount, 0, &bytes);
        if (bytes == 0) return false;
        memory_.reset(HeapAlloc(GetProcessHeap(), 0, bytes));
        if (!memory_) return false;
        const auto list = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(memory_.get());
        if (!InitializeProcThreadAttributeList(list, attributeCount, 0, &bytes)) return false;
        list_.reset(list);
        return true;
    }
    // The list, or null before Create has allocated it.
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(memory_.get()); }

private:
    UniqueProcessHeapBlock memory_;  // declared first: freed after the list is deleted
    UniqueAttributeList list_;
};

}  // namespace Qv::Vantix::Server::Services
