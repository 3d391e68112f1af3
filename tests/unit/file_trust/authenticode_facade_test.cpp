#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "logging/log_manager.h"
#include "security/file_trust/authenticode_facade.h"
#include "tests/unit/file_trust/file_trust_fixture.h"
#include "tests/unit/path_policy/path_policy_log.h"

namespace {

using namespace file_trust_test;
using path_policy_test::Log;
using path_policy_test::operator+;
using path_policy_test::AllPrefixesRefused;
using path_policy_test::ExpandedInfo;
using path_policy_test::FullPathInfo;
using path_policy_test::PrefixError;
using path_policy_test::ProgramFilesPrefix;
using path_policy_test::ProgramFilesX86Prefix;
using path_policy_test::ServiceExpansion;
using path_policy_test::SubstringError;
using path_policy_test::WindowsPrefix;
using Qv::Vantix::Security::QvAuthenticodeFacade;
using vistane_test::Error;
using vistane_test::Info;

const std::wstring kSetup = L"C:\\Program Files\\Orlent Works\\Host\\QVVSSetup.exe";
const std::wstring kSystemTool = L"C:\\Windows\\System32\\tool.exe";
const std::wstring kDataFile = L"D:\\Data\\x.exe";

class AuthenticodeFacadeTest : public FileTrustTest {
protected:
    void ExpectLog(const Log& expected) {
        EXPECT_EQ(vistane_test::Describe(TakeLog()), vistane_test::Describe(expected));
    }
    QvAuthenticodeFacade facade_;
};

vistane_test::LogRecord Verdict(const wchar_t* windows, const wchar_t* pinned) {
    return Info(std::wstring(L"Security - IsFileTrusted - trusted by windows = ") + windows +
                L", trusted by Meridel = " + pinned);
}

// The signer lines of a file in no catalog with the given embedded subjects.
Log UncataloguedSigners(const std::wstring& path, const std::vector<std::wstring>& subjects) {
    Log log{CatalogInfoLine(path), NoCatalogLine()};
    for (const auto& subject : subjects) log.push_back(SubjectLine(subject));
    return log;
}

// The path policy's lines for a file under C:\Program Files.
Log ProgramFilesAllowed(const std::wstring& path) {
    return ServiceExpansion(path, path) + WindowsPrefix() + Log{PrefixError(path, L"C:\\Windows\\")} +
           ProgramFilesX86Prefix() + Log{PrefixError(path, L"C:\\Program Files (x86)\\")} + ProgramFilesPrefix();
}

Log WindowsFolderAllowed(const std::wstring& path) { return ServiceExpansion(path, path) + WindowsPrefix(); }

Log Refused(const std::wstring& path) {
    return ServiceExpansion(path, path) + AllPrefixesRefused(path) + Log{SubstringError(path)};
}

TEST_F(AuthenticodeFacadeTest, PinnedWindowsTrustedFileInProgramFilesIsTrusted) {
    AddSignedFile(kSetup, "setup", {"pinned-2048-a"});
    EXPECT_TRUE(facade_.IsFileTrusted(kSetup.c_str()));
    ExpectLog(UncataloguedSigners(kSetup, {kPinnedSubject}) + Log{Verdict(L"yes", L"yes")} +
              ProgramFilesAllowed(kSetup));
}

TEST_F(AuthenticodeFacadeTest, UnsignedFileIsRefusedWithoutAVerdictLine) {
    winsim::AddFile(kSetup, "setup");
    EXPECT_FALSE(facade_.IsFileTrusted(kSetup.c_str()));
    ExpectLog(UncataloguedSigners(kSetup, {}));
    EXPECT_FALSE(facade_.IsFileTrusted(L"C:\\Program Files\\missing.exe"));
    ExpectLog({CatalogInfoLine(L"C:\\Program Files\\missing.exe")});
}

TEST_F(AuthenticodeFacadeTest, UnpinnedKeyLogsYesNoAndSkipsThePathPolicy) {
    AddSignedFile(kSetup, "setup", {"unpinned-2048"});
    EXPECT_FALSE(facade_.IsFileTrusted(kSetup.c_str()));
    ExpectLog(UncataloguedSigners(kSetup, {kUnpinnedSubject}) + Log{Verdict(L"yes", L"no")});
    EXPECT_EQ(winsim::CallCount("ExpandEnvironmentStringsW"), 0u);
}

TEST_F(AuthenticodeFacadeTest, PinnedFileOutsideAllowedFoldersIsRefusedAfterYesYes) {
    AddSignedFile(kDataFile, "setup", {"pinned-2048-a"});
    EXPECT_FALSE(facade_.IsFileTrusted(kDataFile.c_str()));
    ExpectLog(UncataloguedSigners(kDataFile, {kPinnedSubject}) + Log{Verdict(L"yes", L"yes")} + Refused(kDataFile));
}

TEST_F(AuthenticodeFacadeTest, ExpiredSigningCertificateStillCountsForWindows) {
    AddSignedFile(kSystemTool, "tool", {"expired-pinned"});
    EXPECT_TRUE(facade_.IsFileTrusted(kSystemTool.c_str()));
    ExpectLog(UncataloguedSigners(kSystemTool, {kExpiredSubject}) + Log{Verdict(L"yes", L"yes")} +
              WindowsFolderAllowed(kSystemTool));
}

TEST_F(AuthenticodeFacadeTest, PinnedKeyUnderAnUntrustedRootIsNotEnough) {
    AddSignedFile(kSetup, "setup", {"untrusted-root-pinned"});
    EXPECT_FALSE(facade_.IsFileTrusted(kSetup.c_str()));
    ExpectLog(UncataloguedSigners(kSetup, {kRogueChainSubject}) + Log{Verdict(L"no", L"yes")});
}

TEST_F(AuthenticodeFacadeTest, WindowsTrustAndPinnedKeyMayComeFromDifferentSignatures) {
    AddSignedFile(kSetup, "setup", {"unpinned-2048", "untrusted-root-pinned"});
    EXPECT_TRUE(facade_.IsFileTrusted(kSetup.c_str()));
    ExpectLog(UncataloguedSigners(kSetup, {kUnpinnedSubject, kRogueChainSubject}) + Log{Verdict(L"yes", L"yes")} +
              ProgramFilesAllowed(kSetup));
    // The same holds across the passes: a catalog signer and an embedded pinned key.
    AddSignedFile(kSystemTool, "tool", {"untrusted-root-pinned"});
    ListInCatalog(kSystemTool, "unpinned-2048");
    EXPECT_TRUE(facade_.IsFileTrusted(kSystemTool.c_str()));
    ExpectLog(Log{CatalogInfoLine(kSystemTool), SubjectLine(kUnpinnedSubject), SubjectLine(kRogueChainSubject),
                  Verdict(L"yes", L"yes")} + WindowsFolderAllowed(kSystemTool));
}

TEST_F(AuthenticodeFacadeTest, ExtendedListAcceptsKeysTheFirstListLacks) {
    AddSignedFile(kSetup, "setup", {"pinned-extended-only"});
    const std::wstring subject = L"C=US\r\nO=Orlent Works\r\nCN=Orlent Works Extended Signer";
    EXPECT_FALSE(facade_.IsFileTrusted(kSetup.c_str()));
    ExpectLog(UncataloguedSigners(kSetup, {subject}) + Log{Verdict(L"yes", L"no")});
    EXPECT_TRUE(facade_.IsFileTrustedExtended(kSetup.c_str()));
    ExpectLog(UncataloguedSigners(kSetup, {subject}) + Log{Verdict(L"yes", L"yes")} + ProgramFilesAllowed(kSetup));
}

TEST_F(AuthenticodeFacadeTest, CatalogSignedSystemFileIsTrustedThroughItsCatalog) {
    winsim::AddFile(kSystemTool, "tool");
    ListInCatalog(kSystemTool, "pinned-3072-a");
    EXPECT_TRUE(facade_.IsFileTrusted(kSystemTool.c_str()));
    ExpectLog(Log{CatalogInfoLine(kSystemTool), SubjectLine(kPinned3072Subject), Verdict(L"yes", L"yes")} +
              WindowsFolderAllowed(kSystemTool));
}

TEST_F(AuthenticodeFacadeTest, NullPathsGiveFalseSilently) {
    EXPECT_FALSE(facade_.IsFileTrusted(nullptr));
    EXPECT_FALSE(facade_.IsFileTrustedExtended(nullptr));
    EXPECT_FALSE(facade_.IsFileTrustedByWindows(nullptr));
    AddSignedFile(kSetup, "setup", {"pinned-2048-a"});
    EXPECT_FALSE(facade_.AreFilesSignedWithSameKey(nullptr, kSetup.c_str()));
    EXPECT_FALSE(facade_.AreFilesSignedWithSameKey(kSetup.c_str(), nullptr));
    EXPECT_NO_LOG();
    EXPECT_EQ(winsim::CallCount("WinVerifyTrust"), 0u);
}

TEST_F(AuthenticodeFacadeTest, WindowsOnlyCheckIgnoresPinsButNotTheChainOrThePlace) {
    AddSignedFile(kSystemTool, "tool", {"unpinned-2048"});
    EXPECT_TRUE(facade_.IsFileTrustedByWindows(kSystemTool.c_str()));
    ExpectLog(UncataloguedSigners(kSystemTool, {kUnpinnedSubject}) + WindowsFolderAllowed(kSystemTool));

    AddSignedFile(kSetup, "setup", {"untrusted-root-pinned"});
    EXPECT_FALSE(facade_.IsFileTrustedByWindows(kSetup.c_str()));
    ExpectLog(UncataloguedSigners(kSetup, {kRogueChainSubject}));

    AddSignedFile(kDataFile, "data", {"unpinned-2048"});
    EXPECT_FALSE(facade_.IsFileTrustedByWindows(kDataFile.c_str()));
    ExpectLog(UncataloguedSigners(kDataFile, {kUnpinnedSubject}) + Refused(kDataFile));
}

TEST_F(AuthenticodeFacadeTest, DropboxFileNeedsAnEmbeddedSignerWithTheCommonName) {
    AddSignedFile(kSetup, "client", {"dropbox-like"});
    EXPECT_TRUE(facade_.IsDropboxFileTrusted(kSetup.c_str()));
    ExpectLog(Log{Info(L"Starting validation of Dropbox file."), SubjectLine(kDropboxSubject)} +
              ProgramFilesAllowed(kSetup));

    AddSignedFile(kDataFile, "client", {"dropbox-like"});
    EXPECT_FALSE(facade_.IsDropboxFileTrusted(kDataFile.c_str()));
    ExpectLog(Log{Info(L"Starting validation of Dropbox file."), SubjectLine(kDropboxSubject)} + Refused(kDataFile));

    AddSignedFile(kSetup, "client", {"pinned-2048-a"});
    EXPECT_FALSE(facade_.IsDropboxFileTrusted(kSetup.c_str()));
    ExpectLog({Info(L"Starting validation of Dropbox file."), SubjectLine(kPinnedSubject)});
}

TEST_F(AuthenticodeFacadeTest, DropboxFileSignedThroughACatalogOnlyIsRefused) {
    winsim::AddFile(kSetup, "client");
    ListInCatalog(kSetup, "dropbox-like");
    EXPECT_FALSE(facade_.IsDropboxFileTrusted(kSetup.c_str()));
    ExpectLog({Info(L"Starting validation of Dropbox file."), Error(L"Dropbox file is not trusted by windows.")});
    EXPECT_EQ(winsim::CallCount("CryptCATAdminAcquireContext2"), 0u) << "no catalog is consulted";
}

TEST_F(AuthenticodeFacadeTest, DropboxCheckOfANullPathSaysNotTrustedByWindows) {
    EXPECT_FALSE(facade_.IsDropboxFileTrusted(nullptr));
    ExpectLog({Info(L"Starting validation of Dropbox file."), Error(L"Dropbox file is not trusted by windows.")});
}

TEST_F(AuthenticodeFacadeTest, DropboxCheckDoesNotSwallowAMissingLogger) {
    AddSignedFile(kSetup, "client", {"dropbox-like"});
    Qv::Vantix::Logging::LogManager::SetGetLoggerFailure(true);
    EXPECT_THROW(facade_.IsDropboxFileTrusted(kSetup.c_str()), std::runtime_error);
    Qv::Vantix::Logging::LogManager::SetGetLoggerFailure(false);
    EXPECT_NO_LOG();
}

TEST_F(AuthenticodeFacadeTest, CopiesOfOneSignedFileShareTheirKeyWhereverTheyLie) {
    AddSignedFile(kSetup, "setup", {"pinned-2048-a"});
    AddSignedFile(kDataFile, "setup", {"pinned-2048-a"});
    EXPECT_TRUE(facade_.AreFilesSignedWithSameKey(kSetup.c_str(), kDataFile.c_str()));
    ExpectLog(UncataloguedSigners(kSetup, {kPinnedSubject}) + UncataloguedSigners(kDataFile, {kPinnedSubject}));

    // Same key, another certificate: the expired one shares the key of pinned-2048-a.
    AddSignedFile(kSystemTool, "tool", {"expired-pinned"});
    EXPECT_TRUE(facade_.AreFilesSignedWithSameKey(kSetup.c_str(), kSystemTool.c_str()));
    TakeLog();
    AddSignedFile(kDataFile, "other", {"unpinned-2048"});
    EXPECT_FALSE(facade_.AreFilesSignedWithSameKey(kSetup.c_str(), kDataFile.c_str()));
    TakeLog();
}

TEST_F(AuthenticodeFacadeTest, UnreadableCertificatesDoNotMakeTwoFilesShareAKey) {
    AddSignedFile(kSetup, "setup", {"pinned-2048-a"});
    AddSignedFile(kDataFile, "other", {"unpinned-2048"});
    winsim::FailCall("WTHelperGetProvCertFromChain", 0, ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(facade_.AreFilesSignedWithSameKey(kSetup.c_str(), kDataFile.c_str()));
    ExpectLog(UncataloguedSigners(kSetup, {}) + UncataloguedSigners(kDataFile, {}));
    EXPECT_FALSE(facade_.IsFileTrusted(kSetup.c_str())) << "an empty key is never pinned";
    ExpectLog(UncataloguedSigners(kSetup, {}) + Log{Verdict(L"yes", L"no")});
}

TEST_F(AuthenticodeFacadeTest, DropboxIdentityCountsOnlyOnASignatureWindowsAccepts) {
    winsim::SignatureSpec dropbox = Signature("dropbox-like");
    // Anyone may make a certificate with the listed name; Windows accepted another signature.
    dropbox.outcome = CERT_E_UNTRUSTEDROOT;
    winsim::AddFile(kSetup, "client");
    winsim::SignFile(kSetup, {Signature("unpinned-2048"), dropbox});
    EXPECT_FALSE(facade_.IsDropboxFileTrusted(kSetup.c_str()));
    ExpectLog(
        {Info(L"Starting validation of Dropbox file."), SubjectLine(kUnpinnedSubject), SubjectLine(kDropboxSubject)});

    // An expired certificate is still a signature Windows accepts.
    dropbox.outcome = CERT_E_EXPIRED;
    winsim::SignFile(kSetup, {Signature("unpinned-2048"), dropbox});
    EXPECT_TRUE(facade_.IsDropboxFileTrusted(kSetup.c_str()));
    ExpectLog(Log{Info(L"Starting validation of Dropbox file."), SubjectLine(kUnpinnedSubject),
                  SubjectLine(kDropboxSubject)} + ProgramFilesAllowed(kSetup));
}

using PathQuestion = bool (QvAuthenticodeFacade::*)(const wchar_t*);
struct FileQuestion {
    const char* name;
    PathQuestion question;
};
const FileQuestion kFileQuestions[] = {
    {"IsFileTrusted", &QvAuthenticodeFacade::IsFileTrusted},
    {"IsFileTrustedExtended", &QvAuthenticodeFacade::IsFileTrustedExtended},
    {"IsDropboxFileTrusted", &QvAuthenticodeFacade::IsDropboxFileTrusted},
    {"IsFileTrustedByWindows", &QvAuthenticodeFacade::IsFileTrustedByWindows},
};

vistane_test::LogRecord NotLocal(const char* operation, const std::wstring& path) {
    return Error(L"Security - " + std::wstring(operation, operation + std::strlen(operation)) + L" - Refused [" + path +
                 L"]: not a path on a local drive");
}

// Opening a file on another machine hands it the machine's credentials, and a device or
// pipe answers as its owner likes: such a path is refused before anything is opened.
TEST_F(AuthenticodeFacadeTest, PathsOffTheLocalDrivesAreRefusedBeforeAnythingIsOpened) {
    const std::wstring remote[] = {
        L"\\\\host\\share\\x.dll",          L"//host/share/x.dll",
        L"\\\\?\\UNC\\host\\share\\x.dll",    L"//?/UNC/host/share/x.dll",
        L"\\\\host@80\\share\\x.dll",       L"\\\\host@SSL\\DavWWWRoot\\x.dll",
        L"\\\\.\\pipe\\x",                  L"\\\\.\\C:\\Windows\\x.dll",
        L"\\\\?\\GLOBALROOT\\Device\\Mup\\host\\share\\x.dll", L"\\??\\UNC\\host\\share\\x.dll",
        L"/?\?/C:/Windows/x.dll",                L"\\??\\",
    };
    for (const std::wstring& path : remote) {
        for (const FileQuestion& asked : kFileQuestions) {
            SCOPED_TRACE(testing::Message() << asked.name << " [" << path << "]");
            EXPECT_FALSE((facade_.*asked.question)(path.c_str()));
            Log expected{NotLocal(asked.name, path)};
            if (asked.question == &QvAuthenticodeFacade::IsDropboxFileTrusted)
                expected.insert(expected.begin(), Info(L"Starting validation of Dropbox file."));
            ExpectLog(expected);
        }
    }
    // A relative path is as remote as the current folder it completes.
    winsim::SetCurrentDirectory(L"\\\\host\\share\\dir");
    EXPECT_FALSE(facade_.IsFileTrusted(L"x.dll"));
    ExpectLog({NotLocal("IsFileTrusted", L"x.dll")});
    for (const char* api : {"CreateFileW", "WinVerifyTrust", "CryptCATAdminAcquireContext2", "GetNamedSecurityInfoW"})
        EXPECT_EQ(winsim::CallCount(api), 0u) << api;
    EXPECT_LEDGER_BALANCED();
}

TEST_F(AuthenticodeFacadeTest, LocalDrivePathsInEveryFormAreVerified) {
    for (const std::wstring path : {L"\\\\?\\C:\\Program Files\\Orlent Works\\Host\\QVVSSetup.exe", L"a:\\x.exe",
                                    L"Z:\\x.exe", L"z:x.exe"}) {
        EXPECT_FALSE(facade_.IsFileTrusted(path.c_str())) << "no such signed file";
        const auto log = TakeLog();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.front().text, CatalogInfoLine(path).text) << "verified like any local file";
    }
}

// The signature checks open the path as written; the path policy judges it expanded. A
// path that names another file once expanded is refused, so the place judged is always
// the place of the file verified.
TEST_F(AuthenticodeFacadeTest, PathThatExpandsToAnotherFileIsRefusedAfterItsVerdict) {
    const std::wstring path = L"C:\\Windows\\%windir%\\..\\..\\Temp\\x.dll";
    const std::wstring verified = L"C:\\Temp\\x.dll";
    const std::wstring judged = L"C:\\Windows\\Temp\\x.dll";
    AddSignedFile(verified, "planted", {"pinned-2048-a", "dropbox-like"});
    for (const FileQuestion& asked : kFileQuestions) {
        SCOPED_TRACE(asked.name);
        EXPECT_FALSE((facade_.*asked.question)(path.c_str()));
        Log expected = UncataloguedSigners(path, {kPinnedSubject, kDropboxSubject});
        if (asked.question == &QvAuthenticodeFacade::IsDropboxFileTrusted) {
            expected = {Info(L"Starting validation of Dropbox file."), SubjectLine(kPinnedSubject),
                        SubjectLine(kDropboxSubject)};
        } else if (asked.question != &QvAuthenticodeFacade::IsFileTrustedByWindows) {
            expected.push_back(Verdict(L"yes", L"yes"));
        }
        ExpectLog(expected + Log{ExpandedInfo(path, L"C:\\Windows\\C:\\Windows\\..\\..\\Temp\\x.dll"),
                                 FullPathInfo(judged),
                                 Error(L"Security - " + std::wstring(asked.name, asked.name + std::strlen(asked.name)) +
                                       L" - Refused [" + path + L"]: it expands to [" + judged +
                                       L"], not to the file verified [" + verified + L"]")});
    }
    EXPECT_EQ(winsim::CallCount("GetNamedSecurityInfoW"), 0u);
}

TEST_F(AuthenticodeFacadeTest, PathQuestionIsThePathPolicysAnswer) {
    EXPECT_FALSE(facade_.IsPathAllowed(kDataFile.c_str()));
    ExpectLog(Refused(kDataFile));
    EXPECT_TRUE(facade_.IsPathAllowed(kSystemTool.c_str()));
    ExpectLog(WindowsFolderAllowed(kSystemTool));
}

TEST_F(AuthenticodeFacadeTest, NoSingleFailingCallMakesAnUntrustedFileTrustedOrLeaksAResource) {
    // Windows-trusted and pinned, but in a folder ordinary users may write to.
    AddSignedFile(kDataFile, "setup", {"untrusted-root-pinned"});
    ListInCatalog(kDataFile, "unpinned-2048");
    EXPECT_FALSE(facade_.IsFileTrusted(kDataFile.c_str()));
    const unsigned calls = winsim::SweepCallCount();
    for (unsigned nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE(nth);
        winsim::ClearFaults();
        winsim::FailNthPlatformCall(nth, 0);
        EXPECT_FALSE(facade_.IsFileTrusted(kDataFile.c_str()));
        EXPECT_LEDGER_BALANCED();
    }
    TakeLog();
}

TEST_F(AuthenticodeFacadeTest, EveryFailingCallOfATrustedDecisionReleasesWhatItObtained) {
    AddSignedFile(kSetup, "setup", {"pinned-2048-a", "pinned-3072-a"});
    ListInCatalog(kSetup, "pinned-2048-a");
    EXPECT_TRUE(facade_.IsFileTrusted(kSetup.c_str()));
    const unsigned calls = winsim::SweepCallCount();
    unsigned refused = 0;
    for (unsigned nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE(nth);
        winsim::ClearFaults();
        winsim::FailNthPlatformCall(nth, 0);
        refused += facade_.IsFileTrusted(kSetup.c_str()) ? 0 : 1;
        EXPECT_LEDGER_BALANCED();
    }
    EXPECT_GT(refused, 0u) << "a failed path expansion refuses the file";
    TakeLog();
}

TEST_F(AuthenticodeFacadeTest, FacadesOnSeveralThreadsAgreeAndReleaseEverything) {
    AddSignedFile(kSetup, "setup", {"pinned-2048-a"});
    AddSignedFile(kDataFile, "other", {"unpinned-2048"});
    std::atomic<int> trusted{0};
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            QvAuthenticodeFacade facade;  // one per use, as the callers make them
            for (int i = 0; i < 10; ++i) {
                if (facade.IsFileTrusted(kSetup.c_str())) ++trusted;
                if (!facade.IsFileTrusted(kDataFile.c_str())) ++refused;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(trusted.load(), 40);
    EXPECT_EQ(refused.load(), 40);
    const auto log = TakeLog();
    const auto count = [&](const vistane_test::LogRecord& wanted) {
        return std::count_if(log.begin(), log.end(), [&](const auto& record) {
            return record.level == wanted.level && record.text == wanted.text;
        });
    };
    EXPECT_EQ(count(Verdict(L"yes", L"yes")), 40);
    EXPECT_EQ(count(Verdict(L"yes", L"no")), 40);
}

}  // namespace
