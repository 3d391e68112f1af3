// The simulated share modes held to the shared table the Wine suite checks the real
// calls with: what may be done to a file while another handle holds it open.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "tests/parity/file_sharing_cases.h"
#include "tests/support/sim_test.h"

namespace {

using parity::SharingAttempt;

// The attempt's outcome: 0, or the last error of its failure. Whatever it opened or
// started is closed again.
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
            done = CreateProcessW(parity::kHeldFile, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &process);
            if (done) {
                CloseHandle(process.hThread);
                CloseHandle(process.hProcess);
            }
            break;
        }
    }
    return done ? 0 : GetLastError();
}

class FileSharingParity : public vistane_test::SimTest {};

TEST_F(FileSharingParity, EveryRowSucceedsOrFailsAsTheTableSays) {
    unsigned rowNumber = 0;
    for (const parity::FileSharingCase& row : parity::kFileSharingCases) {
        SCOPED_TRACE(testing::Message() << "row " << ++rowNumber);
        winsim::AddFile(parity::kHeldFile, "MZ held");
        winsim::AddFile(parity::kOtherFile, "MZ other");
        const HANDLE held =
            CreateFileW(parity::kHeldFile, row.heldAccess, row.heldShare, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_EQ(Attempt(row), row.error);
        EXPECT_EQ(winsim::LedgerReport(), "file=1") << "only the held handle is left open";
        // A file is where the attempt left it: a failed attempt changes nothing.
        const bool moved = row.error == 0 && (row.attempt == SharingAttempt::MoveAway || row.attempt == SharingAttempt::Delete);
        EXPECT_EQ(winsim::FileContent(parity::kHeldFile), moved ? std::nullopt : std::optional<std::string>("MZ held"));
        EXPECT_TRUE(CloseHandle(held));
        for (const wchar_t* file : {parity::kHeldFile, parity::kOtherFile, parity::kFreeName}) winsim::RemoveFile(file);
    }
    EXPECT_LEDGER_BALANCED();
    EXPECT_NO_LOG();
}

}  // namespace
