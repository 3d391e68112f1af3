// The module's own version resource, read by the real functions as the host's engineers
// read it: the project's version and what the module says of itself. (The companions'
// resources are read in the parity table, version_resource_cases.h.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/wine/wine_environment.h"
#include "vistane_version.h"

TEST(VersionResource, TheModuleSaysWhatItIs) {
    const std::wstring path = wine_checks::ProgramFolder() + L"VistaneService.dll";
    std::vector<BYTE> resource(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(resource.size()), resource.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(resource.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, DWORD{VISTANE_VERSION_MAJOR} << 16 | VISTANE_VERSION_MINOR);
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD{VISTANE_VERSION_PATCH} << 16);
    const std::string text = VISTANE_VERSION_TEXT;
    const std::wstring version(text.begin(), text.end());
    const std::pair<const wchar_t*, std::wstring> strings[] = {
        {L"CompanyName", L"Orlent Works"}, {L"ProductName", L"QV Vistane Service"},
        {L"FileVersion", version},         {L"ProductVersion", version},
        {L"OriginalFilename", L"VistaneService.dll"}};
    for (const auto& [name, expected] : strings) {
        LPVOID value = nullptr;
        const std::wstring block = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        ASSERT_TRUE(VerQueryValueW(resource.data(), block.c_str(), &value, &length)) << name;
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value)), expected) << name;
    }
}
