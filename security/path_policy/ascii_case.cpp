#include "security/path_policy/ascii_case.h"

#include <algorithm>

namespace Qv::Vantix::Security {

namespace {

wchar_t FoldAscii(wchar_t unit) {
    return (unit >= L'A' && unit <= L'Z') ? static_cast<wchar_t>(unit - L'A' + L'a') : unit;
}

}  // namespace

bool EqualIgnoringAsciiCase(std::wstring_view left, std::wstring_view right) {
    return left.size() == right.size() && std::equal(left.begin(), left.end(), right.begin(), [](wchar_t a, wchar_t b) {
               return FoldAscii(a) == FoldAscii(b);
           });
}

bool IsAsciiLetter(wchar_t unit) { return (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z'); }

}  // namespace Qv::Vantix::Security
