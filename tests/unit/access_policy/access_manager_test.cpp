// The built-in rows, answered through the manager as a host module asks, are pinned in
// tests/scenarios/access_policy/exemptions.json; here are the edges a host module can reach.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "security/access_policy/exemption_white_list.h"
#include "security/access_policy/vantix_access_manager.h"

namespace {

using namespace Qv::Vantix::Security;
using Qv::Vantix::Server::Uwp::UwpInformation;
using Qv::Vantix::Server::Win32::Win32Information;
using UwpCriterion = UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion;
using Win32Criterion = Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion;

// The answer, or the message of the std::logic_error the manager threw.
std::string Answer(const std::function<bool()>& question) {
    try {
        return question() ? "yes" : "no";
    } catch (const std::logic_error& error) {
        return error.what();
    }
}

// Unset at first (the scenario asks that), set one at a time, and unset again.
TEST(VantixAccessManager, EachQuestionNeedsItsOwnChecker) {
    const std::string missing = "The Behavior was not defined. A call to Set";
    VantixAccessManager manager;
    const auto uwp = [&] { return manager.IsUwpExempt(); };
    const auto win32 = [&] { return manager.IsWin32Exempt(); };
    const auto veilscreen = std::make_shared<UwpInformation>(L"pkg", L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t", 1, 0);
    manager.SetUwpChecker(std::make_shared<UwpCriterion>(UwpWithNoQVManifestExemptionWhiteList().GetExemption(), veilscreen));
    EXPECT_EQ(Answer(uwp) + "|" + Answer(win32), "yes|" + missing + "Win32Checker must be done.");
    manager.SetWin32Checker(std::make_shared<Win32Criterion>(nullptr, nullptr));
    EXPECT_EQ(Answer(win32), "no");
    manager.SetUwpChecker(nullptr);
    manager.SetWin32Checker(nullptr);
    EXPECT_EQ(Answer(uwp) + "|" + Answer(win32),
              missing + "UwpChecker must be done.|" + missing + "Win32Checker must be done.");
    EXPECT_THROW(manager.IsUwpExempt(), vantix_access_exception);
}

TEST(ExemptionCriteria, EmptyPointersAnswerNoAndTheSharedRecordIsWhatIsJudged) {
    auto uwpRows = UwpWithNoQVManifestExemptionWhiteList().GetExemption();
    auto uwpClient = std::make_shared<UwpInformation>(L"pkg", L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t", 2, 1);
    UwpCriterion uwp(uwpRows, uwpClient);
    EXPECT_FALSE(uwp.IsAnException());
    uwpClient->minor = 0;  // nothing was copied: the caller's record is judged
    EXPECT_TRUE(uwp.IsAnException());
    EXPECT_FALSE(UwpCriterion(nullptr, uwpClient).IsAnException());
    EXPECT_FALSE(UwpCriterion(uwpRows, nullptr).IsAnException());

    auto win32Rows = Win32WithNoQVManifestExemptionWhiteList().GetExemption();
    auto win32Client = std::make_shared<Win32Information>(L"KeyEventServiceUWP", 1, 0);
    EXPECT_FALSE(Win32Criterion(win32Rows, nullptr).IsAnException());
    EXPECT_FALSE(Win32Criterion(nullptr, win32Client).IsAnException());
    EXPECT_EQ(win32Client->executableName, L"KeyEventServiceUWP") << "not lowered without rows";
    EXPECT_FALSE(Win32Criterion(std::make_shared<std::vector<Win32MatchingDescriptor>>(), win32Client).IsAnException());
    EXPECT_EQ(win32Client->executableName, L"keyeventserviceuwp") << "lowered before the rows are read";
    EXPECT_EQ(win32Client->identifier, L"KeyEventServiceUWP");
}

// A caller that changes the rows it was handed widens no other caller's list.
TEST(ExemptionWhiteLists, EveryCallHandsOutAnIndependentCopy) {
    Win32WithNoQVManifestExemptionWhiteList desktopList;
    desktopList.GetExemption()->clear();
    EXPECT_EQ(desktopList.GetExemption()->size(), 3u);
    UwpWithNoQVManifestExemptionWhiteList storeList;
    storeList.GetExemption()->front()._information.packageFamilyName = L"Other_family";
    EXPECT_EQ(storeList.GetExemption()->front()._information.packageFamilyName, L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t");
}

}  // namespace
