#pragma once

// Certificates, Authenticode verification and security catalogs (wincrypt.h,
// wintrust.h, softpub.h, mscat.h): the names, layouts and constants of the SDK.
#include "platform/sim/api_rpc.h"
#include "platform/sim/win32_types.h"

// ---- results -------------------------------------------------------------------------
#define TRUST_E_PROVIDER_UNKNOWN _HRESULT_TYPEDEF_(0x800B0001L)
#define TRUST_E_ACTION_UNKNOWN _HRESULT_TYPEDEF_(0x800B0002L)
#define TRUST_E_SUBJECT_FORM_UNKNOWN _HRESULT_TYPEDEF_(0x800B0003L)
#define TRUST_E_SUBJECT_NOT_TRUSTED _HRESULT_TYPEDEF_(0x800B0004L)
#define TRUST_E_NOSIGNATURE _HRESULT_TYPEDEF_(0x800B0100L)
#define CERT_E_EXPIRED _HRESULT_TYPEDEF_(0x800B0101L)
#define CERT_E_UNTRUSTEDROOT _HRESULT_TYPEDEF_(0x800B0109L)
#define CERT_E_CHAINING _HRESULT_TYPEDEF_(0x800B010AL)
#define TRUST_E_CERT_SIGNATURE _HRESULT_TYPEDEF_(0x80096004L)
#define TRUST_E_BAD_DIGEST _HRESULT_TYPEDEF_(0x80096010L)
#define CERT_E_REVOCATION_FAILURE _HRESULT_TYPEDEF_(0x800B010EL)
#define CRYPT_E_FILE_ERROR _HRESULT_TYPEDEF_(0x80092003L)
#define NTE_BAD_ALGID _HRESULT_TYPEDEF_(0x80090008L)
#define E_INVALIDARG _HRESULT_TYPEDEF_(0x80070057L)

// ---- certificates (wincrypt.h) ----------------------------------------------------------
#define X509_ASN_ENCODING 0x00000001u
#define PKCS_7_ASN_ENCODING 0x00010000u

#define CERT_SIMPLE_NAME_STR 1u
#define CERT_OID_NAME_STR 2u
#define CERT_X500_NAME_STR 3u
#define CERT_NAME_STR_SEMICOLON_FLAG 0x40000000u
#define CERT_NAME_STR_NO_PLUS_FLAG 0x20000000u
#define CERT_NAME_STR_NO_QUOTING_FLAG 0x10000000u
#define CERT_NAME_STR_CRLF_FLAG 0x08000000u
#define CERT_NAME_STR_COMMA_FLAG 0x04000000u
#define CERT_NAME_STR_REVERSE_FLAG 0x02000000u

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

typedef struct _CRYPTOAPI_BLOB {
    DWORD cbData;
    BYTE* pbData;
} CRYPT_INTEGER_BLOB, *PCRYPT_INTEGER_BLOB, CRYPT_OBJID_BLOB, CERT_NAME_BLOB, *PCERT_NAME_BLOB,
    CRYPT_DATA_BLOB, CRYPT_HASH_BLOB;

typedef struct _CRYPT_ALGORITHM_IDENTIFIER {
    LPSTR pszObjId;
    CRYPT_OBJID_BLOB Parameters;
} CRYPT_ALGORITHM_IDENTIFIER;

typedef struct _CRYPT_BIT_BLOB {
    DWORD cbData;
    BYTE* pbData;
    DWORD cUnusedBits;
} CRYPT_BIT_BLOB;

typedef struct _CERT_PUBLIC_KEY_INFO {
    CRYPT_ALGORITHM_IDENTIFIER Algorithm;
    CRYPT_BIT_BLOB PublicKey;
} CERT_PUBLIC_KEY_INFO;

typedef struct _CERT_EXTENSION {
    LPSTR pszObjId;
    BOOL fCritical;
    CRYPT_OBJID_BLOB Value;
} CERT_EXTENSION, *PCERT_EXTENSION;

