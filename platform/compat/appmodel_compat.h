#pragma once

// Application-model (store package) functions and records, as the SDK's appmodel.h
// declares them; mingw-w64 has none of them. The functions are defined in
// appmodel_compat.cpp and call the system's own when it has them. Where the SDK has
// appmodel.h (VISTANE_COMPAT_APPMODEL unset, see CMakeLists.txt) that header serves.
#include <windows.h>

#if !defined(VISTANE_COMPAT_APPMODEL)
#  include <appmodel.h>
#else

#ifndef PACKAGE_FAMILY_NAME_MAX_LENGTH
#  define PACKAGE_FAMILY_NAME_MAX_LENGTH 64
#  define PACKAGE_FULL_NAME_MAX_LENGTH 127
#endif

#define PACKAGE_FILTER_HEAD 0x00000010
#define PACKAGE_FILTER_DIRECT 0x00000020
#define PACKAGE_FILTER_RESOURCE 0x00000040
#define PACKAGE_FILTER_BUNDLE 0x00000080
#define PACKAGE_FILTER_OPTIONAL 0x00020000
#define PACKAGE_FILTER_IS_IN_RELATED_SET 0x00040000
#define PACKAGE_FILTER_STATIC 0x00080000
#define PACKAGE_FILTER_DYNAMIC 0x00100000
#define PACKAGE_INFORMATION_BASIC 0x00000000
#define PACKAGE_INFORMATION_FULL 0x00000100
#define PACKAGE_PROPERTY_FRAMEWORK 0x00000001
#define PACKAGE_PROPERTY_RESOURCE 0x00000002
#define PACKAGE_PROPERTY_BUNDLE 0x00000004
#define PACKAGE_PROPERTY_OPTIONAL 0x00000008
#define PACKAGE_PROPERTY_DEVELOPMENT_MODE 0x00010000

typedef struct PACKAGE_VERSION {
    union {
        UINT64 Version;
        struct {
            USHORT Revision;
            USHORT Build;
            USHORT Minor;
            USHORT Major;
        };
    };
} PACKAGE_VERSION;

typedef struct PACKAGE_ID {
    UINT32 reserved;
    UINT32 processorArchitecture;
    PACKAGE_VERSION version;
    PWSTR name;
    PWSTR publisher;
    PWSTR resourceId;
    PWSTR publisherId;
} PACKAGE_ID;

typedef struct PACKAGE_INFO {
    UINT32 reserved;
    UINT32 flags;
    PWSTR path;
    PWSTR packageFullName;
    PWSTR packageFamilyName;
    PACKAGE_ID packageId;
} PACKAGE_INFO;

typedef struct _PACKAGE_INFO_REFERENCE {
    void* reserved;
} *PACKAGE_INFO_REFERENCE;

typedef enum PackageOrigin {
    PackageOrigin_Unknown = 0,
    PackageOrigin_Unsigned = 1,
    PackageOrigin_Inbox = 2,
    PackageOrigin_Store = 3,
    PackageOrigin_DeveloperUnsigned = 4,
    PackageOrigin_DeveloperSigned = 5,
    PackageOrigin_LineOfBusiness = 6
} PackageOrigin;

// Each answers ERROR_PROC_NOT_FOUND when this Windows has no such function.
extern "C" {
LONG WINAPI GetPackageFamilyName(HANDLE hProcess, UINT32* packageFamilyNameLength, PWSTR packageFamilyName);
LONG WINAPI FindPackagesByPackageFamily(PCWSTR packageFamilyName, UINT32 packageFilters, UINT32* count,
                                        PWSTR* packageFullNames, UINT32* bufferLength, WCHAR* buffer,
                                        UINT32* packageProperties);
LONG WINAPI GetPackagePathByFullName(PCWSTR packageFullName, UINT32* pathLength, PWSTR path);
LONG WINAPI GetStagedPackageOrigin(PCWSTR packageFullName, PackageOrigin* origin);
LONG WINAPI OpenPackageInfoByFullName(PCWSTR packageFullName, const UINT32 reserved,
                                      PACKAGE_INFO_REFERENCE* packageInfoReference);
LONG WINAPI GetPackageInfo(PACKAGE_INFO_REFERENCE packageInfoReference, const UINT32 flags, UINT32* bufferLength,
                           BYTE* buffer, UINT32* count);
LONG WINAPI ClosePackageInfo(PACKAGE_INFO_REFERENCE packageInfoReference);
}

#endif  // VISTANE_COMPAT_APPMODEL
