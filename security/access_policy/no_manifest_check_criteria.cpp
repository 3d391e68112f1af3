#include "security/access_policy/no_manifest_check_criteria.h"

#include <string>
#include <utility>

namespace Qv::Vantix::Security {

namespace {

template <class Record>
bool IsWithinRowVersion(const Record& row, const Record& client) {
    return row.major > client.major || (row.major == client.major && row.minor >= client.minor);
}

// What the C library's tolower does in the default locale. Applied per UTF-16 unit on purpose:
// handing units above 0xFF to the single-byte tolower would be undefined behaviour.
void LowerAsciiInPlace(std::wstring& text) {
    for (wchar_t& unit : text) {
        if (unit >= L'A' && unit <= L'Z') unit = static_cast<wchar_t>(unit - L'A' + L'a');
    }
}

}  // namespace

IClientWithNoQvManifestCheckCriteria::~IClientWithNoQvManifestCheckCriteria() = default;

UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion::UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion(
    std::shared_ptr<std::vector<UwpMatchingDescriptor>> exemptions, std::shared_ptr<Server::Uwp::UwpInformation> client)
    : _exemptions{std::move(exemptions)}, _client{std::move(client)} {}

UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion::UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion(
    const UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion& other) = default;
UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion& UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion::operator=(
    const UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion& other) = default;
UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion::~UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion() = default;

bool UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion::IsAnException() {
    if (!_exemptions || !_client) return false;
    for (const UwpMatchingDescriptor& row : *_exemptions) {
        const Server::Uwp::UwpInformation& exempt = row._information;
        if (exempt.packageFamilyName == _client->packageFamilyName && IsWithinRowVersion(exempt, *_client)) return true;
    }
    return false;
}

Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion::Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion(
    std::shared_ptr<std::vector<Win32MatchingDescriptor>> exemptions,
    std::shared_ptr<Server::Win32::Win32Information> client)
    : _exemptions{std::move(exemptions)}, _client{std::move(client)} {}

Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion::Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion(
    const Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion& other) = default;
Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion& Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion::operator=(
    const Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion& other) = default;
Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion::~Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion() =
    default;

bool Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion::IsAnException() {
    if (!_exemptions || !_client) return false;
    LowerAsciiInPlace(_client->executableName);
    for (const Win32MatchingDescriptor& row : *_exemptions) {
        const Server::Win32::Win32Information& exempt = row._information;
        if (exempt.executableName == _client->executableName && IsWithinRowVersion(exempt, *_client)) return true;
    }
    return false;
}

}  // namespace Qv::Vantix::Security
