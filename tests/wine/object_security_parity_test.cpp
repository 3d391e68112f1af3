// The shared GetNamedSecurityInfoW table, answered by the real call on a folder this
// program makes; the Linux suite holds the simulated call to the same rows.
//
// Wine does not store a file's owner: SetNamedSecurityInfoW reports success and the
// owner read back is unchanged, the Unix user running Wine (S-1-5-21-0-0-0-1000), for
// every file, the Windows folder included. So a folder owned by TrustedInstaller,
// SYSTEM or Administrators, or one without an owner (which the simulated Windows can
// model), cannot be made under Wine; the owner rule's SID comparison is checked on SIDs
// the real platform builds (folder_security_test.cpp).
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "tests/parity/object_security_cases.h"

TEST(ObjectSecurityParity, EachRequestReturnsTheRowsParts) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"VistaneObjectSecurityParity";
    RemoveDirectoryW(folder.c_str());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << "error " << GetLastError();
    for (const parity::SecurityPartsCase& row : parity::kSecurityPartsCases) {
        SCOPED_TRACE(testing::Message() << "request " << row.request);
        PSID owner = nullptr;
        PSID group = nullptr;
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, row.request, &owner, &group, &dacl, nullptr,
                                        &descriptor),
                  static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(owner != nullptr, row.owner);
        EXPECT_EQ(group != nullptr, row.group);
        EXPECT_EQ(dacl != nullptr, row.dacl);
        LocalFree(descriptor);
    }
    RemoveDirectoryW(folder.c_str());
}
