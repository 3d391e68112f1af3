// Machine sections and operations of the launcher: the console session, the
// Windows version and API sets, the users' packages, and the launcher's calls.
#include <cstdio>

#include "platform/sim/winsim.h"
#include "server/launcher.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

using Qv::Vantix::Server::Services::Launcher;

UINT64 PackedVersionOf(const std::string& text) {
    unsigned parts[4] = {0, 0, 0, 0};
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4)
        throw ScenarioError("package version \"" + text + "\" is not A.B.C.D");
    for (unsigned part : parts)
        if (part > 0xFFFF) throw ScenarioError("package version \"" + text + "\" has a part above 65535");
    return winsim::PackedVersion(static_cast<UINT16>(parts[0]), static_cast<UINT16>(parts[1]),
                                 static_cast<UINT16>(parts[2]), static_cast<UINT16>(parts[3]));
}

// {"session": 1, "user": "user1"}; {"user": null} for a session nobody logged on to;
// {"nobody": true} for no session at the console.
const MachineSectionRegistrar console("console", [](const Json& section, ScenarioContext&) {
    if (section.value("nobody", false)) {
        winsim::SetNobodyAtConsole();
        return;
    }
    const DWORD session = section.value("session", 1u);
    if (section.contains("user") && section["user"].is_null()) winsim::SetConsoleSessionWithoutUser(session);
    else winsim::SetConsoleSession(session, Wide(section.value("user", std::string("user1"))));
});

// {"version": "6.3.9600", "apiSets": {"contract": "present" | "noHost" | "notInSchema"}}
const MachineSectionRegistrar windows("windows", [](const Json& section, ScenarioContext&) {
    if (section.contains("version")) {
        unsigned major = 0, minor = 0, build = 0;
        const std::string text = section["version"].get<std::string>();
        if (std::sscanf(text.c_str(), "%u.%u.%u", &major, &minor, &build) != 3 || major > 255 || minor > 255 ||
            build > 0xFFFF)
            throw ScenarioError("Windows version \"" + text + "\" is not major.minor.build");
        winsim::SetWindowsVersion(static_cast<BYTE>(major), static_cast<BYTE>(minor), static_cast<WORD>(build));
    }
    const Json apiSets = section.value("apiSets", Json::object());
    for (const auto& [contract, state] : apiSets.items()) {
        const std::string name = state.get<std::string>();
        const auto parsed = name == "present"       ? winsim::ApiSetState::Present
                            : name == "noHost"      ? winsim::ApiSetState::NoHost
                            : name == "notInSchema" ? winsim::ApiSetState::NotInSchema
                                                    : throw ScenarioError("API-set state \"" + name + "\" is unknown");
        winsim::SetApiSet(Wide(contract), parsed);
    }
});

// {"user1": {"Family_id": [{"fullName", "properties", "installPath", "origin", "version"}, ...]}}
const MachineSectionRegistrar packages("packages", [](const Json& section, ScenarioContext&) {
    for (const auto& [user, families] : section.items()) {
        for (const auto& [family, list] : families.items()) {
            for (const Json& entry : list) {
                winsim::Package package;
                package.fullName = RequiredText(entry, "fullName");
                package.properties = entry.value("properties", 0u);
                package.installPath = Wide(entry.value("installPath", std::string()));
                package.origin = static_cast<PackageOrigin>(entry.value("origin", 3));
                package.version = PackedVersionOf(entry.value("version", std::string("0.0.0.0")));
                winsim::InstallPackage(Wide(user), Wide(family), package);
            }
        }
    }
});

const OperationRegistrar run("Launcher.Run", [](const Json& arguments, ScenarioContext&) -> Json {
    Launcher launcher;
    return launcher.Run(RequiredText(arguments, "alias"), RequiredText(arguments, "family"),
                        Wide(arguments.value("arguments", std::string())));
});

const OperationRegistrar originAndVersion("Launcher.GetOriginAndVersionByFamilyName",
                                          [](const Json& arguments, ScenarioContext&) -> Json {
    Launcher launcher;
    const auto [origin, version] = launcher.GetOriginAndVersionByFamilyName(RequiredText(arguments, "family"));
    return Json{{"origin", origin}, {"version", version}};
});

const OperationRegistrar realUserSession("Launcher.IsRealUserSession", [](const Json&, ScenarioContext&) -> Json {
    Launcher launcher;
    std::wstring profile;
    const bool real = launcher.IsRealUserSession(profile);
    return Json{{"real", real}, {"profile", Narrow(profile)}};
});

}  // namespace

}  // namespace vistane_scenario
