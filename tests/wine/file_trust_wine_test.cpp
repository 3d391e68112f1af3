// Signer records from the real WinVerifyTrust and CertNameToStrW, on PE files the build
// signs with osslsigncode by the test certificates (signed-nested.exe: a 3072-bit
// signature nested in the 2048-bit one), with the test root trusted by the machine.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32.h"
#include "security/file_trust/signature_verification.h"
#include "tests/wine/wine_environment.h"

namespace {

std::wstring Fixture(const std::wstring& name) { return wine_checks::ProgramFolder() + name; }

// The embedded pass's records, each as "status key-length CN|O|L|S|C|OU".
std::wstring Records(const std::wstring& file) {
    std::wstring text;
    for (const auto& s : Qv::Vantix::Security::QvAuthenticodeHelper::VerifyFileSignatures(file.c_str(), false))
        text += (text.empty() ? L"" : L"; ") + std::to_wstring(s.status) + L" " + std::to_wstring(s.publicKey.size()) + L" " +
                s.commonName + L"|" + s.organization + L"|" + s.locality + L"|" + s.state + L"|" + s.country + L"|" +
                s.organizationalUnit;
    return text;
}

struct Case {
    const wchar_t* file;
    std::wstring records;
    std::wstring underWine = L"same";  // where Wine strays from Windows
};

const std::wstring kSigner = L"Orlent Works Test Signer|Orlent Works|Portland|Oregon|US|";
const Case kCases[] = {
    {L"signed-pinned.exe", L"0 809 " + kSigner},
    {L"signed-pinned-3072.exe", L"0 1193 Orlent Works Test Signer 3072|Orlent Works|Portland|Oregon|US|"},
    {L"signed-expired.exe", L"-2146762495 809 Orlent Works Expired Signer|Orlent Works|||US|"},
    {L"signed-rogue-chain.exe", L"-2146762487 809 Orlent Works Rogue Chain|Orlent Works|||US|"},
    // Wine quotes a value holding '=' although asked not to.
    {L"signed-odd-subject.exe", L"0 809 Odd Subject Signer|\u00D6rlent W\u00F6rks|M\u00FCnchen|Bayern|DE|Team=A",
     L"0 809 Odd Subject Signer|\u00D6rlent W\u00F6rks|M\u00FCnchen|Bayern|DE|\"Team=A\""},
    // Wine verifies the primary signature whatever the index asked for.
    {L"signed-nested.exe", L"0 809 " + kSigner + L"; 0 1193 Orlent Works Test Signer 3072|Orlent Works|Portland|Oregon|US|",
     L"0 809 " + kSigner + L"; 0 809 " + kSigner},
    {L"signed-pinned-tampered.exe", L""},
};

constexpr wchar_t kChildMarker[] = L"VISTANE_WINE_TRUST_CHILD";

// Wine reads the Root store once per process: the test root is added, the check runs
// again in a fresh process of this program, and the root is removed through the
// registry, where the system store keeps it (a delete through the store stays there).
void RunWithTheTestRoot() {
    std::ifstream file(Fixture(L"test-root.crt").c_str());
    const std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    BYTE der[4096];
    DWORD size = sizeof der;
    ASSERT_TRUE(CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der, &size, nullptr, nullptr));
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    ASSERT_TRUE(CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der, size, CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertCloseStore(store, 0);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=FileTrustUnderWine.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    SetEnvironmentVariableW(kChildMarker, L"1");
    EXPECT_TRUE(CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child));
    SetEnvironmentVariableW(kChildMarker, nullptr);
    DWORD exitCode = 1;
    WaitForSingleObject(child.hProcess, INFINITE);
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(exitCode, 0u) << "the check failed in its own process (see its output above)";
    BYTE thumbprint[20];
    DWORD length = sizeof thumbprint;
    std::wstring key = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
    ASSERT_TRUE(CryptHashCertificate(0, CALG_SHA1, 0, der, size, thumbprint, &length));
    for (const BYTE byte : thumbprint) key += {L"0123456789ABCDEF"[byte >> 4], L"0123456789ABCDEF"[byte & 15]};
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
}

}  // namespace

TEST(FileTrustUnderWine, SignerRecordsUnderTheTestRoot) {
    if (GetFileAttributesW(Fixture(L"signed-pinned.exe").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no signed fixtures: osslsigncode was missing when the build was configured";
    if (GetEnvironmentVariableW(kChildMarker, nullptr, 0) == 0) return RunWithTheTestRoot();
    // A byte of the signed content changed after signing.
    ASSERT_TRUE(CopyFileW(Fixture(L"signed-pinned.exe").c_str(), Fixture(L"signed-pinned-tampered.exe").c_str(), FALSE));
    std::fstream tampered(Fixture(L"signed-pinned-tampered.exe").c_str(), std::ios::in | std::ios::out | std::ios::binary);
    tampered.seekg(0x400);
    const char byte = static_cast<char>(tampered.get() ^ 0x5A);
    tampered.seekp(0x400);
    tampered.put(byte);
    tampered.close();
    for (const Case& row : kCases) {
        const bool strays = wine_checks::RunningUnderWine() && row.underWine != L"same";
        EXPECT_EQ(Records(Fixture(row.file)), strays ? row.underWine : row.records) << row.file;
    }
    DeleteFileW(Fixture(L"signed-pinned-tampered.exe").c_str());
}
