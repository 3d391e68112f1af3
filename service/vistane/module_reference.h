#pragma once

#include "platform/unique_any.h"
#include "platform/win32.h"

namespace Qv::Vantix::Server::Services::Vistane {

// One counted reference to a module: while it is held the host's unloading of the
// module does not take its code away. Released with FreeLibrary unless handed over.
inline void ReleaseModuleReference(HMODULE module) { FreeLibrary(module); }
using ModuleReference = Platform::UniqueAny<HMODULE, &ReleaseModuleReference>;

// A reference to this module, taken through an address inside it; empty when that fails.
ModuleReference ReferenceThisModule();

}  // namespace Qv::Vantix::Server::Services::Vistane
