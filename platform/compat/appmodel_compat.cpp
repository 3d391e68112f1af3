#include "platform/compat/appmodel_compat.h"

#include "platform/compat/system_function.h"

namespace {

// Where Windows keeps the application-model functions (kernel32 forwards most of them).
const wchar_t* const kAppModelModules[] = {L"kernel32.dll", L"kernelbase.dll", nullptr};

template <typename Function>
Function AppModelFunction(const char* name) {
    return vistane_compat::SystemFunction<Function>(kAppModelModules, name);
}

}  // namespace

extern "C" {

LONG WINAPI GetPackageFamilyName(HANDLE hProcess, UINT32* packageFamilyNameLength, PWSTR packageFamilyName) {
    static const auto system = AppModelFunction<decltype(&GetPackageFamilyName)>("GetPackageFamilyName");
    if (system == nullptr) return ERROR_PROC_NOT_FOUND;
    return system(hProcess, packageFamilyNameLength, packageFamilyName);
}

LONG WINAPI FindPackagesByPackageFamily(PCWSTR packageFamilyName, UINT32 packageFilters, UINT32* count,
                                        PWSTR* packageFullNames, UINT32* bufferLength, WCHAR* buffer,
                                        UINT32* packageProperties) {
    static const auto system =
        AppModelFunction<decltype(&FindPackagesByPackageFamily)>("FindPackagesByPackageFamily");
    if (system == nullptr) return ERROR_PROC_NOT_FOUND;
    return system(packageFamilyName, packageFilters, count, packageFullNames, bufferLength, buffer,
                  packageProperties);
}

LONG WINAPI GetPackagePathByFullName(PCWSTR packageFullName, UINT32* pathLength, PWSTR path) {
    static const auto system = AppModelFunction<decltype(&GetPackagePathByFullName)>("GetPackagePathByFullName");
    if (system == nullptr) return ERROR_PROC_NOT_FOUND;
    return system(packageFullName, pathLength, path);
}

LONG WINAPI GetStagedPackageOrigin(PCWSTR packageFullName, PackageOrigin* origin) {
    static const auto system = AppModelFunction<decltype(&GetStagedPackageOrigin)>("GetStagedPackageOrigin");
    if (system == nullptr) return ERROR_PROC_NOT_FOUND;
    return system(packageFullName, origin);
}

LONG WINAPI OpenPackageInfoByFullName(PCWSTR packageFullName, const UINT32 reserved,
                                      PACKAGE_INFO_REFERENCE* packageInfoReference) {
    static const auto system =
        AppModelFunction<decltype(&OpenPackageInfoByFullName)>("OpenPackageInfoByFullName");
    if (system == nullptr) return ERROR_PROC_NOT_FOUND;
    return system(packageFullName, reserved, packageInfoReference);
}

LONG WINAPI GetPackageInfo(PACKAGE_INFO_REFERENCE packageInfoReference, const UINT32 flags, UINT32* bufferLength,
                           BYTE* buffer, UINT32* count) {
    static const auto system = AppModelFunction<decltype(&GetPackageInfo)>("GetPackageInfo");
    if (system == nullptr) return ERROR_PROC_NOT_FOUND;
    return system(packageInfoReference, flags, bufferLength, buffer, count);
}

LONG WINAPI ClosePackageInfo(PACKAGE_INFO_REFERENCE packageInfoReference) {
    static const auto system = AppModelFunction<decltype(&ClosePackageInfo)>("ClosePackageInfo");
    if (system == nullptr) return ERROR_PROC_NOT_FOUND;
    return system(packageInfoReference);
}

}  // extern "C"
