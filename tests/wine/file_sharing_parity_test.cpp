// The shared share-mode table, answered by the real calls: a copy of a small program
// stands at kHeldFile and one at kOtherFile for each row; a started program is made
// suspended and ended before the next row.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "tests/parity/file_sharing_cases.h"
#include "tests/wine/wine_environment.h"

namespace {

using parity::SharingAttempt;

DWORD Attempt(const parity::FileSharingCase& row) {
    SetLastError(0);
    BOOL done = FALSE;
    switch (row.attempt) {
        case SharingAttempt::Open: {
            const HANDLE file = CreateFileW(parity::kHeldFile, row.access, row.share, nullptr, OPEN_EXISTING, 0, nullptr);
            done = file != INVALID_HANDLE_VALUE;
            if (done) CloseHandle(file);
            break;
        }
        case SharingAttempt::Delete: done = DeleteFileW(parity::kHeldFile); break;
        case SharingAttempt::MoveAway: done = MoveFileExW(parity::kHeldFile, parity::kFreeName, 0); break;
        case SharingAttempt::ReplaceHeld:
            done = MoveFileExW(parity::kOtherFile, parity::kHeldFile, MOVEFILE_REPLACE_EXISTING);
            break;
        case SharingAttempt::Start: {
            std::wstring commandLine = L"Held.exe";
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION process{};
            done = CreateProcessW(parity::kHeldFile, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                  nullptr, nullptr, &startup, &process);
            const DWORD error = GetLastError();
            if (done) {
                TerminateProcess(process.hProcess, 0);
                WaitForSingleObject(process.hProcess, 10000);
                CloseHandle(process.hThread);
                CloseHandle(process.hProcess);
            }
            SetLastError(error);
            break;
        }
    }
    return done ? 0 : GetLastError();
}

void RemoveLayout() {
    for (const wchar_t* file : {parity::kHeldFile, parity::kOtherFile, parity::kFreeName}) DeleteFileW(file);
}

}  // namespace

TEST(FileSharingParity, EveryRowSucceedsOrFailsAsTheTableSays) {
    const std::wstring program = wine_checks::ProgramFolder() + L"Companion-5.2.60.0.exe";
    const bool madeFolder = CreateDirectoryW(parity::kSharingFolder, nullptr) != FALSE;
    unsigned rowNumber = 0;
    for (const parity::FileSharingCase& row : parity::kFileSharingCases) {
        SCOPED_TRACE(testing::Message() << "row " << ++rowNumber);
        ASSERT_TRUE(CopyFileW(program.c_str(), parity::kHeldFile, FALSE)) << "error " << GetLastError();
        ASSERT_TRUE(CopyFileW(program.c_str(), parity::kOtherFile, FALSE)) << "error " << GetLastError();
        const HANDLE held =
            CreateFileW(parity::kHeldFile, row.heldAccess, row.heldShare, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << "error " << GetLastError();
        EXPECT_EQ(Attempt(row), row.error);
        CloseHandle(held);
        RemoveLayout();
    }
    if (madeFolder) RemoveDirectoryW(parity::kSharingFolder);
}
