#include "security/path_policy/allowed_path_prefixes.h"

namespace Qv::Vantix::Security {

// Each ends with a backslash so that, once expanded, a prefix matches whole folder
// names only (C:\Windows\ does not begin C:\WindowsApps\).
const std::vector<std::wstring> AllowedPathPrefixes = {
    L"%windir%\\",
    L"%PROGRAMFILES(x86)%\\",
    L"%PROGRAMFILES%\\",
};

}  // namespace Qv::Vantix::Security
