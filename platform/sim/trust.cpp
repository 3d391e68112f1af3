// Embedded signatures and WinVerifyTrust with the generic verify action, its
// verification state and the provider-data helpers.
#include <cstring>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_trust.h"

namespace winsim::detail {

namespace {

struct EmbeddedSignatures {
    std::vector<SignatureSpec> signatures;  // primary first, then nested
    std::vector<BYTE> signedHash;           // content hash when last signed
};

struct SignatureState {
    std::map<std::wstring, EmbeddedSignatures> files;  // by folded full path
    std::vector<std::wstring> requests;                // every verify request, as text
};

SignatureState& Signatures() {
    static auto* state = new SignatureState();
    return *state;
}

const ResetHookRegistrar resetSignatures([] { Signatures() = SignatureState(); });

// Embedded signatures are part of the file: they go where it goes.
const FileMoveHookRegistrar moveSignatures([](const std::wstring& fromKey, const std::wstring& toKey) {
    auto found = Signatures().files.find(fromKey);
    if (found == Signatures().files.end()) return;
    EmbeddedSignatures signatures = std::move(found->second);
    Signatures().files.erase(found);
    if (!toKey.empty()) Signatures().files[toKey] = std::move(signatures);
});

// WinVerifyTrust reads a file it is given by path through an open of its own, for
// read and sharing read: it fails while another handle writes to the file or denies
// read sharing.
bool OpensForVerification(const SimFile& file) {
    if (CheckFileSharing(FoldCase(file.path), GENERIC_READ, FILE_SHARE_READ) == ERROR_SUCCESS) return true;
    SetThreadLastError(ERROR_SHARING_VIOLATION);
    return false;
}

// The checks a verification leaves for after the machine lock: the chain with its
// signature checks, and the content's digest against the one the signature vouches for.
struct PendingChecks {
    ChainInputs chain;
    std::shared_ptr<const std::string> content;
    std::vector<BYTE> digest;
    CatalogHash algorithm = CatalogHash::Sha256;  // how the content is hashed to compare
};

// What one verification found.
struct Verification {
    HRESULT result = TRUST_E_NOSIGNATURE;
    DWORD secondarySignatures = 0;
    DWORD index = 0;
    std::vector<std::shared_ptr<const CertificateModel>> chain;  // empty: no signer
    std::optional<PendingChecks> pending;
};

// The state behind hWVTStateData: provider data that points into itself.
struct TrustState : HandleObject {
    std::vector<std::shared_ptr<const CertificateModel>> models;
    std::vector<CRYPT_PROVIDER_CERT> certificates;
    CRYPT_PROVIDER_SGNR signer{};
    CRYPT_PROVIDER_DATA data{};
};

std::wstring FileKey(std::wstring_view path) { return FoldCase(FullPathOf(path)); }

// Machine lock held.
Verification ReadEmbedded(const WINTRUST_FILE_INFO& file, DWORD index) {
    Verification verification;
    const SimFile* simFile = file.pcwszFilePath ? FindFile(file.pcwszFilePath) : nullptr;
    if (simFile == nullptr || simFile->folder) {
        SetThreadLastError(ERROR_FILE_NOT_FOUND);
        return verification;
    }
    if (!OpensForVerification(*simFile)) return verification;
    // The file's own path is already full: folded, it is the key SignFile wrote.
    auto found = Signatures().files.find(FoldCase(simFile->path));
    if (found == Signatures().files.end() || found->second.signatures.empty()) return verification;
    const EmbeddedSignatures& embedded = found->second;
    verification.secondarySignatures = static_cast<DWORD>(embedded.signatures.size() - 1);
    verification.index = index;
    if (index >= embedded.signatures.size()) return verification;
    verification.pending = PendingChecks{GatherChain(embedded.signatures[index]), simFile->content, embedded.signedHash};
    return verification;
}

// Machine lock held.
Verification ReadCatalogMember(const WINTRUST_CATALOG_INFO& member, DWORD index, CatalogHash algorithm) {
    Verification verification;
    const CatalogRecord* catalog = member.pcwszCatalogFilePath ? FindCatalog(member.pcwszCatalogFilePath) : nullptr;
    if (catalog == nullptr || member.pcwszMemberTag == nullptr || index > 0) return verification;
    const std::wstring tag = FoldCase(member.pcwszMemberTag);
    const std::vector<BYTE>* listed = nullptr;
    for (const auto& hash : catalog->members) {
        if (listed == nullptr && FoldCase(UpperHex(hash)) == tag) listed = &hash;
    }
    const SimFile* file = member.pcwszMemberFilePath ? FindFile(member.pcwszMemberFilePath) : nullptr;
    if (listed == nullptr || file == nullptr || !OpensForVerification(*file)) return verification;
    // The member is hashed as the request's administrator context hashes; the tag names
    // the listed hash, so the content matches the tag when it hashes to it.
    verification.pending = PendingChecks{GatherChain(catalog->signature), file->content, *listed, algorithm};
    return verification;
}

// Without the machine lock: chain, RSA and hashing, the costly part of a verification.
Verification Checked(Verification verification) {
    if (!verification.pending) return verification;
    const PendingChecks checks = std::move(*verification.pending);
    verification.pending.reset();
    ChainVerdict verdict = EvaluateChain(checks.chain);
    verification.result = verdict.result;
    verification.chain = std::move(verdict.chain);
    const std::vector<BYTE> digest =
        checks.algorithm == CatalogHash::Sha256 ? Sha256(*checks.content) : Sha1(*checks.content);
    if (digest != checks.digest) verification.result = TRUST_E_BAD_DIGEST;
    return verification;
}

HANDLE NewState(const Verification& verification, WINTRUST_DATA* request) {
    auto state = std::make_shared<TrustState>();
    state->kind = "trust state";
    state->models = verification.chain;
    for (const auto& model : state->models) {
        CRYPT_PROVIDER_CERT certificate{};
        certificate.cbStruct = sizeof(CRYPT_PROVIDER_CERT);
        certificate.pCert = &model->context;
        certificate.fSelfSigned = model->issuer == model->subject;
        state->certificates.push_back(certificate);
    }
    state->signer.cbStruct = sizeof(CRYPT_PROVIDER_SGNR);
    state->signer.csCertChain = static_cast<DWORD>(state->certificates.size());
    state->signer.pasCertChain = state->certificates.empty() ? nullptr : state->certificates.data();
    state->signer.dwError = static_cast<DWORD>(verification.result);
    state->data.cbStruct = sizeof(CRYPT_PROVIDER_DATA);
    state->data.pWintrustData = request;
    state->data.dwEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    state->data.csSigners = state->models.empty() ? 0 : 1;
    state->data.pasSigners = state->models.empty() ? nullptr : &state->signer;
    state->data.dwSubjectChoice = request->dwUnionChoice;
    state->data.dwFinalError = static_cast<DWORD>(verification.result);
    state->data.pSigSettings = request->pSignatureSettings;
    return AddHandle(state);
}

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

const wchar_t* Given(const void* pointer) { return pointer ? L"given" : L"null"; }

// Every field of a verify request, so a test can pin what a caller asks for.
std::wstring DescribeRequest(HWND window, const WINTRUST_DATA& request, const WINTRUST_SIGNATURE_SETTINGS* settings) {
    const HANDLE windowHandle = reinterpret_cast<HANDLE>(window);
    std::wostringstream text;
    text << L"hwnd=" << (windowHandle == INVALID_HANDLE_VALUE ? L"none" : window ? L"window" : L"desktop")
         << L" size=" << request.cbStruct << L" ui=" << request.dwUIChoice << L" revocation="
         << request.fdwRevocationChecks << L" state=" << request.dwStateAction << L" provFlags=0x" << std::hex
         << request.dwProvFlags << std::dec << L" uiContext=" << request.dwUIContext << L" policyData="
         << Given(request.pPolicyCallbackData) << L" sipData=" << Given(request.pSIPClientData) << L" url="
         << Given(request.pwszURLReference);
    if (settings)
        text << L" settings=(size=" << settings->cbStruct << L" flags=0x" << std::hex << settings->dwFlags << std::dec
             << L" index=" << settings->dwIndex << L" policy=" << Given(settings->pCryptoPolicy) << L")";
    if (request.dwUnionChoice == WTD_CHOICE_FILE && request.pFile) {
        const WINTRUST_FILE_INFO& file = *request.pFile;
        text << L" file=(size=" << file.cbStruct << L" path=" << (file.pcwszFilePath ? file.pcwszFilePath : L"null")
             << L" handle=" << Given(file.hFile) << L" subject=" << Given(file.pgKnownSubject) << L")";
    } else if (request.dwUnionChoice == WTD_CHOICE_CATALOG && request.pCatalog) {
        const WINTRUST_CATALOG_INFO& member = *request.pCatalog;
        const CatalogHash hash = CatalogHashOf(member.hCatAdmin);
        text << L" catalog=(size=" << member.cbStruct << L" version=" << member.dwCatalogVersion << L" catalog="
             << (member.pcwszCatalogFilePath ? member.pcwszCatalogFilePath : L"null") << L" tag="
             << (member.pcwszMemberTag ? member.pcwszMemberTag : L"null") << L" member="
             << (member.pcwszMemberFilePath ? member.pcwszMemberFilePath : L"null") << L" memberHandle="
             << Given(member.hMemberFile) << L" hash=" << member.cbCalculatedFileHash << L" context="
             << Given(member.pcCTLContext) << L" admin="
             << (hash == CatalogHash::Sha256 ? L"SHA256" : hash == CatalogHash::Sha1 ? L"SHA1" : L"unknown") << L")";
    } else {
        text << L" choice=" << request.dwUnionChoice;
    }
    return text.str();
}

// Revocation is checked when the request asks for it and no flag turns it off. The
// simulated certificates name no place to fetch revocation from and the machine is
// offline, so a chain that is otherwise good cannot be shown unrevoked.
bool ChecksRevocation(const WINTRUST_DATA& request) {
    if (request.dwProvFlags & WTD_REVOCATION_CHECK_NONE) return false;
    return request.fdwRevocationChecks == WTD_REVOKE_WHOLECHAIN ||
           (request.dwProvFlags &
            (WTD_REVOCATION_CHECK_END_CERT | WTD_REVOCATION_CHECK_CHAIN | WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT));
}

}  // namespace

}  // namespace winsim::detail

