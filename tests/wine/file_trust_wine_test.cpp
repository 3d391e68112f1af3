// Signature verification and signer extraction against the real WinVerifyTrust and
// CertNameToStrW: PE files signed with osslsigncode by the test certificates.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "security/file_trust/authenticode_facade.h"
#include "security/file_trust/signature_verification.h"
#include "tests/wine/rpc_call_stub.h"
#include "tests/wine/wine_environment.h"

namespace {

using Qv::Vantix::Security::SignerInformation;
using Qv::Vantix::Security::QvAuthenticodeHelper::VerifyFileSignatures;

constexpr std::int32_t kExpired = static_cast<std::int32_t>(0x800B0101);
constexpr std::int32_t kUntrustedRoot = static_cast<std::int32_t>(0x800B0109);

std::wstring Fixture(const wchar_t* name) { return wine_checks::ProgramFolder() + name; }

std::vector<BYTE> TestRootDer() {
    std::ifstream file(Fixture(L"test-root.crt").c_str(), std::ios::binary);
    std::stringstream pem;
    pem << file.rdbuf();
    const std::string text = pem.str();
    DWORD size = 0;
    CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr);
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr);
    der.resize(size);
    return der;
}

// The machine's trusted roots with or without the test root. Wine reads the root store
// once per process and writes a changed store out when it is closed, so each change
// is made through a store of its own and shows in processes started after it.
class TestRootTrust {
public:
    explicit TestRootTrust(bool trusted) : der_(TestRootDer()) {
        Forget();
        if (trusted) added_ = Add();
    }
    ~TestRootTrust() { Forget(); }
    TestRootTrust(const TestRootTrust&) = delete;
    TestRootTrust& operator=(const TestRootTrust&) = delete;
    bool ready() const { return !der_.empty(); }
    bool added() const { return added_; }

private:
    static HCERTSTORE OpenRoot() {
        return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    }
    bool Add() {
        HCERTSTORE store = OpenRoot();
        if (!store || der_.empty()) return false;
        const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der_.data(),
                                                            static_cast<DWORD>(der_.size()),
                                                            CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        CertCloseStore(store, 0);
        return added != FALSE;
    }
    // Removes the root's registry entry, where the system store keeps it: deleting it
    // through the store does not reach the registry under Wine.
    void Forget() {
        BYTE thumbprint[20] = {};
        DWORD size = sizeof thumbprint;
        if (der_.empty() || !CryptHashCertificate(0, CALG_SHA1, 0, der_.data(), static_cast<DWORD>(der_.size()),
                                                  thumbprint, &size)) {
            return;
        }
        std::wstring key = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
        static constexpr wchar_t digits[] = L"0123456789ABCDEF";
        for (DWORD i = 0; i < size; ++i) {
            key.push_back(digits[thumbprint[i] >> 4]);
            key.push_back(digits[thumbprint[i] & 0x0F]);
        }
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    }
    std::vector<BYTE> der_;
    bool added_ = false;
};

constexpr wchar_t kChildMarker[] = L"VISTANE_WINE_TRUST_CHILD";

bool InCheckProcess() { return GetEnvironmentVariableW(kChildMarker, nullptr, 0) > 0; }

// Sets the root store as the check needs it, then runs the current check again in a
// fresh process of this program, which sees that store; its exit code is the verdict.
void RunCheckWithTestRoot(bool trusted) {
    TestRootTrust root(trusted);
    ASSERT_TRUE(root.ready());
    if (trusted) {
        ASSERT_TRUE(root.added());
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(info->test_suite_name()) + "." + info->name();
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=" + std::wstring(filter.begin(), filter.end());
    SetEnvironmentVariableW(kChildMarker, L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(kChildMarker, nullptr);
    ASSERT_TRUE(started);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u) << "the check failed in its own process (see its output above)";
}

class FileTrustUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetFileAttributesW(Fixture(L"signed-pinned.exe").c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "no signed fixtures: osslsigncode was missing when the build was configured";
        ASSERT_TRUE(wine_checks::AnswerNoRpcCallActive());
    }
};

void ExpectPinnedTestSigner(const SignerInformation& signer) {
    EXPECT_EQ(signer.publicKey.size(), 809u);
    EXPECT_EQ(signer.publicKey.rfind("30 82 01 0a 02 82 01 01 00", 0), 0u);
    EXPECT_EQ(signer.commonName, L"Orlent Works Test Signer");
    EXPECT_EQ(signer.organization, L"Orlent Works");
    EXPECT_EQ(signer.locality, L"Portland");
    EXPECT_EQ(signer.state, L"Oregon");
    EXPECT_EQ(signer.country, L"US");
}

