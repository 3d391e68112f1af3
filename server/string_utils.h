#pragma once

#include "service/module_export.h"

namespace Qv::Vantix::Server::Services {

// Holds no data. The host's modules were built against a version that exported only the
// two assignments, so exactly those are exported; the rest stays implicit and trivial.
class StringUtils {
public:
    StringUtils() = default;
    StringUtils(const StringUtils&) = default;
    StringUtils(StringUtils&&) = default;
    ~StringUtils() = default;

    VISTANE_API StringUtils& operator=(const StringUtils& other);
    VISTANE_API StringUtils& operator=(StringUtils&& other) noexcept;
};

}  // namespace Qv::Vantix::Server::Services
