#pragma once

#include <string>

#include "platform/winrt.h"

namespace Qv::Vantix::Security {

// A boxed string as it is, a boxed double as the shortest text that reads back to the
// same double, a boxed boolean as "true" or "false". Any other box is an invalid
// argument (winrt::hresult_invalid_argument).
std::wstring InspectableToText(const winrt::Windows::Foundation::IInspectable& value);

}  // namespace Qv::Vantix::Security
