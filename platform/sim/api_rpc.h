#pragma once

#include "platform/sim/win32_types.h"

typedef LONG RPC_STATUS;
typedef void* RPC_BINDING_HANDLE;

#define RPC_S_OK 0
#define RPC_S_INVALID_ARG 87
#define RPC_S_NO_CALL_ACTIVE 1725
#define RPC_S_CANNOT_SUPPORT 1764
#define RPC_QUERY_SERVER_PRINCIPAL_NAME 0x02u
#define RPC_QUERY_CLIENT_PRINCIPAL_NAME 0x04u
#define RPC_QUERY_CALL_LOCAL_ADDRESS 0x08u
#define RPC_QUERY_CLIENT_PID 0x10u
#define RPC_QUERY_IS_CLIENT_LOCAL 0x20u
#define RPC_QUERY_NO_AUTH_REQUIRED 0x40u

typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID, UUID;

typedef enum { rcclInvalid, rcclLocal, rcclRemote, rcclClientUnknownLocality } RpcCallClientLocality;
typedef enum { rctInvalid, rctNormal, rctTraining, rctGuaranteed } RpcCallType;
typedef struct tagRPC_CALL_LOCAL_ADDRESS_V1 RPC_CALL_LOCAL_ADDRESS_V1;

typedef struct tagRPC_CALL_ATTRIBUTES_V3_W {
    unsigned int Version;
    unsigned int Flags;  // unsigned long on Windows: 32-bit
    unsigned int ServerPrincipalNameBufferLength;
    unsigned short* ServerPrincipalName;
    unsigned int ClientPrincipalNameBufferLength;
    unsigned short* ClientPrincipalName;
    unsigned int AuthenticationLevel;
    unsigned int AuthenticationService;
    BOOL NullSession;
    BOOL KernelModeCaller;
    unsigned int ProtocolSequence;
    RpcCallClientLocality IsClientLocal;
    HANDLE ClientPID;
    unsigned int CallStatus;
    RpcCallType CallType;
    RPC_CALL_LOCAL_ADDRESS_V1* CallLocalAddress;
    unsigned short OpNum;
    UUID InterfaceUuid;
    unsigned int ClientIdentifierBufferLength;
    unsigned char* ClientIdentifier;
} RPC_CALL_ATTRIBUTES_V3_W;

WINSIM_EXTERN RPC_STATUS WINAPI RpcServerInqCallAttributesW(RPC_BINDING_HANDLE binding, void* attributes);
WINSIM_EXTERN RPC_STATUS WINAPI RpcImpersonateClient(RPC_BINDING_HANDLE binding);
WINSIM_EXTERN RPC_STATUS WINAPI RpcRevertToSelf(void);
