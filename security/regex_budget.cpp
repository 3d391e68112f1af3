#include "security/regex_budget.h"

namespace Qv::Vantix::Security {

std::size_t PatternStructureCount(std::wstring_view pattern) {
    std::size_t count = 0;
    bool escaped = false;
    for (const wchar_t c : pattern) {
        if (escaped) {
            escaped = false;
            continue;
        }
        switch (c) {
            case L'\\': escaped = true; break;
            case L'(': case L')': case L'|': case L'*': case L'+': case L'?': case L'{': ++count; break;
            default: break;
        }
    }
    return count;
}

bool IsWithinMatchBudget(std::wstring_view pattern, std::wstring_view value) {
    if (pattern.size() > kMaxRulePatternLength || value.size() > kMaxMatchedValueLength) return false;
    return value.size() * (PatternStructureCount(pattern) + 2) <= kMatchStackBudget;
}

}  // namespace Qv::Vantix::Security
