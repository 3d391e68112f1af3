#include "security/access_policy/vantix_access_manager.h"

#include <utility>

namespace Qv::Vantix::Security {

namespace {
const char* const kUwpCheckerMissing = "The Behavior was not defined. A call to SetUwpChecker must be done.";
const char* const kWin32CheckerMissing = "The Behavior was not defined. A call to SetWin32Checker must be done.";
}  // namespace

VantixAccessManager::VantixAccessManager() = default;
VantixAccessManager::VantixAccessManager(const VantixAccessManager& other) = default;
VantixAccessManager& VantixAccessManager::operator=(const VantixAccessManager& other) = default;
VantixAccessManager::~VantixAccessManager() = default;

void VantixAccessManager::SetUwpChecker(std::shared_ptr<IClientWithNoQvManifestCheckCriteria> checker) {
    _uwp_checker = std::move(checker);
}

void VantixAccessManager::SetWin32Checker(std::shared_ptr<IClientWithNoQvManifestCheckCriteria> checker) {
    _win32_checker = std::move(checker);
}

bool VantixAccessManager::IsUwpExempt() {
    if (!_uwp_checker) throw vantix_access_exception(kUwpCheckerMissing);
    return _uwp_checker->IsAnException();
}

bool VantixAccessManager::IsWin32Exempt() {
    if (!_win32_checker) throw vantix_access_exception(kWin32CheckerMissing);
    return _win32_checker->IsAnException();
}

}  // namespace Qv::Vantix::Security
