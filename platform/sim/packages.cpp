#include <cstring>
#include <map>
#include <vector>

#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

struct InstalledPackage {
    std::wstring familyName;
    winsim::Package package;
};

struct PackageState {
    // folded user -> packages in registration order
    std::map<std::wstring, std::vector<InstalledPackage>> byUser;
};

PackageState& Packages() {
    static auto* state = new PackageState();
    return *state;
}

const ResetHookRegistrar resetPackages([] { Packages() = PackageState(); });

struct PackageInfoObject : HandleObject {
    InstalledPackage installed;
};

// The calling thread's identity decides what is registered; the system account has
// no packages of its own.
std::vector<InstalledPackage> PackagesOfCaller() {
    auto found = Packages().byUser.find(FoldCase(CurrentThreadUser()));
    return found == Packages().byUser.end() ? std::vector<InstalledPackage>() : found->second;
}

const InstalledPackage* FindByFullName(const std::vector<InstalledPackage>& packages, std::wstring_view fullName) {
    for (const InstalledPackage& installed : packages)
        if (FoldCase(installed.package.fullName) == FoldCase(fullName)) return &installed;
    return nullptr;
}

// A full name has five parts separated by underscores.
bool IsFullName(PCWSTR text) {
    if (text == nullptr || *text == L'\0') return false;
    size_t separators = 0;
    for (PCWSTR at = text; *at; ++at) separators += *at == L'_';
    return separators == 4;
}

std::vector<std::wstring> FullNameParts(const std::wstring& fullName) {
    std::vector<std::wstring> parts(1);
    for (wchar_t unit : fullName) {
        if (unit == L'_') parts.emplace_back();
        else parts.back().push_back(unit);
    }
    parts.resize(5);
    return parts;
}

UINT32 ArchitectureOf(const std::wstring& text) {
    const std::wstring folded = FoldCase(text);
    if (folded == L"x86") return PROCESSOR_ARCHITECTURE_INTEL;
    if (folded == L"arm") return PROCESSOR_ARCHITECTURE_ARM;
    if (folded == L"x64") return PROCESSOR_ARCHITECTURE_AMD64;
    if (folded == L"arm64") return PROCESSOR_ARCHITECTURE_ARM64;
    return PROCESSOR_ARCHITECTURE_NEUTRAL;
}

// Which kinds of package a filter lets through.
bool PassesFilter(UINT32 properties, UINT32 filter) {
    if (properties & PACKAGE_PROPERTY_RESOURCE) return (filter & PACKAGE_FILTER_RESOURCE) != 0;
    if (properties & PACKAGE_PROPERTY_BUNDLE) return (filter & PACKAGE_FILTER_BUNDLE) != 0;
    if (properties & PACKAGE_PROPERTY_OPTIONAL) return (filter & PACKAGE_FILTER_OPTIONAL) != 0;
    return (filter & PACKAGE_FILTER_HEAD) != 0;
}

// Writes a text and its terminator at `at`, returning where the next one goes.
WCHAR* PlaceText(WCHAR* at, const std::wstring& text) {
    std::copy(text.begin(), text.end(), at);
    at[text.size()] = L'\0';
    return at + text.size() + 1;
}

}  // namespace

