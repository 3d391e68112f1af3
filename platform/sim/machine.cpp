#include <algorithm>
#include <cwctype>

#include "platform/sim/sim_machine.h"

namespace winsim::detail {

void ResetCore();

namespace {

const wchar_t* const kSystemVariables[][2] = {
    {L"ALLUSERSPROFILE", L"C:\\ProgramData"},
    {L"CommonProgramFiles", L"C:\\Program Files\\Common Files"},
    {L"COMPUTERNAME", L"DESKTOP-SIM"},
    {L"ComSpec", L"C:\\Windows\\system32\\cmd.exe"},
    {L"OS", L"Windows_NT"},
    {L"Path", L"C:\\Windows\\system32;C:\\Windows;C:\\Windows\\System32\\Wbem"},
    {L"ProgramData", L"C:\\ProgramData"},
    {L"ProgramFiles", L"C:\\Program Files"},
    {L"ProgramFiles(x86)", L"C:\\Program Files (x86)"},
    {L"ProgramW6432", L"C:\\Program Files"},
    {L"PUBLIC", L"C:\\Users\\Public"},
    {L"SystemDrive", L"C:"},
    {L"SystemRoot", L"C:\\Windows"},
    {L"TEMP", L"C:\\Windows\\TEMP"},
    {L"TMP", L"C:\\Windows\\TEMP"},
    {L"USERNAME", L"SYSTEM"},
    {L"USERPROFILE", L"C:\\Windows\\system32\\config\\systemprofile"},
    {L"windir", L"C:\\Windows"},
};

Account ConsoleUser() {
    Account user{L"DESKTOP-SIM", L"user1", L"S-1-5-21-3623811015-3361044348-30300820-1001", {}};
    user.environment = {
        {L"USERNAME", L"user1"},
        {L"USERPROFILE", L"C:\\Users\\user1"},
        {L"HOMEDRIVE", L"C:"},
        {L"HOMEPATH", L"\\Users\\user1"},
        {L"APPDATA", L"C:\\Users\\user1\\AppData\\Roaming"},
        {L"LOCALAPPDATA", L"C:\\Users\\user1\\AppData\\Local"},
        {L"TEMP", L"C:\\Users\\user1\\AppData\\Local\\Temp"},
        {L"TMP", L"C:\\Users\\user1\\AppData\\Local\\Temp"},
    };
    return user;
}

void BuildDefaultMachine(Machine& machine) {
    machine = Machine();
    for (const auto& variable : kSystemVariables) SetVariable(machine.environment, variable[0], variable[1]);
    machine.windowsFolder = L"C:\\Windows";
    machine.currentDirectory = L"C:\\Windows\\system32";
    machine.hostExecutablePath = L"C:\\Program Files\\Orlent Works\\Host\\PluginHost.exe";
    const Account builtIn[] = {
        {L"NT AUTHORITY", L"SYSTEM", L"S-1-5-18", {}},
        {L"NT SERVICE", L"TrustedInstaller", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", {}},
        {L"BUILTIN", L"Administrators", L"S-1-5-32-544", {}},
        {L"BUILTIN", L"Users", L"S-1-5-32-545", {}},
        ConsoleUser(),
    };
    for (const Account& account : builtIn) machine.accounts[FoldCase(account.name)] = account;
    machine.nextProcessId = 1000;
    machine.serviceProcessId = machine.nextProcessId;
    machine.processes[machine.serviceProcessId] = {machine.serviceProcessId, L"SYSTEM", machine.hostExecutablePath, L"", false};
    machine.nextProcessId += 4;
}

struct MachineHolder {
    MachineHolder() { BuildDefaultMachine(machine); }
    Machine machine;
};

}  // namespace

Machine& TheMachine() {
    static auto* holder = new MachineHolder();
    return holder->machine;
}

void SetVariable(Environment& environment, const std::wstring& name, const std::wstring& value) {
    environment[FoldCase(name)] = {name, value};
}

const std::wstring* FindVariable(const Environment& environment, std::wstring_view name) {
    auto found = environment.find(FoldCase(name));
    return found == environment.end() ? nullptr : &found->second.second;
}

namespace {

// FoldCase(a) == FoldCase(b), without building either.
bool SameFolded(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
           });
}

// Windows expansion over any source of variables: `lookup` gives a variable's value or null.
template <typename Lookup>
std::wstring Expand(std::wstring_view source, const Lookup& lookup) {
    std::wstring out;
    size_t at = 0;
    while (at < source.size()) {
        if (source[at] != L'%') {
            out.push_back(source[at++]);
            continue;
        }
        const size_t close = source.find(L'%', at + 1);
        if (close == std::wstring_view::npos) {
            out.append(source.substr(at));
            break;
        }
        const std::wstring_view name = source.substr(at + 1, close - at - 1);
        const std::wstring* value = name.empty() ? nullptr : lookup(name);
        // An unknown name keeps its whole reference, both signs, and the scan goes
        // on after it: "50% of %windir%" stays as written.
        if (value) {
            out += *value;
        } else {
            out.append(source.substr(at, close - at + 1));
        }
        at = close + 1;
    }
    return out;
}

}  // namespace