TEST_F(FileTrustUnderWine, ChainToAnUntrustedRootIsReportedAsSuch) {
    if (!InCheckProcess()) return RunCheckWithTestRoot(false);
    const auto signers = VerifyFileSignatures(Fixture(L"signed-pinned.exe").c_str(), false);
    ASSERT_EQ(signers.size(), 1u);
    EXPECT_EQ(signers[0].status, kUntrustedRoot);
    ExpectPinnedTestSigner(signers[0]);
    const auto rogue = VerifyFileSignatures(Fixture(L"signed-rogue-chain.exe").c_str(), false);
    ASSERT_EQ(rogue.size(), 1u);
    EXPECT_EQ(rogue[0].status, kUntrustedRoot);
}

TEST_F(FileTrustUnderWine, TrustedTestRootGivesSuccessAndTheRealSubjectFields) {
    if (!InCheckProcess()) return RunCheckWithTestRoot(true);
    const auto signers = VerifyFileSignatures(Fixture(L"signed-pinned.exe").c_str(), false);
    ASSERT_EQ(signers.size(), 1u);
    EXPECT_EQ(signers[0].status, 0);
    ExpectPinnedTestSigner(signers[0]);
    const auto large = VerifyFileSignatures(Fixture(L"signed-pinned-3072.exe").c_str(), false);
    ASSERT_EQ(large.size(), 1u);
    EXPECT_EQ(large[0].publicKey.size(), 1193u);
    EXPECT_EQ(large[0].publicKey.rfind("30 82 01 8a 02 82 01 81 00", 0), 0u);
}

TEST_F(FileTrustUnderWine, UnusualSubjectParsesFromTheRealNameText) {
    if (!InCheckProcess()) return RunCheckWithTestRoot(true);
    const auto signers = VerifyFileSignatures(Fixture(L"signed-odd-subject.exe").c_str(), false);
    ASSERT_EQ(signers.size(), 1u);
    // Windows leaves the value unquoted as asked; Wine 8 quotes it all the same.
    EXPECT_EQ(signers[0].organizationalUnit, wine_checks::RunningUnderWine() ? L"\"Team=A\"" : L"Team=A");
    EXPECT_EQ(signers[0].organization, L"\u00D6rlent W\u00F6rks");
    EXPECT_EQ(signers[0].locality, L"M\u00FCnchen");
    EXPECT_EQ(signers[0].commonName, L"Odd Subject Signer");
}

TEST_F(FileTrustUnderWine, ExpiredLeafUnderTheTrustedRootIsReportedExpired) {
    if (!InCheckProcess()) return RunCheckWithTestRoot(true);
    const auto signers = VerifyFileSignatures(Fixture(L"signed-expired.exe").c_str(), false);
    ASSERT_EQ(signers.size(), 1u);
    EXPECT_EQ(signers[0].status, kExpired);
}

TEST_F(FileTrustUnderWine, FileChangedAfterSigningHasNoSigner) {
    if (!InCheckProcess()) return RunCheckWithTestRoot(true);
    const std::wstring tampered = Fixture(L"signed-pinned-tampered.exe");
    ASSERT_TRUE(CopyFileW(Fixture(L"signed-pinned.exe").c_str(), tampered.c_str(), FALSE));
    {
        std::fstream file(tampered.c_str(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(0x400);
        const char byte = static_cast<char>(file.get());
        file.seekp(0x400);
        file.put(static_cast<char>(byte ^ 0x5A));
    }
    EXPECT_TRUE(VerifyFileSignatures(tampered.c_str(), false).empty());
    DeleteFileW(tampered.c_str());
}

TEST_F(FileTrustUnderWine, PinnedFileUnderProgramFilesIsTrusted) {
    if (!InCheckProcess()) return RunCheckWithTestRoot(true);
    wchar_t programFiles[MAX_PATH] = {};
    ASSERT_NE(ExpandEnvironmentStringsW(L"%ProgramFiles%", programFiles, MAX_PATH), 0u);
    const std::wstring folder = std::wstring(programFiles) + L"\\Orlent Works Wine Check";
    const std::wstring setup = folder + L"\\QVVSSetup.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(Fixture(L"signed-pinned.exe").c_str(), setup.c_str(), FALSE));
    Qv::Vantix::Security::QvAuthenticodeFacade facade;
    EXPECT_TRUE(facade.IsFileTrusted(setup.c_str()));
    EXPECT_FALSE(facade.IsFileTrusted(Fixture(L"signed-rogue-chain.exe").c_str())) << "outside the allowed folders";
    DeleteFileW(setup.c_str());
    RemoveDirectoryW(folder.c_str());
}

// Checks of the simulated suite that Wine cannot make, named so the stage lists them
// (the nested signature chosen by index is in nested_signature_test.cpp).
TEST(FileTrustNotUnderWine, CatalogSignerOfAListedFile) {
    SKIP_UNDER_WINE("catalog enumeration (CryptCATAdminEnumCatalogFromHash finds nothing)");
}

}  // namespace
