#pragma once

// The API-set schema query of ntdll and the version it depends on.
#include "platform/sim/win32_types.h"

typedef std::uint16_t USHORT;

typedef struct _UNICODE_STRING {
    USHORT Length;         // bytes, without a terminator
    USHORT MaximumLength;  // bytes
    PWSTR Buffer;
} UNICODE_STRING, *PUNICODE_STRING;
typedef const UNICODE_STRING* PCUNICODE_STRING;

#define NTAPI
#define NT_SUCCESS(status) ((static_cast<NTSTATUS>(status)) >= 0)
#define STATUS_SUCCESS (static_cast<NTSTATUS>(0x00000000L))
#define STATUS_NOT_IMPLEMENTED (static_cast<NTSTATUS>(0xC0000002L))
#define STATUS_INVALID_PARAMETER (static_cast<NTSTATUS>(0xC000000DL))

// Low byte: major version; next byte: minor; high word: build number.
WINSIM_EXTERN DWORD WINAPI GetVersion(void);

// ntdll's exports (Windows 10 and later) report an NTSTATUS; the answer is in `present`.
WINSIM_EXTERN NTSTATUS NTAPI ApiSetQueryApiSetPresence(PCUNICODE_STRING contract, BOOLEAN* present);
WINSIM_EXTERN NTSTATUS NTAPI ApiSetQueryApiSetPresenceEx(PCUNICODE_STRING contract, BOOLEAN* inSchema,
                                                         BOOLEAN* present);
