// Signatures and catalog members as the simulated Windows judges them, on the requests
// the module makes: chains and content its suites do not reach. (Finding catalogs,
// nested signatures and signer records are the file-trust suite's; certificate names
// are read under Wine too.)
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
    bool hasSigner;
};

// One verification of a file's own signature, or of a catalog member, closed again as
// a caller must; a state is closed once.
Verified Verify(WINTRUST_FILE_INFO* file, WINTRUST_CATALOG_INFO* member = nullptr) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUnionChoice = file ? WTD_CHOICE_FILE : WTD_CHOICE_CATALOG;
    if (file) data.pFile = file;
    else data.pCatalog = member;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    Verified verified{WinVerifyTrust(nullptr, &action, &data), false};
    EXPECT_EQ(winsim::OpenCount("trust state"), 1) << "every verify leaves a state";
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
    verified.hasSigner = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) != nullptr;
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    EXPECT_EQ(WinVerifyTrust(nullptr, &action, &data), 0);
    EXPECT_EQ(WinVerifyTrust(nullptr, &action, &data), E_INVALIDARG);
    return verified;
}

// The chain decides (its signer, the issuers it carries, the one root trusted), and
// then the content as it is now. (The verdicts on expired signers and roots nobody
// trusts are pinned exactly by the file-trust suite's signer records.)
TEST_F(TrustCallsTest, VerificationAnswersFromChainAndContent) {
    const struct {
        const char* signer;   // nullptr: unsigned
        const char* carried;  // an issuer the signature carries
        const char* trusted;  // the one root trusted
        bool changed;         // the content changed after signing
        LONG result;
    } rows[] = {
        {nullptr, nullptr, "test-root", false, TRUST_E_NOSIGNATURE},
        {"pinned-2048-a", nullptr, "test-root", false, 0},
        {"pinned-2048-a", nullptr, "rogue-root", false, CERT_E_CHAINING},
        {"untrusted-root-pinned", nullptr, "test-root", false, CERT_E_CHAINING},
        {"untrusted-root-pinned", "rogue-root", "rogue-root", false, 0},
        {"pinned-2048-a", nullptr, "test-root", true, TRUST_E_BAD_DIGEST},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.signer ? row.signer : "unsigned") << " trusting " << row.trusted
                                        << (row.changed ? ", changed" : ""));
        winsim::Reset();
        winsim::TrustRoot(LoadCertificate(row.trusted));
        winsim::AddFile(kPath, "program");
        winsim::SignatureSpec signature{row.signer ? LoadCertificate(row.signer) : winsim::Certificate{}};
        if (row.carried) signature.chain = {LoadCertificate(row.carried)};
        if (row.signer) winsim::SignFile(kPath, signature);
        if (row.changed) winsim::SetFileContent(kPath, "program, changed");
        WINTRUST_FILE_INFO file{sizeof(WINTRUST_FILE_INFO), kPath.c_str(), nullptr, nullptr};
        const Verified verified = Verify(&file);
        EXPECT_EQ(verified.result, row.result);
        if (row.result == 0 || !row.signer) { EXPECT_EQ(verified.hasSigner, row.signer != nullptr); }
    }
}

// A catalog member is verified by its tag, and by its content as it is now.
TEST_F(TrustCallsTest, CatalogMembersAreVerifiedByTagAndContent) {
    winsim::AddCatalog(L"C:\\a.cat", {LoadCertificate("pinned-2048-a")});
    winsim::AddCatalogMember(L"C:\\a.cat", kPath);
    HCATADMIN admin = nullptr;
    ASSERT_TRUE(CryptCATAdminAcquireContext2(&admin, nullptr, L"SHA256", nullptr, 0));
    const std::wstring tag = winsim::detail::UpperHex(winsim::Sha256("program"));
    const struct {
        std::wstring tag;
        bool changed;
        LONG result;
    } rows[] = {{tag, false, 0}, {std::wstring(64, L'0'), false, TRUST_E_NOSIGNATURE}, {tag, true, TRUST_E_BAD_DIGEST}};
    for (const auto& row : rows) {
        winsim::SetFileContent(kPath, row.changed ? "programme" : "program");
        WINTRUST_CATALOG_INFO member{sizeof member, 0, L"C:\\a.cat", row.tag.c_str(), kPath.c_str(), nullptr, nullptr, 0,
                                     nullptr, admin};
        EXPECT_EQ(Verify(nullptr, &member).result, row.result)
            << std::wstring(row.tag) << (row.changed ? " changed" : "");
        EXPECT_EQ(winsim::LedgerReport(), "catalog admin=1");
    }
    EXPECT_TRUE(CryptCATAdminReleaseContext(admin, 0));
}

}  // namespace