typedef struct _CERT_INFO {
    DWORD dwVersion;
    CRYPT_INTEGER_BLOB SerialNumber;
    CRYPT_ALGORITHM_IDENTIFIER SignatureAlgorithm;
    CERT_NAME_BLOB Issuer;
    FILETIME NotBefore;
    FILETIME NotAfter;
    CERT_NAME_BLOB Subject;
    CERT_PUBLIC_KEY_INFO SubjectPublicKeyInfo;
    CRYPT_BIT_BLOB IssuerUniqueId;
    CRYPT_BIT_BLOB SubjectUniqueId;
    DWORD cExtension;
    PCERT_EXTENSION rgExtension;
} CERT_INFO, *PCERT_INFO;

typedef void* HCERTSTORE;

typedef struct _CERT_CONTEXT {
    DWORD dwCertEncodingType;
    BYTE* pbCertEncoded;
    DWORD cbCertEncoded;
    PCERT_INFO pCertInfo;
    HCERTSTORE hCertStore;
} CERT_CONTEXT, *PCERT_CONTEXT;
typedef const CERT_CONTEXT* PCCERT_CONTEXT;

typedef struct _CERT_STRONG_SIGN_PARA CERT_STRONG_SIGN_PARA;
typedef const CERT_STRONG_SIGN_PARA* PCCERT_STRONG_SIGN_PARA;
typedef struct _CTL_CONTEXT CTL_CONTEXT;
typedef const CTL_CONTEXT* PCCTL_CONTEXT;

static_assert(sizeof(CERT_NAME_BLOB) == 16);
static_assert(sizeof(CRYPT_BIT_BLOB) == 24);
static_assert(sizeof(CERT_PUBLIC_KEY_INFO) == 48);
static_assert(sizeof(CERT_INFO) == 208);
static_assert(offsetof(CERT_INFO, Subject) == 80);
static_assert(offsetof(CERT_INFO, SubjectPublicKeyInfo) == 96);
static_assert(sizeof(CERT_CONTEXT) == 40);

// Converts an encoded name to text; the count includes the terminator.
WINSIM_EXTERN DWORD WINAPI CertNameToStrW(DWORD dwCertEncodingType, PCERT_NAME_BLOB pName, DWORD dwStrType,
                                          LPWSTR psz, DWORD csz);

// ---- Authenticode verification (wintrust.h, softpub.h) -------------------------------------
// {00AAC56B-CD44-11D0-8CC2-00C04FC295EE}
#define WINTRUST_ACTION_GENERIC_VERIFY_V2 \
    { 0x00AAC56B, 0xCD44, 0x11D0, { 0x8C, 0xC2, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE } }

#define WTD_UI_ALL 1u
#define WTD_UI_NONE 2u
#define WTD_UI_NOBAD 3u
#define WTD_UI_NOGOOD 4u
#define WTD_REVOKE_NONE 0u
#define WTD_REVOKE_WHOLECHAIN 1u
#define WTD_CHOICE_FILE 1u
#define WTD_CHOICE_CATALOG 2u
#define WTD_CHOICE_BLOB 3u
#define WTD_CHOICE_SIGNER 4u
#define WTD_CHOICE_CERT 5u
#define WTD_STATEACTION_IGNORE 0u
#define WTD_STATEACTION_VERIFY 1u
#define WTD_STATEACTION_CLOSE 2u
#define WTD_STATEACTION_AUTO_CACHE 3u
#define WTD_STATEACTION_AUTO_CACHE_FLUSH 4u
#define WTD_REVOCATION_CHECK_NONE 0x00000010u
#define WTD_REVOCATION_CHECK_END_CERT 0x00000020u
#define WTD_REVOCATION_CHECK_CHAIN 0x00000040u
#define WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT 0x00000080u
#define WTD_HASH_ONLY_FLAG 0x00000200u
#define WTD_UICONTEXT_EXECUTE 0u
#define WTD_UICONTEXT_INSTALL 1u

#define WSS_VERIFY_SPECIFIC 0x00000001u
#define WSS_GET_SECONDARY_SIG_COUNT 0x00000002u

typedef HANDLE HCATADMIN;
typedef HANDLE HCATINFO;

typedef struct WINTRUST_FILE_INFO_ {
    DWORD cbStruct;
    LPCWSTR pcwszFilePath;
    HANDLE hFile;
    GUID* pgKnownSubject;
} WINTRUST_FILE_INFO, *PWINTRUST_FILE_INFO;

