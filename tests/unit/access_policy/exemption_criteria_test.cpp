#include <gtest/gtest.h>

#include <memory>

#include "security/access_policy/exemption_white_list.h"
#include "security/access_policy/no_manifest_check_criteria.h"

namespace {

using namespace Qv::Vantix::Security;
using Qv::Vantix::Server::Uwp::UwpInformation;
using Qv::Vantix::Server::Win32::Win32Information;
using UwpCriterion = UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion;
using Win32Criterion = Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion;
using UwpRows = std::vector<UwpMatchingDescriptor>;
using Win32Rows = std::vector<Win32MatchingDescriptor>;

const wchar_t* const kFamily = L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t";
constexpr auto kUpTo = MatchingDescriptor::Operation::UpToMajorAndMinor;

bool UwpExempt(const wchar_t* family, std::uint16_t major, std::uint16_t minor, std::uint16_t build = 0) {
    auto client = std::make_shared<UwpInformation>(L"C7E4A920.QVVeilscreen", family, major, minor);
    client->build = build;
    client->revision = build;
    return UwpCriterion(UwpWithNoQVManifestExemptionWhiteList().GetExemption(), client).IsAnException();
}

bool Win32Exempt(const wchar_t* name, std::uint16_t major, std::uint16_t minor) {
    auto client = std::make_shared<Win32Information>(name, major, minor);
    return Win32Criterion(Win32WithNoQVManifestExemptionWhiteList().GetExemption(), client).IsAnException();
}

TEST(UwpExemptionCriterion, ExemptUpToTheRowVersion) {
    EXPECT_TRUE(UwpExempt(kFamily, 1, 9));
    EXPECT_TRUE(UwpExempt(kFamily, 2, 0));
    EXPECT_TRUE(UwpExempt(kFamily, 2, 0, 65535));
    EXPECT_TRUE(UwpExempt(kFamily, 0, 65535));
    EXPECT_FALSE(UwpExempt(kFamily, 2, 1));
    EXPECT_FALSE(UwpExempt(kFamily, 3, 0));
    EXPECT_FALSE(UwpExempt(kFamily, 65535, 0));
}

TEST(UwpExemptionCriterion, FamilyNameMustMatchExactly) {
    EXPECT_FALSE(UwpExempt(L"c7e4a920.qvveilscreen_k4m2x9pq7wd3t", 1, 0));
    EXPECT_FALSE(UwpExempt(L"C7E4A920.QVVeilscreen_K4M2X9PQ7WD3T", 1, 0));
    EXPECT_FALSE(UwpExempt(L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3", 1, 0));
    EXPECT_FALSE(UwpExempt(L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t ", 1, 0));
    EXPECT_FALSE(UwpExempt(L"C7E4A920.QVVeilscreen", 1, 0));  // the package name is not the family
    EXPECT_FALSE(UwpExempt(L"", 0, 0));
}

TEST(Win32ExemptionCriterion, LowersTheSharedClientNameInPlace) {
    auto client = std::make_shared<Win32Information>(L"KeyEventServiceUWP", 8, 9);
    Win32Criterion criterion(Win32WithNoQVManifestExemptionWhiteList().GetExemption(), client);
    EXPECT_TRUE(criterion.IsAnException());
    EXPECT_EQ(client->executableName, L"keyeventserviceuwp");
    EXPECT_EQ(client->identifier, L"KeyEventServiceUWP");

    // Only ASCII A-Z change; other units stay as they are, even above one byte.
    auto wide = std::make_shared<Win32Information>(L"Q\u00C9\u0130Z\u4E2D@[`{", 1, 1);
    EXPECT_FALSE(Win32Criterion(Win32WithNoQVManifestExemptionWhiteList().GetExemption(), wide).IsAnException());
    EXPECT_EQ(wide->executableName, L"q\u00C9\u0130z\u4E2D@[`{");
}

TEST(Win32ExemptionCriterion, ExemptUpToTheRowVersionForEveryListedName) {
    for (const wchar_t* name : {L"KeyEventServiceUWP", L"QVKEYEVENTNOTICE", L"keyeventservicedsu"}) {
        SCOPED_TRACE(testing::Message() << name);
        EXPECT_TRUE(Win32Exempt(name, 8, 9));
        EXPECT_TRUE(Win32Exempt(name, 7, 20));
        EXPECT_TRUE(Win32Exempt(name, 0, 0));
        EXPECT_FALSE(Win32Exempt(name, 8, 10));
        EXPECT_FALSE(Win32Exempt(name, 9, 0));
    }
}

TEST(Win32ExemptionCriterion, UnknownNamesAreNeverExempt) {
    for (const wchar_t* name : {L"notepad", L"keyeventservice", L"keyeventserviceuwp.exe", L"", L" keyeventserviceuwp"}) {
        EXPECT_FALSE(Win32Exempt(name, 0, 0));
        EXPECT_FALSE(Win32Exempt(name, 8, 9));
    }
}

TEST(ExemptionCriteria, EmptyPointersOrRowsAnswerNo) {
    auto uwpRows = UwpWithNoQVManifestExemptionWhiteList().GetExemption();
    auto uwpClient = std::make_shared<UwpInformation>(L"pkg", kFamily, 1, 0);
    EXPECT_FALSE(UwpCriterion(nullptr, uwpClient).IsAnException());
    EXPECT_FALSE(UwpCriterion(uwpRows, nullptr).IsAnException());
    EXPECT_FALSE(UwpCriterion(std::make_shared<UwpRows>(), uwpClient).IsAnException());

    auto win32Rows = Win32WithNoQVManifestExemptionWhiteList().GetExemption();
    auto win32Client = std::make_shared<Win32Information>(L"KeyEventServiceUWP", 1, 0);
    EXPECT_FALSE(Win32Criterion(win32Rows, nullptr).IsAnException());
    EXPECT_FALSE(Win32Criterion(nullptr, win32Client).IsAnException());
    EXPECT_EQ(win32Client->executableName, L"KeyEventServiceUWP");  // not reached without rows
    EXPECT_FALSE(Win32Criterion(std::make_shared<Win32Rows>(), win32Client).IsAnException());
    EXPECT_EQ(win32Client->executableName, L"keyeventserviceuwp");  // lowered before the row test
}

TEST(ExemptionCriteria, FirstMatchingRowDecidesAndOperationIsIgnored) {
    auto rows = std::make_shared<Win32Rows>();
    rows->emplace_back(Win32Information(L"tool", 1, 0), static_cast<MatchingDescriptor::Operation>(0));
    rows->emplace_back(Win32Information(L"tool", 5, 0), kUpTo);
    auto client = std::make_shared<Win32Information>(L"Tool", 4, 0);
    EXPECT_TRUE(Win32Criterion(rows, client).IsAnException());  // the second row exempts
    client->major = 1;
    EXPECT_TRUE(Win32Criterion(rows, client).IsAnException());  // the first row, whatever its operation
}

TEST(ExemptionCriteria, CriteriaAndTheirCopiesShareRowsAndClient) {
    auto rows = std::make_shared<UwpRows>(*UwpWithNoQVManifestExemptionWhiteList().GetExemption());
    auto client = std::make_shared<UwpInformation>(L"pkg", kFamily, 2, 0);
    {
        UwpCriterion criterion(rows, client);
        EXPECT_EQ(rows.use_count(), 2);
        EXPECT_EQ(client.use_count(), 2);
        UwpCriterion copy(criterion);
        UwpCriterion assigned(nullptr, nullptr);
        assigned = criterion;
        EXPECT_EQ(rows.use_count(), 4);
        EXPECT_EQ(client.use_count(), 4);
        EXPECT_TRUE(assigned.IsAnException());

        client->minor = 1;  // seen through every copy: nothing was copied
        EXPECT_FALSE(copy.IsAnException());
        client->minor = 0;
        rows->front()._information.packageFamilyName = L"Other_family";
        EXPECT_FALSE(criterion.IsAnException());
        EXPECT_FALSE(assigned.IsAnException());

        auto& alias = assigned;
        assigned = alias;
        EXPECT_EQ(rows.use_count(), 4);
    }
    EXPECT_EQ(rows.use_count(), 1);  // the destructors released both
    EXPECT_EQ(client.use_count(), 1);

    auto win32Client = std::make_shared<Win32Information>(L"KeyEventServiceUWP", 8, 9);
    auto win32Rows = Win32WithNoQVManifestExemptionWhiteList().GetExemption();
    Win32Criterion win32(win32Rows, win32Client);
    Win32Criterion win32Copy(win32);
    EXPECT_EQ(win32Client.use_count(), 3);
    EXPECT_EQ(win32Rows.use_count(), 3);
    EXPECT_TRUE(win32Copy.IsAnException());
    EXPECT_EQ(win32Client->executableName, L"keyeventserviceuwp");
}

}  // namespace