namespace winsim {

using namespace detail;

void SignFile(const std::wstring& path, const std::vector<SignatureSpec>& signatures) {
    MachineLock lock(MachineMutex());
    for (const SignatureSpec& signature : signatures) ModelOf(signature.certificate);
    const SimFile* file = FindFile(path);
    if (file == nullptr || file->folder) throw std::runtime_error("SignFile: no file to sign");
    EmbeddedSignatures& embedded = Signatures().files[FileKey(path)];
    embedded.signatures = signatures;
    embedded.signedHash = Sha256(*file->content);
}

void SignFile(const std::wstring& path, const SignatureSpec& signature) {
    SignFile(path, std::vector<SignatureSpec>{signature});
}

void AddNestedSignature(const std::wstring& path, const SignatureSpec& signature) {
    MachineLock lock(MachineMutex());
    std::vector<SignatureSpec> signatures;
    auto found = Signatures().files.find(FileKey(path));
    if (found != Signatures().files.end()) signatures = found->second.signatures;
    signatures.push_back(signature);
    SignFile(path, signatures);
}

void RemoveSignatures(const std::wstring& path) {
    MachineLock lock(MachineMutex());
    Signatures().files.erase(FileKey(path));
}

std::vector<std::wstring> VerificationRequests() {
    MachineLock lock(MachineMutex());
    return Signatures().requests;
}

}  // namespace winsim

