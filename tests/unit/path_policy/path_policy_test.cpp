#include <gtest/gtest.h>

#include "security/file_trust/authenticode_facade.h"
#include "security/path_policy/begins_with.h"
#include "security/path_policy/util_helper.h"
#include "tests/support/security_rows.h"

namespace {

using namespace vistane_test;
using Qv::Vantix::Server::Services::UtilHelper;
using winsim::AceKind;

Ask Allowed(Arg path) {  // the answer, then the pauses it made
    return [=] {
        std::string answer = Text(Qv::Vantix::Security::QvAuthenticodeFacade().IsPathAllowed(path.get()));
        for (DWORD pause : winsim::Sleeps()) answer += " " + std::to_string(pause);
        return answer;
    };
}
Ask Expand(Arg path, const wchar_t* context = L"") {
    return [=] { return Narrow(UtilHelper::GetFullExpandedPath(path.get(), context)); };
}
Ask OnRpcThread(Ask ask) { return FromCaller(L"", ask); }

Step Security(std::vector<winsim::AccessEntry> entries, const wchar_t* owner = L"TrustedInstaller", bool hasDacl = true) {
    return [=] { winsim::SetObjectSecurity(L"D:\\WindowsApps", {owner, L"SYSTEM", hasDacl, entries}); };
}
winsim::AccessEntry Allow(const wchar_t* account, ACCESS_MASK mask = GENERIC_ALL) { return {AceKind::Allowed, account, mask, 0}; }
// What a store folder holds: both accounts with full control, users reading.
Step BothInFull(const wchar_t* owner = L"TrustedInstaller") {
    return Security({Allow(L"Users", READ_CONTROL | FILE_READ_DATA | FILE_EXECUTE),
                     {AceKind::Allowed, L"SYSTEM", GENERIC_ALL, CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE},
                     {AceKind::Denied, L"user1", FILE_WRITE_DATA, 0}, Allow(L"TrustedInstaller")},
                    owner);
}

const wchar_t* const kStore = L"D:\\WindowsApps\\A\\b.exe";

std::vector<Row> Rows() {
    const std::wstring longest = L"C:\\" + std::wstring(256, L'c');  // 259 characters and the NUL
    const std::wstring relative(240, L'b'), noWindir = L"C:\\Windows\\system32\\%windir%\\";
    const std::wstring x86 = L"c:\\program files (x86)\\a\\b.exe", up = L"C:\\Program Files\\..\\Users\\x.exe";
    const Step longVariable = Env(L"LONG", std::wstring(300, L'a')), tools = UserEnv(L"TOOLS", L"E:\\Tools");
    const wchar_t* const data = L"D:\\Data\\x.exe";
    const Log storeAsked = Service(kStore) + Prefixes(kStore, 3);  // in no allowed folder: the store folder is asked
    std::vector<Row> rows = {
        {"Windows, any case", {}, Allowed(L"C:\\WINDOWS\\SYSTEM32\\X.DLL"), "true", InWindows(L"C:\\WINDOWS\\SYSTEM32\\X.DLL")},
        {"Program Files (x86)", {}, Allowed(x86), "true", Service(x86) + Prefixes(x86, 1)},
        {"Program Files", {}, Allowed(L"C:\\Program Files\\A\\b.exe"), "true", InProgramFiles(L"C:\\Program Files\\A\\b.exe")},
        {"judged in full", {}, Allowed(up), "false", Log{Expanded(up, up), Full(L"C:\\Users\\x.exe")} + Refused(L"C:\\Users\\x.exe")},
        {"store folder", {BothInFull()}, Allowed(kStore), "true", storeAsked},
        {"owned by SYSTEM", {BothInFull(L"SYSTEM")}, Allowed(kStore), "true", storeAsked},
        {"owned by Administrators", {BothInFull(L"Administrators")}, Allowed(kStore), "true", storeAsked},
        {"an unknown account passed over", {Security({Allow(L"S-1-5-21-9-9-9-9999"), Allow(L"SYSTEM"), Allow(L"TrustedInstaller")})},
         Allowed(kStore), "true", storeAsked},
        // A failing call in the first try costs one pause; the second try decides.
        {"security not read once", {BothInFull(), Fail("GetNamedSecurityInfoW", 1, 5)}, Allowed(kStore), "true 250",
         storeAsked + Log{OwnershipError(1, 5)}},
        {"an unread entry passed over", {BothInFull(), Fail("GetAce", 1, 87)}, Allowed(kStore), "true", storeAsked},
        {"account not found once", {BothInFull(), Fail("LookupAccountSidW", 2, 1332)}, Allowed(kStore), "true 250",
         storeAsked + Log{OwnershipError(1, 1332)}},
        {"null", {}, Allowed(nullptr), "false", Log{NullWarning(L"filePath")} + Refused(L"")},
        // A prefix that cannot be expanded must not become a prefix of every path.
        {"a failed prefix allows nothing", {Fail("ExpandEnvironmentStringsW", 1, 203)}, OnRpcThread(Allowed(data)), "false",
         Log{Full(data), StepWarning(L"ExpandEnvironmentStrings", 203), PrefixError(data, L"")} + Skip(Refused(data, true), 2)},
        {"caller not opened", {Fail("OpenProcess", 0, 5)}, OnRpcThread(Allowed(L"C:\\Windows\\x.dll")), "false",
         Log{StepWarning(L"process_handle is NULL or INVALID_HANDLE_VALUE", 5)} + Refused(L"", true)},
        {"no windir", {[] { winsim::RemoveEnvironmentVariable(L"windir"); }}, Allowed(L"C:\\Windows\\x.dll"), "false",
         Service(L"C:\\Windows\\x.dll") + Log{Expanded(L"%windir%\\", L"%windir%\\"), Full(noWindir),
                                               PrefixError(L"C:\\Windows\\x.dll", noWindir)} + Skip(Refused(L"C:\\Windows\\x.dll"), 3)},
        {"null arguments", {}, [] { return Text(UtilHelper::NullChecker({{nullptr, "a"}, {"", "b"}, {nullptr, "c"}}, L"ctx")); },
         "true", {NullWarning(L"a", L"ctx"), NullWarning(L"c", L"ctx")}},
        {"no null argument", {}, [] { return Text(UtilHelper::NullChecker({{"", "a"}}, L"ctx")); }, "false", {}},
        {"null path", {}, Expand(nullptr, L"ctx"), "", {NullWarning(L"filePath", L"ctx")}},
        {"service thread", {}, Expand(L"%windir%\\System32\\..\\notepad.exe", L"ctx"), "C:\\Windows\\notepad.exe",
         {Expanded(L"%windir%\\System32\\..\\notepad.exe", L"C:\\Windows\\System32\\..\\notepad.exe", L"ctx"),
          Full(L"C:\\Windows\\notepad.exe", L"ctx")}},
        {"relative, unknown variable", {tools}, Expand(L"%TOOLS%\\a.exe"), "C:\\Windows\\system32\\%TOOLS%\\a.exe",
         {Expanded(L"%TOOLS%\\a.exe", L"%TOOLS%\\a.exe"), Full(L"C:\\Windows\\system32\\%TOOLS%\\a.exe")}},
        {"the caller's variables", {tools}, OnRpcThread(Expand(L"%TOOLS%\\a.exe", L"ctx")), "E:\\Tools\\a.exe",
         {Full(L"E:\\Tools\\a.exe", L"ctx")}},
        {"the service's, for an anchor", {tools},
         OnRpcThread([] { return Narrow(UtilHelper::GetFullExpandedPathInServiceEnvironment(L"%TOOLS%\\a.exe", L"ctx")); }),
         "C:\\Windows\\system32\\%TOOLS%\\a.exe", {Full(L"C:\\Windows\\system32\\%TOOLS%\\a.exe", L"ctx")}},
        {"caller exited", {}, FromCaller(L"", Expand(L"C:\\x.exe", L"ctx"), true), "",
         {StepWarning(L"process_handle is NULL or INVALID_HANDLE_VALUE", 87, L"ctx")}},
        {"no call attributes: the service's", {Fail("RpcServerInqCallAttributesW", 1, 1725)}, OnRpcThread(Expand(L"%windir%")),
         "C:\\Windows", {Expanded(L"%windir%", L"C:\\Windows"), Full(L"C:\\Windows")}},
        {"longest", {}, Expand(longest), Narrow(longest), Service(longest)},
        {"too long expanded", {longVariable}, Expand(L"C:\\%LONG%"), "", {StepWarning(L"ExpandEnvironmentStrings", 122)}},
        {"too long for the caller", {longVariable}, OnRpcThread(Expand(L"C:\\%LONG%")), "",
         {StepWarning(L"ExpandEnvironmentStringsForUser", 122)}},
        {"260 characters once full", {}, Expand(relative), "", {Expanded(relative, relative), StepWarning(L"GetFullPathName", 122)}},
        {"empty", {}, Expand(L""), "", {Expanded(L"", L""), StepWarning(L"GetFullPathName", 123)}},
        {"no expansion", {Fail("ExpandEnvironmentStringsW", 1, 8)}, Expand(L"%windir%", L"ctx"), "",
         {StepWarning(L"ExpandEnvironmentStrings", 8, L"ctx")}},
        {"no full path", {Fail("GetFullPathNameW", 1, 123)}, Expand(L"%windir%", L"ctx"), "",
         {Expanded(L"%windir%", L"C:\\Windows", L"ctx"), StepWarning(L"GetFullPathName", 123, L"ctx")}},
    };
    // Each step that fails for the caller leaves no path at all.
    for (const auto& [api, step] : std::vector<std::pair<const char*, std::wstring>>{
             {"OpenProcess", L"process_handle is NULL or INVALID_HANDLE_VALUE"}, {"OpenProcessToken", L"OpenProcessToken"},
             {"ExpandEnvironmentStringsForUserW", L"ExpandEnvironmentStringsForUser"}, {"GetFullPathNameW", L"GetFullPathName"}})
        rows.push_back({api, {Fail(api, 1, 1234)}, OnRpcThread(Expand(L"%windir%", L"ctx")), "", {StepWarning(step, 1234, L"ctx")}});
    // Without both accounts in full control of a folder the system owns: five tries, a second in all.
    const auto localNamesake = [] { winsim::AddAccount({L"DESKTOP-SIM", L"TrustedInstaller", L"S-1-5-21-1-2-3-1010", {}}); };
    for (auto [name, machine, error] : std::vector<std::tuple<std::string, std::vector<Step>, DWORD>>{
             {"no SYSTEM", {Security({Allow(L"TrustedInstaller")})}, 0xdeadbeef},
             {"no TrustedInstaller", {Security({Allow(L"SYSTEM")})}, 0xdeadbeef},
             {"specific rights", {Security({Allow(L"TrustedInstaller", FILE_ALL_ACCESS), Allow(L"SYSTEM")})}, 0xdeadbeef},
             {"denied", {Security({{AceKind::Denied, L"TrustedInstaller", GENERIC_ALL, 0}, Allow(L"SYSTEM")})}, 0xdeadbeef},
             {"another account", {Security({Allow(L"Administrators"), Allow(L"SYSTEM")})}, 0xdeadbeef},
             {"a local namesake", {localNamesake, Security({Allow(L"S-1-5-21-1-2-3-1010"), Allow(L"SYSTEM")}, L"SYSTEM")}, 0xdeadbeef},
             {"no access list", {Security({}, L"TrustedInstaller", false)}, 0xdeadbeef},
             {"made by a user", {BothInFull(L"user1")}, 0xdeadbeef},
             {"owned by Users", {BothInFull(L"Users")}, 0xdeadbeef},
             {"owned by a SID beside TrustedInstaller's", {BothInFull(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478465")},
              0xdeadbeef},
             {"no owner", {BothInFull(L"")}, 0xdeadbeef},
             {"no store folder", {}, ERROR_FILE_NOT_FOUND}}) {
        Log log = storeAsked;
        for (int attempt = 1; attempt <= 5; ++attempt) log.push_back(OwnershipError(attempt, error));
        rows.push_back({name, machine, Allowed(kStore), "false 250 250 250 250", log});
    }
    // Only a store folder at the root of a local drive is asked about.
    const auto notAtRoot = [](const std::wstring& full) {
        return Error(L"Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed - [" + full +
                     L"] is not below a store folder at the root of a local drive");
    };
    for (const auto& [path, last] : std::vector<std::pair<std::wstring, LogRecord>>{
             {L"D:\\windowsapps\\A\\b.exe", SubstringError(L"D:\\windowsapps\\A\\b.exe")},
             {L"D:\\WindowsAppsX\\b.exe", SubstringError(L"D:\\WindowsAppsX\\b.exe")},
             {L"\\\\host\\share\\x:\\WindowsApps\\b.exe", notAtRoot(L"\\\\host\\share\\x:\\WindowsApps\\b.exe")},
             {L"\\\\?\\D:\\WindowsApps\\b.exe", notAtRoot(L"\\\\?\\D:\\WindowsApps\\b.exe")},
             {L"C:\\Data\\D:\\WindowsApps\\b.exe", notAtRoot(L"C:\\Data\\D:\\WindowsApps\\b.exe")}})
        rows.push_back({Narrow(path), {BothInFull()}, Allowed(path), "false", Service(path) + Prefixes(path, 3) + Log{last}});
    return rows;
}

class PathPolicy : public RowTest {};

TEST_F(PathPolicy, Rows) { Check(Rows()); }

TEST_F(PathPolicy, Sweep) { Sweep(Rows()); }

TEST(BeginsWith, AsciiLettersFoldNothingElse) {
    const std::tuple<const wchar_t*, const wchar_t*, bool> rows[] = {
        {L"", L"", true}, {L"C:\\x", L"", true}, {L"", L"C", false}, {L"C:\\Windows", L"C:\\Windows\\", false},
        {L"c:\\WINDOWS\\x.dll", L"C:\\Windows\\", true}, {L"C:\\WindowsApps\\x.exe", L"C:\\Windows\\", false},
        {L"D:\\Windows\\x.dll", L"C:\\Windows\\", false}, {L"C:\\Program Files (x86)\\A", L"C:\\Program Files", true},
        {L"C:/Windows/x", L"C:\\Windows\\", false}, {L"C:\\W\u0130ndows\\x.dll", L"C:\\Windows\\", false},
        {L"AZ", L"az", true}, {L"@[", L"`{", false}};
    for (const auto& [text, prefix, begins] : rows)
        EXPECT_EQ(Qv::Vantix::Security::BeginsWith(text, prefix), begins) << Narrow(text) << " / " << Narrow(prefix);
}

}  // namespace
