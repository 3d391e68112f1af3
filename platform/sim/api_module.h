#pragma once

// Counted references to loaded modules.
#include "platform/sim/api_kernel.h"

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001u
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002u
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004u

// A handle to a loaded module, by name or (FROM_ADDRESS) by an address inside it. The
// module's reference count grows unless UNCHANGED_REFCOUNT or PIN is given.
WINSIM_EXTERN BOOL WINAPI GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module);
WINSIM_EXTERN BOOL WINAPI FreeLibrary(HMODULE module);
// Drops one reference and ends the calling thread without returning into the module.
WINSIM_EXTERN __attribute__((noreturn)) void WINAPI FreeLibraryAndExitThread(HMODULE module, DWORD exitCode);
