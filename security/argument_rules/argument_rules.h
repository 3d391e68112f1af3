#pragma once

#include "platform/winrt.h"

namespace Qv::Vantix::Security {

using RuleElement = winrt::Windows::Data::Xml::Dom::IXmlNode;
using BoxedValue = winrt::Windows::Foundation::IInspectable;

// The value, a boxed string, matches the element's text as a whole (ECMAScript,
// case-sensitive).
bool ValidateRegexRule(const RuleElement& rule, const BoxedValue& value);
// The value's text (string, double or boolean) equals one item of the element's list.
bool ValidateContainedInListRule(const RuleElement& rule, const BoxedValue& value);
// The value, a boxed string, begins with one non-empty item, ignoring letter case.
bool ValidateBeginsWithFromListRule(const RuleElement& rule, const BoxedValue& value);
// As above, after both the value and each item are expanded and made absolute.
bool ValidateBeginsWithFromListWithEnvVarsRule(const RuleElement& rule, const BoxedValue& value);
// The value, a boxed double truncated to 32 bits, lies within the element's optional
// "min" and "max" attributes, bounds included. A bound out of the 32-bit range
// throws std::out_of_range.
bool ValidateNumericRangeRule(const RuleElement& rule, const BoxedValue& value);
// Always true.
bool ValidateNoneRule(const RuleElement& rule, const BoxedValue& value);

}  // namespace Qv::Vantix::Security
