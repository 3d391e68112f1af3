#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "server/string_utils.h"
#include "server/uwp_information.h"
#include "server/win32_information.h"

namespace {

using Qv::Vantix::Server::ClientType;
using Qv::Vantix::Server::IClientInformation;
using Qv::Vantix::Server::Uwp::UwpInformation;
using Qv::Vantix::Server::Win32::Win32Information;

const wchar_t* const kFamily = L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t";

void ExpectVersion(const auto& record, int major, int minor, int build, int revision) {
    EXPECT_EQ(record.major, major);
    EXPECT_EQ(record.minor, minor);
    EXPECT_EQ(record.build, build);
    EXPECT_EQ(record.revision, revision);
}

TEST(ClientIdentityRecords, BaseRecordConstructors) {
    IClientInformation plain;
    EXPECT_EQ(plain.type, ClientType::Uwp);
    EXPECT_TRUE(plain.identifier.empty());
    IClientInformation typed(ClientType::Win32);
    EXPECT_EQ(typed.type, ClientType::Win32);
    EXPECT_TRUE(typed.identifier.empty());
    IClientInformation named(ClientType::Win32, L"tool");
    EXPECT_EQ(named.identifier, L"tool");
    EXPECT_EQ(static_cast<int>(ClientType::Uwp), 0);
    EXPECT_EQ(static_cast<int>(ClientType::Win32), 1);
    EXPECT_EQ(sizeof(ClientType), 4u);
}

TEST(ClientIdentityRecords, UwpRecordTakesFamilyNameAsIdentifier) {
    UwpInformation client(L"C7E4A920.QVVeilscreen", kFamily, 2, 0);
    EXPECT_EQ(client.type, ClientType::Uwp);
    EXPECT_EQ(client.identifier, kFamily);
    EXPECT_EQ(client.packageName, L"C7E4A920.QVVeilscreen");
    EXPECT_EQ(client.packageFamilyName, kFamily);
    ExpectVersion(client, 2, 0, 0, 0);
    EXPECT_TRUE(client.extraText1.empty() && client.extraText2.empty() && client.extraText3.empty());
    EXPECT_EQ(client.extraNumber, 0);

    UwpInformation empty;
    EXPECT_EQ(empty.type, ClientType::Uwp);
    EXPECT_TRUE(empty.identifier.empty() && empty.packageName.empty() && empty.packageFamilyName.empty());
    ExpectVersion(empty, 0, 0, 0, 0);
    EXPECT_EQ(empty.extraNumber, 0);
}

TEST(ClientIdentityRecords, Win32RecordTakesExecutableAsIdentifier) {
    Win32Information client(L"KeyEventServiceUWP", 8, 9);
    EXPECT_EQ(client.type, ClientType::Win32);
    EXPECT_EQ(client.identifier, L"KeyEventServiceUWP");
    EXPECT_EQ(client.executableName, L"KeyEventServiceUWP");
    EXPECT_TRUE(client.extraText.empty());
    ExpectVersion(client, 8, 9, 0, 0);

    Win32Information withText(L"tool", L"note", 65535, 1);
    EXPECT_EQ(withText.extraText, L"note");
    ExpectVersion(withText, 65535, 1, 0, 0);

    Win32Information empty;
    EXPECT_EQ(empty.type, ClientType::Win32);
    EXPECT_TRUE(empty.identifier.empty() && empty.executableName.empty() && empty.extraText.empty());
    ExpectVersion(empty, 0, 0, 0, 0);
}

TEST(ClientIdentityRecords, CopiesAreDeepAndCarryEveryField) {
    UwpInformation original(L"pkg", kFamily, 3, 4);
    original.build = 5;
    original.revision = 6;
    original.extraText1 = L"a";
    original.extraText2 = L"b";
    original.extraNumber = -7;
    original.extraText3 = L"c";

    UwpInformation copy(original);
    UwpInformation assigned;
    assigned = original;
    original.packageFamilyName[0] = L'X';
    original.extraText3 = L"changed";
    for (const UwpInformation* record : {&copy, &assigned}) {
        EXPECT_EQ(record->identifier, kFamily);
        EXPECT_EQ(record->packageFamilyName, kFamily);
        ExpectVersion(*record, 3, 4, 5, 6);
        EXPECT_EQ(record->extraText1 + record->extraText2 + record->extraText3, L"abc");
        EXPECT_EQ(record->extraNumber, -7);
    }

    Win32Information desktop(L"tool", L"note", 1, 2);
    desktop.build = 3;
    Win32Information desktopAssigned;
    desktopAssigned = desktop;
    desktop.executableName = L"other";
    EXPECT_EQ(desktopAssigned.type, ClientType::Win32);
    EXPECT_EQ(desktopAssigned.executableName, L"tool");
    EXPECT_EQ(desktopAssigned.extraText, L"note");
    ExpectVersion(desktopAssigned, 1, 2, 3, 0);
}

TEST(ClientIdentityRecords, SelfAssignmentLeavesRecordsUnchanged) {
    UwpInformation store(L"pkg", kFamily, 2, 1);
    store.extraText2 = L"kept";
    auto& storeAlias = store;  // the alias keeps -Wself-assign quiet
    store = storeAlias;
    EXPECT_EQ(store.identifier, kFamily);
    EXPECT_EQ(store.packageName, L"pkg");
    EXPECT_EQ(store.extraText2, L"kept");
    ExpectVersion(store, 2, 1, 0, 0);

    Win32Information desktop(L"tool", L"note", 8, 9);
    auto& desktopAlias = desktop;
    desktop = desktopAlias;
    EXPECT_EQ(desktop.identifier, L"tool");
    EXPECT_EQ(desktop.executableName, L"tool");
    EXPECT_EQ(desktop.extraText, L"note");
    ExpectVersion(desktop, 8, 9, 0, 0);

    IClientInformation base(ClientType::Win32, L"id");
    auto& baseAlias = base;
    base = baseAlias;
    EXPECT_EQ(base.type, ClientType::Win32);
    EXPECT_EQ(base.identifier, L"id");
}

TEST(StringUtilsClass, HoldsNoDataAndAssignsToItself) {
    using Qv::Vantix::Server::Services::StringUtils;
    static_assert(std::is_empty_v<StringUtils>);
    StringUtils first;
    StringUtils second;
    EXPECT_EQ(&(first = second), &first);
    EXPECT_EQ(&(first = std::move(second)), &first);
}

}  // namespace
