#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/win32_interface.h"
#include "service/module_export.h"

namespace Qv::Vantix::Logging {
class TraceLogger;
}

namespace Qv::Vantix::Server::Services {

class LauncherInspector;

// Acts for the user logged on at the physical console from a service running as the
// local system account: the user's token, paths in the user's environment, the
// user's store packages, and processes started in the user's session. Every
// impersonation is confined to one operation on the calling thread.
class VISTANE_API Launcher {
public:
    Launcher();
    Launcher(const Launcher& other);
    Launcher& operator=(const Launcher& other);
    ~Launcher();

    // ---- token and session ----
    // The console user's token duplicated as `type`: an empty holder when a step
    // before the duplication failed, INVALID_HANDLE_VALUE when the duplication did.
    std::shared_ptr<void> GetUserTokenForCurrentUser(TOKEN_TYPE type);
    std::wstring GetPathExpandedImpersonatedAsCurrentUser(std::wstring path, std::shared_ptr<void> token);
    // Always stores the console user's expanded profile path (maybe empty).
    bool IsRealUserSession(std::wstring& profilePath);

    // ---- package queries (forms without a token use the thread's current identity) ----
    std::wstring GetPackageFullNameByFamilyName(std::wstring familyName);
    std::wstring GetPackageFullNameByFamilyName(std::wstring familyName, std::shared_ptr<void> token);
    std::wstring GetPackageInstalledPathByFullName(std::wstring fullName);
    std::wstring GetPackageInstalledPathByFullName(std::wstring fullName, std::shared_ptr<void> token);
    std::tuple<int, std::uint64_t> GetOriginAndVersionByFullName(std::wstring fullName);
    std::tuple<int, std::uint64_t> GetOriginAndVersionByFamilyName(std::wstring familyName);

    // ---- process launch as the console user ----
    bool Run(std::wstring alias, std::wstring familyName, std::wstring arguments);
    std::wstring GetAbsolutePathForUWPAlias(std::wstring alias);
    bool RunExeAsUser(std::wstring executablePath, std::wstring workingFolder, std::shared_ptr<void> primaryToken,
                      std::wstring commandLine);
    bool RunExeAsUser(std::wstring executablePath, std::wstring workingFolder, std::shared_ptr<void> primaryToken,
                      std::wstring commandLine, unsigned long& processId, std::vector<void*> inheritedHandles);

private:
    friend class LauncherInspector;

    // Serialises the package lookup by family name, process-wide.
    static std::mutex rLock;
    // Longest command line handed to process creation, terminator included.
    static const std::uint64_t CREATE_FILE_EXTENDED_PATH;

    Logging::TraceLogger* logger;
    std::wstring aliasFolder;
};

}  // namespace Qv::Vantix::Server::Services
