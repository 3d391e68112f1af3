#pragma once

#include <cstddef>
#include <regex>
#include <string_view>

namespace Qv::Vantix::Security {

// How argument values meet regular expressions without endangering the RPC thread.
//
// The standard library's default matcher backtracks recursively: one stack level per
// state for every character consumed (on a 1 MiB thread, libstdc++ -O2: [a-z]+ dies
// after 3261 characters, the rooted-path test after 1164, (((((a)))))* after 592) and
// exponential time on nested repeats (fuzzing found a pattern that hung a thread).
// libstdc++'s polynomial mode walks the states breadth-first instead: time grows
// with length times states and the stack with the pattern only (100000 characters
// matched on a 1 MiB thread). It refuses back-references, which then give false.
// Other libraries (MSVC) throw regex_error at their own stack and complexity limits.
#if defined(__GLIBCXX__)
inline constexpr std::regex_constants::syntax_option_type kBoundedEcmaScript =
    std::regex_constants::ECMAScript | std::regex_constants::__polynomial;
#else
inline constexpr std::regex_constants::syntax_option_type kBoundedEcmaScript = std::regex_constants::ECMAScript;
#endif

// Values longer than a path (MAX_PATH) are refused before matching: a search tries
// every start, so its time grows with the square of the length.
inline constexpr std::size_t kMaxMatchedValueLength = 260;
// Patterns are parsed recursively, a few levels per group.
inline constexpr std::size_t kMaxRulePatternLength = 256;
// libstdc++ reads the number of a back-reference or a {n,m} count into a long
// without a bound (undefined behaviour past 19 digits, found by fuzzing); counts
// beyond nine digits mean nothing for values of at most 260 characters.
inline constexpr std::size_t kMaxPatternNumberDigits = 9;

// Within the length limit and without an overlong count or escape number.
bool IsRulePatternAcceptable(std::wstring_view pattern);

}  // namespace Qv::Vantix::Security
