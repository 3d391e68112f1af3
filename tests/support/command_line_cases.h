#pragma once

// Tricky command lines and the elements Windows splits them into. Shared by the
// simulated Windows's own test and the check run against the real function under
// Wine, so both must agree on every row.
#include <string>
#include <vector>

namespace vistane_test {

struct CommandLineCase {
    const wchar_t* line;
    std::vector<std::wstring> elements;
};

inline const std::vector<CommandLineCase>& TrickyCommandLines() {
    static const std::vector<CommandLineCase> cases = {
        {L"test.exe \"a b\",Entry x", {L"test.exe", L"a b,Entry", L"x"}},
        {L"test.exe \"\"", {L"test.exe", L""}},
        {L"test.exe a\\\\\"b", {L"test.exe", L"a\\b"}},
        {L"test.exe \"a\\\\\" b", {L"test.exe", L"a\\", L"b"}},
        {L"test.exe \"a\"\"b\"", {L"test.exe", L"a\"b"}},
        {L"test.exe \"a b", {L"test.exe", L"a b"}},
        {L"  test.exe x", {L"", L"test.exe", L"x"}},
        {L"test.exe a\\\"b", {L"test.exe", L"a\"b"}},
        {L"test.exe a\\\\\\\"b", {L"test.exe", L"a\\\"b"}},
        {L"test.exe a\\b\\\\c", {L"test.exe", L"a\\b\\\\c"}},
        {L"test.exe a   b\tc  ", {L"test.exe", L"a", L"b", L"c"}},
        {L"test.exe ", {L"test.exe"}},
        {L"test.exe", {L"test.exe"}},
        {L"test.exe \"\"\"\"", {L"test.exe", L"\""}},
        {L"test.exe \"\"\"a b\"\"\"", {L"test.exe", L"\"a", L"b\""}},
        {L"test.exe a\"b c\"d e", {L"test.exe", L"ab cd", L"e"}},
        {L"test.exe \\\\server\\share", {L"test.exe", L"\\\\server\\share"}},
        {L"test.exe /s \"C:\\Program Files\\x.dll\"", {L"test.exe", L"/s", L"C:\\Program Files\\x.dll"}},
        {L"\"C:\\Program Files\\x.exe\" y", {L"C:\\Program Files\\x.exe", L"y"}},
        {L"\"a\\\"b c", {L"a\\", L"b", L"c"}},
        {L"\"prog\"x y", {L"prog", L"x", L"y"}},
        {L"\"prog", {L"prog"}},
        {L"prog\t\"\"", {L"prog", L""}},
    };
    return cases;
}

}  // namespace vistane_test
