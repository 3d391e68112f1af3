#pragma once

// Control API for started programs and module references.
#include <chrono>
#include <functional>

#include "platform/sim/winsim.h"

namespace winsim {

// What a simulated program does when CreateProcessW or CreateProcessAsUserW starts it.
// Without behaviour a program ends at once with exit code 0.
struct ProgramBehaviour {
    // Runs on the starting thread as the program starts (outside the machine lock), for
    // example to install a file the way a setup program would.
    std::function<void(const StartedProcess& started)> onStart;
    // The program keeps running until EndProcess names it; waits on it block meanwhile.
    bool runsUntilEnded = false;
    DWORD exitCode = 0;
};
WINSIM_API void SetProgramBehaviour(const std::wstring& programPath, ProgramBehaviour behaviour);

// Ends a running program; threads waiting on it wake. False when no such process runs.
WINSIM_API bool EndProcess(DWORD pid, DWORD exitCode = 0);
WINSIM_API bool ProcessRunning(DWORD pid);
// Waits (really, up to `timeout`) until `count` processes have been started in all.
WINSIM_API bool WaitForStartedProcesses(std::size_t count,
                                        std::chrono::milliseconds timeout = std::chrono::seconds(10));

// References taken with GetModuleHandleExW and not yet released, over all modules.
WINSIM_API long ModuleReferences();
WINSIM_API long ModuleReferences(HMODULE module);
// Waits (really, up to `timeout`) until at most `count` references remain: how tests
// and tools wait for threads that hold their module to end.
WINSIM_API bool WaitForModuleReferences(long count,
                                        std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace winsim
