#pragma once

#include <cstdint>

namespace Qv::Vantix::Server::Services::Vistane {

// The companion display application this service keeps current.
inline constexpr const wchar_t* kCompanionExecutable =
    L"%PROGRAMFILES%\\Orlent Works\\QV Vistane Service\\VistaneService.exe";
inline constexpr std::uint16_t kMinimumMajor = 5;
inline constexpr std::uint16_t kMinimumMinor = 2;
inline constexpr std::uint16_t kMinimumBuild = 60;

}  // namespace Qv::Vantix::Server::Services::Vistane
