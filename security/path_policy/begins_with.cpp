#include "security/path_policy/begins_with.h"

#include <string_view>

#include "security/path_policy/ascii_case.h"

namespace Qv::Vantix::Security {

bool BeginsWith(const std::wstring& text, const std::wstring& prefix) {
    if (prefix.size() > text.size()) return false;
    return EqualIgnoringAsciiCase(std::wstring_view(text).substr(0, prefix.size()), prefix);
}

}  // namespace Qv::Vantix::Security
