#pragma once

// Application model: installed packages of the calling thread's user.
#include "platform/sim/win32_types.h"

#define PACKAGE_PROPERTY_FRAMEWORK 0x00000001u
#define PACKAGE_PROPERTY_RESOURCE 0x00000002u
#define PACKAGE_PROPERTY_BUNDLE 0x00000004u
#define PACKAGE_PROPERTY_OPTIONAL 0x00000008u
#define PACKAGE_PROPERTY_DEVELOPMENT_MODE 0x00010000u

#define PACKAGE_FILTER_HEAD 0x00000010u
#define PACKAGE_FILTER_DIRECT 0x00000020u
#define PACKAGE_FILTER_RESOURCE 0x00000040u
#define PACKAGE_FILTER_BUNDLE 0x00000080u
#define PACKAGE_FILTER_OPTIONAL 0x00020000u
#define PACKAGE_INFORMATION_BASIC 0x00000000u
#define PACKAGE_INFORMATION_FULL 0x00000100u

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_ARM 5
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_NEUTRAL 11
#define PROCESSOR_ARCHITECTURE_ARM64 12

typedef enum PackageOrigin {
    PackageOrigin_Unknown = 0,
    PackageOrigin_Unsigned = 1,
    PackageOrigin_Inbox = 2,
    PackageOrigin_Store = 3,
    PackageOrigin_DeveloperUnsigned = 4,
    PackageOrigin_DeveloperSigned = 5,
    PackageOrigin_LineOfBusiness = 6
} PackageOrigin;

typedef struct PACKAGE_VERSION {
    union {
        UINT64 Version;
        struct {
            UINT16 Revision;
            UINT16 Build;
            UINT16 Minor;
            UINT16 Major;
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

static_assert(sizeof(PACKAGE_VERSION) == 8, "PACKAGE_VERSION has the Windows layout");
static_assert(sizeof(PACKAGE_ID) == 48, "PACKAGE_ID has the Windows x64 layout");
static_assert(sizeof(PACKAGE_INFO) == 80, "PACKAGE_INFO has the Windows x64 layout");

typedef struct _PACKAGE_INFO_REFERENCE {
    void* reserved;
}* PACKAGE_INFO_REFERENCE;

// Count and buffer length are asked first with no arrays (ERROR_INSUFFICIENT_BUFFER),
// then filled. The length counts characters, terminators included.
WINSIM_EXTERN LONG WINAPI FindPackagesByPackageFamily(PCWSTR packageFamilyName, UINT32 packageFilters, UINT32* count,
                                                      PWSTR* packageFullNames, UINT32* bufferLength, WCHAR* buffer,
                                                      UINT32* packageProperties);
WINSIM_EXTERN LONG WINAPI GetPackagePathByFullName(PCWSTR packageFullName, UINT32* pathLength, PWSTR path);
WINSIM_EXTERN LONG WINAPI GetStagedPackageOrigin(PCWSTR packageFullName, PackageOrigin* origin);
WINSIM_EXTERN LONG WINAPI OpenPackageInfoByFullName(PCWSTR packageFullName, const UINT32 reserved,
                                                    PACKAGE_INFO_REFERENCE* packageInfoReference);
// The buffer receives `count` PACKAGE_INFO records followed by the texts they point to.
WINSIM_EXTERN LONG WINAPI GetPackageInfo(PACKAGE_INFO_REFERENCE packageInfoReference, const UINT32 flags,
                                         UINT32* bufferLength, BYTE* buffer, UINT32* count);
WINSIM_EXTERN LONG WINAPI ClosePackageInfo(PACKAGE_INFO_REFERENCE packageInfoReference);

#define APPMODEL_ERROR_NO_PACKAGE 15700L

// The package family name of a process with package identity; the length counts the
// terminator.
WINSIM_EXTERN LONG WINAPI GetPackageFamilyName(HANDLE process, UINT32* length, PWSTR familyName);
