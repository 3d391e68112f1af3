// Operations of the caller check and the argument rules: may the RPC caller have
// the host start this tool with these arguments, and does a value pass a rule.
#include "security/argument_rules/argument_rule_validators.h"
#include "security/file_trust/authenticode_facade.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

using namespace winrt::Windows::Data::Xml::Dom;
using winrt::Windows::Foundation::IInspectable;

// Run it on a step with "rpcCaller" to ask as the server side of that caller's call.
const OperationRegistrar toolLaunch("IsTrustedToolLaunch", [](const Json& arguments, ScenarioContext&) -> Json {
    const auto path = OptionalText(arguments, "path");
    const auto toolArguments = OptionalText(arguments, "arguments");
    const std::wstring context = Wide(arguments.value("context", std::string()));
    Qv::Vantix::Security::QvAuthenticodeFacade facade;
    return facade.IsTrustedToolLaunch(path ? path->c_str() : nullptr, arguments.value("option", false),
                                      toolArguments ? toolArguments->c_str() : nullptr, context.c_str());
});

const OperationRegistrar pathAllowed("IsPathAllowed", [](const Json& arguments, ScenarioContext&) -> Json {
    const auto path = OptionalText(arguments, "path");
    return Qv::Vantix::Security::QvAuthenticodeFacade().IsPathAllowed(path ? path->c_str() : nullptr);
});

// The rule element: {"text": inner text, "attributes": {"min": "1"}} or null.
IXmlNode RuleElement(const Json& element) {
    if (element.is_null()) return IXmlNode(nullptr);
    std::vector<winrt_layer::XmlAttributeSpec> attributes;
    const Json given = element.value("attributes", Json::object());
    for (const auto& [name, value] : given.items())
        attributes.push_back({winrt::hstring(Wide(name)), winrt::hstring(Wide(value.get<std::string>()))});
    return winrt_layer::MakeXmlElement(L"rule", winrt::hstring(Wide(element.value("text", std::string()))), attributes);
}

// The boxed value: a JSON text, number or boolean; {"int32": n} for a 32-bit box; null.
IInspectable BoxedValue(const Json& value) {
    if (value.is_null()) return IInspectable(nullptr);
    if (value.is_string()) return winrt::box_value(winrt::hstring(Wide(value.get<std::string>())));
    if (value.is_boolean()) return winrt::box_value(value.get<bool>());
    if (value.is_object() && value.contains("int32")) return winrt::box_value(value["int32"].get<std::int32_t>());
    if (value.is_number()) return winrt::box_value(value.get<double>());
    throw ScenarioError("value must be a text, number, boolean, {\"int32\": n} or null");
}

// Result: the rule's answer, or "no such rule" when the table has no rule of that name.
const OperationRegistrar argumentRule("ArgumentRule", [](const Json& arguments, ScenarioContext&) -> Json {
    const auto rule = Qv::Vantix::Security::ArgumentRuleValidators.find(winrt::hstring(RequiredText(arguments, "rule")));
    if (rule == Qv::Vantix::Security::ArgumentRuleValidators.end()) return "no such rule";
    return rule->second(RuleElement(arguments.value("element", Json())), BoxedValue(arguments.value("value", Json())));
});

}  // namespace

}  // namespace vistane_scenario
