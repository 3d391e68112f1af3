#pragma once

#include <string>
#include <string_view>

namespace Qv::Vantix::Security {

// The full path of `path` as written, nothing expanded and nothing logged: the name
// that opening `path` reaches. Empty when it cannot be made or does not fit MAX_PATH.
std::wstring FullPathAsWritten(const wchar_t* path);

// Whether `full` begins with a drive letter, a colon and a backslash (C:\...).
bool BeginsWithDrive(std::wstring_view full);

// Whether opening `path`, whose full path as written is `full`, stays on this machine's
// drives: `full` names a drive letter, as C:\... or in the long form \\?\C:\... Every
// other form is refused: another machine's share (\\host\share, \\?\UNC\..., WebDAV's
// \\host@80\...), devices and pipes (\\.\..., \\?\GLOBALROOT\..., the reserved names
// Windows maps into \\.\), and the object-manager form \??\..., which opening passes on
// as it stands while GetFullPathNameW reads it as a folder of the current drive.
bool IsOnLocalDrive(const wchar_t* path, const std::wstring& full);

}  // namespace Qv::Vantix::Security
