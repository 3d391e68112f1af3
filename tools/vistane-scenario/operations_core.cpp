// Operations of the plug-in entry and the fault control the sweep uses.
#include <memory>

#include "platform/sim/winsim.h"
#include "service/qv_service.h"
#include "service/vistane/companion_version.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

using Qv::Vantix::Server::Services::QvService;

const OperationRegistrar companionCheck("IsCompanionUpToDate", [](const Json&, ScenarioContext&) -> Json {
    return Qv::Vantix::Server::Services::Vistane::IsCompanionUpToDate();
});

// Result "service" or "none"; the service is kept for later steps.
const OperationRegistrar factory("QvCreateService", [](const Json&, ScenarioContext& context) -> Json {
    std::shared_ptr<QvService> service(QvCreateService());
    context.service = service;
    return service ? "service" : "none";
});

const OperationRegistrar handleRequest("HandleRequest", [](const Json&, ScenarioContext& context) -> Json {
    auto* service = static_cast<QvService*>(context.service.get());
    if (!service) throw ScenarioError("no service: call QvCreateService first");
    return service->HandleRequest(nullptr, nullptr, nullptr, nullptr, [](std::uint32_t, void*, std::uint32_t) {});
});

const OperationRegistrar armFault("ArmPlatformFault", [](const Json& arguments, ScenarioContext&) -> Json {
    winsim::FailNthPlatformCall(arguments.value("nth", 1u), arguments.value("error", 0u));
    return nullptr;
});

}  // namespace

}  // namespace vistane_scenario
