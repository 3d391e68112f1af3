#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <set>

#include "platform/sim/sim_environment_blocks.h"
#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

constexpr DWORD kLongestCommandLine = 32767;  // characters, terminator included
constexpr std::uint64_t kAttributeListMagic = 0x5453494C52545441ull;
const HANDLE kProcessHeap = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x7FF00000));

// How the simulated attribute list lies in the caller's memory.
struct AttributeEntry {
    DWORD_PTR attribute;
    PVOID value;
    SIZE_T size;
};
struct AttributeListHeader {
    std::uint64_t magic;
    DWORD capacity;
    DWORD used;
    std::uint64_t reserved;
};
static_assert(sizeof(AttributeListHeader) == 24 && sizeof(AttributeEntry) == 24);

SIZE_T AttributeListBytes(DWORD count) { return sizeof(AttributeListHeader) + count * sizeof(AttributeEntry); }
AttributeEntry* EntriesOf(AttributeListHeader* header) { return reinterpret_cast<AttributeEntry*>(header + 1); }

struct LaunchState {
    std::map<const void*, SIZE_T> heapBlocks;
    std::set<const void*> attributeLists;
    std::vector<winsim::UserProcessCreation> created;
    std::function<void()> observer;
};

LaunchState& Launches() {
    static auto* state = new LaunchState();
    return *state;
}

const ResetHookRegistrar resetLaunches([] {
    for (const auto& [block, bytes] : Launches().heapBlocks) std::free(const_cast<void*>(block));
    Launches() = LaunchState();
});

AttributeListHeader* LiveList(LPPROC_THREAD_ATTRIBUTE_LIST list) {
    if (list == nullptr || Launches().attributeLists.count(list) == 0) return nullptr;
    return reinterpret_cast<AttributeListHeader*>(list);
}

bool FolderExists(const std::wstring& path) {
    std::wstring full = FullPathOf(path);
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    if (full.empty()) return false;
    if (const SimFile* file = FindFile(full)) return file->folder;
    const std::wstring prefix = FoldCase(full) + (full.back() == L'\\' ? L"" : L"\\");
    auto next = TheMachine().files.lower_bound(prefix);
    return next != TheMachine().files.end() && next->first.starts_with(prefix);
}

BOOL Fail(DWORD error) {
    SetThreadLastError(error);
    return FALSE;
}

}  // namespace

