#include <gtest/gtest.h>

#include <openssl/x509.h>

#include "platform/sim/sim_trust.h"
#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

class TrustCallsTest : public vistane_test::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        winsim::TrustRoot(winsim::LoadCertificate("test-root"));
    }
};

CERT_NAME_BLOB SubjectOf(const std::string& certificate) {
    return winsim::detail::ModelOf(winsim::LoadCertificate(certificate))->info.Subject;
}

std::wstring NameText(const std::string& certificate, DWORD type) {
    CERT_NAME_BLOB name = SubjectOf(certificate);
    WCHAR buffer[512] = {};
    CertNameToStrW(X509_ASN_ENCODING, &name, type, buffer, 512);
    return buffer;
}

TEST_F(TrustCallsTest, NamesPrintInEncodedOrderWithTheChosenSeparatorsAndQuoting) {
    EXPECT_EQ(NameText("odd-subject", CERT_X500_NAME_STR | CERT_NAME_STR_CRLF_FLAG | CERT_NAME_STR_NO_QUOTING_FLAG),
              L"C=DE\r\nS=Bayern\r\nL=M\u00FCnchen\r\nO=\u00D6rlent W\u00F6rks\r\nOU=First Unit\r\nOU=Team=A\r\n"
              L"CN=Odd Subject Signer\r\nE=signer@example.test");
    EXPECT_EQ(NameText("dropbox-like", CERT_X500_NAME_STR),
              L"C=US, S=California, L=San Francisco, O=\"Dropbox, Inc\", CN=\"Dropbox, Inc\"");
    EXPECT_EQ(NameText("test-root", CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG),
              L"CN=Orlent Works Test Root, O=Orlent Works Test, C=US");
    EXPECT_EQ(NameText("test-root", CERT_OID_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG),
              L"2.5.4.6=US; 2.5.4.10=Orlent Works Test; 2.5.4.3=Orlent Works Test Root");
    EXPECT_EQ(NameText("test-root", CERT_SIMPLE_NAME_STR), L"US, Orlent Works Test, Orlent Works Test Root");
}

TEST_F(TrustCallsTest, NameCountsIncludeTheTerminatorAndShortBuffersAreCut) {
    CERT_NAME_BLOB name = SubjectOf("test-root");
    const std::wstring full = L"C=US, O=Orlent Works Test, CN=Orlent Works Test Root";
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, nullptr, 0), full.size() + 1);
    WCHAR small[6] = {L'?', L'?', L'?', L'?', L'?', L'?'};
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, small, 6), 6u);
    EXPECT_STREQ(small, L"C=US,");
    BYTE garbage[] = {0x01, 0x02};
    CERT_NAME_BLOB bad{2, garbage};
    WCHAR buffer[8] = {L'?'};
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &bad, CERT_X500_NAME_STR, buffer, 8), 1u);
    EXPECT_STREQ(buffer, L"");
    EXPECT_NO_LOG();
}

TEST_F(TrustCallsTest, CertificateContextCarriesTheDerSubjectAndTheRsaPublicKey) {
    const auto model2048 = winsim::detail::ModelOf(winsim::LoadCertificate("pinned-2048-a"));
    const CERT_INFO& info = *model2048->context.pCertInfo;
    EXPECT_EQ(info.SubjectPublicKeyInfo.PublicKey.cbData, 270u);
    EXPECT_EQ(info.SubjectPublicKeyInfo.PublicKey.cUnusedBits, 0u);
    EXPECT_STREQ(info.SubjectPublicKeyInfo.Algorithm.pszObjId, "1.2.840.113549.1.1.1");
    EXPECT_STREQ(info.SignatureAlgorithm.pszObjId, "1.2.840.113549.1.1.5") << "SHA-1 with RSA";
    EXPECT_EQ(info.Subject.pbData[0], 0x30) << "a DER sequence";
    EXPECT_EQ(info.Issuer.cbData, SubjectOf("test-root").cbData);
    EXPECT_EQ(model2048->context.cbCertEncoded, model2048->der.size());
    const auto model3072 = winsim::detail::ModelOf(winsim::LoadCertificate("pinned-3072-a"));
    EXPECT_EQ(model3072->info.SubjectPublicKeyInfo.PublicKey.cbData, 398u);
}

struct Verified {
    LONG result;
    DWORD secondary;
    bool hasSigner;
};

