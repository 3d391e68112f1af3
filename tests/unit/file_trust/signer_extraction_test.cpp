#include <gtest/gtest.h>

#include "platform/sim/sim_trust.h"
#include "security/file_trust/signer_extraction.h"
#include "tests/unit/file_trust/file_trust_fixture.h"

namespace {

using namespace Qv::Vantix::Security;
using namespace Qv::Vantix::Security::QvAuthenticodeHelper;

SignerInformation Parsed(const std::wstring& subject) {
    SignerInformation record;
    ParseSubject(subject, record);
    return record;
}

TEST(SubjectParsing, EachKnownKeyFillsItsField) {
    const SignerInformation record = Parsed(L"C=US\r\nS=Oregon\r\nL=Portland\r\nO=Orlent\r\nOU=Unit\r\nCN=Signer");
    EXPECT_EQ(record.country, L"US");
    EXPECT_EQ(record.state, L"Oregon");
    EXPECT_EQ(record.locality, L"Portland");
    EXPECT_EQ(record.organization, L"Orlent");
    EXPECT_EQ(record.organizationalUnit, L"Unit");
    EXPECT_EQ(record.commonName, L"Signer");
    EXPECT_EQ(record.issuer, L"");
    EXPECT_EQ(record.publicKey, "");
}

TEST(SubjectParsing, ValuesKeepLaterEqualsSignsAndBlanks) {
    EXPECT_EQ(Parsed(L"OU=Team=A").organizationalUnit, L"Team=A");
    EXPECT_EQ(Parsed(L"CN= padded ").commonName, L" padded ");
    EXPECT_EQ(Parsed(L"CN=").commonName, L"");
}

TEST(SubjectParsing, UnknownOrMiscasedKeysAndLinesWithoutEqualsAreIgnored) {
    const SignerInformation record = Parsed(L"cn=lower\r\nE=a@b.test\r\nSTREET=Main\r\nno separator here\r\nOID.1.2.3=x");
    EXPECT_EQ(record.commonName, L"");
    EXPECT_EQ(record.organizationalUnit, L"");
    EXPECT_EQ(record.organization, L"");
    EXPECT_EQ(record.state, L"");
}

TEST(SubjectParsing, KeyAfterABlankIsTheTextFollowingIt) {
    EXPECT_EQ(Parsed(L"x CN=Shifted").commonName, L"Shifted");
    EXPECT_EQ(Parsed(L" O=Leading").organization, L"Leading");
    EXPECT_EQ(Parsed(L"a b CN=Twice").commonName, L"") << "only the first blank splits";
}

TEST(SubjectParsing, LastDuplicateWinsAndTheFinalPieceCounts) {
    EXPECT_EQ(Parsed(L"CN=First\r\nCN=Second").commonName, L"Second");
    EXPECT_EQ(Parsed(L"CN=Only").commonName, L"Only");
    EXPECT_EQ(Parsed(L"CN=A\r\n").commonName, L"A") << "an empty last piece changes nothing";
    EXPECT_EQ(Parsed(L"CN=A\nO=B").commonName, L"A\nO=B") << "only CRLF separates lines";
    EXPECT_EQ(Parsed(L"").commonName, L"");
}

TEST(PublicKeyText, LowerCaseHexPairsWithSingleBlanks) {
    const BYTE bytes[] = {0x30, 0x0A, 0xFF, 0x00};
    EXPECT_EQ(PublicKeyToText(bytes, 4), "30 0a ff 00");
    EXPECT_EQ(PublicKeyToText(bytes, 1), "30");
    EXPECT_EQ(PublicKeyToText(bytes, 0), "");
    EXPECT_EQ(PublicKeyToText(nullptr, 4), "");
}

class SignerExtractionTest : public file_trust_test::FileTrustTest {};

TEST_F(SignerExtractionTest, NullStateGivesAnEmptyRecordWithoutCalls) {
    const SignerInformation record = ExtractSignerInformation(nullptr);
    EXPECT_EQ(record.publicKey, "");
    EXPECT_EQ(record.status, 0);
    EXPECT_EQ(winsim::CallCount("WTHelperProvDataFromStateData"), 0u);
    EXPECT_NO_LOG();
}

TEST_F(SignerExtractionTest, NameTextHasShortKeysOneLinePerRdnAndNoQuotes) {
    const auto model = winsim::detail::ModelOf(winsim::LoadCertificate("dropbox-like"));
    EXPECT_EQ(NameToString(model->info.Subject), file_trust_test::kDropboxSubject);
    CERT_NAME_BLOB empty{0, nullptr};
    EXPECT_EQ(NameToString(empty), L"");
    EXPECT_NO_LOG();
}

}  // namespace
