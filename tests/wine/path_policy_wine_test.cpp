// The path policy on the real environment and path calls: expansion, full paths and
// the allowed-folder prefixes as this machine's variables give them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "logging/log_manager.h"
#include "logging/log_sinks.h"
#include "platform/win32.h"
#include "security/path_policy/authenticode_helper.h"
#include "security/path_policy/local_path.h"
#include "security/path_policy/util_helper.h"
#include "tests/wine/rpc_call_stub.h"

namespace {

using Qv::Vantix::Logging::Level;
using Qv::Vantix::Logging::LogManager;
using Qv::Vantix::Logging::LogRecord;
using Qv::Vantix::Logging::MemorySink;
using Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed;
using Qv::Vantix::Server::Services::UtilHelper;

const std::wstring kIsPathAllowed = L"Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed";

std::wstring RealExpansion(const std::wstring& text) {
    wchar_t buffer[MAX_PATH] = {};
    ExpandEnvironmentStringsW(text.c_str(), buffer, MAX_PATH);
    return buffer;
}

std::wstring RealFullPath(const std::wstring& text) {
    wchar_t buffer[MAX_PATH] = {};
    GetFullPathNameW(text.c_str(), MAX_PATH, buffer, nullptr);
    return buffer;
}

// The two records of one successful expansion of `source`.
std::vector<LogRecord> ExpansionRecords(const std::wstring& source, const std::wstring& context = L"") {
    const std::wstring expanded = RealExpansion(source);
    return {{Level::Info, L"ExpandEnvironmentStrings: [" + source + L"] [" + expanded + L"]", context},
            {Level::Info, L"GetFullPathName: [" + RealFullPath(expanded) + L"]", context}};
}

std::wstring Describe(const std::vector<LogRecord>& records) {
    std::wstring text;
    for (const LogRecord& record : records)
        text += std::wstring(Qv::Vantix::Logging::LevelName(record.level)) + L" [" + record.context + L"] " + record.text + L"\n";
    return text;
}

class PathPolicyUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(wine_checks::AnswerNoRpcCallActive());
        previousSink_ = LogManager::GetSink();
        LogManager::SetSink(sink_);
    }
    void TearDown() override { LogManager::SetSink(previousSink_); }

    void ExpectLog(const std::vector<LogRecord>& expected) { EXPECT_EQ(Describe(sink_->Take()), Describe(expected)); }

    std::shared_ptr<MemorySink> sink_ = std::make_shared<MemorySink>();
    std::shared_ptr<Qv::Vantix::Logging::LogSink> previousSink_;
};

}  // namespace

TEST_F(PathPolicyUnderWine, ExpandsThenCanonicalisesWithTheRealCalls) {
    wchar_t windows[MAX_PATH] = {};
    ASSERT_NE(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring source = L"%windir%\\System32\\..\\x.dll";
    EXPECT_EQ(UtilHelper::GetFullExpandedPath(source.c_str(), L"wine check"), std::wstring(windows) + L"\\x.dll");
    ExpectLog(ExpansionRecords(source, L"wine check"));
}

TEST_F(PathPolicyUnderWine, ProgramFilesIsAllowedWithoutAnOwnershipCheck) {
    const std::wstring path = RealExpansion(L"%ProgramFiles%") + L"\\A\\..\\A\\b.exe";
    const std::wstring full = RealFullPath(path);
    EXPECT_TRUE(IsPathAllowed(path.c_str()));
    std::vector<LogRecord> expected = ExpansionRecords(path);
    for (const wchar_t* prefix : {L"%windir%\\", L"%PROGRAMFILES(x86)%\\"}) {
        const auto records = ExpansionRecords(prefix);
        expected.insert(expected.end(), records.begin(), records.end());
        expected.push_back({Level::Error,
                            kIsPathAllowed + L" - BeginsWith() failed [" + full + L"] [" +
                                RealFullPath(RealExpansion(prefix)) + L"]",
                            L""});
    }
    const auto last = ExpansionRecords(L"%PROGRAMFILES%\\");
    expected.insert(expected.end(), last.begin(), last.end());
    ExpectLog(expected);
}

TEST_F(PathPolicyUnderWine, FolderOutsideThePrefixesIsRefusedWithoutAnOwnershipCheck) {
    const std::wstring path = L"D:\\Data\\x.exe";
    EXPECT_FALSE(IsPathAllowed(path.c_str()));
    std::vector<LogRecord> expected = ExpansionRecords(path);
    for (const wchar_t* prefix : {L"%windir%\\", L"%PROGRAMFILES(x86)%\\", L"%PROGRAMFILES%\\"}) {
        const auto records = ExpansionRecords(prefix);
        expected.insert(expected.end(), records.begin(), records.end());
        expected.push_back({Level::Error,
                            kIsPathAllowed + L" - BeginsWith() failed [" + path + L"] [" +
                                RealFullPath(RealExpansion(prefix)) + L"]",
                            L""});
    }
    expected.push_back({Level::Error, kIsPathAllowed + L" - Didn't find substring [:\\WindowsApps\\] in [" + path + L"]", L""});
    ExpectLog(expected);
}

// Which paths the facade lets its signature checks open, judged on the full paths the
// real GetFullPathNameW gives: a reserved device name becomes \\.\COM1, and \??\ reads
// as a folder of the current drive although opening passes it on as it stands.
TEST(LocalPathUnderWine, OnlyPathsOnALocalDriveMayBeOpened) {
    using Qv::Vantix::Security::FullPathAsWritten;
    using Qv::Vantix::Security::IsOnLocalDrive;
    const std::pair<const wchar_t*, bool> rows[] = {
        {L"C:\\Windows\\System32\\x.dll", true},
        {L"x.dll", true},
        {L"\\\\?\\C:\\Windows\\x.dll", true},
        {L"\\\\host\\share\\x.dll", false},
        {L"//host/share/x.dll", false},
        {L"\\\\?\\UNC\\host\\share\\x.dll", false},
        {L"\\\\host@80\\share\\x.dll", false},
        {L"\\\\.\\pipe\\x", false},
        {L"\\\\.\\C:\\Windows\\x.dll", false},
        {L"\\\\?\\GLOBALROOT\\Device\\x", false},
        {L"\\??\\C:\\Windows\\x.dll", false},
        {L"COM1", false},
    };
    for (const auto& [path, local] : rows) {
        EXPECT_EQ(IsOnLocalDrive(path, FullPathAsWritten(path)), local)
            << "[" << std::wstring(path) << "] -> [" << FullPathAsWritten(path) << "]";
    }
}
