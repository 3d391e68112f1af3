#include <set>

#include "platform/sim/sim_environment_blocks.h"
#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

constexpr DWORD kNoConsoleSession = 0xFFFFFFFFu;

struct SessionState {
    DWORD consoleSession = 1;
    std::wstring consoleUser = L"user1";  // empty: nobody logged on to the console session
    std::vector<winsim::TokenDuplication> duplications;
    std::set<const void*> environmentBlocks;
};

SessionState& Sessions() {
    static auto* state = new SessionState();
    return *state;
}

const ResetHookRegistrar resetSessions([] { Sessions() = SessionState(); });

HANDLE NewToken(const std::wstring& user, TOKEN_TYPE type, SECURITY_IMPERSONATION_LEVEL level) {
    auto token = std::make_shared<TokenObject>();
    token->kind = "token";
    token->user = user;
    token->type = type;
    token->level = level;
    return AddHandle(token);
}

// "NAME=value" entries, each terminated, and a closing terminator.
std::wstring BlockText(const Environment& environment) {
    std::wstring text;
    for (const auto& [folded, entry] : environment) {
        text += entry.first + L"=" + entry.second;
        text.push_back(L'\0');
    }
    if (text.empty()) text.push_back(L'\0');
    text.push_back(L'\0');
    return text;
}

}  // namespace

DWORD WINAPI WTSGetActiveConsoleSessionId(void) {
    if (Enter("WTSGetActiveConsoleSessionId", ERROR_INVALID_FUNCTION)) return kNoConsoleSession;
    MachineLock lock(MachineMutex());
    return Sessions().consoleSession;
}

BOOL WINAPI WTSQueryUserToken(ULONG sessionId, PHANDLE token) {
    if (Enter("WTSQueryUserToken", ERROR_NO_TOKEN)) return FALSE;
    if (token == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MachineLock lock(MachineMutex());
    // Needs the trusted-computing-base privilege of the system account itself.
    const std::wstring caller = CurrentThreadUser();
    if (!caller.empty() && FoldCase(caller) != L"system") {
        SetThreadLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    const SessionState& sessions = Sessions();
    if (sessions.consoleSession == kNoConsoleSession || sessionId != sessions.consoleSession) {
        SetThreadLastError(sessionId == 0 ? ERROR_NO_TOKEN : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (sessions.consoleUser.empty()) {
        SetThreadLastError(ERROR_NO_TOKEN);
        return FALSE;
    }
    *token = NewToken(sessions.consoleUser, TokenPrimary, SecurityImpersonation);
    return TRUE;
}

BOOL WINAPI DuplicateTokenEx(HANDLE existingToken, DWORD desiredAccess, LPSECURITY_ATTRIBUTES tokenAttributes,
                             SECURITY_IMPERSONATION_LEVEL impersonationLevel, TOKEN_TYPE tokenType,
                             PHANDLE newToken) {
    if (Enter("DuplicateTokenEx", ERROR_ACCESS_DENIED)) return FALSE;
    MachineLock lock(MachineMutex());
    auto source = FindHandleAs<TokenObject>(existingToken);
    if (!source) {
        SetThreadLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    winsim::TokenDuplication asked;
    asked.user = source->user;
    asked.desiredAccess = desiredAccess;
    asked.hasAttributes = tokenAttributes != nullptr;
    if (tokenAttributes) {
        asked.attributesLength = tokenAttributes->nLength;
        asked.hasSecurityDescriptor = tokenAttributes->lpSecurityDescriptor != nullptr;
        asked.inheritHandle = tokenAttributes->bInheritHandle;
    }
    asked.level = impersonationLevel;
    asked.type = tokenType;
    Sessions().duplications.push_back(asked);
    if (newToken == nullptr || (tokenType != TokenPrimary && tokenType != TokenImpersonation) ||
        impersonationLevel < SecurityAnonymous || impersonationLevel > SecurityDelegation) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // An impersonation token cannot be raised above the level it was made at.
    if (source->type == TokenImpersonation && impersonationLevel > source->level) {
        SetThreadLastError(ERROR_BAD_IMPERSONATION_LEVEL);
        return FALSE;
    }
    *newToken = NewToken(source->user, tokenType, impersonationLevel);
    return TRUE;
}

BOOL WINAPI CreateEnvironmentBlock(LPVOID* environment, HANDLE token, BOOL inherit) {
    if (Enter("CreateEnvironmentBlock", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    if (environment == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MachineLock lock(MachineMutex());
    Environment variables;
    if (inherit) variables = TheMachine().environment;
    if (token == nullptr) {
        // No token: the system variables only.
        for (const auto& [folded, entry] : TheMachine().environment) SetVariable(variables, entry.first, entry.second);
    } else {
        auto object = FindHandleAs<TokenObject>(token);
        if (!object) {
            SetThreadLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        for (const auto& [folded, entry] : EnvironmentOfUser(object->user)) SetVariable(variables, entry.first, entry.second);
    }
    const std::wstring text = BlockText(variables);
    auto* block = new wchar_t[text.size()];
    std::copy(text.begin(), text.end(), block);
    Sessions().environmentBlocks.insert(block);
    LedgerAcquire("environment block");
    *environment = block;
    return TRUE;
}

BOOL WINAPI DestroyEnvironmentBlock(LPVOID environment) {
    if (Enter("DestroyEnvironmentBlock", ERROR_INVALID_PARAMETER, FaultScope::ExplicitOnly)) return FALSE;
    MachineLock lock(MachineMutex());
    if (Sessions().environmentBlocks.erase(environment) == 0) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    delete[] static_cast<wchar_t*>(environment);
    LedgerRelease("environment block");
    return TRUE;
}

namespace winsim::detail {

std::map<std::wstring, std::wstring> EnvironmentBlockVariables(const void* block) {
    MachineLock lock(MachineMutex());
    std::map<std::wstring, std::wstring> variables;
    if (Sessions().environmentBlocks.count(block) == 0) return variables;
    for (const wchar_t* entry = static_cast<const wchar_t*>(block); *entry != L'\0';) {
        const std::wstring text(entry);
        const size_t equals = text.find(L'=', 1);
        if (equals != std::wstring::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
        entry += text.size() + 1;
    }
    return variables;
}

}  // namespace winsim::detail

namespace winsim {

void SetConsoleSession(DWORD sessionId, const std::wstring& user) {
    MachineLock lock(MachineMutex());
    Sessions().consoleSession = sessionId;
    Sessions().consoleUser = user;
}

void SetConsoleSessionWithoutUser(DWORD sessionId) { SetConsoleSession(sessionId, L""); }

void SetNobodyAtConsole() { SetConsoleSession(kNoConsoleSession, L""); }

void SetUserProfile(const std::wstring& user, const std::wstring& profilePath) {
    SetUserEnvironmentVariable(user, L"USERPROFILE", profilePath);
}

std::vector<TokenDuplication> TokenDuplications() {
    MachineLock lock(MachineMutex());
    return Sessions().duplications;
}

TokenFacts InspectToken(HANDLE token) {
    auto object = FindHandleAs<TokenObject>(token);
    return object ? TokenFacts{object->user, object->type} : TokenFacts{};
}

}  // namespace winsim
