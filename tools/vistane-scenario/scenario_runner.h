#pragma once

#include <string>
#include <vector>

#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

struct ScenarioOutcome {
    std::string name;
    std::vector<std::string> failures;  // one line per failed expectation
    std::vector<Json> results;          // each step's result, in order
    bool passed() const { return failures.empty(); }
};

struct RunOptions {
    bool checkExpectations = true;  // false in fault runs: only the invariants are checked
};

// Builds the scenario's machine on a fresh simulated Windows and runs its steps.
ScenarioOutcome RunScenario(const Json& scenario, const std::string& name, const RunOptions& options = {});

// Reruns the scenario failing its 1st, 2nd, ... platform call until a run makes no
// further call. Each run must keep the ledger balanced, leave no impersonation, and
// never turn a refusal (false) of the fault-free run into a grant.
struct SweepOutcome {
    unsigned runs = 0;
    std::vector<std::string> failures;
};
SweepOutcome SweepScenario(const Json& scenario, const std::string& name);

}  // namespace vistane_scenario
