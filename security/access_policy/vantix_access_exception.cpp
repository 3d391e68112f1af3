#include "security/access_policy/vantix_access_exception.h"

namespace Qv::Vantix::Security {

vantix_access_exception::vantix_access_exception(const char* message) : std::logic_error(message) {}

vantix_access_exception::vantix_access_exception(const vantix_access_exception& other) = default;
vantix_access_exception::vantix_access_exception(vantix_access_exception&& other) noexcept = default;
vantix_access_exception& vantix_access_exception::operator=(const vantix_access_exception& other) = default;
vantix_access_exception& vantix_access_exception::operator=(vantix_access_exception&& other) noexcept = default;
vantix_access_exception::~vantix_access_exception() = default;

}  // namespace Qv::Vantix::Security
