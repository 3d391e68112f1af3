#pragma once

// The log records the path operations write, built from their parts.
#include <string>
#include <typeinfo>
#include <vector>

#include "security/path_policy/util_helper.h"
#include "tests/support/sim_test.h"

namespace path_policy_test {

using vistane_test::LogRecord;
using Log = std::vector<LogRecord>;

inline Log operator+(Log first, const Log& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// What typeid gives for UtilHelper on this compiler, widened.
inline std::wstring UtilHelperTypeName() {
    const std::string name = typeid(Qv::Vantix::Server::Services::UtilHelper).name();
    return std::wstring(name.begin(), name.end());
}

inline LogRecord NullWarning(const std::wstring& argument, const std::wstring& context = L"") {
    return vistane_test::WithContext(
        vistane_test::Warning(UtilHelperTypeName() + L".NullChecker - " + argument + L" cannot be null"), context);
}

inline LogRecord StepWarning(const std::wstring& step, DWORD error, const std::wstring& context = L"") {
    return vistane_test::WithContext(vistane_test::Warning(UtilHelperTypeName() +
                                                           L".GetFullExpandedPath failed on function " + step +
                                                           L" with result " + std::to_wstring(error)),
                                     context);
}

inline LogRecord ExpandedInfo(const std::wstring& source, const std::wstring& expanded,
                              const std::wstring& context = L"") {
    return vistane_test::WithContext(
        vistane_test::Info(L"ExpandEnvironmentStrings: [" + source + L"] [" + expanded + L"]"), context);
}

inline LogRecord FullPathInfo(const std::wstring& full, const std::wstring& context = L"") {
    return vistane_test::WithContext(vistane_test::Info(L"GetFullPathName: [" + full + L"]"), context);
}

// Expansion on the service's own thread, where the expansion itself is logged.
inline Log ServiceExpansion(const std::wstring& source, const std::wstring& full) {
    return {ExpandedInfo(source, full), FullPathInfo(full)};
}

// The three allowed prefixes on the default machine, expanded on the service's thread.
inline Log WindowsPrefix() { return ServiceExpansion(L"%windir%\\", L"C:\\Windows\\"); }
inline Log ProgramFilesX86Prefix() {
    return ServiceExpansion(L"%PROGRAMFILES(x86)%\\", L"C:\\Program Files (x86)\\");
}
inline Log ProgramFilesPrefix() { return ServiceExpansion(L"%PROGRAMFILES%\\", L"C:\\Program Files\\"); }

inline LogRecord PrefixError(const std::wstring& full, const std::wstring& expanded) {
    return vistane_test::Error(L"Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed - BeginsWith() failed [" +
                               full + L"] [" + expanded + L"]");
}

inline LogRecord SubstringError(const std::wstring& full) {
    return vistane_test::Error(
        L"Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed - Didn't find substring [:\\WindowsApps\\] in [" +
        full + L"]");
}

inline LogRecord OwnershipError(int attempt, DWORD error) {
    return vistane_test::Error(L"Security - GetNamedSecurityInfo - Failed " + std::to_wstring(attempt) +
                               L" of 5 times. Error Code = " + std::to_wstring(error));
}

// The three prefixes tried and refused for `full` on the default machine.
inline Log AllPrefixesRefused(const std::wstring& full) {
    return WindowsPrefix() + Log{PrefixError(full, L"C:\\Windows\\")} + ProgramFilesX86Prefix() +
           Log{PrefixError(full, L"C:\\Program Files (x86)\\")} + ProgramFilesPrefix() +
           Log{PrefixError(full, L"C:\\Program Files\\")};
}

inline Log FiveOwnershipErrors(DWORD error) {
    Log log;
    for (int attempt = 1; attempt <= 5; ++attempt) log.push_back(OwnershipError(attempt, error));
    return log;
}

}  // namespace path_policy_test

namespace path_policy_test {

// Starts each test with no last error left over, so logged error codes are the test's own.
class PathPolicyTest : public vistane_test::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        SetLastError(ERROR_SUCCESS);
    }
    // EXPECT_LOG for a log assembled from parts.
    void ExpectLog(const Log& expected) {
        EXPECT_EQ(vistane_test::Describe(TakeLog()), vistane_test::Describe(expected));
    }
};

}  // namespace path_policy_test
