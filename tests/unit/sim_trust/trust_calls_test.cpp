// Signatures, catalogs and certificate names as the simulated Windows answers them:
// the verdicts of WinVerifyTrust on every kind of chain, the catalog database and
// CertNameToStrW's formats.
#include <gtest/gtest.h>

#include <openssl/x509.h>

#include "platform/sim/sim_trust.h"
#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

using winsim::LoadCertificate;

class TrustCallsTest : public vistane_test::SimCallTest {
protected:
    void SetUp() override {
        SimCallTest::SetUp();
        winsim::TrustRoot(LoadCertificate("test-root"));
        winsim::AddFile(kPath, "program");
    }
    const std::wstring kPath = L"C:\\p.exe";
};

struct Verified {
    LONG result;
    DWORD secondary;
    bool hasSigner;
};

// One verification, closed again as a caller must; a state is closed once.
Verified VerifyFile(const std::wstring& path, DWORD index = 0, DWORD revocation = WTD_REVOKE_NONE, DWORD flags = 0) {
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
    EXPECT_EQ(WinVerifyTrust(nullptr, &action, &data), E_INVALIDARG);
    return verified;
}

TEST_F(TrustCallsTest, VerificationAnswersFromChainRequestAndContent) {
    const struct {
        const char* signer;   // nullptr: unsigned
        const char* carried;  // an issuer the signature carries
        const char* trusted;  // the one root trusted
        DWORD revocation, flags;
        bool changed;  // the content changed after signing
        LONG result;
    } rows[] = {
        {nullptr, nullptr, "test-root", WTD_REVOKE_NONE, 0, false, TRUST_E_NOSIGNATURE},
        {"pinned-2048-a", nullptr, "test-root", WTD_REVOKE_NONE, 0, false, 0},
        {"pinned-2048-a", nullptr, "rogue-root", WTD_REVOKE_NONE, 0, false, CERT_E_CHAINING},
        {"expired-pinned", nullptr, "test-root", WTD_REVOKE_NONE, 0, false, CERT_E_EXPIRED},
        {"untrusted-root-pinned", nullptr, "test-root", WTD_REVOKE_NONE, 0, false, CERT_E_CHAINING},
        {"untrusted-root-pinned", "rogue-root", "test-root", WTD_REVOKE_NONE, 0, false, CERT_E_UNTRUSTEDROOT},
        {"untrusted-root-pinned", "rogue-root", "test-root", WTD_REVOKE_NONE, WTD_HASH_ONLY_FLAG, false, 0},
        {"untrusted-root-pinned", "rogue-root", "rogue-root", WTD_REVOKE_NONE, 0, false, 0},
        // Revocation asked for cannot be answered offline; a flag may turn it off.
        {"pinned-2048-a", nullptr, "test-root", WTD_REVOKE_WHOLECHAIN, 0, false, CERT_E_REVOCATION_FAILURE},
        {"pinned-2048-a", nullptr, "test-root", WTD_REVOKE_NONE, WTD_REVOCATION_CHECK_END_CERT, false,
         CERT_E_REVOCATION_FAILURE},
        {"pinned-2048-a", nullptr, "test-root", WTD_REVOKE_WHOLECHAIN, WTD_REVOCATION_CHECK_NONE, false, 0},
        {"pinned-2048-a", nullptr, "test-root", WTD_REVOKE_NONE, 0, true, TRUST_E_BAD_DIGEST},
        {"pinned-2048-a", nullptr, "test-root", WTD_REVOKE_NONE, WTD_HASH_ONLY_FLAG, true, TRUST_E_BAD_DIGEST},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.signer ? row.signer : "unsigned") << " trusting " << row.trusted
                                        << " revocation " << row.revocation << " flags " << row.flags);
        winsim::Reset();
        winsim::TrustRoot(LoadCertificate(row.trusted));
        winsim::AddFile(kPath, "program");
        winsim::SignatureSpec signature{row.signer ? LoadCertificate(row.signer) : winsim::Certificate{}};
        if (row.carried) signature.chain = {LoadCertificate(row.carried)};
        if (row.signer) winsim::SignFile(kPath, signature);
        if (row.changed) winsim::SetFileContent(kPath, "program, changed");
        const Verified verified = VerifyFile(kPath, 0, row.revocation, row.flags);
        EXPECT_EQ(verified.result, row.result);
        if (row.result == 0 || !row.signer) { EXPECT_EQ(verified.hasSigner, row.signer != nullptr); }
    }
}

