// Sessions, tokens and packages: what Wine cannot answer for another user.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

using SessionsTest = vistane_test::SimCallTest;

TEST_F(SessionsTest, TheUserTokenNeedsAConsoleUserAndTheSystemAccount) {
    EXPECT_EQ(WTSGetActiveConsoleSessionId(), 1u);
    HANDLE token = nullptr;
    ASSERT_TRUE(WTSQueryUserToken(1, &token));
    EXPECT_EQ(winsim::InspectToken(token).user, L"user1");
    EXPECT_EQ(winsim::InspectToken(token).type, TokenPrimary);
    // An impersonating thread lacks the system account's privilege.
    ASSERT_TRUE(ImpersonateLoggedOnUser(token));
    HANDLE refused = INVALID_HANDLE_VALUE;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WTSQueryUserToken(1, &refused));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
    EXPECT_EQ(refused, INVALID_HANDLE_VALUE) << "the out-value is left alone on failure";
    ASSERT_TRUE(RevertToSelf());
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WTSQueryUserToken(0, &refused));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_TOKEN));
    winsim::SetNobodyAtConsole();
    EXPECT_EQ(WTSGetActiveConsoleSessionId(), 0xFFFFFFFFu);

    // A duplicate may not raise the level it was made from.
    HANDLE identification = nullptr;
    ASSERT_TRUE(DuplicateTokenEx(token, MAXIMUM_ALLOWED, nullptr, SecurityIdentification, TokenImpersonation,
                                 &identification));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DuplicateTokenEx(identification, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenImpersonation,
                                  &refused));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_IMPERSONATION_LEVEL));
    EXPECT_EQ(winsim::LedgerReport(), "token=2");
    CloseHandle(identification);

    LPVOID block = nullptr;
    ASSERT_TRUE(CreateEnvironmentBlock(&block, token, FALSE));
    std::vector<std::wstring> entries;
    for (auto* entry = static_cast<const wchar_t*>(block); *entry; entry += entries.back().size() + 1)
        entries.emplace_back(entry);
    EXPECT_NE(std::ranges::find(entries, L"USERPROFILE=C:\\Users\\user1"), entries.end());
    EXPECT_NE(std::ranges::find(entries, L"windir=C:\\Windows"), entries.end());
    EXPECT_EQ(winsim::LedgerReport(), "environment block=1 token=1");
    EXPECT_TRUE(DestroyEnvironmentBlock(block));
    EXPECT_FALSE(DestroyEnvironmentBlock(block)) << "a block is destroyed once";
    CloseHandle(token);
}

TEST_F(SessionsTest, TheApiSetQueryFollowsTheMachine) {
    EXPECT_EQ(GetVersion(), 0x4A65000Au) << "10.0, build 19045";
    std::wstring name = L"EXT-MS-WIN-SESSION-WTSAPI32-L1-1-0.dll";
    const auto bytes = static_cast<USHORT>(name.size() * sizeof(WCHAR));
    UNICODE_STRING contract{bytes, bytes, name.data()};
    BOOLEAN inSchema = FALSE;
    BOOLEAN present = FALSE;
    EXPECT_EQ(ApiSetQueryApiSetPresenceEx(&contract, &inSchema, &present), STATUS_SUCCESS);
    EXPECT_TRUE(inSchema && present);
    winsim::SetApiSet(L"ext-ms-win-session-wtsapi32-l1-1-0", winsim::ApiSetState::NoHost);
    EXPECT_EQ(ApiSetQueryApiSetPresenceEx(&contract, &inSchema, &present), STATUS_SUCCESS);
    EXPECT_TRUE(inSchema && !present);
    EXPECT_EQ(ApiSetQueryApiSetPresence(&contract, &present), STATUS_SUCCESS);
    EXPECT_FALSE(present);
    winsim::SetWindowsVersion(6, 3, 9600);
    EXPECT_EQ(GetVersion(), 0x25800306u);
    EXPECT_FALSE(NT_SUCCESS(ApiSetQueryApiSetPresence(&contract, &present))) << "no schema query before 10";
}

class PackagesTest : public vistane_test::SimCallTest {
protected:
    void SetUp() override {
        SimCallTest::SetUp();
        winsim::InstallPackage(L"user1", kFamily, {kResource, PACKAGE_PROPERTY_RESOURCE, L"C:\\Apps\\Notes.de",
                                                   PackageOrigin_Store, winsim::PackedVersion(2, 0, 1, 0)});
        winsim::InstallPackage(L"user1", kFamily,
                               {kHead, 0, L"C:\\Apps\\Notes", PackageOrigin_Inbox, winsim::PackedVersion(2, 0, 1, 0)});
        HANDLE user = nullptr;
        ASSERT_TRUE(WTSQueryUserToken(1, &user));
        ASSERT_TRUE(ImpersonateLoggedOnUser(user));
        CloseHandle(user);
    }
    void TearDown() override {
        RevertToSelf();
        SimCallTest::TearDown();
    }
    const wchar_t* kFamily = L"Orlent.Notes_abc123";
    const std::wstring kResource = L"Orlent.Notes_2.0.1.0_neutral_split.language-de_abc123";
    const std::wstring kHead = L"Orlent.Notes_2.0.1.0_x64__abc123";
};

