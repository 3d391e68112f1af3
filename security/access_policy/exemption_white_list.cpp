#include "security/access_policy/exemption_white_list.h"

namespace Qv::Vantix::Security {

UwpWithNoQVManifestExemptionWhiteList::UwpWithNoQVManifestExemptionWhiteList() = default;
UwpWithNoQVManifestExemptionWhiteList& UwpWithNoQVManifestExemptionWhiteList::operator=(
    const UwpWithNoQVManifestExemptionWhiteList&) = default;
UwpWithNoQVManifestExemptionWhiteList::~UwpWithNoQVManifestExemptionWhiteList() = default;

std::shared_ptr<std::vector<UwpMatchingDescriptor>> UwpWithNoQVManifestExemptionWhiteList::GetExemption() {
    return std::make_shared<std::vector<UwpMatchingDescriptor>>(_white_list);
}

Win32WithNoQVManifestExemptionWhiteList::Win32WithNoQVManifestExemptionWhiteList() = default;
Win32WithNoQVManifestExemptionWhiteList& Win32WithNoQVManifestExemptionWhiteList::operator=(
    const Win32WithNoQVManifestExemptionWhiteList&) = default;
Win32WithNoQVManifestExemptionWhiteList::~Win32WithNoQVManifestExemptionWhiteList() = default;

std::shared_ptr<std::vector<Win32MatchingDescriptor>> Win32WithNoQVManifestExemptionWhiteList::GetExemption() {
    return std::make_shared<std::vector<Win32MatchingDescriptor>>(_white_list);
}

}  // namespace Qv::Vantix::Security
