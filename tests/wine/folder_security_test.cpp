// The folder-ownership check of the path policy against the real access-list calls.
// Wine keeps no file access lists of its own and has no TrustedInstaller account, so
// the granting answer is a Windows-only check; the refusing one runs everywhere.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
// After windows.h, which defines what it needs.
#include <sddl.h>
#include "security/path_policy/authenticode_helper.h"
#include "security/path_policy/system_owners.h"
#include "tests/wine/wine_environment.h"

namespace {

using Qv::Vantix::Security::IsSystemOwner;
using Qv::Vantix::Security::QvAuthenticodeHelper::CheckForFullConrolByTrustedInstallAndSystem;

// A SID the real platform builds from its text form.
bool IsSystemOwnerText(const wchar_t* text) {
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(text, &sid)) {
        ADD_FAILURE() << "error " << GetLastError();
        return false;
    }
    const bool answer = IsSystemOwner(sid);
    LocalFree(sid);
    return answer;
}

bool TrustedInstallerResolves(std::wstring& domain) {
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof sid;
    wchar_t domainName[256] = {};
    DWORD domainSize = 256;
    SID_NAME_USE use{};
    if (!LookupAccountNameW(nullptr, L"NT SERVICE\\TrustedInstaller", sid, &sidSize, domainName, &domainSize, &use))
        return false;
    domain = domainName;
    return true;
}

// A folder of this test's own under the temporary folder, removed at the end.
class OwnFolder {
public:
    OwnFolder() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"VistaneFolderSecurityCheck";
        made_ = CreateDirectoryW(path_.c_str(), nullptr) != FALSE;
    }
    ~OwnFolder() {
        if (made_) RemoveDirectoryW(path_.c_str());
    }
    OwnFolder(const OwnFolder&) = delete;
    OwnFolder& operator=(const OwnFolder&) = delete;
    bool made() const { return made_; }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    bool made_ = false;
};

}  // namespace

TEST(FolderSecurity, TrustedInstallerIsAServiceAccount) {
    std::wstring domain;
    const bool resolves = TrustedInstallerResolves(domain);
    if (!resolves && wine_checks::RunningUnderWine())
        GTEST_SKIP() << "Wine does not implement NT SERVICE\\TrustedInstaller (error " << GetLastError() << ")";
    ASSERT_TRUE(resolves) << "error " << GetLastError();
    EXPECT_EQ(domain, L"NT SERVICE");
}

TEST(FolderSecurity, WindowsFolderGrantsFullControlToTrustedInstallerAndSystem) {
    std::wstring domain;
    if (!TrustedInstallerResolves(domain) && wine_checks::RunningUnderWine())
        GTEST_SKIP() << "Wine does not implement folder access lists naming NT SERVICE\\TrustedInstaller";
    wchar_t windows[MAX_PATH] = {};
    ASSERT_NE(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    EXPECT_TRUE(CheckForFullConrolByTrustedInstallAndSystem(windows));
}

TEST(FolderSecurity, FolderMadeByAnOrdinaryProgramIsRefused) {
    OwnFolder folder;
    ASSERT_TRUE(folder.made()) << "error " << GetLastError();
    // Its access list is read for real; no entry grants GENERIC_ALL to TrustedInstaller.
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(folder.path().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_NE(dacl, nullptr);
    LocalFree(descriptor);
    EXPECT_FALSE(CheckForFullConrolByTrustedInstallAndSystem(folder.path().c_str()));
}

// The owner rule reads SIDs in their documented layout; here on SIDs the real platform
// makes, well-known ones included.
TEST(FolderSecurity, OwnersAreJudgedBySid) {
    for (const WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinBuiltinAdministratorsSid}) {
        BYTE sid[SECURITY_MAX_SID_SIZE] = {};
        DWORD size = sizeof sid;
        ASSERT_TRUE(CreateWellKnownSid(type, nullptr, sid, &size)) << "error " << GetLastError();
        EXPECT_TRUE(IsSystemOwner(sid)) << "well-known type " << type;
    }
    EXPECT_TRUE(IsSystemOwnerText(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"));
    EXPECT_FALSE(IsSystemOwnerText(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478465"));
    EXPECT_FALSE(IsSystemOwnerText(L"S-1-5-32-545"));      // Users
    EXPECT_FALSE(IsSystemOwnerText(L"S-1-5-21-1-2-3-500"));  // a machine's own Administrator account
    EXPECT_FALSE(IsSystemOwnerText(L"S-1-5-18-1"));
    EXPECT_FALSE(IsSystemOwner(nullptr));

    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE user[256] = {};
    DWORD length = 0;
    const BOOL read = GetTokenInformation(token, TokenUser, user, sizeof user, &length);
    CloseHandle(token);
    ASSERT_TRUE(read);
    EXPECT_FALSE(IsSystemOwner(reinterpret_cast<TOKEN_USER*>(user)->User.Sid)) << "the test's own user";
}
