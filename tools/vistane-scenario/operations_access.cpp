// Operations of the access policy: the manager's two questions about one client,
// asked the way a host module asks them (built-in rows, a criterion, the manager).
#include <memory>

#include "security/access_policy/exemption_white_list.h"
#include "security/access_policy/vantix_access_manager.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

using namespace Qv::Vantix::Security;
using Qv::Vantix::Server::Uwp::UwpInformation;
using Qv::Vantix::Server::Win32::Win32Information;

std::uint16_t Part(const Json& arguments, const char* name) {
    const unsigned value = arguments.value(name, 0u);
    if (value > 0xFFFF) throw ScenarioError(std::string(name) + " must fit in 16 bits");
    return static_cast<std::uint16_t>(value);
}

// Result: true/false, or {"exception": what()} when the manager refuses to answer.
const OperationRegistrar uwpExempt("IsUwpExempt", [](const Json& arguments, ScenarioContext&) -> Json {
    auto client = std::make_shared<UwpInformation>(Wide(arguments.value("packageName", std::string())),
                                                   RequiredText(arguments, "packageFamilyName"),
                                                   Part(arguments, "major"), Part(arguments, "minor"));
    client->build = Part(arguments, "build");
    VantixAccessManager manager;
    manager.SetUwpChecker(std::make_shared<UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
        UwpWithNoQVManifestExemptionWhiteList().GetExemption(), client));
    return manager.IsUwpExempt();
});

// Result: {"exempt": bool, "executableName": the client's name after the check}.
const OperationRegistrar win32Exempt("IsWin32Exempt", [](const Json& arguments, ScenarioContext&) -> Json {
    auto client = std::make_shared<Win32Information>(RequiredText(arguments, "executableName"),
                                                     Part(arguments, "major"), Part(arguments, "minor"));
    VantixAccessManager manager;
    manager.SetWin32Checker(std::make_shared<Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
        Win32WithNoQVManifestExemptionWhiteList().GetExemption(), client));
    const bool exempt = manager.IsWin32Exempt();
    return Json{{"exempt", exempt}, {"executableName", Narrow(client->executableName)}};
});

const OperationRegistrar unsetManager("IsUwpExemptWithoutChecker", [](const Json&, ScenarioContext&) -> Json {
    VantixAccessManager manager;
    return manager.IsUwpExempt();
});

}  // namespace

}  // namespace vistane_scenario
