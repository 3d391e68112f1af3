#pragma once

#include <string>

namespace Qv::Vantix::Security {

// The arguments are split as Windows splits a command line. Every library regsvr32
// would load (each element not starting with '/') must be trusted; switches alone pass.
bool ValidateRegsvr32Arguments(std::wstring arguments);

// The library rundll32 would load (the first element up to its first comma) must be
// trusted; no element, or an empty one, passes.
bool ValidateRundll32Arguments(std::wstring arguments);

}  // namespace Qv::Vantix::Security
