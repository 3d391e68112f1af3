#pragma once

// RPC call attributes, version 3 (Windows 8 and later): mingw-w64 stops at version 2,
// which lacks the client identifier the package lookup of the caller needs. Declared
// here only where the SDK lacks it (VISTANE_COMPAT_RPC_CALL_ATTRIBUTES_V3, see CMakeLists.txt).
#include <windows.h>
#include <rpc.h>
#include <rpcasync.h>

#if defined(VISTANE_COMPAT_RPC_CALL_ATTRIBUTES_V3)
typedef struct tagRPC_CALL_ATTRIBUTES_V3_W {
    unsigned int Version;
    unsigned long Flags;
    unsigned long ServerPrincipalNameBufferLength;
    unsigned short* ServerPrincipalName;
    unsigned long ClientPrincipalNameBufferLength;
    unsigned short* ClientPrincipalName;
    unsigned long AuthenticationLevel;
    unsigned long AuthenticationService;
    BOOL NullSession;
    BOOL KernelModeCaller;
    unsigned long ProtocolSequence;
    RpcCallClientLocality IsClientLocal;
    HANDLE ClientPID;
    unsigned long CallStatus;
    RpcCallType CallType;
    RPC_CALL_LOCAL_ADDRESS_V1_W* CallLocalAddress;
    unsigned short OpNum;
    UUID InterfaceUuid;
    unsigned long ClientIdentifierBufferLength;
    unsigned char* ClientIdentifier;
} RPC_CALL_ATTRIBUTES_V3_W;

// The SDK's current version for Windows 8 and later; mingw-w64 still says 1.
#undef RPC_CALL_ATTRIBUTES_VERSION
#define RPC_CALL_ATTRIBUTES_VERSION 3
#endif  // VISTANE_COMPAT_RPC_CALL_ATTRIBUTES_V3

#ifndef RPC_QUERY_CALL_LOCAL_ADDRESS
#  define RPC_QUERY_CALL_LOCAL_ADDRESS 0x08
#endif
#ifndef RPC_QUERY_CLIENT_PID
#  define RPC_QUERY_CLIENT_PID 0x10
#endif
#ifndef RPC_QUERY_IS_CLIENT_LOCAL
#  define RPC_QUERY_IS_CLIENT_LOCAL 0x20
#endif
#ifndef RPC_QUERY_NO_AUTH_REQUIRED
#  define RPC_QUERY_NO_AUTH_REQUIRED 0x40
#endif
#ifndef RPC_QUERY_CLIENT_ID
#  define RPC_QUERY_CLIENT_ID 0x80
#endif
