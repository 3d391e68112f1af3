#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

using vistane_test::SimTest;

class SimSessionsTest : public SimTest {};

TEST_F(SimSessionsTest, TheUserTokenNeedsAConsoleUserAndTheSystemAccount) {
    EXPECT_EQ(WTSGetActiveConsoleSessionId(), 1u);
    HANDLE token = INVALID_HANDLE_VALUE;
    ASSERT_EQ(WTSQueryUserToken(1, &token), TRUE);
    EXPECT_EQ(winsim::InspectToken(token).user, L"user1");
    EXPECT_EQ(winsim::InspectToken(token).type, TokenPrimary);

    // An impersonating thread lacks the system account's privilege.
    ASSERT_EQ(ImpersonateLoggedOnUser(token), TRUE);
    HANDLE refused = INVALID_HANDLE_VALUE;
    EXPECT_EQ(WTSQueryUserToken(1, &refused), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
    EXPECT_EQ(refused, INVALID_HANDLE_VALUE) << "the out-value is left alone on failure";
    ASSERT_EQ(RevertToSelf(), TRUE);

    EXPECT_EQ(WTSQueryUserToken(0, &refused), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_TOKEN));
    winsim::SetNobodyAtConsole();
    EXPECT_EQ(WTSGetActiveConsoleSessionId(), 0xFFFFFFFFu);
    EXPECT_EQ(CloseHandle(token), TRUE);
}

TEST_F(SimSessionsTest, DuplicationGivesTheAskedTypeAndRefusesARaisedLevel) {
    HANDLE user = nullptr;
    ASSERT_EQ(WTSQueryUserToken(1, &user), TRUE);
    HANDLE identification = nullptr;
    ASSERT_EQ(DuplicateTokenEx(user, MAXIMUM_ALLOWED, nullptr, SecurityIdentification, TokenImpersonation,
                               &identification),
              TRUE);
    EXPECT_EQ(winsim::InspectToken(identification).type, TokenImpersonation);
    HANDLE raised = nullptr;
    EXPECT_EQ(DuplicateTokenEx(identification, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenImpersonation,
                               &raised),
              FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_IMPERSONATION_LEVEL));
    EXPECT_EQ(raised, nullptr);
    EXPECT_EQ(winsim::LedgerReport(), "token=2");
    CloseHandle(identification);
    CloseHandle(user);
}

TEST_F(SimSessionsTest, EnvironmentBlocksHoldTheTokenUsersVariablesAndAreCounted) {
    HANDLE user = nullptr;
    ASSERT_EQ(WTSQueryUserToken(1, &user), TRUE);
    LPVOID block = nullptr;
    ASSERT_EQ(CreateEnvironmentBlock(&block, user, FALSE), TRUE);
    EXPECT_EQ(winsim::LedgerReport(), "environment block=1 token=1");
    std::vector<std::wstring> entries;
    for (auto* entry = static_cast<const wchar_t*>(block); *entry; entry += entries.back().size() + 1)
        entries.emplace_back(entry);
    EXPECT_NE(std::find(entries.begin(), entries.end(), L"USERPROFILE=C:\\Users\\user1"), entries.end());
    EXPECT_NE(std::find(entries.begin(), entries.end(), L"windir=C:\\Windows"), entries.end());
    EXPECT_EQ(DestroyEnvironmentBlock(block), TRUE);
    EXPECT_EQ(DestroyEnvironmentBlock(block), FALSE) << "a block is destroyed once";
    CloseHandle(user);
}

TEST_F(SimSessionsTest, TheApiSetQueryFollowsTheMachine) {
    EXPECT_EQ(LOBYTE(GetVersion()), 10);
    EXPECT_EQ(HIWORD(GetVersion()), 19045);
    std::wstring name = L"EXT-MS-WIN-SESSION-WTSAPI32-L1-1-0.dll";
    UNICODE_STRING contract{static_cast<USHORT>(name.size() * sizeof(WCHAR)),
                            static_cast<USHORT>(name.size() * sizeof(WCHAR)), name.data()};
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

class SimPackagesTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        winsim::InstallPackage(L"user1", kFamily,
                               {L"Orlent.Notes_2.0.1.0_neutral_split.language-de_abc123", PACKAGE_PROPERTY_RESOURCE,
                                L"C:\\Apps\\Notes.de", PackageOrigin_Store, winsim::PackedVersion(2, 0, 1, 0)});
        winsim::InstallPackage(L"user1", kFamily,
                               {L"Orlent.Notes_2.0.1.0_x64__abc123", 0, L"C:\\Apps\\Notes", PackageOrigin_Inbox,
                                winsim::PackedVersion(2, 0, 1, 0)});
        HANDLE user = nullptr;
        ASSERT_EQ(WTSQueryUserToken(1, &user), TRUE);
        ASSERT_EQ(ImpersonateLoggedOnUser(user), TRUE);
        CloseHandle(user);
    }
    void TearDown() override {
        RevertToSelf();
        SimTest::TearDown();
    }
    const std::wstring kFamily = L"Orlent.Notes_abc123";
};

