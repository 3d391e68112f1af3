#include <gtest/gtest.h>

#include "platform/sim/sim_trust.h"
#include "security/file_trust/catalog_lookup.h"
#include "tests/unit/file_trust/file_trust_fixture.h"

namespace {

using namespace file_trust_test;
using namespace Qv::Vantix::Security::QvAuthenticodeHelper;
using vistane_test::Error;

const std::wstring kSystemFile = L"C:\\Windows\\System32\\notepad.exe";

class CatalogLookupTest : public FileTrustTest {};

// A content whose SHA-256 begins with the bytes 0A FF, found by search.
std::string ContentWithHashPrefix0AFF() {
    for (unsigned i = 0;; ++i) {
        std::string content = "content " + std::to_string(i);
        const auto hash = winsim::Sha256(content);
        if (hash[0] == 0x0A && hash[1] == 0xFF) return content;
    }
}

TEST_F(CatalogLookupTest, MemberTagIsTheUpperCaseHexOfTheSha256Hash) {
    const std::string content = ContentWithHashPrefix0AFF();
    winsim::AddFile(kSystemFile, content);
    HCATADMIN context = nullptr;
    ASSERT_TRUE(CryptCATAdminAcquireContext2(&context, nullptr, L"SHA256", nullptr, 0));

    const CatalogHash hash = CalculateFileHash(kSystemFile.c_str(), context);
    EXPECT_EQ(hash.hash, winsim::Sha256(content));
    ASSERT_EQ(hash.memberTag.size(), 64u);
    EXPECT_EQ(hash.memberTag.substr(0, 4), L"0AFF");
    EXPECT_EQ(hash.memberTag.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);
    EXPECT_EQ(winsim::LedgerReport(), "catalog admin=1") << "the file handle is closed at once";

    EXPECT_TRUE(CryptCATAdminReleaseContext(context, 0));
    EXPECT_NO_LOG();
}

TEST_F(CatalogLookupTest, HashOfAMissingOrUnhashableFileHasAnEmptyTag) {
    HCATADMIN context = nullptr;
    ASSERT_TRUE(CryptCATAdminAcquireContext2(&context, nullptr, L"SHA256", nullptr, 0));
    EXPECT_TRUE(CalculateFileHash(L"C:\\missing.exe", context).memberTag.empty());

    winsim::AddFile(kSystemFile, "bytes");
    winsim::FailCall("CryptCATAdminCalcHashFromFileHandle2", 2, ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(CalculateFileHash(kSystemFile.c_str(), context).memberTag.empty()) << "the second call fails";
    winsim::ClearFaults();
    winsim::FailCall("CryptCATAdminCalcHashFromFileHandle2", 0, ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(CalculateFileHash(kSystemFile.c_str(), context).memberTag.empty()) << "no length learnt";
    EXPECT_EQ(winsim::LedgerReport(), "catalog admin=1");
    CryptCATAdminReleaseContext(context, 0);
    EXPECT_NO_LOG();
}

TEST_F(CatalogLookupTest, ListedFileGetsARequestForTheCatalogPass) {
    winsim::AddFile(kSystemFile, "system program");
    ListInCatalog(kSystemFile, "pinned-2048-a");

    WINTRUST_DATA request{};
    ASSERT_EQ(GetSecurityCatalogInfo(kSystemFile.c_str(), request), 1);
    // Its fields as WinVerifyTrust sees them are pinned with the signature pass's.
    EXPECT_EQ(request.hWVTStateData, nullptr);
    EXPECT_EQ(request.pSignatureSettings, nullptr);
    ASSERT_NE(request.pCatalog, nullptr);
    EXPECT_EQ(request.pCatalog->pcwszMemberFilePath, kSystemFile.c_str()) << "the caller's path, not a copy";
    EXPECT_EQ(winsim::LedgerReport(), "catalog admin=1") << "the request owns the context; the catalog is released";

    ReleaseCatalogRequest(request);
    EXPECT_EQ(request.pCatalog, nullptr);
    EXPECT_LOG(CatalogInfoLine(kSystemFile));
}

TEST_F(CatalogLookupTest, FirstCatalogThatListsTheFileIsChosen) {
    winsim::AddFile(kSystemFile, "system program");
    ListInCatalog(kSystemFile, "unpinned-2048", kOtherCatalog);
    ListInCatalog(kSystemFile, "pinned-2048-a");
    WINTRUST_DATA request{};
    ASSERT_EQ(GetSecurityCatalogInfo(kSystemFile.c_str(), request), 1);
    EXPECT_EQ(std::wstring(request.pCatalog->pcwszCatalogFilePath), kOtherCatalog);
    ReleaseCatalogRequest(request);
    EXPECT_LOG(CatalogInfoLine(kSystemFile));
}

TEST_F(CatalogLookupTest, UncataloggedFileLogsTheEnumerationError) {
    AddSignedFile(L"C:\\Program Files\\A\\b.exe", "program", {"pinned-2048-a"});
    WINTRUST_DATA request{};
    EXPECT_EQ(GetSecurityCatalogInfo(L"C:\\Program Files\\A\\b.exe", request), 0);
    EXPECT_EQ(request.pCatalog, nullptr);
    EXPECT_LOG(CatalogInfoLine(L"C:\\Program Files\\A\\b.exe"), NoCatalogLine(ERROR_NOT_FOUND));
}

TEST_F(CatalogLookupTest, MissingFileEndsAtTheHashWithTheInfoLineOnly) {
    WINTRUST_DATA request{};
    EXPECT_EQ(GetSecurityCatalogInfo(L"C:\\nowhere\\x.exe", request), 0);
    EXPECT_LOG(CatalogInfoLine(L"C:\\nowhere\\x.exe"));
}

TEST_F(CatalogLookupTest, EveryFailingCallEndsWithZeroAndReleasesWhatWasObtained) {
    struct Case {
        const char* api;
        DWORD error;
        bool logsError;
        std::wstring message;
    };
    const Case cases[] = {
        {"CryptCATAdminAcquireContext2", ERROR_NOT_ENOUGH_MEMORY, true,
         L"Security - GetSecurityCatalogInfo - Failed during CryptCATAdminAcquireContext2. Error Code = 8"},
        {"CreateFileW", ERROR_ACCESS_DENIED, false, L""},
        {"CryptCATAdminCalcHashFromFileHandle2", ERROR_INVALID_PARAMETER, false, L""},
        {"CryptCATAdminEnumCatalogFromHash", ERROR_INVALID_PARAMETER, true,
         L"Security - GetSecurityCatalogInfo - Failed during CryptCATAdminEnumCatalogFromHash. Error Code = 87"},
        {"CryptCATCatalogInfoFromContext", ERROR_INVALID_PARAMETER, false, L""},
    };
    winsim::AddFile(kSystemFile, "system program");
    ListInCatalog(kSystemFile, "pinned-2048-a");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.api);
        winsim::ClearFaults();
        winsim::FailCall(c.api, 0, c.error);
        WINTRUST_DATA request{};
        EXPECT_EQ(GetSecurityCatalogInfo(kSystemFile.c_str(), request), 0);
        EXPECT_EQ(request.pCatalog, nullptr);
        EXPECT_LEDGER_BALANCED();
        if (c.logsError) {
            EXPECT_LOG(CatalogInfoLine(kSystemFile), Error(c.message));
        } else {
            EXPECT_LOG(CatalogInfoLine(kSystemFile));
        }
    }
}

}  // namespace
