// The simulated version-resource calls held to the shared table the Wine suite reads
// from real programs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/parity/version_resource_cases.h"
#include "tests/support/sim_test.h"

namespace {

constexpr const wchar_t* kFolder = L"C:\\Parity\\Bin\\";

class VersionResourceParity : public vistane_test::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        // The machine holds what the Wine build puts beside its test program.
        for (const parity::VersionCase& row : parity::kVersionCases) {
            const std::wstring path = std::wstring(kFolder) + row.fileName;
            if (row.readable) {
                winsim::AddFile(path, "MZ", winsim::FileVersion{row.major, row.minor, row.build, row.revision});
            } else if (row.sizeError != ERROR_FILE_NOT_FOUND) {
                winsim::AddFile(path, "MZ");
            }
        }
    }
};

TEST_F(VersionResourceParity, EveryRowReadsAsTheTableSays) {
    for (const parity::VersionCase& row : parity::kVersionCases) {
        SCOPED_TRACE(testing::Message() << "file [" << std::wstring(row.fileName) << "]");
        const std::wstring path = std::wstring(kFolder) + row.fileName;
        DWORD handle = 77;
        SetLastError(0);
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        EXPECT_EQ(handle, 0u);
        if (!row.readable) {
            EXPECT_EQ(size, 0u);
            EXPECT_EQ(GetLastError(), row.sizeError);
            continue;
        }
        ASSERT_GT(size, 0u);
        std::vector<BYTE> block(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length));
        EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed->dwFileVersionMS, (DWORD{row.major} << 16) | row.minor);
        EXPECT_EQ(fixed->dwFileVersionLS, (DWORD{row.build} << 16) | row.revision);
    }
    EXPECT_NO_LOG();
    EXPECT_LEDGER_BALANCED();
}

}  // namespace
