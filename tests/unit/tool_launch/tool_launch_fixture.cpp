#include "tests/unit/tool_launch/tool_launch_fixture.h"

namespace tool_launch_test {

namespace {
void AddSigned(const std::wstring& path, const std::string& certificate) {
    winsim::AddFile(path, "signed content of " + std::string(path.begin(), path.end()));
    winsim::SignFile(path, winsim::SignatureSpec{winsim::LoadCertificate(certificate)});
}
}  // namespace

void ToolLaunchTest::SetUp() {
    SimTest::SetUp();
    winsim::TrustRoot(winsim::LoadCertificate("test-root"));
}

std::wstring ToolLaunchTest::AddTool(const std::wstring& name) {
    AddSigned(kSystem32 + name, "unpinned-2048");
    return kSystem32 + name;
}

void ToolLaunchTest::AddTrustedLibrary(const std::wstring& path) { AddSigned(path, "pinned-extended-only"); }

void ToolLaunchTest::AddUnpinnedLibrary(const std::wstring& path) { AddSigned(path, "unpinned-2048"); }

DWORD ToolLaunchTest::AddCaller(const std::wstring& familyName) {
    return winsim::AddProcess({L"user1", L"C:\\Program Files\\WindowsApps\\hub\\hub.exe", familyName});
}

}  // namespace tool_launch_test

namespace tool_launch_test {

std::vector<vistane_test::LogRecord> FullPaths(const std::vector<std::wstring>& paths, const std::wstring& context) {
    std::vector<vistane_test::LogRecord> records;
    for (const auto& path : paths)
        records.push_back(vistane_test::WithContext(vistane_test::Info(L"GetFullPathName: [" + path + L"]"), context));
    return records;
}

std::vector<vistane_test::LogRecord> Verification(const std::wstring& path, const std::wstring& subject) {
    std::vector<vistane_test::LogRecord> records{vistane_test::Info(L"Security - GetSecurityCatalogInfo - File = " + path)};
    if (subject.empty() && !winsim::FileExists(path)) return records;
    records.push_back(vistane_test::Error(
        L"Security - GetSecurityCatalogInfo - Failed during CryptCATAdminEnumCatalogFromHash. Error Code = 1168"));
    if (!subject.empty()) records.push_back(vistane_test::Info(L"Subject = " + subject));
    return records;
}

std::vector<std::wstring> KeysUpTo(const std::wstring& last) {
    std::vector<std::wstring> keys;
    for (const wchar_t* tool : {L"DISM.exe", L"mmc.exe", L"regsvr32.exe", L"rstrui.exe", L"rundll32.exe", L"sfc.exe"}) {
        keys.push_back(kSystem32 + tool);
        if (tool == last) break;
    }
    return keys;
}

std::vector<vistane_test::LogRecord> Then(std::initializer_list<std::vector<vistane_test::LogRecord>> groups) {
    std::vector<vistane_test::LogRecord> all;
    for (const auto& group : groups) all.insert(all.end(), group.begin(), group.end());
    return all;
}

}  // namespace tool_launch_test
