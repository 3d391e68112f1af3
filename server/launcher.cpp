#include "server/launcher.h"

#include <exception>

#include "server/launcher_messages.h"
#include "service/logging/logging.h"

namespace Qv::Vantix::Server::Services {

std::mutex Launcher::rLock;
const std::uint64_t Launcher::CREATE_FILE_EXTENDED_PATH = 0x7FFF;

Launcher::Launcher() : logger(nullptr), aliasFolder(LauncherText::kAliasFolder) {
    try {
        logger = LogManager::GetLogger();
    } catch (const std::exception&) {
        logger = LogManager::SetProvider(LauncherText::kFallbackProvider);
    }
}

Launcher::Launcher(const Launcher& other) = default;
Launcher& Launcher::operator=(const Launcher& other) = default;
Launcher::~Launcher() = default;

}  // namespace Qv::Vantix::Server::Services
