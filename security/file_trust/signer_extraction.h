#pragma once

#include <string>

#include "platform/win32.h"
#include "security/file_trust/signer_information.h"

namespace Qv::Vantix::Security::QvAuthenticodeHelper {

// The record of the signature whose verification state `stateData` holds, without its
// status. Empty texts when the state leads to no signing certificate.
SignerInformation ExtractSignerInformation(HANDLE stateData);

// "30 82 01 0a ..." : two lower-case hex digits per byte, one blank between pairs.
std::string PublicKeyToText(const BYTE* bytes, DWORD count);

// The subject as X.500 keys, one RDN per line (CRLF), values unquoted.
std::wstring NameToString(const CERT_NAME_BLOB& name);

void ParseSubject(std::wstring subject, SignerInformation& record);
void ParseSubjectField(std::wstring line, SignerInformation& record);

}  // namespace Qv::Vantix::Security::QvAuthenticodeHelper
