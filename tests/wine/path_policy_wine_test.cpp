// Which paths the facade lets its signature checks open, judged on the full paths the
// real GetFullPathNameW gives: a reserved device name becomes \\.\COM1, and \??\ reads
// as a folder of the current drive although opening passes it on as it stands.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "security/path_policy/local_path.h"

TEST(LocalPathUnderWine, OnlyPathsOnALocalDriveMayBeOpened) {
    using Qv::Vantix::Security::FullPathAsWritten;
    const std::pair<const wchar_t*, bool> rows[] = {
        {L"C:\\Windows\\System32\\x.dll", true}, {L"x.dll", true}, {L"\\\\?\\C:\\Windows\\x.dll", true},
        {L"\\\\host\\share\\x.dll", false}, {L"//host/share/x.dll", false}, {L"\\\\?\\UNC\\host\\share\\x.dll", false},
        {L"\\\\host@80\\share\\x.dll", false}, {L"\\\\.\\pipe\\x", false}, {L"\\\\.\\C:\\Windows\\x.dll", false},
        {L"\\\\?\\GLOBALROOT\\Device\\x", false}, {L"\\??\\C:\\Windows\\x.dll", false}, {L"COM1", false},
    };
    for (const auto& [path, local] : rows) {
        EXPECT_EQ(Qv::Vantix::Security::IsOnLocalDrive(path, FullPathAsWritten(path)), local)
            << "[" << std::wstring(path) << "] -> [" << FullPathAsWritten(path) << "]";
    }
}
