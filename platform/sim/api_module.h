#pragma once

// Starting processes, waiting on them, and counted references to loaded modules.
#include "platform/sim/api_kernel.h"
#include "platform/sim/api_launch.h"

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define THREAD_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFFFu)

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001u
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002u
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004u

// STARTUPINFOW and PROCESS_INFORMATION come with the launch calls.

// Starts a program in the caller's account. Without an application name the program
// is the command line's first token: a quoted token whole, otherwise the shortest
// space-separated prefix that names an existing file (".exe" added when the name has
// no extension). The command line buffer must be writable, as on Windows.
WINSIM_EXTERN BOOL WINAPI CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                                         LPSECURITY_ATTRIBUTES processAttributes,
                                         LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                         DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                                         LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation);

// Process and thread handles are signalled when the process has ended.
WINSIM_EXTERN DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// A handle to a loaded module, by name or (FROM_ADDRESS) by an address inside it. The
// module's reference count grows unless UNCHANGED_REFCOUNT or PIN is given.
WINSIM_EXTERN BOOL WINAPI GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module);
WINSIM_EXTERN BOOL WINAPI FreeLibrary(HMODULE module);
// Drops one reference and ends the calling thread without returning into the module.
WINSIM_EXTERN __attribute__((noreturn)) void WINAPI FreeLibraryAndExitThread(HMODULE module, DWORD exitCode);
