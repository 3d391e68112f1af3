#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace tool_launch_test {

inline const std::wstring kSupportFamily = L"C7E4A920.QVCompanionHub_k4m2x9pq7wd3t";
inline const std::wstring kSystem32 = L"C:\\Windows\\System32\\";

// A machine that trusts the test root, with helpers for tools, libraries and callers.
class ToolLaunchTest : public vistane_test::SimTest {
protected:
    void SetUp() override;

    // A file under System32 signed with a certificate Windows trusts but nobody pinned:
    // enough for a tool, not for a library.
    static std::wstring AddTool(const std::wstring& name);
    // A file signed with a key of the extended pinned list: a library the validators accept.
    static void AddTrustedLibrary(const std::wstring& path);
    // A file whose signature Windows trusts but whose key is not pinned.
    static void AddUnpinnedLibrary(const std::wstring& path);
    static DWORD AddCaller(const std::wstring& familyName);
};

}  // namespace tool_launch_test

namespace tool_launch_test {

// "GetFullPathName: [path]" for each path, carrying `context` (the expansion on an RPC
// thread logs only the full-path step).
std::vector<vistane_test::LogRecord> FullPaths(const std::vector<std::wstring>& paths, const std::wstring& context);
// What verifying a file that no catalog lists logs: the lookup, its miss, and the
// subject of each embedded signer (none for a missing or unsigned file).
std::vector<vistane_test::LogRecord> Verification(const std::wstring& path, const std::wstring& subject = L"");
// The six white-list keys, expanded, in the order the walk visits them up to `last`.
std::vector<std::wstring> KeysUpTo(const std::wstring& last);

inline const std::wstring kUnpinnedSubject = L"C=US\r\nO=Somebody Else\r\nCN=Somebody Else Signer";
inline const std::wstring kExtendedSubject = L"C=US\r\nO=Orlent Works\r\nCN=Orlent Works Extended Signer";

// Concatenates groups of expected records.
std::vector<vistane_test::LogRecord> Then(std::initializer_list<std::vector<vistane_test::LogRecord>> groups);

}  // namespace tool_launch_test
