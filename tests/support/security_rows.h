#pragma once

// Rows for the security suites: a machine in a few words, one question to the module,
// its answer as text and every record it logs. One checker runs each row on a fresh
// machine; the sweep runs it once more per platform call, that call failing.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/sim_test.h"

namespace vistane_test {

using Log = std::vector<LogRecord>;
using Step = std::function<void()>;  // one change to the default machine, which trusts the test root
using Ask = std::function<std::string()>;

struct Row {
    std::string name;
    std::vector<Step> machine;
    Ask ask;
    std::string answer;
    Log log;
};

inline Log operator+(Log first, const Log& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}
inline Log Skip(const Log& log, std::size_t count) { return Log(log.begin() + static_cast<std::ptrdiff_t>(count), log.end()); }
inline std::string Text(bool answer) { return answer ? "true" : "false"; }
inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class RowTest : public SimTest {
protected:
    static void Build(const Row& row) {
        winsim::Reset();
        winsim::TrustRoot(winsim::LoadCertificate("test-root"));
        for (const Step& step : row.machine) step();
        SetLastError(0xdeadbeef);
    }
    static void ExpectReleased() {
        EXPECT_LEDGER_BALANCED();
        EXPECT_TRUE(winsim::ThreadsStillImpersonating().empty());
    }
    // The answer, the exact log, a balanced ledger and no thread left impersonating.
    void Check(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            Build(row);
            EXPECT_EQ(row.ask(), row.answer);
            EXPECT_EQ(Describe(TakeLog()), Describe(row.log));
            ExpectReleased();
        }
    }
    // With each platform call failing in turn, one at a time: no refusal turns into a
    // grant, and everything obtained is released.
    void Sweep(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            Build(row);
            row.ask();
            if (winsim::FaultsInjected() != 0) continue;  // a row about a failure already
            const unsigned calls = winsim::SweepCallCount();
            for (unsigned nth = 1; nth <= calls; ++nth) {
                SCOPED_TRACE(row.name + ", call " + std::to_string(nth) + " failing");
                Build(row);
                winsim::FailNthPlatformCall(nth, 0);
                const std::string answer = row.ask();
                EXPECT_TRUE(row.answer != "false" || answer == "false") << "a failure made a grant: " << answer;
                ExpectReleased();
            }
        }
        TakeLog();
    }
};

// A text argument kept by value by the question that takes it; null stays null.
struct Arg {
    Arg(const wchar_t* text) : null(text == nullptr), text(text ? text : L"") {}
    Arg(std::wstring text) : text(std::move(text)) {}
    const wchar_t* get() const { return null ? nullptr : text.c_str(); }
    bool null = false;
    std::wstring text;
};

// Asked on the thread serving an RPC call from a process of user1 with that package
// (none: ""), which may have exited since.
inline Ask FromCaller(const std::wstring& family, Ask ask, bool exited = false) {
    return [=] {
        const DWORD caller = winsim::AddProcess({L"user1", L"C:\\Apps\\caller.exe", family});
        if (exited) winsim::MarkProcessExited(caller);
        winsim::RpcCallScope call(caller);
        return ask();
    };
}

inline const std::wstring kHub = L"C7E4A920.QVCompanionHub_k4m2x9pq7wd3t";
inline const std::wstring kCatalog = L"C:\\Windows\\System32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\a.cat";
inline const std::wstring kPinned = L"C=US\r\nS=Oregon\r\nL=Portland\r\nO=Orlent Works\r\nCN=Orlent Works Test Signer";
inline const std::wstring kPinned3072 = kPinned + L" 3072";
inline const std::wstring kUnpinned = L"C=US\r\nO=Somebody Else\r\nCN=Somebody Else Signer";
inline const std::wstring kExpired = L"CN=Orlent Works Expired Signer\r\nO=Orlent Works\r\nC=US";
inline const std::wstring kRogue = L"C=US\r\nO=Orlent Works\r\nCN=Orlent Works Rogue Chain";
inline const std::wstring kExtended = L"C=US\r\nO=Orlent Works\r\nCN=Orlent Works Extended Signer";
inline const std::wstring kDropbox = L"C=US\r\nS=California\r\nL=San Francisco\r\nO=Dropbox, Inc\r\nCN=Dropbox, Inc";

// A signature by a fixture certificate, its verdict forced or not.
struct Sig {
    Sig(const char* certificate, std::optional<HRESULT> outcome = {}) : spec{winsim::LoadCertificate(certificate)} {
        spec.outcome = outcome;
        // This certificate carries its own root, which nobody trusts.
        if (std::string(certificate) == "untrusted-root-pinned") spec.chain.push_back(winsim::LoadCertificate("rogue-root"));
    }
    winsim::SignatureSpec spec;
};

