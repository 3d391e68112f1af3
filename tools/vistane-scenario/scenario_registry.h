#pragma once

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/win32.h"

namespace vistane_scenario {

using Json = nlohmann::json;

// What one scenario run keeps between its steps.
struct ScenarioContext {
    std::map<std::string, DWORD> processes;  // named simulated processes
    std::shared_ptr<void> service;           // the service object the factory gave, if any
    std::map<std::string, std::shared_ptr<void>> objects;  // named objects operations keep
};

// A scenario file asked for something it cannot have (bad section, missing argument).
struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using MachineSection = std::function<void(const Json& section, ScenarioContext& context)>;
using Operation = std::function<Json(const Json& arguments, ScenarioContext& context)>;

void RegisterMachineSection(const std::string& name, MachineSection section);
void RegisterOperation(const std::string& name, Operation operation);
const MachineSection* FindMachineSection(const std::string& name);
const Operation* FindOperation(const std::string& name);
std::vector<std::string> OperationNames();

struct MachineSectionRegistrar {
    MachineSectionRegistrar(const std::string& name, MachineSection section) {
        RegisterMachineSection(name, std::move(section));
    }
};
struct OperationRegistrar {
    OperationRegistrar(const std::string& name, Operation operation) {
        RegisterOperation(name, std::move(operation));
    }
};

// Argument helpers: wide texts from UTF-8 JSON strings; null stays null.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);
std::wstring RequiredText(const Json& arguments, const char* name);
// A path argument that may be null (JSON null or absent): nullopt.
std::optional<std::wstring> OptionalText(const Json& arguments, const char* name);

}  // namespace vistane_scenario
