#include "security/file_trust/publisher_rules.h"

#include "platform/win32.h"

namespace Qv::Vantix::Security {

namespace {

// Lengths first: texts of different lengths are rejected before their bytes are read.
// An empty key stands for a certificate that could not be read and proves nothing.
bool SameKey(const std::string& a, const std::string& b) {
    return !a.empty() && a.size() == b.size() && a == b;
}

}  // namespace

bool IsAcceptedByWindows(const SignerInformation& signer) {
    return signer.status == 0 || signer.status == CERT_E_EXPIRED;
}

bool IsTrustedByWindows(std::vector<SignerInformation> signers) {
    for (const SignerInformation& signer : signers) {
        if (IsAcceptedByWindows(signer)) return true;
    }
    return false;
}

bool IsTrustedByMeridel(std::vector<SignerInformation> signers, const std::vector<std::string>* keys) {
    if (keys == nullptr || signers.empty() || keys->empty()) return false;
    for (const SignerInformation& signer : signers) {
        for (const std::string& key : *keys) {
            if (SameKey(signer.publicKey, key)) return true;
        }
    }
    return false;
}

bool IsSignedByIdentity(std::vector<SignerInformation> signers, std::vector<SignerInformation> identities) {
    for (const SignerInformation& signer : signers) {
        for (const SignerInformation& identity : identities) {
            if (signer.commonName == identity.commonName) return true;
        }
    }
    return false;
}

bool AreSignedWithSameKey(std::vector<SignerInformation> first, std::vector<SignerInformation> second) {
    for (const SignerInformation& a : first) {
        for (const SignerInformation& b : second) {
            if (SameKey(a.publicKey, b.publicKey)) return true;
        }
    }
    return false;
}

}  // namespace Qv::Vantix::Security
