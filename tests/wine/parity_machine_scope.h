#pragma once

#include <optional>
#include <string>
#include <vector>

// Puts this process in the state of tests/parity/parity_machine.h for the length of
// a test, and puts back what was there before.
class ParityMachineScope {
public:
    ParityMachineScope();
    ~ParityMachineScope();
    ParityMachineScope(const ParityMachineScope&) = delete;
    ParityMachineScope& operator=(const ParityMachineScope&) = delete;

private:
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> savedVariables_;
    std::wstring savedFolder_;
    bool madeParent_ = false;
    bool madeFolder_ = false;
};
