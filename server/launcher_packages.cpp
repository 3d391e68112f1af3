// Store package queries: the package of a family, its install folder, its origin
// and version.
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "server/impersonated_call.h"
#include "server/launcher.h"
#include "server/launcher_resources.h"

namespace Qv::Vantix::Server::Services {

namespace {

// Main, framework, resource and bundle packages of the family.
constexpr UINT32 kFamilyFilter =
    PACKAGE_FILTER_HEAD | PACKAGE_FILTER_DIRECT | PACKAGE_FILTER_RESOURCE | PACKAGE_FILTER_BUNDLE;
// The package itself, its direct dependencies and bundle, basic information.
constexpr UINT32 kPackageInfoFlags =
    PACKAGE_FILTER_HEAD | PACKAGE_FILTER_DIRECT | PACKAGE_FILTER_BUNDLE | PACKAGE_INFORMATION_BASIC;

int VersionPart(std::uint64_t packed, int shift) { return static_cast<int>((packed >> shift) & 0xFFFF); }

}  // namespace

std::wstring Launcher::GetPackageFullNameByFamilyName(std::wstring familyName) {
    if (familyName.empty()) return std::wstring();
    std::lock_guard<std::mutex> lookup(rLock);

    UINT32 count = 0;
    UINT32 length = 0;
    FindPackagesByPackageFamily(familyName.c_str(), kFamilyFilter, &count, nullptr, &length, nullptr, nullptr);
    if (length == 0) {
        logger->LogWarning(LauncherText::kFamilySizeZero);
        return std::wstring();
    }
    const UINT32 allocated = count;
    std::unique_ptr<PWSTR[]> names(new (std::nothrow) PWSTR[allocated]());
    if (!names) {
        logger->LogWarning(LauncherText::kFamilyAllocationFailed);
        return std::wstring();
    }
    std::vector<WCHAR> characters(length, L'\0');
    std::vector<UINT32> properties(allocated, 0);
    if (FindPackagesByPackageFamily(familyName.c_str(), kFamilyFilter, &count, names.get(), &length,
                                    characters.data(), properties.data()) != ERROR_SUCCESS) {
        logger->LogWarning(LauncherText::kFamilyQueryFailed);
        return std::wstring();
    }
    // The first package with no property flag is the application itself.
    std::wstring result;
    for (UINT32 index = 0; index < count && index < allocated; ++index) {
        if (properties[index] == 0) {
            result = names[index];
            logger->LogInfo(LauncherText::kFamilyFound, familyName.c_str(), result.c_str());
            break;
        }
    }
    return result;
}

std::wstring Launcher::GetPackageFullNameByFamilyName(std::wstring familyName, std::shared_ptr<void> token) {
    return CallImpersonated(logger, token.get(), std::wstring(),
                            [&] { return GetPackageFullNameByFamilyName(familyName); });
}

std::wstring Launcher::GetPackageInstalledPathByFullName(std::wstring fullName) {
    if (fullName.empty()) return std::wstring();
    UINT32 length = 0;
    GetPackagePathByFullName(fullName.c_str(), &length, nullptr);
    if (length == 0) {
        logger->LogWarning(LauncherText::kPathSizeZero);
        return std::wstring();
    }
    std::vector<WCHAR> buffer(length, L'\0');
    if (GetPackagePathByFullName(fullName.c_str(), &length, buffer.data()) != ERROR_SUCCESS) {
        logger->LogWarning(LauncherText::kPathQueryFailed);
        return std::wstring();
    }
    return std::wstring(buffer.data());
}

std::wstring Launcher::GetPackageInstalledPathByFullName(std::wstring fullName, std::shared_ptr<void> token) {
    return CallImpersonated(logger, token.get(), std::wstring(),
                            [&] { return GetPackageInstalledPathByFullName(fullName); });
}

std::tuple<int, std::uint64_t> Launcher::GetOriginAndVersionByFullName(std::wstring fullName) {
    int origin = -1;
    std::uint64_t version = 0;
    try {
        PackageOrigin stagedOrigin = PackageOrigin_Unknown;
        if (GetStagedPackageOrigin(fullName.c_str(), &stagedOrigin) != ERROR_SUCCESS)
            throw std::runtime_error(LauncherText::kOriginFailed);
        origin = static_cast<int>(stagedOrigin);

        UniquePackageInfo info;
        if (OpenPackageInfoByFullName(fullName.c_str(), 0, info.put()) != ERROR_SUCCESS)
            throw std::runtime_error(LauncherText::kInfoOpenFailed);
        UINT32 length = 0;
        UINT32 count = 0;
        const LONG sized = GetPackageInfo(info.get(), kPackageInfoFlags, &length, nullptr, &count);
        if (sized == ERROR_SUCCESS && count == 0) throw std::runtime_error(LauncherText::kInfoCountZero);
        if (sized != ERROR_INSUFFICIENT_BUFFER) throw std::runtime_error(LauncherText::kInfoCountUnexpected);

        std::vector<BYTE> buffer(length, 0);
        if (GetPackageInfo(info.get(), kPackageInfoFlags, &length, buffer.data(), &count) != ERROR_SUCCESS)
            throw std::runtime_error(LauncherText::kInfoQueryFailed);
        // Never read a record the platform did not write.
        if (count == 0 || buffer.size() < sizeof(PACKAGE_INFO)) throw std::runtime_error(LauncherText::kInfoQueryFailed);
        PACKAGE_INFO first;
        std::memcpy(&first, buffer.data(), sizeof(first));
        version = first.packageId.version.Version;
    } catch (const std::exception& problem) {
        logger->LogWarning(LauncherText::kNarrowText, problem.what());
    }
    // Revision is logged before Build.
    logger->LogInfo(LauncherText::kOriginAndVersion, origin, VersionPart(version, 48), VersionPart(version, 32),
                    VersionPart(version, 0), VersionPart(version, 16));
    return {origin, version};
}

std::tuple<int, std::uint64_t> Launcher::GetOriginAndVersionByFamilyName(std::wstring familyName) {
    const std::tuple<int, std::uint64_t> unknown{-1, 0};
    auto token = GetUserTokenForCurrentUser(TokenImpersonation);
    if (token.get() == INVALID_HANDLE_VALUE) return unknown;
    return CallImpersonated(logger, token.get(), unknown, [&] {
        return GetOriginAndVersionByFullName(GetPackageFullNameByFamilyName(familyName));
    });
}

}  // namespace Qv::Vantix::Server::Services
