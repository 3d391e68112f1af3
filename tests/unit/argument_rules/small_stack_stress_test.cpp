#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <string>

#include "security/argument_rules/argument_rule_validators.h"
#include "security/argument_rules/argument_rules.h"
#include "security/argument_rules/argument_value_safety.h"
#include "security/argument_rules/regex_limits.h"
#include "tests/support/xml_element.h"

namespace {

using namespace Qv::Vantix::Security;
using vistane_test::XmlElement;
using winrt::box_value;

// Windows gives RPC threads 1 MiB of stack. Sanitizers inflate every frame about
// five times, so their builds model the same thread with more room.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t kRpcThreadStack = 6u << 20;
#else
constexpr std::size_t kRpcThreadStack = 1u << 20;
#endif

// Runs `work` on a thread with the RPC thread's stack; a stack overflow kills the
// test program, which is the failure this guards against.
bool OnRpcSizedThread(const std::function<bool()>& work) {
    struct Job {
        const std::function<bool()>* work;
        bool result;
    } job{&work, false};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, kRpcThreadStack);
    pthread_t thread;
    const int created = pthread_create(
        &thread, &attributes,
        [](void* argument) -> void* {
            auto* running = static_cast<Job*>(argument);
            running->result = (*running->work)();
            return nullptr;
        },
        &job);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(created, 0);
    if (created == 0) pthread_join(thread, nullptr);
    return job.result;
}

bool Check(const wchar_t* rule, const std::string& xml, const BoxedValue& value) {
    const auto element = XmlElement(xml);
    return OnRpcSizedThread([&] { return ArgumentRuleValidators.at(rule)(element, value); });
}

std::wstring Repeat(const std::wstring& unit, std::size_t length) {
    std::wstring text;
    while (text.size() < length) text += unit;
    text.resize(length);
    return text;
}

TEST(SmallStackStress, LongestAcceptedValuesMatchWithoutExhaustingTheStack) {
    const std::size_t longest = kMaxMatchedValueLength;
    EXPECT_TRUE(Check(L"regex", "<rule>[a-z]+</rule>", box_value(Repeat(L"a", longest))));
    EXPECT_TRUE(Check(L"regex", "<rule>(a|b)*</rule>", box_value(Repeat(L"ab", longest))));
    EXPECT_TRUE(Check(L"regex", "<rule>(((((a)))))*</rule>", box_value(Repeat(L"a", longest))));
    // The deepest pattern the length limit lets through.
    const std::size_t depth = (kMaxRulePatternLength - 2) / 2;
    const std::string deepest = std::string(depth, '(') + "a" + std::string(depth, ')') + "*";
    ASSERT_LE(deepest.size(), kMaxRulePatternLength);
    EXPECT_TRUE(Check(L"regex", "<rule>" + deepest + "</rule>", box_value(Repeat(L"a", longest))));
    // The safety test's own expressions at their most expensive inputs.
    EXPECT_TRUE(OnRpcSizedThread([&] { return IsRootedPathLike(Repeat(L"\\", longest)); }));
    EXPECT_TRUE(OnRpcSizedThread([&] { return HasParentTraversal(Repeat(L"/", longest - 2) + L".."); }));
    EXPECT_FALSE(Check(L"contained_in_list", "<rule>x</rule>", box_value(Repeat(L"\\", longest))));
    EXPECT_TRUE(Check(L"begins_with_from_list", "<rule>\\\\</rule>", box_value(Repeat(L"\\", longest))));
}

TEST(SmallStackStress, OverlongValuesAreRefusedBeforeMatching) {
    const BoxedValue huge = box_value(Repeat(L"\\", 1u << 20));
    EXPECT_FALSE(Check(L"regex", "<rule>.*</rule>", huge));
    EXPECT_FALSE(Check(L"contained_in_list", "<rule>a</rule>", huge));
    EXPECT_FALSE(Check(L"begins_with_from_list", "<rule>\\</rule>", huge));
}

}  // namespace
