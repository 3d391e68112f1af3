#include "security/signer_extraction.h"

#include <vector>

#include "service/logging/logging.h"

namespace Qv::Vantix::Security::QvAuthenticodeHelper {

namespace {

constexpr char kTrimmed[] = " \f\n\r\t\v";

std::string Trimmed(std::string text) {
    text.erase(text.find_last_not_of(kTrimmed) + 1);
    text.erase(0, text.find_first_not_of(kTrimmed));
    return text;
}

}  // namespace

SignerInformation ExtractSignerInformation(HANDLE stateData) {
    SignerInformation record;
    if (stateData == nullptr) return record;
    CRYPT_PROVIDER_DATA* data = WTHelperProvDataFromStateData(stateData);
    if (data == nullptr) return record;
    CRYPT_PROVIDER_SGNR* signer = WTHelperGetProvSignerFromChain(data, 0, FALSE, 0);
    if (signer == nullptr) return record;
    CRYPT_PROVIDER_CERT* certificate = WTHelperGetProvCertFromChain(signer, 0);
    if (certificate == nullptr || certificate->pCert == nullptr || certificate->pCert->pCertInfo == nullptr)
        return record;

    const CERT_INFO& info = *certificate->pCert->pCertInfo;
    record.publicKey = PublicKeyToText(info.SubjectPublicKeyInfo.PublicKey.pbData, info.SubjectPublicKeyInfo.PublicKey.cbData);
    const std::wstring subject = NameToString(info.Subject);
    LogManager::GetLogger()->LogInfo(L"Subject = %s", subject.c_str());
    ParseSubject(subject, record);
    return record;
}

std::string PublicKeyToText(const BYTE* bytes, DWORD count) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    if (bytes == nullptr || count == 0) return text;
    text.reserve(static_cast<size_t>(count) * 3);
    for (DWORD i = 0; i < count; ++i) {
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0F]);
        text.push_back(' ');
    }
    return Trimmed(std::move(text));
}

std::wstring NameToString(const CERT_NAME_BLOB& name) {
    // Twice the encoded length is room for every name the signing certificates carry;
    // a longer text is cut by CertNameToStrW itself.
    const DWORD capacity = name.cbData * 2;
    std::vector<wchar_t> buffer(static_cast<size_t>(capacity) + 1, L'\0');
    CERT_NAME_BLOB encoded = name;
    const DWORD converted = CertNameToStrW(X509_ASN_ENCODING, &encoded,
                                           CERT_X500_NAME_STR | CERT_NAME_STR_CRLF_FLAG | CERT_NAME_STR_NO_QUOTING_FLAG,
                                           buffer.data(), capacity);
    if (converted == 0) {
        LogManager::GetLogger()->LogError(L"Error while retrieving Subject field.");
        return std::wstring();
    }
    return std::wstring(buffer.data());
}

void ParseSubject(std::wstring subject, SignerInformation& record) {
    if (subject.empty()) return;
    static const std::wstring separator = L"\r\n";
    size_t start = 0;
    for (size_t end = subject.find(separator); end != std::wstring::npos; end = subject.find(separator, start)) {
        ParseSubjectField(subject.substr(start, end - start), record);
        start = end + separator.size();
    }
    ParseSubjectField(subject.substr(start), record);
}

void ParseSubjectField(std::wstring line, SignerInformation& record) {
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) return;
    std::wstring key = line.substr(0, equals);
    std::wstring value = line.substr(equals + 1);
    const size_t blank = key.find(L' ');
    if (blank != std::wstring::npos) key = key.substr(blank + 1);

    if (key == L"CN") {
        record.commonName = std::move(value);
    } else if (key == L"OU") {
        record.organizationalUnit = std::move(value);
    } else if (key == L"C") {
        record.country = std::move(value);
    } else if (key == L"S") {
        record.state = std::move(value);
    } else if (key == L"L") {
        record.locality = std::move(value);
    } else if (key == L"O") {
        record.organization = std::move(value);
    }
}

}  // namespace Qv::Vantix::Security::QvAuthenticodeHelper
