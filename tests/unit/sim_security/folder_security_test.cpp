// Folder descriptors as the simulated Windows lays them out: the owners and access
// lists Wine cannot store (which parts a request returns is a parity table).
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/scoped_local_memory.h"
#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Platform::ScopedSecurityDescriptor;
using winsim::AceKind;

constexpr const wchar_t* kTrustedInstallerSid = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr SECURITY_INFORMATION kOwnerGroupDacl =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

class FolderSecurityTest : public vistane_test::SimCallTest {
protected:
    DWORD Read(const wchar_t* folder, ScopedSecurityDescriptor& descriptor) {
        return GetNamedSecurityInfoW(folder, SE_FILE_OBJECT, kOwnerGroupDacl, &owner, &group, &dacl, nullptr,
                                     descriptor.put());
    }
    PSID owner = reinterpret_cast<PSID>(1);
    PSID group = nullptr;
    PACL dacl = nullptr;
};

TEST_F(FolderSecurityTest, DescriptorIsOneSelfRelativeBlockOfLocalMemory) {
    winsim::ObjectSecurity security;
    security.entries = {{AceKind::Allowed, L"TrustedInstaller", GENERIC_ALL, CONTAINER_INHERIT_ACE},
                        {AceKind::Denied, L"user1", FILE_WRITE_DATA, 0}};
    winsim::SetObjectSecurity(L"D:\\WindowsApps\\", security);
    ScopedSecurityDescriptor descriptor;
    ASSERT_EQ(Read(L"d:\\windowsapps", descriptor), static_cast<DWORD>(ERROR_SUCCESS));
    const auto* header = static_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(descriptor.get());
    EXPECT_EQ(header->Control, SE_SELF_RELATIVE | SE_DACL_PRESENT);
    const auto* base = static_cast<const BYTE*>(descriptor.get());
    EXPECT_EQ(static_cast<const BYTE*>(owner), base + header->Owner);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(dacl), base + header->Dacl);
    EXPECT_EQ(winsim::SidText(owner), kTrustedInstallerSid);
    EXPECT_EQ(winsim::SidText(group), L"S-1-5-18");
    ASSERT_EQ(dacl->AceCount, 2);
    // TrustedInstaller's SID has 6 sub-authorities (32 bytes), user1's 5 (28 bytes).
    EXPECT_EQ(dacl->AclSize, sizeof(ACL) + 2 * offsetof(ACCESS_ALLOWED_ACE, SidStart) + 32 + 28);

    const struct {
        BYTE type, flags;
        ACCESS_MASK mask;
        std::wstring sid;
    } expected[] = {{ACCESS_ALLOWED_ACE_TYPE, CONTAINER_INHERIT_ACE, GENERIC_ALL, kTrustedInstallerSid},
                    {ACCESS_DENIED_ACE_TYPE, 0, FILE_WRITE_DATA, winsim::FindAccount(L"user1")->sid}};
    for (DWORD index = 0; index < 2; ++index) {
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, index, &ace));
        auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);  // a denying entry has the same layout
        EXPECT_EQ(entry->Header.AceType, expected[index].type);
        EXPECT_EQ(entry->Header.AceFlags, expected[index].flags);
        EXPECT_EQ(entry->Mask, expected[index].mask);
        EXPECT_EQ(winsim::SidText(&entry->SidStart), expected[index].sid);
    }
    void* ace = nullptr;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetAce(dacl, 2, &ace));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(FolderSecurityTest, AnObjectMayHaveNoOwner) {
    winsim::ObjectSecurity security;
    security.owner = L"";
    winsim::SetObjectSecurity(L"D:\\WindowsApps", security);
    ScopedSecurityDescriptor descriptor;
    ASSERT_EQ(Read(L"D:\\WindowsApps", descriptor), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(owner, nullptr);
    ASSERT_NE(dacl, nullptr);
    EXPECT_EQ(dacl->AceCount, 0);
    security.entries = {{AceKind::Allowed, L"nobody", GENERIC_ALL, 0}};
    EXPECT_THROW(winsim::SetObjectSecurity(L"D:\\X", security), std::invalid_argument) << "an unknown account";
}

TEST_F(FolderSecurityTest, FailuresAllocateNothing) {
    ScopedSecurityDescriptor descriptor;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(Read(L"D:\\Missing", descriptor), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    winsim::AddFolder(L"D:\\Data");
    EXPECT_EQ(GetNamedSecurityInfoW(L"D:\\Data", SE_FILE_OBJECT, kOwnerGroupDacl, nullptr, nullptr, &dacl, nullptr,
                                    nullptr),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "nowhere to put the descriptor";
    winsim::FailCall("GetNamedSecurityInfoW", winsim::CallCount("GetNamedSecurityInfoW") + 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read(L"D:\\Data", descriptor), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(descriptor.get(), nullptr);
}

}  // namespace
