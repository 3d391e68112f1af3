#pragma once

#include <cstdint>
#include <string>

#include "server/client_information.h"
#include "service/module_export.h"

namespace Qv::Vantix::Server::Win32 {

// A desktop program, named by its executable. Field order is part of the exported layout:
// do not reorder.
class VISTANE_API Win32Information : public IClientInformation {
public:
    Win32Information();
    // identifier becomes the executable name; build and revision stay 0.
    Win32Information(std::wstring executableName, std::uint16_t major, std::uint16_t minor);
    Win32Information(std::wstring executableName, std::wstring extraText, std::uint16_t major,
                     std::uint16_t minor);
    Win32Information(const Win32Information& other);
    Win32Information& operator=(const Win32Information& other);
    ~Win32Information();

    std::wstring executableName;  // file name without folder and extension
    std::wstring extraText;
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;
};

}  // namespace Qv::Vantix::Server::Win32
