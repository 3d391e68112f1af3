#pragma once

// Internal to the simulated Windows: what a live environment block holds.
#include <map>
#include <string>

#include "platform/sim/sim_export.h"

namespace winsim::detail {

// The variables of a block CreateEnvironmentBlock handed out and nobody destroyed
// yet; empty for any other pointer.
WINSIM_API std::map<std::wstring, std::wstring> EnvironmentBlockVariables(const void* block);

}  // namespace winsim::detail
