// CertNameToStrW over names decoded with OpenSSL.
#include <openssl/asn1.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/sim/x500_name_keys.h"

namespace winsim::detail {

namespace {

struct NameFree {
    void operator()(X509_NAME* name) const { X509_NAME_free(name); }
};

std::wstring FromUtf8(const unsigned char* text, int length) {
    std::wstring out;
    for (int at = 0; at < length;) {
        unsigned int unit = text[at];
        int extra = unit >= 0xF0 ? 3 : unit >= 0xE0 ? 2 : unit >= 0xC0 ? 1 : 0;
        unsigned int code = extra == 0 ? unit : unit & (0x3Fu >> extra);
        ++at;
        for (; extra > 0 && at < length; --extra, ++at) code = (code << 6) | (text[at] & 0x3Fu);
        out.push_back(static_cast<wchar_t>(code));
    }
    return out;
}

std::wstring KeyOf(const ASN1_OBJECT* type, DWORD format) {
    char oid[128] = {};
    OBJ_obj2txt(oid, sizeof oid, type, 1);
    const std::wstring dotted(oid, oid + std::char_traits<char>::length(oid));
    if (format == CERT_OID_NAME_STR) return dotted;
    for (const X500NameKey& known : kX500NameKeys) {
        if (std::string_view(known.oid) == oid) return known.key;
    }
    return L"OID." + dotted;
}

bool IsTextType(int type) {
    switch (type) {
        case V_ASN1_PRINTABLESTRING: case V_ASN1_T61STRING: case V_ASN1_IA5STRING:
        case V_ASN1_UTF8STRING: case V_ASN1_BMPSTRING: case V_ASN1_UNIVERSALSTRING:
        case V_ASN1_VISIBLESTRING: case V_ASN1_NUMERICSTRING:
            return true;
        default:
            return false;
    }
}

std::wstring ValueOf(const ASN1_STRING* value) {
    if (IsTextType(ASN1_STRING_type(value))) {
        unsigned char* utf8 = nullptr;
        const int length = ASN1_STRING_to_UTF8(&utf8, value);
        if (length >= 0) {
            std::wstring text = FromUtf8(utf8, length);
            OPENSSL_free(utf8);
            return text;
        }
    }
    // Values that are not text come out as "#" and their bytes in hexadecimal.
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text = L"#";
    const unsigned char* data = ASN1_STRING_get0_data(value);
    for (int i = 0; i < ASN1_STRING_length(value); ++i) {
        text.push_back(digits[data[i] >> 4]);
        text.push_back(digits[data[i] & 0x0F]);
    }
    return text;
}

bool NeedsQuotes(const std::wstring& value) {
    if (value.empty()) return true;
    if (value.front() == L' ' || value.back() == L' ') return true;
    return value.find_first_of(L",+=\"\n<>#;") != std::wstring::npos;
}

std::wstring Quoted(const std::wstring& value) {
    std::wstring text = L"\"";
    for (wchar_t unit : value) {
        text.push_back(unit);
        if (unit == L'"') text.push_back(L'"');
    }
    return text + L"\"";
}

// The whole text of a name, RDN by RDN in encoded order (reversed on request).
std::wstring NameText(const X509_NAME* name, DWORD strType) {
    const DWORD format = strType & 0xFFu;
    std::vector<std::vector<std::wstring>> rdns;
    int lastSet = -1;
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        if (X509_NAME_ENTRY_set(entry) != lastSet) {
            rdns.emplace_back();
            lastSet = X509_NAME_ENTRY_set(entry);
        }
        std::wstring value = ValueOf(X509_NAME_ENTRY_get_data(entry));
        if (!(strType & CERT_NAME_STR_NO_QUOTING_FLAG) && NeedsQuotes(value)) value = Quoted(value);
        if (format == CERT_SIMPLE_NAME_STR) {
            rdns.back().push_back(value);
        } else {
            rdns.back().push_back(KeyOf(X509_NAME_ENTRY_get_object(entry), format) + L"=" + value);
        }
    }
    if (strType & CERT_NAME_STR_REVERSE_FLAG) std::reverse(rdns.begin(), rdns.end());

    std::wstring rdnSeparator = L", ";
    if (strType & CERT_NAME_STR_SEMICOLON_FLAG) rdnSeparator = L"; ";
    if (strType & CERT_NAME_STR_CRLF_FLAG) rdnSeparator = L"\r\n";
    const std::wstring attributeSeparator = (strType & CERT_NAME_STR_NO_PLUS_FLAG) ? L" " : L" + ";
    std::wstring text;
    for (size_t r = 0; r < rdns.size(); ++r) {
        if (r) text += rdnSeparator;
        for (size_t a = 0; a < rdns[r].size(); ++a) text += (a ? attributeSeparator : L"") + rdns[r][a];
    }
    return text;
}

}  // namespace

}  // namespace winsim::detail

using namespace winsim::detail;

DWORD WINAPI CertNameToStrW(DWORD dwCertEncodingType, PCERT_NAME_BLOB pName, DWORD dwStrType, LPWSTR psz,
                            DWORD csz) {
    if (Enter("CertNameToStrW", static_cast<DWORD>(E_INVALIDARG))) return 0;
    std::wstring text;
    if (pName != nullptr && pName->pbData != nullptr && (dwCertEncodingType & X509_ASN_ENCODING)) {
        const unsigned char* cursor = pName->pbData;
        std::unique_ptr<X509_NAME, NameFree> name(d2i_X509_NAME(nullptr, &cursor, pName->cbData));
        if (name) text = NameText(name.get(), dwStrType);
    }
    // An undecodable name converts to the empty text; the count always has the terminator.
    if (psz == nullptr || csz == 0) return static_cast<DWORD>(text.size() + 1);
    CopyOut(text, psz, csz);
    return static_cast<DWORD>(std::min<size_t>(text.size(), csz - 1) + 1);
}
