#pragma once

// The path and folder-ownership part of the Authenticode helpers. The grouping is a
// namespace so that each part of the helpers declares its operations in its own header.
namespace Qv::Vantix::Security::QvAuthenticodeHelper {

// True when the expanded full path lies under the Windows folder or a program-files
// folder, or below a drive's store-application folder (":\WindowsApps\") whose access
// list gives full control to both TrustedInstaller and SYSTEM. May retry for a second.
bool IsPathAllowed(const wchar_t* path);

// True when the folder's access list holds allowed entries with GENERIC_ALL for
// NT SERVICE\TrustedInstaller and for NT AUTHORITY\SYSTEM.
bool CheckForFullConrolByTrustedInstallAndSystem(const wchar_t* folder);

}  // namespace Qv::Vantix::Security::QvAuthenticodeHelper
