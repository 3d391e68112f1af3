#include <gtest/gtest.h>

#include "platform/sim/sim_trust.h"
#include "security/file_trust/signature_verification.h"
#include "tests/unit/file_trust/file_trust_fixture.h"

namespace {

using namespace file_trust_test;
using namespace Qv::Vantix::Security;
using namespace Qv::Vantix::Security::QvAuthenticodeHelper;
using vistane_test::Error;

const std::wstring kProgram = L"C:\\Program Files\\Orlent Works\\tool.exe";

class SignatureVerificationTest : public FileTrustTest {};

TEST_F(SignatureVerificationTest, NullPathGivesNothingAndLogsNothing) {
    EXPECT_TRUE(GetFileSigners(nullptr).empty());
    EXPECT_TRUE(VerifyFileSignatures(nullptr, true).empty());
    EXPECT_TRUE(VerifyFileSignatures(nullptr, false).empty());
    EXPECT_NO_LOG();
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 0u);
}

TEST_F(SignatureVerificationTest, UnsignedUncataloguedFileHasNoSigner) {
    winsim::AddFile(kProgram, "plain bytes");
    EXPECT_TRUE(GetFileSigners(kProgram.c_str()).empty());
    EXPECT_LOG(CatalogInfoLine(kProgram), NoCatalogLine());
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 2u) << "one verify and its close";
}

TEST_F(SignatureVerificationTest, PrimaryThenNestedSignature) {
    AddSignedFile(kProgram, "program", {"pinned-2048-a", "pinned-3072-a"});
    const auto signers = VerifyFileSignatures(kProgram.c_str(), false);
    ASSERT_EQ(signers.size(), 2u);
    EXPECT_EQ(signers[0].commonName, L"Orlent Works Test Signer");
    EXPECT_EQ(signers[0].publicKey, KeyTextOf("pinned-2048-a"));
    EXPECT_EQ(signers[1].commonName, L"Orlent Works Test Signer 3072");
    EXPECT_EQ(signers[1].publicKey, KeyTextOf("pinned-3072-a"));
    EXPECT_EQ(signers[0].status, 0);
    EXPECT_EQ(signers[1].status, 0);
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 4u) << "each index verified once and closed";
    EXPECT_LOG(SubjectLine(kPinnedSubject), SubjectLine(kPinned3072Subject));
}

// What the module asks WinVerifyTrust, every field: no UI, no revocation, no provider
// flags, the SHA-256 catalog context, then each embedded signature by its index.
TEST_F(SignatureVerificationTest, EveryRequestIsPinnedFieldByField) {
    AddSignedFile(kProgram, "program", {"pinned-2048-a", "pinned-3072-a"});
    ListInCatalog(kProgram, "pinned-2048-a");
    ASSERT_EQ(GetFileSigners(kProgram.c_str()).size(), 3u);
    const std::wstring asked = L"hwnd=desktop size=88 ui=2 revocation=0 state=1 provFlags=0x0 uiContext=0 policyData=null "
                               L"sipData=null url=null settings=(size=32 flags=0x3 index=";
    const std::wstring file = L" policy=null) file=(size=32 path=" + kProgram + L" handle=null subject=null)";
    EXPECT_EQ(winsim::VerificationRequests(),
              (std::vector<std::wstring>{asked + L"0 policy=null) catalog=(size=72 version=0 catalog=" + kCatalog +
                                             L" tag=" + winsim::detail::UpperHex(winsim::Sha256("program")) +
                                             L" member=" + kProgram +
                                             L" memberHandle=null hash=0 context=null admin=SHA256)",
                                         asked + L"0" + file, asked + L"1" + file}));
    EXPECT_LOG(CatalogInfoLine(kProgram), SubjectLine(kPinnedSubject), SubjectLine(kPinnedSubject),
               SubjectLine(kPinned3072Subject));
}

TEST_F(SignatureVerificationTest, CatalogSignerComesFirst) {
    AddSignedFile(kProgram, "program", {"unpinned-2048"});
    ListInCatalog(kProgram, "pinned-2048-a");
    const auto signers = GetFileSigners(kProgram.c_str());
    ASSERT_EQ(signers.size(), 2u);
    EXPECT_EQ(signers[0].commonName, L"Orlent Works Test Signer");
    EXPECT_EQ(signers[1].commonName, L"Somebody Else Signer");
    EXPECT_LOG(CatalogInfoLine(kProgram), SubjectLine(kPinnedSubject), SubjectLine(kUnpinnedSubject));
}

