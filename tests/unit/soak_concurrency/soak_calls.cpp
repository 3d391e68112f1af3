#include "tests/unit/soak_concurrency/soak_calls.h"

#include "logging/text_encoding.h"
#include "platform/sim/winsim.h"
#include "security/file_trust/authenticode_facade.h"
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
const std::wstring kSupportFamily = L"C7E4A920.QVCompanionHub_k4m2x9pq7wd3t";
const std::wstring kSystem32 = L"C:\\Windows\\System32\\";
// Libraries named in tool arguments: pinned in the extended list, inside and outside
// the allowed folders.
const std::wstring kPinnedLibrary = kSystem32 + L"orlent.dll";
const std::wstring kMisplacedLibrary = L"D:\\Data\\orlent.dll";

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

SoakCall ToolLaunchCall(const std::string& caller, DWORD clientPid, const std::wstring& tool, bool option,
                        const std::wstring& arguments) {
    return {"IsTrustedToolLaunch " + caller + " " + Qv::Vantix::Logging::NarrowText(tool + L" " + arguments),
            [=] {
                winsim::RpcCallScope call(clientPid);
                return Verdict(QvAuthenticodeFacade().IsTrustedToolLaunch(tool.c_str(), option, arguments.c_str(),
                                                                          L"soak"));
            }};
}

}  // namespace

std::string Describe(const Answer& answer) {
    return std::string(answer.granted ? "granted" : "refused") +
           (answer.detail.empty() ? "" : " (" + Qv::Vantix::Logging::NarrowText(answer.detail) + ")");
}

SoakClients BuildSoakMachine() {
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
    for (const wchar_t* tool : {L"sfc.exe", L"regsvr32.exe", L"rundll32.exe"})
        AddSignedFile(kSystem32 + tool, "tool", {"unpinned-2048"});
    winsim::AddFile(kSystem32 + L"mmc.exe", "unsigned tool");
    AddSignedFile(kPinnedLibrary, "library", {"pinned-extended-only"});
    AddSignedFile(kMisplacedLibrary, "library", {"pinned-extended-only"});
    vistane_test::InstallViewer();
    const std::wstring storeApp = L"C:\\Program Files\\WindowsApps\\app\\app.exe";
    return {winsim::AddProcess({L"user1", storeApp, kSupportFamily}),
            winsim::AddProcess({L"user1", storeApp, L"Other.App_abc123"})};
}

std::vector<SoakCall> SoakCalls(const SoakClients& clients) {
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

    const DWORD support = clients.supportApplication;
    calls.push_back(ToolLaunchCall("support", support, kSystem32 + L"sfc.exe", true, L"/scannow"));
    calls.push_back(ToolLaunchCall("support", support, kSystem32 + L"regsvr32.exe", false, L"/s " + kPinnedLibrary));
    calls.push_back(ToolLaunchCall("support", support, kSystem32 + L"regsvr32.exe", false, L"/s " + kMisplacedLibrary));
    calls.push_back(ToolLaunchCall("support", support, L"%windir%\\System32\\rundll32.exe", false,
                                   L"\"" + kPinnedLibrary + L"\",Entry 1"));
    calls.push_back(ToolLaunchCall("support", support, kSystem32 + L"mmc.exe", false, L""));
    calls.push_back(ToolLaunchCall("support", support, kUnpinnedTool, false, L""));
    calls.push_back(ToolLaunchCall("stranger", clients.stranger, kSystem32 + L"sfc.exe", false, L"/scannow"));

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