typedef struct WINTRUST_CATALOG_INFO_ {
    DWORD cbStruct;
    DWORD dwCatalogVersion;
    LPCWSTR pcwszCatalogFilePath;
    LPCWSTR pcwszMemberTag;
    LPCWSTR pcwszMemberFilePath;
    HANDLE hMemberFile;
    BYTE* pbCalculatedFileHash;
    DWORD cbCalculatedFileHash;
    PCCTL_CONTEXT pcCTLContext;
    HCATADMIN hCatAdmin;
} WINTRUST_CATALOG_INFO, *PWINTRUST_CATALOG_INFO;

typedef struct WINTRUST_SIGNATURE_SETTINGS_ {
    DWORD cbStruct;
    DWORD dwIndex;
    DWORD dwFlags;
    DWORD cSecondarySigs;
    DWORD dwVerifiedSigIndex;
    PCCERT_STRONG_SIGN_PARA pCryptoPolicy;
} WINTRUST_SIGNATURE_SETTINGS, *PWINTRUST_SIGNATURE_SETTINGS;

typedef struct _WINTRUST_BLOB_INFO WINTRUST_BLOB_INFO;
typedef struct _WINTRUST_SGNR_INFO WINTRUST_SGNR_INFO;
typedef struct _WINTRUST_CERT_INFO WINTRUST_CERT_INFO;

typedef struct _WINTRUST_DATA {
    DWORD cbStruct;
    LPVOID pPolicyCallbackData;
    LPVOID pSIPClientData;
    DWORD dwUIChoice;
    DWORD fdwRevocationChecks;
    DWORD dwUnionChoice;
    union {
        WINTRUST_FILE_INFO* pFile;
        WINTRUST_CATALOG_INFO* pCatalog;
        WINTRUST_BLOB_INFO* pBlob;
        WINTRUST_SGNR_INFO* pSgnr;
        WINTRUST_CERT_INFO* pCert;
    };
    DWORD dwStateAction;
    HANDLE hWVTStateData;
    WCHAR* pwszURLReference;
    DWORD dwProvFlags;
    DWORD dwUIContext;
    WINTRUST_SIGNATURE_SETTINGS* pSignatureSettings;
} WINTRUST_DATA, *PWINTRUST_DATA;

static_assert(sizeof(WINTRUST_FILE_INFO) == 32);
static_assert(sizeof(WINTRUST_CATALOG_INFO) == 72);
static_assert(sizeof(WINTRUST_SIGNATURE_SETTINGS) == 32);
static_assert(sizeof(WINTRUST_DATA) == 88);
static_assert(offsetof(WINTRUST_DATA, hWVTStateData) == 56);
static_assert(offsetof(WINTRUST_DATA, pSignatureSettings) == 80);

// Provider data reached from the verification state. Members the simulation does
// not model are opaque pointers of the same size, so the layout stays the SDK's.
typedef struct _CRYPT_PROVIDER_CERT {
    DWORD cbStruct;
    PCCERT_CONTEXT pCert;
    BOOL fCommercial;
    BOOL fTrustedRoot;
    BOOL fSelfSigned;
    BOOL fTestCert;
    DWORD dwRevokedReason;
    DWORD dwConfidence;
    DWORD dwError;
    void* pTrustListContext;
    BOOL fTrustListSignerCert;
    PCCTL_CONTEXT pCtlContext;
    DWORD dwCtlError;
    BOOL fIsCyclic;
    void* pChainElement;
} CRYPT_PROVIDER_CERT, *PCRYPT_PROVIDER_CERT;

typedef struct _CRYPT_PROVIDER_SGNR {
    DWORD cbStruct;
    FILETIME sftVerifyAsOf;
    DWORD csCertChain;
    CRYPT_PROVIDER_CERT* pasCertChain;
    DWORD dwSignerType;
    void* psSigner;
    DWORD dwError;
    DWORD csCounterSigners;
    struct _CRYPT_PROVIDER_SGNR* pasCounterSigners;
    void* pChainContext;
} CRYPT_PROVIDER_SGNR, *PCRYPT_PROVIDER_SGNR;

