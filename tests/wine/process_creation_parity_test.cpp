// The shared process-creation table, answered by the real CreateProcessW and
// CreateProcessAsUserW: copies of a small program stand at each path, each start is
// made suspended and the image that was mapped is read back before the process ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/parity/process_creation_check.h"
#include "tests/wine/parity_machine_scope.h"
#include "tests/wine/wine_environment.h"

namespace {

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// Lays the programs out for the length of a test and removes them after.
class ProgramLayout {
public:
    ProgramLayout() {
        const std::wstring source = wine_checks::ProgramFolder() + L"Companion-5.2.60.0.exe";
        for (const wchar_t* program : parity::kProgramFiles) {
            MakeFolders(FolderOf(program));
            if (CopyFileW(source.c_str(), program, FALSE)) files_.push_back(program);
        }
    }
    ~ProgramLayout() {
        for (const std::wstring& file : files_) DeleteFileW(file.c_str());
        for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) RemoveDirectoryW(folder->c_str());
    }
    ProgramLayout(const ProgramLayout&) = delete;
    ProgramLayout& operator=(const ProgramLayout&) = delete;
    bool complete() const { return files_.size() == std::size(parity::kProgramFiles); }

private:
    void MakeFolders(const std::wstring& folder) {
        if (folder.size() <= 3 || GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
        MakeFolders(FolderOf(folder));
        if (CreateDirectoryW(folder.c_str(), nullptr)) folders_.push_back(folder);
    }
    std::vector<std::wstring> files_;
    std::vector<std::wstring> folders_;
};

}  // namespace

TEST(ProcessCreationParity, EveryRowRunsTheProgramTheTableNames) {
    ParityMachineScope machine;
    ProgramLayout layout;
    ASSERT_TRUE(layout.complete()) << "could not lay the programs out, error " << GetLastError();
    parity::CheckProcessCreationRows([](const PROCESS_INFORMATION& process) {
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        EXPECT_TRUE(QueryFullProcessImageNameW(process.hProcess, 0, image, &size));
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 10000);
        return std::wstring(image);
    });
}
