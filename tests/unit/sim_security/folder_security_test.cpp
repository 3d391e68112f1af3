#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "platform/resources.h"
#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Platform::ScopedSecurityDescriptor;
using winsim::AceKind;

constexpr const wchar_t* kTrustedInstallerSid = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr SECURITY_INFORMATION kOwnerGroupDacl =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

class FolderSecurityTest : public vistane_test::SimTest {};

TEST_F(FolderSecurityTest, DescriptorIsOneSelfRelativeBlockOfLocalMemory) {
    winsim::ObjectSecurity security;
    security.entries = {{AceKind::Allowed, L"TrustedInstaller", GENERIC_ALL, CONTAINER_INHERIT_ACE},
                        {AceKind::Denied, L"user1", FILE_WRITE_DATA, 0}};
    winsim::SetObjectSecurity(L"D:\\WindowsApps\\", security);

    PSID owner = nullptr;
    PSID group = nullptr;
    PACL dacl = nullptr;
    ScopedSecurityDescriptor descriptor;
    ASSERT_EQ(GetNamedSecurityInfoW(L"d:\\windowsapps", SE_FILE_OBJECT, kOwnerGroupDacl, &owner, &group, &dacl,
                                    nullptr, descriptor.put()),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(winsim::LedgerReport(), "local memory=1");

    const auto* header = static_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(descriptor.get());
    EXPECT_EQ(header->Revision, SECURITY_DESCRIPTOR_REVISION);
    EXPECT_EQ(header->Control, SE_SELF_RELATIVE | SE_DACL_PRESENT);
    const auto* base = static_cast<const BYTE*>(descriptor.get());
    EXPECT_EQ(static_cast<const BYTE*>(owner), base + header->Owner);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(dacl), base + header->Dacl);
    EXPECT_EQ(winsim::SidText(owner), kTrustedInstallerSid);
    EXPECT_EQ(winsim::SidText(group), L"S-1-5-18");

    EXPECT_EQ(dacl->AclRevision, ACL_REVISION);
    ASSERT_EQ(dacl->AceCount, 2);
    // TrustedInstaller's SID has 6 sub-authorities: 8 + 24 bytes after the mask.
    const WORD firstSize = offsetof(ACCESS_ALLOWED_ACE, SidStart) + 32;
    EXPECT_EQ(dacl->AclSize, sizeof(ACL) + firstSize + offsetof(ACCESS_DENIED_ACE, SidStart) + 8 + 4 * 5);

    void* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, 0, &ace));
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(allowed->Header.AceFlags, CONTAINER_INHERIT_ACE);
    EXPECT_EQ(allowed->Header.AceSize, firstSize);
    EXPECT_EQ(allowed->Mask, GENERIC_ALL);
    EXPECT_EQ(winsim::SidText(const_cast<DWORD*>(&allowed->SidStart)), kTrustedInstallerSid);

    ASSERT_TRUE(GetAce(dacl, 1, &ace));
    const auto* denied = static_cast<const ACCESS_DENIED_ACE*>(ace);
    EXPECT_EQ(denied->Header.AceType, ACCESS_DENIED_ACE_TYPE);
    EXPECT_EQ(denied->Mask, FILE_WRITE_DATA);
    EXPECT_EQ(winsim::SidText(const_cast<DWORD*>(&denied->SidStart)), winsim::FindAccount(L"user1")->sid);

    EXPECT_FALSE(GetAce(dacl, 2, &ace));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    descriptor.reset();
    EXPECT_LEDGER_BALANCED();
}