using namespace winsim::detail;

LONG WINAPI WinVerifyTrust(HWND hwnd, GUID* pgActionID, LPVOID pWVTData) {
    auto* request = static_cast<WINTRUST_DATA*>(pWVTData);
    const bool closing = request != nullptr && request->dwStateAction == WTD_STATEACTION_CLOSE;
    if (auto error = Enter("WinVerifyTrust", static_cast<DWORD>(TRUST_E_SUBJECT_NOT_TRUSTED),
                           closing ? FaultScope::ExplicitOnly : FaultScope::Sweep)) {
        return static_cast<LONG>(*error);
    }
    static const GUID genericVerifyV2 = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    if (pgActionID == nullptr || request == nullptr) return E_INVALIDARG;
    if (!SameGuid(*pgActionID, genericVerifyV2)) return TRUST_E_PROVIDER_UNKNOWN;
    if (request->cbStruct < offsetof(WINTRUST_DATA, pSignatureSettings)) return E_INVALIDARG;

    if (closing) {
        MachineLock lock(MachineMutex());
        auto state = FindHandleAs<TrustState>(request->hWVTStateData);
        if (!state) return E_INVALIDARG;
        CloseHandleObject(request->hWVTStateData);
        return ERROR_SUCCESS;
    }
    // Structures of older callers end before the settings member.
    WINTRUST_SIGNATURE_SETTINGS* settings =
        request->cbStruct >= sizeof(WINTRUST_DATA) ? request->pSignatureSettings : nullptr;
    const DWORD index = settings && (settings->dwFlags & WSS_VERIFY_SPECIFIC) ? settings->dwIndex : 0;

    Verification verification;
    {
        // The lock covers reading the machine; the checks run after it is let go.
        MachineLock lock(MachineMutex());
        Signatures().requests.push_back(DescribeRequest(hwnd, *request, settings));
        if (request->dwUnionChoice == WTD_CHOICE_FILE) {
            if (request->pFile == nullptr) return E_INVALIDARG;
            verification = ReadEmbedded(*request->pFile, index);
        } else if (request->dwUnionChoice == WTD_CHOICE_CATALOG) {
            // A context that was released (or never acquired) is refused, not guessed at.
            const CatalogHash hash =
                request->pCatalog ? CatalogHashOf(request->pCatalog->hCatAdmin) : CatalogHash::Unknown;
            if (hash == CatalogHash::Unknown) return E_INVALIDARG;
            verification = ReadCatalogMember(*request->pCatalog, index, hash);
        } else {
            return TRUST_E_SUBJECT_FORM_UNKNOWN;
        }
    }
    verification = Checked(std::move(verification));
    // Hash only: the content is checked, the chain is not.
    if ((request->dwProvFlags & WTD_HASH_ONLY_FLAG) && !verification.chain.empty() &&
        verification.result != TRUST_E_BAD_DIGEST)
        verification.result = 0;
    else if (verification.result == 0 && ChecksRevocation(*request))
        verification.result = CERT_E_REVOCATION_FAILURE;
    if (settings && (settings->dwFlags & WSS_GET_SECONDARY_SIG_COUNT)) {
        settings->cSecondarySigs = verification.secondarySignatures;
    }
    if (settings) settings->dwVerifiedSigIndex = verification.index;
    // The state exists whatever the verdict; only the close action frees it.
    if (request->dwStateAction == WTD_STATEACTION_VERIFY) request->hWVTStateData = NewState(verification, request);
    return verification.result;
}

