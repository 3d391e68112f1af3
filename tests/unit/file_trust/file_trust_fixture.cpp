#include "tests/unit/file_trust/file_trust_fixture.h"

#include <cstdio>

#include "platform/sim/sim_trust.h"

namespace file_trust_test {

void FileTrustTest::SetUp() {
    SimTest::SetUp();
    winsim::TrustRoot(winsim::LoadCertificate("test-root"));
}

winsim::SignatureSpec FileTrustTest::Signature(const std::string& certificate) {
    winsim::SignatureSpec spec{winsim::LoadCertificate(certificate)};
    // The rogue chain carries its own root, which nobody trusts.
    if (certificate == "untrusted-root-pinned") spec.chain.push_back(winsim::LoadCertificate("rogue-root"));
    return spec;
}

void FileTrustTest::AddSignedFile(const std::wstring& path, const std::string& content,
                                  const std::vector<std::string>& certificates) {
    winsim::AddFile(path, content);
    std::vector<winsim::SignatureSpec> signatures;
    for (const std::string& certificate : certificates) signatures.push_back(Signature(certificate));
    if (!signatures.empty()) winsim::SignFile(path, signatures);
}

void FileTrustTest::ListInCatalog(const std::wstring& path, const std::string& certificate,
                                  const std::wstring& catalog) {
    winsim::AddCatalog(catalog, Signature(certificate));
    winsim::AddCatalogMember(catalog, path);
}

std::string KeyTextOf(const std::string& certificate) {
    const auto model = winsim::detail::ModelOf(winsim::LoadCertificate(certificate));
    std::string text;
    for (BYTE byte : model->publicKey) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += (text.empty() ? "" : " ") + std::string(pair);
    }
    return text;
}

vistane_test::LogRecord CatalogInfoLine(const std::wstring& path) {
    return vistane_test::Info(L"Security - GetSecurityCatalogInfo - File = " + path);
}

vistane_test::LogRecord NoCatalogLine(DWORD error) {
    return vistane_test::Error(
        L"Security - GetSecurityCatalogInfo - Failed during CryptCATAdminEnumCatalogFromHash. Error Code = " +
        std::to_wstring(error));
}

vistane_test::LogRecord SubjectLine(const std::wstring& subject) { return vistane_test::Info(L"Subject = " + subject); }

}  // namespace file_trust_test