inline Step Signed(const std::wstring& path, std::vector<Sig> signatures) {  // none: an unsigned file
    return [=] {
        winsim::AddFile(path, "content of " + Narrow(path));
        std::vector<winsim::SignatureSpec> specs;
        for (const Sig& signature : signatures) specs.push_back(signature.spec);
        if (!specs.empty()) winsim::SignFile(path, specs);
    };
}
inline Step Listed(const std::wstring& path, const char* certificate, const std::wstring& catalog = kCatalog) {
    const Sig signature(certificate);
    return [=] { winsim::AddCatalog(catalog, signature.spec); winsim::AddCatalogMember(catalog, path); };
}
inline Step Fail(const char* api, unsigned nth, DWORD error) { return [=] { winsim::FailCall(api, nth, error); }; }
inline Step Env(const std::wstring& name, const std::wstring& value) { return [=] { winsim::SetEnvironmentVariable(name, value); }; }
inline Step UserEnv(const std::wstring& name, const std::wstring& value) {
    return [=] { winsim::SetUserEnvironmentVariable(L"user1", name, value); };
}

// Records of the file checks.
inline LogRecord Cat(const std::wstring& path) { return Info(L"Security - GetSecurityCatalogInfo - File = " + path); }
inline LogRecord NoCat(DWORD error = ERROR_NOT_FOUND) {
    return Error(L"Security - GetSecurityCatalogInfo - Failed during CryptCATAdminEnumCatalogFromHash. Error Code = " +
                 std::to_wstring(error));
}
inline LogRecord Subject(const std::wstring& subject) { return Info(L"Subject = " + subject); }
inline LogRecord Verdict(bool windows, bool pinned) {
    return Info(std::wstring(L"Security - IsFileTrusted - trusted by windows = ") + (windows ? L"yes" : L"no") +
                L", trusted by Meridel = " + (pinned ? L"yes" : L"no"));
}
inline Log Embedded(const std::wstring& path, const std::vector<std::wstring>& subjects) {  // in no catalog
    Log log{Cat(path), NoCat()};
    for (const std::wstring& subject : subjects) log.push_back(Subject(subject));
    return log;
}

// Records of the path policy, carrying the context the call was given. UtilHelper logs
// its type's name as typeid gives it.
inline LogRecord Expanded(const std::wstring& source, const std::wstring& expanded, const std::wstring& context = L"") {
    return WithContext(Info(L"ExpandEnvironmentStrings: [" + source + L"] [" + expanded + L"]"), context);
}
inline LogRecord Full(const std::wstring& path, const std::wstring& context = L"") {
    return WithContext(Info(L"GetFullPathName: [" + path + L"]"), context);
}
inline LogRecord NullWarning(const std::wstring& argument, const std::wstring& context = L"") {
    return WithContext(Warning(L"N2Qv6Vantix6Server8Services10UtilHelperE.NullChecker - " + argument + L" cannot be null"), context);
}
inline LogRecord StepWarning(const std::wstring& step, DWORD error, const std::wstring& context = L"") {
    return WithContext(Warning(L"N2Qv6Vantix6Server8Services10UtilHelperE.GetFullExpandedPath failed on function " + step +
                               L" with result " + std::to_wstring(static_cast<int>(error))), context);
}
inline LogRecord PrefixError(const std::wstring& full, const std::wstring& prefix) {
    return Error(L"Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed - BeginsWith() failed [" + full + L"] [" + prefix + L"]");
}
inline LogRecord SubstringError(const std::wstring& full) {
    return Error(L"Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed - Didn't find substring [:\\WindowsApps\\] in [" + full + L"]");
}
inline LogRecord OwnershipError(int attempt, DWORD error) {
    return Error(L"Security - GetNamedSecurityInfo - Failed " + std::to_wstring(attempt) + L" of 5 times. Error Code = " +
                 std::to_wstring(static_cast<int>(error)));
}
// A path expanded on the service's own thread, as itself.
inline Log Service(const std::wstring& path, const std::wstring& context = L"") {
    return {Expanded(path, path, context), Full(path, context)};
}
// The allowed folders tried for `full` up to the one at `allowedAt` (3: none matches); on
// an RPC thread only their full paths are logged.
inline Log Prefixes(const std::wstring& full, int allowedAt, bool onRpcThread = false) {
    static const wchar_t* const prefixes[] = {L"%windir%\\", L"%PROGRAMFILES(x86)%\\", L"%PROGRAMFILES%\\"};
    static const wchar_t* const folders[] = {L"C:\\Windows\\", L"C:\\Program Files (x86)\\", L"C:\\Program Files\\"};
    Log log;
    for (int i = 0; i < 3 && i <= allowedAt; ++i) {
        log = log + (onRpcThread ? Log{Full(folders[i])} : Log{Expanded(prefixes[i], folders[i]), Full(folders[i])});
        if (i < allowedAt) log.push_back(PrefixError(full, folders[i]));
    }
    return log;
}
inline Log Refused(const std::wstring& full, bool onRpcThread = false) {  // and in no store folder
    return Prefixes(full, 3, onRpcThread) + Log{SubstringError(full)};
}
inline Log InWindows(const std::wstring& path) { return Service(path) + Prefixes(path, 0); }
inline Log InProgramFiles(const std::wstring& path) { return Service(path) + Prefixes(path, 2); }

}  // namespace vistane_test
