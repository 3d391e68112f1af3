#include "tests/wine/rpc_call_stub.h"

#include <cstring>

#include "platform/win32.h"

namespace wine_checks {

namespace {

RPC_STATUS RPC_ENTRY NoCallActive(RPC_BINDING_HANDLE, void*) { return RPC_S_NO_CALL_ACTIVE; }

// The import address slot of `function` from `library` in this program, or null.
ULONG_PTR* ImportSlot(const char* library, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return nullptr;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); module->Name;
         ++module) {
        if (_stricmp(reinterpret_cast<const char*>(base + module->Name), library) != 0) continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) return &slot->u1.Function;
        }
    }
    return nullptr;
}

}  // namespace

bool AnswerNoRpcCallActive() {
    ULONG_PTR* slot = ImportSlot("rpcrt4.dll", "RpcServerInqCallAttributesW");
    if (slot == nullptr) return false;
    DWORD protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return false;
    *slot = reinterpret_cast<ULONG_PTR>(&NoCallActive);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return true;
}

}  // namespace wine_checks
