// Operations of the path policy.
#include "security/path_policy/util_helper.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

const OperationRegistrar fullExpandedPath("GetFullExpandedPath", [](const Json& arguments, ScenarioContext&) -> Json {
    const auto path = OptionalText(arguments, "path");
    const std::wstring context = Wide(arguments.value("context", std::string()));
    return Narrow(Qv::Vantix::Server::Services::UtilHelper::GetFullExpandedPath(path ? path->c_str() : nullptr,
                                                                                context.c_str()));
});

}  // namespace

}  // namespace vistane_scenario
