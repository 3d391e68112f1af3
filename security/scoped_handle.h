#pragma once

#include <utility>

#include "platform/win32.h"

namespace Qv::Vantix::Security {

// Owns a kernel handle from the moment it is obtained and closes it on every path.
// Windows uses both null and INVALID_HANDLE_VALUE as "no handle"; neither is closed.
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() { reset(); }

    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool is_valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

    void reset(HANDLE handle = nullptr) {
        if (is_valid()) CloseHandle(handle_);
        handle_ = handle;
    }

    // For calls that write the handle through an out-parameter.
    HANDLE* put() {
        reset();
        return &handle_;
    }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace Qv::Vantix::Security
