#pragma once

// Trust-verification records as the Windows 8 and later SDK lays them out. mingw-w64
// ends WINTRUST_DATA before pSignatureSettings (80 bytes, not 88) and has no
// signature-settings record, so its own WINTRUST_DATA is renamed away while its
// header is read and the SDK's record takes the name. Where the SDK has the record
// (VISTANE_COMPAT_SIGNATURE_SETTINGS unset, see CMakeLists.txt) its headers serve as they are.
#include <windows.h>
#include <wincrypt.h>

#if !defined(VISTANE_COMPAT_SIGNATURE_SETTINGS)
#  include <wintrust.h>
#  include <softpub.h>
#  include <mscat.h>
#else

#define _WINTRUST_DATA _WINTRUST_DATA_mingw_layout
#define WINTRUST_DATA WINTRUST_DATA_mingw_layout
#define PWINTRUST_DATA PWINTRUST_DATA_mingw_layout
#include <wintrust.h>
#include <softpub.h>
#include <mscat.h>
#undef _WINTRUST_DATA
#undef WINTRUST_DATA
#undef PWINTRUST_DATA

// mingw's WinVerifyTrustEx and CRYPT_PROVIDER_DATA::pWintrustData keep the short
// layout: use WinVerifyTrust, which takes the record untyped.

#ifndef WSS_VERIFY_SPECIFIC
#  define WSS_VERIFY_SPECIFIC 0x00000001
#  define WSS_GET_SECONDARY_SIG_COUNT 0x00000002
#endif
#ifndef WTD_DISABLE_MD2_MD4
#  define WTD_DISABLE_MD2_MD4 0x00002000
#endif
#ifndef WTD_MOTW
#  define WTD_MOTW 0x00004000
#endif
#ifndef WTD_CODE_INTEGRITY_DRIVER_MODE
#  define WTD_CODE_INTEGRITY_DRIVER_MODE 0x00008000
#endif

typedef struct WINTRUST_SIGNATURE_SETTINGS_ {
    DWORD cbStruct;
    DWORD dwIndex;
    DWORD dwFlags;
    DWORD cSecondarySigs;
    DWORD dwVerifiedSigIndex;
    PCERT_STRONG_SIGN_PARA pCryptoPolicy;
} WINTRUST_SIGNATURE_SETTINGS, *PWINTRUST_SIGNATURE_SETTINGS;

typedef struct _WINTRUST_DATA {
    DWORD cbStruct;
    LPVOID pPolicyCallbackData;
    LPVOID pSIPClientData;
    DWORD dwUIChoice;
    DWORD fdwRevocationChecks;
    DWORD dwUnionChoice;
    union {
        struct WINTRUST_FILE_INFO_* pFile;
        struct WINTRUST_CATALOG_INFO_* pCatalog;
        struct WINTRUST_BLOB_INFO_* pBlob;
        struct WINTRUST_SGNR_INFO_* pSgnr;
        struct WINTRUST_CERT_INFO_* pCert;
    };
    DWORD dwStateAction;
    HANDLE hWVTStateData;
    WCHAR* pwszURLReference;
    DWORD dwProvFlags;
    DWORD dwUIContext;
    WINTRUST_SIGNATURE_SETTINGS* pSignatureSettings;
} WINTRUST_DATA, *PWINTRUST_DATA;

#endif  // VISTANE_COMPAT_SIGNATURE_SETTINGS
