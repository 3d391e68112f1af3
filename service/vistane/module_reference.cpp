#include "service/vistane/module_reference.h"

namespace Qv::Vantix::Server::Services::Vistane {

namespace {
// Any address inside the module names it.
const char kAddressInThisModule = 0;
}  // namespace

ModuleReference ReferenceThisModule() {
    ModuleReference module;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&kAddressInThisModule),
                            module.put())) {
        return {};
    }
    return module;
}

}  // namespace Qv::Vantix::Server::Services::Vistane
