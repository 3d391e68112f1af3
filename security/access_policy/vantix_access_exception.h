#pragma once

#include <stdexcept>

#include "service/module_export.h"

namespace Qv::Vantix::Security {

// Thrown on misuse of the access manager (asked before its checker was set).
class VISTANE_API vantix_access_exception : public std::logic_error {
public:
    explicit vantix_access_exception(const char* message);
    vantix_access_exception(const vantix_access_exception& other);
    vantix_access_exception(vantix_access_exception&& other) noexcept;
    vantix_access_exception& operator=(const vantix_access_exception& other);
    vantix_access_exception& operator=(vantix_access_exception&& other) noexcept;
    ~vantix_access_exception() override;
};

}  // namespace Qv::Vantix::Security
