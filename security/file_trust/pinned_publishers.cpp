#include "security/file_trust/pinned_publishers.h"

namespace Qv::Vantix::Security {

// The key lists come from data files chosen at configure time (VISTANE_PINNED_KEYS_DIR).
const std::vector<std::string> TrustedPublicKeys = {
#include "security/file_trust/trusted_public_keys.inc"
};

const std::vector<std::string> TrustedPublicKeysExtended = {
#include "security/file_trust/trusted_public_keys_extended.inc"
};

const std::vector<SignerInformation> DropboxSignerIdentities = {
    SignerInformation(L"Dropbox, Inc", L"", L"San Francisco", L"Dropbox, Inc", L"California", L"US",
                      L"DigiCert SHA2 Assured ID Code Signing CA"),
};

}  // namespace Qv::Vantix::Security