std::wstring ExpandWith(const Environment& environment, std::wstring_view source) {
    return Expand(source, [&environment](std::wstring_view name) { return FindVariable(environment, name); });
}

std::wstring ExpandForUser(const std::wstring& user, std::wstring_view source) {
    const Account* account = FindAccountRecord(user);
    // As in EnvironmentOfUser: the user's own variable (the last of equal folded names)
    // before the system's, but without copying the machine's environment to find it.
    return Expand(source, [account](std::wstring_view name) {
        const std::wstring* value = nullptr;
        if (account != nullptr) {
            for (const auto& [variable, text] : account->environment)
                if (SameFolded(variable, name)) value = &text;
        }
        return value ? value : FindVariable(TheMachine().environment, name);
    });
}

Environment EnvironmentOfUser(const std::wstring& user) {
    Environment environment = TheMachine().environment;
    if (const Account* account = FindAccountRecord(user)) {
        for (const auto& [name, value] : account->environment) SetVariable(environment, name, value);
    }
    return environment;
}

const SimProcess* FindProcess(DWORD pid) {
    auto found = TheMachine().processes.find(pid);
    return found == TheMachine().processes.end() ? nullptr : &found->second;
}

const Account* FindAccountRecord(std::wstring_view name) {
    auto found = TheMachine().accounts.find(FoldCase(name));
    return found == TheMachine().accounts.end() ? nullptr : &found->second;
}

SimFile* FindFile(std::wstring_view path) {
    const std::wstring full = FullPathOf(path);
    if (full.empty()) return nullptr;
    auto found = TheMachine().files.find(FoldCase(full));
    return found == TheMachine().files.end() ? nullptr : &found->second;
}

DWORD RecordStartedProcess(StartedProcess started) {
    Machine& machine = TheMachine();
    started.pid = machine.nextProcessId;
    machine.nextProcessId += 4;
    machine.processes[started.pid] = {started.pid, started.user, started.program, L"", false};
    machine.startedProcesses.push_back(started);
    return started.pid;
}

void CopyOut(std::wstring_view text, LPWSTR buffer, DWORD capacity) {
    if (!buffer || capacity == 0) return;
    const size_t count = std::min<size_t>(text.size(), capacity - 1);
    std::copy_n(text.begin(), count, buffer);
    buffer[count] = L'\0';
}

}  // namespace winsim::detail

