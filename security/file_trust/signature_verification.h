#pragma once

#include <vector>

#include "security/file_trust/signer_information.h"

namespace Qv::Vantix::Security::QvAuthenticodeHelper {

// Every accepted signer of the file: the catalog pass first, then the embedded pass.
// Nothing is merged; a signer both passes find is listed twice.
std::vector<SignerInformation> GetFileSigners(const wchar_t* path);

// One pass: the catalog that lists the file (`useCatalog`), or the signatures embedded
// in the file, primary then nested. A signature counts when Windows answers 0,
// CERT_E_UNTRUSTEDROOT or CERT_E_EXPIRED. Empty for a null path.
std::vector<SignerInformation> VerifyFileSignatures(const wchar_t* path, const bool& useCatalog);

}  // namespace Qv::Vantix::Security::QvAuthenticodeHelper
