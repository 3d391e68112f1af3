#pragma once

// Owns a block of local memory handed out by a call (security descriptors, argument
// arrays) and frees it with LocalFree once.
#include <utility>

#include "platform/win32.h"

namespace Qv::Vantix::Platform {

template <typename T>
class ScopedLocalMemory {
public:
    ScopedLocalMemory() = default;
    explicit ScopedLocalMemory(T* block) : block_(block) {}
    ~ScopedLocalMemory() { reset(); }

    ScopedLocalMemory(const ScopedLocalMemory&) = delete;
    ScopedLocalMemory& operator=(const ScopedLocalMemory&) = delete;
    ScopedLocalMemory(ScopedLocalMemory&& other) noexcept : block_(other.release()) {}
    ScopedLocalMemory& operator=(ScopedLocalMemory&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T* get() const { return block_; }
    explicit operator bool() const { return block_ != nullptr; }

    void reset(T* block = nullptr) {
        if (block_ != nullptr) LocalFree(reinterpret_cast<HLOCAL>(block_));
        block_ = block;
    }
    T* release() { return std::exchange(block_, nullptr); }

    // For out-parameters: frees what is held and hands out the empty slot.
    T** put() {
        reset();
        return &block_;
    }

private:
    T* block_ = nullptr;
};

// The descriptor GetNamedSecurityInfoW returns; owner, group and lists point into it.
using ScopedSecurityDescriptor = ScopedLocalMemory<void>;

}  // namespace Qv::Vantix::Platform
