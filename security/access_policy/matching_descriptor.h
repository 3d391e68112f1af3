#pragma once

#include <cstdint>

#include "server/uwp_information.h"
#include "server/win32_information.h"
#include "service/module_export.h"

namespace Qv::Vantix::Security {

// One exemption row: a client name and the highest (major, minor) that is exempt.
class VISTANE_API MatchingDescriptor {
public:
    // Every row carries UpToMajorAndMinor; the criteria do not look at it.
    enum class Operation : std::int32_t {
        UpToMajorAndMinor = 1,
    };

    MatchingDescriptor();
    MatchingDescriptor(const MatchingDescriptor&) = default;
    MatchingDescriptor& operator=(const MatchingDescriptor& other);

    Operation _operation;
};

class VISTANE_API UwpMatchingDescriptor : public MatchingDescriptor {
public:
    UwpMatchingDescriptor(Server::Uwp::UwpInformation information, Operation operation);
    UwpMatchingDescriptor(const UwpMatchingDescriptor& other);
    UwpMatchingDescriptor& operator=(const UwpMatchingDescriptor& other);
    ~UwpMatchingDescriptor();

    Server::Uwp::UwpInformation _information;
};

class VISTANE_API Win32MatchingDescriptor : public MatchingDescriptor {
public:
    Win32MatchingDescriptor(Server::Win32::Win32Information information, Operation operation);
    Win32MatchingDescriptor(const Win32MatchingDescriptor& other);
    Win32MatchingDescriptor& operator=(const Win32MatchingDescriptor& other);
    ~Win32MatchingDescriptor();

    Server::Win32::Win32Information _information;
};

}  // namespace Qv::Vantix::Security
