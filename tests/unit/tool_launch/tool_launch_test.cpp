#include <gtest/gtest.h>

#include <optional>

#include "security/file_trust/authenticode_facade.h"
#include "security/tool_launch/rpc_security_helper.h"
#include "security/tool_launch/tool_argument_validators.h"
#include "security/tool_launch/trusted_tool_launch.h"
#include "tests/support/security_rows.h"

namespace {

using namespace vistane_test;
using namespace Qv::Vantix::Security;

const std::wstring kSystem32 = L"C:\\Windows\\System32\\";
const std::wstring kSfc = kSystem32 + L"sfc.exe";
const std::wstring kRundll32 = kSystem32 + L"rundll32.exe";
const std::wstring kLibrary = kSystem32 + L"x.dll";
const std::wstring kSpaced = L"C:\\Program Files\\Orlent Works\\a b.dll";

Step Tool(const std::wstring& path) { return Signed(path, {"unpinned-2048"}); }             // trusted by Windows only
Step Library(const std::wstring& path) { return Signed(path, {"pinned-extended-only"}); }  // what a validator accepts
// Asked on the thread serving a call from the caller (none: the service's own thread).
Ask Launch(Arg path, Arg arguments, bool option = false, std::optional<std::wstring> caller = kHub) {
    const Ask ask = [=] { return Text(QvAuthenticodeFacade().IsTrustedToolLaunch(path.get(), option, arguments.get(), L"req")); };
    return caller ? FromCaller(*caller, ask) : ask;
}
Ask LaunchIn(TrustedToolTable table, bool option, const wchar_t* arguments = L"") {
    return [=] { return Text(IsTrustedToolLaunchIn(table, (kSystem32 + L"tool.exe").c_str(), option, arguments, L"")); };
}
Ask Regsvr32(std::wstring arguments) { return [=] { return Text(ValidateRegsvr32Arguments(arguments)); }; }
Ask Rundll32(std::wstring arguments) { return [=] { return Text(ValidateRundll32Arguments(arguments)); }; }
Ask CallerName() { return [] { return Narrow(RpcSecurityHelper().GetPFNOfCaller()); }; }

// The requested path, then the white list's keys tried up to `last`; on the caller's
// thread only their full paths are logged.
Log Asked(const std::wstring& path, const std::wstring& last, const std::wstring& windir = L"C:\\Windows", bool callersThread = true) {
    Log log = callersThread ? Log{Full(path, L"req")} : Service(path, L"req");
    for (const std::wstring tool : {L"DISM.exe", L"mmc.exe", L"regsvr32.exe", L"rstrui.exe", L"rundll32.exe", L"sfc.exe"}) {
        if (!callersThread) log.push_back(Expanded(L"%windir%\\System32\\" + tool, windir + L"\\System32\\" + tool, L"req"));
        log.push_back(Full(windir + L"\\System32\\" + tool, L"req"));
        if (tool == last) break;
    }
    return log;
}
LogRecord CallerError(const std::wstring& what, int status) {
    return Error(L"RpcSecurityHelper::GetPFNOfCaller - " + what + L", Status: " + std::to_wstring(status));
}
// What IsFileTrustedExtended logs for a library it accepts.
Log Accepted(const std::wstring& path, bool onRpcThread = false) {
    const Log policy = onRpcThread ? Log{Full(path)} + Prefixes(path, 0, true) : path == kSpaced ? InProgramFiles(path) : InWindows(path);
    return Embedded(path, {kExtended}) + Log{Verdict(true, true)} + policy;
}

std::vector<Row> Rows() {
    const std::wstring tool = kSystem32 + L"tool.exe", key = L"%windir%\\System32\\tool.exe", winnt = L"D:\\WinNT\\SYSTEM32\\REGSVR32.EXE";
    const Log keyTried = Service(tool) + Log{Expanded(key, tool), Full(tool)}, verified = keyTried + Embedded(tool, {kUnpinned});
    const std::function<bool(std::wstring)> refuse = [](std::wstring) { return false; }, accept = [](std::wstring) { return true; };
    // The validator is asked after the signature verdict, with the arguments as given.
    const auto afterVerdict = [](std::wstring arguments) { return winsim::CallCount("WinVerifyTrust") > 0 && arguments == L"a b"; };
    const LogRecord noPackage = CallerError(L"GetPackageFamilyName failed: Unknown error 15700", 15700);
    const LogRecord noCall = CallerError(L"RpcServerInqCallAttributes failed: Unknown error 1725", 1725);
    const LogRecord notOpened = CallerError(L"OpenProcess yielded null or invalid handle: Input/output error", 5);
    const Step x = Library(kLibrary), sfc = Tool(kSfc);
    std::vector<Row> rows = {
        {"listed caller, option", {sfc}, Launch(kSfc, L"/scannow", true), "true", Asked(kSfc, L"sfc.exe") + Embedded(kSfc, {kUnpinned})},
        {"expanded on both sides, any case", {Env(L"windir", L"D:\\WinNT"), Tool(L"D:\\WinNT\\System32\\regsvr32.exe")},
         Launch(L"%WINDIR%\\SYSTEM32\\REGSVR32.EXE", L"/s"), "true",
         Asked(winnt, L"regsvr32.exe", L"D:\\WinNT") + Embedded(winnt, {kUnpinned})},
        {"parent steps", {sfc}, Launch(kSystem32 + L"..\\System32\\sfc.exe", L""), "true",
         Asked(kSfc, L"sfc.exe") + Embedded(kSfc, {kUnpinned})},
        {"no extension", {sfc}, Launch(kSystem32 + L"sfc", L""), "false", Asked(kSystem32 + L"sfc", L"")},
        {"caller's name in another case", {sfc}, Launch(kSfc, L"", false, L"c7e4a920.qvcompanionhub_k4m2x9pq7wd3t"), "false",
         Asked(kSfc, L"sfc.exe")},
        {"caller without a package", {sfc}, Launch(kSfc, L"", false, L""), "false", Asked(kSfc, L"sfc.exe") + Log{noPackage}},
        {"no caller", {sfc}, Launch(kSfc, L"", false, std::nullopt), "false",
         Asked(kSfc, L"sfc.exe", L"C:\\Windows", false) + Log{noCall}},
        {"unsigned tool, trusted library", {Signed(kRundll32, {}), x}, Launch(kRundll32, kLibrary + L",Entry"), "false",
         Asked(kRundll32, L"rundll32.exe") + Embedded(kRundll32, {}) + Accepted(kLibrary, true)},
        {"untrusted library", {Tool(kRundll32), Tool(kLibrary)}, Launch(kRundll32, L"x.dll,Entry"), "false",
         Asked(kRundll32, L"rundll32.exe") + Embedded(kRundll32, {kUnpinned}) + Embedded(L"x.dll", {kUnpinned}) +
             Log{Verdict(true, false)}},
        {"no library", {Tool(kRundll32)}, Launch(kRundll32, L""), "true", Asked(kRundll32, L"rundll32.exe") + Embedded(kRundll32, {kUnpinned})},
        {"null path", {}, Launch(nullptr, L""), "false", Log{NullWarning(L"filePath", L"req")} + Skip(Asked(L"", L""), 1)},
        {"null arguments", {sfc}, Launch(kSfc, nullptr), "false", Asked(kSfc, L"sfc.exe")},
        // Tables of other entries, on the service's thread: an entry naming no caller asks for none.
        {"empty table", {Tool(tool)}, LaunchIn({}, false), "false", Service(tool)},
        {"option forbidden", {Tool(tool)}, LaunchIn({{key, {{}, false, nullptr}}}, true), "false", keyTried},
        {"no option", {Tool(tool)}, LaunchIn({{key, {{}, false, nullptr}}}, false), "true", verified},
        {"option allowed", {Tool(tool)}, LaunchIn({{key, {{}, true, nullptr}}}, true), "true", verified},
        {"arguments accepted", {Tool(tool)}, LaunchIn({{key, {{}, true, afterVerdict}}}, false, L"a b"), "true", verified},
        {"arguments refused", {Tool(tool)}, LaunchIn({{key, {{}, true, refuse}}}, false), "false", verified},
        {"untrusted tool", {Signed(tool, {})}, LaunchIn({{key, {{}, true, accept}}}, false), "false", keyTried + Embedded(tool, {})},
        {"first key decides", {Tool(tool)}, LaunchIn({{key, {{}, true, nullptr}}, {L"C:\\Windows\\System32\\TOOL.exe", {{kHub}, true, nullptr}}}, true),
         "true", verified},
        // The validators, on the service's thread.
        {"regsvr32's own switches", {x},
         Regsvr32(L"/S /u /N /c /i /I:install /i: /i:.\\x.sct /i:\"C:\\Program Files\\a b.sct\" /i:\\\\?\\C:\\x.sct "
                  L"C:\\Windows\\System32\\x.dll"), "true", Accepted(kLibrary)},
        {"regsvr32, switches only", {x}, Regsvr32(L"/s /u"), "true", {}},
        {"regsvr32, every library", {x, Tool(kSystem32 + L"y.dll")}, Regsvr32(L"/s C:\\Windows\\System32\\x.dll C:\\Windows\\System32\\y.dll"),
         "false", Accepted(kLibrary) + Embedded(kSystem32 + L"y.dll", {kUnpinned}) + Log{Verdict(true, false)}},
        {"regsvr32, both libraries", {x, Library(kSystem32 + L"y.dll")},
         Regsvr32(L"/s C:\\Windows\\System32\\x.dll C:\\Windows\\System32\\y.dll"), "true", Accepted(kLibrary) + Accepted(kSystem32 + L"y.dll")},
        {"regsvr32, quoted", {Library(kSpaced)}, Regsvr32(L"/s \"C:\\Program Files\\Orlent Works\\a b.dll\""), "true", Accepted(kSpaced)},
        {"rundll32", {x}, Rundll32(L"C:\\Windows\\System32\\x.dll,Entry 1 2"), "true", Accepted(kLibrary)},
        {"rundll32, no entry", {x}, Rundll32(L"C:\\Windows\\System32\\x.dll"), "true", Accepted(kLibrary)},
        {"rundll32, quoted", {Library(kSpaced)}, Rundll32(L"\"C:\\Program Files\\Orlent Works\\a b.dll\",Entry"), "true", Accepted(kSpaced)},
        {"rundll32, long form", {x}, Rundll32(L"\\\\?\\C:\\Windows\\System32\\x.dll,Entry"), "false", {Cat(L"\\\\?\\" + kLibrary)}},
        {"rundll32, nothing", {x}, Rundll32(L"  "), "true", {}},
        {"rundll32, missing library", {x}, Rundll32(L"C:\\Windows\\System32\\missing.dll,Entry"), "false", {Cat(kSystem32 + L"missing.dll")}},
        {"rundll32, drive A", {x}, Rundll32(L"A:\\x.dll,Entry"), "false", {Cat(L"A:\\x.dll")}},
        {"regsvr32, not split", {x, Fail("CommandLineToArgvW", 0, 8)}, Regsvr32(L"/s"), "false", {}},
        {"rundll32, not split", {x, Fail("CommandLineToArgvW", 0, 8)}, Rundll32(L""), "false", {}},
        // The caller's package: its process opened as the service, read as the client.
        {"no call", {}, CallerName(), "", {noCall}},
        {"packaged", {}, FromCaller(kHub, CallerName()), Narrow(kHub), {}},
        {"unpackaged", {}, FromCaller(L"", CallerName()), "", {noPackage}},
        {"exited", {}, FromCaller(kHub, CallerName(), true), "", {notOpened}},
        {"not impersonated", {Fail("RpcImpersonateClient", 1, 1347)}, FromCaller(kHub, CallerName()), "",
         {CallerError(L"Failed to impersonate client: Unknown error 1347", 1347)}},
        {"second query fails", {Fail("GetPackageFamilyName", 2, 6)}, FromCaller(kHub, CallerName()), "",
         {Error(L"RpcSecurityHelper::GetPFNOfCaller - Caught error 5")}},
    };
    // Arguments naming a file other than the one that would be checked (x has a trusted
    // twin without extension), or handing the library a script from elsewhere: refused unopened.
    for (const wchar_t* arguments : {L"C:\\Windows\\System32\\x.dll.,Entry", L"\\\\?\\C:\\Windows\\System32\\x.dll:s,Entry", L"\"\"",
                                     L",Entry", L"C:\\Windows\\System32\\,Entry"})
        rows.push_back({Narrow(arguments), {x, Library(kSystem32 + L"x")}, Rundll32(arguments), "false", {}});
    for (const wchar_t* arguments : {L"-s", L"/sx", L"/I:\" Script:x.sct\"", L"/i://", L"/i:svn+ssh://host/x.sct", L"/i:\\\\?\\UNC\\h\\s\\x.sct"})
        rows.push_back({Narrow(arguments), {x}, Regsvr32(arguments + (L" " + kLibrary)), "false", {}});
    return rows;
}

class ToolLaunch : public RowTest {};

TEST_F(ToolLaunch, Rows) { Check(Rows()); }

TEST_F(ToolLaunch, Sweep) { Sweep(Rows()); }

}  // namespace
