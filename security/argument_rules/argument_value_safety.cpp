#include "security/argument_rules/argument_value_safety.h"

#include <regex>
#include <string_view>

#include "security/argument_rules/regex_limits.h"

namespace Qv::Vantix::Security {

namespace {

std::wstring_view UpToNul(const std::wstring& value) { return std::wstring_view(value.c_str()); }

bool Search(std::wstring_view text, const std::wregex& expression) {
    return std::regex_search(text.begin(), text.end(), expression);
}

}  // namespace

bool IsRootedPathLike(const std::wstring& value) {
    static const std::wregex rooted(LR"(^((?:[\w]\:|\\)|(http[s]?\:)|(\%[\(|\w|\)]+\%))+)", kBoundedEcmaScript);
    const std::wstring_view text = UpToNul(value);
    // Too long to search in bounded time: assume the worst.
    if (text.size() > kMaxMatchedValueLength) return true;
    return Search(text, rooted);
}

bool HasParentTraversal(const std::wstring& value) {
    static const std::wregex traversal(LR"(((\/+)?\.\.(\/+)?))", kBoundedEcmaScript);
    const std::wstring_view text = UpToNul(value);
    if (text.size() > kMaxMatchedValueLength) return true;
    return Search(text, traversal);
}

bool IsArgumentValueSafe(const std::wstring& value) {
    if (value.size() > kMaxMatchedValueLength) return false;
    return !(IsRootedPathLike(value) && HasParentTraversal(value));
}

}  // namespace Qv::Vantix::Security
