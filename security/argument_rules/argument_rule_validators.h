#pragma once

#include <functional>
#include <map>

#include "platform/winrt.h"

namespace Qv::Vantix::Security {

using ArgumentRuleValidator = std::function<bool(const winrt::Windows::Data::Xml::Dom::IXmlNode&,
                                                 const winrt::Windows::Foundation::IInspectable&)>;

// Rule kinds by name (exact, case-sensitive lookup). Built at module load, constant
// afterwards.
extern const std::map<winrt::hstring, ArgumentRuleValidator> ArgumentRuleValidators;

}  // namespace Qv::Vantix::Security
