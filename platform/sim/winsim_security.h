#pragma once

// Control API of folder security: the owner and access list GetNamedSecurityInfoW
// reports for a file or folder.
#include <string>
#include <vector>

#include "platform/sim/winsim.h"

namespace winsim {

enum class AceKind { Allowed, Denied };

struct AccessEntry {
    AceKind kind = AceKind::Allowed;
    // An account name known to the machine ("TrustedInstaller", "SYSTEM", "user1") or a
    // SID text ("S-1-5-21-...") for an account the machine does not know.
    std::wstring account;
    ACCESS_MASK mask = 0;
    BYTE flags = 0;  // OBJECT_INHERIT_ACE, INHERIT_ONLY_ACE, ...
};

struct ObjectSecurity {
    // Who owns the object: an account or SID text as in AccessEntry. Empty: the
    // descriptor carries no owner (GetNamedSecurityInfoW then gives a null owner).
    std::wstring owner = L"TrustedInstaller";
    std::wstring group = L"SYSTEM";
    bool hasDacl = true;  // false: the descriptor carries no access list
    std::vector<AccessEntry> entries;
};

// Gives a file or folder its security, creating the folder when the path is unknown.
// Throws std::invalid_argument for an account that is neither known nor a SID text.
WINSIM_API void SetObjectSecurity(const std::wstring& path, const ObjectSecurity& security);

// What an object without security of its own reports: Administrators own it; SYSTEM
// and Administrators have full control, Users read and execute.
WINSIM_API ObjectSecurity DefaultObjectSecurity();

// "S-1-5-18" for a binary SID; empty when the SID is not valid.
WINSIM_API std::wstring SidText(PSID sid);

}  // namespace winsim
