#pragma once

// Finds a system function at run time, for functions the import libraries lack or
// that older Windows (and Wine) do not have: a static import of a missing function
// stops the module from loading, or aborts the process when called under Wine.
#include <windows.h>

namespace vistane_compat {

// Looks the function up in modules that are already loaded (never loads a library by
// name, which could pick up a planted copy). Null when no module has it.
void* FindLoadedSystemFunction(const wchar_t* const* modules, const char* name);

// One pointer per function, looked up once (thread-safe through the static's
// initialisation) and kept for the life of the process.
template <typename Function>
Function SystemFunction(const wchar_t* const* modules, const char* name) {
    return reinterpret_cast<Function>(FindLoadedSystemFunction(modules, name));
}

}  // namespace vistane_compat
