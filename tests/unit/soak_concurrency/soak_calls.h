#pragma once

// The machine the soak runs on and the calls it repeats: trust decisions over signed,
// unsigned and pinned files, tool-launch checks on RPC threads, and launcher calls.
#include <functional>
#include <string>
#include <vector>

namespace soak_test {

// What one call answered. `granted` is the yes of a decision (or a name that was
// found); `detail` is what else the answer carries (a name, a profile path).
struct Answer {
    bool granted = false;
    std::wstring detail;

    bool operator==(const Answer&) const = default;
};

std::string Describe(const Answer& answer);

struct SoakCall {
    std::string name;
    std::function<Answer()> run;
};

// Builds the machine on a reset simulator: trusted root, files, catalog, store folder
// security, the viewer package and an RPC client process.
void BuildSoakMachine();

// Every call of the soak, each a whole public operation.
std::vector<SoakCall> SoakCalls();

}  // namespace soak_test
