// Counted references to loaded modules: GetModuleHandleExW, FreeLibrary and
// FreeLibraryAndExitThread. A counted reference also keeps the shared object really
// loaded (a loader reference of its own), so a thread that holds its module survives
// the host unloading it, as on Windows.
#include <dlfcn.h>
#include <link.h>
#include <pthread.h>

#include <condition_variable>
#include <vector>

#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

constexpr const char* kLedgerKind = "module reference";

struct ModuleRecord {
    long references = 0;
    std::vector<void*> loaderHandles;  // one per counted reference the loader granted
};

std::map<HMODULE, ModuleRecord>& Modules() {
    static auto* modules = new std::map<HMODULE, ModuleRecord>();
    return *modules;
}

std::condition_variable_any& ReferencesChanged() {
    static auto* changed = new std::condition_variable_any();
    return *changed;
}

ResetHookRegistrar resetModules([] {
    Modules().clear();
    ReferencesChanged().notify_all();
});

// The loaded object holding `address`: its base is the module handle, as on Windows.
HMODULE ModuleAt(const void* address, std::string& file) {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fbase == nullptr) return nullptr;
    file = info.dli_fname ? info.dli_fname : "";
    return static_cast<HMODULE>(info.dli_fbase);
}

HMODULE MainProgram(std::string& file) {
    HMODULE base = nullptr;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* found) {
            // The first object listed is the program itself; its first segment is its base.
            for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
                if (info->dlpi_phdr[i].p_type == PT_LOAD) {
                    *static_cast<HMODULE*>(found) =
                        reinterpret_cast<HMODULE>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
                    break;
                }
            }
            return 1;
        },
        &base);
    file.clear();  // the program stays loaded for the life of the process anyway
    return base;
}

void AddReference(HMODULE module, const std::string& file) {
    void* loaderHandle = file.empty() ? nullptr : dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    MachineLock lock(MachineMutex());
    ModuleRecord& record = Modules()[module];
    ++record.references;
    if (loaderHandle) record.loaderHandles.push_back(loaderHandle);
    LedgerAcquire(kLedgerKind);
    ReferencesChanged().notify_all();
}

bool ReleaseReference(HMODULE module) {
    void* loaderHandle = nullptr;
    {
        MachineLock lock(MachineMutex());
        auto found = Modules().find(module);
        if (found == Modules().end()) return false;
        ModuleRecord& record = found->second;
        if (!record.loaderHandles.empty()) {
            loaderHandle = record.loaderHandles.back();
            record.loaderHandles.pop_back();
        }
        if (--record.references == 0) Modules().erase(found);
        LedgerRelease(kLedgerKind);
        ReferencesChanged().notify_all();
    }
    if (loaderHandle) dlclose(loaderHandle);
    return true;
}

long TotalReferences() {
    long total = 0;
    for (const auto& [module, record] : Modules()) total += record.references;
    return total;
}

// The reference FreeLibraryAndExitThread drops is released by this key's destructor,
// which runs once the exiting thread has unwound all of its frames.
pthread_key_t ExitReleaseKey() {
    static const pthread_key_t key = [] {
        pthread_key_t created{};
        pthread_key_create(&created, [](void* value) {
            auto* module = static_cast<HMODULE*>(value);
            ReleaseReference(*module);
            delete module;
        });
        return created;
    }();
    return key;
}

}  // namespace

BOOL WINAPI GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module) {
    if (module) *module = nullptr;
    if (Enter("GetModuleHandleExW", ERROR_MOD_NOT_FOUND)) return FALSE;
    constexpr DWORD kKnownFlags = GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT |
                                  GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
    const bool pinAndUnchanged = (flags & GET_MODULE_HANDLE_EX_FLAG_PIN) &&
                                 (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT);
    if (module == nullptr || (flags & ~kKnownFlags) || pinAndUnchanged) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string file;
    HMODULE found = nullptr;
    if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
        found = ModuleAt(moduleName, file);
    } else if (moduleName == nullptr) {
        found = MainProgram(file);
    }
    // Modules are known here by address only: a name finds nothing.
    if (found == nullptr) {
        SetThreadLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    if (flags & GET_MODULE_HANDLE_EX_FLAG_PIN) {
        if (!file.empty()) dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    } else if (!(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT)) {
        AddReference(found, file);
    }
    *module = found;
    return TRUE;
}

// Only references counted through GetModuleHandleExW are known: the loader's own
// reference of a host that loaded the module is not modelled.
BOOL WINAPI FreeLibrary(HMODULE module) {
    if (Enter("FreeLibrary", ERROR_MOD_NOT_FOUND, FaultScope::ExplicitOnly)) return FALSE;
    if (!ReleaseReference(module)) {
        SetThreadLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

void WINAPI FreeLibraryAndExitThread(HMODULE module, DWORD /*exitCode*/) {
    Enter("FreeLibraryAndExitThread", 0, FaultScope::ExplicitOnly);  // it cannot fail
    // No code of the module may run once its last reference is gone: the reference is
    // dropped at thread exit, after the unwinding of every frame of the thread.
    pthread_setspecific(ExitReleaseKey(), new HMODULE(module));
    pthread_exit(nullptr);
}

namespace winsim {

long ModuleReferences() {
    MachineLock lock(MachineMutex());
    return TotalReferences();
}

long ModuleReferences(HMODULE module) {
    MachineLock lock(MachineMutex());
    auto found = Modules().find(module);
    return found == Modules().end() ? 0 : found->second.references;
}

bool WaitForModuleReferences(long count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(MachineMutex());
    return ReferencesChanged().wait_for(lock, timeout, [count] { return TotalReferences() <= count; });
}

}  // namespace winsim
