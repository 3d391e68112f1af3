#pragma once

#include <string>
#include <vector>

#include "security/file_trust/signer_information.h"

namespace Qv::Vantix::Security {

// Pinned signing keys, in the key text form of SignerInformation::publicKey. Built
// when the module loads from the lists compiled in, constant afterwards.
extern const std::vector<std::string> TrustedPublicKeys;          // for IsFileTrusted
extern const std::vector<std::string> TrustedPublicKeysExtended;  // for IsFileTrustedExtended

// Signer identities accepted for files of the file-sync client (common name decides).
extern const std::vector<SignerInformation> DropboxSignerIdentities;

}  // namespace Qv::Vantix::Security
