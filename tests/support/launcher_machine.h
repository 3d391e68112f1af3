#pragma once

// A console user with a store application installed, as the launcher tests need it.
#include <map>
#include <string>
#include <vector>

#include "platform/sim/winsim.h"

namespace vistane_test {

inline const std::wstring kViewerFamily = L"Orlent.Viewer_qv5n2x8z1k3m4";
inline const std::wstring kViewerFullName = L"Orlent.Viewer_1.2.3.4_x64__qv5n2x8z1k3m4";
inline const std::wstring kViewerResourceName = L"Orlent.Viewer_1.2.3.4_neutral_split.scale-200_qv5n2x8z1k3m4";
inline const std::wstring kViewerFolder = L"C:\\Program Files\\WindowsApps\\Orlent.Viewer_1.2.3.4_x64__qv5n2x8z1k3m4";
inline const std::wstring kAliasFolder = L"C:\\Users\\user1\\AppData\\Local\\Microsoft\\WindowsApps\\";
inline const std::wstring kViewerAlias = L"viewer.exe";

inline winsim::Package ViewerPackage() {
    return {kViewerFullName, 0, kViewerFolder, PackageOrigin_Store, winsim::PackedVersion(1, 2, 3, 4)};
}

inline winsim::Package ViewerResourcePackage() {
    return {kViewerResourceName, PACKAGE_PROPERTY_RESOURCE, kViewerFolder + L".scale-200", PackageOrigin_Store,
            winsim::PackedVersion(1, 2, 3, 4)};
}

// The viewer for user1: its package, install folder and execution alias.
inline void InstallViewer() {
    winsim::InstallPackage(L"user1", kViewerFamily, ViewerPackage());
    winsim::AddFolder(kViewerFolder);
    winsim::AddFile(kViewerFolder + L"\\Viewer.exe", "MZ");
    winsim::AddFile(kAliasFolder + kViewerAlias, "alias");
}

// Each thread's impersonations, in order, alternate with reverts and end reverted.
inline bool EveryImpersonationReverted(std::string* problem = nullptr) {
    std::map<std::wstring, int> depth;
    for (const auto& event : winsim::ImpersonationEvents()) {
        int& level = depth[event.thread];
        if (event.action == "RevertToSelf") {
            if (level != 1) {
                if (problem) *problem = "a revert without an impersonation";
                return false;
            }
            level = 0;
        } else {
            if (level != 0) {
                if (problem) *problem = "impersonation nested on one thread";
                return false;
            }
            level = 1;
        }
    }
    for (const auto& [thread, level] : depth) {
        if (level != 0) {
            if (problem) *problem = "a thread left impersonating";
            return false;
        }
    }
    return true;
}

inline unsigned ImpersonationCount() {
    unsigned count = 0;
    for (const auto& event : winsim::ImpersonationEvents()) count += event.action == "ImpersonateLoggedOnUser";
    return count;
}

}  // namespace vistane_test