TEST_F(SignatureVerificationTest, SignerFoundByBothPassesIsListedTwice) {
    AddSignedFile(kProgram, "program", {"pinned-2048-a"});
    ListInCatalog(kProgram, "pinned-2048-a");
    const auto signers = GetFileSigners(kProgram.c_str());
    ASSERT_EQ(signers.size(), 2u);
    EXPECT_EQ(signers[0].publicKey, signers[1].publicKey);
    EXPECT_LOG(CatalogInfoLine(kProgram), SubjectLine(kPinnedSubject), SubjectLine(kPinnedSubject));
}

TEST_F(SignatureVerificationTest, StatusesOfExpiredAndUntrustedChainsAreKept) {
    AddSignedFile(kProgram, "program", {"expired-pinned", "untrusted-root-pinned", "unpinned-2048"});
    const auto signers = VerifyFileSignatures(kProgram.c_str(), false);
    ASSERT_EQ(signers.size(), 3u);
    EXPECT_EQ(signers[0].status, static_cast<std::int32_t>(0x800B0101));
    EXPECT_EQ(signers[0].commonName, L"Orlent Works Expired Signer");
    EXPECT_EQ(signers[1].status, static_cast<std::int32_t>(0x800B0109));
    EXPECT_EQ(signers[1].publicKey, KeyTextOf("untrusted-root-pinned"));
    EXPECT_EQ(signers[2].status, 0);
    EXPECT_LOG(SubjectLine(kExpiredSubject), SubjectLine(kRogueChainSubject), SubjectLine(kUnpinnedSubject));
}

TEST_F(SignatureVerificationTest, RejectedSignatureIsSkippedAndLaterOnesStillTried) {
    winsim::AddFile(kProgram, "program");
    winsim::SignatureSpec rejected = Signature("unpinned-2048");
    rejected.outcome = TRUST_E_CERT_SIGNATURE;
    winsim::SignFile(kProgram, {rejected, Signature("pinned-2048-a")});
    const auto signers = VerifyFileSignatures(kProgram.c_str(), false);
    ASSERT_EQ(signers.size(), 1u);
    EXPECT_EQ(signers[0].commonName, L"Orlent Works Test Signer");
    EXPECT_LOG(SubjectLine(kPinnedSubject));
}

TEST_F(SignatureVerificationTest, ContentChangedAfterSigningAddsNoRecord) {
    AddSignedFile(kProgram, "program", {"pinned-2048-a", "pinned-3072-a"});
    winsim::SetFileContent(kProgram, "program with a patch");
    EXPECT_TRUE(VerifyFileSignatures(kProgram.c_str(), false).empty());
    EXPECT_NO_LOG();

    // A catalogued file that changed is no longer listed at all.
    ListInCatalog(kProgram, "pinned-2048-a");
    winsim::SetFileContent(kProgram, "program patched twice");
    EXPECT_TRUE(VerifyFileSignatures(kProgram.c_str(), true).empty());
    EXPECT_LOG(CatalogInfoLine(kProgram), NoCatalogLine());
}

TEST_F(SignatureVerificationTest, KeyTextsOf2048And3072BitKeys) {
    AddSignedFile(kProgram, "program", {"pinned-2048-a", "pinned-3072-a"});
    const auto signers = VerifyFileSignatures(kProgram.c_str(), false);
    ASSERT_EQ(signers.size(), 2u);
    EXPECT_EQ(signers[0].publicKey.size(), 809u);
    EXPECT_EQ(signers[0].publicKey.rfind("30 82 01 0a 02 82 01 01 00", 0), 0u);
    EXPECT_EQ(signers[1].publicKey.size(), 1193u);
    EXPECT_EQ(signers[1].publicKey.rfind("30 82 01 8a 02 82 01 81 00", 0), 0u);
    for (const auto& signer : signers) {
        EXPECT_NE(signer.publicKey.front(), ' ');
        EXPECT_NE(signer.publicKey.back(), ' ');
        EXPECT_EQ(signer.publicKey.substr(signer.publicKey.size() - 14), "02 03 01 00 01");
    }
    EXPECT_LOG(SubjectLine(kPinnedSubject), SubjectLine(kPinned3072Subject));
}

