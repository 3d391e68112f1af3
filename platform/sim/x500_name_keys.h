#pragma once

// The X.500 keys CertNameToStr prints for attribute types it knows; any other type is
// printed as "OID." followed by its dotted number.
namespace winsim::detail {

struct X500NameKey {
    const char* oid;
    const wchar_t* key;
};

inline constexpr X500NameKey kX500NameKeys[] = {
    {"2.5.4.3", L"CN"},
    {"2.5.4.4", L"SN"},
    {"2.5.4.5", L"SERIALNUMBER"},
    {"2.5.4.6", L"C"},
    {"2.5.4.7", L"L"},
    {"2.5.4.8", L"S"},
    {"2.5.4.9", L"STREET"},
    {"2.5.4.10", L"O"},
    {"2.5.4.11", L"OU"},
    {"2.5.4.12", L"T"},
    {"2.5.4.13", L"Description"},
    {"2.5.4.17", L"PostalCode"},
    {"2.5.4.18", L"POBox"},
    {"2.5.4.20", L"Phone"},
    {"2.5.4.42", L"G"},
    {"2.5.4.43", L"I"},
    {"2.5.4.46", L"dnQualifier"},
    {"1.2.840.113549.1.9.1", L"E"},
    {"0.9.2342.19200300.100.1.1", L"UID"},
    {"0.9.2342.19200300.100.1.25", L"DC"},
};

}  // namespace winsim::detail
