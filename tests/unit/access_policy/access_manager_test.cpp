#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "security/access_policy/exemption_white_list.h"
#include "security/access_policy/vantix_access_manager.h"

namespace {

using namespace Qv::Vantix::Security;
using Qv::Vantix::Server::Uwp::UwpInformation;
using Qv::Vantix::Server::Win32::Win32Information;

const char* const kUwpMissing = "The Behavior was not defined. A call to SetUwpChecker must be done.";
const char* const kWin32Missing = "The Behavior was not defined. A call to SetWin32Checker must be done.";

// Answers what it is told and counts the questions.
class FixedCriterion : public IClientWithNoQvManifestCheckCriteria {
public:
    explicit FixedCriterion(bool answer) : answer_(answer) {}
    bool IsAnException() override {
        ++questions;
        return answer_;
    }
    int questions = 0;

private:
    bool answer_;
};

std::string ThrownMessage(const std::function<void()>& call) {
    try {
        call();
    } catch (const vantix_access_exception& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

TEST(VantixAccessManager, AskingWithoutCheckerThrowsTheMatchingMessage) {
    VantixAccessManager manager;
    EXPECT_EQ(ThrownMessage([&] { manager.IsUwpExempt(); }), kUwpMissing);
    EXPECT_EQ(ThrownMessage([&] { manager.IsWin32Exempt(); }), kWin32Missing);

    // Setting one checker leaves the other question undefined.
    manager.SetUwpChecker(std::make_shared<FixedCriterion>(true));
    EXPECT_TRUE(manager.IsUwpExempt());
    EXPECT_EQ(ThrownMessage([&] { manager.IsWin32Exempt(); }), kWin32Missing);

    // An empty checker is stored, and the question is undefined again.
    manager.SetUwpChecker(nullptr);
    EXPECT_EQ(ThrownMessage([&] { manager.IsUwpExempt(); }), kUwpMissing);
    manager.SetWin32Checker(std::make_shared<FixedCriterion>(false));
    EXPECT_FALSE(manager.IsWin32Exempt());
    manager.SetWin32Checker({});
    EXPECT_EQ(ThrownMessage([&] { manager.IsWin32Exempt(); }), kWin32Missing);
}

TEST(VantixAccessManager, AnswersWithEachCheckersVerdict) {
    auto store = std::make_shared<FixedCriterion>(false);
    auto desktop = std::make_shared<FixedCriterion>(true);
    VantixAccessManager manager;
    manager.SetUwpChecker(store);
    manager.SetWin32Checker(desktop);
    EXPECT_FALSE(manager.IsUwpExempt());
    EXPECT_TRUE(manager.IsWin32Exempt());
    EXPECT_TRUE(manager.IsWin32Exempt());
    EXPECT_EQ(store->questions, 1);
    EXPECT_EQ(desktop->questions, 2);
}

TEST(VantixAccessManager, CopiesShareTheCheckerObjects) {
    auto store = std::make_shared<FixedCriterion>(true);
    VantixAccessManager manager;
    manager.SetUwpChecker(store);
    {
        VantixAccessManager copy(manager);
        VantixAccessManager assigned;
        assigned = manager;
        EXPECT_EQ(store.use_count(), 4);
        EXPECT_TRUE(copy.IsUwpExempt());
        EXPECT_TRUE(assigned.IsUwpExempt());
        EXPECT_EQ(store->questions, 2);  // one object answered both
        EXPECT_EQ(ThrownMessage([&] { assigned.IsWin32Exempt(); }), kWin32Missing);

        auto& alias = assigned;
        assigned = alias;
        EXPECT_EQ(store.use_count(), 4);
    }
    EXPECT_EQ(store.use_count(), 2);
}

TEST(VantixAccessManager, HostModuleRoadWithTheBuiltInLists) {
    auto desktopClient = std::make_shared<Win32Information>(L"KeyEventServiceUWP", 8, 9);
    auto storeClient = std::make_shared<UwpInformation>(L"C7E4A920.QVVeilscreen",
                                                        L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t", 2, 1);
    VantixAccessManager manager;
    manager.SetWin32Checker(std::make_shared<Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
        Win32WithNoQVManifestExemptionWhiteList().GetExemption(), desktopClient));
    manager.SetUwpChecker(std::make_shared<UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
        UwpWithNoQVManifestExemptionWhiteList().GetExemption(), storeClient));
    EXPECT_TRUE(manager.IsWin32Exempt());
    EXPECT_EQ(desktopClient->executableName, L"keyeventserviceuwp");
    EXPECT_FALSE(manager.IsUwpExempt());
    storeClient->minor = 0;  // the manager sees the caller's record, not a copy
    EXPECT_TRUE(manager.IsUwpExempt());
}

TEST(VantixAccessException, IsALogicErrorThatCopiesAndMovesItsMessage) {
    static_assert(std::is_base_of_v<std::logic_error, vantix_access_exception>);
    static_assert(std::has_virtual_destructor_v<vantix_access_exception>);
    vantix_access_exception original(kUwpMissing);
    vantix_access_exception copy(original);
    EXPECT_STREQ(copy.what(), kUwpMissing);
    vantix_access_exception moved(std::move(copy));
    EXPECT_STREQ(moved.what(), kUwpMissing);
    vantix_access_exception assigned(kWin32Missing);
    assigned = original;
    EXPECT_STREQ(assigned.what(), kUwpMissing);
    assigned = vantix_access_exception(kWin32Missing);
    EXPECT_STREQ(assigned.what(), kWin32Missing);
    EXPECT_STREQ(original.what(), kUwpMissing);

    try {
        throw vantix_access_exception(kWin32Missing);
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), kWin32Missing);
    }
}

}  // namespace
