#include "security/path_policy/system_owners.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace Qv::Vantix::Security {

namespace {

// A SID under the NT authority (S-1-5-...), by its sub-authorities.
struct NtAuthoritySid {
    std::vector<DWORD> subAuthorities;
};

const std::array<NtAuthoritySid, 3> kSystemOwners = {{
    {{80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464}},  // NT SERVICE\TrustedInstaller
    {{18}},                                                              // NT AUTHORITY\SYSTEM
    {{32, 544}},                                                         // BUILTIN\Administrators
}};

constexpr BYTE kSidRevision = 1;
constexpr std::array<BYTE, 6> kNtAuthority = {0, 0, 0, 0, 0, 5};
constexpr size_t kSubAuthoritiesAt = 8;  // revision, count, six bytes of authority

// Read byte by byte in the documented layout: the sub-authorities lie beyond the
// one-element array the SID structure declares.
bool Matches(const BYTE* sid, const NtAuthoritySid& wanted) {
    if (sid[0] != kSidRevision || sid[1] != wanted.subAuthorities.size()) return false;
    if (!std::equal(kNtAuthority.begin(), kNtAuthority.end(), sid + 2)) return false;
    for (size_t i = 0; i < wanted.subAuthorities.size(); ++i) {
        DWORD sub = 0;
        std::memcpy(&sub, sid + kSubAuthoritiesAt + 4 * i, sizeof sub);
        if (sub != wanted.subAuthorities[i]) return false;
    }
    return true;
}

}  // namespace

bool IsSystemOwner(PSID owner) {
    if (owner == nullptr) return false;
    const auto* sid = static_cast<const BYTE*>(owner);
    return std::any_of(kSystemOwners.begin(), kSystemOwners.end(),
                       [sid](const NtAuthoritySid& wanted) { return Matches(sid, wanted); });
}

}  // namespace Qv::Vantix::Security
