// Certificates: parsing with OpenSSL into the CryptoAPI layout, the trusted root
// store, chain evaluation and the hashes the catalog calls use.
#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_trust.h"

namespace winsim::detail {

namespace {

// Deleters for the OpenSSL objects this file holds briefly.
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct BignumFree {
    void operator()(BIGNUM* number) const { BN_free(number); }
};

struct TrustStoreState {
    std::map<std::vector<BYTE>, std::shared_ptr<const CertificateModel>> trustedRoots;  // by DER
};

TrustStoreState& Store() {
    static auto* state = new TrustStoreState();
    return *state;
}

// Parsed certificates never change, so they outlive resets and are shared.
std::map<std::vector<BYTE>, std::shared_ptr<const CertificateModel>>& ModelCache() {
    static auto* cache = new std::map<std::vector<BYTE>, std::shared_ptr<const CertificateModel>>();
    return *cache;
}

const ResetHookRegistrar resetTrustStore([] { Store() = TrustStoreState(); });

std::vector<BYTE> EncodeName(const X509_NAME* name) {
    unsigned char* encoded = nullptr;
    const int length = i2d_X509_NAME(name, &encoded);
    if (length <= 0) throw std::runtime_error("certificate name cannot be encoded");
    std::vector<BYTE> bytes(encoded, encoded + length);
    OPENSSL_free(encoded);
    return bytes;
}

std::string ObjectText(const ASN1_OBJECT* object) {
    char text[128] = {};
    OBJ_obj2txt(text, sizeof text, object, 1);
    return text;
}

std::int64_t SecondsOf(const ASN1_TIME* time) {
    std::tm parts{};
    if (ASN1_TIME_to_tm(time, &parts) != 1) throw std::runtime_error("certificate time is unreadable");
    return static_cast<std::int64_t>(timegm(&parts));
}

FILETIME FileTimeOf(std::int64_t seconds) {
    // 100-nanosecond intervals since 1601-01-01.
    const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
    return {static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

CRYPT_DATA_BLOB Blob(const std::vector<BYTE>& bytes) {
    return {static_cast<DWORD>(bytes.size()), bytes.empty() ? nullptr : const_cast<BYTE*>(bytes.data())};
}

std::shared_ptr<const CertificateModel> Parse(const std::vector<BYTE>& der) {
    auto model = std::make_shared<CertificateModel>();
    model->der = der;
    const unsigned char* cursor = model->der.data();
    model->x509 = d2i_X509(nullptr, &cursor, static_cast<long>(model->der.size()));
    if (model->x509 == nullptr) throw std::runtime_error("not a DER certificate");
    X509* x = model->x509;

    std::unique_ptr<BIGNUM, BignumFree> serial(ASN1_INTEGER_to_BN(X509_get0_serialNumber(x), nullptr));
    model->serial.resize(static_cast<size_t>(std::max(1, BN_num_bytes(serial.get()))));
    BN_bn2lebinpad(serial.get(), model->serial.data(), static_cast<int>(model->serial.size()));

    const ASN1_OBJECT* signatureObject = nullptr;
    X509_ALGOR_get0(&signatureObject, nullptr, nullptr, X509_get0_tbs_sigalg(x));
    model->signatureAlgorithm = ObjectText(signatureObject);
    model->issuer = EncodeName(X509_get_issuer_name(x));
    model->subject = EncodeName(X509_get_subject_name(x));

    ASN1_OBJECT* keyObject = nullptr;
    X509_ALGOR* keyAlgorithm = nullptr;
    X509_PUBKEY_get0_param(&keyObject, nullptr, nullptr, &keyAlgorithm, X509_get_X509_PUBKEY(x));
    model->keyAlgorithm = ObjectText(keyObject);
    int parameterType = 0;
    const void* parameter = nullptr;
    X509_ALGOR_get0(nullptr, &parameterType, &parameter, keyAlgorithm);
    if (parameterType == V_ASN1_NULL) model->keyParameters = {0x05, 0x00};
    const ASN1_BIT_STRING* key = X509_get0_pubkey_bitstr(x);
    model->publicKey.assign(key->data, key->data + key->length);
    model->notBefore = SecondsOf(X509_get0_notBefore(x));
    model->notAfter = SecondsOf(X509_get0_notAfter(x));

    CERT_INFO& info = model->info;
    info.dwVersion = static_cast<DWORD>(X509_get_version(x));
    info.SerialNumber = Blob(model->serial);
    info.SignatureAlgorithm.pszObjId = const_cast<char*>(model->signatureAlgorithm.c_str());
    info.Issuer = Blob(model->issuer);
    info.NotBefore = FileTimeOf(model->notBefore);
    info.NotAfter = FileTimeOf(model->notAfter);
    info.Subject = Blob(model->subject);
    info.SubjectPublicKeyInfo.Algorithm.pszObjId = const_cast<char*>(model->keyAlgorithm.c_str());
    info.SubjectPublicKeyInfo.Algorithm.Parameters = Blob(model->keyParameters);
    info.SubjectPublicKeyInfo.PublicKey = {static_cast<DWORD>(model->publicKey.size()),
                                           const_cast<BYTE*>(model->publicKey.data()), 0};
    model->context.dwCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    model->context.pbCertEncoded = const_cast<BYTE*>(model->der.data());
    model->context.cbCertEncoded = static_cast<DWORD>(model->der.size());
    model->context.pCertInfo = &model->info;
    return model;
}

bool Issued(const CertificateModel& issuer, const CertificateModel& subject) {
    return subject.issuer == issuer.subject;
}

// Only reads the two certificates, which OpenSSL allows from several threads at once:
// this is what lets verifications run outside the machine lock.
bool SignatureVerifies(const CertificateModel& issuer, const CertificateModel& subject) {
    EVP_PKEY* key = X509_get0_pubkey(issuer.x509);
    return key != nullptr && X509_verify(subject.x509, key) == 1;
}

std::vector<BYTE> Digest(const EVP_MD* algorithm, const std::string& content) {
    std::vector<BYTE> digest(static_cast<size_t>(EVP_MD_get_size(algorithm)));
    unsigned int length = 0;
    EVP_Digest(content.data(), content.size(), digest.data(), &length, algorithm, nullptr);
    digest.resize(length);
    return digest;
}

}  // namespace

CertificateModel::~CertificateModel() { X509_free(x509); }

std::shared_ptr<const CertificateModel> ModelOf(const Certificate& certificate) {
    MachineLock lock(MachineMutex());
    auto& cache = ModelCache();
    auto found = cache.find(certificate.der);
    if (found != cache.end()) return found->second;
    auto model = Parse(certificate.der);
    cache.emplace(certificate.der, model);
    return model;
}

ChainInputs GatherChain(const SignatureSpec& signature) {
    MachineLock lock(MachineMutex());
    ChainInputs inputs;
    inputs.signer = ModelOf(signature.certificate);
    for (const auto& [der, root] : Store().trustedRoots) inputs.trustedRoots.push_back(root);
    for (const auto& carried : signature.chain) inputs.carried.push_back(ModelOf(carried));
    inputs.outcome = signature.outcome;
    return inputs;
}

ChainVerdict EvaluateChain(const ChainInputs& inputs) {
    ChainVerdict verdict;
    verdict.chain.push_back(inputs.signer);
    std::vector<std::shared_ptr<const CertificateModel>> candidates = inputs.trustedRoots;
    candidates.insert(candidates.end(), inputs.carried.begin(), inputs.carried.end());
    const auto isTrustedRoot = [&inputs](const CertificateModel& certificate) {
        return std::any_of(inputs.trustedRoots.begin(), inputs.trustedRoots.end(),
                           [&certificate](const auto& root) { return root->der == certificate.der; });
    };

    HRESULT chainResult = 0;
    bool trusted = false;
    // Walk issuer by issuer; a chain longer than eight is not something we build.
    for (int depth = 0; depth < 8; ++depth) {
        const CertificateModel& current = *verdict.chain.back();
        if (isTrustedRoot(current)) {
            trusted = true;
            break;
        }
        const bool selfIssued = current.issuer == current.subject;
        if (selfIssued) break;
        std::shared_ptr<const CertificateModel> issuer;
        bool nameMatched = false;
        for (const auto& candidate : candidates) {
            if (!Issued(*candidate, current)) continue;
            nameMatched = true;
            if (SignatureVerifies(*candidate, current)) {
                issuer = candidate;
                break;
            }
        }
        if (!issuer) {
            chainResult = nameMatched ? TRUST_E_CERT_SIGNATURE : CERT_E_CHAINING;
            break;
        }
        verdict.chain.push_back(issuer);
    }
    if (chainResult == 0 && !trusted) chainResult = CERT_E_UNTRUSTEDROOT;
    if (chainResult == 0) {
        const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
        for (const auto& link : verdict.chain) {
            if (now < link->notBefore || now > link->notAfter) chainResult = CERT_E_EXPIRED;
        }
    }
    verdict.result = inputs.outcome.value_or(chainResult);
    return verdict;
}

std::vector<BYTE> Sha1(const std::string& content) { return Digest(EVP_sha1(), content); }

std::wstring UpperHex(const std::vector<BYTE>& bytes) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (BYTE byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0F]);
    }
    return text;
}

}  // namespace winsim::detail

