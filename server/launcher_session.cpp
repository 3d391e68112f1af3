// The console user's token, expansion in that user's environment, and the
// real-user-session test.
#include <array>

#include "server/api_set_presence.h"
#include "server/impersonated_call.h"
#include "server/launcher.h"
#include "server/launcher_resources.h"

namespace Qv::Vantix::Server::Services {

namespace {

constexpr DWORD kNoConsoleSession = 0xFFFFFFFFu;

}  // namespace

std::shared_ptr<void> Launcher::GetUserTokenForCurrentUser(TOKEN_TYPE type) {
    std::shared_ptr<void> result;
    if (!IsApiSetPresent(LauncherText::kSessionApiSet)) {
        logger->LogError(LauncherText::kDependenciesMissing);
        return result;
    }
    const DWORD session = WTSGetActiveConsoleSessionId();
    logger->LogInfo(LauncherText::kAttemptingImpersonation);
    if (session == kNoConsoleSession) {
        logger->LogWarning(LauncherText::kNoConsoleSession);
        return result;
    }

    // Judged by the preset out-value, not by the BOOL.
    HANDLE queried = INVALID_HANDLE_VALUE;
    WTSQueryUserToken(session, &queried);
    if (queried == INVALID_HANDLE_VALUE) {
        logger->LogWarning(LauncherText::kNoUserToken);
        return result;
    }
    const ScopedHandle userToken(queried);

    HANDLE duplicate = INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = nullptr;
    attributes.bInheritHandle = FALSE;
    DuplicateTokenEx(userToken.get(), MAXIMUM_ALLOWED, &attributes, SecurityImpersonation, type, &duplicate);
    result = MakeTokenHolder(duplicate);
    if (duplicate == INVALID_HANDLE_VALUE) logger->LogWarning(LauncherText::kDuplicationFailed);
    return result;
}

std::wstring Launcher::GetPathExpandedImpersonatedAsCurrentUser(std::wstring path, std::shared_ptr<void> token) {
    bool impersonated = false;  // the work runs only while impersonating
    std::wstring result = CallImpersonated(logger, token.get(), std::wstring(), [&] {
        impersonated = true;
        std::array<WCHAR, MAX_PATH> buffer{};
        if (ExpandEnvironmentStringsForUserW(token.get(), path.c_str(), buffer.data(), MAX_PATH))
            return std::wstring(buffer.data());
        logger->LogWarning(LauncherText::kExpansionFailed);
        return std::wstring();
    });
    if (!impersonated) logger->LogWarning(LauncherText::kImpersonationFailed);
    return result;
}

bool Launcher::IsRealUserSession(std::wstring& profilePath) {
    auto token = GetUserTokenForCurrentUser(TokenImpersonation);
    profilePath = GetPathExpandedImpersonatedAsCurrentUser(LauncherText::kProfileVariable, token);
    if (profilePath.empty()) return false;
    // The marks are matched as Windows writes these profile paths, letter case included.
    for (const wchar_t* mark : LauncherText::kNonUserProfileMarks) {
        if (profilePath.find(mark) != std::wstring::npos) return false;
    }
    return true;
}

}  // namespace Qv::Vantix::Server::Services
