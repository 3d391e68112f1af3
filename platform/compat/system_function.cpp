#include "platform/compat/system_function.h"

namespace vistane_compat {

void* FindLoadedSystemFunction(const wchar_t* const* modules, const char* name) {
    for (; *modules != nullptr; ++modules) {
        // GetModuleHandleW takes no reference: nothing to release.
        const HMODULE module = GetModuleHandleW(*modules);
        if (module == nullptr) continue;
        if (const FARPROC found = GetProcAddress(module, name))
            return reinterpret_cast<void*>(found);
    }
    return nullptr;
}

}  // namespace vistane_compat