// Which parts come back for which request is held to Windows by the parity table
// (tests/parity/object_security_cases.h); an object may also have no owner at all.
TEST_F(FolderSecurityTest, AnObjectWithoutAnOwnerReportsANullOwner) {
    winsim::ObjectSecurity security;
    security.owner = L"";
    winsim::SetObjectSecurity(L"D:\\WindowsApps", security);
    PSID owner = reinterpret_cast<PSID>(1);
    PACL dacl = nullptr;
    ScopedSecurityDescriptor descriptor;
    ASSERT_EQ(GetNamedSecurityInfoW(L"D:\\WindowsApps", SE_FILE_OBJECT, kOwnerGroupDacl, &owner, nullptr, &dacl,
                                    nullptr, descriptor.put()),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(owner, nullptr);
    ASSERT_NE(dacl, nullptr);
    EXPECT_EQ(dacl->AceCount, 0);
}

TEST_F(FolderSecurityTest, FailuresAllocateNothing) {
    PACL dacl = nullptr;
    ScopedSecurityDescriptor descriptor;
    EXPECT_EQ(GetNamedSecurityInfoW(L"D:\\Missing", SE_FILE_OBJECT, kOwnerGroupDacl, nullptr, nullptr, &dacl, nullptr,
                                    descriptor.put()),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    winsim::AddFolder(L"D:\\Data");
    EXPECT_EQ(GetNamedSecurityInfoW(L"D:\\Data", SE_FILE_OBJECT, kOwnerGroupDacl, nullptr, nullptr, &dacl, nullptr,
                                    nullptr),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    winsim::FailCall("GetNamedSecurityInfoW", winsim::CallCount("GetNamedSecurityInfoW") + 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetNamedSecurityInfoW(L"D:\\Data", SE_FILE_OBJECT, kOwnerGroupDacl, nullptr, nullptr, &dacl, nullptr,
                                    descriptor.put()),
              static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(descriptor.get(), nullptr);
    EXPECT_LEDGER_BALANCED();
}

TEST_F(FolderSecurityTest, ObjectsWithoutSecurityOfTheirOwnGetTheDefault) {
    winsim::AddFile(L"C:\\Data\\x.exe");
    PACL dacl = nullptr;
    PSID owner = nullptr;
    ScopedSecurityDescriptor descriptor;
    ASSERT_EQ(GetNamedSecurityInfoW(L"C:\\Data\\x.exe", SE_FILE_OBJECT, kOwnerGroupDacl, &owner, nullptr, &dacl,
                                    nullptr, descriptor.put()),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(winsim::SidText(owner), L"S-1-5-32-544");
    EXPECT_EQ(dacl->AceCount, winsim::DefaultObjectSecurity().entries.size());
}

TEST_F(FolderSecurityTest, UnknownAccountsAreRefusedByTheControlApi) {
    winsim::ObjectSecurity security;
    security.entries = {{AceKind::Allowed, L"nobody", GENERIC_ALL, 0}};
    EXPECT_THROW(winsim::SetObjectSecurity(L"D:\\X", security), std::invalid_argument);
}

// A SID built by hand the way Windows lays it out.
std::vector<BYTE> SystemSid() {
    std::vector<BYTE> sid(12);
    sid[0] = SID_REVISION;
    sid[1] = 1;
    sid[7] = 5;  // SECURITY_NT_AUTHORITY, big-endian
    const DWORD localSystem = 18;
    std::memcpy(sid.data() + 8, &localSystem, 4);
    return sid;
}

TEST_F(FolderSecurityTest, LookupReportsNeededSizesWithTheTerminator) {
    std::vector<BYTE> sid = SystemSid();
    WCHAR name[6] = {};
    WCHAR domain[32] = {};
    DWORD nameSize = 6;
    DWORD domainSize = 32;
    SID_NAME_USE use = SidTypeInvalid;
    EXPECT_FALSE(LookupAccountSidW(nullptr, sid.data(), name, &nameSize, domain, &domainSize, &use));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(nameSize, 7u);    // "SYSTEM" and its terminator
    EXPECT_EQ(domainSize, 13u); // "NT AUTHORITY" and its terminator

    WCHAR fullName[7] = {};
    nameSize = 7;
    domainSize = 13;
    ASSERT_TRUE(LookupAccountSidW(nullptr, sid.data(), fullName, &nameSize, domain, &domainSize, &use));
    EXPECT_STREQ(fullName, L"SYSTEM");
    EXPECT_STREQ(domain, L"NT AUTHORITY");
    EXPECT_EQ(nameSize, 6u);
    EXPECT_EQ(domainSize, 12u);
    EXPECT_EQ(use, SidTypeWellKnownGroup);
}

TEST_F(FolderSecurityTest, LookupOfAnUnknownSidMapsNothing) {
    std::vector<BYTE> sid = SystemSid();
    const DWORD unknown = 4242;
    std::memcpy(sid.data() + 8, &unknown, 4);
    WCHAR name[64] = {};
    WCHAR domain[64] = {};
    DWORD nameSize = 64;
    DWORD domainSize = 64;
    SID_NAME_USE use = SidTypeInvalid;
    EXPECT_FALSE(LookupAccountSidW(nullptr, sid.data(), name, &nameSize, domain, &domainSize, &use));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NONE_MAPPED));
    EXPECT_EQ(winsim::SidText(sid.data()), L"S-1-5-4242");
}

}  // namespace
