#pragma once

#include "platform/sim/win32_types.h"

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u
#define MAXIMUM_ALLOWED 0x02000000u
#define SYNCHRONIZE 0x00100000u
#define STANDARD_RIGHTS_REQUIRED 0x000F0000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define MOVEFILE_COPY_ALLOWED 0x00000002u
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004u
#define MOVEFILE_WRITE_THROUGH 0x00000008u

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

WINSIM_EXTERN DWORD WINAPI GetLastError(void);
WINSIM_EXTERN void WINAPI SetLastError(DWORD error);
WINSIM_EXTERN BOOL WINAPI CloseHandle(HANDLE handle);
WINSIM_EXTERN void WINAPI Sleep(DWORD milliseconds);
WINSIM_EXTERN ULONGLONG WINAPI GetTickCount64(void);
WINSIM_EXTERN DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR filename, DWORD size);
WINSIM_EXTERN BOOL WINAPI DisableThreadLibraryCalls(HMODULE module);
WINSIM_EXTERN DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size);
WINSIM_EXTERN HANDLE WINAPI GetCurrentProcess(void);
WINSIM_EXTERN DWORD WINAPI GetCurrentProcessId(void);
WINSIM_EXTERN DWORD WINAPI GetCurrentThreadId(void);
// Files follow Windows' share modes: an open whose access another handle does not
// share, or that would deny an access another handle holds, fails with
// ERROR_SHARING_VIOLATION. Only data access counts (read or execute, write or append,
// delete); an open without any takes no part.
WINSIM_EXTERN HANDLE WINAPI CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                        LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                                        DWORD flagsAndAttributes, HANDLE templateFile);
WINSIM_EXTERN DWORD WINAPI GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer,
                                            LPWSTR* filePart);
// Opens the file for delete (every other open must share delete) and removes its name.
WINSIM_EXTERN BOOL WINAPI DeleteFileW(LPCWSTR fileName);
// Renames a file: every other open of it must share delete, and an existing target is
// replaced only with MOVEFILE_REPLACE_EXISTING and only while nothing holds it open.
// Folders and delayed moves are not modelled (ERROR_NOT_SUPPORTED).
WINSIM_EXTERN BOOL WINAPI MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags);

// Starts a thread in this process; the handle is the caller's to close, and closing it
// does not end the thread. Thread handles are not waitable in this model.
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);
WINSIM_EXTERN HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES threadAttributes, SIZE_T stackSize,
                                         LPTHREAD_START_ROUTINE startAddress, LPVOID parameter, DWORD creationFlags,
                                         LPDWORD threadId);

#define LMEM_FIXED 0x0000u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

WINSIM_EXTERN HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes);
WINSIM_EXTERN HLOCAL WINAPI LocalFree(HLOCAL memory);
