#include "tools/PluginHost/module_loader.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <dlfcn.h>
#  include <unistd.h>

#  include <chrono>
#  include <climits>

#  include "platform/sim/winsim.h"
#endif

namespace {

std::string DefaultModulePath() {
#if defined(_WIN32)
    return "VistaneService.dll";
#else
    char self[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
    folder = folder.substr(0, folder.rfind('/') + 1);
    // The build puts the module at the top of the build tree, the host under tools/.
    for (const char* candidate : {"VistaneService.so", "../../VistaneService.so"}) {
        const std::string path = folder + candidate;
        if (access(path.c_str(), R_OK) == 0) return path;
    }
    return "VistaneService.so";
#endif
}

}  // namespace

ModuleLoader::ModuleLoader(const std::string& path) {
    const std::string modulePath = path.empty() ? DefaultModulePath() : path;
#if defined(_WIN32)
    handle_ = reinterpret_cast<void*>(LoadLibraryA(modulePath.c_str()));
    if (!handle_) error_ = modulePath + ": error " + std::to_string(GetLastError());
#else
    handle_ = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) error_ = dlerror();
#endif
}

ModuleLoader::~ModuleLoader() {
    if (!handle_) return;
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
}

ModuleLoader::FactoryFunction ModuleLoader::Factory() const {
#if defined(_WIN32)
    return reinterpret_cast<FactoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), "QvCreateService")));
#else
    return reinterpret_cast<FactoryFunction>(dlsym(handle_, "QvCreateService"));
#endif
}

bool ModuleLoader::WaitForTasks() {
#if defined(_WIN32)
    // Each task holds the module: once the host lets go of it, the module unloads
    // exactly when the last task has ended.
    if (!handle_) return true;
    const auto factory = reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(Factory()));
    FreeLibrary(reinterpret_cast<HMODULE>(handle_));
    handle_ = nullptr;
    constexpr DWORD kPollMilliseconds = 100;
    constexpr DWORD kLongestWaitMilliseconds = 10 * 60 * 1000;
    HMODULE stillLoaded = nullptr;
    for (DWORD waited = 0; waited < kLongestWaitMilliseconds; waited += kPollMilliseconds) {
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                factory, &stillLoaded)) {
            return true;
        }
        Sleep(kPollMilliseconds);
    }
    return false;
#else
    return winsim::WaitForModuleReferences(0, std::chrono::minutes(1));
#endif
}
