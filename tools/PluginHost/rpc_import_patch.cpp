#if defined(_WIN32)
#include "tools/PluginHost/rpc_import_patch.h"

#include <rpc.h>

#include <cstring>

namespace {

RPC_STATUS RPC_ENTRY NoCallActive(RPC_BINDING_HANDLE, void*) { return RPC_S_NO_CALL_ACTIVE; }

template <typename T>
T* At(HMODULE module, DWORD offset) {
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + offset);
}

bool Redirect(ULONG_PTR* slot) {
    DWORD previous = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous)) return false;
    *slot = reinterpret_cast<ULONG_PTR>(&NoCallActive);
    VirtualProtect(slot, sizeof *slot, previous, &previous);
    return true;
}

}  // namespace

bool AnswerNoCallActiveInModule(HMODULE module) {
    if (module == nullptr) return false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* nt = At<const IMAGE_NT_HEADERS64>(module, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return false;
    for (auto* library = At<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress); library->Name != 0;
         ++library) {
        if (_stricmp(At<const char>(module, library->Name), "rpcrt4.dll") != 0) continue;
        auto* names = At<IMAGE_THUNK_DATA64>(module, library->OriginalFirstThunk ? library->OriginalFirstThunk
                                                                                 : library->FirstThunk);
        auto* slots = At<IMAGE_THUNK_DATA64>(module, library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal)) continue;
            const auto* byName = At<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "RpcServerInqCallAttributesW") == 0)
                return Redirect(reinterpret_cast<ULONG_PTR*>(&slots->u1.Function));
        }
    }
    return false;
}
#endif
