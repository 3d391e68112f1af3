#pragma once

// Version resources read through GetFileVersionInfoSizeW, GetFileVersionInfoW and
// VerQueryValueW(L"\\"): the Wine suite reads the companion programs the build
// makes with windres, the Linux suite the same files on the simulated machine.
namespace parity {

struct VersionCase {
    const wchar_t* fileName;
    bool readable;
    unsigned short major, minor, build, revision;
    unsigned long sizeError;            // GetLastError after a size of 0
    const char* wineDiffers = nullptr;  // what Wine does instead, where it strays
};

inline constexpr VersionCase kVersionCases[] = {
    {L"Companion-5.2.59.9999.exe", true, 5, 2, 59, 9999, 0},
    {L"Companion-5.2.60.0.exe", true, 5, 2, 60, 0, 0},
    {L"NoSuchCompanion.exe", false, 0, 0, 0, 0, 2 /* ERROR_FILE_NOT_FOUND */},
    {L"Companion-unversioned.exe", false, 0, 0, 0, 0, 1813 /* ERROR_RESOURCE_TYPE_NOT_FOUND */,
     "a program with resources but none of the version type says 1812, as for no resources at all"},
};

}  // namespace parity
