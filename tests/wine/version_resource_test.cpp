// Version resources read by the real GetFileVersionInfo* functions from the companion
// executables the build makes with windres.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/wine/wine_environment.h"
#include "vistane_version.h"

namespace {

struct FileVersion {
    WORD major, minor, build, revision;
};

// Reads the fixed file-version record the way the module does; false when unreadable.
bool ReadFileVersion(const std::wstring& path, FileVersion& version) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> resource(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    if (!GetFileVersionInfoW(path.c_str(), handle, size, resource.data()) ||
        !VerQueryValueW(resource.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &fixedLength) ||
        fixed == nullptr || fixedLength < sizeof(VS_FIXEDFILEINFO))
        return false;
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    version = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
               LOWORD(fixed->dwFileVersionLS)};
    return true;
}

void ExpectVersion(const wchar_t* fileName, FileVersion expected) {
    FileVersion actual{};
    ASSERT_TRUE(ReadFileVersion(wine_checks::ProgramFolder() + fileName, actual)) << "GetLastError " << GetLastError();
    EXPECT_EQ(actual.major, expected.major);
    EXPECT_EQ(actual.minor, expected.minor);
    EXPECT_EQ(actual.build, expected.build);
    EXPECT_EQ(actual.revision, expected.revision);
}

}  // namespace

TEST(VersionResource, ReadsTheFourPartsOfEachCompanion) {
    ExpectVersion(L"Companion-5.2.59.9999.exe", {5, 2, 59, 9999});
    ExpectVersion(L"Companion-5.2.60.0.exe", {5, 2, 60, 0});
}

TEST(VersionResource, MissingFileHasNoVersionAndSaysFileNotFound) {
    DWORD handle = 123;
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeW((wine_checks::ProgramFolder() + L"NoSuchCompanion.exe").c_str(), &handle), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(handle, 0u);
}

TEST(VersionResource, RootBlockOfTheRealResourceIsTheFixedRecord) {
    const std::wstring path = wine_checks::ProgramFolder() + L"Companion-5.2.60.0.exe";
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> resource(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, resource.data()));
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(resource.data(), L"\\", &value, &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_FALSE(VerQueryValueW(resource.data(), L"\\NoSuchBlock", &value, &length));
}

// The module's own resource, read as the host's engineers read it: the project's version
// and what the module says of itself.
TEST(VersionResource, TheModuleSaysWhatItIs) {
    ExpectVersion(L"VistaneService.dll", {VISTANE_VERSION_MAJOR, VISTANE_VERSION_MINOR, VISTANE_VERSION_PATCH, 0});
    const std::wstring path = wine_checks::ProgramFolder() + L"VistaneService.dll";
    std::vector<BYTE> resource(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(resource.size()), resource.data()));
    const std::string version = VISTANE_VERSION_TEXT;
    const std::pair<const wchar_t*, std::wstring> strings[] = {
        {L"CompanyName", L"Orlent Works"},
        {L"ProductName", L"QV Vistane Service"},
        {L"FileVersion", std::wstring(version.begin(), version.end())},
        {L"ProductVersion", std::wstring(version.begin(), version.end())},
    };
    for (const auto& [name, expected] : strings) {
        LPVOID value = nullptr;
        UINT length = 0;
        const std::wstring block = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        ASSERT_TRUE(VerQueryValueW(resource.data(), block.c_str(), &value, &length)) << name;
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value)), expected) << name;
    }
}
