#pragma once

#include <cstddef>
#include <string_view>

namespace Qv::Vantix::Security {

// The standard library's regular-expression matcher recurses once per state it
// passes for every character it consumes, so a long value can exhaust the stack of
// the RPC thread (1 MiB on Windows). Measured on a 1 MiB thread (libstdc++, -O2):
// [a-z]+ survives 3261 characters, the rooted-path test 1164, (a|b)* 1387 and
// (((((a)))))* 592; each group, alternation or repeat in a pattern costs about
// 140 bytes of stack per character. Values and patterns beyond these bounds are
// refused before any matching.
inline constexpr std::size_t kMaxMatchedValueLength = 260;   // every path fits (MAX_PATH)
inline constexpr std::size_t kMaxRulePatternLength = 256;
// Characters times (pattern structure + 2); 2600 keeps the deepest recursion under
// about 384 KiB.
inline constexpr std::size_t kMatchStackBudget = 2600;

// Groups, alternations and repeats: the parts of a pattern that add a recursion level
// per consumed character.
std::size_t PatternStructureCount(std::wstring_view pattern);

// Whether matching `value` against `pattern` stays within the stack budget.
bool IsWithinMatchBudget(std::wstring_view pattern, std::wstring_view value);

}  // namespace Qv::Vantix::Security
