// A file with a primary and one nested signature, verified by the real WinVerifyTrust:
// the count of secondary signatures, and one signer record per signature in index order.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "security/file_trust/signature_verification.h"
#include "tests/wine/wine_environment.h"

namespace {

using Qv::Vantix::Security::QvAuthenticodeHelper::VerifyFileSignatures;

constexpr LONG kUntrustedRoot = static_cast<LONG>(0x800B0109);

std::wstring NestedFixture() { return wine_checks::ProgramFolder() + L"signed-nested.exe"; }

bool HaveNestedFixture() { return GetFileAttributesW(NestedFixture().c_str()) != INVALID_FILE_ATTRIBUTES; }

// Verifies the primary signature asking for the secondary count; closes the state.
struct PrimaryVerification {
    LONG result = 0;
    DWORD secondarySignatures = 0;
};

PrimaryVerification VerifyPrimaryCountingSecondaries(const std::wstring& path) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_SIGNATURE_SETTINGS settings{};
    settings.cbStruct = sizeof settings;
    settings.dwFlags = WSS_VERIFY_SPECIFIC | WSS_GET_SECONDARY_SIG_COUNT;
    settings.dwIndex = 0;
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.pSignatureSettings = &settings;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    PrimaryVerification verification;
    verification.result = WinVerifyTrust(nullptr, &action, &data);
    verification.secondarySignatures = settings.cSecondarySigs;
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(nullptr, &action, &data);
    return verification;
}

}  // namespace

TEST(NestedSignature, WindowsCountsOneSecondarySignature) {
    if (!HaveNestedFixture()) GTEST_SKIP() << "no signed fixtures: osslsigncode was missing when the build was configured";
    const PrimaryVerification verification = VerifyPrimaryCountingSecondaries(NestedFixture());
    EXPECT_EQ(verification.secondarySignatures, 1u);
    EXPECT_NE(verification.result, static_cast<LONG>(TRUST_E_NOSIGNATURE));
    EXPECT_NE(verification.result, static_cast<LONG>(TRUST_E_BAD_DIGEST));
}

TEST(NestedSignature, EmbeddedPassGivesOneRecordPerSignatureInIndexOrder) {
    if (!HaveNestedFixture()) GTEST_SKIP() << "no signed fixtures: osslsigncode was missing when the build was configured";
    // The test root is not trusted in this process: both chains end in an untrusted
    // root, which still yields a record.
    const auto signers = VerifyFileSignatures(NestedFixture().c_str(), false);
    ASSERT_EQ(signers.size(), 2u);
    EXPECT_EQ(signers[0].status, kUntrustedRoot);
    EXPECT_EQ(signers[0].publicKey.size(), 809u) << "the primary signature, by the 2048-bit key";
    EXPECT_EQ(signers[0].publicKey.rfind("30 82 01 0a 02 82 01 01 00", 0), 0u);
    EXPECT_EQ(signers[1].status, kUntrustedRoot);
}

TEST(NestedSignature, SecondRecordCarriesTheNestedSignersKey) {
    if (!HaveNestedFixture()) GTEST_SKIP() << "no signed fixtures: osslsigncode was missing when the build was configured";
    SKIP_UNDER_WINE("dwIndex of the signature settings (every index verifies the primary signature)");
    const auto signers = VerifyFileSignatures(NestedFixture().c_str(), false);
    ASSERT_EQ(signers.size(), 2u);
    EXPECT_EQ(signers[1].publicKey.size(), 1193u) << "the nested signature, by the 3072-bit key";
    EXPECT_EQ(signers[1].publicKey.rfind("30 82 01 8a 02 82 01 81 00", 0), 0u);
}
