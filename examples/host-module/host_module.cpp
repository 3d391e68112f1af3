// host-module [FILE]: asks the access manager whether two desktop clients are exempt
// from needing a caller manifest, and the trust facade whether FILE (this program when
// none is given) may be trusted. The module logs its reasons to standard error.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "security/access_policy/exemption_white_list.h"
#include "security/access_policy/no_manifest_check_criteria.h"
#include "security/access_policy/vantix_access_manager.h"
#include "security/file_trust/authenticode_facade.h"
#include "server/win32_information.h"

namespace security = Qv::Vantix::Security;
using Qv::Vantix::Server::Win32::Win32Information;

namespace {

// One manager per question: the desktop criterion rewrites the client record it shares.
bool IsDesktopClientExempt(const std::wstring& executableName, unsigned short major, unsigned short minor) {
    auto client = std::make_shared<Win32Information>(executableName, major, minor);
    security::VantixAccessManager manager;
    manager.SetWin32Checker(std::make_shared<security::Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
        security::Win32WithNoQVManifestExemptionWhiteList().GetExemption(), client));
    return manager.IsWin32Exempt();
}

// The facade is stateless: one on the stack per question.
bool IsFileTrusted(const std::filesystem::path& file) {
    security::QvAuthenticodeFacade facade;
    return facade.IsFileTrusted(file.wstring().c_str());
}

const char* YesNo(bool answer) { return answer ? "yes" : "no"; }

}  // namespace

int main(int argc, char** argv) {
    std::printf("KeyEventServiceUWP 8.9 is exempt: %s\n", YesNo(IsDesktopClientExempt(L"KeyEventServiceUWP", 8, 9)));
    std::printf("KeyEventServiceUWP 9.0 is exempt: %s\n", YesNo(IsDesktopClientExempt(L"KeyEventServiceUWP", 9, 0)));
    try {
        security::VantixAccessManager().IsUwpExempt();
    } catch (const security::vantix_access_exception& error) {
        std::printf("asking before setting a checker: %s\n", error.what());
    }
    const std::filesystem::path file = argc > 1 ? argv[1] : argv[0];
    std::printf("%s is trusted: %s\n", file.string().c_str(), YesNo(IsFileTrusted(file)));
    return 0;
}
