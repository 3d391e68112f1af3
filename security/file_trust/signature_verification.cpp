#include "security/file_trust/signature_verification.h"

#include <iterator>

#include "platform/scope_exit.h"
#include "security/file_trust/catalog_lookup.h"
#include "security/file_trust/signer_extraction.h"
#include "security/file_trust/wintrust_holders.h"

namespace Qv::Vantix::Security::QvAuthenticodeHelper {

namespace {

bool IsAcceptedResult(LONG result) {
    return result == 0 || result == CERT_E_UNTRUSTEDROOT || result == CERT_E_EXPIRED;
}

}  // namespace

std::vector<SignerInformation> GetFileSigners(const wchar_t* path) {
    std::vector<SignerInformation> signers = VerifyFileSignatures(path, true);
    std::vector<SignerInformation> embedded = VerifyFileSignatures(path, false);
    signers.insert(signers.end(), std::make_move_iterator(embedded.begin()), std::make_move_iterator(embedded.end()));
    return signers;
}

std::vector<SignerInformation> VerifyFileSignatures(const wchar_t* path, const bool& useCatalog) {
    std::vector<SignerInformation> signers;
    if (path == nullptr) return signers;

    WINTRUST_DATA request{};
    const auto catalogParts = Platform::ScopeExit([&request] { ReleaseCatalogRequest(request); });
    WINTRUST_FILE_INFO file{};
    if (useCatalog) {
        if (GetSecurityCatalogInfo(path, request) != 1) return signers;
    } else {
        file.cbStruct = sizeof(WINTRUST_FILE_INFO);
        file.pcwszFilePath = path;
        request.cbStruct = sizeof(WINTRUST_DATA);
        request.dwUIChoice = WTD_UI_NONE;
        request.fdwRevocationChecks = WTD_REVOKE_NONE;
        request.dwUnionChoice = WTD_CHOICE_FILE;
        request.pFile = &file;
    }
    WINTRUST_SIGNATURE_SETTINGS settings{};
    settings.cbStruct = sizeof(WINTRUST_SIGNATURE_SETTINGS);
    settings.dwFlags = WSS_VERIFY_SPECIFIC | WSS_GET_SECONDARY_SIG_COUNT;
    request.pSignatureSettings = &settings;

    // The primary signature is index 0; Windows reports how many nested ones follow.
    for (DWORD index = 0;; ++index) {
        settings.dwIndex = index;
        const FileTrust::TrustVerification verification(request);
        if (IsAcceptedResult(verification.result())) {
            SignerInformation record = ExtractSignerInformation(verification.get());
            record.status = verification.result();
            signers.push_back(std::move(record));
        }
        if (index + 1 > settings.cSecondarySigs) break;
    }
    return signers;
}

}  // namespace Qv::Vantix::Security::QvAuthenticodeHelper
