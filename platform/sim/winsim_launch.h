#pragma once

// Control API of process creation under a user's token.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/sim/winsim.h"

namespace winsim {

// What CreateProcessAsUserW was given beyond the common record of a started process.
struct UserProcessCreation {
    StartedProcess process;  // also listed by StartedProcesses()
    TOKEN_TYPE tokenType = TokenPrimary;
    bool attributeListAttached = false;
    DWORD attributeCapacity = 0;  // attributes the list was initialised for
    DWORD attributesSet = 0;
    SIZE_T handleListBytes = 0;
    std::map<std::wstring, std::wstring> environment;  // the block, by variable
};
WINSIM_API std::vector<UserProcessCreation> ProcessesCreatedAsUser();

// Called inside CreateProcessAsUserW once its arguments are accepted, before the
// process exists, on the creating thread and without the machine lock held.
WINSIM_API void SetProcessCreationObserver(std::function<void()> observer);

}  // namespace winsim
