#include "server/string_utils.h"

namespace Qv::Vantix::Server::Services {

StringUtils& StringUtils::operator=(const StringUtils&) { return *this; }

StringUtils& StringUtils::operator=(StringUtils&&) noexcept { return *this; }

}  // namespace Qv::Vantix::Server::Services
