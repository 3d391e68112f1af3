#include "security/tool_launch/tool_argument_validators.h"

#include <algorithm>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "platform/resources.h"
#include "platform/win32.h"
#include "security/file_trust/authenticode_facade.h"
#include "security/path_policy/ascii_case.h"

namespace Qv::Vantix::Security {

namespace {

// regsvr32's own switches, compared without regard to letter case; "/i:" takes a value.
constexpr std::wstring_view kRegsvr32Switches[] = {L"/s", L"/u", L"/n", L"/c", L"/i"};
constexpr std::wstring_view kRegsvr32InstallValue = L"/i:";

bool IsSeparator(wchar_t unit) { return unit == L'\\' || unit == L'/'; }
bool IsSchemeUnit(wchar_t unit) {
    return IsAsciiLetter(unit) || (unit >= L'0' && unit <= L'9') || unit == L'+' || unit == L'-' || unit == L'.';
}

// Where the colon of a drive stands: "C:" and the long form "\\?\C:"; npos when none.
size_t DriveColon(std::wstring_view path) {
    if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == L':') return 1;
    if (path.size() >= 6 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == L'?' && IsSeparator(path[3]) &&
        IsAsciiLetter(path[4]) && path[5] == L':')
        return 5;
    return std::wstring_view::npos;
}

// True when the file a path names is the one LoadLibrary loads: LoadLibrary appends
// ".dll" to a last component without an extension, Windows drops trailing dots and
// blanks from it, and any colon but the drive's names a stream of some other file.
bool NamesTheLoadedFile(std::wstring_view path) {
    const size_t driveColon = DriveColon(path);
    for (size_t at = path.find(L':'); at != std::wstring_view::npos; at = path.find(L':', at + 1))
        if (at != driveColon) return false;
    const size_t separator = path.find_last_of(L"\\/");
    const std::wstring_view last = separator == std::wstring_view::npos ? path : path.substr(separator + 1);
    if (last.empty() || last.back() == L'.' || last.back() == L' ') return false;
    return last.find(L'.') != std::wstring_view::npos;
}

// A value regsvr32 hands to the library's installer that makes it fetch from another
// machine: a URL ("http:", "script:", ...) or a UNC path. "\\?\C:" stays local.
bool NamesRemoteSource(std::wstring_view value) {
    value.remove_prefix(std::min(value.find_first_not_of(L" \t"), value.size()));
    if (value.size() >= 2 && IsSeparator(value[0]) && IsSeparator(value[1])) return DriveColon(value) == std::wstring_view::npos;
    size_t scheme = 0;
    if (!value.empty() && IsAsciiLetter(value[0]))
        while (scheme < value.size() && IsSchemeUnit(value[scheme])) ++scheme;
    return scheme >= 2 && scheme < value.size() && value[scheme] == L':';
}

// An element starting with '/' that regsvr32 takes as one of its own switches, with a
// value that stays on this machine.
bool IsHarmlessRegsvr32Switch(std::wstring_view element) {
    for (std::wstring_view known : kRegsvr32Switches)
        if (EqualIgnoringAsciiCase(element, known)) return true;
    return element.size() >= kRegsvr32InstallValue.size() &&
           EqualIgnoringAsciiCase(element.substr(0, kRegsvr32InstallValue.size()), kRegsvr32InstallValue) &&
           !NamesRemoteSource(element.substr(kRegsvr32InstallValue.size()));
}

// The arguments after a dummy program name, split by CommandLineToArgvW; nothing when
// Windows cannot split them.
std::optional<std::vector<std::wstring>> SplitArguments(const std::wstring& arguments) {
    const std::wstring line = L"test.exe " + arguments;
    int count = 0;
    const Platform::ScopedLocalMemory<LPWSTR> elements(CommandLineToArgvW(line.c_str(), &count));
    if (!elements) return std::nullopt;
    std::vector<std::wstring> split;
    for (int i = 1; i < count; ++i) split.emplace_back(elements.get()[i]);
    return split;
}

bool IsLibraryTrusted(const std::wstring& path) {
    if (!NamesTheLoadedFile(path)) return false;
    QvAuthenticodeFacade facade;
    return facade.IsFileTrustedExtended(path.c_str());
}

}  // namespace

bool ValidateRegsvr32Arguments(std::wstring arguments) {
    const auto elements = SplitArguments(arguments);
    if (!elements) return false;
    // regsvr32 registers every library it is given, so each one is checked.
    for (const std::wstring& element : *elements) {
        if (!element.empty() && element.front() == L'/') {
            if (!IsHarmlessRegsvr32Switch(element)) return false;
            continue;
        }
        if (!IsLibraryTrusted(element)) return false;
    }
    return true;
}

bool ValidateRundll32Arguments(std::wstring arguments) {
    const auto elements = SplitArguments(arguments);
    if (!elements) return false;
    if (elements->empty()) return true;
    std::wistringstream first(elements->front());
    std::wstring library;
    std::getline(first, library, L',');  // an empty element leaves the library empty
    return IsLibraryTrusted(library);
}

}  // namespace Qv::Vantix::Security
