// Embedded signatures and WinVerifyTrust with the generic verify action, its
// verification state and the provider-data helpers.
#include <cstring>
#include <map>
#include <optional>
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
};

SignatureState& Signatures() {
    static auto* state = new SignatureState();
    return *state;
}

const ResetHookRegistrar resetSignatures([] { Signatures() = SignatureState(); });

// The checks a verification leaves for after the machine lock: the chain with its
// signature checks, and the content's digest against the one the signature vouches for.
struct PendingChecks {
    ChainInputs chain;
    std::shared_ptr<const std::string> content;
    std::vector<BYTE> digest;  // SHA-1 (20 bytes) or SHA-256
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
Verification ReadCatalogMember(const WINTRUST_CATALOG_INFO& member, DWORD index) {
    Verification verification;
    const CatalogRecord* catalog = member.pcwszCatalogFilePath ? FindCatalog(member.pcwszCatalogFilePath) : nullptr;
    if (catalog == nullptr || member.pcwszMemberTag == nullptr || index > 0) return verification;
    const std::wstring tag = FoldCase(member.pcwszMemberTag);
    const std::vector<BYTE>* listed = nullptr;
    for (const auto& hash : catalog->members) {
        if (listed == nullptr && FoldCase(UpperHex(hash)) == tag) listed = &hash;
    }
    const SimFile* file = member.pcwszMemberFilePath ? FindFile(member.pcwszMemberFilePath) : nullptr;
    if (listed == nullptr || file == nullptr) return verification;
    // The tag names the listed hash, so the content matches the tag when it hashes to it.
    verification.pending = PendingChecks{GatherChain(catalog->signature), file->content, *listed};
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
    const std::vector<BYTE> digest = checks.digest.size() == 20 ? Sha1(*checks.content) : Sha256(*checks.content);
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

}  // namespace winsim

using namespace winsim::detail;

LONG WINAPI WinVerifyTrust(HWND /*hwnd*/, GUID* pgActionID, LPVOID pWVTData) {
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
        if (request->dwUnionChoice == WTD_CHOICE_FILE) {
            if (request->pFile == nullptr) return E_INVALIDARG;
            verification = ReadEmbedded(*request->pFile, index);
        } else if (request->dwUnionChoice == WTD_CHOICE_CATALOG) {
            if (request->pCatalog == nullptr) return E_INVALIDARG;
            verification = ReadCatalogMember(*request->pCatalog, index);
        } else {
            return TRUST_E_SUBJECT_FORM_UNKNOWN;
        }
    }
    verification = Checked(std::move(verification));
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
