#include <cstring>
#include <stdexcept>

#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

using SidBytes = std::vector<BYTE>;

struct StoredAce {
    BYTE type = ACCESS_ALLOWED_ACE_TYPE;
    BYTE flags = 0;
    ACCESS_MASK mask = 0;
    SidBytes sid;
};

struct StoredSecurity {
    SidBytes owner;
    SidBytes group;
    bool hasDacl = true;
    std::vector<StoredAce> entries;
};

// Security given by tests, by folded full path.
std::map<std::wstring, StoredSecurity>& SecurityByPath() {
    static auto* table = new std::map<std::wstring, StoredSecurity>();
    return *table;
}

const ResetHookRegistrar resetSecurity([] { SecurityByPath().clear(); });

// "S-1-5-18" -> binary SID: revision, sub-authority count, 48-bit big-endian authority,
// 32-bit sub-authorities.
std::optional<SidBytes> ParseSidText(std::wstring_view text) {
    if (text.size() < 4 || (text[0] != L'S' && text[0] != L's') || text[1] != L'-') return std::nullopt;
    std::vector<std::uint64_t> parts;
    size_t at = 2;
    while (at <= text.size()) {
        const size_t dash = std::min(text.find(L'-', at), text.size());
        if (dash == at) return std::nullopt;
        std::uint64_t value = 0;
        for (size_t i = at; i < dash; ++i) {
            if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
            value = value * 10 + static_cast<std::uint64_t>(text[i] - L'0');
            if (value > 0xFFFFFFFFFFFFull) return std::nullopt;
        }
        parts.push_back(value);
        at = dash + 1;
    }
    if (parts.size() < 2 || parts[0] != SID_REVISION || parts.size() - 2 > SID_MAX_SUB_AUTHORITIES) return std::nullopt;
    SidBytes sid(8 + 4 * (parts.size() - 2));
    sid[0] = SID_REVISION;
    sid[1] = static_cast<BYTE>(parts.size() - 2);
    for (int i = 0; i < 6; ++i) sid[2 + i] = static_cast<BYTE>(parts[1] >> (8 * (5 - i)));
    for (size_t i = 2; i < parts.size(); ++i) {
        if (parts[i] > 0xFFFFFFFFull) return std::nullopt;
        const DWORD sub = static_cast<DWORD>(parts[i]);
        std::memcpy(sid.data() + 8 + 4 * (i - 2), &sub, sizeof sub);
    }
    return sid;
}

bool IsValidSidPointer(const void* sid) {
    const auto* header = static_cast<const SID*>(sid);
    return header != nullptr && header->Revision == SID_REVISION &&
           header->SubAuthorityCount <= SID_MAX_SUB_AUTHORITIES;
}

SidBytes ResolveAccount(const std::wstring& account) {
    if (auto sid = ParseSidText(account)) return *sid;
    const winsim::Account* record = FindAccountRecord(account);
    if (record == nullptr) throw std::invalid_argument("unknown account in an access list");
    auto sid = ParseSidText(record->sid);
    if (!sid) throw std::invalid_argument("account with a malformed SID");
    return *sid;
}

const winsim::Account* AccountOfSid(const std::wstring& sidText) {
    for (const auto& [key, account] : TheMachine().accounts) {
        if (FoldCase(account.sid) == FoldCase(sidText)) return &account;
    }
    return nullptr;
}

SID_NAME_USE UseOf(const winsim::Account& account) {
    if (account.domain == L"NT AUTHORITY" || account.domain == L"NT SERVICE") return SidTypeWellKnownGroup;
    if (account.domain == L"BUILTIN") return SidTypeAlias;
    return SidTypeUser;
}

StoredSecurity Resolve(const winsim::ObjectSecurity& security) {
    StoredSecurity stored;
    if (!security.owner.empty()) stored.owner = ResolveAccount(security.owner);
    stored.group = ResolveAccount(security.group);
    stored.hasDacl = security.hasDacl;
    for (const winsim::AccessEntry& entry : security.entries) {
        stored.entries.push_back({static_cast<BYTE>(entry.kind == winsim::AceKind::Allowed ? ACCESS_ALLOWED_ACE_TYPE
                                                                                           : ACCESS_DENIED_ACE_TYPE),
                                  entry.flags, entry.mask, ResolveAccount(entry.account)});
    }
    return stored;
}

