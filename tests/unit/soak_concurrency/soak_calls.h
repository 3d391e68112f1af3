#pragma once

// The machine the soak runs on and the calls it repeats: trust decisions over signed,
// unsigned and pinned files, tool-launch checks on RPC threads, and launcher calls.
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

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

// The RPC clients of the tool-launch checks.
struct SoakClients {
    DWORD supportApplication = 0;  // the caller the tool white list names
    DWORD stranger = 0;            // a store application of another family
};

// Builds the machine on a reset simulator: trusted root, files, catalog, store folder
// security, system tools, the viewer package and the RPC client processes.
SoakClients BuildSoakMachine();

// Every call of the soak, each a whole public operation.
std::vector<SoakCall> SoakCalls(const SoakClients& clients);

}  // namespace soak_test
