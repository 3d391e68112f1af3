#pragma once

// Internals shared by the certificate, verification and catalog calls.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/sim_core.h"
#include "platform/sim/winsim.h"

typedef struct x509_st X509;

namespace winsim::detail {

// A parsed certificate and everything its CERT_CONTEXT points into. Immutable once
// built; shared by every verification state that hands it out.
struct CertificateModel {
    CertificateModel() = default;
    CertificateModel(const CertificateModel&) = delete;
    CertificateModel& operator=(const CertificateModel&) = delete;
    ~CertificateModel();

    std::vector<BYTE> der;
    std::vector<BYTE> serial;  // little-endian, as CryptoAPI keeps it
    std::string signatureAlgorithm;
    std::vector<BYTE> issuer;
    std::vector<BYTE> subject;
    std::string keyAlgorithm;
    std::vector<BYTE> keyParameters;
    std::vector<BYTE> publicKey;  // the subjectPublicKey bit string's bytes
    std::int64_t notBefore = 0;   // seconds since 1970
    std::int64_t notAfter = 0;
    X509* x509 = nullptr;
    CERT_INFO info{};
    CERT_CONTEXT context{};
};

WINSIM_API std::shared_ptr<const CertificateModel> ModelOf(const Certificate& certificate);

// What a chain evaluation reads of the machine: the signature's certificates and the
// roots trusted at this moment. Gathered under the machine lock; the signature checks
// then run on it without the lock, so that threads verify in parallel.
struct ChainInputs {
    std::shared_ptr<const CertificateModel> signer;
    std::vector<std::shared_ptr<const CertificateModel>> trustedRoots;
    std::vector<std::shared_ptr<const CertificateModel>> carried;
    std::optional<HRESULT> outcome;
};
WINSIM_API ChainInputs GatherChain(const SignatureSpec& signature);

// The chain a signature's certificate builds on this machine and its verdict: 0,
// CERT_E_UNTRUSTEDROOT, CERT_E_CHAINING, TRUST_E_CERT_SIGNATURE or CERT_E_EXPIRED.
struct ChainVerdict {
    HRESULT result = 0;
    std::vector<std::shared_ptr<const CertificateModel>> chain;  // signing certificate first
};
WINSIM_API ChainVerdict EvaluateChain(const ChainInputs& inputs);

WINSIM_API std::vector<BYTE> Sha1(const std::string& content);
WINSIM_API std::wstring UpperHex(const std::vector<BYTE>& bytes);

struct CatalogRecord {
    std::wstring path;
    SignatureSpec signature;
    std::vector<std::vector<BYTE>> members;  // SHA-256 and SHA-1 hashes of the members
};
// The catalog whose file is `path` (case-insensitive), or null. Machine lock held.
WINSIM_API const CatalogRecord* FindCatalog(std::wstring_view path);

// How a catalog member is hashed for an administrator context: no context means SHA-1
// (the only hash it may be left out for); a handle that is no live context is Unknown.
enum class CatalogHash { Sha1, Sha256, Unknown };
WINSIM_API CatalogHash CatalogHashOf(HANDLE admin);

}  // namespace winsim::detail
