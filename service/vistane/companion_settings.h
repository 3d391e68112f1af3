#pragma once

#include <cstdint>
#include <string_view>

namespace Qv::Vantix::Server::Services::Vistane {

// The companion display application this service keeps current.
inline constexpr const wchar_t* kCompanionExecutable =
    L"%PROGRAMFILES%\\Orlent Works\\QV Vistane Service\\VistaneService.exe";
inline constexpr std::uint16_t kMinimumMajor = 5;
inline constexpr std::uint16_t kMinimumMinor = 2;
inline constexpr std::uint16_t kMinimumBuild = 60;

// The update task started on logon and unlock.
inline constexpr std::uint32_t kTaskDelayMilliseconds = 60000;
inline constexpr std::wstring_view kSetupFileName = L"QVVSSetup.exe";
// The host executable's file name is this long; what is left of its path is its folder.
inline constexpr std::size_t kHostFileNameLength = 14;
inline constexpr std::uint32_t kHostPathBufferLength = 260;
// Silent install, no reboot; "Supress" is spelled as the setup program expects it.
inline constexpr std::wstring_view kSilentInstallArguments = L" /S /v\" Reboot=ReallySupress /qn\"";
static_assert(kSilentInstallArguments.size() == 33);

}  // namespace Qv::Vantix::Server::Services::Vistane
