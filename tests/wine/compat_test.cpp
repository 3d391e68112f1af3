// The functions platform/compat finds at run time: present ones work, absent ones
// fail the way the API does, and none stops the process.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/wine/wine_environment.h"

namespace {

// The error of acquiring a SHA-256 catalog context; ERROR_SUCCESS with the context set.
DWORD AcquireSha256CatalogAdmin(HCATADMIN& admin) {
    SetLastError(0);
    return CryptCATAdminAcquireContext2(&admin, nullptr, BCRYPT_SHA256_ALGORITHM, nullptr, 0) ? ERROR_SUCCESS
                                                                                             : GetLastError();
}

bool IsMissingFunction(DWORD error) { return error == ERROR_PROC_NOT_FOUND || error == ERROR_CALL_NOT_IMPLEMENTED; }

}  // namespace

TEST(Compat, CatalogContextVersion2ForSha256) {
    HCATADMIN admin = nullptr;
    const DWORD error = AcquireSha256CatalogAdmin(admin);
    if (IsMissingFunction(error)) SKIP_MISSING_FUNCTION("CryptCATAdminAcquireContext2");
    ASSERT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(admin, nullptr);
    EXPECT_TRUE(CryptCATAdminReleaseContext(admin, 0));
}

TEST(Compat, CatalogHashOfThisProgramIsSha256Sized) {
    HCATADMIN admin = nullptr;
    const DWORD acquireError = AcquireSha256CatalogAdmin(admin);
    if (IsMissingFunction(acquireError)) SKIP_MISSING_FUNCTION("CryptCATAdminAcquireContext2");
    ASSERT_EQ(acquireError, static_cast<DWORD>(ERROR_SUCCESS));
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const HANDLE file = CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD hashSize = 0;
    SetLastError(0);
    const BOOL sized = CryptCATAdminCalcHashFromFileHandle2(admin, file, &hashSize, nullptr, 0);
    const DWORD error = GetLastError();
    CloseHandle(file);
    CryptCATAdminReleaseContext(admin, 0);
    if (!sized && IsMissingFunction(error)) SKIP_MISSING_FUNCTION("CryptCATAdminCalcHashFromFileHandle2");
    // The size query fails with ERROR_INSUFFICIENT_BUFFER on Windows and still gives the size.
    EXPECT_EQ(hashSize, 32u);
}

TEST(Compat, PackageFamilyOfAnUnpackagedProcessIsNoPackage) {
    UINT32 length = 0;
    const LONG result = GetPackageFamilyName(GetCurrentProcess(), &length, nullptr);
    if (result == ERROR_PROC_NOT_FOUND) SKIP_MISSING_FUNCTION("GetPackageFamilyName");
    EXPECT_EQ(result, APPMODEL_ERROR_NO_PACKAGE);
}

TEST(Compat, StagedPackageOriginAnswersWithoutStoppingTheProcess) {
    PackageOrigin origin = PackageOrigin_Store;
    const LONG result = GetStagedPackageOrigin(L"No.Such.Package_1.0.0.0_x64__8wekyb3d8bbwe", &origin);
    if (result == ERROR_PROC_NOT_FOUND) SKIP_MISSING_FUNCTION("GetStagedPackageOrigin");
    EXPECT_NE(result, ERROR_SUCCESS);
}

TEST(Compat, RpcCallAttributesOutsideACallSayNoCallActive) {
    SKIP_UNDER_WINE("RpcServerInqCallAttributesW (its stub stops the process)");
    RPC_CALL_ATTRIBUTES_V3_W attributes{};
    attributes.Version = RPC_CALL_ATTRIBUTES_VERSION;
    attributes.Flags = RPC_QUERY_CLIENT_ID;
    EXPECT_EQ(RpcServerInqCallAttributesW(nullptr, &attributes), RPC_S_NO_CALL_ACTIVE);
}
