// Scenario files: any text either is refused as JSON or runs as a scenario on the
// simulated machine without crashing, and every run ends with nothing held.
// Programs that never end are left out: a scenario may rightly wait for them forever.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "tools/vistane-scenario/scenario_runner.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vistane_fuzz::PrepareMachine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vistane_scenario::Json;
    const Json scenario = Json::parse(data, data + size, nullptr, false);
    if (scenario.is_discarded() || !scenario.is_object()) return 0;
    Json bounded = scenario;
    if (bounded.contains("machine") && bounded["machine"].is_object()) bounded["machine"].erase("programs");
    try {
        vistane_scenario::RunScenario(bounded, "fuzz");
    } catch (const std::exception&) {
        // A malformed file (a text where a list belongs) is refused by the JSON library.
    }
    vistane_fuzz::PrepareMachine();
    vistane_fuzz::RequireCleanMachine();
    return 0;
}
