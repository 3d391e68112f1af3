#pragma once

// Processes and their tokens: opening, duplicating, impersonating.
#include "platform/sim/api_kernel.h"

#define PROCESS_TERMINATE 0x0001u
#define PROCESS_QUERY_INFORMATION 0x0400u
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000u
#define PROCESS_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFFFu)
#define DUPLICATE_CLOSE_SOURCE 0x00000001u
#define DUPLICATE_SAME_ACCESS 0x00000002u

#define TOKEN_ASSIGN_PRIMARY 0x0001u
#define TOKEN_DUPLICATE 0x0002u
#define TOKEN_IMPERSONATE 0x0004u
#define TOKEN_QUERY 0x0008u
#define TOKEN_ALL_ACCESS 0xF01FFu

typedef enum _TOKEN_TYPE { TokenPrimary = 1, TokenImpersonation = 2 } TOKEN_TYPE, *PTOKEN_TYPE;
typedef enum _SECURITY_IMPERSONATION_LEVEL {
    SecurityAnonymous,
    SecurityIdentification,
    SecurityImpersonation,
    SecurityDelegation
} SECURITY_IMPERSONATION_LEVEL;

WINSIM_EXTERN HANDLE WINAPI OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId);
WINSIM_EXTERN BOOL WINAPI OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token);
WINSIM_EXTERN BOOL WINAPI DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess,
                                          LPHANDLE target, DWORD desiredAccess, BOOL inheritHandle,
                                          DWORD options);
WINSIM_EXTERN BOOL WINAPI DuplicateTokenEx(HANDLE existingToken, DWORD desiredAccess,
                                           LPSECURITY_ATTRIBUTES tokenAttributes,
                                           SECURITY_IMPERSONATION_LEVEL impersonationLevel, TOKEN_TYPE tokenType,
                                           PHANDLE newToken);
WINSIM_EXTERN BOOL WINAPI ImpersonateLoggedOnUser(HANDLE token);
WINSIM_EXTERN BOOL WINAPI RevertToSelf(void);
