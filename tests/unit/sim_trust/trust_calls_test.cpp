// Signatures and catalogs as the simulated Windows answers them: the verdicts of
// WinVerifyTrust on every kind of chain, and the catalog database. (Certificate names
// are read under Wine too, through the signer records of the file-trust checks.)
#include <gtest/gtest.h>

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

TEST_F(TrustCallsTest, SignatureSettingsSelectAndCountNestedSignatures) {
    winsim::SignFile(kPath, {LoadCertificate("expired-pinned")});
    winsim::AddNestedSignature(kPath, {LoadCertificate("pinned-3072-a")});
    EXPECT_EQ(VerifyFile(kPath, 0).result, CERT_E_EXPIRED);
    EXPECT_EQ(VerifyFile(kPath, 0).secondary, 1u);
    EXPECT_EQ(VerifyFile(kPath, 1).result, 0);
    EXPECT_EQ(VerifyFile(kPath, 2).result, TRUST_E_NOSIGNATURE);
    EXPECT_EQ(VerifyFile(kPath, 2).secondary, 1u);
}

// Catalogs are found by hash in the order they were added; a member is verified by its
// tag and content.
TEST_F(TrustCallsTest, CatalogsAreFoundByHashAndVerifyTheirMembers) {
    for (const wchar_t* catalog : {L"C:\\a.cat", L"C:\\b.cat"}) {
        winsim::AddCatalog(catalog, {LoadCertificate("pinned-2048-a")});
        winsim::AddCatalogMember(catalog, kPath);
    }
    HCATADMIN admin = nullptr;
    ASSERT_TRUE(CryptCATAdminAcquireContext2(&admin, nullptr, L"SHA256", nullptr, 0));
    std::vector<BYTE> hash = winsim::Sha256("program");
    HCATINFO previous = nullptr;
    for (const wchar_t* catalog : {L"C:\\a.cat", L"C:\\b.cat"}) {
        HCATINFO found = CryptCATAdminEnumCatalogFromHash(admin, hash.data(), 32, 0, previous ? &previous : nullptr);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(previous, nullptr) << "continuing releases the previous context";
        CATALOG_INFO info{};
        info.cbStruct = sizeof info;
        ASSERT_TRUE(CryptCATCatalogInfoFromContext(found, &info, 0));
        EXPECT_STREQ(info.wszCatalogFile, catalog);
        previous = found;
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CryptCATAdminEnumCatalogFromHash(admin, hash.data(), 32, 0, &previous), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_FOUND));
    EXPECT_EQ(winsim::LedgerReport(), "catalog admin=1");

    // A member: by its tag, in a catalog named in any case, hashed as its context does.
    const std::wstring tag = winsim::detail::UpperHex(hash);
    const struct {
        const wchar_t* catalog;
        std::wstring tag;
        bool sha256, changed;
        LONG result;
    } rows[] = {{L"C:\\A.CAT", tag, true, false, 0},
                {L"C:\\none.cat", tag, true, false, TRUST_E_NOSIGNATURE},
                {L"C:\\a.cat", std::wstring(64, L'0'), true, false, TRUST_E_NOSIGNATURE},
                {L"C:\\a.cat", tag, false, false, TRUST_E_BAD_DIGEST},
                {L"C:\\a.cat", tag, true, true, TRUST_E_BAD_DIGEST}};
    for (const auto& row : rows) {
        winsim::SetFileContent(kPath, row.changed ? "programme" : "program");
        GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
        WINTRUST_CATALOG_INFO member{};
        member.cbStruct = sizeof member;
        member.pcwszCatalogFilePath = row.catalog;
        member.pcwszMemberTag = row.tag.c_str();
        member.pcwszMemberFilePath = kPath.c_str();
        member.hCatAdmin = row.sha256 ? admin : nullptr;
        WINTRUST_DATA data{};
        data.cbStruct = sizeof data;
        data.dwUnionChoice = WTD_CHOICE_CATALOG;
        data.pCatalog = &member;
        data.dwStateAction = WTD_STATEACTION_VERIFY;
        EXPECT_EQ(WinVerifyTrust(nullptr, &action, &data), row.result) << std::wstring(row.catalog);
        data.dwStateAction = WTD_STATEACTION_CLOSE;
        EXPECT_EQ(WinVerifyTrust(nullptr, &action, &data), 0);
    }
    EXPECT_TRUE(CryptCATAdminReleaseContext(admin, 0));
}

}  // namespace
