#include "service/vistane/module_reference.h"

#include <utility>

namespace Qv::Vantix::Server::Services::Vistane {

namespace {
// Any address inside the module names it.
const char kAddressInThisModule = 0;
}  // namespace

ModuleReference ModuleReference::ToThisModule() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&kAddressInThisModule),
                            &module)) {
        return {};
    }
    return ModuleReference(module);
}

ModuleReference::~ModuleReference() { reset(); }

ModuleReference::ModuleReference(ModuleReference&& other) noexcept : module_(other.release()) {}

ModuleReference& ModuleReference::operator=(ModuleReference&& other) noexcept {
    if (this != &other) {
        reset();
        module_ = other.release();
    }
    return *this;
}

HMODULE ModuleReference::release() { return std::exchange(module_, nullptr); }

void ModuleReference::reset() {
    if (module_ != nullptr) FreeLibrary(std::exchange(module_, nullptr));
}

}  // namespace Qv::Vantix::Server::Services::Vistane
