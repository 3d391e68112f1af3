#pragma once

// A console user with a store application installed, as the launcher tests need it,
// and what the tests see of the launcher beyond its results.
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/sim/winsim.h"
#include "server/launcher.h"

namespace vistane_test {

inline const std::wstring kViewerFamily = L"Orlent.Viewer_qv5n2x8z1k3m4";
inline const std::wstring kViewerFullName = L"Orlent.Viewer_1.2.3.4_x64__qv5n2x8z1k3m4";
inline const std::wstring kViewerFolder = L"C:\\Program Files\\WindowsApps\\Orlent.Viewer_1.2.3.4_x64__qv5n2x8z1k3m4";
inline const std::wstring kAliasFolder = L"C:\\Users\\user1\\AppData\\Local\\Microsoft\\WindowsApps\\";
inline const std::wstring kViewerAlias = L"viewer.exe";

// The viewer's package with other property flags (0: the application itself).
inline winsim::Package ViewerPackage(UINT32 properties = 0, const std::wstring& fullName = kViewerFullName) {
    return {fullName, properties, kViewerFolder, PackageOrigin_Store, winsim::PackedVersion(1, 2, 3, 4)};
}

// The viewer for user1: its package, install folder and execution alias.
inline void InstallViewer() {
    winsim::InstallPackage(L"user1", kViewerFamily, ViewerPackage());
    winsim::AddFolder(kViewerFolder);
    winsim::AddFile(kViewerFolder + L"\\Viewer.exe", "MZ");
    winsim::AddFile(kAliasFolder + kViewerAlias, "alias");
}

// Impersonations so far, or -1 when on some thread one was nested or a revert came
// without one.
inline int PairedImpersonations() {
    std::map<std::wstring, bool> impersonating;
    int count = 0;
    for (const auto& event : winsim::ImpersonationEvents()) {
        const bool begins = !event.action.ends_with("RevertToSelf");  // RpcRevertToSelf too
        if (std::exchange(impersonating[event.thread], begins) == begins) return -1;
        count += begins;
    }
    return count;
}

}  // namespace vistane_test

namespace Qv::Vantix::Server::Services {

class LauncherInspector {
public:
    // Whether another thread could take the lookup lock now (sound when this one holds it).
    static bool LookupLockIsFree() {
        auto probe = [] { return std::unique_lock(Launcher::rLock, std::try_to_lock).owns_lock(); };
        return std::async(std::launch::async, probe).get();
    }
};

}  // namespace Qv::Vantix::Server::Services
