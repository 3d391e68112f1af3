#pragma once

#include <string>

// The path and folder-ownership part of the Authenticode helpers. The grouping is a
// namespace so that each part of the helpers declares its operations in its own header.
namespace Qv::Vantix::Security::QvAuthenticodeHelper {

// True when the expanded full path lies under the Windows folder or a program-files
// folder (both expanded in the service's own environment), or below the store-application
// folder at the root of a local drive (D:\WindowsApps\) when the system owns that folder
// and its access list gives full control to both TrustedInstaller and SYSTEM. May retry
// for a second.
bool IsPathAllowed(const wchar_t* path);

// IsPathAllowed for the file a facade operation verified, whose full path as written is
// `verified`: a path whose expanded full path is another file is refused, logged with
// the name of `operation`.
bool IsVerifiedFileInAllowedPlace(const wchar_t* path, const std::wstring& verified, const char* operation);

// True when the folder is owned by TrustedInstaller, SYSTEM or the Administrators group
// and its access list holds allowed entries with GENERIC_ALL for
// NT SERVICE\TrustedInstaller and for NT AUTHORITY\SYSTEM.
bool CheckForFullConrolByTrustedInstallAndSystem(const wchar_t* folder);

}  // namespace Qv::Vantix::Security::QvAuthenticodeHelper
