// The shared version-resource table, read by the real functions from the companion
// programs beside this test program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/parity/version_resource_cases.h"
#include "tests/wine/wine_environment.h"

namespace {

void ExpectRow(const parity::VersionCase& row) {
    SCOPED_TRACE(testing::Message() << "file [" << std::wstring(row.fileName) << "]");
    const std::wstring path = wine_checks::ProgramFolder() + row.fileName;
    DWORD handle = 77;
    SetLastError(0);
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    if (!row.readable) {
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(GetLastError(), row.sizeError);
        return;
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

}  // namespace

TEST(VersionResourceParity, EveryRowReadsAsTheTableSays) {
    for (const parity::VersionCase& row : parity::kVersionCases) {
        if (row.wineDiffers == nullptr || !wine_checks::RunningUnderWine()) ExpectRow(row);
    }
}

TEST(VersionResourceParity, RowsWineAnswersItsOwnWay) {
    std::string strays;
    for (const parity::VersionCase& row : parity::kVersionCases) {
        if (row.wineDiffers) strays += std::string(strays.empty() ? "" : "; ") + row.wineDiffers;
    }
    if (wine_checks::RunningUnderWine()) GTEST_SKIP() << "Wine strays from Windows here: " << strays;
    for (const parity::VersionCase& row : parity::kVersionCases) {
        if (row.wineDiffers) ExpectRow(row);
    }
}
