#include "tools/vistane-scenario/scenario_registry.h"

#include "logging/text_encoding.h"

namespace vistane_scenario {

namespace {
std::map<std::string, MachineSection>& Sections() {
    static std::map<std::string, MachineSection> sections;
    return sections;
}
std::map<std::string, Operation>& Operations() {
    static std::map<std::string, Operation> operations;
    return operations;
}
}  // namespace

void RegisterMachineSection(const std::string& name, MachineSection section) { Sections()[name] = std::move(section); }
void RegisterOperation(const std::string& name, Operation operation) { Operations()[name] = std::move(operation); }

const MachineSection* FindMachineSection(const std::string& name) {
    auto found = Sections().find(name);
    return found == Sections().end() ? nullptr : &found->second;
}

const Operation* FindOperation(const std::string& name) {
    auto found = Operations().find(name);
    return found == Operations().end() ? nullptr : &found->second;
}

std::vector<std::string> OperationNames() {
    std::vector<std::string> names;
    for (const auto& [name, operation] : Operations()) names.push_back(name);
    return names;
}

std::wstring Wide(const std::string& text) { return Qv::Vantix::Logging::WidenText(text); }
std::string Narrow(const std::wstring& text) { return Qv::Vantix::Logging::NarrowText(text); }

std::wstring RequiredText(const Json& arguments, const char* name) {
    if (!arguments.contains(name) || !arguments[name].is_string())
        throw ScenarioError(std::string("argument \"") + name + "\" must be a text");
    return Wide(arguments[name].get<std::string>());
}

std::optional<std::wstring> OptionalText(const Json& arguments, const char* name) {
    if (!arguments.contains(name) || arguments[name].is_null()) return std::nullopt;
    return RequiredText(arguments, name);
}

}  // namespace vistane_scenario
