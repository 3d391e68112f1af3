#include "tests/unit/soak_concurrency/soak_calls.h"

#include "logging/text_encoding.h"
#include "platform/sim/winsim.h"
#include "security/authenticode_facade.h"
#include "server/launcher.h"
#include "tests/support/launcher_machine.h"

namespace soak_test {

namespace {

using Qv::Vantix::Security::QvAuthenticodeFacade;
using Qv::Vantix::Server::Services::Launcher;

const std::wstring kHostFolder = L"C:\\Program Files\\Orlent Works\\Host\\";
const std::wstring kPinnedSetup = kHostFolder + L"QVVSSetup.exe";
const std::wstring kUnsignedSetup = kHostFolder + L"unsigned.exe";
const std::wstring kRogueChainSetup = kHostFolder + L"rogue.exe";
const std::wstring kTamperedSetup = kHostFolder + L"tampered.exe";
const std::wstring kUnpinnedTool = L"C:\\Windows\\System32\\tool.exe";
const std::wstring kCataloguedLibrary = L"C:\\Windows\\System32\\catalogued.dll";
const std::wstring kExpiredTool = L"C:\\Windows\\System32\\expired.exe";
const std::wstring kPinnedOutside = L"D:\\Data\\QVVSSetup.exe";
const std::wstring kCatalog = L"C:\\Windows\\System32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\orlent.cat";
// Store folders: one owned as Windows owns them, one where SYSTEM lacks full control
// (refused after the retries, which only advance the virtual clock).
const std::wstring kOwnedStoreApp = L"D:\\WindowsApps\\Orlent.Viewer_1.2.3.4_x64__qv5n2x8z1k3m4\\Viewer.exe";
const std::wstring kForeignStoreApp = L"E:\\WindowsApps\\Other.App_1.0.0.0_x64__abc\\app.exe";
const std::wstring kMissingFamily = L"Orlent.Missing_qv5n2x8z1k3m4";

winsim::SignatureSpec Signature(const std::string& certificate) {
    winsim::SignatureSpec spec{winsim::LoadCertificate(certificate)};
    if (certificate == "untrusted-root-pinned") spec.chain.push_back(winsim::LoadCertificate("rogue-root"));
    return spec;
}

void AddSignedFile(const std::wstring& path, const std::string& content, const std::vector<std::string>& certificates) {
    winsim::AddFile(path, content);
    std::vector<winsim::SignatureSpec> signatures;
    for (const std::string& certificate : certificates) signatures.push_back(Signature(certificate));
    winsim::SignFile(path, signatures);
}

winsim::ObjectSecurity StoreFolderSecurity(bool systemHasFullControl) {
    winsim::ObjectSecurity security;
    security.entries = {
        {winsim::AceKind::Allowed, L"Users", READ_CONTROL | FILE_READ_DATA | FILE_EXECUTE, 0},
        {winsim::AceKind::Allowed, L"TrustedInstaller", GENERIC_ALL, 0},
    };
    if (systemHasFullControl) security.entries.push_back({winsim::AceKind::Allowed, L"SYSTEM", GENERIC_ALL, 0});
    return security;
}

Answer Verdict(bool granted) { return {granted, L""}; }

SoakCall FacadeCall(const std::string& operation, bool (QvAuthenticodeFacade::*ask)(const wchar_t*),
                    const std::wstring& path) {
    return {operation + " " + Qv::Vantix::Logging::NarrowText(path), [ask, path] {
                QvAuthenticodeFacade facade;
                return Verdict((facade.*ask)(path.c_str()));
            }};
}

}  // namespace

std::string Describe(const Answer& answer) {
    return std::string(answer.granted ? "granted" : "refused") +
           (answer.detail.empty() ? "" : " (" + Qv::Vantix::Logging::NarrowText(answer.detail) + ")");
}

void BuildSoakMachine() {
    winsim::TrustRoot(winsim::LoadCertificate("test-root"));
    AddSignedFile(kPinnedSetup, "setup", {"pinned-2048-a", "pinned-3072-a"});
    winsim::AddFile(kUnsignedSetup, "unsigned");
    AddSignedFile(kRogueChainSetup, "rogue", {"untrusted-root-pinned"});
    AddSignedFile(kTamperedSetup, "tampered", {"pinned-2048-a"});
    winsim::SetFileContent(kTamperedSetup, "tampered after signing");
    AddSignedFile(kUnpinnedTool, "tool", {"unpinned-2048"});
    winsim::AddFile(kCataloguedLibrary, "library");
    winsim::AddCatalog(kCatalog, Signature("pinned-3072-a"));
    winsim::AddCatalogMember(kCatalog, kCataloguedLibrary);
    AddSignedFile(kExpiredTool, "expired", {"expired-pinned"});
    AddSignedFile(kPinnedOutside, "setup", {"pinned-2048-a"});
    winsim::SetObjectSecurity(L"D:\\WindowsApps", StoreFolderSecurity(true));
    winsim::SetObjectSecurity(L"E:\\WindowsApps", StoreFolderSecurity(false));
    vistane_test::InstallViewer();
}

std::vector<SoakCall> SoakCalls() {
    std::vector<SoakCall> calls;
    for (const std::wstring& path : {kPinnedSetup, kUnsignedSetup, kRogueChainSetup, kTamperedSetup, kUnpinnedTool,
                                     kCataloguedLibrary, kExpiredTool, kPinnedOutside}) {
        calls.push_back(FacadeCall("IsFileTrusted", &QvAuthenticodeFacade::IsFileTrusted, path));
    }
    for (const std::wstring& path : {kUnpinnedTool, kRogueChainSetup, kPinnedOutside}) {
        calls.push_back(FacadeCall("IsFileTrustedByWindows", &QvAuthenticodeFacade::IsFileTrustedByWindows, path));
    }
    for (const std::wstring& path : {kExpiredTool, kPinnedOutside, kOwnedStoreApp, kForeignStoreApp}) {
        calls.push_back(FacadeCall("IsPathAllowed", &QvAuthenticodeFacade::IsPathAllowed, path));
    }

    // GAP: tool-launch checks on RPC threads join here once the caller check lands.

    calls.push_back({"IsRealUserSession", [] {
                         std::wstring profile;
                         const bool real = Launcher().IsRealUserSession(profile);
                         return Answer{real, profile};
                     }});
    for (const std::wstring& family : {vistane_test::kViewerFamily, kMissingFamily}) {
        calls.push_back({"GetPackageFullNameByFamilyName " + Qv::Vantix::Logging::NarrowText(family), [family] {
                             Launcher launcher;
                             const std::wstring name = launcher.GetPackageFullNameByFamilyName(
                                 family, launcher.GetUserTokenForCurrentUser(TokenImpersonation));
                             return Answer{!name.empty(), name};
                         }});
        calls.push_back({"Run viewer.exe " + Qv::Vantix::Logging::NarrowText(family), [family] {
                             return Verdict(Launcher().Run(vistane_test::kViewerAlias, family, L"-n"));
                         }});
    }
    return calls;
}

}  // namespace soak_test
