#pragma once

// The names the control API accepts: every call the simulation records (each one a
// function of an api_*.h header) and every kind of resource its ledger counts. A name
// outside these lists is a mistake in a test, never "0 calls" or "none held".
#include <algorithm>
#include <string_view>

namespace winsim::detail {

inline constexpr std::string_view kRecordedCalls[] = {
    "ApiSetQueryApiSetPresence", "ApiSetQueryApiSetPresenceEx", "CertNameToStrW", "CloseHandle", "ClosePackageInfo",
    "CommandLineToArgvW", "CreateEnvironmentBlock", "CreateFileW", "CreateProcessAsUserW", "CreateProcessW", "CreateThread",
    "CryptCATAdminAcquireContext2", "CryptCATAdminCalcHashFromFileHandle2", "CryptCATAdminEnumCatalogFromHash",
    "CryptCATAdminReleaseCatalogContext", "CryptCATAdminReleaseContext", "CryptCATCatalogInfoFromContext",
    "DeleteFileW", "DeleteProcThreadAttributeList", "DestroyEnvironmentBlock", "DisableThreadLibraryCalls", "DuplicateHandle",
    "DuplicateTokenEx", "ExpandEnvironmentStringsForUserW", "ExpandEnvironmentStringsW",
    "FindPackagesByPackageFamily", "FreeLibrary", "FreeLibraryAndExitThread", "GetAce", "GetFileVersionInfoSizeW",
    "GetFileVersionInfoW", "GetFullPathNameW", "GetModuleFileNameW", "GetModuleHandleExW", "GetNamedSecurityInfoW",
    "GetPackageFamilyName", "GetPackageInfo", "GetPackagePathByFullName", "GetProcessHeap", "GetStagedPackageOrigin",
    "GetVersion", "HeapAlloc", "HeapFree", "ImpersonateLoggedOnUser", "InitializeProcThreadAttributeList",
    "LocalAlloc", "LocalFree", "LookupAccountSidW", "MoveFileExW", "OpenPackageInfoByFullName", "OpenProcess", "OpenProcessToken",
    "RevertToSelf", "RpcImpersonateClient", "RpcRevertToSelf", "RpcServerInqCallAttributesW", "Sleep",
    "UpdateProcThreadAttribute", "VerQueryValueW", "WTHelperGetProvCertFromChain", "WTHelperGetProvSignerFromChain",
    "WTHelperProvDataFromStateData", "WTSGetActiveConsoleSessionId", "WTSQueryUserToken", "WaitForSingleObject",
    "WinVerifyTrust",
};

inline constexpr std::string_view kLedgerKinds[] = {
    "attribute list", "catalog admin", "catalog context", "environment block", "file", "heap block", "local memory",
    "module reference", "package info", "process", "thread", "token", "trust state",
};

static_assert(std::ranges::is_sorted(kRecordedCalls) && std::ranges::is_sorted(kLedgerKinds));

inline bool IsRecordedCall(std::string_view api) { return std::ranges::binary_search(kRecordedCalls, api); }
inline bool IsLedgerKind(std::string_view kind) { return std::ranges::binary_search(kLedgerKinds, kind); }

}  // namespace winsim::detail