// Folded full path without a closing backslash (except a drive root's).
std::wstring ObjectKey(std::wstring_view path) {
    std::wstring full = FullPathOf(path);
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    return FoldCase(full);
}

SidBytes BuildAcl(const std::vector<StoredAce>& entries) {
    SidBytes acl(sizeof(ACL));
    for (const StoredAce& entry : entries) {
        const size_t aceSize = offsetof(ACCESS_ALLOWED_ACE, SidStart) + entry.sid.size();
        const size_t at = acl.size();
        acl.resize(at + aceSize);
        ACE_HEADER header{entry.type, entry.flags, static_cast<WORD>(aceSize)};
        std::memcpy(acl.data() + at, &header, sizeof header);
        std::memcpy(acl.data() + at + sizeof header, &entry.mask, sizeof entry.mask);
        std::memcpy(acl.data() + at + offsetof(ACCESS_ALLOWED_ACE, SidStart), entry.sid.data(), entry.sid.size());
    }
    ACL header{ACL_REVISION, 0, static_cast<WORD>(acl.size()), static_cast<WORD>(entries.size()), 0};
    std::memcpy(acl.data(), &header, sizeof header);
    return acl;
}

}  // namespace

DWORD WINAPI GetNamedSecurityInfoW(LPCWSTR objectName, SE_OBJECT_TYPE objectType, SECURITY_INFORMATION securityInfo,
                                   PSID* owner, PSID* group, PACL* dacl, PACL* sacl,
                                   PSECURITY_DESCRIPTOR* securityDescriptor) {
    if (auto fault = Enter("GetNamedSecurityInfoW", ERROR_ACCESS_DENIED)) return *fault;
    // The call reports its error as its result; the thread's last error follows it, as
    // the file open inside the real call leaves it.
    auto fail = [](DWORD error) {
        SetThreadLastError(error);
        return error;
    };
    if (objectName == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (objectType != SE_FILE_OBJECT) return fail(ERROR_NOT_SUPPORTED);  // only files and folders are modelled
    if ((owner || group || dacl || sacl) && securityDescriptor == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (securityInfo & SACL_SECURITY_INFORMATION) return fail(ERROR_PRIVILEGE_NOT_HELD);

    StoredSecurity security;
    {
        MachineLock lock(MachineMutex());
        const std::wstring key = ObjectKey(objectName);
        auto stored = SecurityByPath().find(key);
        if (stored != SecurityByPath().end()) {
            security = stored->second;
        } else if (!key.empty() && FindFile(objectName) != nullptr) {
            security = Resolve(winsim::DefaultObjectSecurity());
        } else {
            return fail(ERROR_FILE_NOT_FOUND);
        }
    }

    // Self-relative layout: header, then owner, group and access list, found by offset.
    SidBytes block(sizeof(SECURITY_DESCRIPTOR_RELATIVE));
    SECURITY_DESCRIPTOR_RELATIVE header{SECURITY_DESCRIPTOR_REVISION, 0, SE_SELF_RELATIVE, 0, 0, 0, 0};
    auto append = [&block](const SidBytes& part) {
        const DWORD offset = static_cast<DWORD>(block.size());
        block.insert(block.end(), part.begin(), part.end());
        return offset;
    };
    if ((securityInfo & OWNER_SECURITY_INFORMATION) && !security.owner.empty()) header.Owner = append(security.owner);
    if (securityInfo & GROUP_SECURITY_INFORMATION) header.Group = append(security.group);
    if ((securityInfo & DACL_SECURITY_INFORMATION) && security.hasDacl) {
        header.Control |= SE_DACL_PRESENT;
        header.Dacl = append(BuildAcl(security.entries));
    }
    std::memcpy(block.data(), &header, sizeof header);

    if (securityDescriptor == nullptr) return ERROR_SUCCESS;  // nothing asked for
    auto* descriptor = static_cast<BYTE*>(AllocateLocal(block.size()));
    if (descriptor == nullptr) return fail(ERROR_NOT_ENOUGH_MEMORY);
    std::memcpy(descriptor, block.data(), block.size());
    *securityDescriptor = descriptor;
    if (owner) *owner = header.Owner ? descriptor + header.Owner : nullptr;
    if (group) *group = header.Group ? descriptor + header.Group : nullptr;
    if (dacl) *dacl = header.Dacl ? reinterpret_cast<PACL>(descriptor + header.Dacl) : nullptr;
    if (sacl) *sacl = nullptr;
    return ERROR_SUCCESS;
}

BOOL WINAPI GetAce(PACL acl, DWORD aceIndex, LPVOID* ace) {
    if (Enter("GetAce", ERROR_INVALID_PARAMETER)) return FALSE;
    if (acl == nullptr || ace == nullptr || aceIndex >= acl->AceCount) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* at = reinterpret_cast<BYTE*>(acl) + sizeof(ACL);
    for (DWORD index = 0; index < aceIndex; ++index) at += reinterpret_cast<ACE_HEADER*>(at)->AceSize;
    *ace = at;
    return TRUE;
}

BOOL WINAPI LookupAccountSidW(LPCWSTR systemName, PSID sid, LPWSTR name, LPDWORD nameSize,
                              LPWSTR referencedDomainName, LPDWORD referencedDomainNameSize, PSID_NAME_USE use) {
    if (Enter("LookupAccountSidW", ERROR_NONE_MAPPED)) return FALSE;
    if (nameSize == nullptr || referencedDomainNameSize == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsValidSidPointer(sid)) {
        SetThreadLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    winsim::Account account;
    {
        MachineLock lock(MachineMutex());
        // Only the local machine's accounts are modelled.
        const winsim::Account* found =
            (systemName == nullptr || *systemName == L'\0') ? AccountOfSid(winsim::SidText(sid)) : nullptr;
        if (found == nullptr) {
            SetThreadLastError(ERROR_NONE_MAPPED);
            return FALSE;
        }
        account = *found;
    }
    const DWORD nameNeeded = static_cast<DWORD>(account.name.size() + 1);
    const DWORD domainNeeded = static_cast<DWORD>(account.domain.size() + 1);
    if (name == nullptr || referencedDomainName == nullptr || *nameSize < nameNeeded ||
        *referencedDomainNameSize < domainNeeded) {
        *nameSize = nameNeeded;
        *referencedDomainNameSize = domainNeeded;
        SetThreadLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    CopyOut(account.name, name, *nameSize);
    CopyOut(account.domain, referencedDomainName, *referencedDomainNameSize);
    *nameSize = nameNeeded - 1;
    *referencedDomainNameSize = domainNeeded - 1;
    if (use) *use = UseOf(account);
    return TRUE;
}

namespace winsim {

void SetObjectSecurity(const std::wstring& path, const ObjectSecurity& security) {
    MachineLock lock(MachineMutex());
    StoredSecurity stored = Resolve(security);
    if (FindFile(path) == nullptr) AddFolder(path);
    SecurityByPath()[ObjectKey(path)] = std::move(stored);
}

ObjectSecurity DefaultObjectSecurity() {
    ObjectSecurity security;
    security.owner = L"Administrators";
    security.group = L"SYSTEM";
    security.entries = {
        {AceKind::Allowed, L"SYSTEM", FILE_ALL_ACCESS, 0},
        {AceKind::Allowed, L"Administrators", FILE_ALL_ACCESS, 0},
        {AceKind::Allowed, L"Users", READ_CONTROL | SYNCHRONIZE | FILE_READ_DATA | FILE_READ_EA | FILE_EXECUTE |
                                         FILE_READ_ATTRIBUTES, 0},
    };
    return security;
}

std::wstring SidText(PSID sid) {
    if (!IsValidSidPointer(sid)) return L"";
    const auto* bytes = static_cast<const BYTE*>(sid);
    std::uint64_t authority = 0;
    for (int i = 0; i < 6; ++i) authority = (authority << 8) | bytes[2 + i];
    std::wstring text = L"S-1-" + std::to_wstring(authority);
    for (BYTE i = 0; i < bytes[1]; ++i) {
        DWORD sub = 0;
        std::memcpy(&sub, bytes + 8 + 4 * i, sizeof sub);
        text += L"-" + std::to_wstring(sub);
    }
    return text;
}

}  // namespace winsim
