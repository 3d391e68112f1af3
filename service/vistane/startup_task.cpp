#include "service/vistane/startup_task.h"

#include <exception>
#include <string>

#include "platform/resources.h"
#include "security/file_trust/authenticode_facade.h"
#include "service/logging/logging.h"
#include "service/vistane/companion_settings.h"
#include "service/vistane/companion_version.h"
#include "service/vistane/setup_program.h"

namespace Qv::Vantix::Server::Services::Vistane {

namespace {

// Empty when the path cannot be had whole: a cut or empty path must fail the trust
// check, never resolve against the current folder to some other QVVSSetup.exe.
std::wstring HostExecutablePath() {
    WCHAR buffer[kHostPathBufferLength] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, kHostPathBufferLength);
    if (length == 0 || length >= kHostPathBufferLength) return std::wstring();
    return std::wstring(buffer, length);
}

}  // namespace

void StartUpTask() {
    TraceLogger* logger = LogManager::GetLogger();
    try {
        Sleep(kTaskDelayMilliseconds);
        if (IsCompanionUpToDate()) return;
        logger->LogInfo(L"StartUpTask vistane services.");

        Security::QvAuthenticodeFacade facade;
        const std::wstring hostPath = HostExecutablePath();
        const std::wstring setupPath = hostPath.empty() ? std::wstring() : SetupPathFromHostPath(hostPath);
        // Held from before its verification until its process exists: meanwhile nobody
        // can write, rename or delete the file, so the file started is the file verified.
        Platform::ScopedHandle heldSetup(CreateFileW(setupPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                     OPEN_EXISTING, 0, nullptr));
        const DWORD holdError = heldSetup ? ERROR_SUCCESS : GetLastError();
        if (!facade.IsFileTrusted(setupPath.c_str())) {
            logger->LogWarning(L"Failed to create QVVSSetup.exe. The error code is %d", GetLastError());
            return;
        }
        if (!heldSetup) {
            logger->LogWarning(L"Failed to create QVVSSetup.exe. The error code is %d", holdError);
            return;
        }

        // The verified file is named as the program itself: the command line alone would
        // let Windows try "C:\Program.exe" first for a folder with a space in its name.
        std::wstring commandLine = SetupCommandLine(setupPath);
        STARTUPINFOW startupInfo{};
        startupInfo.cb = sizeof startupInfo;
        Platform::UniqueProcessInformation setup;
        const BOOL started = CreateProcessW(setupPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                            nullptr, &startupInfo, setup.put());
        const DWORD startError = GetLastError();
        heldSetup.reset();  // the setup may now replace itself
        if (!started) {
            logger->LogWarning(L"Failed to create QVVSSetup.exe. The error code is %d", startError);
            return;
        }
        WaitForSingleObject(setup.get().hProcess, INFINITE);
    } catch (const std::exception& error) {
        logger->LogError(error.what());
    }
}

void RunUpdateThread(HMODULE heldModule) {
    try {
        StartUpTask();
    } catch (const std::exception&) {
        // Only a logger that cannot be had gets here; the host must not go down with it.
    }
    FreeLibraryAndExitThread(heldModule, 0);
}

}  // namespace Qv::Vantix::Server::Services::Vistane
