#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "security/argument_rules/argument_rule_validators.h"
#include "security/argument_rules/argument_rules.h"
#include "security/argument_rules/argument_value_safety.h"
#include "security/argument_rules/comma_list.h"
#include "security/argument_rules/regex_limits.h"
#include "tests/support/security_rows.h"
#include "tests/support/xml_element.h"

namespace {

using namespace vistane_test;
using namespace Qv::Vantix::Security;
using winrt::box_value;

// An empty text stands for a null element.
bool Judge(const wchar_t* rule, const std::string& xml, const BoxedValue& value) {
    return ArgumentRuleValidators.at(rule)(xml.empty() ? nullptr : XmlElement(xml), value);
}
Ask Rule(const wchar_t* rule, std::string xml, BoxedValue value) { return [=] { return Text(Judge(rule, xml, value)); }; }

// Rows of one rule and element: each value and its answer; nothing is logged.
void Add(std::vector<Row>& rows, const wchar_t* rule, const std::string& xml, std::vector<std::pair<BoxedValue, bool>> cases) {
    for (const auto& [value, answer] : cases)
        rows.push_back({Narrow(rule) + " " + xml + " #" + std::to_string(rows.size()), {}, Rule(rule, xml, value), Text(answer), {}});
}

std::vector<Row> Rows() {
    const double nan = std::nan("");
    const std::wstring a260(260, L'a');
    const std::string p256(256, 'a');
    const wchar_t* env = L"begins_with_from_list_with_env_vars";
    const std::string programs = "<rule>%ProgramFiles%\\,%windir%</rule>";
    const Log programsLog = {Expanded(L"%ProgramFiles%\\", L"C:\\Program Files\\"), Full(L"C:\\Program Files\\"),
                             Expanded(L"%windir%", L"C:\\Windows"), Full(L"C:\\Windows")};
    std::vector<Row> rows = {
        {"value and items expanded", {}, Rule(env, programs, box_value(L"C:\\Windows\\System32\\x.dll")), "true",
         Service(L"C:\\Windows\\System32\\x.dll") + programsLog},
        {"expanded, not below", {}, Rule(env, programs, box_value(L"D:\\Windows\\x.dll")), "false",
         Service(L"D:\\Windows\\x.dll") + programsLog},
        {"value made full first", {}, Rule(env, "<rule>%windir%\\System32\\</rule>", box_value(L"%windir%\\System32\\..\\x.dll")),
         "false", {Expanded(L"%windir%\\System32\\..\\x.dll", L"C:\\Windows\\System32\\..\\x.dll"), Full(L"C:\\Windows\\x.dll"),
                   Expanded(L"%windir%\\System32\\", L"C:\\Windows\\System32\\"), Full(L"C:\\Windows\\System32\\")}},
        {"full value that still climbs", {}, Rule(env, "<rule>C:\\</rule>", box_value(L"C:\\a..b")), "false", Service(L"C:\\a..b")},
        {"item not expanded", {Fail("ExpandEnvironmentStringsW", 2, 8)}, Rule(env, "<rule>%windir%</rule>", box_value(L"C:\\x")),
         "false", Service(L"C:\\x") + Log{StepWarning(L"ExpandEnvironmentStrings", 8)}},
        {"value not expanded", {Fail("ExpandEnvironmentStringsW", 1, 8)}, Rule(env, "<rule>C:\\</rule>", box_value(L"C:\\x")),
         "false", {StepWarning(L"ExpandEnvironmentStrings", 8)}},
        {"empty items", {}, Rule(env, "<rule>,</rule>", box_value(L"C:\\x")), "false", Service(L"C:\\x")},
        {"no items", {}, Rule(env, "<rule/>", box_value(L"C:\\x")), "false", Service(L"C:\\x")},
        {"not a text", {}, Rule(env, "<rule>C:\\</rule>", box_value(true)), "false", {}},
        {"the caller's variables", {UserEnv(L"AppRoot", L"D:\\Apps")},
         FromCaller(L"", Rule(env, "<rule>%AppRoot%\\</rule>", box_value(L"d:\\apps\\tool.exe"))), "true",
         {Full(L"d:\\apps\\tool.exe"), Full(L"D:\\Apps\\")}},
    };
    // The whole value, case-sensitively; a search would find abc in abc1.
    Add(rows, L"regex", "<rule>[a-z]+</rule>", {{box_value(L"abc"), true}, {box_value(L"abc1"), false}, {box_value(L""), false}});
    Add(rows, L"regex", "<rule>ABC</rule>", {{box_value(L"abc"), false}});
    Add(rows, L"regex", "<rule>(</rule>", {{box_value(L"("), false}});
    Add(rows, L"regex", "<rule>.*</rule>", {{nullptr, false}, {box_value(1.0), false}, {box_value(L"C:\\temp\\..\\x"), false}});
    Add(rows, L"regex", "", {{box_value(L"x"), false}});
    Add(rows, L"regex", "<rule>\\.\\.\\\\x</rule>", {{box_value(L"..\\x"), true}});  // relative: it may climb
    Add(rows, L"regex", "<rule>a*</rule>", {{box_value(a260), true}, {box_value(a260 + L"a"), false}});
    Add(rows, L"regex", "<rule>" + p256 + "</rule>", {{box_value(a260.substr(4)), true}});
    Add(rows, L"regex", "<rule>" + p256 + "a</rule>", {{box_value(a260.substr(3)), false}});
    // Exponential for a backtracking matcher; bounded here. Back-references are refused.
    Add(rows, L"regex", "<rule>(a*)*c</rule>", {{box_value(a260), false}});
    Add(rows, L"regex", "<rule>(a*)*</rule>", {{box_value(a260), true}});
    Add(rows, L"regex", "<rule>(a)\\1</rule>", {{box_value(L"aa"), false}});
    Add(rows, L"regex", "<rule>x(?=y)y</rule>", {{box_value(L"xy"), true}});
    Add(rows, L"regex", "<rule>a{99999999999999999999}</rule>", {{box_value(L"a"), false}});
    Add(rows, L"regex", "<rule>\\.\\77717777777777777777x</rule>", {{box_value(L"x"), false}});
    Add(rows, L"contained_in_list", "<rule>a,b,c</rule>",
        {{box_value(L"b"), true}, {box_value(L"B"), false}, {box_value(L" b"), false}, {box_value(L"a,b"), false}, {nullptr, false}});
    Add(rows, L"contained_in_list", "<rule/>", {{box_value(L""), false}});
    Add(rows, L"contained_in_list", "", {{box_value(L"a"), false}});
    Add(rows, L"contained_in_list", "<rule>1,2.5,true,1e+21,0.1,-0,inf</rule>",
        {{box_value(1.0), true}, {box_value(2.5), true}, {box_value(true), true}, {box_value(1e21), true}, {box_value(0.1), true},
         {box_value(-0.0), true}, {box_value(HUGE_VAL), true}, {box_value(false), false}, {box_value(1), false}});
    Add(rows, L"contained_in_list", "<rule>C:\\a\\..\\b</rule>", {{box_value(L"C:\\a\\..\\b"), false}});
    Add(rows, L"begins_with_from_list", "<rule>C:\\Program Files\\</rule>",
        {{box_value(L"c:\\program files\\x"), true}, {box_value(L"D:\\x"), false}, {box_value(L"C:\\Program Files\\..\\x"), false},
         {box_value(2.0), false}, {nullptr, false}});
    Add(rows, L"begins_with_from_list", "<rule></rule>", {{box_value(L"x"), false}});
    // An empty item would begin every value: it matches nothing.
    Add(rows, L"begins_with_from_list", "<rule>a,,b</rule>", {{box_value(L"zzz"), false}, {box_value(L""), false}, {box_value(L"Bxx"), true}});
    Add(rows, L"begins_with_from_list", "<rule>,</rule>", {{box_value(L"anything"), false}});
    // Truncated toward zero, bounds included; beyond 32 bits or not a number: the lowest 32-bit value.
    Add(rows, L"numeric_range", "<rule min=\"1\" max=\"10\"/>",
        {{box_value(1.0), true}, {box_value(10.9), true}, {box_value(0.5), false}, {box_value(11.0), false}, {box_value(nan), false},
         {box_value(5), false}, {box_value(L"5"), false}});
    Add(rows, L"numeric_range", "<rule max=\"10\"/>", {{box_value(-1000.0), true}});
    Add(rows, L"numeric_range", "<rule min=\" -5x\"/>", {{box_value(-5.9), true}});
    Add(rows, L"numeric_range", "<rule/>", {{box_value(1e300), true}, {nullptr, false}});
    Add(rows, L"numeric_range", "<rule min=\"2147483647\"/>", {{box_value(2147483647.9), true}});
    Add(rows, L"numeric_range", "<rule max=\"-2147483648\"/>", {{box_value(2147483648.0), true}});
    Add(rows, L"numeric_range", "<rule min=\"-2147483647\"/>", {{box_value(nan), false}});
    Add(rows, L"numeric_range", "<rule min=\"abc\"/>", {{box_value(5.0), false}});
    Add(rows, L"numeric_range", "<rule max=\"\"/>", {{box_value(5.0), false}});
    Add(rows, L"numeric_range", "", {{box_value(5.0), true}});  // no element, no bounds
    Add(rows, L"none", "", {{nullptr, true}});
    Add(rows, L"none", "<rule>x</rule>", {{box_value(L"C:\\..\\x"), true}});
    return rows;
}

class ArgumentRules : public RowTest {};

TEST_F(ArgumentRules, Rows) {
    Check(Rows());
    EXPECT_EQ(ArgumentRuleValidators.count(L"Regex"), 0u) << "names are exact";
    EXPECT_THROW(Judge(L"numeric_range", "<rule min=\"99999999999\"/>", box_value(5.0)), std::out_of_range);
}

TEST_F(ArgumentRules, Sweep) { Sweep(Rows()); }

TEST(ArgumentTexts, ListsSafetyAndPatternLimits) {
    using Items = std::vector<std::wstring>;
    EXPECT_EQ(SplitCommaList(L""), Items{});
    EXPECT_EQ(SplitCommaList(L"a, b ,c"), (Items{L"a", L" b ", L"c"}));
    EXPECT_EQ(SplitCommaList(L"a,b,"), (Items{L"a", L"b"}));
    EXPECT_EQ(SplitCommaList(L",,"), (Items{L"", L""}));
    for (const wchar_t* rooted : {L"C:\\x", L"c:", L"_:", L"\\x", L"\\\\server\\share", L"http:x", L"https://a", L"%windir%\\x",
                                  L"%ProgramFiles(x86)%", L"%a|b%"})
        EXPECT_TRUE(IsRootedPathLike(rooted)) << Narrow(rooted);
    for (const wchar_t* relative : {L"", L"x", L"..\\x", L"CC:", L"ftp:x", L"%%", L"% x%", L"/x", L"httpx:"})
        EXPECT_FALSE(IsRootedPathLike(relative)) << Narrow(relative);
    const std::pair<std::wstring, bool> values[] = {
        {L"C:\\temp\\..\\x", false}, {L"%windir%\\..\\x", false}, {L"https://host/a/../b", false}, {L"\\..//x", false},
        {L"..\\x", true}, {L"C:\\a.b\\c", true}, {L"C:\\a.\\.b", true}, {L"C:\\a..b", false},
        {std::wstring(L"C:\\x\0\\..\\y", 10), true}, {std::wstring(L"x\0C:\\..", 7), true},  // up to the first NUL
        {std::wstring(kMaxMatchedValueLength, L'\\'), true}, {std::wstring(kMaxMatchedValueLength + 1, L'a'), false}};
    for (const auto& [value, safe] : values) EXPECT_EQ(IsArgumentValueSafe(value), safe) << Narrow(value);
    EXPECT_TRUE(IsRootedPathLike(std::wstring(100000, L'\\')) && HasParentTraversal(std::wstring(100000, L'/')));
    const std::pair<std::wstring, bool> patterns[] = {
        {L"a{2,3}\\d{123456789}", true}, {L"12345678901234567890", true}, {L"\\\\12345678901234567890", true},
        {L"a{1234567890}", false}, {L"a{1,1234567890}", false}, {L"\\.\\77717777777777777777x", false},
        {std::wstring(kMaxRulePatternLength, L'a'), true}, {std::wstring(kMaxRulePatternLength + 1, L'a'), false}};
    for (const auto& [pattern, acceptable] : patterns) EXPECT_EQ(IsRulePatternAcceptable(pattern), acceptable) << Narrow(pattern);
}

// Windows gives RPC threads 1 MiB of stack; sanitizers inflate every frame about five
// times, so their builds give the same thread more room. A stack overflow kills the
// program, which is the failure this guards against.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t kRpcThreadStack = 6u << 20;
#else
constexpr std::size_t kRpcThreadStack = 1u << 20;
#endif

bool OnRpcSizedThread(std::function<bool()> work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, kRpcThreadStack);
    pthread_t thread;
    bool result = false;
    auto job = [&] { result = work(); };
    const auto run = [](void* argument) -> void* { (*static_cast<decltype(job)*>(argument))(); return nullptr; };
    EXPECT_EQ(pthread_create(&thread, &attributes, run, &job), 0);
    pthread_attr_destroy(&attributes);
    pthread_join(thread, nullptr);
    return result;
}

