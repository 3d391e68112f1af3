#pragma once

#include "platform/win32.h"

namespace Qv::Vantix::Security {

// Impersonates the RPC client on the calling thread and reverts when the scope ends,
// whatever way it ends. Begins only on request, so a scope may end never having
// impersonated.
class RpcClientImpersonation {
public:
    RpcClientImpersonation() = default;
    ~RpcClientImpersonation() {
        if (impersonating_) RpcRevertToSelf();
    }
    RpcClientImpersonation(const RpcClientImpersonation&) = delete;
    RpcClientImpersonation& operator=(const RpcClientImpersonation&) = delete;

    // The status of RpcImpersonateClient for the call this thread serves.
    RPC_STATUS Begin() {
        const RPC_STATUS status = RpcImpersonateClient(nullptr);
        impersonating_ = status == RPC_S_OK;
        return status;
    }

private:
    bool impersonating_ = false;
};

}  // namespace Qv::Vantix::Security
