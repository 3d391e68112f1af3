#pragma once

// Owns a kernel handle from the moment it is obtained and closes it once. Both NULL and
// INVALID_HANDLE_VALUE mean "nothing held": calls disagree on which one they return.
#include <utility>

#include "platform/win32.h"

namespace Qv::Vantix::Platform {

class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() { reset(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    HANDLE get() const { return handle_; }
    bool valid() const { return IsUsable(handle_); }
    explicit operator bool() const { return valid(); }

    void reset(HANDLE handle = nullptr) {
        if (IsUsable(handle_)) CloseHandle(handle_);
        handle_ = handle;
    }
    HANDLE release() { return std::exchange(handle_, nullptr); }

    // For out-parameters: closes what is held and presets the slot to `preset`, so a
    // call that writes nothing leaves a value that reads as "no handle".
    HANDLE* put(HANDLE preset = nullptr) {
        reset(preset);
        return &handle_;
    }

    static bool IsUsable(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace Qv::Vantix::Platform
