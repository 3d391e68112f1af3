// Programs started with CreateProcessW where the parity tables do not reach: the search
// from the host's own folder, and waits on the virtual clock.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

class ProcessStartTest : public vistane_test::SimCallTest {
protected:
    // The program run, or empty with the last error in `error`.
    std::wstring Start(const wchar_t* commandLine, DWORD* error = nullptr) {
        std::wstring line = commandLine ? commandLine : L"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        SetLastError(0xdeadbeef);
        const BOOL started = CreateProcessW(nullptr, commandLine ? line.data() : nullptr, nullptr, nullptr, FALSE, 0,
                                            nullptr, nullptr, &startup, &process);
        if (error) *error = started ? ERROR_SUCCESS : GetLastError();
        if (!started) return L"";
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return winsim::StartedProcesses().back().program;
    }
};

TEST_F(ProcessStartTest, NamesWithoutFolderAreSearchedHostFolderFirst) {
    winsim::AddFile(L"C:\\Windows\\System32\\cmd.exe", "MZ");
    EXPECT_EQ(Start(L"cmd /c exit"), L"C:\\Windows\\System32\\cmd.exe");
    winsim::AddFile(L"C:\\Program Files\\Orlent Works\\Host\\cmd.exe", "MZ");
    EXPECT_EQ(Start(L"cmd /c exit"), L"C:\\Program Files\\Orlent Works\\Host\\cmd.exe");
    DWORD error = 0;
    EXPECT_EQ(Start(nullptr, &error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "neither a program nor a command line";
}

TEST_F(ProcessStartTest, HandlesAreSignalledWhenTheProgramEnds) {
    winsim::AddFile(L"C:\\Tools\\quick.exe", "MZ");
    winsim::AddFile(L"C:\\Tools\\slow.exe", "MZ");
    winsim::SetProgramBehaviour(L"C:\\Tools\\slow.exe", {nullptr, true, 7});
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION quick{};
    std::wstring quickLine = L"C:\\Tools\\quick.exe";
    ASSERT_TRUE(CreateProcessW(nullptr, quickLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &quick));
    EXPECT_EQ(WaitForSingleObject(quick.hProcess, INFINITE), WAIT_OBJECT_0) << "a program without behaviour ends at once";
    EXPECT_EQ(WaitForSingleObject(quick.hThread, 0), WAIT_OBJECT_0);
    CloseHandle(quick.hThread);
    CloseHandle(quick.hProcess);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WaitForSingleObject(quick.hProcess, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    PROCESS_INFORMATION slow{};
    std::wstring slowLine = L"C:\\Tools\\slow.exe";
    ASSERT_TRUE(CreateProcessW(nullptr, slowLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &slow));
    EXPECT_EQ(WaitForSingleObject(slow.hProcess, 5000), WAIT_TIMEOUT);
    EXPECT_EQ(winsim::NowMilliseconds(), 5000u) << "the time-out passes on the virtual clock";
    DWORD waitResult = WAIT_FAILED;
    std::thread waiter([&] { waitResult = WaitForSingleObject(slow.hProcess, INFINITE); });
    EXPECT_TRUE(winsim::EndProcess(slow.dwProcessId, 7));
    waiter.join();
    EXPECT_EQ(waitResult, WAIT_OBJECT_0);
    EXPECT_FALSE(winsim::EndProcess(slow.dwProcessId)) << "it has ended already";
    CloseHandle(slow.hThread);
    CloseHandle(slow.hProcess);
}

}  // namespace
