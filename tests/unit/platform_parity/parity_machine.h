#pragma once

#include "platform/sim/winsim.h"
#include "tests/parity/parity_machine.h"

// Puts the simulated machine in the state the shared tables are written for.
inline void UseParityMachine() {
    for (const parity::Variable& variable : parity::kVariables) winsim::SetEnvironmentVariable(variable.name, variable.value);
    winsim::SetCurrentDirectory(parity::kCurrentFolder);
}
