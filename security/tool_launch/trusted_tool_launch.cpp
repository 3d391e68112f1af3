#include "security/tool_launch/trusted_tool_launch.h"

#include <algorithm>

#include "security/file_trust/authenticode_facade.h"
#include "security/file_trust/publisher_rules.h"
#include "security/file_trust/signature_verification.h"
#include "security/path_policy/ascii_case.h"
#include "security/path_policy/util_helper.h"
#include "security/tool_launch/rpc_security_helper.h"
#include "security/tool_launch/trusted_tool_white_list.h"

namespace Qv::Vantix::Security {

namespace {

using Server::Services::UtilHelper;

bool IsCallerAllowed(const std::vector<std::wstring>& allowedCallers) {
    RpcSecurityHelper helper;
    const std::wstring caller = helper.GetPFNOfCaller();
    if (caller.empty()) return false;
    return std::find(allowedCallers.begin(), allowedCallers.end(), caller) != allowedCallers.end();
}

}  // namespace

// `context` served only a second expansion of `expandedPath`, which is no longer made.
bool CheckTrustedToolEntry(const TrustedToolEntry& entry, bool option, const std::wstring& expandedPath,
                           const std::wstring& arguments, const wchar_t* /*context*/) {
    if (!entry.allowedCallers.empty() && !IsCallerAllowed(entry.allowedCallers)) return false;
    if (!entry.allowsOption && option) return false;

    // Verified as matched: expanding the expanded text again would let a value that holds
    // %...% move the file verified away from the listed one.
    const bool trustedByWindows = IsTrustedByWindows(QvAuthenticodeHelper::GetFileSigners(expandedPath.c_str()));
    if (entry.argumentValidator && !entry.argumentValidator(arguments)) return false;
    return trustedByWindows;
}

bool IsTrustedToolLaunchIn(const TrustedToolTable& table, const wchar_t* path, bool option, const wchar_t* arguments,
                           const wchar_t* context) {
    const std::wstring requested = UtilHelper::GetFullExpandedPath(path, context);
    for (const auto& [listedKey, listedEntry] : table) {
        const std::wstring key = listedKey;
        const TrustedToolEntry entry = listedEntry;
        // The key anchors the decision: its variables take the service's values, never the
        // caller's, while the requested path keeps the caller's expansion.
        const std::wstring listed = UtilHelper::GetFullExpandedPathInServiceEnvironment(key.c_str(), context);
        if (!EqualIgnoringAsciiCase(listed, requested)) continue;
        // Missing arguments cannot be judged: refused rather than read.
        if (arguments == nullptr) return false;
        return CheckTrustedToolEntry(entry, option, requested, std::wstring(arguments), context);
    }
    return false;
}

bool QvAuthenticodeFacade::IsTrustedToolLaunch(const wchar_t* path, bool option, const wchar_t* arguments,
                                               const wchar_t* context) {
    return IsTrustedToolLaunchIn(TrustedToolWhiteList, path, option, arguments, context);
}

}  // namespace Qv::Vantix::Security
