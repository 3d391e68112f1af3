// Starting programs and store application aliases in the console user's session.
#include <vector>

#include "server/impersonated_call.h"
#include "server/launcher.h"
#include "server/launcher_resources.h"

namespace Qv::Vantix::Server::Services {

namespace {

constexpr DWORD kCreationFlags =
    EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT | NORMAL_PRIORITY_CLASS | CREATE_NEW_CONSOLE;

// An alias is a file name inside the alias folder; anything that could leave the
// folder is no alias: a separator, a drive or stream colon, a variable reference the
// expansion would replace, or a quotation mark that would break the command line.
bool IsAliasFileName(const std::wstring& alias) {
    return alias != L"." && alias != L".." && alias.find_first_of(L"\\/:%\"") == std::wstring::npos;
}

}  // namespace

std::wstring Launcher::GetAbsolutePathForUWPAlias(std::wstring alias) {
    if (alias.empty() || !IsAliasFileName(alias)) return std::wstring();
    auto token = GetUserTokenForCurrentUser(TokenImpersonation);
    if (token.get() == INVALID_HANDLE_VALUE) return std::wstring();
    return GetPathExpandedImpersonatedAsCurrentUser(aliasFolder + alias, token);
}

bool Launcher::Run(std::wstring alias, std::wstring familyName, std::wstring arguments) {
    if (!arguments.empty()) arguments = alias + L" " + arguments;
    if (alias.empty() || familyName.empty()) return false;

    auto impersonationToken = GetUserTokenForCurrentUser(TokenImpersonation);
    auto primaryToken = GetUserTokenForCurrentUser(TokenPrimary);
    std::wstring aliasPath;
    std::wstring executablePath;
    std::wstring installFolder;
    if (impersonationToken.get() != INVALID_HANDLE_VALUE) {
        aliasPath = GetAbsolutePathForUWPAlias(alias);
        executablePath = GetPathExpandedImpersonatedAsCurrentUser(aliasPath, impersonationToken);
        // rLock is taken and released inside this stretch, never across process creation.
        installFolder = CallImpersonated(logger, impersonationToken.get(), std::wstring(), [&] {
            const std::wstring fullName = GetPackageFullNameByFamilyName(familyName);
            return fullName.empty() ? std::wstring() : GetPackageInstalledPathByFullName(fullName);
        });
    }
    if (primaryToken.get() != INVALID_HANDLE_VALUE && !executablePath.empty() && !installFolder.empty())
        return RunExeAsUser(executablePath, installFolder, primaryToken, arguments);
    return false;
}

bool Launcher::RunExeAsUser(std::wstring executablePath, std::wstring workingFolder,
                            std::shared_ptr<void> primaryToken, std::wstring commandLine) {
    unsigned long ignoredProcessId = 0;
    return RunExeAsUser(std::move(executablePath), std::move(workingFolder), std::move(primaryToken),
                        std::move(commandLine), ignoredProcessId, std::vector<void*>());
}

bool Launcher::RunExeAsUser(std::wstring executablePath, std::wstring workingFolder,
                            std::shared_ptr<void> primaryToken, std::wstring commandLine, unsigned long& processId,
                            std::vector<void*> inheritedHandles) {
    logger->LogInfo(LauncherText::kAttemptingImpersonation);
    // Never a process without the user's token.
    if (primaryToken.get() == nullptr) return false;

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);

    const LPCWSTR applicationName = executablePath.empty() ? nullptr : executablePath.c_str();
    const std::wstring& commandText = commandLine.empty() ? executablePath : commandLine;
    if (commandText.size() + 1 > CREATE_FILE_EXTENDED_PATH) return false;
    std::vector<WCHAR> writableCommand(commandText.begin(), commandText.end());
    writableCommand.push_back(L'\0');
    const LPCWSTR currentFolder = workingFolder.empty() ? nullptr : workingFolder.c_str();

    // Declared before the environment block so the block is destroyed first.
    ProcThreadAttributeList attributes;
    const bool inherit = !inheritedHandles.empty();
    if (inherit) {
        if (!attributes.Create(1)) return false;
        if (!UpdateProcThreadAttribute(attributes.get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                       inheritedHandles.data(), inheritedHandles.size() * sizeof(HANDLE), nullptr,
                                       nullptr))
            return false;
        startup.lpAttributeList = attributes.get();
    }

    UniqueEnvironmentBlock environment;
    UniqueProcessInformation created;
    if (!CreateEnvironmentBlock(environment.put(), primaryToken.get(), FALSE)) return false;

    if (!CreateProcessAsUserW(primaryToken.get(), applicationName, writableCommand.data(), nullptr, nullptr,
                              inherit ? TRUE : FALSE, kCreationFlags, environment.get(), currentFolder,
                              &startup.StartupInfo, created.put())) {
        logger->LogWarning(LauncherText::kCreateProcessFailed, GetLastError());
        return false;
    }
    processId = created.get().dwProcessId;
    return true;
}

}  // namespace Qv::Vantix::Server::Services
