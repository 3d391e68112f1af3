#pragma once

#include <string>

#include "security/tool_launch/trusted_tool_entry.h"

namespace Qv::Vantix::Security {

// Whether the RPC caller may start the tool of `entry` at `expandedPath` with
// `arguments`: caller listed (when the entry names callers), option allowed, tool file
// trusted by Windows and arguments accepted by the entry's validator. `expandedPath` is
// verified as it is: it is not expanded again.
bool CheckTrustedToolEntry(const TrustedToolEntry& entry, bool option, const std::wstring& expandedPath,
                           const std::wstring& arguments, const wchar_t* context);

// The launch decision against `table`: the first entry whose key, expanded in the
// service's environment, equals `path` expanded in the caller's (ignoring the case of
// ASCII letters) decides; no matching entry refuses.
bool IsTrustedToolLaunchIn(const TrustedToolTable& table, const wchar_t* path, bool option, const wchar_t* arguments,
                           const wchar_t* context);

}  // namespace Qv::Vantix::Security
