#pragma once

// Process creation (in the caller's account or under a user's token) and waits on
// processes, with the process heap and thread attribute lists they use.
#include "platform/sim/api_kernel.h"

#define HEAP_ZERO_MEMORY 0x00000008u

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define THREAD_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFFFu)

#define DEBUG_PROCESS 0x00000001u
#define CREATE_SUSPENDED 0x00000004u
#define CREATE_NEW_CONSOLE 0x00000010u
#define NORMAL_PRIORITY_CLASS 0x00000020u
#define CREATE_UNICODE_ENVIRONMENT 0x00000400u
#define EXTENDED_STARTUPINFO_PRESENT 0x00080000u

#define PROC_THREAD_ATTRIBUTE_REPLACE_VALUE 0x00000001u
#define PROC_THREAD_ATTRIBUTE_PARENT_PROCESS 0x00020000u
#define PROC_THREAD_ATTRIBUTE_HANDLE_LIST 0x00020002u

#define ERROR_BAD_LENGTH 24L
#define ERROR_DIRECTORY 267L

typedef struct _PROC_THREAD_ATTRIBUTE_LIST* PPROC_THREAD_ATTRIBUTE_LIST;
typedef struct _PROC_THREAD_ATTRIBUTE_LIST* LPPROC_THREAD_ATTRIBUTE_LIST;

typedef struct _STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;

typedef struct _STARTUPINFOEXW {
    STARTUPINFOW StartupInfo;
    LPPROC_THREAD_ATTRIBUTE_LIST lpAttributeList;
} STARTUPINFOEXW, *LPSTARTUPINFOEXW;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *PPROCESS_INFORMATION, *LPPROCESS_INFORMATION;

static_assert(sizeof(STARTUPINFOW) == 104, "STARTUPINFOW has the Windows x64 layout");
static_assert(sizeof(STARTUPINFOEXW) == 112, "STARTUPINFOEXW has the Windows x64 layout");
static_assert(sizeof(PROCESS_INFORMATION) == 24, "PROCESS_INFORMATION has the Windows x64 layout");

WINSIM_EXTERN HANDLE WINAPI GetProcessHeap(void);
WINSIM_EXTERN LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
WINSIM_EXTERN BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID memory);

// With no list (or one too small) it fails with ERROR_INSUFFICIENT_BUFFER and reports
// the size a list of `attributeCount` attributes needs.
WINSIM_EXTERN BOOL WINAPI InitializeProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST attributeList,
                                                            DWORD attributeCount, DWORD flags, PSIZE_T size);
// Keeps the value pointer, not a copy: the value must outlive the list.
WINSIM_EXTERN BOOL WINAPI UpdateProcThreadAttribute(LPPROC_THREAD_ATTRIBUTE_LIST attributeList, DWORD flags,
                                                    DWORD_PTR attribute, PVOID value, SIZE_T size,
                                                    PVOID previousValue, PSIZE_T returnSize);
WINSIM_EXTERN void WINAPI DeleteProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST attributeList);

WINSIM_EXTERN BOOL WINAPI CreateProcessAsUserW(HANDLE token, LPCWSTR applicationName, LPWSTR commandLine,
                                               LPSECURITY_ATTRIBUTES processAttributes,
                                               LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                               DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                                               LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation);

// Starts a program in the caller's account; the program is found as for
// CreateProcessAsUserW (program_search.cpp). The command line buffer must be
// writable, as on Windows.
WINSIM_EXTERN BOOL WINAPI CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                                         LPSECURITY_ATTRIBUTES processAttributes,
                                         LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                         DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                                         LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation);

// Process and thread handles are signalled when the process has ended.
WINSIM_EXTERN DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
