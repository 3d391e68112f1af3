#pragma once

#include "platform/win32.h"

namespace Qv::Vantix::Server::Services::Vistane {

// One counted reference to this module: while it is held the host's unloading of the
// module does not take its code away. Released with FreeLibrary unless handed over.
class ModuleReference {
public:
    // Takes a reference through an address inside this module; empty when that fails.
    static ModuleReference ToThisModule();

    ModuleReference() = default;
    ~ModuleReference();
    ModuleReference(ModuleReference&& other) noexcept;
    ModuleReference& operator=(ModuleReference&& other) noexcept;
    ModuleReference(const ModuleReference&) = delete;
    ModuleReference& operator=(const ModuleReference&) = delete;

    HMODULE get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }
    // Gives up ownership: the caller now releases the reference.
    HMODULE release();

private:
    explicit ModuleReference(HMODULE module) : module_(module) {}
    void reset();
    HMODULE module_ = nullptr;
};

}  // namespace Qv::Vantix::Server::Services::Vistane
