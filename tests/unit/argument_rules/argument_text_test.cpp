#include <gtest/gtest.h>

#include <limits>

#include "security/argument_rules/argument_value_safety.h"
#include "security/argument_rules/comma_list.h"
#include "security/argument_rules/inspectable_text.h"
#include "security/argument_rules/regex_limits.h"

namespace {

using namespace Qv::Vantix::Security;
using Items = std::vector<std::wstring>;

TEST(SplitCommaList, KeepsItemsAsWrittenAndDropsOnlyTheTrailingEmptyItem) {
    EXPECT_EQ(SplitCommaList(L""), Items{});
    EXPECT_EQ(SplitCommaList(L"a"), Items{L"a"});
    EXPECT_EQ(SplitCommaList(L"a, b ,c"), (Items{L"a", L" b ", L"c"}));
    EXPECT_EQ(SplitCommaList(L"a,b,"), (Items{L"a", L"b"}));
    EXPECT_EQ(SplitCommaList(L"a,,b"), (Items{L"a", L"", L"b"}));
    EXPECT_EQ(SplitCommaList(L",a"), (Items{L"", L"a"}));
    EXPECT_EQ(SplitCommaList(L","), Items{L""});
    EXPECT_EQ(SplitCommaList(L",,"), (Items{L"", L""}));
}

TEST(InspectableToText, GivesStringsShortestDoublesAndBooleanWords) {
    EXPECT_EQ(InspectableToText(winrt::box_value(L"Mixed Case")), L"Mixed Case");
    EXPECT_EQ(InspectableToText(winrt::box_value(3.0)), L"3");
    EXPECT_EQ(InspectableToText(winrt::box_value(2.5)), L"2.5");
    EXPECT_EQ(InspectableToText(winrt::box_value(0.1)), L"0.1");
    EXPECT_EQ(InspectableToText(winrt::box_value(1e21)), L"1e+21");
    EXPECT_EQ(InspectableToText(winrt::box_value(-0.0)), L"-0");
    EXPECT_EQ(InspectableToText(winrt::box_value(std::numeric_limits<double>::infinity())), L"inf");
    EXPECT_EQ(InspectableToText(winrt::box_value(true)), L"true");
    EXPECT_EQ(InspectableToText(winrt::box_value(false)), L"false");
    EXPECT_THROW(InspectableToText(winrt::box_value(1)), winrt::hresult_invalid_argument);
}

TEST(ArgumentValueSafety, RootedLookingValuesAreRecognised) {
    for (const wchar_t* rooted : {L"C:\\x", L"c:", L"_:", L"\\x", L"\\\\server\\share", L"http:x", L"https://a",
                                  L"%windir%\\x", L"%ProgramFiles(x86)%", L"%a|b%"}) {
        EXPECT_TRUE(IsRootedPathLike(rooted)) << testing::PrintToString(std::wstring(rooted));
    }
    for (const wchar_t* relative : {L"", L"x", L"..\\x", L"CC:", L"ftp:x", L"%%", L"% x%", L"/x", L"httpx:"}) {
        EXPECT_FALSE(IsRootedPathLike(relative)) << testing::PrintToString(std::wstring(relative));
    }
}

TEST(ArgumentValueSafety, RootedValuesThatClimbAreRefused) {
    EXPECT_FALSE(IsArgumentValueSafe(L"C:\\temp\\..\\x"));
    EXPECT_FALSE(IsArgumentValueSafe(L"%windir%\\..\\x"));
    EXPECT_FALSE(IsArgumentValueSafe(L"https://host/a/../b"));
    EXPECT_FALSE(IsArgumentValueSafe(L"\\..//x"));
    EXPECT_TRUE(IsArgumentValueSafe(L"..\\x")) << "relative: not rooted";
    EXPECT_TRUE(IsArgumentValueSafe(L"C:\\a.b\\c"));
    EXPECT_TRUE(IsArgumentValueSafe(L"C:\\a.\\.b"));
    EXPECT_TRUE(HasParentTraversal(L"a..b"));
    EXPECT_FALSE(HasParentTraversal(L"a.b."));
    // Both tests stop at the first NUL.
    EXPECT_TRUE(IsArgumentValueSafe(std::wstring(L"C:\\x\0\\..\\y", 10)));
    EXPECT_TRUE(IsArgumentValueSafe(std::wstring(L"x\0C:\\..", 7)));
}

TEST(ArgumentValueSafety, ValuesTooLongToMatchSafelyAreRefused) {
    EXPECT_TRUE(IsArgumentValueSafe(std::wstring(kMaxMatchedValueLength, L'\\')));
    EXPECT_FALSE(IsArgumentValueSafe(std::wstring(kMaxMatchedValueLength + 1, L'a')));
    EXPECT_TRUE(IsRootedPathLike(std::wstring(100000, L'\\')));
    EXPECT_TRUE(HasParentTraversal(std::wstring(100000, L'/')));
}

TEST(RegexLimits, PatternsWithOverlongNumbersOrLengthAreRefused) {
    EXPECT_TRUE(IsRulePatternAcceptable(L"a{2,3}\\d{123456789}"));
    EXPECT_TRUE(IsRulePatternAcceptable(L"12345678901234567890")) << "literal digits are characters";
    EXPECT_TRUE(IsRulePatternAcceptable(L"\\\\12345678901234567890")) << "an escaped backslash, then literals";
    EXPECT_FALSE(IsRulePatternAcceptable(L"a{1234567890}"));
    EXPECT_FALSE(IsRulePatternAcceptable(L"a{1,1234567890}"));
    EXPECT_FALSE(IsRulePatternAcceptable(L"\\.\\77717777777777777777x"));
    EXPECT_TRUE(IsRulePatternAcceptable(std::wstring(kMaxRulePatternLength, L'a')));
    EXPECT_FALSE(IsRulePatternAcceptable(std::wstring(kMaxRulePatternLength + 1, L'a')));
}

}  // namespace
