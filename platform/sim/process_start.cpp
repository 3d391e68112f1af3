// CreateProcessW and waits on process and thread handles.
#include <algorithm>
#include <condition_variable>
#include <cwchar>

#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

constexpr size_t kLongestCommandLine = 32767;  // characters, terminator included

struct ThreadObject : HandleObject {
    DWORD pid = 0;
};

struct StartState {
    std::map<std::wstring, winsim::ProgramBehaviour> behaviours;  // by folded program path
    std::map<DWORD, DWORD> exitCodes;
};

StartState& State() {
    static auto* state = new StartState();
    return *state;
}

// Signalled when a process starts or ends, and on reset (which ends every process).
std::condition_variable_any& ProcessesChanged() {
    static auto* changed = new std::condition_variable_any();
    return *changed;
}

ResetHookRegistrar resetStartState([] {
    State() = StartState();
    ProcessesChanged().notify_all();
});

HANDLE NewProcessHandle(DWORD pid) {
    auto object = std::make_shared<ProcessObject>();
    object->kind = "process";
    object->pid = pid;
    object->access = PROCESS_ALL_ACCESS;
    return AddHandle(object);
}

HANDLE NewThreadHandle(DWORD pid) {
    auto object = std::make_shared<ThreadObject>();
    object->kind = "thread";
    object->pid = pid;
    return AddHandle(object);
}

bool EndLocked(DWORD pid, DWORD exitCode) {
    auto found = TheMachine().processes.find(pid);
    if (found == TheMachine().processes.end() || found->second.exited) return false;
    found->second.exited = true;
    State().exitCodes[pid] = exitCode;
    ProcessesChanged().notify_all();
    return true;
}

bool ProcessEnded(DWORD pid) {
    const SimProcess* process = FindProcess(pid);
    return process == nullptr || process->exited;
}

}  // namespace

BOOL WINAPI CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES /*processAttributes*/,
                           LPSECURITY_ATTRIBUTES /*threadAttributes*/, BOOL inheritHandles, DWORD creationFlags,
                           LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                           LPPROCESS_INFORMATION processInformation) {
    if (Enter("CreateProcessW", ERROR_FILE_NOT_FOUND)) return FALSE;
    if ((applicationName == nullptr && commandLine == nullptr) || startupInfo == nullptr ||
        processInformation == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (commandLine != nullptr) {
        if (std::wcslen(commandLine) + 1 > kLongestCommandLine) {
            SetThreadLastError(ERROR_FILENAME_EXCED_RANGE);
            return FALSE;
        }
        // Windows writes into the buffer while it parses: a read-only one faults here too.
        volatile WCHAR* writable = commandLine;
        writable[0] = writable[0];
    }

    winsim::StartedProcess started;
    winsim::ProgramBehaviour behaviour;
    {
        MachineLock lock(MachineMutex());
        const std::wstring program = ResolveProgram(applicationName, commandLine);
        if (program.empty()) {
            SetThreadLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
        if (const DWORD error = ImageOpenError(program)) {
            SetThreadLastError(error);
            return FALSE;
        }
        const SimProcess* self = FindProcess(TheMachine().serviceProcessId);
        started.api = "CreateProcessW";
        started.user = self ? self->user : L"SYSTEM";  // the caller's own account, never an impersonated one
        started.applicationName = applicationName ? applicationName : L"";
        started.commandLine = commandLine ? commandLine : L"";
        started.program = program;
        started.currentDirectory = currentDirectory ? currentDirectory : L"";
        started.inheritHandles = inheritHandles;
        started.creationFlags = creationFlags;
        started.startupInfoSize = startupInfo->cb;
        started.hasEnvironment = environment != nullptr;
        started.pid = RecordStartedProcess(started);

        const DWORD threadId = TheMachine().nextProcessId;
        TheMachine().nextProcessId += 4;
        processInformation->hProcess = NewProcessHandle(started.pid);
        processInformation->hThread = NewThreadHandle(started.pid);
        processInformation->dwProcessId = started.pid;
        processInformation->dwThreadId = threadId;

        auto found = State().behaviours.find(FoldCase(program));
        if (found != State().behaviours.end()) behaviour = found->second;
        ProcessesChanged().notify_all();
    }
    if (behaviour.onStart) behaviour.onStart(started);
    if (!behaviour.runsUntilEnded) {
        MachineLock lock(MachineMutex());
        EndLocked(started.pid, behaviour.exitCode);
    }
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    if (Enter("WaitForSingleObject", ERROR_INVALID_HANDLE)) return WAIT_FAILED;
    std::unique_lock lock(MachineMutex());
    DWORD pid = 0;
    const auto object = FindHandle(handle);
    if (auto process = std::dynamic_pointer_cast<ProcessObject>(object)) {
        pid = process->pid;
    } else if (auto thread = std::dynamic_pointer_cast<ThreadObject>(object)) {
        pid = thread->pid;
    } else {
        // Only process and thread handles are waitable in this model.
        SetThreadLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (ProcessEnded(pid)) return WAIT_OBJECT_0;
    if (milliseconds != INFINITE) {
        // Virtual clock: the time-out passes at once, as a Sleep does.
        TheMachine().clockMilliseconds += milliseconds;
        return WAIT_TIMEOUT;
    }
    ProcessesChanged().wait(lock, [pid] { return ProcessEnded(pid); });
    return WAIT_OBJECT_0;
}

namespace winsim {

void SetProgramBehaviour(const std::wstring& programPath, ProgramBehaviour behaviour) {
    MachineLock lock(MachineMutex());
    State().behaviours[FoldCase(FullPathOf(programPath))] = std::move(behaviour);
}

bool EndProcess(DWORD pid, DWORD exitCode) {
    MachineLock lock(MachineMutex());
    return EndLocked(pid, exitCode);
}

bool ProcessRunning(DWORD pid) {
    MachineLock lock(MachineMutex());
    return !ProcessEnded(pid);
}

bool WaitForStartedProcesses(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(MachineMutex());
    // Short slices, so starts recorded by other calls than CreateProcessW are seen too.
    while (TheMachine().startedProcesses.size() < count) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        ProcessesChanged().wait_for(lock, std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace winsim