namespace winsim {

using namespace detail;

namespace {

// Set by the program that uses the simulation, once: not part of the machine.
std::string& FixturesFolder() {
    static auto* folder = new std::string();
    return *folder;
}

}  // namespace

void SetFixturesDirectory(const std::string& folder) {
    MachineLock lock(MachineMutex());
    FixturesFolder() = folder;
}

std::string FixturesDirectory() {
    MachineLock lock(MachineMutex());
    return FixturesFolder();
}

Certificate CertificateFromPem(const std::string& name, const std::string& pem) {
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    X509* x = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
    if (x == nullptr) throw std::runtime_error("not a PEM certificate: " + name);
    unsigned char* der = nullptr;
    const int length = i2d_X509(x, &der);
    X509_free(x);
    if (length <= 0) throw std::runtime_error("certificate cannot be encoded: " + name);
    Certificate certificate{name, std::vector<BYTE>(der, der + length)};
    OPENSSL_free(der);
    return certificate;
}

Certificate LoadCertificate(const std::string& fixtureName) {
    const std::string folder = FixturesDirectory();
    if (folder.empty()) throw std::runtime_error("no fixtures folder to load " + fixtureName + " from: SetFixturesDirectory");
    const std::string path = folder + "/certs/" + fixtureName + ".crt";
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("no certificate fixture " + path);
    std::ostringstream pem;
    pem << file.rdbuf();
    return CertificateFromPem(fixtureName, pem.str());
}

void TrustRoot(const Certificate& root) {
    MachineLock lock(MachineMutex());
    auto model = ModelOf(root);  // refuse what does not parse
    Store().trustedRoots[root.der] = std::move(model);
}

void DistrustRoot(const Certificate& root) {
    MachineLock lock(MachineMutex());
    Store().trustedRoots.erase(root.der);
}

std::vector<BYTE> Sha256(const std::string& content) { return Digest(EVP_sha256(), content); }

}  // namespace winsim
