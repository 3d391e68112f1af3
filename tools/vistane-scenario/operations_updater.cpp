// The update road: programs that act when started, and session events delivered to the
// service, each step lasting until the tasks it started have ended.
#include <chrono>

#include "platform/sim/winsim.h"
#include "service/qv_service.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

using Qv::Vantix::Server::Services::QvService;

// {"C:\\...\\QVVSSetup.exe": {"installs": [<files entries>], "exitCode": 0}}: when the
// program starts it writes the files listed, as a setup program would.
const MachineSectionRegistrar programs("programs", [](const Json& section, ScenarioContext& context) {
    const MachineSection* files = FindMachineSection("files");
    if (!files) throw ScenarioError("the files section is missing");
    for (const auto& [path, entry] : section.items()) {
        const Json installs = entry.value("installs", Json::array());
        winsim::ProgramBehaviour behaviour;
        behaviour.exitCode = entry.value("exitCode", 0u);
        behaviour.onStart = [files, installs, &context](const winsim::StartedProcess&) { (*files)(installs, context); };
        winsim::SetProgramBehaviour(Wide(path), std::move(behaviour));
    }
});

// Result: whether the event's task started a program. The step waits for the task: it
// holds the module until its end.
const OperationRegistrar sessionChange("OnSessionChange", [](const Json& arguments, ScenarioContext& context) -> Json {
    auto* service = static_cast<QvService*>(context.service.get());
    if (!service) throw ScenarioError("no service: call QvCreateService first");
    if (!arguments.contains("eventType") || !arguments["eventType"].is_number_unsigned())
        throw ScenarioError("argument \"eventType\" must be a number");
    const std::size_t startedBefore = winsim::StartedProcesses().size();
    service->OnSessionChange(arguments["eventType"].get<std::uint32_t>(), nullptr, nullptr);
    if (!winsim::WaitForModuleReferences(0, std::chrono::seconds(30)))
        throw ScenarioError("the update task did not end");
    return winsim::StartedProcesses().size() > startedBefore;
});

}  // namespace

}  // namespace vistane_scenario
