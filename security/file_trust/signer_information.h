#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace Qv::Vantix::Security {

// One accepted signature of a file: the signing key as text, what Windows said of the
// signature, and the subject fields of the signing certificate. Carries no verdict.
struct SignerInformation {
    SignerInformation() = default;
    // Identity rows: note locality before organization; the key text stays empty.
    SignerInformation(std::wstring commonName, std::wstring organizationalUnit, std::wstring locality,
                      std::wstring organization, std::wstring state, std::wstring country, std::wstring issuer)
        : commonName(std::move(commonName)),
          organizationalUnit(std::move(organizationalUnit)),
          organization(std::move(organization)),
          locality(std::move(locality)),
          state(std::move(state)),
          country(std::move(country)),
          issuer(std::move(issuer)) {}

    std::string publicKey;      // DER public key as "30 82 01 0a ..."
    std::int32_t status = 0;    // WinVerifyTrust result: 0, CERT_E_UNTRUSTEDROOT, CERT_E_EXPIRED
    std::wstring commonName;
    std::wstring organizationalUnit;
    std::wstring organization;
    std::wstring locality;
    std::wstring state;
    std::wstring country;
    std::wstring issuer;        // issuing CA's common name; set only in identity rows
};

}  // namespace Qv::Vantix::Security
