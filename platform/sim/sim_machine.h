#pragma once

// The machine model shared by the simulated calls: environment, files, accounts,
// processes and the objects behind handles. Areas keep further state of their own.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_core.h"
#include "platform/sim/winsim.h"

namespace winsim::detail {

// Variables by folded name, keeping the name as written.
using Environment = std::map<std::wstring, std::pair<std::wstring, std::wstring>>;

struct SimFile {
    std::wstring path;  // canonical, as first written
    // Never changed in place, only replaced: a call that hashes it holds its own
    // reference and lets go of the machine lock meanwhile.
    std::shared_ptr<const std::string> content = std::make_shared<const std::string>();
    bool folder = false;
    VersionResource versionResource = VersionResource::None;
    FileVersion version;
};

struct SimProcess {
    DWORD pid = 0;
    std::wstring user;
    std::wstring imagePath;
    std::wstring packageFamilyName;
    bool exited = false;
};

struct Machine {
    Environment environment;
    std::wstring currentDirectory;
    std::wstring hostExecutablePath;
    std::wstring windowsFolder;  // the system's (GetWindowsDirectoryW), not a variable
    std::map<std::wstring, SimFile> files;  // by folded canonical path
    std::map<std::wstring, Account> accounts;  // by folded account name
    std::map<DWORD, SimProcess> processes;
    DWORD nextProcessId = 0;
    DWORD serviceProcessId = 0;
    std::uint64_t clockMilliseconds = 0;
    std::vector<StartedProcess> startedProcesses;
    std::vector<DWORD> sleeps;
};

// Callers hold MachineMutex() while they use it.
WINSIM_API Machine& TheMachine();

struct FileObject : HandleObject {
    std::wstring key;  // the file's folded full path; follows the file when it is renamed
    DWORD access = 0;  // as asked for, generic rights included
    DWORD share = 0;
};
struct ProcessObject : HandleObject {
    DWORD pid = 0;
    DWORD access = 0;
};
struct TokenObject : HandleObject {
    std::wstring user;
    TOKEN_TYPE type = TokenPrimary;
    SECURITY_IMPERSONATION_LEVEL level = SecurityImpersonation;
};

WINSIM_API void SetVariable(Environment& environment, const std::wstring& name, const std::wstring& value);
WINSIM_API const std::wstring* FindVariable(const Environment& environment, std::wstring_view name);
// Windows expansion: %name% replaced when defined; otherwise kept as written, its
// closing percent sign free to open the next reference.
WINSIM_API std::wstring ExpandWith(const Environment& environment, std::wstring_view source);
// The environment a user's processes see: system variables, then the user's own.
WINSIM_API Environment EnvironmentOfUser(const std::wstring& user);
// ExpandWith(EnvironmentOfUser(user), source), cheap enough to run under the machine lock.
WINSIM_API std::wstring ExpandForUser(const std::wstring& user, std::wstring_view source);

// GetFullPathNameW's rules: absolute, "." and ".." removed, forward slashes turned,
// relative paths against the current folder. Empty for an empty path.
WINSIM_API std::wstring FullPathOf(std::wstring_view path);
// The same against a given current folder; needs no lock.
WINSIM_API std::wstring FullPathFrom(std::wstring_view path, std::wstring_view current);
WINSIM_API SimFile* FindFile(std::wstring_view path);

// Windows' share check for a new open of the file with folded path `key`: ERROR_SUCCESS,
// or ERROR_SHARING_VIOLATION when the open's data access is not shared by a handle
// already open, or its share mode denies an access such a handle holds.
WINSIM_API DWORD CheckFileSharing(const std::wstring& key, DWORD desiredAccess, DWORD shareMode);
// Process creation opens its image for read and execute, sharing read and delete: the
// error that open meets, or ERROR_SUCCESS.
WINSIM_API DWORD ImageOpenError(const std::wstring& program);
// State kept by file elsewhere (embedded signatures) follows a file that is renamed
// (to its new key) or deleted (to an empty key).
WINSIM_API void RegisterFileMoveHook(std::function<void(const std::wstring& fromKey, const std::wstring& toKey)> hook);
struct FileMoveHookRegistrar {
    explicit FileMoveHookRegistrar(std::function<void(const std::wstring&, const std::wstring&)> hook) {
        RegisterFileMoveHook(std::move(hook));
    }
};
WINSIM_API const SimProcess* FindProcess(DWORD pid);
WINSIM_API const Account* FindAccountRecord(std::wstring_view name);

// The program CreateProcessW and CreateProcessAsUserW run for an application name and
// a command line (program_search.cpp), or empty when there is none.
WINSIM_API std::wstring ResolveProgram(const wchar_t* applicationName, const wchar_t* commandLine);

// Adds a process to the machine and records how it was started; returns its id.
WINSIM_API DWORD RecordStartedProcess(StartedProcess started);

// Copies `text` and its terminator into a caller's buffer of `capacity` characters.
WINSIM_API void CopyOut(std::wstring_view text, LPWSTR buffer, DWORD capacity);

}  // namespace winsim::detail
