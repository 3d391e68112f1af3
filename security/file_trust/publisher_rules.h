#pragma once

#include <string>
#include <vector>

#include "security/file_trust/signer_information.h"

namespace Qv::Vantix::Security {

// Windows accepted the signature this record was taken from: status 0 or CERT_E_EXPIRED
// (an expired signing certificate still counts); CERT_E_UNTRUSTEDROOT does not.
bool IsAcceptedByWindows(const SignerInformation& signer);

// Windows accepted some signature.
bool IsTrustedByWindows(std::vector<SignerInformation> signers);

// Some signature was made with a pinned key, whatever Windows thought of its chain.
// An empty key text (an unreadable certificate) matches nothing.
bool IsTrustedByMeridel(std::vector<SignerInformation> signers, const std::vector<std::string>* keys);

// Some signer's common name equals the common name of some identity row; nothing else
// is compared.
bool IsSignedByIdentity(std::vector<SignerInformation> signers, std::vector<SignerInformation> identities);

// The two lists share a key text. An empty key text matches nothing.
bool AreSignedWithSameKey(std::vector<SignerInformation> first, std::vector<SignerInformation> second);

}  // namespace Qv::Vantix::Security