TEST_F(PackagesTest, FamilyPackagesAreSizedThenFilledInRegistrationOrder) {
    UINT32 count = 0;
    UINT32 length = 0;
    EXPECT_EQ(FindPackagesByPackageFamily(kFamily, 0xF0, &count, nullptr, &length, nullptr, nullptr),
              ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(length, kResource.size() + 1 + kHead.size() + 1) << "characters, terminators included";
    std::vector<PWSTR> names(count);
    std::vector<WCHAR> buffer(length);
    std::vector<UINT32> properties(count);
    ASSERT_EQ(FindPackagesByPackageFamily(kFamily, 0xF0, &count, names.data(), &length, buffer.data(), properties.data()),
              ERROR_SUCCESS);
    EXPECT_EQ(std::vector<std::wstring>(names.begin(), names.end()), (std::vector<std::wstring>{kResource, kHead}));
    EXPECT_EQ(properties, (std::vector<UINT32>{PACKAGE_PROPERTY_RESOURCE, 0}));
    EXPECT_EQ(FindPackagesByPackageFamily(kFamily, PACKAGE_FILTER_HEAD, &count, nullptr, &length, nullptr, nullptr),
              ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(count, 1u) << "resource packages need their filter";
    RevertToSelf();
    EXPECT_EQ(FindPackagesByPackageFamily(kFamily, 0xF0, &count, nullptr, &length, nullptr, nullptr), ERROR_SUCCESS)
        << "the system account has no packages";
    EXPECT_EQ(count + length, 0u);
}

TEST_F(PackagesTest, PackageInfoPointsIntoItsBufferAndPathsCountTheirTerminator) {
    PACKAGE_INFO_REFERENCE info = nullptr;
    ASSERT_EQ(OpenPackageInfoByFullName(kHead.c_str(), 0, &info), ERROR_SUCCESS);
    EXPECT_EQ(winsim::LedgerReport(), "package info=1");
    UINT32 length = 0;
    UINT32 count = 0;
    ASSERT_EQ(GetPackageInfo(info, 0xB0, &length, nullptr, &count), ERROR_INSUFFICIENT_BUFFER);
    std::vector<BYTE> buffer(length);
    ASSERT_EQ(GetPackageInfo(info, 0xB0, &length, buffer.data(), &count), ERROR_SUCCESS);
    ASSERT_EQ(count, 1u);
    const auto* record = reinterpret_cast<const PACKAGE_INFO*>(buffer.data());
    EXPECT_EQ(record->packageId.version.Version, winsim::PackedVersion(2, 0, 1, 0));
    EXPECT_EQ(record->packageId.processorArchitecture, static_cast<UINT32>(PROCESSOR_ARCHITECTURE_AMD64));
    EXPECT_STREQ(record->path, L"C:\\Apps\\Notes");
    EXPECT_STREQ(record->packageFamilyName, kFamily);
    EXPECT_STREQ(record->packageId.name, L"Orlent.Notes");
    EXPECT_STREQ(record->packageId.publisherId, L"abc123");
    EXPECT_TRUE(reinterpret_cast<const BYTE*>(record->packageId.publisherId) < buffer.data() + buffer.size());
    EXPECT_EQ(ClosePackageInfo(info), ERROR_SUCCESS);

    PackageOrigin origin = PackageOrigin_Unknown;
    EXPECT_EQ(GetStagedPackageOrigin(kHead.c_str(), &origin), ERROR_SUCCESS);
    EXPECT_EQ(origin, PackageOrigin_Inbox);
    EXPECT_EQ(GetStagedPackageOrigin(L"", &origin), ERROR_INVALID_PARAMETER);
    length = 0;
    EXPECT_EQ(GetPackagePathByFullName(kHead.c_str(), &length, nullptr), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 14u);
    std::vector<WCHAR> path(length);
    EXPECT_EQ(GetPackagePathByFullName(kHead.c_str(), &length, path.data()), ERROR_SUCCESS);
    EXPECT_STREQ(path.data(), L"C:\\Apps\\Notes");
    EXPECT_EQ(GetPackagePathByFullName(L"Orlent.Other_1.0.0.0_x64__abc123", &length, nullptr), ERROR_NOT_FOUND);
}

}  // namespace
