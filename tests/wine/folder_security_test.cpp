// The folder-ownership check of the path policy against the real access-list calls.
// Wine keeps no file access lists of its own and has no TrustedInstaller account, so
// the granting answer is a Windows-only check; the refusing one runs everywhere.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "security/authenticode_helper.h"
#include "tests/wine/wine_environment.h"

namespace {

using Qv::Vantix::Security::QvAuthenticodeHelper::CheckForFullConrolByTrustedInstallAndSystem;

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
