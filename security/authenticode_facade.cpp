#include "security/authenticode_facade.h"

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "security/authenticode_helper.h"
#include "security/pinned_publishers.h"
#include "security/publisher_rules.h"
#include "security/signature_verification.h"
#include "service/logging/logging.h"

namespace Qv::Vantix::Security {

namespace {

const char* YesNo(bool verdict) { return verdict ? "yes" : "no"; }

// Trusted when Windows accepts some signature, some signature carries a key of
// `keys`, and the file lies in an allowed place.
bool IsFileSignedByPinnedKey(const wchar_t* path, const std::vector<std::string>& keys) {
    if (path == nullptr) return false;
    std::vector<SignerInformation> signers = QvAuthenticodeHelper::GetFileSigners(path);
    if (signers.empty() || keys.empty()) return false;
    const bool byWindows = IsTrustedByWindows(signers);
    // The last use: the rule takes its list by value, so it gets this one, not a copy.
    const bool byPinnedKey = IsTrustedByMeridel(std::move(signers), &keys);
    LogManager::GetLogger()->LogInfo(L"Security - IsFileTrusted - trusted by windows = %S, trusted by Meridel = %S",
                                     YesNo(byWindows), YesNo(byPinnedKey));
    return byWindows && byPinnedKey && QvAuthenticodeHelper::IsPathAllowed(path);
}

}  // namespace

bool QvAuthenticodeFacade::IsFileTrustedExtended(const wchar_t* path) {
    return IsFileSignedByPinnedKey(path, TrustedPublicKeysExtended);
}

bool QvAuthenticodeFacade::IsFileTrusted(const wchar_t* path) {
    return IsFileSignedByPinnedKey(path, TrustedPublicKeys);
}

bool QvAuthenticodeFacade::IsDropboxFileTrusted(const wchar_t* path) {
    bool verdict = false;
    try {
        TraceLogger* logger = LogManager::GetLogger();
        logger->LogInfo(L"Starting validation of Dropbox file.");
        // Embedded signatures only: a catalog vouches for no third party's file.
        const std::vector<SignerInformation> signers = QvAuthenticodeHelper::VerifyFileSignatures(path, false);
        if (!IsTrustedByWindows(signers)) {
            logger->LogError(L"Dropbox file is not trusted by windows.");
            return false;
        }
        verdict = IsSignedByIdentity(signers, DropboxSignerIdentities);
    } catch (const std::exception& failure) {
        LogManager::GetLogger()->LogError(L"Problem while validating certificates from Dropbox. %S", failure.what());
        verdict = false;
    }
    return verdict && QvAuthenticodeHelper::IsPathAllowed(path);
}

bool QvAuthenticodeFacade::IsFileTrustedByWindows(const wchar_t* path) {
    if (path == nullptr) return false;
    if (!IsTrustedByWindows(QvAuthenticodeHelper::GetFileSigners(path))) return false;
    return QvAuthenticodeHelper::IsPathAllowed(path);
}

bool QvAuthenticodeFacade::AreFilesSignedWithSameKey(const wchar_t* first, const wchar_t* second) {
    if (first == nullptr || second == nullptr) return false;
    std::vector<SignerInformation> firstSigners = QvAuthenticodeHelper::GetFileSigners(first);
    std::vector<SignerInformation> secondSigners = QvAuthenticodeHelper::GetFileSigners(second);
    return AreSignedWithSameKey(std::move(firstSigners), std::move(secondSigners));
}

bool QvAuthenticodeFacade::IsPathAllowed(const wchar_t* path) { return QvAuthenticodeHelper::IsPathAllowed(path); }

}  // namespace Qv::Vantix::Security
