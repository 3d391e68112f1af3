#include "platform/win32.h"

#if !defined(_WIN32)
#  include <dlfcn.h>
#endif

// Thread notifications are of no use to this module: switch them off.
extern "C" BOOL APIENTRY DllMain(HMODULE module, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
    return TRUE;
}

#if !defined(_WIN32)
// Without a Windows loader, the shared object calls its entry as the loader would.
namespace {

HMODULE OwnModule() {
    Dl_info info{};
    return dladdr(reinterpret_cast<void*>(&DllMain), &info) ? static_cast<HMODULE>(info.dli_fbase) : nullptr;
}

__attribute__((constructor)) void OnModuleLoad() { DllMain(OwnModule(), DLL_PROCESS_ATTACH, nullptr); }
__attribute__((destructor)) void OnModuleUnload() { DllMain(OwnModule(), DLL_PROCESS_DETACH, nullptr); }

}  // namespace
#endif
