#pragma once

// The base of the Windows Runtime layer used where C++/WinRT is absent (Linux and
// mingw-w64): the string type and the error types, with C++/WinRT's names and
// behaviour as far as the module uses them.
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace winrt {

// An HRESULT, as C++/WinRT wraps it.
struct hresult {
    std::int32_t value = 0;
    constexpr hresult() = default;
    constexpr hresult(std::int32_t code) : value(code) {}
    constexpr operator std::int32_t() const { return value; }
};

namespace impl {
inline constexpr std::int32_t error_pointer = static_cast<std::int32_t>(0x80004003);        // E_POINTER
inline constexpr std::int32_t error_no_interface = static_cast<std::int32_t>(0x80004002);   // E_NOINTERFACE
inline constexpr std::int32_t error_invalid_argument = static_cast<std::int32_t>(0x80070057);  // E_INVALIDARG
inline constexpr std::int32_t error_type_mismatch = static_cast<std::int32_t>(0x80028CA0);  // TYPE_E_TYPEMISMATCH
}  // namespace impl

// An immutable wide string. Compares by code units, so ordered containers keyed by
// it are exact and case-sensitive.
class hstring {
public:
    using value_type = wchar_t;
    using size_type = std::uint32_t;
    using const_iterator = std::wstring::const_iterator;

    hstring() = default;
    hstring(const wchar_t* text) : text_(text ? text : L"") {}
    hstring(const wchar_t* text, size_type size) : text_(text, size) {}
    hstring(std::wstring_view text) : text_(text) {}
    hstring(const std::wstring& text) : text_(text) {}

    operator std::wstring_view() const noexcept { return text_; }
    const wchar_t* c_str() const noexcept { return text_.c_str(); }
    const wchar_t* data() const noexcept { return text_.data(); }
    size_type size() const noexcept { return static_cast<size_type>(text_.size()); }
    bool empty() const noexcept { return text_.empty(); }
    const_iterator begin() const noexcept { return text_.begin(); }
    const_iterator end() const noexcept { return text_.end(); }
    wchar_t operator[](size_type index) const { return text_[index]; }
    void clear() noexcept { text_.clear(); }

    friend bool operator==(const hstring& left, const hstring& right) noexcept { return left.text_ == right.text_; }
    friend std::strong_ordering operator<=>(const hstring& left, const hstring& right) noexcept {
        return left.text_.compare(right.text_) <=> 0;
    }
    friend bool operator==(const hstring& left, std::wstring_view right) noexcept { return left.text_ == right; }
    friend bool operator==(const hstring& left, const wchar_t* right) noexcept {
        return left.text_ == std::wstring_view(right ? right : L"");
    }

private:
    std::wstring text_;
};

// The Windows Runtime's error: an HRESULT and a message. Like C++/WinRT's, it does
// not derive from std::exception; handlers name it.
class hresult_error {
public:
    hresult_error() = default;
    explicit hresult_error(hresult code) : code_(code) {}
    hresult_error(hresult code, hstring message) : code_(code), message_(std::move(message)) {}

    hresult code() const noexcept { return code_; }
    hstring message() const { return message_; }

private:
    hresult code_ = 0;
    hstring message_;
};

class hresult_invalid_argument : public hresult_error {
public:
    hresult_invalid_argument() : hresult_error(impl::error_invalid_argument) {}
    explicit hresult_invalid_argument(hstring message) : hresult_error(impl::error_invalid_argument, std::move(message)) {}
};

class hresult_no_interface : public hresult_error {
public:
    hresult_no_interface() : hresult_error(impl::error_no_interface) {}
    explicit hresult_no_interface(hstring message) : hresult_error(impl::error_no_interface, std::move(message)) {}
};

namespace impl {
// Using a null Windows Runtime object is an access violation on Windows; here it is
// an error the caller can handle.
[[noreturn]] inline void throw_null_object() { throw hresult_error(error_pointer, L"null object"); }
}  // namespace impl

}  // namespace winrt