CRYPT_PROVIDER_DATA* WINAPI WTHelperProvDataFromStateData(HANDLE hStateData) {
    if (Enter("WTHelperProvDataFromStateData", ERROR_INVALID_PARAMETER)) return nullptr;
    auto state = FindHandleAs<TrustState>(hStateData);
    return state ? &state->data : nullptr;
}

CRYPT_PROVIDER_SGNR* WINAPI WTHelperGetProvSignerFromChain(CRYPT_PROVIDER_DATA* pProvData, DWORD idxSigner,
                                                           BOOL fCounterSigner, DWORD idxCounterSigner) {
    if (Enter("WTHelperGetProvSignerFromChain", ERROR_INVALID_PARAMETER)) return nullptr;
    if (pProvData == nullptr || idxSigner >= pProvData->csSigners) return nullptr;
    CRYPT_PROVIDER_SGNR* signer = &pProvData->pasSigners[idxSigner];
    if (!fCounterSigner) return signer;
    return idxCounterSigner < signer->csCounterSigners ? &signer->pasCounterSigners[idxCounterSigner] : nullptr;
}

CRYPT_PROVIDER_CERT* WINAPI WTHelperGetProvCertFromChain(CRYPT_PROVIDER_SGNR* pSgnr, DWORD idxCert) {
    if (Enter("WTHelperGetProvCertFromChain", ERROR_INVALID_PARAMETER)) return nullptr;
    if (pSgnr == nullptr || idxCert >= pSgnr->csCertChain) return nullptr;
    return &pSgnr->pasCertChain[idxCert];
}
