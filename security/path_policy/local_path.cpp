#include "security/path_policy/local_path.h"

#include "platform/win32.h"
#include "security/path_policy/ascii_case.h"

namespace Qv::Vantix::Security {

namespace {

constexpr std::wstring_view kLongPathPrefix = L"\\\\?\\";

bool IsSeparator(wchar_t unit) { return unit == L'\\' || unit == L'/'; }

// \??\ (either slash): the prefix of the object manager's own names.
bool IsObjectManagerName(std::wstring_view path) {
    return path.size() >= 4 && IsSeparator(path[0]) && path[1] == L'?' && path[2] == L'?' && IsSeparator(path[3]);
}

}  // namespace

std::wstring FullPathAsWritten(const wchar_t* path) {
    if (path == nullptr) return std::wstring();
    WCHAR full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(full);
}

bool BeginsWithDrive(std::wstring_view full) {
    return full.size() >= 3 && IsAsciiLetter(full[0]) && full[1] == L':' && full[2] == L'\\';
}

bool IsOnLocalDrive(const wchar_t* path, const std::wstring& full) {
    if (path == nullptr || IsObjectManagerName(path)) return false;
    const std::wstring_view name(full);
    if (name.starts_with(kLongPathPrefix)) return BeginsWithDrive(name.substr(kLongPathPrefix.size()));
    return BeginsWithDrive(name);
}

}  // namespace Qv::Vantix::Security
