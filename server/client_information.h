#pragma once

#include <cstdint>
#include <string>

#include "service/module_export.h"

namespace Qv::Vantix::Server {

// Scoped: the Win32 enumerator would otherwise collide with namespace Server::Win32.
enum class ClientType : std::int32_t {
    Uwp = 0,
    Win32 = 1,
};

// What every client record carries. A plain exported value type: no virtual operations,
// so the record layout stays what the host's modules were built against.
class VISTANE_API IClientInformation {
public:
    IClientInformation();
    explicit IClientInformation(ClientType type);
    IClientInformation(ClientType type, std::wstring identifier);
    IClientInformation(const IClientInformation& other);
    IClientInformation& operator=(const IClientInformation& other);
    ~IClientInformation();

    ClientType type;
    // The package family name (store) or the executable name (desktop).
    std::wstring identifier;
};

}  // namespace Qv::Vantix::Server
