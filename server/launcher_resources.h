#pragma once

// Scoped owners of what the launcher obtains from the platform: each releases its
// resource exactly once, only when it was obtained.
#include <cstddef>
#include <memory>

#include "platform/scoped_handle.h"
#include "platform/win32.h"

namespace Qv::Vantix::Server::Services {

using Platform::ScopedHandle;

// The shared token holder handed between operations: closes the handle with its last
// copy unless it is null.
inline std::shared_ptr<void> MakeTokenHolder(HANDLE token) {
    return std::shared_ptr<void>(token, [](void* handle) {
        if (handle != nullptr) CloseHandle(handle);
    });
}

// Impersonation of a token on the calling thread. Revert() ends it and reports
// whether the platform agreed; an exception unwinding past it still reverts.
class ThreadImpersonation {
public:
    explicit ThreadImpersonation(HANDLE token) : active_(ImpersonateLoggedOnUser(token) != FALSE) {}
    ~ThreadImpersonation() {
        if (active_) RevertToSelf();
    }
    ThreadImpersonation(const ThreadImpersonation&) = delete;
    ThreadImpersonation& operator=(const ThreadImpersonation&) = delete;

    bool Active() const { return active_; }
    bool Revert() {
        active_ = false;
        return RevertToSelf() != FALSE;
    }

private:
    bool active_;
};

class UniqueEnvironmentBlock {
public:
    UniqueEnvironmentBlock() = default;
    ~UniqueEnvironmentBlock() {
        if (block_ != nullptr) DestroyEnvironmentBlock(block_);
    }
    UniqueEnvironmentBlock(const UniqueEnvironmentBlock&) = delete;
    UniqueEnvironmentBlock& operator=(const UniqueEnvironmentBlock&) = delete;

    LPVOID Get() const { return block_; }
    LPVOID* Receive() { return &block_; }

private:
    LPVOID block_ = nullptr;
};

class UniquePackageInfo {
public:
    UniquePackageInfo() = default;
    ~UniquePackageInfo() { Reset(); }
    UniquePackageInfo(const UniquePackageInfo&) = delete;
    UniquePackageInfo& operator=(const UniquePackageInfo&) = delete;

    PACKAGE_INFO_REFERENCE Get() const { return reference_; }
    PACKAGE_INFO_REFERENCE* Receive() { return &reference_; }
    void Reset() {
        if (reference_ != nullptr) ClosePackageInfo(reference_);
        reference_ = nullptr;
    }

private:
    PACKAGE_INFO_REFERENCE reference_ = nullptr;
};

// A thread attribute list in process-heap memory: the memory is returned to the
// heap, and the list deleted first when it was initialised.
class ProcThreadAttributeList {
public:
    ProcThreadAttributeList() = default;
    ~ProcThreadAttributeList() {
        if (initialised_) DeleteProcThreadAttributeList(list_);
        if (list_ != nullptr) HeapFree(GetProcessHeap(), 0, list_);
    }
    ProcThreadAttributeList(const ProcThreadAttributeList&) = delete;
    ProcThreadAttributeList& operator=(const ProcThreadAttributeList&) = delete;

    // Sizes, allocates and initialises a list for `attributeCount` attributes.
    bool Create(DWORD attributeCount) {
        SIZE_T bytes = 0;
        InitializeProcThreadAttributeList(nullptr, attributeCount, 0, &bytes);
        if (bytes == 0) return false;
        list_ = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(HeapAlloc(GetProcessHeap(), 0, bytes));
        if (list_ == nullptr) return false;
        initialised_ = InitializeProcThreadAttributeList(list_, attributeCount, 0, &bytes) != FALSE;
        return initialised_;
    }
    LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return list_; }

private:
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool initialised_ = false;
};

}  // namespace Qv::Vantix::Server::Services
