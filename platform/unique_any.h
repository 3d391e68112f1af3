#pragma once

// Owns one resource from the moment it is obtained and releases it once, on every
// path. Each kind of resource is one alias: the value's type, the function that
// releases it and, where a call reports "nothing" in more than one way, the test
// that says which values hold nothing. An empty holder keeps T{}.
#include <utility>

namespace Qv::Vantix::Platform {

template <typename T>
constexpr bool IsNull(const T& value) {
    return value == T{};
}

template <typename T, auto Close, auto Empty = &IsNull<T>>
class UniqueAny {
public:
    UniqueAny() = default;
    explicit UniqueAny(T value) : value_(value) {}
    ~UniqueAny() { reset(); }

    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return value_; }
    explicit operator bool() const { return !Empty(value_); }

    // Releases what is held, then holds `value`.
    void reset(T value = T{}) {
        const T held = std::exchange(value_, value);
        if (!Empty(held)) Close(held);
    }
    // Gives up ownership: the caller now releases the value.
    T release() { return std::exchange(value_, T{}); }
    // For out-parameters: releases what is held and hands out the empty slot to fill.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_{};
};

}  // namespace Qv::Vantix::Platform
