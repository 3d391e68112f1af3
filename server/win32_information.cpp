#include "server/win32_information.h"

#include <utility>

namespace Qv::Vantix::Server::Win32 {

Win32Information::Win32Information() : IClientInformation(ClientType::Win32) {}

Win32Information::Win32Information(std::wstring executableName, std::uint16_t major, std::uint16_t minor)
    : Win32Information(std::move(executableName), std::wstring(), major, minor) {}

Win32Information::Win32Information(std::wstring executableName, std::wstring extraText, std::uint16_t major,
                                   std::uint16_t minor)
    : IClientInformation(ClientType::Win32, executableName),
      executableName{std::move(executableName)},
      extraText{std::move(extraText)},
      major{major},
      minor{minor} {}

// Member-wise, base part first; std::wstring makes self-assignment safe.
Win32Information::Win32Information(const Win32Information& other) = default;
Win32Information& Win32Information::operator=(const Win32Information& other) = default;
Win32Information::~Win32Information() = default;

}  // namespace Qv::Vantix::Server::Win32
