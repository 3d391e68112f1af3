// The folder-ownership check against the real access-list and SID calls. Wine keeps no
// access lists of its own and has no TrustedInstaller account, so the granting answer
// is checked on Windows only; the refusing one and the owner rule run everywhere.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
// After windows.h, which defines what it needs.
#include <sddl.h>
#include "security/path_policy/authenticode_helper.h"
#include "security/path_policy/system_owners.h"
#include "tests/wine/wine_environment.h"

using Qv::Vantix::Security::QvAuthenticodeHelper::CheckForFullConrolByTrustedInstallAndSystem;

TEST(FolderSecurity, WindowsFolderIsGrantedAFolderOfOursIsNot) {
    wchar_t temp[MAX_PATH] = {}, windows[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring ours = std::wstring(temp) + L"VistaneFolderSecurityCheck";
    ASSERT_TRUE(CreateDirectoryW(ours.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << GetLastError();
    EXPECT_FALSE(CheckForFullConrolByTrustedInstallAndSystem(ours.c_str()));
    RemoveDirectoryW(ours.c_str());
    SKIP_UNDER_WINE("folder access lists naming NT SERVICE\\TrustedInstaller");
    ASSERT_NE(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    EXPECT_TRUE(CheckForFullConrolByTrustedInstallAndSystem(windows));
}

// The owner rule reads SIDs in their documented layout; here on SIDs the real platform makes.
TEST(FolderSecurity, OwnersAreJudgedBySid) {
    const std::pair<const wchar_t*, bool> rows[] = {
        {L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", true},  // TrustedInstaller
        {L"S-1-5-18", true}, {L"S-1-5-32-544", true},                                // SYSTEM, Administrators
        {L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478465", false},
        {L"S-1-5-32-545", false}, {L"S-1-5-21-1-2-3-500", false}, {L"S-1-5-18-1", false}, {L"S-1-1-0", false},
    };
    for (const auto& [text, owner] : rows) {
        PSID sid = nullptr;
        ASSERT_TRUE(ConvertStringSidToSidW(text, &sid)) << GetLastError();
        EXPECT_EQ(Qv::Vantix::Security::IsSystemOwner(sid), owner) << std::wstring(text);
        LocalFree(sid);
    }
    EXPECT_FALSE(Qv::Vantix::Security::IsSystemOwner(nullptr));
}
