#pragma once

// Terminal services and the user's environment: its variables and environment blocks.
#include "platform/sim/api_kernel.h"
#include "platform/sim/api_process.h"

#define WTS_CURRENT_SERVER_HANDLE (static_cast<HANDLE>(nullptr))
#define ERROR_BAD_TOKEN_TYPE 1349L

// 0xFFFFFFFF when no session is attached to the physical console.
WINSIM_EXTERN DWORD WINAPI WTSGetActiveConsoleSessionId(void);
// The primary token of the user logged on to the session; the caller must be the
// local system account, not impersonating anybody.
WINSIM_EXTERN BOOL WINAPI WTSQueryUserToken(ULONG sessionId, PHANDLE token);
WINSIM_EXTERN BOOL WINAPI ExpandEnvironmentStringsForUserW(HANDLE token, LPCWSTR source, LPWSTR destination,
                                                           DWORD size);
// A wide block "NAME=value\0...\0\0" of the token user's variables.
WINSIM_EXTERN BOOL WINAPI CreateEnvironmentBlock(LPVOID* environment, HANDLE token, BOOL inherit);
WINSIM_EXTERN BOOL WINAPI DestroyEnvironmentBlock(LPVOID environment);

#include "platform/sim/api_apiset.h"
