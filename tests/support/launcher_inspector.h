#pragma once

// Test-only view of the launcher's private statics and fields.
#include <atomic>
#include <thread>

#include "server/launcher.h"
#include "service/logging/logging.h"

namespace Qv::Vantix::Server::Services {

class LauncherInspector {
public:
    static std::mutex& LookupLock() { return Launcher::rLock; }
    static std::uint64_t LongestCommandLine() { return Launcher::CREATE_FILE_EXTENDED_PATH; }
    static const std::wstring& AliasFolder(const Launcher& launcher) { return launcher.aliasFolder; }
    static TraceLogger* Logger(const Launcher& launcher) { return launcher.logger; }

    // Whether another thread could take the lookup lock right now. Asked from a
    // thread of its own, so it is sound even when the caller holds the lock.
    static bool LookupLockIsFree() {
        std::atomic<bool> taken{false};
        std::thread probe([&] {
            if (Launcher::rLock.try_lock()) {
                taken = true;
                Launcher::rLock.unlock();
            }
        });
        probe.join();
        return taken;
    }
};

}  // namespace Qv::Vantix::Server::Services
