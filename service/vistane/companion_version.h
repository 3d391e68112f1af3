#pragma once

#include <cstdint>

namespace Qv::Vantix::Server::Services::Vistane {

struct CompanionVersion {
    std::uint16_t major;
    std::uint16_t minor;
    std::uint16_t build;
};

// 5.2.60 or later; the fourth part is never looked at.
bool IsVersionCurrent(const CompanionVersion& version);

// True when the companion executable exists at version 5.2.60 or later; false when it
// is missing, its version cannot be read, or it is older. Never throws on these.
bool IsCompanionUpToDate();

}  // namespace Qv::Vantix::Server::Services::Vistane
