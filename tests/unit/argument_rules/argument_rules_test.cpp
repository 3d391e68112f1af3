#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <typeinfo>

#include "security/argument_rules/argument_rule_validators.h"
#include "security/argument_rules/argument_rules.h"
#include "security/path_policy/util_helper.h"
#include "tests/support/sim_test.h"
#include "tests/support/xml_element.h"

namespace {

using namespace Qv::Vantix::Security;
using vistane_test::Info;
using vistane_test::Warning;
using vistane_test::XmlElement;
using winrt::box_value;

bool Check(const wchar_t* rule, const winrt::Windows::Data::Xml::Dom::IXmlNode& element, const BoxedValue& value) {
    return ArgumentRuleValidators.at(rule)(element, value);
}

TEST(ArgumentRuleTable, HoldsTheSixRulesFoundByExactName) {
    std::vector<std::wstring> names;
    for (const auto& [name, validator] : ArgumentRuleValidators) {
        names.emplace_back(std::wstring_view(name));
        EXPECT_TRUE(validator);
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"begins_with_from_list", L"begins_with_from_list_with_env_vars",
                                                L"contained_in_list", L"none", L"numeric_range", L"regex"}));
    EXPECT_EQ(ArgumentRuleValidators.count(L"Regex"), 0u);
    EXPECT_EQ(ArgumentRuleValidators.count(L"NONE"), 0u);
}

TEST(RegexRule, MatchesTheWholeValueCaseSensitively) {
    const auto letters = XmlElement("<rule>[a-z]+</rule>");
    EXPECT_TRUE(Check(L"regex", letters, box_value(L"abc")));
    EXPECT_FALSE(Check(L"regex", letters, box_value(L"abc1"))) << "a search would find abc";
    EXPECT_FALSE(Check(L"regex", letters, box_value(L"")));
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>ABC</rule>"), box_value(L"abc")));
}

