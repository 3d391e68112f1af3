#pragma once

#include <string>
#include <vector>

namespace Qv::Vantix::Security {

// Folders ordinary users cannot write to, in the order they are tried. Built when the
// module loads and constant afterwards.
extern const std::vector<std::wstring> AllowedPathPrefixes;

}  // namespace Qv::Vantix::Security
