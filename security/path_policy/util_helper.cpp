#include "security/path_policy/util_helper.h"

#include <optional>
#include <typeinfo>

#include "platform/resources.h"
#include "platform/win32.h"
#include "service/logging/logging.h"

namespace Qv::Vantix::Server::Services {

namespace {

using Platform::ScopedHandle;

const char* TypeName() { return typeid(UtilHelper).name(); }

void LogStepFailure(const wchar_t* context, const wchar_t* step, DWORD error) {
    LogManager::GetLogger()->LogWarning(LoggingData{L"%S.%S failed on function %s with result %d", context, 0},
                                        TypeName(), "GetFullExpandedPath", step, static_cast<int>(error));
}

// The process id of the RPC client the calling thread serves, if it serves one.
std::optional<DWORD> ServedClientProcessId() {
    RPC_CALL_ATTRIBUTES_V3_W attributes{};
    attributes.Version = 3;
    attributes.Flags = RPC_QUERY_CLIENT_PID;
    if (RpcServerInqCallAttributesW(nullptr, &attributes) != RPC_S_OK) return std::nullopt;
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(attributes.ClientPID));
}

// Expansion in the environment of the client's user: the variables are the caller's.
std::optional<std::wstring> ExpandForClient(DWORD clientPid, const wchar_t* filePath, const wchar_t* context) {
    ScopedHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, clientPid));
    if (!process) {
        LogStepFailure(context, L"process_handle is NULL or INVALID_HANDLE_VALUE", GetLastError());
        return std::nullopt;
    }
    ScopedHandle token;
    const BOOL opened = OpenProcessToken(process.get(), TOKEN_ALL_ACCESS, token.put());
    if (!opened || !token) {
        LogStepFailure(context, L"OpenProcessToken", GetLastError());
        return std::nullopt;
    }
    WCHAR expanded[MAX_PATH] = {};
    if (!ExpandEnvironmentStringsForUserW(token.get(), filePath, expanded, MAX_PATH)) {
        LogStepFailure(context, L"ExpandEnvironmentStringsForUser", GetLastError());
        return std::nullopt;
    }
    return std::wstring(expanded);
}

// `logExpansion` false: only the full-path step is logged, as on the caller's road.
std::optional<std::wstring> ExpandForService(const wchar_t* filePath, const wchar_t* context, bool logExpansion) {
    WCHAR expanded[MAX_PATH] = {};
    const DWORD count = ExpandEnvironmentStringsW(filePath, expanded, MAX_PATH);
    if (count == 0) {
        LogStepFailure(context, L"ExpandEnvironmentStrings", GetLastError());
        return std::nullopt;
    }
    if (count > MAX_PATH) {
        // Windows reports the size it needs and leaves the buffer cut and unterminated.
        LogStepFailure(context, L"ExpandEnvironmentStrings", ERROR_INSUFFICIENT_BUFFER);
        return std::nullopt;
    }
    if (logExpansion) {
        LogManager::GetLogger()->LogInfo(LoggingData{L"ExpandEnvironmentStrings: [%s] [%s]", context, 0}, filePath,
                                         expanded);
    }
    return std::wstring(expanded);
}

std::wstring FullPathOf(const std::wstring& expanded, const wchar_t* context) {
    WCHAR full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(expanded.c_str(), MAX_PATH, full, nullptr);
    if (length == 0) {
        LogStepFailure(context, L"GetFullPathName", GetLastError());
        return std::wstring();
    }
    if (length >= MAX_PATH) {
        LogStepFailure(context, L"GetFullPathName", ERROR_INSUFFICIENT_BUFFER);
        return std::wstring();
    }
    LogManager::GetLogger()->LogInfo(LoggingData{L"GetFullPathName: [%s]", context, 0}, full);
    return std::wstring(full);
}

}  // namespace

bool UtilHelper::NullChecker(std::vector<std::pair<const void*, const char*>> arguments, const wchar_t* context) {
    bool anyNull = false;
    for (const auto& [value, name] : arguments) {
        if (value != nullptr) continue;
        anyNull = true;
        LogManager::GetLogger()->LogWarning(LoggingData{L"%S.%S - %S cannot be null", context, 0}, TypeName(),
                                            "NullChecker", name);
    }
    return anyNull;
}

namespace {

enum class Environment { Caller, Service };

std::wstring FullExpandedPath(const wchar_t* filePath, const wchar_t* context, Environment environment) {
    if (UtilHelper::NullChecker({{filePath, "filePath"}}, context)) return std::wstring();
    const std::optional<DWORD> clientPid = ServedClientProcessId();
    std::optional<std::wstring> expanded;
    if (!clientPid) {
        expanded = ExpandForService(filePath, context, true);
    } else if (environment == Environment::Caller) {
        expanded = ExpandForClient(*clientPid, filePath, context);
    } else {
        expanded = ExpandForService(filePath, context, false);
    }
    // A failed step yields no path at all: an empty or half-made text would match too much.
    if (!expanded) return std::wstring();
    return FullPathOf(*expanded, context);
}

}  // namespace

std::wstring UtilHelper::GetFullExpandedPath(const wchar_t* filePath, const wchar_t* context) {
    return FullExpandedPath(filePath, context, Environment::Caller);
}

std::wstring UtilHelper::GetFullExpandedPathInServiceEnvironment(const wchar_t* filePath, const wchar_t* context) {
    return FullExpandedPath(filePath, context, Environment::Service);
}

}  // namespace Qv::Vantix::Server::Services
