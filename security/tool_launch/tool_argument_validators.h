#pragma once

#include <string>

namespace Qv::Vantix::Security {

// Both validators split the arguments as Windows splits a command line. A library is
// checked only when its path names the very file that would be loaded: its last
// component has an extension and does not end in a dot or blank, and it holds no
// colon but the drive's. Any other library is refused unseen.

// Every library regsvr32 would load must be trusted. Only regsvr32's own switches
// (/s /u /n /c /i, /i:value, any letter case) are skipped, and an /i: value naming a
// URL or a UNC path is refused; any other element starting with '/' is refused.
bool ValidateRegsvr32Arguments(std::wstring arguments);

// The library rundll32 would load (the first element up to its first comma) must be
// trusted; no element at all passes, an empty library is refused.
bool ValidateRundll32Arguments(std::wstring arguments);

}  // namespace Qv::Vantix::Security
