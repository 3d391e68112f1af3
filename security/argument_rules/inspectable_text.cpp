#include "security/argument_rules/inspectable_text.h"

#include <charconv>

namespace Qv::Vantix::Security {

namespace {

std::wstring ShortestText(double value) {
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::wstring(buffer, written.ptr);  // ASCII only
}

}  // namespace

std::wstring InspectableToText(const winrt::Windows::Foundation::IInspectable& value) {
    using winrt::Windows::Foundation::IPropertyValue;
    using winrt::Windows::Foundation::PropertyType;
    switch (value.as<IPropertyValue>().Type()) {
        case PropertyType::String: return std::wstring(std::wstring_view(winrt::unbox_value<winrt::hstring>(value)));
        case PropertyType::Double: return ShortestText(winrt::unbox_value<double>(value));
        case PropertyType::Boolean: return winrt::unbox_value<bool>(value) ? L"true" : L"false";
        default: throw winrt::hresult_invalid_argument(L"unsupported property type");
    }
}

}  // namespace Qv::Vantix::Security
