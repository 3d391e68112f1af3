#pragma once

// Boxed values (Windows.Foundation): IInspectable boxes of a string, a double, a
// boolean or a 32-bit integer, their PropertyType, box_value and unbox_value.
#include <memory>
#include <type_traits>
#include <variant>

#include "platform/winrt/winrt_base.h"

namespace winrt::Windows::Foundation {

enum class PropertyType : std::int32_t {
    Empty = 0,
    UInt8 = 1,
    Int16 = 2,
    UInt16 = 3,
    Int32 = 4,
    UInt32 = 5,
    Int64 = 6,
    UInt64 = 7,
    Single = 8,
    Double = 9,
    Char16 = 10,
    Boolean = 11,
    String = 12,
    Inspectable = 13,
    DateTime = 14,
    TimeSpan = 15,
    Guid = 16,
    Point = 17,
    Size = 18,
    Rect = 19,
    OtherType = 20,
};

class IInspectable;

namespace impl {
using boxed_value = std::variant<hstring, double, bool, std::int32_t>;
}

// The property-value view of a box.
class IPropertyValue {
public:
    IPropertyValue() = default;
    IPropertyValue(std::nullptr_t) {}
    explicit operator bool() const noexcept { return value_ != nullptr; }

    PropertyType Type() const {
        switch (held().index()) {
            case 0: return PropertyType::String;
            case 1: return PropertyType::Double;
            case 2: return PropertyType::Boolean;
            default: return PropertyType::Int32;
        }
    }
    hstring GetString() const { return get<hstring>(); }
    double GetDouble() const { return get<double>(); }
    bool GetBoolean() const { return get<bool>(); }
    std::int32_t GetInt32() const { return get<std::int32_t>(); }

private:
    friend class IInspectable;
    explicit IPropertyValue(std::shared_ptr<const impl::boxed_value> value) : value_(std::move(value)) {}

    const impl::boxed_value& held() const {
        if (!value_) winrt::impl::throw_null_object();
        return *value_;
    }
    template <typename T>
    T get() const {
        if (const T* value = std::get_if<T>(&held())) return *value;
        throw hresult_error(winrt::impl::error_type_mismatch);
    }

    std::shared_ptr<const impl::boxed_value> value_;
};

// A Windows Runtime object reference; here it can only hold a boxed value. Copies
// share the box; a default one is null.
class IInspectable {
public:
    IInspectable() = default;
    IInspectable(std::nullptr_t) {}
    explicit IInspectable(impl::boxed_value value) : value_(std::make_shared<const impl::boxed_value>(std::move(value))) {}

    explicit operator bool() const noexcept { return value_ != nullptr; }
    friend bool operator==(const IInspectable& object, std::nullptr_t) noexcept { return !object; }

    template <typename Interface>
    Interface as() const {
        static_assert(std::is_same_v<Interface, IPropertyValue>, "the layer's objects are property values");
        if (!value_) winrt::impl::throw_null_object();
        return IPropertyValue(value_);
    }
    template <typename Interface>
    Interface try_as() const noexcept {
        static_assert(std::is_same_v<Interface, IPropertyValue>, "the layer's objects are property values");
        return value_ ? IPropertyValue(value_) : IPropertyValue();
    }

    // For unbox_value, not a Windows Runtime member: the boxed T, or null.
    template <typename T>
    const T* layer_boxed_as() const {
        if (!value_) winrt::impl::throw_null_object();
        return std::get_if<T>(value_.get());
    }

private:
    std::shared_ptr<const impl::boxed_value> value_;
};

}  // namespace winrt::Windows::Foundation

namespace winrt {

inline Windows::Foundation::IInspectable box_value(const hstring& value) { return Windows::Foundation::IInspectable(value); }
inline Windows::Foundation::IInspectable box_value(const wchar_t* value) { return box_value(hstring(value)); }
inline Windows::Foundation::IInspectable box_value(double value) { return Windows::Foundation::IInspectable(value); }
inline Windows::Foundation::IInspectable box_value(bool value) { return Windows::Foundation::IInspectable(value); }
inline Windows::Foundation::IInspectable box_value(std::int32_t value) { return Windows::Foundation::IInspectable(value); }

// The value in a box of exactly type T; a box of another type is "no such interface",
// as the reference query fails on Windows.
template <typename T>
T unbox_value(const Windows::Foundation::IInspectable& value) {
    if (const T* boxed = value.template layer_boxed_as<T>()) return *boxed;
    throw hresult_no_interface();
}

}  // namespace winrt