TEST(RegexRule, BadPatternsValuesAndElementsGiveFalse) {
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>(</rule>"), box_value(L"(")));
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>.*</rule>"), nullptr));
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>.*</rule>"), box_value(1.0))) << "not a string";
    EXPECT_FALSE(Check(L"regex", nullptr, box_value(L"x"))) << "a null element is refused, not a crash";
}

TEST(RegexRule, SafetyTestRefusesRootedClimbsWhateverThePattern) {
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>.*</rule>"), box_value(L"C:\\temp\\..\\x")));
    EXPECT_TRUE(Check(L"regex", XmlElement(R"(<rule>\.\.\\x</rule>)"), box_value(L"..\\x")));
}

TEST(RegexRule, ValuesAndPatternsBeyondTheLimitsAreRefused) {
    EXPECT_TRUE(Check(L"regex", XmlElement("<rule>a*</rule>"), box_value(std::wstring(260, L'a'))));
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>a*</rule>"), box_value(std::wstring(261, L'a'))));
    EXPECT_TRUE(Check(L"regex", XmlElement("<rule>" + std::string(256, 'a') + "</rule>"), box_value(std::wstring(256, L'a'))));
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>" + std::string(257, 'a') + "</rule>"), box_value(std::wstring(257, L'a'))));
}

TEST(RegexRule, NestedRepeatsEndAndBackReferencesAreRefused) {
    // Exponential for a backtracking matcher; bounded here.
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>(a*)*c</rule>"), box_value(std::wstring(260, L'a'))));
    EXPECT_TRUE(Check(L"regex", XmlElement("<rule>(a*)*</rule>"), box_value(std::wstring(260, L'a'))));
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>(a)\\1</rule>"), box_value(L"aa")));
    EXPECT_TRUE(Check(L"regex", XmlElement("<rule>x(?=y)y</rule>"), box_value(L"xy"))) << "lookahead still works";
    // The standard library would overflow reading these numbers.
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>a{99999999999999999999}</rule>"), box_value(L"a")));
    EXPECT_FALSE(Check(L"regex", XmlElement("<rule>\\.\\77717777777777777777x</rule>"), box_value(L"x")));
}

TEST(ContainedInListRule, ComparesTheValueTextExactly) {
    const auto abc = XmlElement("<rule>a,b,c</rule>");
    EXPECT_TRUE(Check(L"contained_in_list", abc, box_value(L"b")));
    EXPECT_FALSE(Check(L"contained_in_list", abc, box_value(L"B")));
    EXPECT_FALSE(Check(L"contained_in_list", abc, box_value(L" b")));
    EXPECT_FALSE(Check(L"contained_in_list", abc, box_value(L"a,b")));
    EXPECT_FALSE(Check(L"contained_in_list", abc, nullptr));
    EXPECT_FALSE(Check(L"contained_in_list", XmlElement("<rule/>"), box_value(L"")));
    EXPECT_FALSE(Check(L"contained_in_list", nullptr, box_value(L"a")));
}

TEST(ContainedInListRule, AcceptsStringDoubleAndBooleanBoxesOnly) {
    const auto mixed = XmlElement("<rule>1,2.5,true,1e+21</rule>");
    EXPECT_TRUE(Check(L"contained_in_list", mixed, box_value(1.0)));
    EXPECT_TRUE(Check(L"contained_in_list", mixed, box_value(2.5)));
    EXPECT_TRUE(Check(L"contained_in_list", mixed, box_value(true)));
    EXPECT_TRUE(Check(L"contained_in_list", mixed, box_value(1e21)));
    EXPECT_FALSE(Check(L"contained_in_list", mixed, box_value(false)));
    EXPECT_FALSE(Check(L"contained_in_list", mixed, box_value(1))) << "a 32-bit integer box is unsupported";
}

TEST(ContainedInListRule, ListedRootedClimbIsStillRefused) {
    EXPECT_FALSE(Check(L"contained_in_list", XmlElement("<rule>C:\\a\\..\\b</rule>"), box_value(L"C:\\a\\..\\b")));
}

TEST(BeginsWithFromListRule, MatchesPrefixesIgnoringCase) {
    const auto programFiles = XmlElement("<rule>C:\\Program Files\\</rule>");
    EXPECT_TRUE(Check(L"begins_with_from_list", programFiles, box_value(L"c:\\program files\\x")));
    EXPECT_FALSE(Check(L"begins_with_from_list", programFiles, box_value(L"D:\\x")));
    EXPECT_FALSE(Check(L"begins_with_from_list", programFiles, box_value(L"C:\\Program Files\\..\\x")));
    EXPECT_FALSE(Check(L"begins_with_from_list", programFiles, box_value(2.0)));
    EXPECT_FALSE(Check(L"begins_with_from_list", XmlElement("<rule></rule>"), box_value(L"x")));
    EXPECT_FALSE(Check(L"begins_with_from_list", programFiles, nullptr));
}

// An empty item would begin every value; it matches nothing instead.
TEST(BeginsWithFromListRule, EmptyItemsMatchNothing) {
    const auto withGap = XmlElement("<rule>a,,b</rule>");
    EXPECT_FALSE(Check(L"begins_with_from_list", withGap, box_value(L"zzz")));
    EXPECT_FALSE(Check(L"begins_with_from_list", withGap, box_value(L"")));
    EXPECT_TRUE(Check(L"begins_with_from_list", withGap, box_value(L"Bxx")));
    EXPECT_FALSE(Check(L"begins_with_from_list", XmlElement("<rule>,</rule>"), box_value(L"anything")));
}

class EnvVarsRuleTest : public vistane_test::SimTest {
protected:
    static vistane_test::LogRecord Expanded(const std::wstring& from, const std::wstring& to) {
        return Info(L"ExpandEnvironmentStrings: [" + from + L"] [" + to + L"]");
    }
    static vistane_test::LogRecord Full(const std::wstring& path) { return Info(L"GetFullPathName: [" + path + L"]"); }
    static vistane_test::LogRecord ExpansionFailed(const std::wstring& step, DWORD error) {
        const std::string type = typeid(Qv::Vantix::Server::Services::UtilHelper).name();
        return Warning(std::wstring(type.begin(), type.end()) + L".GetFullExpandedPath failed on function " + step +
                       L" with result " + std::to_wstring(error));
    }
};

TEST_F(EnvVarsRuleTest, ExpandsValueAndItemsBeforeComparing) {
    const auto windir = XmlElement("<rule>%ProgramFiles%\\,%windir%</rule>");
    EXPECT_TRUE(Check(L"begins_with_from_list_with_env_vars", windir, box_value(L"C:\\Windows\\System32\\x.dll")));
    EXPECT_LOG(Expanded(L"C:\\Windows\\System32\\x.dll", L"C:\\Windows\\System32\\x.dll"),
               Full(L"C:\\Windows\\System32\\x.dll"), Expanded(L"%ProgramFiles%\\", L"C:\\Program Files\\"),
               Full(L"C:\\Program Files\\"), Expanded(L"%windir%", L"C:\\Windows"), Full(L"C:\\Windows"));

    EXPECT_FALSE(Check(L"begins_with_from_list_with_env_vars", windir, box_value(L"D:\\Windows\\x.dll")));
    EXPECT_LOG(Expanded(L"D:\\Windows\\x.dll", L"D:\\Windows\\x.dll"), Full(L"D:\\Windows\\x.dll"),
               Expanded(L"%ProgramFiles%\\", L"C:\\Program Files\\"), Full(L"C:\\Program Files\\"),
               Expanded(L"%windir%", L"C:\\Windows"), Full(L"C:\\Windows"));
}

TEST_F(EnvVarsRuleTest, ClimbingValueIsCanonicalisedBeforeTheTests) {
    const auto windir = XmlElement("<rule>%windir%\\System32\\</rule>");
    EXPECT_FALSE(Check(L"begins_with_from_list_with_env_vars", windir, box_value(L"%windir%\\System32\\..\\x.dll")));
    EXPECT_LOG(Expanded(L"%windir%\\System32\\..\\x.dll", L"C:\\Windows\\System32\\..\\x.dll"),
               Full(L"C:\\Windows\\x.dll"), Expanded(L"%windir%\\System32\\", L"C:\\Windows\\System32\\"),
               Full(L"C:\\Windows\\System32\\"));
}

TEST_F(EnvVarsRuleTest, ItemWhoseExpansionFailsMatchesNothing) {
    const auto windir = XmlElement("<rule>%windir%</rule>");
    winsim::FailCall("ExpandEnvironmentStringsW", 2, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(Check(L"begins_with_from_list_with_env_vars", windir, box_value(L"C:\\Windows\\x.dll")));
    EXPECT_LOG(Expanded(L"C:\\Windows\\x.dll", L"C:\\Windows\\x.dll"), Full(L"C:\\Windows\\x.dll"),
               ExpansionFailed(L"ExpandEnvironmentStrings", ERROR_NOT_ENOUGH_MEMORY));
}

TEST_F(EnvVarsRuleTest, ValueWhoseExpansionFailsIsRefused) {
    winsim::FailCall("ExpandEnvironmentStringsW", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(Check(L"begins_with_from_list_with_env_vars", XmlElement("<rule>C:\\</rule>"), box_value(L"C:\\x")));
    EXPECT_LOG(ExpansionFailed(L"ExpandEnvironmentStrings", ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(winsim::CallCount("ExpandEnvironmentStringsW"), 1u) << "no item is expanded for a refused value";
}

TEST_F(EnvVarsRuleTest, EmptyItemsAndEmptyListsMatchNothing) {
    EXPECT_FALSE(Check(L"begins_with_from_list_with_env_vars", XmlElement("<rule>,</rule>"), box_value(L"C:\\x")));
    EXPECT_LOG(Expanded(L"C:\\x", L"C:\\x"), Full(L"C:\\x"));
    EXPECT_FALSE(Check(L"begins_with_from_list_with_env_vars", XmlElement("<rule/>"), box_value(L"C:\\x")));
    EXPECT_LOG(Expanded(L"C:\\x", L"C:\\x"), Full(L"C:\\x"));
    EXPECT_FALSE(Check(L"begins_with_from_list_with_env_vars", XmlElement("<rule>C:\\</rule>"), box_value(true)));
    EXPECT_NO_LOG();
}

TEST_F(EnvVarsRuleTest, OnAnRpcThreadTheCallersVariablesApply) {
    winsim::SetUserEnvironmentVariable(L"user1", L"AppRoot", L"D:\\Apps");
    const DWORD caller = winsim::AddProcess({L"user1", L"C:\\caller.exe", L""});
    winsim::RpcCallScope call(caller);
    EXPECT_TRUE(Check(L"begins_with_from_list_with_env_vars", XmlElement("<rule>%AppRoot%\\</rule>"),
                      box_value(L"d:\\apps\\tool.exe")));
    EXPECT_LOG(Full(L"d:\\apps\\tool.exe"), Full(L"D:\\Apps\\"));
}

TEST(NumericRangeRule, TruncatesAndKeepsInclusiveBounds) {
    const auto oneToTen = XmlElement(R"(<rule min="1" max="10"/>)");
    for (double accepted : {1.0, 10.0, 10.9, 5.5}) EXPECT_TRUE(Check(L"numeric_range", oneToTen, box_value(accepted))) << accepted;
    for (double refused : {0.5, 11.0, -1.0, std::nan("")})
        EXPECT_FALSE(Check(L"numeric_range", oneToTen, box_value(refused))) << refused;
    EXPECT_TRUE(Check(L"numeric_range", XmlElement(R"(<rule max="10"/>)"), box_value(-1000.0)));
    EXPECT_TRUE(Check(L"numeric_range", XmlElement(R"(<rule min=" -5x"/>)"), box_value(-5.9)));
    EXPECT_TRUE(Check(L"numeric_range", XmlElement("<rule/>"), box_value(1e300)));
    // Out of the 32-bit range or not a number: the lowest 32-bit value.
    EXPECT_TRUE(Check(L"numeric_range", XmlElement(R"(<rule max="-2147483648"/>)"), box_value(2147483648.0)));
    EXPECT_FALSE(Check(L"numeric_range", XmlElement(R"(<rule min="-2147483647"/>)"), box_value(std::nan(""))));
    EXPECT_TRUE(Check(L"numeric_range", XmlElement(R"(<rule max="2147483647"/>)"), box_value(2147483647.9)));
}

TEST(NumericRangeRule, UnreadableBoundsAndValues) {
    EXPECT_FALSE(Check(L"numeric_range", XmlElement(R"(<rule min="abc"/>)"), box_value(5.0)));
    EXPECT_FALSE(Check(L"numeric_range", XmlElement(R"(<rule max=""/>)"), box_value(5.0)));
    EXPECT_FALSE(Check(L"numeric_range", XmlElement(R"(<rule min="1"/>)"), box_value(5)));
    EXPECT_FALSE(Check(L"numeric_range", XmlElement(R"(<rule min="1"/>)"), box_value(L"5")));
    EXPECT_FALSE(Check(L"numeric_range", XmlElement(R"(<rule/>)"), nullptr));
    EXPECT_TRUE(Check(L"numeric_range", nullptr, box_value(5.0))) << "no element, no bounds";
    EXPECT_THROW(Check(L"numeric_range", XmlElement(R"(<rule min="99999999999"/>)"), box_value(5.0)), std::out_of_range);
}

TEST(NoneRule, AcceptsEverythingEvenNull) {
    EXPECT_TRUE(Check(L"none", nullptr, nullptr));
    EXPECT_TRUE(Check(L"none", XmlElement("<rule>x</rule>"), box_value(L"C:\\..\\x")));
}

}  // namespace
