#pragma once

#include "platform/win32.h"

namespace Qv::Vantix::Security {

// True when `owner` is TrustedInstaller, SYSTEM or the Administrators group: the owners
// of what Windows itself installs. A folder owned by anyone else was made by that user,
// who may have written its access list as they liked. Compared by SID, since account
// names are translated on other Windows languages; a null owner is none of them.
bool IsSystemOwner(PSID owner);

}  // namespace Qv::Vantix::Security
