#pragma once

#include <string_view>

namespace Qv::Vantix::Security {

// Equal once the ASCII letters A-Z are folded to a-z; every other unit must match
// exactly. The C library's towlower follows the process's locale (a host that sets one
// makes U+0130 fold to 'i'), so a path check must never use it.
bool EqualIgnoringAsciiCase(std::wstring_view left, std::wstring_view right);

// A-Z or a-z, whatever the locale.
bool IsAsciiLetter(wchar_t unit);

}  // namespace Qv::Vantix::Security