TEST_F(SimPackagesTest, FamilyPackagesAreSizedThenFilledInRegistrationOrder) {
    UINT32 count = 0;
    UINT32 length = 0;
    EXPECT_EQ(FindPackagesByPackageFamily(kFamily.c_str(), 0xF0, &count, nullptr, &length, nullptr, nullptr),
              ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(count, 2u);
    const std::wstring resource = L"Orlent.Notes_2.0.1.0_neutral_split.language-de_abc123";
    const std::wstring head = L"Orlent.Notes_2.0.1.0_x64__abc123";
    EXPECT_EQ(length, resource.size() + 1 + head.size() + 1) << "characters, terminators included";
    std::vector<PWSTR> names(count);
    std::vector<WCHAR> buffer(length);
    std::vector<UINT32> properties(count);
    ASSERT_EQ(FindPackagesByPackageFamily(kFamily.c_str(), 0xF0, &count, names.data(), &length, buffer.data(),
                                          properties.data()),
              ERROR_SUCCESS);
    EXPECT_STREQ(names[0], L"Orlent.Notes_2.0.1.0_neutral_split.language-de_abc123");
    EXPECT_STREQ(names[1], L"Orlent.Notes_2.0.1.0_x64__abc123");
    EXPECT_EQ(properties, (std::vector<UINT32>{PACKAGE_PROPERTY_RESOURCE, 0}));

    count = 0;
    length = 0;
    EXPECT_EQ(FindPackagesByPackageFamily(kFamily.c_str(), PACKAGE_FILTER_HEAD, &count, nullptr, &length, nullptr,
                                          nullptr),
              ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(count, 1u) << "resource packages need their filter";

    RevertToSelf();
    count = 7;
    length = 7;
    EXPECT_EQ(FindPackagesByPackageFamily(kFamily.c_str(), 0xF0, &count, nullptr, &length, nullptr, nullptr),
              ERROR_SUCCESS) << "the system account has no packages";
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(length, 0u);
}

TEST_F(SimPackagesTest, PackageInfoRecordsHaveTheSdkLayoutAndPointIntoTheBuffer) {
    PACKAGE_INFO_REFERENCE info = nullptr;
    ASSERT_EQ(OpenPackageInfoByFullName(L"Orlent.Notes_2.0.1.0_x64__abc123", 0, &info), ERROR_SUCCESS);
    EXPECT_EQ(winsim::LedgerReport(), "package info=1");
    UINT32 length = 0;
    UINT32 count = 0;
    ASSERT_EQ(GetPackageInfo(info, 0xB0, &length, nullptr, &count), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(count, 1u);
    std::vector<BYTE> buffer(length);
    ASSERT_EQ(GetPackageInfo(info, 0xB0, &length, buffer.data(), &count), ERROR_SUCCESS);
    const auto* record = reinterpret_cast<const PACKAGE_INFO*>(buffer.data());
    EXPECT_EQ(offsetof(PACKAGE_INFO, packageId), 32u);
    EXPECT_EQ(offsetof(PACKAGE_ID, version), 8u);
    EXPECT_EQ(record->packageId.version.Version, 0x0002000000010000ull);
    EXPECT_EQ(record->packageId.version.Major, 2);
    EXPECT_EQ(record->packageId.version.Build, 1);
    EXPECT_EQ(record->packageId.processorArchitecture, static_cast<UINT32>(PROCESSOR_ARCHITECTURE_AMD64));
    EXPECT_STREQ(record->path, L"C:\\Apps\\Notes");
    EXPECT_STREQ(record->packageFamilyName, L"Orlent.Notes_abc123");
    EXPECT_STREQ(record->packageId.name, L"Orlent.Notes");
    EXPECT_STREQ(record->packageId.publisherId, L"abc123");
    const auto* end = buffer.data() + buffer.size();
    EXPECT_TRUE(reinterpret_cast<const BYTE*>(record->packageId.publisherId) < end);

    PackageOrigin origin = PackageOrigin_Unknown;
    EXPECT_EQ(GetStagedPackageOrigin(L"Orlent.Notes_2.0.1.0_x64__abc123", &origin), ERROR_SUCCESS);
    EXPECT_EQ(origin, PackageOrigin_Inbox);
    EXPECT_EQ(GetStagedPackageOrigin(L"", &origin), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ClosePackageInfo(info), ERROR_SUCCESS);
}

TEST_F(SimPackagesTest, InstallPathsCountTheirTerminator) {
    UINT32 length = 0;
    EXPECT_EQ(GetPackagePathByFullName(L"Orlent.Notes_2.0.1.0_x64__abc123", &length, nullptr),
              ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 14u);
    std::vector<WCHAR> path(length);
    EXPECT_EQ(GetPackagePathByFullName(L"Orlent.Notes_2.0.1.0_x64__abc123", &length, path.data()), ERROR_SUCCESS);
    EXPECT_STREQ(path.data(), L"C:\\Apps\\Notes");
    EXPECT_EQ(GetPackagePathByFullName(L"Orlent.Other_1.0.0.0_x64__abc123", &length, nullptr), ERROR_NOT_FOUND);
}

}  // namespace
