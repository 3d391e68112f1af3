// The shared tables (tests/parity) answered by the real calls; the Linux suite holds
// the simulated Windows to the same rows. Rows where Wine strays from Windows run on
// Windows only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/parity/parity_checks.h"
#include "tests/parity/parity_machine.h"
#include "tests/wine/wine_environment.h"

namespace {

// Copies of a small program placed for a test's length, with the folders made for them.
class Layout {
public:
    ~Layout() {
        for (const std::wstring& file : files_) DeleteFileW(file.c_str());
        for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) RemoveDirectoryW(folder->c_str());
    }
    void Place(const std::wstring& path) {
        MakeFolders(path.substr(0, path.find_last_of(L'\\')));
        const std::wstring program = wine_checks::ProgramFolder() + L"Companion-5.2.60.0.exe";
        EXPECT_TRUE(CopyFileW(program.c_str(), path.c_str(), FALSE)) << "error " << GetLastError();
        files_.push_back(path);
    }
    void MakeFolders(const std::wstring& folder) {
        if (folder.size() <= 3 || GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
        MakeFolders(folder.substr(0, folder.find_last_of(L'\\')));
        if (CreateDirectoryW(folder.c_str(), nullptr)) folders_.push_back(folder);
    }

private:
    std::vector<std::wstring> files_;
    std::vector<std::wstring> folders_;
};

class Parity : public testing::Test {
protected:
    // The machine of tests/parity/parity_machine.h: its variables, and its current folder.
    void SetUp() override {
        for (const parity::Variable& variable : parity::kVariables) SetEnvironmentVariableW(variable.name, variable.value);
        layout.MakeFolders(parity::kCurrentFolder);
        ASSERT_TRUE(SetCurrentDirectoryW(parity::kCurrentFolder));
    }
    void TearDown() override { SetCurrentDirectoryW(L"C:\\"); }

    Layout layout;
    const parity::Platform real{
        [this](const wchar_t* path) { layout.Place(path); },
        [](const PROCESS_INFORMATION& process) {
            wchar_t image[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            EXPECT_TRUE(QueryFullProcessImageNameW(process.hProcess, 0, image, &size));
            TerminateProcess(process.hProcess, 0);
            WaitForSingleObject(process.hProcess, 10000);
            return std::wstring(image);
        },
        [](const char*) {},
        wine_checks::RunningUnderWine()};
};

TEST_F(Parity, EnvironmentExpansion) { parity::CheckExpansionRows(); }
TEST_F(Parity, FullPaths) { parity::CheckFullPathRows(real); }
TEST_F(Parity, CommandLinesAndProgramPath) { parity::CheckCommandLineRows(real); }
TEST_F(Parity, FileSharing) { parity::CheckSharingRows(real); }
TEST_F(Parity, AccountLookup) { parity::CheckAccountRows(real); }
TEST_F(Parity, VersionResources) { parity::CheckVersionRows(real, wine_checks::ProgramFolder()); }

// Wine stores no owner (every file's is the Unix user running it), so owners the
// simulated Windows models cannot be made here; which parts come back can.
TEST_F(Parity, ObjectSecurity) {
    layout.MakeFolders(L"C:\\Parity\\Owned");
    parity::CheckSecurityPartsRows(real, L"C:\\Parity\\Owned");
}

TEST_F(Parity, ProcessCreation) { parity::CheckProcessCreationRows(real); }

}  // namespace