TEST(SmallStack, LongestValuesMatchAndLongerOnesAreRefusedUnmatched) {
    const std::size_t longest = kMaxMatchedValueLength, depth = (kMaxRulePatternLength - 2) / 2;
    const std::wstring as(longest, L'a'), backslashes(longest, L'\\'), huge(1u << 20, L'\\');
    const std::string deepest = std::string(depth, '(') + "a" + std::string(depth, ')') + "*";
    const std::tuple<const wchar_t*, std::string, std::wstring, bool> rows[] = {
        {L"regex", "<rule>[a-z]+</rule>", as, true}, {L"regex", "<rule>(a|b)*</rule>", as, true},
        {L"regex", "<rule>(((((a)))))*</rule>", as, true}, {L"regex", "<rule>" + deepest + "</rule>", as, true},
        {L"contained_in_list", "<rule>x</rule>", backslashes, false}, {L"begins_with_from_list", "<rule>\\\\</rule>", backslashes, true},
        {L"regex", "<rule>.*</rule>", huge, false}, {L"contained_in_list", "<rule>a</rule>", huge, false},
        {L"begins_with_from_list", "<rule>\\</rule>", huge, false}};
    for (const auto& [rule, xml, value, answer] : rows)
        EXPECT_EQ(OnRpcSizedThread([&] { return Judge(rule, xml, box_value(value)); }), answer) << xml;
    EXPECT_TRUE(OnRpcSizedThread([&] { return IsRootedPathLike(backslashes) && HasParentTraversal(std::wstring(longest - 2, L'/') + L".."); }));
}

}  // namespace
