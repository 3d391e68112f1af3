// The program a process creation runs: one rule set for CreateProcessW and
// CreateProcessAsUserW, as Windows has one.
#include <algorithm>

#include "platform/sim/sim_machine.h"

namespace winsim::detail {

namespace {

bool IsBlank(wchar_t unit) { return unit == L' ' || unit == L'\t'; }

bool HasExtension(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    const size_t separator = name.find_last_of(L"\\/");
    return dot != std::wstring_view::npos && (separator == std::wstring_view::npos || dot > separator);
}

bool NamesFolder(std::wstring_view name) { return name.find_first_of(L"\\/:") != std::wstring_view::npos; }

std::wstring ExistingProgram(std::wstring_view path) {
    const SimFile* file = FindFile(path);
    return file && !file->folder ? file->path : std::wstring();
}

// Where a name without folder is looked for, in the documented order: the caller's
// own folder, its current folder, the system folder, the 16-bit system folder, the
// Windows folder (the system's, whatever %windir% says), then the caller's PATH.
std::vector<std::wstring> SearchFolders() {
    const Machine& machine = TheMachine();
    const std::wstring& host = machine.hostExecutablePath;
    std::vector<std::wstring> folders = {host.substr(0, host.find_last_of(L'\\')), machine.currentDirectory,
                                         machine.windowsFolder + L"\\System32", machine.windowsFolder + L"\\System",
                                         machine.windowsFolder};
    if (const std::wstring* path = FindVariable(machine.environment, L"Path")) {
        for (size_t at = 0; at <= path->size();) {
            const size_t end = std::min(path->find(L';', at), path->size());
            if (end > at) folders.push_back(path->substr(at, end - at));
            at = end + 1;
        }
    }
    return folders;
}

// A name from a command line: ".exe" is added when its last part has no extension; a
// name with a folder is taken as it stands, a bare name is searched for.
std::wstring FindProgram(std::wstring name) {
    if (name.empty()) return L"";
    if (!HasExtension(name)) name += L".exe";
    if (NamesFolder(name)) return ExistingProgram(name);
    for (std::wstring folder : SearchFolders()) {
        if (folder.empty()) continue;
        if (folder.back() != L'\\') folder += L'\\';
        std::wstring found = ExistingProgram(folder + name);
        if (!found.empty()) return found;
    }
    return L"";
}

}  // namespace

std::wstring ResolveProgram(const wchar_t* applicationName, const wchar_t* commandLine) {
    // An application name is used as given: completed against the current folder,
    // never searched, no extension added.
    if (applicationName != nullptr) return ExistingProgram(applicationName);
    const std::wstring_view line = commandLine ? commandLine : L"";
    // A quoted first token is the name, whole.
    if (line.starts_with(L'"')) {
        const size_t close = line.find(L'"', 1);
        return FindProgram(std::wstring(line.substr(1, close == std::wstring_view::npos ? close : close - 1)));
    }
    // Otherwise each prefix that ends before a blank (space or tab) is tried, shortest
    // first, then the whole line. A leading blank is part of every prefix.
    for (size_t end = 0;; ++end) {
        if (end < line.size() && !IsBlank(line[end])) continue;
        std::wstring found = FindProgram(std::wstring(line.substr(0, end)));
        if (!found.empty() || end == line.size()) return found;
    }
}

}  // namespace winsim::detail
