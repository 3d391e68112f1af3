// vistane-scenario FILE|FOLDER... [--fault-sweep]
// Runs each scenario file on the simulated machine and prints one line per failed
// expectation, then "N passed, N failed" (scenarios). Exit status 0 only when all pass.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sim/winsim.h"
#include "tools/vistane-scenario/scenario_runner.h"

namespace fs = std::filesystem;
using namespace vistane_scenario;

namespace {

std::vector<fs::path> ScenarioFiles(const std::vector<std::string>& arguments) {
    std::vector<fs::path> files;
    for (const std::string& argument : arguments) {
        if (fs::is_directory(argument)) {
            for (const auto& entry : fs::recursive_directory_iterator(argument))
                if (entry.path().extension() == ".json") files.push_back(entry.path());
        } else {
            files.emplace_back(argument);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    winsim::SetFixturesDirectory(VISTANE_FIXTURES_DIR);  // where scenarios' certificate names point
    std::vector<std::string> arguments;
    bool sweep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--fault-sweep") sweep = true;
        else if (argument == "--help") {
            std::puts("usage: vistane-scenario FILE|FOLDER... [--fault-sweep]");
            return 0;
        } else arguments.push_back(argument);
    }
    unsigned passed = 0, failed = 0, sweepRuns = 0;
    for (const fs::path& file : ScenarioFiles(arguments)) {
        std::ifstream stream(file);
        if (!stream) {
            std::printf("%s: %s\n", file.string().c_str(),
                        fs::exists(file) ? "cannot open the file" : "no such file or folder");
            ++failed;
            continue;
        }
        Json scenario;
        try {
            scenario = Json::parse(stream);
        } catch (const std::exception& error) {
            std::printf("%s: cannot read: %s\n", file.string().c_str(), error.what());
            ++failed;
            continue;
        }
        std::vector<std::string> failures;
        if (sweep) {
            const SweepOutcome outcome = SweepScenario(scenario, file.stem().string());
            sweepRuns += outcome.runs;
            failures = outcome.failures;
        } else {
            failures = RunScenario(scenario, file.stem().string()).failures;
        }
        for (const std::string& failure : failures) std::printf("%s\n", failure.c_str());
        (failures.empty() ? passed : failed)++;
    }
    if (sweep) std::printf("fault sweep: %u runs\n", sweepRuns);
    std::printf("%u passed, %u failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
