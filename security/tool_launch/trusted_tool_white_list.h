#pragma once

#include "security/tool_launch/trusted_tool_entry.h"

namespace Qv::Vantix::Security {

// The tools a caller may have the host start. Built at module load, constant afterwards.
extern const TrustedToolTable TrustedToolWhiteList;

}  // namespace Qv::Vantix::Security
