#include "tools/vistane-scenario/scenario_runner.h"

#include <memory>

#include "logging/log_manager.h"
#include "logging/log_sinks.h"
#include "platform/sim/winsim.h"
#include "tools/vistane-scenario/scenario_expectations.h"

namespace vistane_scenario {

namespace {

using Qv::Vantix::Logging::LogManager;
using Qv::Vantix::Logging::MemorySink;

void BuildMachine(const Json& machine, ScenarioContext& context) {
    for (const auto& [name, section] : machine.items()) {
        const MachineSection* apply = FindMachineSection(name);
        if (!apply) throw ScenarioError("unknown machine section \"" + name + "\"");
        (*apply)(section, context);
    }
}

std::string StepLabel(const std::string& scenario, size_t index, const std::string& call) {
    return scenario + ": step " + std::to_string(index + 1) + " (" + call + ")";
}

}  // namespace

ScenarioOutcome RunScenario(const Json& scenario, const std::string& name, const RunOptions& options) {
    ScenarioOutcome outcome;
    outcome.name = scenario.value("name", name);
    winsim::Reset();
    auto sink = std::make_shared<MemorySink>();
    LogManager::SetSink(sink);
    ScenarioContext context;
    try {
        BuildMachine(scenario.value("machine", Json::object()), context);
    } catch (const std::exception& error) {
        outcome.failures.push_back(outcome.name + ": machine: " + error.what());
        LogManager::SetSink(nullptr);
        return outcome;
    }
    const Json steps = scenario.value("steps", Json::array());
    for (size_t index = 0; index < steps.size(); ++index) {
        const Json& step = steps[index];
        const std::string call = step.value("call", "");
        const std::string label = StepLabel(outcome.name, index, call);
        const Operation* operation = FindOperation(call);
        if (!operation) {
            outcome.failures.push_back(label + ": unknown call");
            outcome.results.push_back(nullptr);
            continue;
        }
        const StepObservation before = ObserveMachine();
        sink->Clear();
        Json result;
        try {
            std::optional<winsim::RpcCallScope> rpcCall;
            if (step.contains("rpcCaller")) {
                const std::string caller = step["rpcCaller"].get<std::string>();
                if (!context.processes.count(caller)) throw ScenarioError("unknown rpcCaller \"" + caller + "\"");
                rpcCall.emplace(context.processes[caller]);
            }
            result = (*operation)(step.value("args", Json::object()), context);
        } catch (const ScenarioError& error) {
            outcome.failures.push_back(label + ": " + error.what());
            result = nullptr;
        } catch (const std::exception& error) {
            result = Json{{"exception", error.what()}};
        }
        outcome.results.push_back(result);
        const StepObservation after = ObserveMachine();
        CheckInvariants(label, after, outcome.failures);
        if (options.checkExpectations && step.contains("expect"))
            CheckExpectations(label, step["expect"], result, sink->Records(), before, after, outcome.failures);
    }
    context = ScenarioContext();  // objects the steps kept are released before the last check
    if (!winsim::LedgerBalanced())
        outcome.failures.push_back(outcome.name + ": resources still held at the end: " + winsim::LedgerReport());
    LogManager::SetSink(nullptr);
    return outcome;
}

SweepOutcome SweepScenario(const Json& scenario, const std::string& name) {
    SweepOutcome sweep;
    const ScenarioOutcome baseline = RunScenario(scenario, name, {false});
    const unsigned baselineCalls = winsim::SweepCallCount();
    for (unsigned nth = 1;; ++nth) {
        // Arm the fault after the machine is built: only the steps' calls are counted.
        Json faulty = scenario;
        faulty["machine"] = scenario.value("machine", Json::object());
        faulty["steps"] = Json::array({Json{{"call", "ArmPlatformFault"}, {"args", {{"nth", nth}}}}});
        for (const Json& step : scenario.value("steps", Json::array())) faulty["steps"].push_back(step);
        const ScenarioOutcome run = RunScenario(faulty, name, {false});
        ++sweep.runs;
        for (const std::string& failure : run.failures) sweep.failures.push_back("fault " + std::to_string(nth) + ": " + failure);
        for (size_t i = 0; i < baseline.results.size() && i + 1 < run.results.size(); ++i) {
            if (baseline.results[i] == Json(false) && run.results[i + 1] == Json(true))
                sweep.failures.push_back("fault " + std::to_string(nth) + ": " + name + ": step " + std::to_string(i + 1) +
                                         " granted what the fault-free run refused");
        }
        const bool faultReached = winsim::FaultsInjected() > 0;
        winsim::ClearFaults();
        if (!faultReached || nth > baselineCalls + 64) break;
    }
    return sweep;
}

}  // namespace vistane_scenario
