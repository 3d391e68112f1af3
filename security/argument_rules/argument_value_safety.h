#pragma once

#include <string>

namespace Qv::Vantix::Security {

// Whether the value begins like an absolute path, a UNC or root path, an http(s) URL
// or a %variable% reference. Reads up to the first NUL.
bool IsRootedPathLike(const std::wstring& value);

// Whether the value contains "..". Reads up to the first NUL.
bool HasParentTraversal(const std::wstring& value);

// False for a value that both looks rooted and climbs with "..": it could leave the
// place a rule meant. A value too long to match safely is refused as well.
bool IsArgumentValueSafe(const std::wstring& value);

}  // namespace Qv::Vantix::Security
