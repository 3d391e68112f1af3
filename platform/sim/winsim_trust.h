#pragma once

// Control API of certificates, Authenticode signatures and security catalogs.
//
// Certificates are real X.509 certificates (DER), loaded by name from the fixtures
// folder the program names. A typical machine:
//
//   winsim::SetFixturesDirectory(folder);  // once per program, kept across Reset
//   winsim::TrustRoot(winsim::LoadCertificate("test-root"));
//   winsim::AddFile(L"C:\\Program Files\\A\\setup.exe", "program bytes");
//   winsim::SignFile(L"C:\\Program Files\\A\\setup.exe", {winsim::LoadCertificate("pinned-2048-a")});
//
// WinVerifyTrust then answers from the chain, the clock and the content:
//   - 0 when the signing certificate chains to a trusted root and every certificate of the
//     chain is valid today (the real date: the virtual clock only counts sleeps);
//   - CERT_E_UNTRUSTEDROOT when the chain ends in a root that is not trusted (the root
//     must travel with the signature: SignatureSpec::chain);
//   - CERT_E_CHAINING when the issuer is nowhere to be found;
//   - CERT_E_EXPIRED when the chain is trusted but the signing certificate is out of date;
//   - TRUST_E_BAD_DIGEST when the file's content changed after it was signed;
//   - TRUST_E_NOSIGNATURE for an unsigned file, or an index past the last signature.
// SignatureSpec::outcome overrides the first four for cases no certificate models.
// The request is read as Windows reads it: revocation asked for (WTD_REVOKE_WHOLECHAIN
// or a WTD_REVOCATION_CHECK_* flag, unless WTD_REVOCATION_CHECK_NONE) turns a good chain
// into CERT_E_REVOCATION_FAILURE, as no certificate here can be shown unrevoked;
// WTD_HASH_ONLY_FLAG checks the content alone; a catalog member is hashed as its
// request's administrator context hashes (none: SHA-1), and a released context is
// refused with E_INVALIDARG. Every other field is recorded (VerificationRequests).
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/winsim.h"

namespace winsim {

struct Certificate {
    std::string name;       // fixture name, or what the test called it
    std::vector<BYTE> der;  // the encoded certificate
};

// <fixtures folder>/certs/<name>.crt (PEM). Throws std::runtime_error when missing or
// bad, or when no fixtures folder was named.
WINSIM_API Certificate LoadCertificate(const std::string& fixtureName);
WINSIM_API Certificate CertificateFromPem(const std::string& name, const std::string& pem);
// The folder fixtures are read from: the simulation knows none until it is told.
WINSIM_API void SetFixturesDirectory(const std::string& folder);
WINSIM_API std::string FixturesDirectory();

// The machine's trusted root store (empty on a reset machine).
WINSIM_API void TrustRoot(const Certificate& root);
WINSIM_API void DistrustRoot(const Certificate& root);

struct SignatureSpec {
    Certificate certificate;              // the signing certificate
    std::vector<Certificate> chain = {};  // further certificates the signature carries
    std::optional<HRESULT> outcome = {};  // forced chain verdict (0, CERT_E_...)
};

// Replaces the file's embedded signatures: the first is the primary signature, the
// others are nested, in order. The content at this moment is what they vouch for.
// The file must exist (std::runtime_error otherwise).
WINSIM_API void SignFile(const std::wstring& path, const std::vector<SignatureSpec>& signatures);
WINSIM_API void SignFile(const std::wstring& path, const SignatureSpec& signature);
// Adds one nested signature (or the primary one to an unsigned file).
WINSIM_API void AddNestedSignature(const std::wstring& path, const SignatureSpec& signature);
WINSIM_API void RemoveSignatures(const std::wstring& path);

// The catalog database. Catalogs are searched in the order they were added.
// `path` is the catalog file Windows reports, e.g.
// C:\Windows\System32\CatRoot\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\x.cat.
WINSIM_API void AddCatalog(const std::wstring& path, const SignatureSpec& signature);
// Lists the file's content as it is now (its SHA-256 and SHA-1 hashes) in the catalog.
// The file and the catalog must exist (std::runtime_error otherwise).
WINSIM_API void AddCatalogMember(const std::wstring& catalogPath, const std::wstring& filePath);

// Every WinVerifyTrust verify request since the reset, field by field as text:
// "hwnd=desktop size=88 ui=2 revocation=0 state=1 provFlags=0x0 ... catalog=(...)".
WINSIM_API std::vector<std::wstring> VerificationRequests();

// SHA-256 of some content, as CryptCATAdminCalcHashFromFileHandle2 computes it.
WINSIM_API std::vector<BYTE> Sha256(const std::string& content);

}  // namespace winsim
