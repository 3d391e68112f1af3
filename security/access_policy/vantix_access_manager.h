#pragma once

#include <memory>

#include "security/access_policy/no_manifest_check_criteria.h"
#include "security/access_policy/vantix_access_exception.h"
#include "service/module_export.h"

namespace Qv::Vantix::Security {

// Decides whether a client calling without a caller manifest is exempt from needing one,
// with one criterion for store applications and one for desktop programs.
//
// How a host module asks the question:
//
//   namespace security = Qv::Vantix::Security;
//   using Qv::Vantix::Server::Win32::Win32Information;
//
//   auto client = std::make_shared<Win32Information>(L"KeyEventServiceUWP", 8, 9);
//   auto rows = security::Win32WithNoQVManifestExemptionWhiteList().GetExemption();
//   security::VantixAccessManager manager;
//   manager.SetWin32Checker(
//       std::make_shared<security::Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion>(rows, client));
//   bool exempt = manager.IsWin32Exempt();  // true; client->executableName is now lower case
//
// Asking before the matching checker is set (or after setting an empty one) throws
// vantix_access_exception. Copies share the same checker objects. Nothing is locked: set the
// checkers before the manager is used from several threads, and mind that the desktop
// criterion rewrites its shared client record on every question (see its header).
class VISTANE_API VantixAccessManager {
public:
    VantixAccessManager();
    VantixAccessManager(const VantixAccessManager& other);
    VantixAccessManager& operator=(const VantixAccessManager& other);
    ~VantixAccessManager();

    void SetUwpChecker(std::shared_ptr<IClientWithNoQvManifestCheckCriteria> checker);
    void SetWin32Checker(std::shared_ptr<IClientWithNoQvManifestCheckCriteria> checker);

    bool IsUwpExempt();
    bool IsWin32Exempt();

private:
    std::shared_ptr<IClientWithNoQvManifestCheckCriteria> _uwp_checker;
    std::shared_ptr<IClientWithNoQvManifestCheckCriteria> _win32_checker;
};

}  // namespace Qv::Vantix::Security
