#include "security/file_trust/authenticode_facade.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "security/file_trust/pinned_publishers.h"
#include "security/file_trust/publisher_rules.h"
#include "security/file_trust/signature_verification.h"
#include "security/path_policy/authenticode_helper.h"
#include "security/path_policy/local_path.h"
#include "service/logging/logging.h"

namespace Qv::Vantix::Security {

namespace {

const char* YesNo(bool verdict) { return verdict ? "yes" : "no"; }

// The full path of the file the signature checks are about to open, or nothing (logged)
// when opening it would leave this machine's drives: a share on another machine would
// be opened with the machine's own credentials before the path policy could refuse it.
std::optional<std::wstring> LocalFileToVerify(const wchar_t* path, const char* operation) {
    std::wstring full = FullPathAsWritten(path);
    if (IsOnLocalDrive(path, full)) return full;
    LogManager::GetLogger()->LogError(L"Security - %S - Refused [%s]: not a path on a local drive", operation, path);
    return std::nullopt;
}

std::vector<SignerInformation> AcceptedByWindows(std::vector<SignerInformation> signers) {
    std::erase_if(signers, [](const SignerInformation& signer) { return !IsAcceptedByWindows(signer); });
    return signers;
}

// Trusted when Windows accepts some signature, some signature carries a key of
// `keys`, and the file lies in an allowed place.
bool IsFileSignedByPinnedKey(const wchar_t* path, const std::vector<std::string>& keys, const char* operation) {
    if (path == nullptr) return false;
    const std::optional<std::wstring> verified = LocalFileToVerify(path, operation);
    if (!verified) return false;
    std::vector<SignerInformation> signers = QvAuthenticodeHelper::GetFileSigners(path);
    if (signers.empty() || keys.empty()) return false;
    const bool byWindows = IsTrustedByWindows(signers);
    // The last use: the rule takes its list by value, so it gets this one, not a copy.
    const bool byPinnedKey = IsTrustedByMeridel(std::move(signers), &keys);
    LogManager::GetLogger()->LogInfo(L"Security - IsFileTrusted - trusted by windows = %S, trusted by Meridel = %S",
                                     YesNo(byWindows), YesNo(byPinnedKey));
    return byWindows && byPinnedKey && QvAuthenticodeHelper::IsVerifiedFileInAllowedPlace(path, *verified, operation);
}

}  // namespace

bool QvAuthenticodeFacade::IsFileTrustedExtended(const wchar_t* path) {
    return IsFileSignedByPinnedKey(path, TrustedPublicKeysExtended, "IsFileTrustedExtended");
}

bool QvAuthenticodeFacade::IsFileTrusted(const wchar_t* path) {
    return IsFileSignedByPinnedKey(path, TrustedPublicKeys, "IsFileTrusted");
}

bool QvAuthenticodeFacade::IsDropboxFileTrusted(const wchar_t* path) {
    constexpr const char* kOperation = "IsDropboxFileTrusted";
    bool verdict = false;
    std::wstring verified;
    try {
        TraceLogger* logger = LogManager::GetLogger();
        logger->LogInfo(L"Starting validation of Dropbox file.");
        // A null path is let through: it yields no signer and is refused below.
        if (path != nullptr) {
            const std::optional<std::wstring> local = LocalFileToVerify(path, kOperation);
            if (!local) return false;
            verified = *local;
        }
        // Embedded signatures only: a catalog vouches for no third party's file.
        const std::vector<SignerInformation> signers = QvAuthenticodeHelper::VerifyFileSignatures(path, false);
        if (!IsTrustedByWindows(signers)) {
            logger->LogError(L"Dropbox file is not trusted by windows.");
            return false;
        }
        // Anyone may put the listed name in a certificate: it counts only on a signature
        // Windows accepts, not beside another signature that Windows accepts.
        verdict = IsSignedByIdentity(AcceptedByWindows(signers), DropboxSignerIdentities);
    } catch (const std::exception& failure) {
        LogManager::GetLogger()->LogError(L"Problem while validating certificates from Dropbox. %S", failure.what());
        verdict = false;
    }
    return verdict && QvAuthenticodeHelper::IsVerifiedFileInAllowedPlace(path, verified, kOperation);
}

bool QvAuthenticodeFacade::IsFileTrustedByWindows(const wchar_t* path) {
    if (path == nullptr) return false;
    const std::optional<std::wstring> verified = LocalFileToVerify(path, "IsFileTrustedByWindows");
    if (!verified) return false;
    if (!IsTrustedByWindows(QvAuthenticodeHelper::GetFileSigners(path))) return false;
    return QvAuthenticodeHelper::IsVerifiedFileInAllowedPlace(path, *verified, "IsFileTrustedByWindows");
}

bool QvAuthenticodeFacade::AreFilesSignedWithSameKey(const wchar_t* first, const wchar_t* second) {
    if (first == nullptr || second == nullptr) return false;
    std::vector<SignerInformation> firstSigners = QvAuthenticodeHelper::GetFileSigners(first);
    std::vector<SignerInformation> secondSigners = QvAuthenticodeHelper::GetFileSigners(second);
    return AreSignedWithSameKey(std::move(firstSigners), std::move(secondSigners));
}

bool QvAuthenticodeFacade::IsPathAllowed(const wchar_t* path) { return QvAuthenticodeHelper::IsPathAllowed(path); }

}  // namespace Qv::Vantix::Security
