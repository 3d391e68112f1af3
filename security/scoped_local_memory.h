#pragma once

#include <utility>

#include "platform/win32.h"

namespace Qv::Vantix::Security {

// Owns a block that Windows handed out with LocalAlloc (for example the argument
// array of CommandLineToArgvW) and gives it back with LocalFree on every path.
template <typename T>
class ScopedLocalMemory {
public:
    ScopedLocalMemory() = default;
    explicit ScopedLocalMemory(T* block) : block_(block) {}
    ~ScopedLocalMemory() { reset(); }

    ScopedLocalMemory(ScopedLocalMemory&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    ScopedLocalMemory& operator=(ScopedLocalMemory&& other) noexcept {
        if (this != &other) reset(std::exchange(other.block_, nullptr));
        return *this;
    }
    ScopedLocalMemory(const ScopedLocalMemory&) = delete;
    ScopedLocalMemory& operator=(const ScopedLocalMemory&) = delete;

    T* get() const { return block_; }
    explicit operator bool() const { return block_ != nullptr; }

    void reset(T* block = nullptr) {
        if (block_ != nullptr) LocalFree(reinterpret_cast<HLOCAL>(block_));
        block_ = block;
    }

private:
    T* block_ = nullptr;
};

}  // namespace Qv::Vantix::Security
