#pragma once

#include <string>
#include <vector>

#include "logging/log_record.h"
#include "platform/sim/winsim.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

// What the machine looked like at a point, to tell what one step did.
struct StepObservation {
    size_t sleeps = 0;
    size_t startedProcesses = 0;
    std::vector<DWORD> allSleeps;
    std::vector<winsim::StartedProcess> allStarted;
};

StepObservation ObserveMachine();

// Checked after every step, faults or not: no impersonation left on this thread.
void CheckInvariants(const std::string& label, const StepObservation& after, std::vector<std::string>& failures);

// The step's "expect" object: result, log, sleeps, processes, ledger.
void CheckExpectations(const std::string& label, const Json& expect, const Json& result,
                       const std::vector<Qv::Vantix::Logging::LogRecord>& log, const StepObservation& before,
                       const StepObservation& after, std::vector<std::string>& failures);

}  // namespace vistane_scenario
