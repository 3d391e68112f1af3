// Signer text: subject lines and key bytes. Parsing a subject never fails and fills
// the same fields as reading it line by line with copies; the key text is two
// lower-case hex digits per byte, one blank between, and reads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "fuzz/fuzz_support.h"
#include "security/file_trust/signer_extraction.h"
#include "security/file_trust/signer_information.h"

namespace {

using Qv::Vantix::Security::SignerInformation;
namespace Helper = Qv::Vantix::Security::QvAuthenticodeHelper;

void CheckKeyText(const std::uint8_t* data, std::size_t size) {
    const std::string text = Helper::PublicKeyToText(data, static_cast<DWORD>(size));
    if (size == 0) {
        FUZZ_REQUIRE(text.empty());
        return;
    }
    FUZZ_REQUIRE(text.size() == size * 3 - 1);
    for (std::size_t i = 0; i < size; ++i) {
        const std::string pair = text.substr(i * 3, 2);
        FUZZ_REQUIRE(pair.find_first_not_of("0123456789abcdef") == std::string::npos);
        FUZZ_REQUIRE(std::stoul(pair, nullptr, 16) == data[i]);
        if (i + 1 < size) FUZZ_REQUIRE(text[i * 3 + 2] == ' ');
    }
}

// The subject read the plain way, a copy of every line, key and value: the parser
// must fill exactly what this fills.
SignerInformation ReadPlainly(const std::wstring& subject) {
    const std::map<std::wstring, std::wstring SignerInformation::*> fields = {
        {L"CN", &SignerInformation::commonName}, {L"OU", &SignerInformation::organizationalUnit},
        {L"O", &SignerInformation::organization}, {L"L", &SignerInformation::locality},
        {L"S", &SignerInformation::state},        {L"C", &SignerInformation::country}};
    SignerInformation record;
    for (size_t start = 0;;) {
        const size_t end = subject.find(L"\r\n", start);
        const std::wstring line = subject.substr(start, end == std::wstring::npos ? end : end - start);
        const size_t equals = line.find(L'=');
        std::wstring key = line.substr(0, equals);
        if (key.find(L' ') != std::wstring::npos) key = key.substr(key.find(L' ') + 1);
        const auto field = fields.find(key);
        if (equals != std::wstring::npos && field != fields.end()) record.*(field->second) = line.substr(equals + 1);
        if (end == std::wstring::npos) return record;
        start = end + 2;
    }
}

void CheckSubject(const std::wstring& subject) {
    SignerInformation record;
    Helper::ParseSubject(subject, record);
    FUZZ_REQUIRE(record.publicKey.empty() && record.issuer.empty() && record.status == 0);
    const SignerInformation plain = ReadPlainly(subject);
    FUZZ_REQUIRE(record.commonName == plain.commonName && record.organizationalUnit == plain.organizationalUnit &&
                 record.organization == plain.organization && record.locality == plain.locality &&
                 record.state == plain.state && record.country == plain.country);

    // A single line "CN=<value>" without a line break gives back the value exactly.
    const std::wstring value = subject.substr(0, subject.find_first_of(L"\r\n"));
    SignerInformation single;
    Helper::ParseSubject(L"CN=" + value, single);
    FUZZ_REQUIRE(single.commonName == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckKeyText(data, size);
    CheckSubject(vistane_fuzz::Widen(std::string(reinterpret_cast<const char*>(data), size)));
    return 0;
}
