#include "security/tool_launch/rpc_security_helper.h"

#include <algorithm>
#include <system_error>

#include "platform/scope_exit.h"
#include "service/logging/logging.h"

namespace Qv::Vantix::Security {

namespace {

// Asks the RPC run time for the process id of the client whose call this thread
// serves; a null binding names that call.
RPC_STATUS QueryCallerProcessId(DWORD& processId) {
    RPC_CALL_ATTRIBUTES_V3_W attributes{};
    attributes.Version = 3;
    attributes.Flags = RPC_QUERY_CLIENT_PID;
    const RPC_STATUS status = RpcServerInqCallAttributesW(nullptr, &attributes);
    if (status == RPC_S_OK) processId = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(attributes.ClientPID));
    return status;
}

[[noreturn]] void Raise(int code, const char* message) {
    throw std::system_error(code, std::generic_category(), message);
}

}  // namespace

RPC_STATUS RpcSecurityHelper::GetCallerProcessId(DWORD& processId) { return QueryCallerProcessId(processId); }

Platform::ScopedHandle RpcSecurityHelper::OpenCallerProcess() {
    DWORD processId = 0;
    if (QueryCallerProcessId(processId) != RPC_S_OK) processId = 0;

    Platform::ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (process) return process;

    const auto known = _process_handles.find(processId);
    if (known != _process_handles.end()) {
        HANDLE duplicate = INVALID_HANDLE_VALUE;
        DuplicateHandle(GetCurrentProcess(), known->second, GetCurrentProcess(), &duplicate,
                        PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0);
        process.reset(duplicate);
    }
    return process;
}

std::wstring RpcSecurityHelper::GetPFNOfCaller() {
    std::wstring familyName;
    // Reverts when the function ends: after the process handle is closed and a failure
    // logged, and only when the impersonation began.
    bool impersonating = false;
    const auto revert = Platform::ScopeExit([&impersonating] {
        if (impersonating) RpcRevertToSelf();
    });
    try {
        DWORD processId = 0;
        if (const RPC_STATUS status = GetCallerProcessId(processId); status != RPC_S_OK) {
            Raise(status, "RpcServerInqCallAttributes failed");
        }

        const Platform::ScopedHandle process = OpenCallerProcess();
        if (!process) Raise(ERROR_ACCESS_DENIED, "OpenProcess yielded null or invalid handle");

        // The process was opened as the service; the package query runs as the client.
        const RPC_STATUS impersonation = RpcImpersonateClient(nullptr);
        impersonating = impersonation == RPC_S_OK;
        if (!impersonating) Raise(impersonation, "Failed to impersonate client");

        UINT32 length = 0;
        if (const LONG result = GetPackageFamilyName(process.get(), &length, nullptr);
            result != ERROR_SUCCESS && result != ERROR_INSUFFICIENT_BUFFER) {
            Raise(result, "GetPackageFamilyName failed");
        }

        std::wstring buffer(length, L'\0');
        if (GetPackageFamilyName(process.get(), &length, buffer.data()) != ERROR_SUCCESS) {
            throw static_cast<long>(ERROR_ACCESS_DENIED);
        }
        // The reported length counts the terminator.
        buffer.erase(std::remove(buffer.begin(), buffer.end(), L'\0'), buffer.end());
        familyName = std::move(buffer);
    } catch (const std::system_error& error) {
        const char* what = error.what();
        LogManager::GetLogger()->LogError(L"RpcSecurityHelper::GetPFNOfCaller - %S, Status: %ld",
                                          (what != nullptr && *what != '\0') ? what : "Unknown exception",
                                          static_cast<LONG>(error.code().value()));
    } catch (long code) {
        LogManager::GetLogger()->LogError(L"RpcSecurityHelper::GetPFNOfCaller - Caught error %ld",
                                          static_cast<LONG>(code));
    }
    return familyName;
}

}  // namespace Qv::Vantix::Security
