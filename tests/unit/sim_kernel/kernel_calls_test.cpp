#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace {

class KernelCallsTest : public vistane_test::SimTest {};

std::wstring Expand(const wchar_t* source, DWORD* result = nullptr) {
    WCHAR buffer[MAX_PATH] = {};
    const DWORD count = ExpandEnvironmentStringsW(source, buffer, MAX_PATH);
    if (result) *result = count;
    return buffer;
}

TEST_F(KernelCallsTest, ExpansionFollowsWindowsRules) {
    DWORD count = 0;
    EXPECT_EQ(Expand(L"%windir%\\System32", &count), L"C:\\Windows\\System32");
    EXPECT_EQ(count, 20u) << "the result counts the terminating NUL";
    EXPECT_EQ(Expand(L"%WINDIR%|%ProgramFiles(x86)%"), L"C:\\Windows|C:\\Program Files (x86)");
    EXPECT_EQ(Expand(L"%UNKNOWN%\\x"), L"%UNKNOWN%\\x");
    EXPECT_EQ(Expand(L"%UNKNOWN%%windir%"), L"%UNKNOWN%C:\\Windows");
    EXPECT_EQ(Expand(L"100%"), L"100%");
    EXPECT_EQ(Expand(L"%%"), L"%%");
    EXPECT_EQ(Expand(L""), L"");
}

TEST_F(KernelCallsTest, ExpansionIntoASmallBufferReportsTheNeededSize) {
    WCHAR buffer[4] = {L'?', L'?', L'?', L'?'};
    EXPECT_EQ(ExpandEnvironmentStringsW(L"%windir%", buffer, 4), 11u);
    EXPECT_EQ(ExpandEnvironmentStringsW(L"%windir%", nullptr, 0), 11u);
}

TEST_F(KernelCallsTest, ModuleFileNameIsCutToTheBufferAndTerminated) {
    winsim::SetHostExecutablePath(L"C:\\Host\\PluginHost.exe");
    WCHAR buffer[MAX_PATH] = {};
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, MAX_PATH), 22u);
    EXPECT_STREQ(buffer, L"C:\\Host\\PluginHost.exe");
    WCHAR small[8] = {};
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 8), 8u);
    EXPECT_STREQ(small, L"C:\\Host");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(KernelCallsTest, FullPathNamesAreAbsoluteAndCanonical) {
    struct Case {
        const wchar_t* input;
        const wchar_t* full;
    };
    winsim::SetCurrentDirectory(L"C:\\Work\\Dir");
    const Case cases[] = {
        {L"C:\\Windows\\System32\\..\\System32\\sfc.exe", L"C:\\Windows\\System32\\sfc.exe"},
        {L"C:/Windows/./x.dll", L"C:\\Windows\\x.dll"},
        {L"x.dll", L"C:\\Work\\Dir\\x.dll"},
        {L"..\\x.dll", L"C:\\Work\\x.dll"},
        {L"\\x.dll", L"C:\\x.dll"},
        {L"C:\\..\\..\\x", L"C:\\x"},
        {L"C:\\Windows\\", L"C:\\Windows\\"},
        {L"D:\\WindowsApps\\A\\b.exe", L"D:\\WindowsApps\\A\\b.exe"},
        {L"C:\\a\\\\b", L"C:\\a\\b"},
        {L"C:\\a\\b. ", L"C:\\a\\b"},
        {L"\\\\server\\share\\..\\x", L"\\\\server\\share\\x"},
    };
    for (const Case& c : cases) {
        WCHAR buffer[MAX_PATH] = {};
        const DWORD length = GetFullPathNameW(c.input, MAX_PATH, buffer, nullptr);
        EXPECT_EQ(std::wstring(buffer), c.full);
        EXPECT_EQ(length, std::wcslen(c.full));
    }
    WCHAR small[4] = {};
    EXPECT_EQ(GetFullPathNameW(L"C:\\Windows", 4, small, nullptr), 11u) << "needed size counts the NUL";
    EXPECT_EQ(GetFullPathNameW(L"", MAX_PATH, small, nullptr), 0u);
}

