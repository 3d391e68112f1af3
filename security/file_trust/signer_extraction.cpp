#include "security/file_trust/signer_extraction.h"

#include <array>
#include <cstring>
#include <string_view>

#include "service/logging/logging.h"

namespace Qv::Vantix::Security::QvAuthenticodeHelper {

namespace {

// The two lower-case hexadecimal digits of every byte value, "00" to "ff".
constexpr auto kHexPairs = [] {
    constexpr char digits[] = "0123456789abcdef";
    std::array<std::array<char, 2>, 256> pairs{};
    for (size_t value = 0; value < pairs.size(); ++value) pairs[value] = {digits[value >> 4], digits[value & 0x0F]};
    return pairs;
}();

// The field of `record` a subject key names, or null for a key that is not kept.
std::wstring* FieldOf(std::wstring_view key, SignerInformation& record) {
    if (key == L"CN") return &record.commonName;
    if (key == L"OU") return &record.organizationalUnit;
    if (key == L"C") return &record.country;
    if (key == L"S") return &record.state;
    if (key == L"L") return &record.locality;
    if (key == L"O") return &record.organization;
    return nullptr;
}

// One "key=value" line read in place: only the kept value is copied.
void ParseField(std::wstring_view line, SignerInformation& record) {
    const size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos) return;
    std::wstring_view key = line.substr(0, equals);
    const size_t blank = key.find(L' ');
    if (blank != std::wstring_view::npos) key = key.substr(blank + 1);
    if (std::wstring* field = FieldOf(key, record)) field->assign(line.substr(equals + 1));
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
    std::wstring subject = NameToString(info.Subject);
    LogManager::GetLogger()->LogInfo(L"Subject = %s", subject.c_str());
    ParseSubject(std::move(subject), record);
    return record;
}

std::string PublicKeyToText(const BYTE* bytes, DWORD count) {
    if (bytes == nullptr || count == 0) return std::string();
    // Two digits and a blank per byte, written in place; the blank after the last byte
    // is the only one trimming would remove, so it is never written.
    std::string text(static_cast<size_t>(count) * 3 - 1, ' ');
    char* out = text.data();
    for (DWORD i = 0; i < count; ++i, out += 3) std::memcpy(out, kHexPairs[bytes[i]].data(), 2);
    return text;
}

std::wstring NameToString(const CERT_NAME_BLOB& name) {
    // Twice the encoded length is room for every name the signing certificates carry;
    // a longer text is cut by CertNameToStrW itself.
    const DWORD capacity = name.cbData * 2;
    std::wstring text(static_cast<size_t>(capacity) + 1, L'\0');
    CERT_NAME_BLOB encoded = name;
    const DWORD converted = CertNameToStrW(X509_ASN_ENCODING, &encoded,
                                           CERT_X500_NAME_STR | CERT_NAME_STR_CRLF_FLAG | CERT_NAME_STR_NO_QUOTING_FLAG,
                                           text.data(), capacity);
    if (converted == 0) {
        LogManager::GetLogger()->LogError(L"Error while retrieving Subject field.");
        return std::wstring();
    }
    text.resize(std::char_traits<wchar_t>::length(text.c_str()));
    return text;
}

void ParseSubject(std::wstring subject, SignerInformation& record) {
    const std::wstring_view text = subject;
    constexpr std::wstring_view separator = L"\r\n";
    size_t start = 0;
    for (size_t end = text.find(separator); end != std::wstring_view::npos; end = text.find(separator, start)) {
        ParseField(text.substr(start, end - start), record);
        start = end + separator.size();
    }
    ParseField(text.substr(start), record);
}

void ParseSubjectField(std::wstring line, SignerInformation& record) { ParseField(line, record); }

}  // namespace Qv::Vantix::Security::QvAuthenticodeHelper
