#include "security/argument_rules/argument_rules.h"

#include <climits>
#include <cmath>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>

#include "security/argument_rules/argument_value_safety.h"
#include "security/argument_rules/comma_list.h"
#include "security/argument_rules/inspectable_text.h"
#include "security/argument_rules/regex_limits.h"
#include "security/path_policy/begins_with.h"
#include "security/path_policy/util_helper.h"

namespace Qv::Vantix::Security {

namespace {

using Server::Services::UtilHelper;

std::wstring TextOf(const winrt::hstring& text) { return std::wstring(std::wstring_view(text)); }

std::wstring RuleText(const RuleElement& rule) { return TextOf(rule.InnerText()); }

std::wstring StringValue(const BoxedValue& value) { return TextOf(winrt::unbox_value<winrt::hstring>(value)); }

// An empty item, as written or after a failed expansion, would begin every value:
// it matches nothing.
bool BeginsWithItem(const std::wstring& value, const std::wstring& item) {
    return !item.empty() && BeginsWith(value, item);
}

// Truncated toward zero; NaN and values beyond 32 bits become INT_MIN.
std::int32_t TruncateToInt32(double value) {
    const double truncated = std::trunc(value);
    if (!(truncated >= static_cast<double>(INT32_MIN) && truncated <= static_cast<double>(INT32_MAX))) return INT32_MIN;
    return static_cast<std::int32_t>(truncated);
}

std::optional<std::wstring> AttributeText(const winrt::Windows::Data::Xml::Dom::IXmlNode& attribute) {
    if (!attribute) return std::nullopt;
    return TextOf(attribute.as<winrt::Windows::Data::Xml::Dom::IXmlAttribute>().Value());
}

}  // namespace

bool ValidateRegexRule(const RuleElement& rule, const BoxedValue& value) {
    if (!value) return false;
    try {
        const std::wstring pattern = RuleText(rule);
        const std::wstring text = StringValue(value);
        if (!IsRulePatternAcceptable(pattern)) return false;
        const std::wregex expression(pattern, kBoundedEcmaScript);
        if (!IsArgumentValueSafe(text)) return false;  // also refuses values beyond the length limit
        return std::regex_match(text, expression);
    } catch (const winrt::hresult_error&) {
        return false;
    } catch (const std::regex_error&) {
        return false;
    }
}

bool ValidateContainedInListRule(const RuleElement& rule, const BoxedValue& value) {
    if (!value) return false;
    try {
        const std::vector<std::wstring> items = SplitCommaList(RuleText(rule));
        const std::wstring text = InspectableToText(value);
        if (!IsArgumentValueSafe(text)) return false;
        for (const std::wstring& item : items)
            if (item == text) return true;
        return false;
    } catch (const winrt::hresult_error&) {
        return false;
    }
}

bool ValidateBeginsWithFromListRule(const RuleElement& rule, const BoxedValue& value) {
    if (!value) return false;
    try {
        const std::vector<std::wstring> items = SplitCommaList(RuleText(rule));
        const std::wstring text = StringValue(value);
        if (!IsArgumentValueSafe(text)) return false;
        for (const std::wstring& item : items)
            if (BeginsWithItem(text, item)) return true;
        return false;
    } catch (const winrt::hresult_error&) {
        return false;
    }
}

bool ValidateBeginsWithFromListWithEnvVarsRule(const RuleElement& rule, const BoxedValue& value) {
    if (!value) return false;
    try {
        const std::vector<std::wstring> items = SplitCommaList(RuleText(rule));
        const std::wstring expanded = UtilHelper::GetFullExpandedPath(StringValue(value).c_str(), L"");
        // A value that cannot be expanded is no path at all.
        if (expanded.empty()) return false;
        if (!IsArgumentValueSafe(expanded)) return false;
        for (const std::wstring& item : items) {
            if (item.empty()) continue;
            if (BeginsWithItem(expanded, UtilHelper::GetFullExpandedPath(item.c_str(), L""))) return true;
        }
        return false;
    } catch (const winrt::hresult_error&) {
        return false;
    }
}

bool ValidateNumericRangeRule(const RuleElement& rule, const BoxedValue& value) {
    if (!value) return false;
    if (!rule) return true;
    std::int32_t number = 0;
    try {
        number = TruncateToInt32(winrt::unbox_value<double>(value));
    } catch (const winrt::hresult_error&) {
        return false;
    }
    const auto attributes = rule.Attributes();
    const std::optional<std::wstring> minimum = AttributeText(attributes.GetNamedItem(L"min"));
    const std::optional<std::wstring> maximum = AttributeText(attributes.GetNamedItem(L"max"));
    try {
        if (minimum && number < std::stoi(*minimum)) return false;
        if (maximum && number > std::stoi(*maximum)) return false;
    } catch (const std::invalid_argument&) {
        return false;
    }
    return true;
}

bool ValidateNoneRule(const RuleElement&, const BoxedValue&) { return true; }

}  // namespace Qv::Vantix::Security
