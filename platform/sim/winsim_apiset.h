#pragma once

// Control API of the Windows version and the API-set schema.
#include <string>

#include "platform/sim/winsim.h"

namespace winsim {

// Default: Windows 10.0.19045.
WINSIM_API void SetWindowsVersion(BYTE major, BYTE minor, WORD build);

enum class ApiSetState {
    NotInSchema,  // the schema does not know the contract
    NoHost,       // known, but nothing implements it on this machine
    Present,
};
// Default: "ext-ms-win-session-wtsapi32-l1-1-0" present, every other contract unknown.
WINSIM_API void SetApiSet(const std::wstring& contract, ApiSetState state);

}  // namespace winsim
