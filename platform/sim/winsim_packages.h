#pragma once

// Control API of installed packages, per user.
#include <string>

#include "platform/sim/winsim.h"

namespace winsim {

struct Package {
    // "Name_Version_Architecture_ResourceId_PublisherId"; the identity fields of
    // PACKAGE_ID are read from it.
    std::wstring fullName;
    UINT32 properties = 0;  // PACKAGE_PROPERTY_* flags
    std::wstring installPath;
    PackageOrigin origin = PackageOrigin_Store;
    UINT64 version = 0;  // packed: Major, Minor, Build, Revision from the high word down
    std::wstring publisher = L"CN=Simulated Publisher";
};

// Packs a version as PACKAGE_VERSION does.
WINSIM_API UINT64 PackedVersion(UINT16 major, UINT16 minor, UINT16 build, UINT16 revision);

// Registers a package of `familyName` for `user`, after the family's earlier ones:
// the platform lists them in that order.
WINSIM_API void InstallPackage(const std::wstring& user, const std::wstring& familyName, const Package& package);
WINSIM_API void RemovePackageFamily(const std::wstring& user, const std::wstring& familyName);

}  // namespace winsim