namespace winsim {

using namespace detail;

void Reset() {
    MachineLock lock(MachineMutex());
    BuildDefaultMachine(TheMachine());
    ResetCore();
}

void SetEnvironmentVariable(const std::wstring& name, const std::wstring& value) {
    MachineLock lock(MachineMutex());
    SetVariable(TheMachine().environment, name, value);
}

void RemoveEnvironmentVariable(const std::wstring& name) {
    MachineLock lock(MachineMutex());
    TheMachine().environment.erase(FoldCase(name));
}

void SetCurrentDirectory(const std::wstring& path) {
    MachineLock lock(MachineMutex());
    TheMachine().currentDirectory = path;
}

void SetHostExecutablePath(const std::wstring& path) {
    MachineLock lock(MachineMutex());
    TheMachine().hostExecutablePath = path;
    TheMachine().processes[TheMachine().serviceProcessId].imagePath = path;
}

void AddFile(const std::wstring& path, const std::string& content, std::optional<FileVersion> version) {
    MachineLock lock(MachineMutex());
    const std::wstring full = FullPathOf(path);
    SimFile file;
    file.path = full;
    file.content = std::make_shared<const std::string>(content);
    if (version) {
        file.versionResource = VersionResource::Readable;
        file.version = *version;
    }
    TheMachine().files[FoldCase(full)] = file;
}

void AddFolder(const std::wstring& path) {
    MachineLock lock(MachineMutex());
    std::wstring full = FullPathOf(path);
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    SimFile folder;
    folder.path = full;
    folder.folder = true;
    TheMachine().files[FoldCase(full)] = folder;
}

void SetVersionResourceUnreadable(const std::wstring& path) {
    MachineLock lock(MachineMutex());
    if (SimFile* file = FindFile(path)) file->versionResource = VersionResource::Unreadable;
}

void SetFileContent(const std::wstring& path, const std::string& content) {
    MachineLock lock(MachineMutex());
    if (SimFile* file = FindFile(path)) file->content = std::make_shared<const std::string>(content);
}

std::optional<std::string> FileContent(const std::wstring& path) {
    MachineLock lock(MachineMutex());
    SimFile* file = FindFile(path);
    return file ? std::optional<std::string>(*file->content) : std::nullopt;
}

void RemoveFile(const std::wstring& path) {
    MachineLock lock(MachineMutex());
    TheMachine().files.erase(FoldCase(FullPathOf(path)));
}

bool FileExists(const std::wstring& path) {
    MachineLock lock(MachineMutex());
    SimFile* file = FindFile(path);
    return file && !file->folder;
}

void AddAccount(const Account& account) {
    MachineLock lock(MachineMutex());
    TheMachine().accounts[FoldCase(account.name)] = account;
}

std::optional<Account> FindAccount(const std::wstring& name) {
    MachineLock lock(MachineMutex());
    const Account* account = FindAccountRecord(name);
    return account ? std::optional<Account>(*account) : std::nullopt;
}

void SetUserEnvironmentVariable(const std::wstring& user, const std::wstring& name, const std::wstring& value) {
    MachineLock lock(MachineMutex());
    auto found = TheMachine().accounts.find(FoldCase(user));
    if (found != TheMachine().accounts.end()) found->second.environment[name] = value;
}

void RemoveUserEnvironmentVariable(const std::wstring& user, const std::wstring& name) {
    MachineLock lock(MachineMutex());
    auto found = TheMachine().accounts.find(FoldCase(user));
    if (found == TheMachine().accounts.end()) return;
    auto& variables = found->second.environment;
    for (auto it = variables.begin(); it != variables.end();) {
        it = FoldCase(it->first) == FoldCase(name) ? variables.erase(it) : std::next(it);
    }
}

DWORD AddProcess(const ProcessSpec& spec) {
    MachineLock lock(MachineMutex());
    Machine& machine = TheMachine();
    const DWORD pid = machine.nextProcessId;
    machine.nextProcessId += 4;
    machine.processes[pid] = {pid, spec.user, spec.imagePath, spec.packageFamilyName, false};
    return pid;
}

void MarkProcessExited(DWORD pid) {
    MachineLock lock(MachineMutex());
    auto found = TheMachine().processes.find(pid);
    if (found != TheMachine().processes.end()) found->second.exited = true;
}

std::vector<StartedProcess> StartedProcesses() {
    MachineLock lock(MachineMutex());
    return TheMachine().startedProcesses;
}

DWORD ServiceProcessId() {
    MachineLock lock(MachineMutex());
    return TheMachine().serviceProcessId;
}

}  // namespace winsim
