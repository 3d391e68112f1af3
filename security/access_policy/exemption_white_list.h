#pragma once

#include <memory>
#include <vector>

#include "security/access_policy/matching_descriptor.h"
#include "service/module_export.h"

namespace Qv::Vantix::Security {

// The built-in rows of store applications exempt from the caller-manifest requirement.
// The rows are built when the module loads and never change; GetExemption hands out a
// fresh copy on every call, so callers may edit theirs and may call from any thread.
class VISTANE_API UwpWithNoQVManifestExemptionWhiteList {
public:
    UwpWithNoQVManifestExemptionWhiteList();
    UwpWithNoQVManifestExemptionWhiteList(const UwpWithNoQVManifestExemptionWhiteList&) = default;
    UwpWithNoQVManifestExemptionWhiteList& operator=(const UwpWithNoQVManifestExemptionWhiteList& other);
    ~UwpWithNoQVManifestExemptionWhiteList();

    std::shared_ptr<std::vector<UwpMatchingDescriptor>> GetExemption();

private:
    static const std::vector<UwpMatchingDescriptor> _white_list;  // rows: exemption_rows.cpp
};

// The same for desktop programs; executable names are stored in lower case.
class VISTANE_API Win32WithNoQVManifestExemptionWhiteList {
public:
    Win32WithNoQVManifestExemptionWhiteList();
    Win32WithNoQVManifestExemptionWhiteList(const Win32WithNoQVManifestExemptionWhiteList&) = default;
    Win32WithNoQVManifestExemptionWhiteList& operator=(const Win32WithNoQVManifestExemptionWhiteList& other);
    ~Win32WithNoQVManifestExemptionWhiteList();

    std::shared_ptr<std::vector<Win32MatchingDescriptor>> GetExemption();

private:
    static const std::vector<Win32MatchingDescriptor> _white_list;  // rows: exemption_rows.cpp
};

}  // namespace Qv::Vantix::Security
