#include "service/vistane/companion_version.h"

#include <vector>

#include "platform/win32.h"
#include "service/logging/logging.h"
#include "service/vistane/companion_settings.h"

namespace Qv::Vantix::Server::Services::Vistane {

bool IsVersionCurrent(const CompanionVersion& version) {
    if (version.major != kMinimumMajor) return version.major > kMinimumMajor;
    if (version.minor != kMinimumMinor) return version.minor > kMinimumMinor;
    return version.build >= kMinimumBuild;
}

bool IsCompanionUpToDate() {
    TraceLogger* logger = LogManager::GetLogger();

    WCHAR path[MAX_PATH + 1] = {};
    ExpandEnvironmentStringsW(kCompanionExecutable, path, MAX_PATH);
    path[MAX_PATH - 1] = L'\0';  // a cut expansion is left unterminated by Windows

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    logger->LogInfo(L"StartUpTask QVVS services.");
    if (size == 0) {
        logger->LogInfo(L"Install QVVS: QVVSINSTALLPATH was empty");
        logger->LogInfo(L"QVVS is not found or version information cannot be retrieved.");
        return false;
    }

    std::vector<BYTE> resource(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    if (!GetFileVersionInfoW(path, handle, size, resource.data()) ||
        !VerQueryValueW(resource.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &fixedLength) ||
        fixed == nullptr || fixedLength < sizeof(VS_FIXEDFILEINFO)) {
        logger->LogInfo(L"Install QVVS: Unable to GetFileVersionInfo");
        logger->LogInfo(L"QVVS is not found or version information cannot be retrieved.");
        return false;
    }

    const CompanionVersion installed{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                     HIWORD(fixed->dwFileVersionLS)};
    if (!IsVersionCurrent(installed)) {
        logger->LogInfo(L"Upgrade QVVS: version out of date");
        return false;
    }
    logger->LogInfo(L"QVVS is up to date");
    return true;
}

}  // namespace Qv::Vantix::Server::Services::Vistane
