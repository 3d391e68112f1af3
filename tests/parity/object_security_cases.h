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

// LookupAccountSidW on S-1-5-<rid>, with name and domain buffers of `size` characters:
// the account's name, domain and use, or the error (with the sizes needed).
struct AccountCase {
    unsigned long rid;
    unsigned size;
    const wchar_t* name;
    const wchar_t* domain;
    int use = 0;  // SID_NAME_USE
    unsigned long error = 0;
    const char* wineDiffers = nullptr;
};

inline constexpr AccountCase kAccountCases[] = {
    {18, 64, L"SYSTEM", L"NT AUTHORITY", 5 /* SidTypeWellKnownGroup */},
    {18, 1, L"SYSTEM", L"NT AUTHORITY", 0, 122 /* ERROR_INSUFFICIENT_BUFFER */, "the sizes needed leave out the NUL"},
    {4242, 64, L"", L"", 0, 1332 /* ERROR_NONE_MAPPED */},
};

}  // namespace parity