TEST_F(KernelCallsTest, FilesAreCaseInsensitiveAndHandlesAreCounted) {
    winsim::AddFile(L"C:\\Data\\File.bin", "content");
    HANDLE file = CreateFileW(L"c:\\DATA\\file.BIN", GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(winsim::LedgerReport(), "file=1");
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file)) << "a handle is closed once";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(CreateFileW(L"C:\\Data\\none.bin", GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    // An existing file is never created anew, is emptied when created always, and is
    // replaced by a rename only when that is asked for.
    EXPECT_EQ(CreateFileW(L"C:\\Data\\File.bin", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    winsim::AddFile(L"C:\\Data\\Other.bin", "other");
    EXPECT_FALSE(MoveFileExW(L"C:\\Data\\Other.bin", L"C:\\Data\\File.bin", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(winsim::FileContent(L"C:\\Data\\File.bin"), "content");
    file = CreateFileW(L"C:\\Data\\File.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(winsim::FileContent(L"C:\\Data\\File.bin"), "");
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(MoveFileExW(L"C:\\Data\\Other.bin", L"C:\\Data\\File.bin", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(winsim::FileContent(L"C:\\Data\\File.bin"), "other");
    EXPECT_FALSE(winsim::FileExists(L"C:\\Data\\Other.bin"));
    EXPECT_LEDGER_BALANCED();
}

TEST_F(KernelCallsTest, FaultsFailTheChosenCallWithTheChosenError) {
    winsim::AddFile(L"C:\\f", "x");
    winsim::FailCall("CreateFileW", 2, ERROR_ACCESS_DENIED);
    HANDLE first = CreateFileW(L"C:\\f", GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(L"C:\\f", GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(first);

    winsim::ClearFaults();
    winsim::FailNthPlatformCall(2, 0);
    WCHAR buffer[MAX_PATH];
    EXPECT_NE(ExpandEnvironmentStringsW(L"x", buffer, MAX_PATH), 0u);
    EXPECT_EQ(GetFullPathNameW(L"C:\\x", MAX_PATH, buffer, nullptr), 0u) << "the second call fails";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME)) << "with the call's own plausible error";
    EXPECT_EQ(winsim::FaultsInjected(), 2u);
    // A misspelt name is refused, never read as "no call" or "none held".
    EXPECT_THROW(winsim::FailCall("CreateFile", 1, 0), std::invalid_argument);
    EXPECT_THROW(winsim::CallCount("createfilew"), std::invalid_argument);
    EXPECT_THROW(winsim::OpenCount("files"), std::invalid_argument);
}

TEST_F(KernelCallsTest, SleepAdvancesTheVirtualClockOnly) {
    Sleep(60000);
    Sleep(250);
    EXPECT_EQ(winsim::Sleeps(), (std::vector<DWORD>{60000, 250}));
    EXPECT_EQ(winsim::NowMilliseconds(), 60250u);
}

TEST_F(KernelCallsTest, VersionResourceGivesTheFixedRecord) {
    winsim::AddFile(L"C:\\app.exe", "MZ", winsim::FileVersion{5, 2, 59, 9999});
    DWORD handle = 1;
    const DWORD size = GetFileVersionInfoSizeW(L"C:\\app.exe", &handle);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(handle, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(L"C:\\app.exe", 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00050002u);
    EXPECT_EQ(fixed->dwFileVersionLS, (59u << 16) | 9999u);
    EXPECT_FALSE(VerQueryValueW(block.data(), L"\\StringFileInfo", reinterpret_cast<LPVOID*>(&fixed), &length));
    EXPECT_EQ(GetFileVersionInfoSizeW(L"C:\\none.exe", nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(KernelCallsTest, UserExpansionUsesTheTokenUsersEnvironment) {
    const DWORD pid = winsim::AddProcess({L"user1", L"C:\\app.exe", L""});
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    ASSERT_NE(process, nullptr);
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(process, TOKEN_ALL_ACCESS, &token));
    WCHAR buffer[MAX_PATH] = {};
    ASSERT_TRUE(ExpandEnvironmentStringsForUserW(token, L"%USERPROFILE%\\x", buffer, MAX_PATH));
    EXPECT_STREQ(buffer, L"C:\\Users\\user1\\x");
    ASSERT_TRUE(ExpandEnvironmentStringsForUserW(token, L"%userprofile%;%WINDIR%;%nope%", buffer, MAX_PATH));
    EXPECT_STREQ(buffer, L"C:\\Users\\user1;C:\\Windows;%nope%") << "the user's own first, any case";
    EXPECT_FALSE(ExpandEnvironmentStringsForUserW(token, (std::wstring(250, L'a') + L"%USERPROFILE%").c_str(), buffer, MAX_PATH));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(winsim::LedgerReport(), "process=1 token=1");
    CloseHandle(token);
    CloseHandle(process);
    winsim::MarkProcessExited(pid);
    EXPECT_EQ(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid), nullptr);
}

TEST_F(KernelCallsTest, RpcCallIsVisibleOnlyOnTheServingThread) {
    RPC_CALL_ATTRIBUTES_V3_W attributes{};
    attributes.Version = 3;
    attributes.Flags = RPC_QUERY_CLIENT_PID;
    EXPECT_EQ(RpcServerInqCallAttributesW(nullptr, &attributes), RPC_S_NO_CALL_ACTIVE);
    const DWORD pid = winsim::AddProcess({});
    winsim::RpcCallScope call(pid);
    EXPECT_EQ(RpcServerInqCallAttributesW(nullptr, &attributes), RPC_S_OK);
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(attributes.ClientPID), pid);
    EXPECT_EQ(RpcImpersonateClient(nullptr), RPC_S_OK);
    EXPECT_EQ(winsim::CurrentThreadIdentity(), L"user1");
    EXPECT_EQ(RpcRevertToSelf(), RPC_S_OK);
    EXPECT_EQ(winsim::CurrentThreadIdentity(), L"");
}

}  // namespace
