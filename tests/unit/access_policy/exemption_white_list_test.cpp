#include <gtest/gtest.h>

#include "security/access_policy/exemption_white_list.h"

namespace {

using namespace Qv::Vantix::Security;
using Qv::Vantix::Server::ClientType;
using Qv::Vantix::Server::Uwp::UwpInformation;
using Qv::Vantix::Server::Win32::Win32Information;
using Operation = MatchingDescriptor::Operation;

TEST(MatchingDescriptors, DefaultOperationIsOne) {
    MatchingDescriptor descriptor;
    EXPECT_EQ(static_cast<int>(descriptor._operation), 1);
    EXPECT_EQ(sizeof(Operation), 4u);
}

TEST(MatchingDescriptors, RowsCopyTheirRecordAndOperation) {
    UwpInformation client(L"pkg", L"pkg_hash", 1, 2);
    UwpMatchingDescriptor row(client, static_cast<Operation>(7));
    client.packageFamilyName = L"changed";
    EXPECT_EQ(row._information.packageFamilyName, L"pkg_hash");
    EXPECT_EQ(static_cast<int>(row._operation), 7);

    UwpMatchingDescriptor assigned(UwpInformation(), Operation::UpToMajorAndMinor);
    assigned = row;
    EXPECT_EQ(assigned._information.identifier, L"pkg_hash");
    EXPECT_EQ(static_cast<int>(assigned._operation), 7);
    auto& alias = assigned;
    assigned = alias;
    EXPECT_EQ(assigned._information.packageFamilyName, L"pkg_hash");

    Win32MatchingDescriptor desktop(Win32Information(L"tool", 3, 4), static_cast<Operation>(2));
    Win32MatchingDescriptor desktopCopy(desktop);
    desktop._information.executableName = L"other";
    EXPECT_EQ(desktopCopy._information.executableName, L"tool");
    EXPECT_EQ(static_cast<int>(desktopCopy._operation), 2);
}

TEST(ExemptionWhiteLists, UwpListHasTheOneBuiltInRow) {
    auto rows = UwpWithNoQVManifestExemptionWhiteList().GetExemption();
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(rows->size(), 1u);
    const UwpInformation& row = rows->front()._information;
    EXPECT_EQ(rows->front()._operation, Operation::UpToMajorAndMinor);
    EXPECT_EQ(row.type, ClientType::Uwp);
    EXPECT_EQ(row.packageName, L"C7E4A920.QVVeilscreen");
    EXPECT_EQ(row.packageFamilyName, L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t");
    EXPECT_EQ(row.identifier, row.packageFamilyName);
    EXPECT_EQ(row.major, 2);
    EXPECT_EQ(row.minor, 0);
    EXPECT_EQ(row.build, 0);
    EXPECT_EQ(row.revision, 0);
}

TEST(ExemptionWhiteLists, Win32ListHasThreeLowerCaseRowsInOrder) {
    auto rows = Win32WithNoQVManifestExemptionWhiteList().GetExemption();
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(rows->size(), 3u);
    const wchar_t* const expected[] = {L"keyeventserviceuwp", L"qvkeyeventnotice", L"keyeventservicedsu"};
    for (size_t i = 0; i < 3; ++i) {
        const Win32Information& row = (*rows)[i]._information;
        EXPECT_EQ((*rows)[i]._operation, Operation::UpToMajorAndMinor);
        EXPECT_EQ(row.type, ClientType::Win32);
        EXPECT_EQ(row.executableName, expected[i]);
        EXPECT_EQ(row.identifier, expected[i]);
        EXPECT_TRUE(row.extraText.empty());
        EXPECT_EQ(row.major, 8);
        EXPECT_EQ(row.minor, 9);
        EXPECT_EQ(row.build + row.revision, 0);
    }
}

TEST(ExemptionWhiteLists, EveryCallHandsOutAnIndependentCopy) {
    Win32WithNoQVManifestExemptionWhiteList desktopList;
    auto first = desktopList.GetExemption();
    auto second = desktopList.GetExemption();
    ASSERT_NE(first, second);
    (*first)[0]._information.executableName = L"evil";
    (*first)[1]._information.major = 65535;
    first->clear();
    ASSERT_EQ(second->size(), 3u);
    EXPECT_EQ((*second)[0]._information.executableName, L"keyeventserviceuwp");
    auto third = desktopList.GetExemption();
    ASSERT_EQ(third->size(), 3u);
    EXPECT_EQ((*third)[0]._information.executableName, L"keyeventserviceuwp");
    EXPECT_EQ((*third)[1]._information.major, 8);

    UwpWithNoQVManifestExemptionWhiteList storeList;
    auto store = storeList.GetExemption();
    store->front()._information.packageFamilyName = L"Other_family";
    EXPECT_EQ(storeList.GetExemption()->front()._information.packageFamilyName, L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t");
    UwpWithNoQVManifestExemptionWhiteList assignedList;
    assignedList = storeList;
    EXPECT_EQ(assignedList.GetExemption()->size(), 1u);
}

}  // namespace
