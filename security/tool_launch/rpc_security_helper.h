#pragma once

#include <map>
#include <string>

#include "platform/resources.h"
#include "platform/win32.h"

namespace Qv::Vantix::Security {

// Identifies the store package of the process behind the RPC call the current thread
// serves. Created on the spot for one question.
class RpcSecurityHelper {
public:
    RpcSecurityHelper() = default;

    // The caller's package family name without any NUL, or empty when it cannot be
    // established (the reason is logged). Must run on the thread serving the call.
    std::wstring GetPFNOfCaller();

private:
    RPC_STATUS GetCallerProcessId(DWORD& processId);
    Platform::ScopedHandle OpenCallerProcess();

    // Fallback handles by process id; not owned. Nothing in the module fills it.
    std::map<DWORD, HANDLE> _process_handles;

    friend class RpcSecurityHelperTestAccess;
};

}  // namespace Qv::Vantix::Security