// The signature is part of the file and goes where it goes; a file somebody writes
// cannot be opened for verification.
TEST_F(TrustCallsTest, TheSignatureTravelsWithTheFile) {
    winsim::SignFile(kPath, {LoadCertificate("pinned-2048-a")});
    ASSERT_TRUE(MoveFileExW(kPath.c_str(), L"C:\\q.exe", 0));
    EXPECT_EQ(VerifyFile(L"C:\\q.exe").result, 0);
    EXPECT_EQ(VerifyFile(kPath).result, TRUST_E_NOSIGNATURE) << "nothing at the old name";
    winsim::AddFile(kPath, "program");
    EXPECT_EQ(VerifyFile(kPath).result, TRUST_E_NOSIGNATURE) << "a new file at the old name is unsigned";
    const HANDLE writer = CreateFileW(L"C:\\q.exe", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(VerifyFile(L"C:\\q.exe").result, TRUST_E_NOSIGNATURE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(writer);
}

TEST_F(TrustCallsTest, SignatureSettingsSelectAndCountNestedSignatures) {
    winsim::SignFile(kPath, {LoadCertificate("expired-pinned")});
    winsim::AddNestedSignature(kPath, {LoadCertificate("pinned-3072-a")});
    EXPECT_EQ(VerifyFile(kPath, 0).result, CERT_E_EXPIRED);
    EXPECT_EQ(VerifyFile(kPath, 0).secondary, 1u);
    EXPECT_EQ(VerifyFile(kPath, 1).result, 0);
    EXPECT_EQ(VerifyFile(kPath, 2).result, TRUST_E_NOSIGNATURE);
    EXPECT_EQ(VerifyFile(kPath, 2).secondary, 1u);
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

TEST_F(TrustCallsTest, CatalogsAreFoundByHashInOrder) {
    winsim::AddCatalog(L"C:\\a.cat", {LoadCertificate("pinned-2048-a")});
    winsim::AddCatalog(L"C:\\b.cat", {LoadCertificate("pinned-2048-a")});
    winsim::AddCatalogMember(L"C:\\a.cat", kPath);
    winsim::AddCatalogMember(L"C:\\b.cat", kPath);
    HCATADMIN admin = nullptr;
    ASSERT_TRUE(CryptCATAdminAcquireContext2(&admin, nullptr, L"SHA256", nullptr, 0));
    const HANDLE file = CreateFileW(kPath.c_str(), GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD length = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CryptCATAdminCalcHashFromFileHandle2(admin, file, &length, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_EQ(length, 32u);
    BYTE hash[32];
    ASSERT_TRUE(CryptCATAdminCalcHashFromFileHandle2(admin, file, &length, hash, 0));
    CloseHandle(file);
    EXPECT_EQ(winsim::detail::UpperHex(std::vector<BYTE>(hash, hash + 4)), L"1310CA2C") << "SHA-256 of \"program\"";

    HCATINFO previous = nullptr;
    for (const wchar_t* catalog : {L"C:\\a.cat", L"C:\\b.cat"}) {
        HCATINFO found = CryptCATAdminEnumCatalogFromHash(admin, hash, 32, 0, previous ? &previous : nullptr);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(previous, nullptr) << "continuing releases the previous context";
        CATALOG_INFO info{};
        info.cbStruct = sizeof info;
        ASSERT_TRUE(CryptCATCatalogInfoFromContext(found, &info, 0));
        EXPECT_STREQ(info.wszCatalogFile, catalog);
        previous = found;
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CryptCATAdminEnumCatalogFromHash(admin, hash, 32, 0, &previous), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_FOUND));
    EXPECT_EQ(winsim::LedgerReport(), "catalog admin=1");
    EXPECT_TRUE(CryptCATAdminReleaseContext(admin, 0));
    EXPECT_FALSE(CryptCATAdminReleaseContext(admin, 0)) << "released once";

    // Without an algorithm a context hashes with SHA-1; an unknown one is refused.
    ASSERT_TRUE(CryptCATAdminAcquireContext2(&admin, nullptr, nullptr, nullptr, 0));
    const HANDLE again = CreateFileW(kPath.c_str(), GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    CryptCATAdminCalcHashFromFileHandle2(admin, again, &length, nullptr, 0);
    EXPECT_EQ(length, 20u);
    CloseHandle(again);
    CryptCATAdminReleaseContext(admin, 0);
    HCATADMIN refused = nullptr;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CryptCATAdminAcquireContext2(&refused, nullptr, L"MD5", nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_BAD_ALGID));
    EXPECT_EQ(refused, nullptr);
}

TEST_F(TrustCallsTest, CatalogMemberVerificationChecksTagAndContent) {
    winsim::AddCatalog(L"C:\\a.cat", {LoadCertificate("pinned-2048-a")});
    winsim::AddCatalogMember(L"C:\\a.cat", kPath);
    const std::wstring tag = winsim::detail::UpperHex(winsim::Sha256("program"));
    HCATADMIN sha256 = nullptr;
    ASSERT_TRUE(CryptCATAdminAcquireContext2(&sha256, nullptr, L"SHA256", nullptr, 0));
    auto verify = [&](const wchar_t* catalog, const std::wstring& memberTag, HCATADMIN admin) {
        GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
        WINTRUST_CATALOG_INFO member{};
        member.cbStruct = sizeof member;
        member.pcwszCatalogFilePath = catalog;
        member.pcwszMemberTag = memberTag.c_str();
        member.pcwszMemberFilePath = kPath.c_str();
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
    winsim::SetFileContent(kPath, "programme");
    EXPECT_EQ(verify(L"C:\\a.cat", tag, sha256), TRUST_E_BAD_DIGEST);
    CryptCATAdminReleaseContext(sha256, 0);
    EXPECT_EQ(verify(L"C:\\a.cat", tag, sha256), E_INVALIDARG) << "a released context is refused";
}

// An encoded name: attribute by attribute, `sameRdn` joining the previous RDN.
struct NameBuilder {
    NameBuilder() : name(X509_NAME_new()) {}
    ~NameBuilder() { X509_NAME_free(name); }
    NameBuilder& Add(const char* type, const char* value, bool sameRdn = false) {
        X509_NAME_add_entry_by_txt(name, type, MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(value), -1,
                                   sameRdn ? X509_NAME_entry_count(name) - 1 : -1, sameRdn ? 1 : 0);
        return *this;
    }
    std::vector<BYTE> Der() const {
        unsigned char* der = nullptr;
        const int length = i2d_X509_NAME(name, &der);
        std::vector<BYTE> bytes(der, der + length);
        OPENSSL_free(der);
        return bytes;
    }
    X509_NAME* name;
};

std::vector<BYTE> SubjectOf(const std::string& certificate) {
    const CERT_NAME_BLOB subject = winsim::detail::ModelOf(LoadCertificate(certificate))->info.Subject;
    return {subject.pbData, subject.pbData + subject.cbData};
}

std::wstring NameText(std::vector<BYTE> name, DWORD type, DWORD size = 512) {
    CERT_NAME_BLOB blob{static_cast<DWORD>(name.size()), name.data()};
    std::vector<WCHAR> buffer(size, L'?');
    const DWORD count = CertNameToStrW(X509_ASN_ENCODING, &blob, type, buffer.data(), size);
    EXPECT_EQ(count, std::wcslen(buffer.data()) + 1) << "the count includes the NUL";
    return buffer.data();
}

TEST_F(TrustCallsTest, NamesPrintInEncodedOrderWithTheChosenSeparatorsAndQuoting) {
    const std::vector<BYTE> multiValued =
        NameBuilder().Add("CN", "Kim").Add("title", "Programmer", true).Add("1.2.3.4.5.6", "Unknown").Add("OU", " padded ").Der();
    const struct {
        std::vector<BYTE> name;
        DWORD type;
        std::wstring text;
    } rows[] = {
        {SubjectOf("odd-subject"), CERT_X500_NAME_STR | CERT_NAME_STR_CRLF_FLAG | CERT_NAME_STR_NO_QUOTING_FLAG,
         L"C=DE\r\nS=Bayern\r\nL=M\u00FCnchen\r\nO=\u00D6rlent W\u00F6rks\r\nOU=First Unit\r\nOU=Team=A\r\n"
         L"CN=Odd Subject Signer\r\nE=signer@example.test"},
        {SubjectOf("dropbox-like"), CERT_X500_NAME_STR,
         L"C=US, S=California, L=San Francisco, O=\"Dropbox, Inc\", CN=\"Dropbox, Inc\""},
        {SubjectOf("test-root"), CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG,
         L"CN=Orlent Works Test Root, O=Orlent Works Test, C=US"},
        {SubjectOf("test-root"), CERT_OID_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG,
         L"2.5.4.6=US; 2.5.4.10=Orlent Works Test; 2.5.4.3=Orlent Works Test Root"},
        {SubjectOf("test-root"), CERT_SIMPLE_NAME_STR, L"US, Orlent Works Test, Orlent Works Test Root"},
        {multiValued, CERT_X500_NAME_STR, L"CN=Kim + T=Programmer, OID.1.2.3.4.5.6=Unknown, OU=\" padded \""},
        {multiValued, CERT_X500_NAME_STR | CERT_NAME_STR_NO_PLUS_FLAG | CERT_NAME_STR_NO_QUOTING_FLAG,
         L"CN=Kim T=Programmer, OID.1.2.3.4.5.6=Unknown, OU= padded "},
        {multiValued, CERT_SIMPLE_NAME_STR | CERT_NAME_STR_CRLF_FLAG, L"Kim + Programmer\r\nUnknown\r\n\" padded \""},
        {NameBuilder().Add("O", "Say \"hi\"").Der(), CERT_X500_NAME_STR, L"O=\"Say \"\"hi\"\"\""},
        {{0x01, 0x02}, CERT_X500_NAME_STR, L""},  // no name at all
    };
    for (const auto& row : rows) EXPECT_EQ(NameText(row.name, row.type), row.text);
    // A buffer too small takes what fits, cut and terminated, and answers its size.
    EXPECT_EQ(NameText(SubjectOf("test-root"), CERT_X500_NAME_STR, 6), L"C=US,");
}

}  // namespace
