// The functions platform/compat finds at run time: present ones work, absent ones
// fail the way the API does, and none stops the process.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/wine/wine_environment.h"

namespace {

bool IsMissingFunction(DWORD error) { return error == ERROR_PROC_NOT_FOUND || error == ERROR_CALL_NOT_IMPLEMENTED; }

}  // namespace

// A SHA-256 catalog context, and the size of the hash it makes of this program; the
// size query fails with ERROR_INSUFFICIENT_BUFFER on Windows and still gives the size.
TEST(Compat, CatalogContextVersion2HashesThisProgramSha256Sized) {
    HCATADMIN admin = nullptr;
    SetLastError(0xdeadbeef);
    const BOOL acquired = CryptCATAdminAcquireContext2(&admin, nullptr, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (!acquired && IsMissingFunction(GetLastError())) SKIP_MISSING_FUNCTION("CryptCATAdminAcquireContext2");
    ASSERT_TRUE(acquired) << GetLastError();
    ASSERT_NE(admin, nullptr);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const HANDLE file = CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD hashSize = 0;
    SetLastError(0xdeadbeef);
    const BOOL sized = CryptCATAdminCalcHashFromFileHandle2(admin, file, &hashSize, nullptr, 0);
    const DWORD error = GetLastError();
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(CryptCATAdminReleaseContext(admin, 0));
    if (!sized && IsMissingFunction(error)) SKIP_MISSING_FUNCTION("CryptCATAdminCalcHashFromFileHandle2");
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
