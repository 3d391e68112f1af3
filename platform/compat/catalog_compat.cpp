// The version-2 catalog functions (SHA-256 hashes): mscat.h declares them but the
// mingw-w64 import library has no entries for them, so they are found at run time.
#include "platform/compat/wintrust_compat.h"
#include "platform/compat/system_function.h"

namespace {

const wchar_t* const kWintrustModules[] = {L"wintrust.dll", nullptr};

template <typename Function>
Function CatalogFunction(const char* name) {
    return vistane_compat::SystemFunction<Function>(kWintrustModules, name);
}

}  // namespace

extern "C" {

BOOL WINAPI CryptCATAdminAcquireContext2(HCATADMIN* phCatAdmin, const GUID* pgSubsystem,
                                         const WCHAR* pwszHashAlgorithm, const CERT_STRONG_SIGN_PARA* pStrongHashPolicy,
                                         DWORD dwFlags) {
    static const auto system =
        CatalogFunction<decltype(&CryptCATAdminAcquireContext2)>("CryptCATAdminAcquireContext2");
    if (system == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return system(phCatAdmin, pgSubsystem, pwszHashAlgorithm, pStrongHashPolicy, dwFlags);
}

BOOL WINAPI CryptCATAdminCalcHashFromFileHandle2(HCATADMIN hCatAdmin, HANDLE hFile, DWORD* pcbHash, BYTE* pbHash,
                                                 DWORD dwFlags) {
    static const auto system =
        CatalogFunction<decltype(&CryptCATAdminCalcHashFromFileHandle2)>("CryptCATAdminCalcHashFromFileHandle2");
    if (system == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return system(hCatAdmin, hFile, pcbHash, pbHash, dwFlags);
}

}  // extern "C"
