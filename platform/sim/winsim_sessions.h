#pragma once

// Control API of sessions, users and tokens.
#include <string>
#include <vector>

#include "platform/sim/winsim.h"
#include "platform/sim/winsim_apiset.h"

namespace winsim {

// Default: session 1 at the console, "user1" logged on to it.
WINSIM_API void SetConsoleSession(DWORD sessionId, const std::wstring& user);
// A console session nobody has logged on to (WTSQueryUserToken finds no token).
WINSIM_API void SetConsoleSessionWithoutUser(DWORD sessionId);
// No session attached to the console: WTSGetActiveConsoleSessionId gives 0xFFFFFFFF.
WINSIM_API void SetNobodyAtConsole();
// The user's %USERPROFILE%.
WINSIM_API void SetUserProfile(const std::wstring& user, const std::wstring& profilePath);

// What DuplicateTokenEx was asked, in call order.
struct TokenDuplication {
    std::wstring user;
    DWORD desiredAccess = 0;
    bool hasAttributes = false;
    DWORD attributesLength = 0;
    bool hasSecurityDescriptor = false;
    BOOL inheritHandle = FALSE;
    SECURITY_IMPERSONATION_LEVEL level = SecurityAnonymous;
    TOKEN_TYPE type = TokenPrimary;
};
WINSIM_API std::vector<TokenDuplication> TokenDuplications();

// Type and user of a live token handle (empty user when it is no token).
struct TokenFacts {
    std::wstring user;
    TOKEN_TYPE type = TokenPrimary;
};
WINSIM_API TokenFacts InspectToken(HANDLE token);

}  // namespace winsim
