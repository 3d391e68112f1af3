#include "security/path_policy/authenticode_helper.h"

#include <string>

#include "platform/resources.h"
#include "platform/win32.h"
#include "security/path_policy/allowed_path_prefixes.h"
#include "security/path_policy/begins_with.h"
#include "security/path_policy/local_path.h"
#include "security/path_policy/system_owners.h"
#include "security/path_policy/util_helper.h"
#include "service/logging/logging.h"

namespace Qv::Vantix::Security::QvAuthenticodeHelper {

namespace {

using Platform::ScopedSecurityDescriptor;
using Server::Services::UtilHelper;

constexpr const char* kIsPathAllowedName = "Qv::Vantix::Security::QvAuthenticodeHelper::IsPathAllowed";
constexpr const wchar_t* kStoreFolderMarker = L":\\WindowsApps\\";
constexpr size_t kMarkerLengthWithoutBackslash = 13;  // ":\WindowsApps"
constexpr size_t kMarkerAtDriveRoot = 1;              // "D" + ":\WindowsApps\"
constexpr int kOwnershipAttempts = 5;
constexpr DWORD kOwnershipRetryPauseMs = 250;
constexpr DWORD kAccountNameCapacity = MAX_PATH;

struct FullControl {
    bool trustedInstaller = false;
    bool system = false;
};

// Notes which of the two accounts an allowed entry gives GENERIC_ALL.
void NoteEntry(void* ace, FullControl& found) {
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);

    // Full capacity for every entry: a lookup rewrites the sizes it was given.
    WCHAR name[kAccountNameCapacity] = {};
    WCHAR domain[kAccountNameCapacity] = {};
    DWORD nameSize = kAccountNameCapacity;
    DWORD domainSize = kAccountNameCapacity;
    SID_NAME_USE use = SidTypeUnknown;
    if (!LookupAccountSidW(nullptr, &allowed->SidStart, name, &nameSize, domain, &domainSize, &use)) return;
    if ((allowed->Mask & GENERIC_ALL) == 0) return;

    const std::wstring account(name);
    const std::wstring accountDomain(domain);
    if (accountDomain == L"NT SERVICE" && account == L"TrustedInstaller") {
        found.trustedInstaller = true;
    } else if (accountDomain == L"NT AUTHORITY" && account == L"SYSTEM") {
        found.system = true;
    }
}

}  // namespace

bool CheckForFullConrolByTrustedInstallAndSystem(const wchar_t* folder) {
    FullControl found;
    try {
        PSID owner = nullptr;
        PSID group = nullptr;
        PACL dacl = nullptr;
        ScopedSecurityDescriptor descriptor;
        const DWORD result = GetNamedSecurityInfoW(
            folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
            &owner, &group, &dacl, nullptr, descriptor.put());
        if (result != ERROR_SUCCESS || dacl == nullptr) return false;
        // A user may make a folder at a drive's root and, as its owner, grant the two
        // accounts anything: the access list only counts on a folder the system owns.
        if (!IsSystemOwner(owner)) return false;

        for (DWORD index = 0; index < dacl->AceCount; ++index) {
            void* ace = nullptr;
            if (!GetAce(dacl, index, &ace)) continue;
            NoteEntry(ace, found);
        }
        return found.trustedInstaller && found.system;
    } catch (...) {
        if (TraceLogger* logger = LogManager::GetLogger()) {
            logger->LogError(L"Exception in CheckForFullConrolByTrustedInstallAndSystem().");
        }
        return found.trustedInstaller && found.system;
    }
}

namespace {

bool IsFullPathAllowed(const std::wstring& full) {
    TraceLogger* logger = LogManager::GetLogger();
    for (const std::wstring& prefix : AllowedPathPrefixes) {
        // The allowed folders are the machine's, whoever asks: a caller's own windir or
        // ProgramFiles must not move them.
        const std::wstring expanded = UtilHelper::GetFullExpandedPathInServiceEnvironment(prefix.c_str(), L"");
        // An empty text means a failed expansion, never "every path".
        if (!full.empty() && !expanded.empty() && BeginsWith(full, expanded)) return true;
        logger->LogError(L"%S - BeginsWith() failed [%s] [%s]", kIsPathAllowedName, full.c_str(), expanded.c_str());
    }

    const size_t marker = full.find(kStoreFolderMarker);
    if (marker == std::wstring::npos) {
        logger->LogError(L"%S - Didn't find substring [%s] in [%s]", kIsPathAllowedName, kStoreFolderMarker,
                         full.c_str());
        return false;
    }
    // Only a store folder at the root of a local drive is asked about: the owner and
    // access list of a folder on another machine are whatever that machine answers.
    if (marker != kMarkerAtDriveRoot || !BeginsWithDrive(full)) {
        logger->LogError(L"%S - [%s] is not below a store folder at the root of a local drive", kIsPathAllowedName,
                         full.c_str());
        return false;
    }
    const std::wstring folder = full.substr(0, marker + kMarkerLengthWithoutBackslash);

    for (int attempt = 1; attempt <= kOwnershipAttempts; ++attempt) {
        if (CheckForFullConrolByTrustedInstallAndSystem(folder.c_str())) return true;
        logger->LogError(L"Security - GetNamedSecurityInfo - Failed %d of %d times. Error Code = %d", attempt,
                         kOwnershipAttempts, static_cast<int>(GetLastError()));
        if (attempt < kOwnershipAttempts) Sleep(kOwnershipRetryPauseMs);
    }
    return false;
}

}  // namespace

bool IsPathAllowed(const wchar_t* path) { return IsFullPathAllowed(UtilHelper::GetFullExpandedPath(path, L"")); }

bool IsVerifiedFileInAllowedPlace(const wchar_t* path, const std::wstring& verified, const char* operation) {
    const std::wstring full = UtilHelper::GetFullExpandedPath(path, L"");
    // The signature checks opened the path as written; the place judged must be theirs.
    if (!full.empty() && full != verified) {
        LogManager::GetLogger()->LogError(
            L"Security - %S - Refused [%s]: it expands to [%s], not to the file verified [%s]", operation, path,
            full.c_str(), verified.c_str());
        return false;
    }
    return IsFullPathAllowed(full);
}

}  // namespace Qv::Vantix::Security::QvAuthenticodeHelper
