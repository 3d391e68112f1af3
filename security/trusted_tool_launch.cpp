#include "security/authenticode_facade.h"

namespace Qv::Vantix::Security {

// Until the caller check is in place, no tool launch is trusted.
bool QvAuthenticodeFacade::IsTrustedToolLaunch(const wchar_t* /*path*/, bool /*option*/,
                                               const wchar_t* /*arguments*/, const wchar_t* /*context*/) {
    return false;
}

}  // namespace Qv::Vantix::Security