LONG WINAPI FindPackagesByPackageFamily(PCWSTR packageFamilyName, UINT32 packageFilters, UINT32* count,
                                        PWSTR* packageFullNames, UINT32* bufferLength, WCHAR* buffer,
                                        UINT32* packageProperties) {
    if (auto fault = Enter("FindPackagesByPackageFamily", ERROR_INVALID_PARAMETER)) return static_cast<LONG>(*fault);
    if (packageFamilyName == nullptr || count == nullptr || bufferLength == nullptr) return ERROR_INVALID_PARAMETER;
    MachineLock lock(MachineMutex());
    std::vector<winsim::Package> found;
    for (const InstalledPackage& installed : PackagesOfCaller()) {
        if (FoldCase(installed.familyName) == FoldCase(packageFamilyName) &&
            PassesFilter(installed.package.properties, packageFilters))
            found.push_back(installed.package);
    }
    UINT32 characters = 0;
    for (const winsim::Package& package : found) characters += static_cast<UINT32>(package.fullName.size() + 1);
    const UINT32 packages = static_cast<UINT32>(found.size());
    const bool fits = *count >= packages && *bufferLength >= characters &&
                      (packages == 0 || (packageFullNames != nullptr && buffer != nullptr));
    if (!fits) {
        *count = packages;
        *bufferLength = characters;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    WCHAR* at = buffer;
    for (UINT32 index = 0; index < packages; ++index) {
        packageFullNames[index] = at;
        at = PlaceText(at, found[index].fullName);
        if (packageProperties) packageProperties[index] = found[index].properties;
    }
    *count = packages;
    *bufferLength = characters;
    return ERROR_SUCCESS;
}

LONG WINAPI GetPackagePathByFullName(PCWSTR packageFullName, UINT32* pathLength, PWSTR path) {
    if (auto fault = Enter("GetPackagePathByFullName", ERROR_NOT_FOUND)) return static_cast<LONG>(*fault);
    if (pathLength == nullptr || !IsFullName(packageFullName)) return ERROR_INVALID_PARAMETER;
    MachineLock lock(MachineMutex());
    const auto packages = PackagesOfCaller();
    const InstalledPackage* installed = FindByFullName(packages, packageFullName);
    if (installed == nullptr) return ERROR_NOT_FOUND;
    const std::wstring& folder = installed->package.installPath;
    const UINT32 needed = static_cast<UINT32>(folder.size() + 1);
    if (path == nullptr || *pathLength < needed) {
        *pathLength = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    CopyOut(folder, path, *pathLength);
    *pathLength = needed;
    return ERROR_SUCCESS;
}

LONG WINAPI GetStagedPackageOrigin(PCWSTR packageFullName, PackageOrigin* origin) {
    if (auto fault = Enter("GetStagedPackageOrigin", ERROR_NOT_FOUND)) return static_cast<LONG>(*fault);
    if (origin == nullptr || !IsFullName(packageFullName)) return ERROR_INVALID_PARAMETER;
    MachineLock lock(MachineMutex());
    const auto packages = PackagesOfCaller();
    const InstalledPackage* installed = FindByFullName(packages, packageFullName);
    if (installed == nullptr) return ERROR_NOT_FOUND;
    *origin = installed->package.origin;
    return ERROR_SUCCESS;
}

LONG WINAPI OpenPackageInfoByFullName(PCWSTR packageFullName, const UINT32 reserved,
                                      PACKAGE_INFO_REFERENCE* packageInfoReference) {
    if (auto fault = Enter("OpenPackageInfoByFullName", ERROR_NOT_FOUND)) return static_cast<LONG>(*fault);
    if (reserved != 0 || packageInfoReference == nullptr || !IsFullName(packageFullName))
        return ERROR_INVALID_PARAMETER;
    MachineLock lock(MachineMutex());
    const auto packages = PackagesOfCaller();
    const InstalledPackage* installed = FindByFullName(packages, packageFullName);
    if (installed == nullptr) return ERROR_NOT_FOUND;
    auto object = std::make_shared<PackageInfoObject>();
    object->kind = "package info";
    object->installed = *installed;
    *packageInfoReference = static_cast<PACKAGE_INFO_REFERENCE>(AddHandle(object));
    return ERROR_SUCCESS;
}

LONG WINAPI GetPackageInfo(PACKAGE_INFO_REFERENCE packageInfoReference, const UINT32 flags, UINT32* bufferLength,
                           BYTE* buffer, UINT32* count) {
    if (auto fault = Enter("GetPackageInfo", ERROR_INVALID_PARAMETER)) return static_cast<LONG>(*fault);
    if (bufferLength == nullptr) return ERROR_INVALID_PARAMETER;
    auto object = FindHandleAs<PackageInfoObject>(packageInfoReference);
    if (!object) return ERROR_INVALID_HANDLE;
    const InstalledPackage& installed = object->installed;
    const winsim::Package& package = installed.package;
    // The package graph holds the package itself; the filter decides whether it counts.
    const bool headListed = PassesFilter(package.properties, flags);
    const auto parts = FullNameParts(package.fullName);
    const std::wstring texts[] = {package.installPath, package.fullName, installed.familyName,
                                  parts[0], package.publisher, parts[3], parts[4]};
    UINT32 needed = 0;
    if (headListed) {
        needed = sizeof(PACKAGE_INFO);
        for (const std::wstring& text : texts) needed += static_cast<UINT32>((text.size() + 1) * sizeof(WCHAR));
    }
    const UINT32 records = headListed ? 1u : 0u;
    if (records > 0 && (buffer == nullptr || *bufferLength < needed)) {
        *bufferLength = needed;
        if (count) *count = records;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    *bufferLength = needed;
    if (count) *count = records;
    if (records == 0) return ERROR_SUCCESS;
    auto* info = reinterpret_cast<PACKAGE_INFO*>(buffer);
    std::memset(info, 0, sizeof(PACKAGE_INFO));
    info->flags = package.properties;
    info->packageId.processorArchitecture = ArchitectureOf(parts[2]);
    info->packageId.version.Version = package.version;
    PWSTR* targets[] = {&info->path, &info->packageFullName, &info->packageFamilyName, &info->packageId.name,
                        &info->packageId.publisher, &info->packageId.resourceId, &info->packageId.publisherId};
    WCHAR* at = reinterpret_cast<WCHAR*>(buffer + sizeof(PACKAGE_INFO));
    for (size_t index = 0; index < std::size(texts); ++index) {
        *targets[index] = at;
        at = PlaceText(at, texts[index]);
    }
    return ERROR_SUCCESS;
}

LONG WINAPI ClosePackageInfo(PACKAGE_INFO_REFERENCE packageInfoReference) {
    if (auto fault = Enter("ClosePackageInfo", ERROR_INVALID_HANDLE, FaultScope::ExplicitOnly))
        return static_cast<LONG>(*fault);
    if (!FindHandleAs<PackageInfoObject>(packageInfoReference)) return ERROR_INVALID_HANDLE;
    CloseHandleObject(packageInfoReference);
    return ERROR_SUCCESS;
}

namespace winsim {

UINT64 PackedVersion(UINT16 major, UINT16 minor, UINT16 build, UINT16 revision) {
    return (static_cast<UINT64>(major) << 48) | (static_cast<UINT64>(minor) << 32) |
           (static_cast<UINT64>(build) << 16) | revision;
}

void InstallPackage(const std::wstring& user, const std::wstring& familyName, const Package& package) {
    MachineLock lock(MachineMutex());
    Packages().byUser[FoldCase(user)].push_back({familyName, package});
}

void RemovePackageFamily(const std::wstring& user, const std::wstring& familyName) {
    MachineLock lock(MachineMutex());
    auto& packages = Packages().byUser[FoldCase(user)];
    std::erase_if(packages, [&](const InstalledPackage& installed) {
        return FoldCase(installed.familyName) == FoldCase(familyName);
    });
}

}  // namespace winsim
