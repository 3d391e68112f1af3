#pragma once

#include <memory>
#include <vector>

#include "security/access_policy/matching_descriptor.h"
#include "server/uwp_information.h"
#include "server/win32_information.h"
#include "service/module_export.h"

namespace Qv::Vantix::Security {

// Answers whether one client, lacking a caller manifest, is exempt from needing one.
class VISTANE_API IClientWithNoQvManifestCheckCriteria {
public:
    virtual ~IClientWithNoQvManifestCheckCriteria();
    virtual bool IsAnException() = 0;
};

// A row exempts the client when the client's (major, minor) is not above the row's; build,
// revision and the row's operation are not looked at. The first matching row decides.
//
// Both criteria share their rows and client record with the caller (copies of a criterion
// share them too): nothing is copied, so later changes through the caller's pointers are
// what the next IsAnException sees. An empty row or client pointer answers false.

// Matches the package family name exactly, letter case included.
class VISTANE_API UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion : public IClientWithNoQvManifestCheckCriteria {
public:
    UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion(std::shared_ptr<std::vector<UwpMatchingDescriptor>> exemptions,
                                                         std::shared_ptr<Server::Uwp::UwpInformation> client);
    UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion(const UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion& other);
    UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion& operator=(
        const UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion& other);
    ~UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion() override;

    bool IsAnException() override;

private:
    std::shared_ptr<std::vector<UwpMatchingDescriptor>> _exemptions;
    std::shared_ptr<Server::Uwp::UwpInformation> _client;
};

// Matches the executable name after lowering ASCII A-Z of the client's executableName IN
// PLACE: the shared client record keeps the lower-case name after the call (identifier is
// left as it was).
//
// Thread safety: IsAnException writes to the shared client record on every call. Do not run
// it while any other thread reads or writes that record, and do not run two criteria that
// share one record at the same time; give each thread its own record or serialise the calls.
class VISTANE_API Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion : public IClientWithNoQvManifestCheckCriteria {
public:
    Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion(
        std::shared_ptr<std::vector<Win32MatchingDescriptor>> exemptions,
        std::shared_ptr<Server::Win32::Win32Information> client);
    Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion(
        const Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion& other);
    Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion& operator=(
        const Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion& other);
    ~Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion() override;

    bool IsAnException() override;

private:
    std::shared_ptr<std::vector<Win32MatchingDescriptor>> _exemptions;
    std::shared_ptr<Server::Win32::Win32Information> _client;
};

}  // namespace Qv::Vantix::Security
