#include <cstring>
#include <optional>

#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {
thread_local std::optional<DWORD> servedCallClient;
}

RPC_STATUS WINAPI RpcServerInqCallAttributesW(RPC_BINDING_HANDLE binding, void* attributes) {
    if (auto fault = Enter("RpcServerInqCallAttributesW", RPC_S_NO_CALL_ACTIVE)) return static_cast<RPC_STATUS>(*fault);
    if (attributes == nullptr) return RPC_S_INVALID_ARG;
    if (binding != nullptr) return RPC_S_INVALID_ARG;  // only the call of this thread is modelled
    if (!servedCallClient) return RPC_S_NO_CALL_ACTIVE;
    auto* record = static_cast<RPC_CALL_ATTRIBUTES_V3_W*>(attributes);
    if (record->Version < 2 || record->Version > 3) return RPC_S_INVALID_ARG;
    if (record->Flags & RPC_QUERY_CLIENT_PID) record->ClientPID = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(*servedCallClient));
    record->IsClientLocal = rcclLocal;
    record->CallType = rctNormal;
    return RPC_S_OK;
}

RPC_STATUS WINAPI RpcImpersonateClient(RPC_BINDING_HANDLE /*binding*/) {
    if (auto fault = Enter("RpcImpersonateClient", RPC_S_NO_CALL_ACTIVE)) return static_cast<RPC_STATUS>(*fault);
    if (!servedCallClient) return RPC_S_NO_CALL_ACTIVE;
    MachineLock lock(MachineMutex());
    const SimProcess* client = FindProcess(*servedCallClient);
    // The caller's identity stays known while the call lasts, even after it exited.
    BeginImpersonation(client ? client->user : L"", "RpcImpersonateClient");
    return RPC_S_OK;
}

RPC_STATUS WINAPI RpcRevertToSelf(void) {
    if (auto fault = Enter("RpcRevertToSelf", RPC_S_NO_CALL_ACTIVE, FaultScope::ExplicitOnly)) return static_cast<RPC_STATUS>(*fault);
    if (!servedCallClient) return RPC_S_NO_CALL_ACTIVE;
    EndImpersonation("RpcRevertToSelf");
    return RPC_S_OK;
}

namespace winsim {

void BeginRpcCall(DWORD clientPid) { servedCallClient = clientPid; }
void EndRpcCall() { servedCallClient.reset(); }
RpcCallScope::RpcCallScope(DWORD clientPid) { BeginRpcCall(clientPid); }
RpcCallScope::~RpcCallScope() { EndRpcCall(); }

}  // namespace winsim