typedef struct _CRYPT_PROVIDER_DATA {
    DWORD cbStruct;
    WINTRUST_DATA* pWintrustData;
    BOOL fOpenedFile;
    HWND hWndParent;
    GUID* pgActionID;
    ULONG_PTR hProv;
    DWORD dwError;
    DWORD dwRegSecuritySettings;
    DWORD dwRegPolicySettings;
    void* psPfns;
    DWORD cdwTrustStepErrors;
    DWORD* padwTrustStepErrors;
    DWORD chStores;
    HCERTSTORE* pahStores;
    DWORD dwEncoding;
    void* hMsg;
    DWORD csSigners;
    CRYPT_PROVIDER_SGNR* pasSigners;
    DWORD csProvPrivData;
    void* pasProvPrivData;
    DWORD dwSubjectChoice;
    void* pPDSip;
    char* pszUsageOID;
    BOOL fRecallWithState;
    FILETIME sftSystemTime;
    char* pszCTLSignerUsageOID;
    DWORD dwProvFlags;
    DWORD dwFinalError;
    void* pRequestUsage;
    DWORD dwTrustPubSettings;
    DWORD dwUIStateFlags;
    void* pSigState;
    WINTRUST_SIGNATURE_SETTINGS* pSigSettings;
} CRYPT_PROVIDER_DATA, *PCRYPT_PROVIDER_DATA;

static_assert(sizeof(CRYPT_PROVIDER_CERT) == 88);
static_assert(sizeof(CRYPT_PROVIDER_SGNR) == 64);

WINSIM_EXTERN LONG WINAPI WinVerifyTrust(HWND hwnd, GUID* pgActionID, LPVOID pWVTData);
WINSIM_EXTERN CRYPT_PROVIDER_DATA* WINAPI WTHelperProvDataFromStateData(HANDLE hStateData);
WINSIM_EXTERN CRYPT_PROVIDER_SGNR* WINAPI WTHelperGetProvSignerFromChain(CRYPT_PROVIDER_DATA* pProvData,
                                                                        DWORD idxSigner, BOOL fCounterSigner,
                                                                        DWORD idxCounterSigner);
WINSIM_EXTERN CRYPT_PROVIDER_CERT* WINAPI WTHelperGetProvCertFromChain(CRYPT_PROVIDER_SGNR* pSgnr,
                                                                      DWORD idxCert);

// ---- security catalogs (mscat.h) -------------------------------------------------------------
typedef struct CATALOG_INFO_ {
    DWORD cbStruct;
    WCHAR wszCatalogFile[MAX_PATH];
} CATALOG_INFO;
// 524 bytes on Windows, where WCHAR is 16-bit.
static_assert(sizeof(CATALOG_INFO) == sizeof(DWORD) + MAX_PATH * sizeof(WCHAR));

WINSIM_EXTERN BOOL WINAPI CryptCATAdminAcquireContext2(HCATADMIN* phCatAdmin, const GUID* pgSubsystem,
                                                       PCWSTR pwszHashAlgorithm,
                                                       PCCERT_STRONG_SIGN_PARA pStrongHashPolicy,
                                                       DWORD dwFlags);
WINSIM_EXTERN BOOL WINAPI CryptCATAdminCalcHashFromFileHandle2(HCATADMIN hCatAdmin, HANDLE hFile,
                                                               DWORD* pcbHash, BYTE* pbHash, DWORD dwFlags);
WINSIM_EXTERN HCATINFO WINAPI CryptCATAdminEnumCatalogFromHash(HCATADMIN hCatAdmin, BYTE* pbHash, DWORD cbHash,
                                                               DWORD dwFlags, HCATINFO* phPrevCatInfo);
WINSIM_EXTERN BOOL WINAPI CryptCATCatalogInfoFromContext(HCATINFO hCatInfo, CATALOG_INFO* psCatInfo,
                                                         DWORD dwFlags);
WINSIM_EXTERN BOOL WINAPI CryptCATAdminReleaseCatalogContext(HCATADMIN hCatAdmin, HCATINFO hCatInfo,
                                                             DWORD dwFlags);
WINSIM_EXTERN BOOL WINAPI CryptCATAdminReleaseContext(HCATADMIN hCatAdmin, DWORD dwFlags);