HANDLE WINAPI GetProcessHeap(void) {
    Enter("GetProcessHeap", ERROR_INVALID_FUNCTION, FaultScope::ExplicitOnly);
    return kProcessHeap;
}

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    if (Enter("HeapAlloc", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    if (heap != kProcessHeap) {
        SetThreadLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) return nullptr;
    // Memory not asked to be zeroed is not: a reader of it sees the pattern.
    std::memset(block, (flags & HEAP_ZERO_MEMORY) ? 0 : 0xCD, bytes == 0 ? 1 : bytes);
    MachineLock lock(MachineMutex());
    Launches().heapBlocks[block] = bytes;
    LedgerAcquire("heap block");
    return block;
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD /*flags*/, LPVOID memory) {
    if (Enter("HeapFree", ERROR_INVALID_PARAMETER, FaultScope::ExplicitOnly)) return FALSE;
    if (memory == nullptr) return TRUE;
    MachineLock lock(MachineMutex());
    if (heap != kProcessHeap || Launches().heapBlocks.erase(memory) == 0) return Fail(ERROR_INVALID_PARAMETER);
    std::free(memory);
    LedgerRelease("heap block");
    return TRUE;
}

BOOL WINAPI InitializeProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST attributeList, DWORD attributeCount,
                                              DWORD flags, PSIZE_T size) {
    if (Enter("InitializeProcThreadAttributeList", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    if (size == nullptr || flags != 0) return Fail(ERROR_INVALID_PARAMETER);
    const SIZE_T needed = AttributeListBytes(attributeCount);
    if (attributeList == nullptr || *size < needed) {
        *size = needed;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    MachineLock lock(MachineMutex());
    auto* header = reinterpret_cast<AttributeListHeader*>(attributeList);
    std::memset(header, 0, needed);
    header->magic = kAttributeListMagic;
    header->capacity = attributeCount;
    if (Launches().attributeLists.insert(attributeList).second) LedgerAcquire("attribute list");
    *size = needed;
    return TRUE;
}

BOOL WINAPI UpdateProcThreadAttribute(LPPROC_THREAD_ATTRIBUTE_LIST attributeList, DWORD flags, DWORD_PTR attribute,
                                      PVOID value, SIZE_T size, PVOID previousValue, PSIZE_T returnSize) {
    if (Enter("UpdateProcThreadAttribute", ERROR_INVALID_PARAMETER)) return FALSE;
    MachineLock lock(MachineMutex());
    AttributeListHeader* header = LiveList(attributeList);
    if (header == nullptr || (flags & ~PROC_THREAD_ATTRIBUTE_REPLACE_VALUE) != 0 || previousValue != nullptr ||
        returnSize != nullptr || value == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (attribute == PROC_THREAD_ATTRIBUTE_HANDLE_LIST) {
        if (size == 0 || size % sizeof(HANDLE) != 0) return Fail(ERROR_BAD_LENGTH);
    } else if (attribute == PROC_THREAD_ATTRIBUTE_PARENT_PROCESS) {
        if (size != sizeof(HANDLE)) return Fail(ERROR_BAD_LENGTH);
    } else {
        return Fail(ERROR_NOT_SUPPORTED);
    }
    AttributeEntry* entries = EntriesOf(header);
    for (DWORD index = 0; index < header->used; ++index) {
        if (entries[index].attribute == attribute) return Fail(ERROR_INVALID_PARAMETER);
    }
    if (header->used >= header->capacity) return Fail(ERROR_INSUFFICIENT_BUFFER);
    entries[header->used++] = {attribute, value, size};
    return TRUE;
}

void WINAPI DeleteProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST attributeList) {
    Enter("DeleteProcThreadAttributeList", 0, FaultScope::ExplicitOnly);
    MachineLock lock(MachineMutex());
    if (Launches().attributeLists.erase(attributeList) == 0) return;
    reinterpret_cast<AttributeListHeader*>(attributeList)->magic = 0;
    LedgerRelease("attribute list");
}

BOOL WINAPI CreateProcessAsUserW(HANDLE token, LPCWSTR applicationName, LPWSTR commandLine,
                                 LPSECURITY_ATTRIBUTES /*processAttributes*/,
                                 LPSECURITY_ATTRIBUTES /*threadAttributes*/, BOOL inheritHandles, DWORD creationFlags,
                                 LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                                 LPPROCESS_INFORMATION processInformation) {
    if (Enter("CreateProcessAsUserW", ERROR_ACCESS_DENIED)) return FALSE;
    if (startupInfo == nullptr || processInformation == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (applicationName == nullptr && commandLine == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (commandLine != nullptr && std::wcslen(commandLine) + 1 > kLongestCommandLine)
        return Fail(ERROR_FILENAME_EXCED_RANGE);

    winsim::UserProcessCreation creation;
    {
        MachineLock lock(MachineMutex());
        auto tokenObject = FindHandleAs<TokenObject>(token);
        if (!tokenObject) return Fail(ERROR_INVALID_HANDLE);
        if (tokenObject->type != TokenPrimary) return Fail(ERROR_BAD_TOKEN_TYPE);
        creation.tokenType = tokenObject->type;

        const bool extended = (creationFlags & EXTENDED_STARTUPINFO_PRESENT) != 0;
        if (extended && startupInfo->cb != sizeof(STARTUPINFOEXW)) return Fail(ERROR_INVALID_PARAMETER);
        if (!extended && startupInfo->cb < sizeof(STARTUPINFOW)) return Fail(ERROR_INVALID_PARAMETER);
        std::vector<HANDLE> inherited;
        if (extended) {
            LPPROC_THREAD_ATTRIBUTE_LIST list = reinterpret_cast<LPSTARTUPINFOEXW>(startupInfo)->lpAttributeList;
            if (list != nullptr) {
                AttributeListHeader* header = LiveList(list);
                if (header == nullptr) return Fail(ERROR_INVALID_PARAMETER);
                creation.attributeListAttached = true;
                creation.attributeCapacity = header->capacity;
                creation.attributesSet = header->used;
                for (DWORD index = 0; index < header->used; ++index) {
                    const AttributeEntry& entry = EntriesOf(header)[index];
                    if (entry.attribute != PROC_THREAD_ATTRIBUTE_HANDLE_LIST) continue;
                    creation.handleListBytes = entry.size;
                    const auto* handles = static_cast<const HANDLE*>(entry.value);
                    inherited.assign(handles, handles + entry.size / sizeof(HANDLE));
                }
            }
        }
        // A handle list only narrows inheritance; without inheritance it is refused.
        if (!inherited.empty() && !inheritHandles) return Fail(ERROR_INVALID_PARAMETER);
        for (HANDLE handle : inherited) {
            if (!FindHandle(handle)) return Fail(ERROR_INVALID_PARAMETER);
        }
        if (environment != nullptr) {
            if (!(creationFlags & CREATE_UNICODE_ENVIRONMENT)) return Fail(ERROR_INVALID_PARAMETER);
            creation.environment = EnvironmentBlockVariables(environment);
        }
        if (currentDirectory != nullptr && !FolderExists(currentDirectory)) return Fail(ERROR_DIRECTORY);

        const std::wstring program = ResolveProgram(applicationName, commandLine);
        if (program.empty()) return Fail(ERROR_FILE_NOT_FOUND);
        if (const DWORD error = ImageOpenError(program)) return Fail(error);

        winsim::StartedProcess& started = creation.process;
        started.api = "CreateProcessAsUserW";
        started.user = tokenObject->user;
        started.applicationName = applicationName ? applicationName : L"";
        started.commandLine = commandLine ? commandLine : L"";
        started.program = program;
        started.currentDirectory = currentDirectory ? currentDirectory : L"";
        started.inheritHandles = inheritHandles;
        started.creationFlags = creationFlags;
        started.startupInfoSize = startupInfo->cb;
        started.hasEnvironment = environment != nullptr;
        started.inheritedHandles = inherited;
    }

    std::function<void()> observer;
    {
        MachineLock lock(MachineMutex());
        observer = Launches().observer;
    }
    if (observer) observer();

    MachineLock lock(MachineMutex());
    const DWORD pid = RecordStartedProcess(creation.process);
    creation.process.pid = pid;
    auto process = std::make_shared<ProcessObject>();
    process->kind = "process";
    process->pid = pid;
    process->access = PROCESS_ALL_ACCESS;
    auto thread = std::make_shared<HandleObject>();
    thread->kind = "thread";
    processInformation->hProcess = AddHandle(process);
    processInformation->hThread = AddHandle(thread);
    processInformation->dwProcessId = pid;
    processInformation->dwThreadId = pid + 2;
    Launches().created.push_back(creation);
    return TRUE;
}

namespace winsim {

std::vector<UserProcessCreation> ProcessesCreatedAsUser() {
    MachineLock lock(MachineMutex());
    return Launches().created;
}

void SetProcessCreationObserver(std::function<void()> observer) {
    MachineLock lock(MachineMutex());
    Launches().observer = std::move(observer);
}

}  // namespace winsim
