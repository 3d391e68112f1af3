#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

class ProcessStartTest : public vistane_test::SimTest {
protected:
    // Starts with the command line alone; returns the program run, or empty with the
    // last error in `error`.
    std::wstring StartFromCommandLine(std::wstring commandLine, DWORD* error = nullptr) {
        return Start(nullptr, commandLine, error);
    }

    std::wstring Start(const wchar_t* applicationName, std::wstring commandLine, DWORD* error = nullptr) {
        STARTUPINFOW startupInfo{};
        startupInfo.cb = sizeof startupInfo;
        PROCESS_INFORMATION information{};
        const BOOL started = CreateProcessW(applicationName, commandLine.empty() ? nullptr : commandLine.data(),
                                            nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                                            &information);
        if (error) *error = started ? ERROR_SUCCESS : GetLastError();
        if (!started) {
            EXPECT_EQ(information.hProcess, nullptr);
            return L"";
        }
        EXPECT_TRUE(CloseHandle(information.hThread));
        EXPECT_TRUE(CloseHandle(information.hProcess));
        return winsim::StartedProcesses().back().program;
    }
};

TEST_F(ProcessStartTest, NamesWithoutFolderAreSearchedHostFolderFirst) {
    winsim::AddFile(L"C:\\Windows\\System32\\cmd.exe", "MZ");
    EXPECT_EQ(StartFromCommandLine(L"cmd /c exit"), L"C:\\Windows\\System32\\cmd.exe");
    winsim::AddFile(L"C:\\Program Files\\Orlent Works\\Host\\cmd.exe", "MZ");
    EXPECT_EQ(StartFromCommandLine(L"cmd /c exit"), L"C:\\Program Files\\Orlent Works\\Host\\cmd.exe");
}

TEST_F(ProcessStartTest, TheStartIsRecordedAsPassedInTheCallersAccount) {
    winsim::AddFile(L"C:\\Program Files\\Host\\QVVSSetup.exe", "MZ");
    EXPECT_EQ(Start(L"C:\\Program Files\\Host\\QVVSSetup.exe", L"C:\\Program Files\\Host\\QVVSSetup.exe /S"),
              L"C:\\Program Files\\Host\\QVVSSetup.exe");
    const winsim::StartedProcess started = winsim::StartedProcesses().back();
    EXPECT_EQ(started.api, "CreateProcessW");
    EXPECT_EQ(started.applicationName, L"C:\\Program Files\\Host\\QVVSSetup.exe");
    EXPECT_EQ(started.commandLine, L"C:\\Program Files\\Host\\QVVSSetup.exe /S");
    EXPECT_EQ(started.user, L"SYSTEM");
    EXPECT_EQ(started.startupInfoSize, 104u);
}

TEST_F(ProcessStartTest, BadArgumentsAndInjectedFailuresStartNothing) {
    winsim::AddFile(L"C:\\Tools\\setup.exe", "MZ");
    DWORD error = 0;
    EXPECT_EQ(Start(nullptr, L"", &error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(StartFromCommandLine(L"C:\\Tools\\setup " + std::wstring(32767, L'x'), &error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(StartFromCommandLine(L"C:\\Tools", &error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    winsim::FailCall("CreateProcessW", winsim::CallCount("CreateProcessW") + 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(StartFromCommandLine(L"C:\\Tools\\setup /x", &error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_TRUE(winsim::StartedProcesses().empty());
    EXPECT_LEDGER_BALANCED();
    EXPECT_EQ(StartFromCommandLine(L"C:\\Tools\\setup /x"), L"C:\\Tools\\setup.exe") << ".exe added";
}

TEST_F(ProcessStartTest, HandlesAreCountedAndSignalledWhenTheProgramEnds) {
    winsim::AddFile(L"C:\\Tools\\quick.exe", "MZ");
    winsim::AddFile(L"C:\\Tools\\slow.exe", "MZ");
    winsim::SetProgramBehaviour(L"C:\\Tools\\slow.exe", {nullptr, true, 7});

    STARTUPINFOW startupInfo{};
    startupInfo.cb = sizeof startupInfo;
    PROCESS_INFORMATION quick{};
    std::wstring quickLine = L"C:\\Tools\\quick.exe";
    ASSERT_TRUE(CreateProcessW(nullptr, quickLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                               &quick));
    EXPECT_EQ(winsim::OpenResources(), (std::map<std::string, long>{{"process", 1}, {"thread", 1}}));
    EXPECT_EQ(WaitForSingleObject(quick.hProcess, INFINITE), WAIT_OBJECT_0) << "a program without behaviour ends at once";
    EXPECT_EQ(WaitForSingleObject(quick.hThread, 0), WAIT_OBJECT_0);
    EXPECT_NE(quick.dwProcessId, quick.dwThreadId);
    CloseHandle(quick.hThread);
    CloseHandle(quick.hProcess);
    EXPECT_LEDGER_BALANCED();
    EXPECT_EQ(WaitForSingleObject(quick.hProcess, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    PROCESS_INFORMATION slow{};
    std::wstring slowLine = L"C:\\Tools\\slow.exe";
    ASSERT_TRUE(CreateProcessW(nullptr, slowLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                               &slow));
    EXPECT_TRUE(winsim::ProcessRunning(slow.dwProcessId));
    const std::uint64_t before = winsim::NowMilliseconds();
    EXPECT_EQ(WaitForSingleObject(slow.hProcess, 5000), WAIT_TIMEOUT);
    EXPECT_EQ(winsim::NowMilliseconds(), before + 5000) << "the time-out passes on the virtual clock";

    DWORD waitResult = WAIT_FAILED;
    std::thread waiter([&] { waitResult = WaitForSingleObject(slow.hProcess, INFINITE); });
    EXPECT_TRUE(winsim::EndProcess(slow.dwProcessId, 7));
    waiter.join();
    EXPECT_EQ(waitResult, WAIT_OBJECT_0);
    EXPECT_FALSE(winsim::EndProcess(slow.dwProcessId)) << "it has ended already";
    CloseHandle(slow.hThread);
    CloseHandle(slow.hProcess);
}

TEST_F(ProcessStartTest, BehaviourRunsAsTheProgramStarts) {
    winsim::AddFile(L"C:\\Tools\\installer.exe", "MZ");
    std::wstring seenCommandLine;
    winsim::SetProgramBehaviour(L"c:\\tools\\INSTALLER.exe", {[&](const winsim::StartedProcess& started) {
                                                                 seenCommandLine = started.commandLine;
                                                                 winsim::AddFile(L"C:\\Tools\\installed.txt", "x");
                                                             },
                                                             false, 0});
    EXPECT_EQ(StartFromCommandLine(L"C:\\Tools\\installer /quiet"), L"C:\\Tools\\installer.exe");
    EXPECT_EQ(seenCommandLine, L"C:\\Tools\\installer /quiet");
    EXPECT_TRUE(winsim::FileExists(L"C:\\Tools\\installed.txt"));
}

}  // namespace
