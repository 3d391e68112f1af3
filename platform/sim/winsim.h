#pragma once

// Control API of the simulated Windows: what tests and tools use to build a machine
// and to inspect what happened. Module code never includes this.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/win32_api.h"

namespace winsim {

// Returns the machine to its default state: the usual environment, no files, the
// SYSTEM service account and a console user, empty ledger, no faults, clock at zero.
WINSIM_API void Reset();

// ---- fault injection ----------------------------------------------------------------
// Fails the nth call (1-based) of `api` with `lastError`; nth 0 fails every call.
// `api` and `CallCount`'s must name a call the simulation records
// (std::invalid_argument otherwise).
WINSIM_API void FailCall(const std::string& api, unsigned nth, DWORD lastError);
// Fails the nth sweep-eligible platform call of any kind, counted from now.
WINSIM_API void FailNthPlatformCall(unsigned nth, DWORD lastError);
// Fails each sweep-eligible call with probability `percent`/100 (deterministic by seed).
WINSIM_API void FailRandomCalls(std::uint32_t seed, unsigned percent, DWORD lastError);
WINSIM_API void ClearFaults();
// Runs `action` once, on the calling thread and before anything else happens, when the
// nth call of `api` (counted from now) is made: how a test lets somebody else act in
// the middle of an operation. Reset drops actions not yet run.
WINSIM_API void BeforeCall(const std::string& api, unsigned nth, std::function<void()> action);
WINSIM_API unsigned FaultsInjected();

// ---- what happened -------------------------------------------------------------------
WINSIM_API std::vector<std::string> CallLog();  // every simulated call, in order
WINSIM_API unsigned CallCount(const std::string& api);
WINSIM_API unsigned SweepCallCount();  // calls the sweep may fail, since the last reset
WINSIM_API void ClearCallLog();

// Resources still held, by kind ("file", "process", "token", "catalog admin", ...).
WINSIM_API std::map<std::string, long> OpenResources();
WINSIM_API long OpenCount(const std::string& kind);  // std::invalid_argument for a kind never counted
WINSIM_API bool LedgerBalanced();
WINSIM_API std::string LedgerReport();  // "file=1 token=2" or "balanced"

// Virtual clock: Sleep records and advances, nothing really waits.
WINSIM_API std::vector<DWORD> Sleeps();
WINSIM_API std::uint64_t NowMilliseconds();

struct ImpersonationEvent {
    std::wstring thread;  // thread id text
    std::string action;   // "ImpersonateLoggedOnUser", "RevertToSelf", "RpcImpersonateClient", ...
    std::wstring user;    // account impersonated (empty on revert)
};
WINSIM_API std::vector<ImpersonationEvent> ImpersonationEvents();
// Threads that still impersonate somebody.
WINSIM_API std::vector<std::wstring> ThreadsStillImpersonating();
WINSIM_API std::wstring CurrentThreadIdentity();  // empty: the service's own

// ---- environment and paths ---------------------------------------------------------------
WINSIM_API void SetEnvironmentVariable(const std::wstring& name, const std::wstring& value);
WINSIM_API void RemoveEnvironmentVariable(const std::wstring& name);
WINSIM_API void SetCurrentDirectory(const std::wstring& path);
WINSIM_API void SetHostExecutablePath(const std::wstring& path);  // GetModuleFileNameW(NULL)

// ---- files -------------------------------------------------------------------------------
struct FileVersion {
    WORD major = 0, minor = 0, build = 0, revision = 0;
};
enum class VersionResource { None, Readable, Unreadable };
WINSIM_API void AddFile(const std::wstring& path, const std::string& content = std::string(),
                        std::optional<FileVersion> version = std::nullopt);
WINSIM_API void SetVersionResourceUnreadable(const std::wstring& path);
WINSIM_API void SetFileContent(const std::wstring& path, const std::string& content);
WINSIM_API std::optional<std::string> FileContent(const std::wstring& path);
WINSIM_API void RemoveFile(const std::wstring& path);
WINSIM_API bool FileExists(const std::wstring& path);
WINSIM_API void AddFolder(const std::wstring& path);

// ---- accounts, processes, RPC -------------------------------------------------------------
struct Account {
    std::wstring domain;        // "NT AUTHORITY", "NT SERVICE", machine or domain name
    std::wstring name;          // "SYSTEM", "TrustedInstaller", "user1"
    std::wstring sid;           // "S-1-5-18", ...
    std::map<std::wstring, std::wstring> environment;  // a user's own variables
};
// Adds or replaces an account; users get an environment built from the machine's
// system variables plus their own.
WINSIM_API void AddAccount(const Account& account);
WINSIM_API std::optional<Account> FindAccount(const std::wstring& name);
WINSIM_API void SetUserEnvironmentVariable(const std::wstring& user, const std::wstring& name,
                                           const std::wstring& value);
WINSIM_API void RemoveUserEnvironmentVariable(const std::wstring& user, const std::wstring& name);

struct ProcessSpec {
    std::wstring user = L"user1";
    std::wstring imagePath;
    std::wstring packageFamilyName;  // empty: no package identity
};
WINSIM_API DWORD AddProcess(const ProcessSpec& spec);
WINSIM_API void MarkProcessExited(DWORD pid);
WINSIM_API DWORD ServiceProcessId();

// The RPC call the calling thread serves, until the scope ends.
class WINSIM_API RpcCallScope {
public:
    explicit RpcCallScope(DWORD clientPid);
    ~RpcCallScope();
    RpcCallScope(const RpcCallScope&) = delete;
    RpcCallScope& operator=(const RpcCallScope&) = delete;
};
WINSIM_API void BeginRpcCall(DWORD clientPid);
WINSIM_API void EndRpcCall();

// ---- processes started by the module (CreateProcessW, CreateProcessAsUserW) ---------------
struct StartedProcess {
    std::string api;                   // the call that started it
    DWORD pid = 0;
    std::wstring user;                 // account the process runs as
    std::wstring applicationName;      // as passed (empty: none)
    std::wstring commandLine;          // as passed
    std::wstring program;              // the file that was run, as resolved
    std::wstring currentDirectory;     // as passed (empty: none)
    BOOL inheritHandles = FALSE;
    DWORD creationFlags = 0;
    DWORD startupInfoSize = 0;
    bool hasEnvironment = false;
    std::vector<HANDLE> inheritedHandles;  // from an attached handle-list attribute
};
WINSIM_API std::vector<StartedProcess> StartedProcesses();

}  // namespace winsim

// Area control APIs.
#include "platform/sim/winsim_trust.h"
#include "platform/sim/winsim_security.h"
#include "platform/sim/winsim_sessions.h"
#include "platform/sim/winsim_packages.h"
#include "platform/sim/winsim_launch.h"
#include "platform/sim/winsim_modules.h"
