// Machine sections every scenario can use: environment, paths, files, accounts,
// processes.
#include <clocale>
#include <cstdio>
#include <memory>

#include "platform/sim/winsim.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

winsim::FileVersion ParseVersion(const std::string& text) {
    unsigned parts[4] = {0, 0, 0, 0};
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) < 3)
        throw ScenarioError("version \"" + text + "\" is not A.B.C[.D]");
    for (unsigned part : parts)
        if (part > 0xFFFF) throw ScenarioError("version \"" + text + "\" has a part above 65535");
    return {static_cast<WORD>(parts[0]), static_cast<WORD>(parts[1]), static_cast<WORD>(parts[2]),
            static_cast<WORD>(parts[3])};
}

const MachineSectionRegistrar environment("environment", [](const Json& section, ScenarioContext&) {
    for (const auto& [name, value] : section.items()) {
        if (value.is_null()) winsim::RemoveEnvironmentVariable(Wide(name));
        else winsim::SetEnvironmentVariable(Wide(name), Wide(value.get<std::string>()));
    }
});

const MachineSectionRegistrar hostExecutable("hostExecutable", [](const Json& section, ScenarioContext&) {
    winsim::SetHostExecutablePath(Wide(section.get<std::string>()));
});

const MachineSectionRegistrar currentDirectory("currentDirectory", [](const Json& section, ScenarioContext&) {
    winsim::SetCurrentDirectory(Wide(section.get<std::string>()));
});

const MachineSectionRegistrar files("files", [](const Json& section, ScenarioContext&) {
    for (const Json& file : section) {
        const std::wstring path = RequiredText(file, "path");
        std::optional<winsim::FileVersion> version;
        if (file.contains("version")) version = ParseVersion(file["version"].get<std::string>());
        winsim::AddFile(path, file.value("content", std::string()), version);
        if (file.value("versionResource", std::string()) == "unreadable") winsim::SetVersionResourceUnreadable(path);
    }
});

const MachineSectionRegistrar folders("folders", [](const Json& section, ScenarioContext&) {
    for (const Json& folder : section) winsim::AddFolder(Wide(folder.get<std::string>()));
});

const MachineSectionRegistrar accounts("accounts", [](const Json& section, ScenarioContext&) {
    for (const Json& entry : section) {
        winsim::Account account{Wide(entry.value("domain", std::string())), RequiredText(entry, "name"),
                                Wide(entry.value("sid", std::string())), {}};
        const Json variables = entry.value("environment", Json::object());
        for (const auto& [name, value] : variables.items())
            account.environment[Wide(name)] = Wide(value.get<std::string>());
        winsim::AddAccount(account);
    }
});

const MachineSectionRegistrar userEnvironment("userEnvironment", [](const Json& section, ScenarioContext&) {
    for (const auto& [user, variables] : section.items()) {
        for (const auto& [name, value] : variables.items()) {
            if (value.is_null()) winsim::RemoveUserEnvironmentVariable(Wide(user), Wide(name));
            else winsim::SetUserEnvironmentVariable(Wide(user), Wide(name), Wide(value.get<std::string>()));
        }
    }
});

// The host process's character-type locale for the scenario (a host may set one, e.g.
// "C.UTF-8"), put back when the scenario ends.
const MachineSectionRegistrar hostLocale("hostLocale", [](const Json& section, ScenarioContext& context) {
    auto saved = std::make_shared<std::string>(std::setlocale(LC_CTYPE, nullptr));
    const std::string name = section.get<std::string>();
    if (std::setlocale(LC_CTYPE, name.c_str()) == nullptr) throw ScenarioError("locale \"" + name + "\" is not installed");
    context.objects["hostLocale"] =
        std::shared_ptr<void>(nullptr, [saved](void*) { std::setlocale(LC_CTYPE, saved->c_str()); });
});

// Named processes, e.g. the RPC caller a step names with "rpcCaller".
const MachineSectionRegistrar processes("processes", [](const Json& section, ScenarioContext& context) {
    for (const auto& [name, entry] : section.items()) {
        winsim::ProcessSpec spec;
        spec.user = Wide(entry.value("user", std::string("user1")));
        spec.imagePath = Wide(entry.value("image", std::string()));
        spec.packageFamilyName = Wide(entry.value("packageFamily", std::string()));
        const DWORD pid = winsim::AddProcess(spec);
        if (entry.value("exited", false)) winsim::MarkProcessExited(pid);
        context.processes[name] = pid;
    }
});

}  // namespace

}  // namespace vistane_scenario
