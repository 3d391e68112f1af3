#include "service/vistane/setup_program.h"

#include "service/vistane/companion_settings.h"

namespace Qv::Vantix::Server::Services::Vistane {

std::wstring SetupPathFromHostPath(std::wstring_view hostPath) {
    std::wstring setupPath(hostPath.size() >= kHostFileNameLength
                               ? hostPath.substr(0, hostPath.size() - kHostFileNameLength)
                               : hostPath);
    setupPath += kSetupFileName;
    return setupPath;
}

std::wstring SetupCommandLine(std::wstring_view setupPath) {
    std::wstring commandLine;
    commandLine.reserve(setupPath.size() + 2 + kSilentInstallArguments.size());
    commandLine += L'"';
    commandLine += setupPath;
    commandLine += L'"';
    commandLine += kSilentInstallArguments;
    return commandLine;
}

}  // namespace Qv::Vantix::Server::Services::Vistane