Verified VerifyFile(const std::wstring& path, DWORD index, DWORD revocation = WTD_REVOKE_NONE, DWORD flags = 0) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file{sizeof(WINTRUST_FILE_INFO), path.c_str(), nullptr, nullptr};
    WINTRUST_SIGNATURE_SETTINGS settings{};
    settings.cbStruct = sizeof settings;
    settings.dwFlags = WSS_VERIFY_SPECIFIC | WSS_GET_SECONDARY_SIG_COUNT;
    settings.dwIndex = index;
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = revocation;
    data.dwProvFlags = flags;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.pSignatureSettings = &settings;
    Verified verified{WinVerifyTrust(nullptr, &action, &data), settings.cSecondarySigs, false};
    EXPECT_EQ(winsim::OpenCount("trust state"), 1) << "every verify leaves a state";
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
    verified.hasSigner = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) != nullptr;
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    EXPECT_EQ(WinVerifyTrust(nullptr, &action, &data), 0);
    EXPECT_EQ(WinVerifyTrust(nullptr, &action, &data), E_INVALIDARG) << "a state is closed once";
    return verified;
}

TEST_F(TrustCallsTest, VerificationAnswersFromChainClockAndContent) {
    const std::wstring path = L"C:\\p.exe";
    winsim::AddFile(path, "program");
    EXPECT_EQ(VerifyFile(path, 0).result, TRUST_E_NOSIGNATURE);
    EXPECT_FALSE(VerifyFile(path, 0).hasSigner);

    winsim::SignFile(path, {winsim::LoadCertificate("pinned-2048-a")});
    EXPECT_EQ(VerifyFile(path, 0).result, 0);
    EXPECT_TRUE(VerifyFile(path, 0).hasSigner);
    winsim::SignFile(path, {winsim::LoadCertificate("expired-pinned")});
    EXPECT_EQ(VerifyFile(path, 0).result, CERT_E_EXPIRED);
    winsim::SignFile(path, {winsim::LoadCertificate("untrusted-root-pinned")});
    EXPECT_EQ(VerifyFile(path, 0).result, CERT_E_CHAINING) << "the issuer is nowhere";
    winsim::SignFile(path, {winsim::LoadCertificate("untrusted-root-pinned"), {winsim::LoadCertificate("rogue-root")}});
    EXPECT_EQ(VerifyFile(path, 0).result, CERT_E_UNTRUSTEDROOT);
    EXPECT_EQ(VerifyFile(path, 0, WTD_REVOKE_NONE, WTD_HASH_ONLY_FLAG).result, 0) << "the chain is not asked";
    winsim::TrustRoot(winsim::LoadCertificate("rogue-root"));
    EXPECT_EQ(VerifyFile(path, 0).result, 0);
    // Revocation asked for cannot be answered offline; a flag may turn it off.
    EXPECT_EQ(VerifyFile(path, 0, WTD_REVOKE_WHOLECHAIN).result, CERT_E_REVOCATION_FAILURE);
    EXPECT_EQ(VerifyFile(path, 0, WTD_REVOKE_NONE, WTD_REVOCATION_CHECK_END_CERT).result, CERT_E_REVOCATION_FAILURE);
    EXPECT_EQ(VerifyFile(path, 0, WTD_REVOKE_WHOLECHAIN, WTD_REVOCATION_CHECK_NONE).result, 0);

    winsim::SetFileContent(path, "program, changed");
    EXPECT_EQ(VerifyFile(path, 0).result, TRUST_E_BAD_DIGEST);
    EXPECT_EQ(VerifyFile(path, 0, WTD_REVOKE_NONE, WTD_HASH_ONLY_FLAG).result, TRUST_E_BAD_DIGEST);
    winsim::DistrustRoot(winsim::LoadCertificate("test-root"));
    winsim::SignFile(path, {winsim::LoadCertificate("pinned-2048-a")});
    EXPECT_EQ(VerifyFile(path, 0).result, CERT_E_CHAINING);
    EXPECT_EQ(VerifyFile(L"C:\\missing.exe", 0).result, TRUST_E_NOSIGNATURE);

    // The signature is part of the file and goes where it goes; a file somebody writes
    // cannot be opened for verification.
    ASSERT_TRUE(MoveFileExW(path.c_str(), L"C:\\q.exe", 0));
    EXPECT_EQ(VerifyFile(L"C:\\q.exe", 0).result, CERT_E_CHAINING);
    winsim::AddFile(path, "program");
    EXPECT_EQ(VerifyFile(path, 0).result, TRUST_E_NOSIGNATURE) << "a new file at the old name is unsigned";
    const HANDLE writer = CreateFileW(L"C:\\q.exe", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(VerifyFile(L"C:\\q.exe", 0).result, TRUST_E_NOSIGNATURE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(CloseHandle(writer));
}

TEST_F(TrustCallsTest, SignatureSettingsSelectAndCountNestedSignatures) {
    const std::wstring path = L"C:\\p.exe";
    winsim::AddFile(path, "program");
    winsim::SignFile(path, {winsim::LoadCertificate("expired-pinned")});
    winsim::AddNestedSignature(path, {winsim::LoadCertificate("pinned-3072-a")});
    const Verified primary = VerifyFile(path, 0);
    EXPECT_EQ(primary.result, CERT_E_EXPIRED);
    EXPECT_EQ(primary.secondary, 1u);
    EXPECT_EQ(VerifyFile(path, 1).result, 0);
    EXPECT_EQ(VerifyFile(path, 2).result, TRUST_E_NOSIGNATURE);
    EXPECT_EQ(VerifyFile(path, 2).secondary, 1u);
}

TEST_F(TrustCallsTest, UnknownActionAndShortRequestsAreRefusedWithoutState) {
    GUID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    EXPECT_EQ(WinVerifyTrust(nullptr, &other, &data), TRUST_E_PROVIDER_UNKNOWN);
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    data.cbStruct = 12;
    EXPECT_EQ(WinVerifyTrust(nullptr, &action, &data), E_INVALIDARG);
    data.cbStruct = sizeof data;
    data.dwUnionChoice = WTD_CHOICE_BLOB;
    EXPECT_EQ(WinVerifyTrust(nullptr, &action, &data), TRUST_E_SUBJECT_FORM_UNKNOWN);
    EXPECT_EQ(data.hWVTStateData, nullptr);
}

TEST_F(TrustCallsTest, CatalogAdminHashesAndFindsCatalogsInOrder) {
    EXPECT_EQ(winsim::detail::UpperHex(winsim::Sha256("abc")).substr(0, 16), L"BA7816BF8F01CFEA");
    winsim::AddFile(L"C:\\f.sys", "abc");
    winsim::AddCatalog(L"C:\\a.cat", {winsim::LoadCertificate("pinned-2048-a")});
    winsim::AddCatalog(L"C:\\b.cat", {winsim::LoadCertificate("pinned-2048-a")});
    winsim::AddCatalogMember(L"C:\\a.cat", L"C:\\f.sys");
    winsim::AddCatalogMember(L"C:\\b.cat", L"C:\\f.sys");

    HCATADMIN admin = nullptr;
    ASSERT_TRUE(CryptCATAdminAcquireContext2(&admin, nullptr, L"SHA256", nullptr, 0));
    HANDLE file = CreateFileW(L"C:\\f.sys", GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD length = 0;
    EXPECT_FALSE(CryptCATAdminCalcHashFromFileHandle2(admin, file, &length, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_EQ(length, 32u);
    BYTE hash[32];
    ASSERT_TRUE(CryptCATAdminCalcHashFromFileHandle2(admin, file, &length, hash, 0));
    CloseHandle(file);
    EXPECT_EQ(std::vector<BYTE>(hash, hash + 32), winsim::Sha256("abc"));

    HCATINFO first = CryptCATAdminEnumCatalogFromHash(admin, hash, 32, 0, nullptr);
    ASSERT_NE(first, nullptr);
    CATALOG_INFO info{};
    info.cbStruct = sizeof info;
    ASSERT_TRUE(CryptCATCatalogInfoFromContext(first, &info, 0));
    EXPECT_STREQ(info.wszCatalogFile, L"C:\\a.cat");
    HCATINFO previous = first;
    HCATINFO second = CryptCATAdminEnumCatalogFromHash(admin, hash, 32, 0, &previous);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(previous, nullptr) << "continuing releases the previous context";
    ASSERT_TRUE(CryptCATCatalogInfoFromContext(second, &info, 0));
    EXPECT_STREQ(info.wszCatalogFile, L"C:\\b.cat");
    previous = second;
    EXPECT_EQ(CryptCATAdminEnumCatalogFromHash(admin, hash, 32, 0, &previous), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_FOUND));
    EXPECT_EQ(winsim::LedgerReport(), "catalog admin=1");
    EXPECT_TRUE(CryptCATAdminReleaseContext(admin, 0));
    EXPECT_FALSE(CryptCATAdminReleaseContext(admin, 0)) << "released once";
}

TEST_F(TrustCallsTest, CatalogAdminDefaultsToSha1AndRefusesUnknownAlgorithms) {
    winsim::AddFile(L"C:\\f.sys", "abc");
    HCATADMIN admin = nullptr;
    ASSERT_TRUE(CryptCATAdminAcquireContext2(&admin, nullptr, nullptr, nullptr, 0));
    HANDLE file = CreateFileW(L"C:\\f.sys", GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD length = 0;
    CryptCATAdminCalcHashFromFileHandle2(admin, file, &length, nullptr, 0);
    EXPECT_EQ(length, 20u);
    CloseHandle(file);
    CryptCATAdminReleaseContext(admin, 0);
    HCATADMIN refused = nullptr;
    EXPECT_FALSE(CryptCATAdminAcquireContext2(&refused, nullptr, L"MD5", nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_BAD_ALGID));
    EXPECT_EQ(refused, nullptr);
}

TEST_F(TrustCallsTest, CatalogMemberVerificationChecksTagAndContent) {
    winsim::AddFile(L"C:\\f.sys", "abc");
    winsim::AddCatalog(L"C:\\a.cat", {winsim::LoadCertificate("pinned-2048-a")});
    winsim::AddCatalogMember(L"C:\\a.cat", L"C:\\f.sys");
    const std::wstring tag = winsim::detail::UpperHex(winsim::Sha256("abc"));
    HCATADMIN sha256 = nullptr;
    ASSERT_TRUE(CryptCATAdminAcquireContext2(&sha256, nullptr, L"SHA256", nullptr, 0));
    auto verify = [&](const wchar_t* catalog, const std::wstring& memberTag, HCATADMIN admin) {
        GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
        WINTRUST_CATALOG_INFO member{};
        member.cbStruct = sizeof member;
        member.pcwszCatalogFilePath = catalog;
        member.pcwszMemberTag = memberTag.c_str();
        member.pcwszMemberFilePath = L"C:\\f.sys";
        member.hCatAdmin = admin;
        WINTRUST_DATA data{};
        data.cbStruct = sizeof data;
        data.dwUnionChoice = WTD_CHOICE_CATALOG;
        data.pCatalog = &member;
        data.dwStateAction = WTD_STATEACTION_VERIFY;
        const LONG result = WinVerifyTrust(nullptr, &action, &data);
        data.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(nullptr, &action, &data);
        return result;
    };
    EXPECT_EQ(verify(L"C:\\A.CAT", tag, sha256), 0);
    EXPECT_EQ(verify(L"C:\\none.cat", tag, sha256), TRUST_E_NOSIGNATURE);
    EXPECT_EQ(verify(L"C:\\a.cat", std::wstring(64, L'0'), sha256), TRUST_E_NOSIGNATURE);
    EXPECT_EQ(verify(L"C:\\a.cat", tag, nullptr), TRUST_E_BAD_DIGEST) << "no context hashes with SHA-1";
    winsim::SetFileContent(L"C:\\f.sys", "abd");
    EXPECT_EQ(verify(L"C:\\a.cat", tag, sha256), TRUST_E_BAD_DIGEST);
    CryptCATAdminReleaseContext(sha256, 0);
    EXPECT_EQ(verify(L"C:\\a.cat", tag, sha256), E_INVALIDARG) << "a released context is refused";
}

}  // namespace

namespace {

// An encoded name built here: attribute by attribute, `sameRdn` joining the previous RDN.
struct NameBuilder {
    NameBuilder() : name(X509_NAME_new()) {}
    ~NameBuilder() { X509_NAME_free(name); }
    NameBuilder& Add(const char* type, const char* value, bool sameRdn = false) {
        X509_NAME_add_entry_by_txt(name, type, MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(value), -1,
                                   sameRdn ? X509_NAME_entry_count(name) - 1 : -1, sameRdn ? 1 : 0);
        return *this;
    }
    std::wstring Text(DWORD type) {
        unsigned char* der = nullptr;
        const int length = i2d_X509_NAME(name, &der);
        CERT_NAME_BLOB blob{static_cast<DWORD>(length), der};
        WCHAR buffer[256] = {};
        CertNameToStrW(X509_ASN_ENCODING, &blob, type, buffer, 256);
        OPENSSL_free(der);
        return buffer;
    }
    X509_NAME* name;
};

TEST_F(TrustCallsTest, MultiValuedRdnsAndUnknownAttributeTypes) {
    NameBuilder name;
    name.Add("CN", "Kim").Add("title", "Programmer", true).Add("1.2.3.4.5.6", "Unknown").Add("OU", " padded ");
    EXPECT_EQ(name.Text(CERT_X500_NAME_STR), L"CN=Kim + T=Programmer, OID.1.2.3.4.5.6=Unknown, OU=\" padded \"");
    EXPECT_EQ(name.Text(CERT_X500_NAME_STR | CERT_NAME_STR_NO_PLUS_FLAG | CERT_NAME_STR_NO_QUOTING_FLAG),
              L"CN=Kim T=Programmer, OID.1.2.3.4.5.6=Unknown, OU= padded ");
    EXPECT_EQ(name.Text(CERT_SIMPLE_NAME_STR | CERT_NAME_STR_CRLF_FLAG), L"Kim + Programmer\r\nUnknown\r\n\" padded \"");
    NameBuilder quotes;
    quotes.Add("O", "Say \"hi\"");
    EXPECT_EQ(quotes.Text(CERT_X500_NAME_STR), L"O=\"Say \"\"hi\"\"\"");
    EXPECT_NO_LOG();
}

}  // namespace
