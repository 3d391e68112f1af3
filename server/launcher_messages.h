#pragma once

// The launcher's fixed log texts and the platform names it asks for.
namespace Qv::Vantix::Server::Services::LauncherText {

inline constexpr const wchar_t* kSessionApiSet = L"ext-ms-win-session-wtsapi32-l1-1-0";
inline constexpr const char* kFallbackProvider = "Qv-Vantix-SystemInformation";
inline constexpr const wchar_t* kAliasFolder = L"%userprofile%\\AppData\\Local\\Microsoft\\WindowsApps\\";
inline constexpr const wchar_t* kProfileVariable = L"%userprofile%";

// Profiles that belong to no real user: the system account, the default-user
// template and the setup account.
inline constexpr const wchar_t* kNonUserProfileMarks[] = {L"\\system32\\", L"\\Default\\", L"\\defaultuser0"};

inline constexpr const wchar_t* kDependenciesMissing =
    L"Problem in GetUserTokenForCurrentUser. Dependencies is not available in this platform.";
inline constexpr const wchar_t* kAttemptingImpersonation = L"Attempting to impersonate logged in user.";
inline constexpr const wchar_t* kNoConsoleSession =
    L"Problem while detecting active console session ID. This could be caused if the business logic ran while "
    L"the user was not logged in.";
inline constexpr const wchar_t* kNoUserToken = L"Problem while querying user's access token.";
inline constexpr const wchar_t* kDuplicationFailed = L"Problem while duplicating the user's access token.";
inline constexpr const wchar_t* kImpersonationFailed = L"Problem while impersonating logged in user.";
inline constexpr const wchar_t* kExpansionFailed = L"Problem while expanding path.";
inline constexpr const wchar_t* kRevertFailed = L"Problem while reverting the impersonation.";

inline constexpr const wchar_t* kFamilySizeZero =
    L"Problem while finding out the size of the buffer. Returned length is 0.";
inline constexpr const wchar_t* kFamilyAllocationFailed = L"Problem while allocating buffer.";
inline constexpr const wchar_t* kFamilyQueryFailed = L"Problem while finding package's resources.";
inline constexpr const wchar_t* kFamilyFound = L"Found package's full name for %ls: %ls";
inline constexpr const wchar_t* kPathSizeZero = L"Problem while finding out the size of the buffer.";
inline constexpr const wchar_t* kPathQueryFailed = L"Problem while finding the full path for the package.";
inline constexpr const char* kOriginFailed = "Problem while retrieving the origin of the package.";
inline constexpr const char* kInfoOpenFailed = "Problem while opening the package info.";
inline constexpr const char* kInfoCountZero = "Problem while getting the count for the package info.";
inline constexpr const char* kInfoCountUnexpected =
    "Problem while getting the count for the package info. Insufficient buffer.";
inline constexpr const char* kInfoQueryFailed = "Problem while getting the package info.";
inline constexpr const wchar_t* kNarrowText = L"%S";
inline constexpr const wchar_t* kOriginAndVersion = L"Origin: %d. Version: %d %d %d %d";

inline constexpr const wchar_t* kCreateProcessFailed = L"Problem while creating process as user %d.";

}  // namespace Qv::Vantix::Server::Services::LauncherText
