#include <gtest/gtest.h>

#include "platform/sim/sim_trust.h"
#include "security/file_trust/authenticode_facade.h"
#include "security/file_trust/publisher_rules.h"
#include "security/file_trust/signature_verification.h"
#include "security/file_trust/signer_extraction.h"
#include "tests/support/security_rows.h"

namespace {

using namespace vistane_test;
using namespace Qv::Vantix::Security;
using Facade = QvAuthenticodeFacade;

const wchar_t* const kSetup = L"C:\\Program Files\\Orlent Works\\Host\\QVVSSetup.exe";
const wchar_t* const kTool = L"C:\\Windows\\System32\\tool.exe";
const wchar_t* const kData = L"D:\\Data\\x.exe";
const LogRecord kStart = Info(L"Starting validation of Dropbox file.");
const LogRecord kNotByWindows = Error(L"Dropbox file is not trusted by windows.");

Ask Asked(bool (Facade::*question)(const wchar_t*), const wchar_t* path) {
    return [=] { return Text((Facade().*question)(path)); };
}
Ask Trusted(const wchar_t* path) { return Asked(&Facade::IsFileTrusted, path); }
Ask Dropbox(const wchar_t* path) { return Asked(&Facade::IsDropboxFileTrusted, path); }
Ask ByWindows(const wchar_t* path) { return Asked(&Facade::IsFileTrustedByWindows, path); }
Ask SameKey(const wchar_t* first, const wchar_t* second) {
    return [=] { return Text(Facade().AreFilesSignedWithSameKey(first, second)); };
}
// Each record as "status key-length common-name", catalog first.
Ask Signers(const wchar_t* path) {
    return [=] {
        std::string text;
        for (const SignerInformation& signer : QvAuthenticodeHelper::GetFileSigners(path)) {
            text += (text.empty() ? "" : "; ") + std::to_string(signer.status) + " " +
                    std::to_string(signer.publicKey.size()) + " " + Narrow(signer.commonName);
        }
        return text;
    };
}
LogRecord NotLocal(const wchar_t* path) {
    return Error(L"Security - IsFileTrusted - Refused [" + std::wstring(path) + L"]: not a path on a local drive");
}
Log Judged(const std::wstring& path, const std::vector<std::wstring>& subjects, bool windows, bool pinned) {
    return Embedded(path, subjects) + Log{Verdict(windows, pinned)};
}

std::vector<Row> Rows() {
    const Step listed = Listed(kTool, "pinned-2048-a"), pinned = Signed(kSetup, {"pinned-2048-a"});
    const Log outside = Service(kData) + Refused(kData);
    std::vector<Row> rows = {
        {"pinned", {pinned}, Trusted(kSetup), "true", Judged(kSetup, {kPinned}, 1, 1) + InProgramFiles(kSetup)},
        {"unsigned", {Signed(kSetup, {})}, Trusted(kSetup), "false", Embedded(kSetup, {})},
        {"missing", {}, Trusted(kSetup), "false", {Cat(kSetup)}},
        {"unpinned: no place judged", {Signed(kSetup, {"unpinned-2048"})}, Trusted(kSetup), "false", Judged(kSetup, {kUnpinned}, 1, 0)},
        {"pinned, outside", {Signed(kData, {"pinned-2048-a"})}, Trusted(kData), "false", Judged(kData, {kPinned}, 1, 1) + outside},
        {"expired counts for Windows", {Signed(kTool, {"expired-pinned"})}, Trusted(kTool), "true",
         Judged(kTool, {kExpired}, 1, 1) + InWindows(kTool)},
        {"untrusted root", {Signed(kSetup, {"untrusted-root-pinned"})}, Trusted(kSetup), "false", Judged(kSetup, {kRogue}, 0, 1)},
        {"Windows and pin from two signatures", {Signed(kSetup, {"unpinned-2048", "untrusted-root-pinned"})}, Trusted(kSetup),
         "true", Judged(kSetup, {kUnpinned, kRogue}, 1, 1) + InProgramFiles(kSetup)},
        {"Windows from a catalog", {Signed(kTool, {"untrusted-root-pinned"}), Listed(kTool, "unpinned-2048")}, Trusted(kTool),
         "true", Log{Cat(kTool), Subject(kUnpinned), Subject(kRogue), Verdict(true, true)} + InWindows(kTool)},
        {"extended key", {Signed(kSetup, {"pinned-extended-only"})}, Trusted(kSetup), "false", Judged(kSetup, {kExtended}, 1, 0)},
        {"extended list", {Signed(kSetup, {"pinned-extended-only"})}, Asked(&Facade::IsFileTrustedExtended, kSetup), "true",
         Judged(kSetup, {kExtended}, 1, 1) + InProgramFiles(kSetup)},
        {"nulls", {pinned}, [] {
             Facade facade;
             return Text(facade.IsFileTrusted(nullptr) || facade.IsFileTrustedExtended(nullptr) || facade.IsFileTrustedByWindows(nullptr) ||
                         facade.AreFilesSignedWithSameKey(nullptr, kSetup) || facade.AreFilesSignedWithSameKey(kSetup, nullptr));
         }, "false", {}},
        {"by Windows", {Signed(kTool, {"unpinned-2048"})}, ByWindows(kTool), "true", Embedded(kTool, {kUnpinned}) + InWindows(kTool)},
        {"by Windows, untrusted root", {Signed(kSetup, {"untrusted-root-pinned"})}, ByWindows(kSetup), "false", Embedded(kSetup, {kRogue})},
        {"by Windows, outside", {Signed(kData, {"unpinned-2048"})}, ByWindows(kData), "false", Embedded(kData, {kUnpinned}) + outside},
        {"file-sync", {Signed(kSetup, {"dropbox-like"})}, Dropbox(kSetup), "true", Log{kStart, Subject(kDropbox)} + InProgramFiles(kSetup)},
        {"file-sync, outside", {Signed(kData, {"dropbox-like"})}, Dropbox(kData), "false", Log{kStart, Subject(kDropbox)} + outside},
        {"file-sync, other signer", {pinned}, Dropbox(kSetup), "false", {kStart, Subject(kPinned)}},
        {"file-sync, catalog only", {Signed(kSetup, {}), Listed(kSetup, "dropbox-like")}, Dropbox(kSetup), "false", {kStart, kNotByWindows}},
        {"file-sync, null", {}, Dropbox(nullptr), "false", {kStart, kNotByWindows}},
        {"same key, another certificate", {pinned, Signed(kTool, {"expired-pinned"})}, SameKey(kSetup, kTool), "true",
         Embedded(kSetup, {kPinned}) + Embedded(kTool, {kExpired})},
        {"other keys", {pinned, Signed(kData, {"unpinned-2048"})}, SameKey(kSetup, kData), "false",
         Embedded(kSetup, {kPinned}) + Embedded(kData, {kUnpinned})},
        {"unreadable keys", {pinned, Signed(kData, {"pinned-2048-a"}), Fail("WTHelperGetProvCertFromChain", 0, 87)},
         SameKey(kSetup, kData), "false", Embedded(kSetup, {}) + Embedded(kData, {})},
        {"an unreadable key is not pinned", {pinned, Fail("WTHelperGetProvCertFromChain", 0, 87)}, Trusted(kSetup), "false",
         Judged(kSetup, {}, 1, 0)},
        // Signer records: the catalog's first, then the embedded ones in index order.
        {"primary, nested", {Signed(kTool, {"pinned-2048-a", "pinned-3072-a"})}, Signers(kTool),
         "0 809 Orlent Works Test Signer; 0 1193 Orlent Works Test Signer 3072", Embedded(kTool, {kPinned, kPinned3072})},
        {"in both passes", {Signed(kTool, {"pinned-2048-a"}), listed}, Signers(kTool),
         "0 809 Orlent Works Test Signer; 0 809 Orlent Works Test Signer", {Cat(kTool), Subject(kPinned), Subject(kPinned)}},
        {"the first catalog", {Signed(kTool, {"pinned-3072-a"}), Listed(kTool, "unpinned-2048", kCatalog + L".1"), listed},
         Signers(kTool), "0 809 Somebody Else Signer; 0 1193 Orlent Works Test Signer 3072",
         {Cat(kTool), Subject(kUnpinned), Subject(kPinned3072)}},
        {"statuses", {Signed(kTool, {"expired-pinned", "untrusted-root-pinned", "unpinned-2048"})}, Signers(kTool),
         "-2146762495 809 Orlent Works Expired Signer; -2146762487 809 Orlent Works Rogue Chain; 0 809 Somebody Else Signer",
         Embedded(kTool, {kExpired, kRogue, kUnpinned})},
        {"rejected signature", {Signed(kTool, {{"unpinned-2048", TRUST_E_CERT_SIGNATURE}, "pinned-2048-a"})}, Signers(kTool),
         "0 809 Orlent Works Test Signer", Embedded(kTool, {kPinned})},
        {"changed", {Signed(kTool, {"pinned-2048-a"}), listed, [] { winsim::SetFileContent(kTool, "patched"); }}, Signers(kTool), "", Embedded(kTool, {})},
        {"unusual subject", {Signed(kTool, {"odd-subject"})}, Signers(kTool), "0 809 Odd Subject Signer",
         Embedded(kTool, {L"C=DE\r\nS=Bayern\r\nL=M\u00FCnchen\r\nO=\u00D6rlent W\u00F6rks\r\nOU=First Unit\r\nOU=Team=A\r\n"
                          L"CN=Odd Subject Signer\r\nE=signer@example.test"})},
        {"not verified", {Signed(kTool, {"pinned-2048-a"}), Fail("WinVerifyTrust", 1, TRUST_E_SUBJECT_NOT_TRUSTED)}, Signers(kTool),
         "", Embedded(kTool, {})},
        {"unreadable subject", {Signed(kTool, {"pinned-2048-a"}), Fail("CertNameToStrW", 0, E_INVALIDARG)}, Signers(kTool),
         "0 809 ", Embedded(kTool, {}) + Log{Error(L"Error while retrieving Subject field."), Subject(L"")}},
    };
    for (const char* api : {"WTHelperProvDataFromStateData", "WTHelperGetProvSignerFromChain", "WTHelperGetProvCertFromChain"})
        rows.push_back({api, {Signed(kTool, {"expired-pinned"}), Fail(api, 0, 87)}, Signers(kTool), "-2146762495 0 ", Embedded(kTool, {})});
    // A catalog lookup that fails ends with its own record, if any, and releases what it had.
    const std::tuple<const char*, unsigned, Log> lookups[] = {
        {"CryptCATAdminAcquireContext2", 0,
         {Error(L"Security - GetSecurityCatalogInfo - Failed during CryptCATAdminAcquireContext2. Error Code = 87")}},
        {"CreateFileW", 0, {}}, {"CryptCATAdminCalcHashFromFileHandle2", 1, {}}, {"CryptCATAdminCalcHashFromFileHandle2", 2, {}},
        {"CryptCATAdminEnumCatalogFromHash", 0, {NoCat(87)}}, {"CryptCATCatalogInfoFromContext", 0, {}}};
    for (const auto& [api, nth, log] : lookups)
        rows.push_back({api, {Signed(kTool, {}), listed, Fail(api, nth, 87)}, Trusted(kTool), "false", Log{Cat(kTool)} + log});
    // Another machine would be handed this one's credentials, and a device answers as
    // its owner likes: refused before anything is opened.
    for (const wchar_t* path : {L"\\\\host\\share\\x.dll", L"//host/share/x.dll", L"\\\\?\\UNC\\host\\share\\x.dll",
                                L"//?/UNC/host/share/x.dll", L"\\\\host@80\\share\\x.dll", L"\\\\host@SSL\\DavWWWRoot\\x.dll",
                                L"\\\\.\\pipe\\x", L"\\\\.\\C:\\Windows\\x.dll", L"\\\\?\\GLOBALROOT\\Device\\Mup\\h\\s\\x.dll",
                                L"\\??\\UNC\\host\\share\\x.dll", L"/?\?/C:/Windows/x.dll", L"\\??\\", L"\\?\?/C:\\x.dll"})
        rows.push_back({Narrow(path), {}, Trusted(path), "false", {NotLocal(path)}});
    rows.push_back({"relative, on a share", {[] { winsim::SetCurrentDirectory(L"\\\\host\\share\\dir"); }}, Trusted(L"x.dll"),
                    "false", {NotLocal(L"x.dll")}});
    for (const wchar_t* path : {L"\\\\?\\C:\\Program Files\\x.exe", L"a:\\x.exe", L"Z:\\x.exe", L"z:x.exe", L"x.exe"})
        rows.push_back({Narrow(path), {}, Trusted(path), "false", {Cat(path)}});
    return rows;
}

class FileTrust : public RowTest {};

TEST_F(FileTrust, Rows) { Check(Rows()); }

TEST_F(FileTrust, Sweep) { Sweep(Rows()); }

// What the module asks WinVerifyTrust, every field: no UI, no revocation, no provider
// flags, the SHA-256 catalog context, then each embedded signature by its index.
TEST_F(FileTrust, VerificationRequests) {
    winsim::TrustRoot(winsim::LoadCertificate("test-root"));
    winsim::AddFile(kTool, "program");
    winsim::SignFile(kTool, {Sig("pinned-2048-a").spec, Sig("pinned-3072-a").spec});
    Listed(kTool, "pinned-2048-a")();
    QvAuthenticodeHelper::GetFileSigners(kTool);
    const std::wstring asked = L"hwnd=desktop size=88 ui=2 revocation=0 state=1 provFlags=0x0 uiContext=0 policyData=null "
                               L"sipData=null url=null settings=(size=32 flags=0x3 index=";
    const std::wstring file = L" policy=null) file=(size=32 path=" + std::wstring(kTool) + L" handle=null subject=null)";
    EXPECT_EQ(winsim::VerificationRequests(),
              (std::vector<std::wstring>{asked + L"0 policy=null) catalog=(size=72 version=0 catalog=" + kCatalog + L" tag=" +
                                             winsim::detail::UpperHex(winsim::Sha256("program")) + L" member=" + kTool +
                                             L" memberHandle=null hash=0 context=null admin=SHA256)",
                                         asked + L"0" + file, asked + L"1" + file}));
    EXPECT_LOG(Cat(kTool), Subject(kPinned), Subject(kPinned), Subject(kPinned3072));
}

// Subject texts no certificate here carries, and rules the facade never reaches so.
TEST(FileTrustTexts, SubjectFieldsAndKeyRules) {
    const std::pair<const wchar_t*, const wchar_t*> subjects[] = {
        {L"C=US\r\nS=Oregon\r\nL=Portland\r\nO=Orlent\r\nOU=Unit\r\nCN=Signer", L"US|Oregon|Portland|Orlent|Unit|Signer"},
        {L"cn=lower\r\nE=a@b.test\r\nno separator\r\nOU=Team=A\r\nCN= padded \r\nCN=", L"||||Team=A|"},
        {L"x CN=Shifted\r\n O=Leading\r\na b L=Twice\r\nS=A\nC=B\r\n", L"|A\nC=B||Leading||Shifted"},
    };
    for (const auto& [subject, fields] : subjects) {
        SignerInformation record;
        QvAuthenticodeHelper::ParseSubject(subject, record);
        EXPECT_EQ(record.country + L"|" + record.state + L"|" + record.locality + L"|" + record.organization + L"|" +
                      record.organizationalUnit + L"|" + record.commonName, fields) << Narrow(subject);
    }
    const std::vector<std::string> keys{"", "aa"};
    EXPECT_FALSE(IsTrustedByMeridel({SignerInformation{}}, nullptr));
    EXPECT_FALSE(IsTrustedByMeridel({}, &keys) || IsTrustedByMeridel({SignerInformation{}}, &keys));
}

}  // namespace
