#pragma once

// GetNamedSecurityInfoW on a folder the test has just made: which parts of the
// descriptor each request returns. The folder-ownership check asks for owner, group and
// access list in one call and judges the owner and the list from that one answer.
namespace parity {

struct SecurityPartsCase {
    unsigned request;  // OWNER_ (1), GROUP_ (2), DACL_SECURITY_INFORMATION (4)
    bool owner;
    bool group;
    bool dacl;
};

inline constexpr SecurityPartsCase kSecurityPartsCases[] = {
    {1 | 2 | 4, true, true, true},
    {1 | 4, true, false, true},
    {1, true, false, false},
    {2, false, true, false},
    {4, false, false, true},
};

}  // namespace parity