TEST_F(SignatureVerificationTest, UnusualSubjectIsParsedFromTheRealName) {
    AddSignedFile(kProgram, "program", {"odd-subject"});
    const auto signers = VerifyFileSignatures(kProgram.c_str(), false);
    ASSERT_EQ(signers.size(), 1u);
    EXPECT_EQ(signers[0].commonName, L"Odd Subject Signer");
    EXPECT_EQ(signers[0].organizationalUnit, L"Team=A") << "the last OU wins and keeps its '='";
    EXPECT_EQ(signers[0].organization, L"\u00D6rlent W\u00F6rks");
    EXPECT_EQ(signers[0].locality, L"M\u00FCnchen");
    EXPECT_EQ(signers[0].state, L"Bayern");
    EXPECT_EQ(signers[0].country, L"DE");
    EXPECT_EQ(signers[0].issuer, L"");
    EXPECT_LOG(SubjectLine(L"C=DE\r\nS=Bayern\r\nL=M\u00FCnchen\r\nO=\u00D6rlent W\u00F6rks\r\nOU=First Unit\r\n"
                           L"OU=Team=A\r\nCN=Odd Subject Signer\r\nE=signer@example.test"));
}

TEST_F(SignatureVerificationTest, FailedVerifyCallAddsNothingButIsStillClosed) {
    AddSignedFile(kProgram, "program", {"pinned-2048-a"});
    winsim::FailCall("WinVerifyTrust", 1, static_cast<DWORD>(TRUST_E_SUBJECT_NOT_TRUSTED));
    EXPECT_TRUE(VerifyFileSignatures(kProgram.c_str(), false).empty());
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 2u);
    EXPECT_NO_LOG();
}

TEST_F(SignatureVerificationTest, UnreachableCertificateGivesARecordWithStatusOnly) {
    for (const char* api : {"WTHelperProvDataFromStateData", "WTHelperGetProvSignerFromChain",
                            "WTHelperGetProvCertFromChain"}) {
        SCOPED_TRACE(api);
        winsim::Reset();
        winsim::TrustRoot(winsim::LoadCertificate("test-root"));
        AddSignedFile(kProgram, "program", {"expired-pinned"});
        winsim::FailCall(api, 0, ERROR_INVALID_PARAMETER);
        const auto signers = VerifyFileSignatures(kProgram.c_str(), false);
        ASSERT_EQ(signers.size(), 1u);
        EXPECT_EQ(signers[0].status, static_cast<std::int32_t>(CERT_E_EXPIRED));
        EXPECT_EQ(signers[0].publicKey, "");
        EXPECT_EQ(signers[0].commonName, L"");
        EXPECT_LEDGER_BALANCED();
        EXPECT_NO_LOG();
    }
}

TEST_F(SignatureVerificationTest, UnreadableSubjectKeepsKeyAndStatus) {
    AddSignedFile(kProgram, "program", {"pinned-2048-a"});
    winsim::FailCall("CertNameToStrW", 0, static_cast<DWORD>(E_INVALIDARG));
    const auto signers = VerifyFileSignatures(kProgram.c_str(), false);
    ASSERT_EQ(signers.size(), 1u);
    EXPECT_EQ(signers[0].publicKey, KeyTextOf("pinned-2048-a"));
    EXPECT_EQ(signers[0].status, 0);
    EXPECT_EQ(signers[0].commonName, L"");
    EXPECT_LOG(Error(L"Error while retrieving Subject field."), SubjectLine(L""));
}

TEST_F(SignatureVerificationTest, EveryPlatformFailureLeavesTheLedgerBalanced) {
    AddSignedFile(kProgram, "program", {"pinned-2048-a", "expired-pinned"});
    ListInCatalog(kProgram, "pinned-3072-a");
    winsim::ClearCallLog();
    GetFileSigners(kProgram.c_str());
    const unsigned calls = winsim::SweepCallCount();
    ASSERT_GT(calls, 10u);
    for (unsigned nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE(nth);
        winsim::ClearFaults();
        winsim::FailNthPlatformCall(nth, 0);
        const auto signers = GetFileSigners(kProgram.c_str());
        EXPECT_LE(signers.size(), 3u);
        EXPECT_LEDGER_BALANCED();
    }
    TakeLog();
}

}  // namespace
