#include "security/argument_rules/regex_limits.h"

namespace Qv::Vantix::Security {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

bool IsRulePatternAcceptable(std::wstring_view pattern) {
    if (pattern.size() > kMaxRulePatternLength) return false;
    // Digits the parser turns into a number: after a backslash, and in braces (both
    // bounds). Literal digits elsewhere are characters and may run on.
    bool inBraces = false;
    std::size_t run = 0;
    bool counting = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t c = pattern[i];
        if (IsDigit(c) && counting) {
            if (++run > kMaxPatternNumberDigits) return false;
            continue;
        }
        run = 0;
        counting = false;
        if (c == L'\\' && i + 1 < pattern.size()) {
            counting = IsDigit(pattern[i + 1]);
            if (!counting) ++i;  // an escaped character, whatever it is
            continue;
        }
        if (c == L'{') inBraces = true;
        if (c == L'}') inBraces = false;
        counting = inBraces && (c == L'{' || c == L',');
    }
    return true;
}

}  // namespace Qv::Vantix::Security
