// The simulated GetNamedSecurityInfoW held to the shared table the Wine suite checks
// the real call with.
#include <gtest/gtest.h>

#include "platform/resources.h"
#include "platform/win32.h"
#include "tests/parity/object_security_cases.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Platform::ScopedSecurityDescriptor;

class ObjectSecurityParity : public vistane_test::SimTest {};

TEST_F(ObjectSecurityParity, EachRequestReturnsTheRowsParts) {
    const wchar_t* folder = L"C:\\Parity\\Owned";
    winsim::AddFolder(folder);
    for (const parity::SecurityPartsCase& row : parity::kSecurityPartsCases) {
        SCOPED_TRACE(testing::Message() << "request " << row.request);
        PSID owner = nullptr;
        PSID group = nullptr;
        PACL dacl = nullptr;
        ScopedSecurityDescriptor descriptor;
        ASSERT_EQ(GetNamedSecurityInfoW(folder, SE_FILE_OBJECT, row.request, &owner, &group, &dacl, nullptr,
                                        descriptor.put()),
                  static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(owner != nullptr, row.owner);
        EXPECT_EQ(group != nullptr, row.group);
        EXPECT_EQ(dacl != nullptr, row.dacl);
    }
    EXPECT_NO_LOG();
    EXPECT_LEDGER_BALANCED();
}

}  // namespace
