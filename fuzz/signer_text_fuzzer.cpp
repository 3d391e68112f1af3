// Signer text: subject lines and key bytes. Parsing a subject never fails and fills a
// field only from a line of its exact key; the key text is two lower-case hex digits
// per byte, one blank between, and reads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "security/signer_extraction.h"
#include "security/signer_information.h"

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

void CheckSubject(const std::wstring& subject) {
    SignerInformation record;
    Helper::ParseSubject(subject, record);
    FUZZ_REQUIRE(record.publicKey.empty() && record.issuer.empty() && record.status == 0);
    // A field is set only when some line carries its key before an equals sign.
    if (!record.commonName.empty()) FUZZ_REQUIRE(subject.find(L"CN=") != std::wstring::npos);
    if (!record.country.empty()) FUZZ_REQUIRE(subject.find(L"C=") != std::wstring::npos);

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
