#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/support/sim_test.h"

namespace file_trust_test {

inline const std::wstring kCatalog = L"C:\\Windows\\System32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\orlent.cat";
inline const std::wstring kOtherCatalog = L"C:\\Windows\\System32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\other.cat";

// The subjects the fixture certificates print, as CertNameToStrW gives them.
inline const std::wstring kPinnedSubject =
    L"C=US\r\nS=Oregon\r\nL=Portland\r\nO=Orlent Works\r\nCN=Orlent Works Test Signer";
inline const std::wstring kPinned3072Subject =
    L"C=US\r\nS=Oregon\r\nL=Portland\r\nO=Orlent Works\r\nCN=Orlent Works Test Signer 3072";
inline const std::wstring kUnpinnedSubject = L"C=US\r\nO=Somebody Else\r\nCN=Somebody Else Signer";
// Encoded with the common name first (the CA tool ordered it so): printed in that order.
inline const std::wstring kExpiredSubject = L"CN=Orlent Works Expired Signer\r\nO=Orlent Works\r\nC=US";
inline const std::wstring kRogueChainSubject = L"C=US\r\nO=Orlent Works\r\nCN=Orlent Works Rogue Chain";
inline const std::wstring kDropboxSubject =
    L"C=US\r\nS=California\r\nL=San Francisco\r\nO=Dropbox, Inc\r\nCN=Dropbox, Inc";

// A machine that trusts the test root.
class FileTrustTest : public vistane_test::SimTest {
protected:
    void SetUp() override;

    // Adds a file with `content` and signs it with the named fixture certificates,
    // primary first.
    static void AddSignedFile(const std::wstring& path, const std::string& content,
                              const std::vector<std::string>& certificates);
    // Adds a catalog signed by `certificate` that lists the file as it is now.
    static void ListInCatalog(const std::wstring& path, const std::string& certificate,
                              const std::wstring& catalog = kCatalog);

    static winsim::SignatureSpec Signature(const std::string& certificate);
};

// The key text of a fixture certificate, computed apart from the module's code.
std::string KeyTextOf(const std::string& certificate);

vistane_test::LogRecord CatalogInfoLine(const std::wstring& path);
vistane_test::LogRecord NoCatalogLine(DWORD error = ERROR_NOT_FOUND);
vistane_test::LogRecord SubjectLine(const std::wstring& subject);

}  // namespace file_trust_test
